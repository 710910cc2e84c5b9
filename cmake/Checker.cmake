# updater-check, the script checker (src/check): reads a script as the
# updater does, builds every list it can reach without running anything,
# and reports its mistakes. A program of its own on both editions (on
# Windows a console program); the updater links none of it. Its tests are
# check_tests (tests/check), run by ctest like the unit tests.

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
  file(GLOB CHECK_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/check/*.cpp)
  add_executable(check_tests ${CHECK_TEST_SOURCES})
  target_link_libraries(check_tests PRIVATE updater_checker gtest_main)
  target_compile_definitions(check_tests PRIVATE
    "CHECK_CASES_DIR=\"${CMAKE_CURRENT_SOURCE_DIR}/tests/check/cases\"")
  set_target_properties(check_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/tests)
  if(WIN32)
    target_link_options(check_tests PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
  # Its report beside the unit tests' (scripts/test counts the cases).
  add_test(NAME check_tests
           COMMAND check_tests --gtest_output=xml:check_tests.xml
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/tests)
  if(WIN32)
    set_tests_properties(check_tests PROPERTIES
      ENVIRONMENT "LANG=ja_JP.UTF-8;LC_ALL=ja_JP.UTF-8"
      SKIP_RETURN_CODE 77
      TIMEOUT 900)
  endif()
endif()
