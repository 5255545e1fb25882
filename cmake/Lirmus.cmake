# Shared helpers for the subsystem folders.

# Where the real songs written elsewhere live; tests that use them skip when absent.
get_filename_component(_lirmus_testdata "${CMAKE_SOURCE_DIR}/../shared/testdata" ABSOLUTE)
set(LIRMUS_SHARED_TESTDATA "${_lirmus_testdata}" CACHE PATH "Folder of the real test songs")

# lirmus_test(<name> [QT] SOURCES ... LIBS ...): a GoogleTest program run by ctest, offscreen.
# QT gives the test a QApplication (for windows and queued calls) instead of the plain main.
function(lirmus_test name)
  cmake_parse_arguments(T "QT" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_QT)
    target_link_libraries(${name} PRIVATE ${T_LIBS} lirmus_testkit lirmus_qttestmain GTest::gtest)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} lirmus_testkit GTest::gtest GTest::gtest_main)
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  # Folders reach the tests compiled in (see tests/support): this CMake passes
  # only the first variable of a discovered test's environment list.
endfunction()
