# Benchmark of the planet-pair metric table: one lookup, opening the table, and the peak memory
# of a forecast with a full table mapped (not part of ctest).
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(bench_metrics ${CMAKE_SOURCE_DIR}/bench/metric_lookup_bench.cpp)
  target_link_libraries(bench_metrics PRIVATE sd_cgi benchmark::benchmark)
  set_target_properties(bench_metrics PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
