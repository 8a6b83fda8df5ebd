#include "forecast/grid.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "astro/calendar.h"
#include "astro/chart.h"

namespace sd::forecast {
namespace {

// Hours since midnight UT of the moment's civil date.
double UtHours(astro::ChartMoment t) { return astro::DateFromMoment(t).hours; }

TEST(ForecastGrid, StartsAtLocalMidnightAsUniversalTime) {
  struct Case { double zone; int y, m, d; double hours; };
  const Case cases[] = {
      {-5.0, 2026, 3, 20, 5.0},   // EST: 05:00 UT the same day
      {9.3, 2026, 3, 19, 14.5},   // ACST 9 h 30: 14:30 UT the day before
      {0.0, 2026, 3, 20, 0.0},
      {-10.3, 2026, 3, 20, 10.5},  // HST -10 h 30
  };
  for (const Case& c : cases) {
    const ForecastGrid g = MakeForecastGrid(2026, 3, 20, kForecastSpan, c.zone, kForecastStep);
    const astro::CivilDate d = astro::DateFromMoment(g.Start);
    EXPECT_EQ(d.year, c.y) << c.zone;
    EXPECT_EQ(d.month, c.m) << c.zone;
    EXPECT_EQ(d.day, c.d) << c.zone;
    EXPECT_NEAR(d.hours, c.hours, 1e-6) << c.zone;
  }
}

TEST(ForecastGrid, FortyOneMomentsHalfADayApartOverTwentyDays) {
  const ForecastGrid g = MakeForecastGrid(2026, 3, 20, kForecastSpan, -5.0, kForecastStep);
  ASSERT_EQ(g.N, 40);
  EXPECT_EQ(g.At(0), g.Start);
  EXPECT_EQ(g.At(40), g.End);
  for (int i = 1; i <= g.N; ++i)
    EXPECT_NEAR((g.At(i) - g.At(i - 1)) / astro::DayInCenturies, 0.5, 1e-9) << i;
  // The last moment is local midnight twenty days later: 05:00 UT on 9 April.
  const astro::CivilDate last = astro::DateFromMoment(g.At(40));
  EXPECT_EQ(last.month, 4);
  EXPECT_EQ(last.day, 9);
  EXPECT_NEAR(UtHours(g.At(40)), 5.0, 1e-6);
}

// Far from 1900 a moment keeps fewer bits of the day, and End - Start may come out a hair
// short of twenty days: the count must still be 40 and the moments half a day apart, over every
// date the program accepts.
TEST(ForecastGrid, FortyOneMomentsOverTheWholeRangeOfDates) {
  int checked = 0;
  for (int year = 1; year <= 9999; year += 7) {
    for (double zone : {-12.0, -5.0, 0.0, 5.3, 9.3, 14.0}) {
      for (int month : {1, 3, 12}) {
        const ForecastGrid g = MakeForecastGrid(year, month, 20, kForecastSpan, zone, kForecastStep);
        ASSERT_EQ(g.N, 40) << year << "-" << month << " zone " << zone;
        for (int i = 1; i <= g.N; ++i)
          ASSERT_NEAR((g.At(i) - g.At(i - 1)) / astro::DayInCenturies, 0.5, 1e-6)
              << year << " zone " << zone << " i " << i;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 20000);
  // The date of the audit: 2301-03-20 gave 40 rows 12:18 apart.
  EXPECT_EQ(MakeForecastGrid(2301, 3, 20, kForecastSpan, -5.0, kForecastStep).N, 40);
}

TEST(ForecastGrid, DegenerateStepsGiveNoEndlessGrid) {
  EXPECT_EQ(MakeForecastGrid(2026, 3, 20, kForecastSpan, 0, 0.0).N, -1);
  EXPECT_EQ(MakeForecastGrid(2026, 3, 20, kForecastSpan, 0, NAN).N, -1);
  EXPECT_EQ(MakeForecastGrid(2026, 3, 20, kForecastSpan, 0, 1e-300).N, -1);
  // A step longer than the span: the start alone.
  const ForecastGrid one = MakeForecastGrid(2026, 3, 20, kForecastSpan, 0, 2 * kForecastSpan);
  EXPECT_EQ(one.N, 0);
  EXPECT_EQ(one.At(0), one.Start);
  // Steps that do not divide the span still truncate: 2.5 intervals are 2.
  EXPECT_EQ(MakeForecastGrid(2026, 3, 20, kForecastSpan, 0, kForecastSpan / 2.5).N, 2);
  // A negative span counts down: truncation towards zero.
  EXPECT_EQ(MakeForecastGrid(2026, 3, 20, -kForecastSpan, 0, kForecastStep).N, -40);
}

}  // namespace
}  // namespace sd::forecast
