#include "render/date_axis.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "astro/calendar.h"

namespace sd::render {
namespace {

const Rect kAxis{0, 243, 599, 349};

// Universal moment of local midnight of a day in a zone (decimal hours east).
astro::ChartMoment LocalMidnight(int y, int m, int d, double zone) {
  return astro::MomentFromDate(y, m, d, 0.0) - zone * astro::DayInCenturies / 24;
}

AxisLayout Layout(int y, int m, int d, double days, double zone = 0, int dpi = 96, const Rect& r = kAxis) {
  const astro::ChartMoment start = LocalMidnight(y, m, d, zone);
  return LayoutDateAxis(r, dpi, nullptr, zone, start + days * astro::DayInCenturies, start);
}

// Labels from left to right.
std::vector<std::string> Labels(const AxisLayout& l) {
  std::vector<std::string> out;
  for (auto it = l.columns.rbegin(); it != l.columns.rend(); ++it)
    if (!it->label.empty()) out.push_back(it->label);
  return out;
}

int ColumnOf(const AxisLayout& l, const std::string& label) {
  for (const AxisColumn& c : l.columns)
    if (c.label == label) return c.x;
  return -1;
}

bool NonTrading(const AxisLayout& l, int x) {
  for (const AxisColumn& c : l.columns)
    if (c.x == x) return c.non_trading;
  return false;
}

TEST(AxisScaleCode, ChoosesTheScaleByDaysPerThreePixels) {
  struct Case {
    double days;      // a boundary of the table
    int below, from;  // the code just below it and from it on
  };
  const Case cases[] = {
      {1e-6, 110, 100}, {5e-6, 100, 91}, {1e-5, 91, 92}, {2e-4, 92, 93}, {0.002, 7, 71},
      {0.0032, 71, 72}, {0.012, 72, 6}, {0.05, 6, 51},   {0.12, 51, 5},  {0.3, 5, 4},
      {0.8, 4, 31},     {1.4, 31, 3},   {2.6, 3, 2},     {19, 2, 1},     {300, 1, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AxisScaleCode(c.days * (1 - 1e-9) * astro::DayInCenturies), c.below) << c.days;
    EXPECT_EQ(AxisScaleCode(c.days * (1 + 1e-9) * astro::DayInCenturies), c.from) << c.days;
  }
  // 5e-4 itself still belongs to the finer scale.
  EXPECT_EQ(AxisScaleCode(5e-4 * (1 - 1e-9) * astro::DayInCenturies), 93);
  EXPECT_EQ(AxisScaleCode(5e-4 * (1 + 1e-9) * astro::DayInCenturies), 7);
}

TEST(AxisScaleCode, ForecastAxisScaleDependsOnResolution) {
  struct Case {
    int dpi, code;
  };
  for (const Case c : {Case{96, 51}, Case{115, 51}, Case{116, 5}, Case{287, 5}, Case{288, 4}, Case{760, 4}})
    EXPECT_EQ(Layout(2026, 3, 20, 20, 0, c.dpi).code, c.code) << c.dpi;
}

TEST(IsNonTradingDay, WeekendsOnly) {
  struct Case {
    int y, m, d;
    bool expected;
  };
  const Case cases[] = {
      {2026, 3, 20, false}, {2026, 3, 21, true},   {2026, 3, 22, true},    {2026, 3, 23, false},
      {2000, 1, 1, true},   {1999, 12, 31, false}, {1582, 10, 4, false},   // Thursday, Julian
      {1582, 10, 15, false},                                             // Friday, Gregorian
      {1582, 10, 16, true}, {2026, 12, 25, false},                        // no holidays are kept
  };
  for (const Case& c : cases) EXPECT_EQ(IsNonTradingDay(c.y, c.m, c.d), c.expected) << c.y << "-" << c.m << "-" << c.d;
}

TEST(AxisLabelAt, LabelsAndKindsByScale) {
  struct Case {
    int code;
    int y, mo, d;
    double hours;     // local clock of the column
    double step_days; // time one column covers
    std::string label;
    LabelKinds kinds;
  };
  const double kMinute = 1.0 / 1440;
  const Case cases[] = {
      // year scales: kind 0 whatever happens
      {0, 2000, 1, 1, 1, 1, "2000", kKindYear},
      {0, 2001, 1, 1, 1, 5 * 365.25, "2000", kKindYear},  // jumped over 2000: the hundred, rounded down
      {0, 2050, 1, 1, 1, 1, "**", kKindYear},
      {0, 2051, 1, 1, 1, 1, "", kKindYear},
      {0, -100, 6, 1, 1, 365.25, "100 BC", kKindYear},
      {0, -90, 6, 1, 1, 40 * 365.25, "100 BC", kKindYear},
      {1, 2030, 1, 1, 1, 1, "2030", kKindYear},
      {1, 2035, 1, 1, 1, 1, "**", kKindYear},
      {1, 2031, 1, 1, 1, 1, "*", kKindYear},
      {1, 2031, 6, 1, 1, 1, "", kKindYear},
      {2, 2027, 1, 1, 1, 1, "2027", kKindYear},
      {2, 2026, 4, 1, 1, 1, "*", kKindYear},
      // month scales
      {3, 2026, 4, 1, 1, 1, "Apr", kKindDay},
      {3, 2026, 4, 9, 1, 1, "", kKindDay},
      {3, 2027, 1, 1, 1, 1, "2027", kKindYear},
      {31, 2026, 4, 1, 1, 1, "Apr", kKindDay | kKindMonth},
      {31, 2026, 4, 10, 1, 1, "**", 0},
      {31, 2026, 4, 11, 1, 1, "", 0},
      {4, 2026, 4, 20, 1, 1, "**", kKindDay | kKindMonth},
      {4, 2026, 4, 11, 1, 1, "*", 0},
      {5, 2026, 3, 10, 1, 1, "03.10", kKindDay | kKindMonth},
      {5, 2026, 3, 11, 1, 1, "*", 0},
      {5, 2026, 3, 1, 1, 1, "Mar", kKindDay | kKindMonth},
      // day scales
      {51, 2026, 3, 21, 0.5, 0.05, "Mar.21", kKindDay | kKindMonth},
      {51, 2026, 3, 22, 0.5, 0.05, "*", 0},
      {51, 2026, 4, 1, 0.5, 0.05, "Apr", 0},
      {51, 2026, 4, 2, 12, 0.05, "", 0},
      {51, 2027, 1, 1, 0.5, 0.05, "2027", kKindYear},
      {6, 2026, 3, 4, 0.5, 0.05, "Mar.04", kKindDay | kKindMonth},
      {6, 2026, 4, 1, 0.5, 0.05, "Apr.01", kKindDay | kKindMonth},
      // hour scales, with the 12-hour clock
      {72, 2026, 3, 3, 0.1, 0.01, "03.03", kKindDay | kKindMonth},
      {72, 2026, 3, 2, 6.1, 0.01, "06:00 AM", 0},
      {72, 2026, 3, 2, 12.1, 0.01, "12:00 PM", 0},
      {72, 2026, 3, 2, 18.1, 0.01, "06:00 PM", 0},
      {72, 2026, 3, 2, 13.1, 0.01, "*", 0},
      {71, 2026, 3, 2, 2.02, 0.002, "02:00 AM", 0},
      {71, 2026, 3, 2, 3.02, 0.002, "*", 0},
      {7, 2026, 3, 2, 1.005, 0.5 * kMinute, "01:00 AM", 0},
      {7, 2026, 3, 2, 10 + 10.5 / 60, kMinute, "**", 0},
      {7, 2026, 3, 2, 10 + 12.5 / 60, kMinute, "", 0},
      {93, 2026, 3, 2, 0.5 + 0.5 / 60, kMinute, "12:30 AM", 0},
      {93, 2026, 3, 2, 10 + 31.5 / 60, kMinute, "*", 0},
      {92, 2026, 3, 2, 10 + 35.5 / 60, kMinute, "10:35 AM", 0},
      {92, 2026, 3, 2, 10 + 31.5 / 60, kMinute, "*", 0},
      {91, 2026, 3, 2, 14 + 31.5 / 60, kMinute, "02:31 PM", 0},
      {100, 2026, 3, 2, 14 + 31.5 / 60, kMinute, "02:31 PM", 0},
      {110, 2026, 3, 2, 14 + 31.0 / 60 + 10.5 / 3600, 1.0 / 86400, "*", 0},
      {110, 2026, 3, 2, 14 + 31.0 / 60 + 12.5 / 3600, 1.0 / 86400, "", 0},
  };
  for (const Case& c : cases) {
    LabelKinds kinds = 0;
    bool w = true;
    std::string label = "stale";
    const double step = c.step_days * astro::DayInCenturies;
    AxisLabelAt(c.code, kinds, w, label, step, astro::MomentFromDate(c.y, c.mo, c.d, c.hours));
    EXPECT_EQ(label, c.label) << "code " << c.code << " at " << c.y << "-" << c.mo << "-" << c.d << " " << c.hours;
    EXPECT_EQ(kinds, c.kinds) << "code " << c.code << " at " << c.y << "-" << c.mo << "-" << c.d << " " << c.hours;
  }
}

TEST(AxisLabelAt, ReportsNonTradingDaysOfPositiveYearsOnly) {
  struct Case {
    int y, m, d;
    bool expected;
  };
  for (const Case c : {Case{2026, 3, 21, true}, Case{2026, 3, 23, false}, Case{-10, 3, 3, false}}) {
    LabelKinds kinds = 0;
    bool w = !c.expected;
    std::string label;
    AxisLabelAt(51, kinds, w, label, 0.05 * astro::DayInCenturies, astro::MomentFromDate(c.y, c.m, c.d, 12));
    EXPECT_EQ(w, c.expected) << c.y << "-" << c.m << "-" << c.d;
  }
}

TEST(AxisCaption, NamesWhatTheLabelsDoNot) {
  struct Case {
    LabelKinds kinds;
    int month;
    std::string expected;
  };
  const Case cases[] = {
      {kKindDay, 3, "2026"},
      {kKindDay | kKindMonth, 3, "2026"},
      {kKindMonth, 2, "Febr. 2026"},
      {0, 3, "2 Mar. 2026"},
      {0, 5, "2 May 2026"},
      {kKindYear, 3, ""},
      {kKindYear | kKindDay | kKindMonth, 3, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(AxisCaption(c.kinds, 2026, c.month, 2), c.expected) << c.kinds;
}

TEST(LayoutDateAxis, TwentyDaysFromMarch20) {
  const AxisLayout l = Layout(2026, 3, 20, 20);
  EXPECT_EQ(l.code, 51);
  EXPECT_EQ(l.font_unit, 8);
  const std::vector<std::string> expected = {"*",      "Mar.21", "*",      "Mar.23", "*",      "Mar.25", "*",
                                             "Mar.27", "*",      "Mar.29", "*",      "Mar.31", "Apr",    "*",
                                             "Apr.03", "*",      "Apr.05", "*",      "Apr.07", "*"};
  std::vector<std::string> labels = Labels(l);
  ASSERT_GE(labels.size(), expected.size());
  labels.resize(expected.size());
  EXPECT_EQ(labels, expected);
  EXPECT_EQ(ColumnOf(l, "Apr"), 360);  // 12 of 20 days across 599 columns: 359.4, the next column
  EXPECT_EQ(ColumnOf(l, "Mar.21"), 30);
  EXPECT_EQ(l.kinds, kKindDay | kKindMonth);
  EXPECT_EQ(l.caption, "2026");
  // Saturday 21 and Sunday 22 March cover columns 30 to 89.
  EXPECT_FALSE(NonTrading(l, 29));
  EXPECT_TRUE(NonTrading(l, 30));
  EXPECT_TRUE(NonTrading(l, 89));
  EXPECT_FALSE(NonTrading(l, 90));
}

TEST(LayoutDateAxis, LabelsFollowTheLocalDayInEveryZone) {
  const AxisLayout utc = Layout(2026, 3, 20, 20, 0);
  for (double zone : {-5.0, 9.5, 3.0}) {
    const AxisLayout local = Layout(2026, 3, 20, 20, zone);
    EXPECT_EQ(ColumnOf(local, "Apr"), ColumnOf(utc, "Apr")) << zone;
    EXPECT_EQ(ColumnOf(local, "Mar.21"), 30) << zone;
    EXPECT_TRUE(NonTrading(local, 30)) << zone;
    EXPECT_FALSE(NonTrading(local, 29)) << zone;
  }
}

TEST(LayoutDateAxis, NewYearNamesTheYearAndDropsTheCaption) {
  const AxisLayout l = Layout(2026, 12, 20, 20);
  EXPECT_EQ(ColumnOf(l, "2027"), 360);
  EXPECT_EQ(ColumnOf(l, "Dec.21"), 30);
  EXPECT_EQ(l.caption, "");
}

TEST(LayoutDateAxis, CaptionByScale) {
  struct Case {
    int y, m, d;
    double days;
    std::string caption;
  };
  const Case cases[] = {
      {2026, 3, 2, 60, "2026"},                  // code 4
      {2026, 2, 2, 200, "2026"},                 // code 31: month labels
      {2026, 2, 2, 300, "2026"},                 // code 3
      {2026, 1, 2, 3000, ""},                    // year scales
      {2026, 2, 2, 600, ""},                     // crosses New Year
  };
  for (const Case& c : cases) EXPECT_EQ(Layout(c.y, c.m, c.d, c.days).caption, c.caption) << c.days;
  // Ten minutes from 10:00: hour and minute labels only, so the caption gives the whole date.
  const astro::ChartMoment start = astro::MomentFromDate(2026, 3, 2, 10.0);
  const AxisLayout minutes =
      LayoutDateAxis(kAxis, 96, nullptr, 0, start + 10 * astro::DayInCenturies / 1440, start);
  EXPECT_EQ(minutes.code, 92);
  EXPECT_EQ(ColumnOf(minutes, "10:00 AM"), 0);
  EXPECT_EQ(minutes.caption, "2 Mar. 2026");
}

// Drawing ---------------------------------------------------------------------------------

Canvas DrawAxis(int y, int m, int d, double days, const Rect& r = kAxis) {
  Canvas c(600, 350);
  c.FillRect({0, 0, 599, 349}, kWhite);
  const astro::ChartMoment start = LocalMidnight(y, m, d, 0);
  DrawDateAxis(c, r, "Arial", nullptr, true, nullptr, 0, start + days * astro::DayInCenturies, start);
  return c;
}

int CountColour(const Canvas& c, Colour colour) {
  int n = 0;
  for (Colour p : c.Pixels()) n += p == colour;
  return n;
}

TEST(DrawDateAxis, NonTradingMarksOnlyAtDayScales) {
  struct Case {
    double days;
    int code;
    bool marks;
  };
  const Case cases[] = {{5, 6, true},    {20, 51, true},  {40, 5, true},
                        {100, 4, true},  {200, 31, false}, {1, 72, false}};
  for (const Case& k : cases) {
    ASSERT_EQ(Layout(2026, 3, 21, k.days).code, k.code) << k.days;  // starts on a Saturday
    const Canvas c = DrawAxis(2026, 3, 21, k.days);
    EXPECT_EQ(CountColour(c, kNonTradingMarkColour) > 0, k.marks) << "code " << k.code;
  }
}

TEST(DrawDateAxis, BaseLineTicksAndMarks) {
  const Canvas c = DrawAxis(2026, 3, 20, 20);
  const int top = kAxis.top;
  // The base line stops short of its end point, as every line-to does; ticks start on it.
  for (int x = 0; x < 599; ++x) ASSERT_NE(c.Pixel(x, top), kWhite) << x;
  EXPECT_EQ(c.Pixel(45, top), kBlack);
  // A Saturday column without a tick: the mask mark covers 7 rows under the base line.
  for (int y = top + 1; y <= top + 7; ++y) EXPECT_EQ(c.Pixel(45, y), kNonTradingMarkColour) << y;
  EXPECT_EQ(c.Pixel(45, top + 8), kWhite);
  EXPECT_EQ(c.Pixel(75, top + 1), kNonTradingMarkColour);   // Sunday
  EXPECT_EQ(c.Pixel(105, top + 1), kWhite);                 // Monday
  // A small tick (Tuesday 24 March, column 120) is 5 pixels long, base line included.
  for (int y = top + 1; y <= top + 4; ++y) EXPECT_NE(c.Pixel(120, y), kWhite) << y;
  EXPECT_EQ(c.Pixel(120, top + 5), kWhite);
  // A labelled tick (Wednesday 25 March, column 150) is red and 13 pixels long.
  for (int y = top + 1; y <= top + 12; ++y) EXPECT_EQ(c.Pixel(150, y), kRed) << y;
  EXPECT_EQ(c.Pixel(150, top + 13), kWhite);
  // Nothing is drawn above the axis.
  for (int y = 0; y < top; ++y)
    for (int x = 0; x < 600; ++x) ASSERT_EQ(c.Pixel(x, y), kWhite) << x << "," << y;
}

TEST(DrawDateAxis, LabelsAndCaptionLieInTheAxisArea) {
  const Canvas c = DrawAxis(2026, 3, 20, 20);
  int x0 = 600, x1 = -1, y0 = 350, y1 = -1, black_below = 0;
  for (int y = 0; y < 350; ++y)
    for (int x = 0; x < 600; ++x) {
      const Colour p = c.Pixel(x, y);
      if (p == kBlue) x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
      if (p == kBlack && y > kAxis.top + 14) ++black_below;
    }
  ASSERT_GE(x1, 0) << "no caption";
  EXPECT_NEAR((x0 + x1) / 2.0, 300, 4);  // centred
  EXPECT_LE(y1, 349);
  EXPECT_GE(y0, 349 - 24);
  EXPECT_GT(black_below, 300);  // the rotated labels
  // Only the axis colours appear.
  for (Colour p : c.Pixels())
    ASSERT_TRUE(p == kWhite || p == kBlack || p == kRed || p == kBlue || p == kNonTradingMarkColour) << p;
}

TEST(DrawDateAxis, ZeroWidthRectangleDrawsNothing) {
  const Canvas c = DrawAxis(2026, 3, 20, 20, Rect{300, 243, 300, 349});
  EXPECT_EQ(CountColour(c, kWhite), 600 * 350);
}

TEST(DrawDateAxis, AreaReachingOutsideTheRasterIsClipped) {
  // Labels, marks and caption of an axis larger than the raster fall partly outside it.
  const Canvas c = DrawAxis(2026, 3, 20, 20, Rect{-50, 300, 700, 600});
  for (int x = 0; x < 600; ++x) ASSERT_NE(c.Pixel(x, 300), kWhite) << x;
  EXPECT_GT(CountColour(c, kNonTradingMarkColour), 0);
  for (int y = 0; y < 300; ++y) ASSERT_EQ(c.Pixel(100, y), kWhite) << y;
}

TEST(DrawDateAxis, GridLinesAtLabelledColumns) {
  Canvas c(600, 350);
  c.FillRect({0, 0, 599, 349}, kWhite);
  const astro::ChartMoment start = LocalMidnight(2026, 3, 20, 0);
  const Rect grid{0, 0, 599, 242};
  DrawDateAxis(c, kAxis, "Arial", nullptr, false, &grid, 0, start + 20 * astro::DayInCenturies, start);
  EXPECT_EQ(c.Pixel(150, 242), kGridColour);  // dash-dot from the bottom up: the first dash
  EXPECT_EQ(c.Pixel(120, 242), kWhite);       // small ticks get no grid line
  EXPECT_EQ(CountColour(c, kBlue), 0);        // no caption without the flag
}

}  // namespace
}  // namespace sd::render
