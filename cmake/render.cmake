# Rendering: text through FreeType with fonts found by fontconfig, pictures written by giflib.
pkg_check_modules(RENDER_TEXT REQUIRED IMPORTED_TARGET freetype2 fontconfig)
find_path(GIF_INCLUDE_DIR gif_lib.h REQUIRED)
find_library(GIF_LIBRARY gif REQUIRED)
target_include_directories(sd_render PRIVATE ${GIF_INCLUDE_DIR})
target_link_libraries(sd_render PUBLIC PkgConfig::RENDER_TEXT ${GIF_LIBRARY})
