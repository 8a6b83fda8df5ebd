#include "render/canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <set>
#include <utility>
#include <vector>

namespace sd::render {
namespace {

Canvas WhiteCanvas(int w, int h) {
  Canvas c(w, h);
  c.FillRect({0, 0, w - 1, h - 1}, kWhite);
  return c;
}

std::set<std::pair<int, int>> Painted(const Canvas& c) {
  std::set<std::pair<int, int>> out;
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x)
      if (c.Pixel(x, y) != kWhite) out.insert({x, y});
  return out;
}

struct Box {
  int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN;
  int count = 0;
};
Box InkBox(const Canvas& c, Colour ink) {
  Box b;
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x)
      if (c.Pixel(x, y) == ink) {
        b.x0 = std::min(b.x0, x), b.x1 = std::max(b.x1, x), b.y0 = std::min(b.y0, y), b.y1 = std::max(b.y1, y);
        ++b.count;
      }
  return b;
}

TEST(Canvas, StartsBlackAndFillsInclusiveRectangles) {
  Canvas c(6, 4);
  EXPECT_EQ(c.Pixel(3, 2), kBlack);
  c.FillRect({1, 1, 3, 2}, kBlue);
  EXPECT_EQ(c.Pixel(1, 1), kBlue);
  EXPECT_EQ(c.Pixel(3, 2), kBlue);
  EXPECT_EQ(c.Pixel(4, 2), kBlack);
  EXPECT_EQ(c.Pixel(3, 3), kBlack);
  c.FillRect({-5, -5, 100, 100}, kWhite);  // clipped, not a crash
  EXPECT_EQ(c.Pixel(5, 3), kWhite);
  EXPECT_EQ(c.Pixel(6, 3), kBlack);  // outside reads as black
}

TEST(Canvas, OnePixelLineLeavesItsEndPoint) {
  struct Case {
    int x0, y0, x1, y1;
    std::set<std::pair<int, int>> expected;
  };
  const Case cases[] = {
      {1, 1, 4, 1, {{1, 1}, {2, 1}, {3, 1}}},
      {4, 1, 1, 1, {{4, 1}, {3, 1}, {2, 1}}},
      {2, 0, 2, 3, {{2, 0}, {2, 1}, {2, 2}}},
      {0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}}},
      {3, 3, 3, 3, {}},  // a line to the current position paints nothing
  };
  for (const Case& k : cases) {
    Canvas c = WhiteCanvas(6, 6);
    c.MoveTo(k.x0, k.y0);
    c.LineTo(k.x1, k.y1);
    EXPECT_EQ(Painted(c), k.expected) << k.x0 << "," << k.y0 << " -> " << k.x1 << "," << k.y1;
  }
}

TEST(Canvas, PolylineContinuesFromTheLastPoint) {
  Canvas c = WhiteCanvas(6, 6);
  c.MoveTo(0, 0);
  c.LineTo(3, 0);
  c.LineTo(3, 3);
  const std::set<std::pair<int, int>> expected = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}, {3, 2}};
  EXPECT_EQ(Painted(c), expected);
}

TEST(Canvas, MaskModeAndsPenColourWithPixel) {
  Canvas c(3, 1);
  c.FillRect({0, 0, 0, 0}, kWhite);
  c.FillRect({1, 0, 1, 0}, RGB(0x0F, 0xF0, 0x3C));
  c.FillRect({2, 0, 2, 0}, kBlack);
  c.pen().colour = RGB(255, 172, 173);
  c.pen().mode = PenMode::kMask;
  c.MoveTo(0, 0);
  c.LineTo(3, 0);
  EXPECT_EQ(c.Pixel(0, 0), RGB(255, 172, 173));
  EXPECT_EQ(c.Pixel(1, 0), RGB(0x0F, 0xF0 & 172, 0x3C & 173));
  EXPECT_EQ(c.Pixel(2, 0), kBlack);
}

TEST(Canvas, TwoPixelPenDrawsTwoPixelStrokes) {
  // Horizontal and vertical strokes are exactly two pixels thick, on the row (column) of the
  // line and the one above (left of) it, and reach the end point.
  Canvas h = WhiteCanvas(12, 8);
  h.pen().width = 2;
  h.MoveTo(2, 4);
  h.LineTo(8, 4);
  for (int x = 2; x <= 8; ++x) {
    EXPECT_NE(h.Pixel(x, 3), kWhite) << x;
    EXPECT_NE(h.Pixel(x, 4), kWhite) << x;
    EXPECT_EQ(h.Pixel(x, 2), kWhite) << x;
    EXPECT_EQ(h.Pixel(x, 5), kWhite) << x;
  }
  Canvas v = WhiteCanvas(8, 12);
  v.pen().width = 2;
  v.MoveTo(4, 2);
  v.LineTo(4, 8);
  for (int y = 2; y <= 8; ++y) {
    EXPECT_NE(v.Pixel(3, y), kWhite) << y;
    EXPECT_NE(v.Pixel(4, y), kWhite) << y;
    EXPECT_EQ(v.Pixel(5, y), kWhite) << y;
  }
  // A diagonal stroke has no holes: every column it crosses has two or three pixels.
  Canvas d = WhiteCanvas(20, 20);
  d.pen().width = 2;
  d.MoveTo(2, 2);
  d.LineTo(17, 12);
  for (int x = 3; x <= 16; ++x) {
    int n = 0;
    for (int y = 0; y < 20; ++y) n += d.Pixel(x, y) != kWhite;
    EXPECT_GE(n, 2) << x;
    EXPECT_LE(n, 3) << x;
  }
}

TEST(Canvas, DashDotPenLeavesGaps) {
  Canvas c = WhiteCanvas(60, 1);
  c.pen().style = PenStyle::kDashDot;
  c.MoveTo(0, 0);
  c.LineTo(60, 0);
  std::vector<bool> on;
  for (int x = 0; x < 60; ++x) on.push_back(c.Pixel(x, 0) != kWhite);
  EXPECT_TRUE(on[0]);
  // dash of 9, gap of 6, dot of 3, gap of 6, repeating
  for (int x = 0; x < 60; ++x) {
    const int p = x % 24;
    EXPECT_EQ(on[static_cast<size_t>(x)], p < 9 || (p >= 15 && p < 18)) << x;
  }
}

TEST(Canvas, TextIsDrawnInTheFontColourWithoutBackground) {
  Canvas c = WhiteCanvas(200, 60);
  c.font().height = 24;
  c.font().colour = kBlue;
  c.TextOut(10, 10, "2026");
  const Box b = InkBox(c, kBlue);
  ASSERT_GT(b.count, 20);
  // Only text colour and untouched background: no other colour appears.
  for (Colour p : c.Pixels()) EXPECT_TRUE(p == kWhite || p == kBlue);
  // Digits stand on the baseline inside the 24-pixel cell whose top-left is (10, 10).
  EXPECT_GE(b.x0, 10);
  EXPECT_LE(b.x1, 10 + c.TextWidth("2026"));
  EXPECT_GE(b.y0, 10);
  EXPECT_LE(b.y1, 10 + 24);
  EXPECT_EQ(c.TextHeight("2026"), 24);
}

// The table made at build time spares each run the font configuration; it must name the very
// faces fontconfig gives, or the pictures would change with it.
TEST(Canvas, BuildTableNamesTheFacesFontconfigGives) {
  for (const int weight : {400, 700}) {
    for (const bool italic : {false, true}) {
      Font f;
      f.weight = weight;
      f.italic = italic;
      std::string table_file, fc_file;
      int table_index = -1, fc_index = -1;
      EXPECT_EQ(FindFontFile(f, table_file, table_index), FontSource::kBuildTable) << weight << italic;
      EXPECT_EQ(FindFontFile(f, fc_file, fc_index, true), FontSource::kFontconfig);
      EXPECT_EQ(table_file, fc_file) << weight << italic;
      EXPECT_EQ(table_index, fc_index);
    }
  }
  Font unknown;
  unknown.name = "No Such Family";
  std::string file;
  int index = 0;
  EXPECT_NE(FindFontFile(unknown, file, index), FontSource::kBuildTable);
}

TEST(Canvas, TextWidthFollowsTextAndFontWidth) {
  Canvas c(10, 10);
  c.font().height = 16;
  const int one = c.TextWidth("8");
  EXPECT_GT(one, 3);
  EXPECT_EQ(c.TextWidth("88888888"), 8 * one);  // whole-pixel advances add up
  EXPECT_EQ(c.TextWidth(""), 0);
  // Same cell height, wider characters: the average width asks for a horizontal stretch.
  c.font().width = 16;
  EXPECT_GT(c.TextWidth("88888888"), 8 * one + 8);
  // Arial's metrics: at a 16-pixel cell the digits advance 8 pixels each.
  c.font().width = 0;
  EXPECT_EQ(c.TextWidth("0123456789"), 80);
}

TEST(Canvas, RotatedTextRunsUpAndRight) {
  Canvas c = WhiteCanvas(200, 200);
  c.font().height = 16;
  c.font().width = 8;
  c.font().escapement = 540;
  const int w = c.TextWidth("Mar.21");
  c.TextOut(50, 150, "Mar.21");
  const Box b = InkBox(c, kBlack);
  ASSERT_GT(b.count, 20);
  // The baseline rises at 54 degrees: the text spans about w cos 54 across and w sin 54 up.
  // The ink lies within the rotated 16-pixel cell, so the cell's height adds at most its part.
  EXPECT_GE(b.x1 - b.x0, w * 0.588 - 2);
  EXPECT_LE(b.x1 - b.x0, w * 0.588 + 16 * 0.809 + 2);
  EXPECT_GE(b.y1 - b.y0, w * 0.809 - 2);
  EXPECT_LE(b.y1 - b.y0, w * 0.809 + 16 * 0.588 + 2);
  EXPECT_LT(b.y0, 150 - w / 2);
  EXPECT_GE(b.x0, 50 - 2);
}

}  // namespace
}  // namespace sd::render
