# updater-check, the script checker (src/check): reads a script as the
# updater does, builds every list it can reach without running anything,
# and reports its mistakes. A program of its own on both editions (on
# Windows a console program); the updater links none of it. Its tests
# (tests/check) are part of unit_tests.

file(GLOB CHECKER_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/check/*.cpp)
list(FILTER CHECKER_SOURCES EXCLUDE REGEX "/Main\\.cpp$")
add_library(updater_checker STATIC ${CHECKER_SOURCES})
target_link_libraries(updater_checker PUBLIC updater_core)

add_executable(updater-check src/check/Main.cpp)
target_link_libraries(updater-check PRIVATE updater_checker)
if(WIN32)
  target_link_options(updater-check PRIVATE -static -static-libgcc -static-libstdc++ -s)
elseif(NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
  target_link_options(updater-check PRIVATE -static-libstdc++ -static-libgcc)
endif()

if(UPDATER_TESTS)
  # The checker's tests run in unit_tests, beside the rest.
  file(GLOB CHECK_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/check/*.cpp)
  target_sources(unit_tests PRIVATE ${CHECK_TEST_SOURCES})
  target_link_libraries(unit_tests PRIVATE updater_checker)
  target_compile_definitions(unit_tests PRIVATE
    "CHECK_CASES_DIR=\"${CMAKE_CURRENT_SOURCE_DIR}/tests/check/cases\"")
  if(NOT WIN32)
    # The program itself, for its exit status.
    target_compile_definitions(unit_tests PRIVATE "CHECKER_PATH=\"$<TARGET_FILE:updater-check>\"")
    add_dependencies(unit_tests updater-check)
  endif()
endif()
