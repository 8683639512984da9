# Helpers shared by every folder: tests, fuzz targets and benchmarks.

# Each test process sees HOME, XDG folders and TMPDIR inside the build tree, never the user's.
set(TALVERIN_TEST_ROOT ${CMAKE_BINARY_DIR}/test-home)
foreach(_dir home data config cache runtime tmp)
  file(MAKE_DIRECTORY ${TALVERIN_TEST_ROOT}/${_dir})
endforeach()
set(TALVERIN_TEST_ENVIRONMENT
  HOME=${TALVERIN_TEST_ROOT}/home
  XDG_DATA_HOME=${TALVERIN_TEST_ROOT}/data
  XDG_CONFIG_HOME=${TALVERIN_TEST_ROOT}/config
  XDG_CACHE_HOME=${TALVERIN_TEST_ROOT}/cache
  XDG_RUNTIME_DIR=${TALVERIN_TEST_ROOT}/runtime
  TMPDIR=${TALVERIN_TEST_ROOT}/tmp
  no_proxy=127.0.0.1,localhost
  NO_PROXY=127.0.0.1,localhost)
# Tests talk only to servers on 127.0.0.1: no proxy of the user's environment reaches them.
set(TALVERIN_TEST_UNSET_PROXIES
  http_proxy=unset: HTTP_PROXY=unset: https_proxy=unset: HTTPS_PROXY=unset:
  ftp_proxy=unset: FTP_PROXY=unset: all_proxy=unset: ALL_PROXY=unset:)

# The tests labelled "tsan" also run under ThreadSanitizer; this target builds only them.
if(TALVERIN_TESTS)
  add_custom_target(tsan_tests)
endif()

# Checking builds spend the optimiser on the code under test; the tests' own code builds faster
# without it.
function(talverin_test_code_options target)
  if(TALVERIN_SANITIZE OR TALVERIN_TSAN)
    target_compile_options(${target} PRIVATE -O0)
  endif()
endfunction()

# Every test target reuses one precompiled header of the test framework and the standard
# headers most tests include, made once by this executable of no tests.
if(TALVERIN_TESTS)
  file(WRITE ${CMAKE_BINARY_DIR}/test_headers.cpp "")
  add_executable(test_headers ${CMAKE_BINARY_DIR}/test_headers.cpp)
  talverin_test_code_options(test_headers)
  target_link_libraries(test_headers PRIVATE GTest::gtest GTest::gmock GTest::gtest_main)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    target_compile_options(test_headers PRIVATE "SHELL:-Xclang -fno-pch-timestamp") # so ccache can keep it
  endif()
  target_precompile_headers(test_headers PRIVATE <gtest/gtest.h> <filesystem> <fstream> <functional>
    <map> <sstream> <string> <thread> <vector>)
endif()

# talverin_add_test(<name> SOURCES ... LIBS ... [LABELS ...] [FIXTURES ...] [PREFIX text])
# FIXTURES names ctest fixtures every discovered test requires; PREFIX goes before every
# discovered test's name.
function(talverin_add_test name)
  if(NOT TALVERIN_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "PREFIX" "SOURCES;LIBS;LABELS;FIXTURES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  talverin_test_code_options(${name})
  target_precompile_headers(${name} REUSE_FROM test_headers)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_LIST ${name}_TESTS TEST_PREFIX "${ARG_PREFIX}")
  # Discovery splits list values of PROPERTIES, so the environment and labels are set on
  # the discovered tests by a file that ctest reads after the discovery's own.
  set(_properties_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake)
  file(WRITE ${_properties_file}
    "if(DEFINED ${name}_TESTS)\n"
    "  set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT \"${TALVERIN_TEST_ENVIRONMENT}\" ENVIRONMENT_MODIFICATION \"${TALVERIN_TEST_UNSET_PROXIES}\" LABELS \"${ARG_LABELS}\" FIXTURES_REQUIRED \"${ARG_FIXTURES}\")\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${_properties_file})
  if("tsan" IN_LIST ARG_LABELS)
    add_dependencies(tsan_tests ${name})
  endif()
endfunction()

# talverin_add_fuzz(<name> SOURCES ... LIBS ...)
# With TALVERIN_FUZZ a libFuzzer binary; otherwise a replay driver that ctest runs over
# fuzz/corpus/<name>/, so every committed seed and finding stays a regression test.
function(talverin_add_fuzz name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  if(TALVERIN_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    target_link_libraries(${name} PRIVATE fuzz_replay_driver)
    if(TALVERIN_TESTS)
      add_test(NAME ${name}_replay COMMAND ${name} ${PROJECT_SOURCE_DIR}/fuzz/corpus/${name})
      set_tests_properties(${name}_replay PROPERTIES ENVIRONMENT "${TALVERIN_TEST_ENVIRONMENT}"
        ENVIRONMENT_MODIFICATION "${TALVERIN_TEST_UNSET_PROXIES}" LABELS fuzz)
    endif()
  endif()
endfunction()

# talverin_add_bench(<name> SOURCES ... LIBS ...)
function(talverin_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
endfunction()
