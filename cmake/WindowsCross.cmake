# On Linux, the native build also cross-builds the Windows program with
# mingw-w64 into <build>/windows, and its tests (run under Wine) join this
# build's ctest run.
option(MORVA_WINDOWS "Cross-build the Windows program and test it under Wine" ON)
find_program(MORVA_MINGW_CXX x86_64-w64-mingw32-g++-posix)
if(NOT MORVA_WINDOWS OR NOT MORVA_MINGW_CXX)
  if(MORVA_WINDOWS)
    morva_missing("mingw-w64 not found: the Windows program is not built")
  endif()
  return()
endif()

include(ExternalProject)
set(MORVA_WINDOWS_DIR ${CMAKE_BINARY_DIR}/windows)
ExternalProject_Add(windows
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${MORVA_WINDOWS_DIR}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
    -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
    -DMORVA_TESTS=${MORVA_TESTS}
    -DMORVA_REQUIRE_ALL=${MORVA_REQUIRE_ALL}
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  USES_TERMINAL_CONFIGURE ON
  USES_TERMINAL_BUILD ON)

if(MORVA_TESTS)
  file(WRITE ${CMAKE_BINARY_DIR}/windows-tests.cmake
    "if(EXISTS \"${MORVA_WINDOWS_DIR}/CTestTestfile.cmake\")\n  subdirs(\"${MORVA_WINDOWS_DIR}\")\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/windows-tests.cmake)
  # The end-to-end tests work the cross-built program under Wine.
  add_subdirectory(${CMAKE_SOURCE_DIR}/tests/e2e ${CMAKE_BINARY_DIR}/tests/e2e)
  # The Windows morvacli under Wine writes what the native one writes.
  if(TARGET morvacli)
    add_test(NAME cli.wine_pack_matches_native
      COMMAND ${CMAKE_SOURCE_DIR}/tests/cli/wine-pack.sh $<TARGET_FILE:morvacli> ${MORVA_WINDOWS_DIR})
    set_tests_properties(cli.wine_pack_matches_native PROPERTIES FIXTURES_REQUIRED wine
                                                                 RESOURCE_LOCK display TIMEOUT 120 COST 30)
    # What `cpack` makes of both builds, and the version each program carries.
    add_test(NAME packages COMMAND ${CMAKE_SOURCE_DIR}/tests/packages.sh ${CMAKE_BINARY_DIR}
                                   ${PROJECT_VERSION})
  endif()
endif()
