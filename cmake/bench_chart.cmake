# Benchmark of whole chart computations (not part of ctest).
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(bench_chart ${CMAKE_SOURCE_DIR}/bench/chart_bench.cpp)
  target_link_libraries(bench_chart PRIVATE sd_astro benchmark::benchmark)
endif()
