// The glyph table the wheel draws with: the right Unicode symbol behind every body and sign,
// outlines in the table's units (1000 per em, y down), and the UTF-8 reader.
#include "wheel/glyphs.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace sd::wheel {
namespace {

struct SymbolCase {
  int number;
  char32_t code;
  const char* id;
};

// Unicode's Miscellaneous Symbols block: U+2609 SUN, U+263D FIRST QUARTER MOON, U+263F MERCURY,
// U+2640 FEMALE SIGN (Venus), U+2642 MALE SIGN (Mars), U+2643 .. U+2647 JUPITER .. PLUTO,
// U+260A ASCENDING NODE, U+260B DESCENDING NODE.
const SymbolCase kBodies[] = {
    {0, 0x2609, "glyph-sun"},     {1, 0x263D, "glyph-moon"},    {2, 0x263F, "glyph-mercury"},
    {3, 0x2640, "glyph-venus"},   {4, 0x2642, "glyph-mars"},    {5, 0x2643, "glyph-jupiter"},
    {6, 0x2644, "glyph-saturn"},  {7, 0x2645, "glyph-uranus"},  {8, 0x2646, "glyph-neptune"},
    {9, 0x2647, "glyph-pluto"},   {30, 0x260A, "glyph-north-node"}, {31, 0x260B, "glyph-south-node"},
};
// U+2648 ARIES .. U+2653 PISCES.
const SymbolCase kSigns[] = {
    {0, 0x2648, "glyph-aries"},  {1, 0x2649, "glyph-taurus"},  {2, 0x264A, "glyph-gemini"},
    {3, 0x264B, "glyph-cancer"}, {4, 0x264C, "glyph-leo"},     {5, 0x264D, "glyph-virgo"},
    {6, 0x264E, "glyph-libra"},  {7, 0x264F, "glyph-scorpio"}, {8, 0x2650, "glyph-sagittarius"},
    {9, 0x2651, "glyph-capricorn"}, {10, 0x2652, "glyph-aquarius"}, {11, 0x2653, "glyph-pisces"},
};

TEST(GlyphTable, EveryBodyAndSignHasItsOwnSymbolWithAnOutline) {
  std::set<std::string> paths;
  auto check = [&](const SymbolCase& c, char32_t code, const std::string& id) {
    EXPECT_EQ(code, c.code) << c.number;
    EXPECT_EQ(id, c.id) << c.number;
    const GlyphOutline* g = FindGlyph(code);
    ASSERT_NE(g, nullptr) << c.id;
    EXPECT_EQ(g->path[0], 'M') << c.id;
    EXPECT_GT(g->x_max - g->x_min, 100) << c.id;
    EXPECT_GT(g->y_max - g->y_min, 100) << c.id;
    // Two symbols with one outline would mean the generator read the wrong character.
    EXPECT_TRUE(paths.insert(g->path).second) << c.id << " has the outline of another symbol";
  };
  for (const SymbolCase& c : kBodies) check(c, BodySymbol(c.number), BodyGlyphId(c.number));
  for (const SymbolCase& c : kSigns) check(c, SignSymbol(c.number), SignGlyphId(c.number));
}

TEST(GlyphTable, AscendingCodePointsEachFoundAgain) {
  const auto all = GlyphOutlines();
  ASSERT_GT(all.size(), 95u);
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (i > 0) {
      EXPECT_LT(all[i - 1].code, all[i].code) << i;
    }
    EXPECT_EQ(FindGlyph(all[i].code), &all[i]) << unsigned(all[i].code);
  }
  EXPECT_EQ(FindGlyph(0x1F), nullptr);
  EXPECT_EQ(FindGlyph(0x7F), nullptr);
  EXPECT_EQ(FindGlyph(0x2654), nullptr);
}

TEST(GlyphTable, ObjectsWithoutSymbolsHaveNone) {
  for (int n : {-1, 10, 14, 18, 29, 35, 40}) {
    EXPECT_EQ(BodySymbol(n), 0u) << n;
    EXPECT_EQ(BodyGlyphId(n), "") << n;
  }
  for (int s : {-1, 12}) {
    EXPECT_EQ(SignSymbol(s), 0u) << s;
    EXPECT_EQ(SignGlyphId(s), "") << s;
  }
}

TEST(GlyphTable, OutlinesSitOnTheBaselineWithYDown) {
  // DejaVu Sans: capitals 729 units of 1000 high, 'g' descends below the baseline, '.' sits on it.
  const GlyphOutline* a = FindGlyph(U'A');
  ASSERT_NE(a, nullptr);
  EXPECT_NEAR(a->y_min, -729, 5);
  EXPECT_NEAR(a->y_max, 0, 0.5);
  EXPECT_GT(a->advance, 600);
  EXPECT_LT(a->advance, 750);
  const GlyphOutline* g = FindGlyph(U'g');
  ASSERT_NE(g, nullptr);
  EXPECT_GT(g->y_max, 150);
  const GlyphOutline* dot = FindGlyph(U'.');
  ASSERT_NE(dot, nullptr);
  EXPECT_GT(dot->y_min, -200);
  // The blank draws nothing but still moves the pen.
  const GlyphOutline* blank = FindGlyph(U' ');
  ASSERT_NE(blank, nullptr);
  EXPECT_STREQ(blank->path, "");
  EXPECT_GT(blank->advance, 200);
  // What the labels need beside ASCII.
  for (char32_t c : {char32_t(0xB0), char32_t(0x2032)}) EXPECT_NE(FindGlyph(c), nullptr) << unsigned(c);
  EXPECT_EQ(FindGlyph(0x4E00), nullptr);
}

TEST(DecodeUtf8, ReadsCodePointsAndReplacesBrokenBytes) {
  struct Case {
    std::string in;
    std::u32string out;
  };
  const Case cases[] = {
      {"", U""},
      {"R", U"R"},
      {"14\xC2\xB0" "32\xE2\x80\xB2", U"14\u00B032\u2032"},
      {"\xF0\x9F\x98\x80", U"\U0001F600"},
      {"\xE2\x80", U"\uFFFD\uFFFD"},      // cut short
      {"\x80" "A", U"\uFFFDA"},           // a continuation byte alone
      {"\xC2" "A", U"\uFFFDA"},           // a lead byte followed by no continuation
      {"\xFF", U"\uFFFD"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeUtf8(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace sd::wheel
