# Small helpers shared by every folder's CMakeLists.txt: tests, benchmarks and fuzz targets.
include(GoogleTest)

# wf_test(name SOURCES a.cpp b.cpp LIBS wf_store ...): one GoogleTest program, registered
# with CTest case by case. Tests run with the build's bin folder as working directory.
function(wf_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT WF_TESTS)
    return()
  endif()
  find_package(GTest REQUIRED)
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
                       PROPERTIES ENVIRONMENT "WF_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
                       DISCOVERY_TIMEOUT 60)
endfunction()

# wf_bench(name SOURCES ... LIBS ...): one Google Benchmark program in build/bench.
function(wf_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark Threads::Threads)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()

# wf_fuzz(name SOURCES ... LIBS ...): one libFuzzer target in build/fuzz; only in WF_FUZZ builds.
function(wf_fuzz name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT WF_FUZZ)
    return()
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS} Threads::Threads)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  set_property(GLOBAL APPEND PROPERTY WF_FUZZ_TARGETS ${name})
endfunction()
