#pragma once
// The outlines the chart wheel draws its symbols and numbers with, taken from DejaVu Sans at
// build time (tools/gen_glyph_paths.cpp), so that a wheel looks the same in every browser and
// viewer and the programs need no font.
//
// Units: 1000 to the em; the origin is the pen position on the baseline; y points down (SVG).
#include <span>
#include <string>
#include <string_view>

namespace sd::wheel {

struct GlyphOutline {
  char32_t code;     // Unicode code point
  double advance;    // pen advance
  double x_min, y_min, x_max, y_max;  // control box; y_min is the top (negative above the baseline)
  const char* path;  // SVG path data, "" for the blank
};

// Every outline of the table, in ascending code point order.
std::span<const GlyphOutline> GlyphOutlines();

// The outline of a code point, or nullptr when the table has none.
const GlyphOutline* FindGlyph(char32_t code);

// Code points of the symbols: bodies by chart object number (0..9 Sun..Pluto, 30 and 31 the
// nodes), 0 for an object without a symbol; signs 0..11 Aries..Pisces, 0 outside.
char32_t BodySymbol(int object);
char32_t SignSymbol(int sign);

// The id of a symbol's path in a wheel's <defs>: "glyph-jupiter", "glyph-taurus". Empty when
// the object or sign has no symbol.
std::string BodyGlyphId(int object);
std::string SignGlyphId(int sign);

// The code points of UTF-8 text; a malformed byte counts as U+FFFD.
std::u32string DecodeUtf8(std::string_view text);

}  // namespace sd::wheel
