# Benchmark of the sign/house and midpoint events at their largest sets (not part of ctest).
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(bench_signs ${CMAKE_SOURCE_DIR}/bench/signs_bench.cpp)
  target_link_libraries(bench_signs PRIVATE sd_eval benchmark::benchmark)
endif()
