# Rendering: text through FreeType with fonts found by fontconfig, pictures written by giflib.
pkg_check_modules(RENDER_TEXT REQUIRED IMPORTED_TARGET freetype2 fontconfig)
find_path(GIF_INCLUDE_DIR gif_lib.h REQUIRED)
find_library(GIF_LIBRARY gif REQUIRED)
target_include_directories(sd_render PUBLIC ${GIF_INCLUDE_DIR})
target_link_libraries(sd_render PUBLIC PkgConfig::RENDER_TEXT ${GIF_LIBRARY})

# The draw tool as a user runs it; the picture is read back by a second GIF decoder (PIL).
add_test(NAME render_draw_cli
         COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/render/draw_cli_check.py $<TARGET_FILE:stockdyn>)
set_tests_properties(render_draw_cli PROPERTIES LABELS integration TIMEOUT 120)

# Benchmark of painting and writing the forecast picture (not part of ctest).
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(bench_render ${CMAKE_SOURCE_DIR}/bench/render_bench.cpp)
  target_link_libraries(bench_render PRIVATE sd_render benchmark::benchmark)
endif()
