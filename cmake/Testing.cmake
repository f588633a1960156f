# GoogleTest for every build, and morva_add_test() to declare a test program.
#   native Linux: Debian's libgtest-dev, one ctest test per test case
#   mingw-w64 cross build: GoogleTest's sources, each program run under Wine
#   Windows: an installed GoogleTest (for example from vcpkg)
if(NOT MORVA_TESTS)
  return()
endif()

set(MORVA_GTEST_SOURCES /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
# Test code compiles at -O1, twice as fast as at -O3; the code under test keeps
# the build's optimisation.
set(MORVA_TEST_OPTIMIZATION $<$<AND:$<CONFIG:Release>,$<CXX_COMPILER_ID:GNU,Clang>>:-O1>)
if(CMAKE_CROSSCOMPILING AND WIN32)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${MORVA_GTEST_SOURCES} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  target_compile_options(gtest PRIVATE ${MORVA_TEST_OPTIMIZATION})
  target_compile_options(gtest_main PRIVATE ${MORVA_TEST_OPTIMIZATION})
  set(MORVA_GTEST_MAIN gtest_main)
  set(MORVA_GTEST gtest)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine-env.sh run ${CMAKE_BINARY_DIR})
  add_test(NAME wine.start COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-env.sh start ${CMAKE_BINARY_DIR})
  add_test(NAME wine.stop COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-env.sh stop ${CMAKE_BINARY_DIR})
  set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine)
  set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine)
else()
  find_package(GTest)
  if(NOT GTest_FOUND)
    morva_missing("GoogleTest not found: tests are not built")
    set(MORVA_TESTS OFF)
    return()
  endif()
  include(GoogleTest)
  set(MORVA_GTEST_MAIN GTest::gtest_main)
  set(MORVA_GTEST GTest::gtest)
endif()

# morva_add_test(NAME SOURCES... [LIBS libs...])
function(morva_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${MORVA_GTEST_MAIN})
  target_compile_options(${name} PRIVATE ${MORVA_TEST_OPTIMIZATION})
  # GoogleTest's header, and windows.h, cost most of each test file's compile:
  # made once, by the first test program, for all of them.
  get_property(first GLOBAL PROPERTY MORVA_FIRST_TEST)
  if(first)
    target_precompile_headers(${name} REUSE_FROM ${first})
  else()
    set_property(GLOBAL PROPERTY MORVA_FIRST_TEST ${name})
    target_precompile_headers(${name} PRIVATE <gtest/gtest.h> $<$<BOOL:${WIN32}>:<windows.h$<ANGLE-R>>)
  endif()
  target_compile_definitions(${name} PRIVATE MORVA_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data")
  if(CMAKE_CROSSCOMPILING)
    # One Wine process per program: starting Wine costs far more than a test.
    # They share one display and read back what it shows, so one at a time.
    add_test(NAME win.${name} COMMAND ${name})
    # A skipped case shows the whole program as skipped, never as passed.
    # The display's chain is the longest: each link goes first when its turn comes.
    set_tests_properties(win.${name} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK display COST 30
                                                TIMEOUT 300 SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_PREFIX "${MORVA_TEST_PREFIX}")
  endif()
endfunction()
