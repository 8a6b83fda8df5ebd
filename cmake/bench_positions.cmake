# Benchmark of one moment's positions, this system against Swiss Ephemeris (not part of ctest).
find_package(benchmark QUIET)
find_path(SWE_BENCH_INCLUDE_DIR swephexp.h)
find_library(SWE_BENCH_LIBRARY swe)
if(benchmark_FOUND AND SWE_BENCH_INCLUDE_DIR AND SWE_BENCH_LIBRARY)
  add_executable(bench_positions ${CMAKE_SOURCE_DIR}/bench/positions_bench.cpp)
  target_include_directories(bench_positions PRIVATE ${SWE_BENCH_INCLUDE_DIR})
  target_link_libraries(bench_positions PRIVATE sd_astro ${SWE_BENCH_LIBRARY} m dl benchmark::benchmark)
endif()
