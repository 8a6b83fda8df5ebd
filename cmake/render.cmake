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

# The faces fontconfig gives our fonts on this machine, asked once here. Reading the whole font
# configuration costs a CGI run about a third of its instructions on every request; the table
# spares that while its files are there, and the program falls back to fontconfig otherwise.
find_program(FC_MATCH_PROGRAM fc-match)
set(KNOWN_FONTS_INC ${CMAKE_BINARY_DIR}/generated/render/known_fonts.inc)
set(_known_fonts "// Generated at configure time by fc-match; do not edit.\n")
if(FC_MATCH_PROGRAM)
  foreach(_style "400;80;0;false" "700;200;0;false" "400;80;100;true" "700;200;100;true")
    list(GET _style 0 _weight)
    list(GET _style 1 _fc_weight)
    list(GET _style 2 _fc_slant)
    list(GET _style 3 _italic)
    execute_process(COMMAND ${FC_MATCH_PROGRAM} -f "%{file}|%{index}" "Arial:weight=${_fc_weight}:slant=${_fc_slant}"
                    OUTPUT_VARIABLE _match RESULT_VARIABLE _rc ERROR_QUIET)
    if(_rc EQUAL 0 AND _match MATCHES "^([^|\"\\\\]+)\\|([0-9]+)$")
      string(APPEND _known_fonts "{\"Arial\", ${_weight}, ${_italic}, \"${CMAKE_MATCH_1}\", ${CMAKE_MATCH_2}},\n")
    endif()
  endforeach()
endif()
file(CONFIGURE OUTPUT ${KNOWN_FONTS_INC} CONTENT "${_known_fonts}")
target_include_directories(sd_render PRIVATE ${CMAKE_BINARY_DIR}/generated)
