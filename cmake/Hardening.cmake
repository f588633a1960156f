# Hardening: on Linux a second build of everything with AddressSanitizer and
# UndefinedBehaviorSanitizer (clang) in <build>/sanitize, whose tests (named
# asan.*) and short fuzz runs (fuzz.*) join this build's ctest run.
option(MORVA_FUZZ "Build the fuzz targets (clang)" OFF)
if(MORVA_FUZZ)
  # The platform-free library is built once for the fuzz targets and the
  # sanitized tests: instrumented for the fuzzer, at the -O1 it asks for.
  target_compile_options(morva_core PRIVATE -O1 -fsanitize=fuzzer-no-link)
  add_subdirectory(fuzz)
endif()

option(MORVA_SANITIZE "Also build and test everything with ASan and UBSan (clang)" ON)
if(WIN32 OR NOT MORVA_SANITIZE OR NOT MORVA_TESTS)
  return()
endif()
find_program(MORVA_CLANG_CXX NAMES clang++)
if(NOT MORVA_CLANG_CXX)
  morva_missing("clang++ not found: no sanitizer build")
  return()
endif()

include(ExternalProject)
set(MORVA_SANITIZE_DIR ${CMAKE_BINARY_DIR}/sanitize)
set(sanitizers "-fsanitize=address,undefined -fno-sanitize-recover=all")
ExternalProject_Add(sanitize
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${MORVA_SANITIZE_DIR}
  CMAKE_CACHE_ARGS
    -DCMAKE_CXX_COMPILER:FILEPATH=${MORVA_CLANG_CXX}
    # Unoptimised: the sanitizers miss nothing and the tests compile fastest
    # (the fuzz targets ask for -O1 themselves).
    -DCMAKE_BUILD_TYPE:STRING=Debug
    -DCMAKE_CXX_FLAGS_DEBUG:STRING=-gline-tables-only
    "-DCMAKE_CXX_FLAGS:STRING=${sanitizers} -fno-omit-frame-pointer"
    "-DCMAKE_EXE_LINKER_FLAGS:STRING=${sanitizers}"
    -DMORVA_WINDOWS:BOOL=OFF
    -DMORVA_SANITIZE:BOOL=OFF
    -DMORVA_FUZZ:BOOL=ON
    -DMORVA_REQUIRE_ALL:BOOL=${MORVA_REQUIRE_ALL}
    -DMORVA_TEST_PREFIX:STRING=asan.
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  USES_TERMINAL_CONFIGURE ON
  USES_TERMINAL_BUILD ON)

file(WRITE ${CMAKE_BINARY_DIR}/sanitize-tests.cmake
  "if(EXISTS \"${MORVA_SANITIZE_DIR}/CTestTestfile.cmake\")\n  subdirs(\"${MORVA_SANITIZE_DIR}\")\nendif()\n")
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/sanitize-tests.cmake)
