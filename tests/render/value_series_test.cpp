#include "render/value_series.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "astro/moment.h"

namespace sd::render {
namespace {

constexpr Colour kPos = kGreen;
constexpr Colour kNeg = kRed;

TCorvDoubleList ListOf(const std::vector<double>& v) {
  TCorvDoubleList l;
  for (double x : v) l.Add(x);
  return l;
}

Canvas WhiteCanvas(int w, int h) {
  Canvas c(w, h);
  c.FillRect({0, 0, w - 1, h - 1}, kWhite);
  return c;
}

int CountColour(const Canvas& c, Colour colour) {
  int n = 0;
  for (Colour p : c.Pixels()) n += p == colour;
  return n;
}

TEST(TCorvDoubleList, InsertDeleteAndBounds) {
  TCorvDoubleList l = ListOf({1, 3});
  l.Insert(1, 2);
  l.Insert(0, 0);
  ASSERT_EQ(l.Count(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(l.Get(i), i);
  l.Delete(0);
  EXPECT_EQ(l.Get(0), 1);
  EXPECT_EQ(l.Count(), 3);
  EXPECT_THROW(l.Get(3), std::out_of_range);
  EXPECT_THROW(l.Get(-1), std::out_of_range);
  EXPECT_THROW(l.Insert(5, 1), std::out_of_range);
  EXPECT_THROW(l.Delete(3), std::out_of_range);
  l.Clear();
  EXPECT_EQ(l.Count(), 0);
}

TEST(TCorvDoubleList, MinMaxSkipsGaps) {
  struct Case {
    std::vector<double> values;
    double min, max;
  };
  const Case cases[] = {
      {{}, 1e300, -1e300},
      {{astro::NoValue, astro::NoValue}, 1e300, -1e300},
      {{astro::NoValue, 5, astro::NoValue}, 5, 5},
      {{3, astro::NoValue, -2, 7, astro::NoValue}, -2, 7},
      {{-4, -1, -9}, -9, -1},
      {{2, 2, 2}, 2, 2},
      // a value near NoValue is a value; only the exact marker is a gap
      {{9.999999e9, 1}, 1, 9.999999e9},
  };
  for (const Case& c : cases) {
    const auto r = ListOf(c.values).MinMax();
    EXPECT_EQ(r.min, c.min);
    EXPECT_EQ(r.max, c.max);
  }
}

TEST(TCorvDoubleList, SeriesWithoutSpreadDrawsNothing) {
  const std::vector<std::vector<double>> cases = {
      {}, {5}, {2, 2, 2}, {astro::NoValue, 4, astro::NoValue, 4}, {astro::NoValue}};
  for (const auto& v : cases) {
    Canvas c = WhiteCanvas(20, 20);
    ListOf(v).Draw(c, {0, 0, 19, 19}, kPos, kNeg);
    EXPECT_EQ(CountColour(c, kWhite), 400) << v.size() << " values";
  }
}

TEST(TCorvDoubleList, RisingSeriesSpansTheRectangle) {
  Canvas c = WhiteCanvas(600, 244);
  ListOf({1, 2, 3}).Draw(c, {0, 0, 599, 243}, kPos, kNeg);
  EXPECT_EQ(c.Pixel(0, 243), kPos);    // smallest value on the bottom edge
  EXPECT_EQ(c.Pixel(300, 121), kPos);  // middle point: 299.5 -> 300, -121.5 -> -122
  for (int y = 0; y < 244; ++y) {  // the joint is painted once, by the second segment
    if (y != 121) {
      EXPECT_EQ(c.Pixel(300, y), kWhite) << y;
    }
  }
  EXPECT_EQ(c.Pixel(599, 0), kWhite);  // a one-pixel line leaves its end point
  EXPECT_EQ(c.Pixel(598, 0), kPos);
  EXPECT_EQ(CountColour(c, kNeg), 0);
  EXPECT_EQ(CountColour(c, kPos), 599);  // one pixel per column but the last
}

TEST(TCorvDoubleList, SegmentColourFollowsTheDominantSign) {
  struct Case {
    double a, b;
    Colour expected;
  };
  const Case cases[] = {
      {1, 2, kPos},  {-1, -2, kNeg}, {-1, 2, kPos}, {-2, 1, kNeg}, {0, -1, kNeg},
      {-1, 0, kNeg}, {1, 0, kPos},   {-1, 1, kPos}, {1, -1, kNeg},  // equal sizes: the second decides
  };
  for (const Case& k : cases) {
    Canvas c = WhiteCanvas(10, 10);
    ListOf({k.a, k.b}).Draw(c, {0, 0, 9, 9}, kPos, kNeg);
    const int y = k.a < k.b ? 9 : 0;  // the first point: bottom when it is the smaller value
    EXPECT_EQ(c.Pixel(0, y), k.expected) << k.a << " -> " << k.b;
    EXPECT_EQ(CountColour(c, k.expected == kPos ? kNeg : kPos), 0) << k.a << " -> " << k.b;
  }
  // Two zeros have no spread, so nothing is drawn; with a third value the zero segment is positive.
  Canvas c = WhiteCanvas(11, 11);
  ListOf({0, 0, -10}).Draw(c, {0, 0, 10, 10}, kPos, kNeg);
  EXPECT_EQ(c.Pixel(0, 0), kPos);
  EXPECT_EQ(c.Pixel(5, 0), kNeg);
}

TEST(TCorvDoubleList, GapRemovesBothTouchingSegments) {
  // x = 0, 3, 6, 9 in a 10-wide rectangle; the gap at index 1 removes segments 0-1 and 1-2.
  Canvas c = WhiteCanvas(10, 10);
  ListOf({1, astro::NoValue, 2, 3}).Draw(c, {0, 0, 9, 9}, kPos, kNeg);
  for (int x = 0; x < 6; ++x)
    for (int y = 0; y < 10; ++y) EXPECT_EQ(c.Pixel(x, y), kWhite) << x << "," << y;
  // value 2 halfway between 1 and 3 (9 - 4.5, to even: 5): the gap is not in the range
  EXPECT_EQ(c.Pixel(6, 5), kPos);
}

TEST(TCorvDoubleList, AllNegativeScalesFromSmallestToLargest) {
  Canvas c = WhiteCanvas(10, 10);
  ListOf({-5, -1}).Draw(c, {0, 0, 9, 9}, kPos, kNeg);
  EXPECT_EQ(c.Pixel(0, 9), kNeg);
  EXPECT_EQ(c.Pixel(8, 1), kNeg);
  EXPECT_EQ(CountColour(c, kPos), 0);
}

TEST(SubRect, PlacesPercentAreas) {
  const Rect frame{1, 1, 100, 100}, pixels{0, 0, 599, 349};
  struct Case {
    Rect part, expected;
  };
  const Case cases[] = {
      {{1, 1, 100, 70}, {0, 0, 599, 243}},
      {{1, 70, 100, 100}, {0, 243, 599, 349}},
      {{100, 100, 1, 1}, {0, 0, 599, 349}},  // reversed corners come back ordered
      {{50, 50, 50, 50}, {296, 173, 296, 173}},
  };
  for (const Case& k : cases) EXPECT_EQ(SubRect(frame, k.part, pixels), k.expected);
  // A frame without extent maps everything onto the first pixel edge.
  EXPECT_EQ(SubRect({5, 5, 5, 5}, {1, 1, 9, 9}, pixels), (Rect{0, 0, 0, 0}));
}

}  // namespace
}  // namespace sd::render
