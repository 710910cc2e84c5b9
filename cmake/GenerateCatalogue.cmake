# Turns the message catalogue (resources/messages.txt, UTF-8) into the form
# one edition compiles in. Run with cmake -P and these variables:
#   INPUT   the catalogue file
#   OUTPUT  the file to write
#   FORMAT  "rc": a Japanese STRINGTABLE with every character written as a
#                 UTF-16 escape, so that the resource compiler needs no code
#                 page of its own;
#           "table": C++ initialisers {id, "text"} with the text's Shift-JIS
#                 (CP932) bytes written as escapes.
#   ICONV   the iconv program, which does every conversion.

cmake_minimum_required(VERSION 3.20)

foreach(var INPUT OUTPUT FORMAT ICONV)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "GenerateCatalogue: ${var} is not set")
  endif()
endforeach()

# Converts `text` to `encoding` and returns its bytes as a hex string.
function(convert_text text encoding out)
  set(scratch "${OUTPUT}.part")
  file(WRITE "${scratch}" "${text}")
  execute_process(COMMAND "${ICONV}" -f UTF-8 -t ${encoding} "${scratch}"
                  OUTPUT_FILE "${scratch}.out"
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${INPUT}: cannot convert to ${encoding}: ${text}")
  endif()
  file(READ "${scratch}.out" hex HEX)
  file(REMOVE "${scratch}" "${scratch}.out")
  string(TOUPPER "${hex}" hex)
  set(${out} "${hex}" PARENT_SCOPE)
endfunction()

file(READ "${INPUT}" content)
# Split into lines; a ";" stands in as another byte meanwhile, since CMake
# lists are separated by ";".
string(ASCII 1 semicolon)
string(REPLACE ";" "${semicolon}" content "${content}")
string(REPLACE "\r" "" content "${content}")
string(REPLACE "\n" ";" lines "${content}")

set(body "")
set(seen "")
foreach(line IN LISTS lines)
  if(line STREQUAL "" OR line MATCHES "^#")
    continue()
  endif()
  if(NOT line MATCHES "^([0-9]+)\t(.*)$")
    message(FATAL_ERROR "${INPUT}: not \"<id><tab><text>\": ${line}")
  endif()
  set(id "${CMAKE_MATCH_1}")
  string(REPLACE "${semicolon}" ";" text "${CMAKE_MATCH_2}")
  if(id EQUAL 0 OR id GREATER 65535 OR id IN_LIST seen)
    message(FATAL_ERROR "${INPUT}: bad or repeated id ${id}")
  endif()
  list(APPEND seen ${id})
  string(REPLACE "\\n" "\n" value "${text}")

  # Every text must fit the 256-byte area it is loaded into.
  convert_text("${value}" CP932 sjis)
  string(LENGTH "${sjis}" digits)
  math(EXPR size "${digits} / 2")
  if(size GREATER 255)
    message(FATAL_ERROR "${INPUT}: message ${id} takes ${size} bytes in Shift-JIS, at most 255 fit")
  endif()

  set(escaped "")
  if(FORMAT STREQUAL "rc")
    convert_text("${value}" UTF-16LE utf16)
    string(REGEX MATCHALL "...." units "${utf16}")
    foreach(unit IN LISTS units)
      string(SUBSTRING "${unit}" 0 2 low)
      string(SUBSTRING "${unit}" 2 2 high)
      string(APPEND escaped "\\x${high}${low}")
    endforeach()
    string(APPEND body "    // ${text}\n    ${id}, L\"${escaped}\"\n")
  elseif(FORMAT STREQUAL "table")
    string(REGEX MATCHALL ".." bytes "${sjis}")
    foreach(byte IN LISTS bytes)
      string(APPEND escaped "\\x${byte}")
    endforeach()
    string(APPEND body "// ${text}\n{${id}, \"${escaped}\"},\n")
  else()
    message(FATAL_ERROR "GenerateCatalogue: unknown FORMAT ${FORMAT}")
  endif()
endforeach()

get_filename_component(source_name "${INPUT}" NAME)
if(FORMAT STREQUAL "rc")
  file(WRITE "${OUTPUT}"
    "// The message catalogue, generated from ${source_name}; do not edit.\n"
    "LANGUAGE LANG_JAPANESE, SUBLANG_DEFAULT\n"
    "STRINGTABLE\n"
    "BEGIN\n"
    "${body}"
    "END\n")
else()
  file(WRITE "${OUTPUT}"
    "// The message catalogue in Shift-JIS, generated from ${source_name}; do not edit.\n"
    "${body}")
endif()
