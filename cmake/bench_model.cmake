# Benchmark of the model's condition and qualifier tests and of loading a model (not part of ctest).
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(bench_model ${CMAKE_SOURCE_DIR}/bench/model_bench.cpp)
  target_link_libraries(bench_model PRIVATE sd_model benchmark::benchmark)
  target_compile_definitions(bench_model PRIVATE STOCKDYN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endif()
