# Benchmarks (Google Benchmark under bench/, not part of ctest). Those that compare with Swiss
# Ephemeris are made only where its library is installed.
find_package(benchmark QUIET)
if(benchmark_FOUND)
  # Whole chart computations.
  add_executable(bench_chart ${CMAKE_SOURCE_DIR}/bench/chart_bench.cpp)
  target_link_libraries(bench_chart PRIVATE sd_astro benchmark::benchmark)

  # The aspect primitives and the aspect factor's position tests.
  add_executable(bench_aspects ${CMAKE_SOURCE_DIR}/bench/aspect_search_bench.cpp)
  target_link_libraries(bench_aspects PRIVATE sd_eval benchmark::benchmark)

  # The sign/house and midpoint events at their largest sets.
  add_executable(bench_signs ${CMAKE_SOURCE_DIR}/bench/signs_bench.cpp)
  target_link_libraries(bench_signs PRIVATE sd_eval benchmark::benchmark)

  # The natal lookup and opening the towns database.
  add_executable(bench_natal_lookup ${CMAKE_SOURCE_DIR}/bench/natal_lookup_bench.cpp)
  target_link_libraries(bench_natal_lookup PRIVATE sd_data benchmark::benchmark)
  stockdyn_build_paths(bench_natal_lookup)
  add_dependencies(bench_natal_lookup stockdyn_data)

  # Reading an INI file of many sections (the duplicate check's growth).
  add_executable(bench_ini ${CMAKE_SOURCE_DIR}/bench/ini_bench.cpp)
  target_link_libraries(bench_ini PRIVATE sd_data benchmark::benchmark)

  # The model's condition and qualifier tests and loading a model.
  add_executable(bench_model ${CMAKE_SOURCE_DIR}/bench/model_bench.cpp)
  target_link_libraries(bench_model PRIVATE sd_model benchmark::benchmark)
  stockdyn_build_paths(bench_model)

  # The planet-pair metric table: one lookup, opening the table, and the peak memory of a
  # forecast with a full table mapped.
  add_executable(bench_metrics ${CMAKE_SOURCE_DIR}/bench/metric_lookup_bench.cpp)
  target_link_libraries(bench_metrics PRIVATE sd_cli benchmark::benchmark)
  set_target_properties(bench_metrics PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)

  # One security's events next to its forecast.
  add_executable(timeline_bench ${CMAKE_SOURCE_DIR}/bench/timeline_bench.cpp)
  target_link_libraries(timeline_bench PRIVATE sd_timeline sd_host benchmark::benchmark)
  set_target_properties(timeline_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  add_dependencies(timeline_bench stockdyn_data)

  # Painting and writing the forecast picture.
  add_executable(bench_render ${CMAKE_SOURCE_DIR}/bench/render_bench.cpp)
  target_link_libraries(bench_render PRIVATE sd_render benchmark::benchmark)

  find_path(SWE_BENCH_INCLUDE_DIR swephexp.h)
  find_library(SWE_BENCH_LIBRARY swe)
  if(SWE_BENCH_INCLUDE_DIR AND SWE_BENCH_LIBRARY)
    # One moment's positions, this system against Swiss Ephemeris.
    add_executable(bench_positions ${CMAKE_SOURCE_DIR}/bench/positions_bench.cpp)
    target_include_directories(bench_positions PRIVATE ${SWE_BENCH_INCLUDE_DIR})
    target_link_libraries(bench_positions PRIVATE sd_astro ${SWE_BENCH_LIBRARY} m dl benchmark::benchmark)

    # The forecast: a whole request, the reference ephemeris alone, one evaluation.
    add_executable(forecast_bench ${CMAKE_SOURCE_DIR}/bench/forecast_bench.cpp)
    target_include_directories(forecast_bench PRIVATE ${SWE_BENCH_INCLUDE_DIR})
    target_link_libraries(forecast_bench PRIVATE sd_cgi benchmark::benchmark ${SWE_BENCH_LIBRARY})
    set_target_properties(forecast_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  endif()

  # One chart wheel next to one forecast, both through the API's router.
  add_executable(wheel_bench ${CMAKE_SOURCE_DIR}/bench/wheel_bench.cpp)
  target_link_libraries(wheel_bench PRIVATE sd_api benchmark::benchmark)
  set_target_properties(wheel_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  add_dependencies(wheel_bench stockdyn_data)

  # An evaluation of ten years of prices against the requests it replaces.
  add_executable(evaluate_bench ${CMAKE_SOURCE_DIR}/bench/evaluate_bench.cpp)
  target_link_libraries(evaluate_bench PRIVATE sd_study sd_cgi benchmark::benchmark)
  stockdyn_build_paths(evaluate_bench)
  set_target_properties(evaluate_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)

  # The event study over the Dow 30 and how its cost grows with series, years, B and R.
  add_executable(study_bench ${CMAKE_SOURCE_DIR}/bench/study_bench.cpp)
  target_link_libraries(study_bench PRIVATE sd_eventstudy sd_host benchmark::benchmark)
  stockdyn_build_paths(study_bench)
  set_target_properties(study_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
