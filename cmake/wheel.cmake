# The chart wheel's glyph outlines: tools/gen_glyph_paths reads DejaVu Sans with FreeType at
# build time and writes the table of SVG paths that sd_wheel compiles in, so that the programs
# draw the symbols without FreeType or a font.
find_file(DEJAVU_SANS_FONT DejaVuSans.ttf
          PATHS /usr/share/fonts/truetype/dejavu NO_DEFAULT_PATH REQUIRED)
add_executable(gen_glyph_paths ${CMAKE_SOURCE_DIR}/tools/gen_glyph_paths.cpp)
target_link_libraries(gen_glyph_paths PRIVATE PkgConfig::RENDER_TEXT)

set(GLYPH_PATHS_INC ${CMAKE_BINARY_DIR}/generated/wheel/glyph_paths.inc)
add_custom_command(
  OUTPUT ${GLYPH_PATHS_INC}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated/wheel
  COMMAND gen_glyph_paths ${DEJAVU_SANS_FONT} ${GLYPH_PATHS_INC}
  DEPENDS gen_glyph_paths ${DEJAVU_SANS_FONT}
  COMMENT "Glyph outlines of the chart wheel from ${DEJAVU_SANS_FONT}"
  VERBATIM)
target_sources(sd_wheel PRIVATE ${GLYPH_PATHS_INC})
target_include_directories(sd_wheel PRIVATE ${CMAKE_BINARY_DIR}/generated)
