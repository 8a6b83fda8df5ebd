#include "wheel/glyphs.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace sd::wheel {

namespace {

constexpr GlyphOutline kOutlines[] = {
#include "wheel/glyph_paths.inc"
};

// Lower-case names the ids are made of, by sign number and by object number.
constexpr const char* kSignIdNames[12] = {"aries",  "taurus",  "gemini",      "cancer",
                                          "leo",    "virgo",   "libra",       "scorpio",
                                          "sagittarius", "capricorn", "aquarius", "pisces"};
constexpr const char* kPlanetIdNames[10] = {"sun",     "moon",   "mercury", "venus",  "mars",
                                            "jupiter", "saturn", "uranus",  "neptune", "pluto"};

}  // namespace

std::span<const GlyphOutline> GlyphOutlines() { return kOutlines; }

const GlyphOutline* FindGlyph(char32_t code) {
  // The generator writes the table in code point order, printable ASCII first and whole.
  if (code >= 0x20 && code <= 0x7E && kOutlines[code - 0x20].code == code) return &kOutlines[code - 0x20];
  const auto* at = std::lower_bound(std::begin(kOutlines), std::end(kOutlines), code,
                                    [](const GlyphOutline& g, char32_t c) { return g.code < c; });
  return at != std::end(kOutlines) && at->code == code ? at : nullptr;
}

char32_t BodySymbol(int object) {
  // Unicode's astrological symbols: the Sun at U+2609, the Moon as the first-quarter crescent
  // U+263D, Mercury .. Pluto U+263F .. U+2647 (U+2641, the Earth, between Venus and Mars).
  static constexpr char32_t kPlanets[10] = {0x2609, 0x263D, 0x263F, 0x2640, 0x2642,
                                            0x2643, 0x2644, 0x2645, 0x2646, 0x2647};
  if (object >= 0 && object < 10) return kPlanets[object];
  if (object == 30) return 0x260A;
  if (object == 31) return 0x260B;
  return 0;
}

char32_t SignSymbol(int sign) { return sign >= 0 && sign < 12 ? char32_t(0x2648 + sign) : 0; }

std::string BodyGlyphId(int object) {
  if (object >= 0 && object < 10) return std::string("glyph-") + kPlanetIdNames[object];
  if (object == 30) return "glyph-north-node";
  if (object == 31) return "glyph-south-node";
  return "";
}

std::string SignGlyphId(int sign) {
  return sign >= 0 && sign < 12 ? std::string("glyph-") + kSignIdNames[sign] : "";
}

std::u32string DecodeUtf8(std::string_view text) {
  std::u32string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    const int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    char32_t c = extra <= 0 ? b : char32_t(b & (0x3F >> extra));
    bool ok = extra >= 0 && i + extra < text.size();
    for (int k = 1; ok && k <= extra; ++k) {
      const auto cb = static_cast<unsigned char>(text[i + k]);
      ok = (cb & 0xC0) == 0x80;
      c = (c << 6) | (cb & 0x3F);
    }
    out.push_back(ok ? c : char32_t(0xFFFD));
    i += ok ? 1 + extra : 1;
  }
  return out;
}

}  // namespace sd::wheel
