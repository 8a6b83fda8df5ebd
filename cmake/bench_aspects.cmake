# Benchmark of the aspect primitives and the aspect factor's position tests (not part of ctest).
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(bench_aspects ${CMAKE_SOURCE_DIR}/bench/aspect_search_bench.cpp)
  target_link_libraries(bench_aspects PRIVATE sd_eval benchmark::benchmark)
endif()
