# Benchmark of the natal lookup and of opening the towns database (not part of ctest).
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(bench_natal_lookup ${CMAKE_SOURCE_DIR}/bench/natal_lookup_bench.cpp)
  target_link_libraries(bench_natal_lookup PRIVATE sd_data benchmark::benchmark)
  target_compile_definitions(bench_natal_lookup PRIVATE STOCKDYN_EXE_DIR="${EXE_DIR}")
  add_dependencies(bench_natal_lookup stockdyn_data)
endif()
