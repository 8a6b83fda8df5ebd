// Time cycles, thresholds, calendar and void-of-course events scored by the forecast run itself.
// Expected values come from the calendar (std::chrono), Julian Days and the transit charts of the
// grid moments, not from the code under test.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "astro/calendar.h"
#include "astro/chart_data.h"
#include "one_event_forecast.h"

namespace sd {
namespace {

using testing::OneEventForecast;

constexpr double kEst = -5.0;  // packed hours east
constexpr double kAcst = 9.3;  // 9 h 30 min

// ISO weekday (1 Monday .. 7 Sunday), day and month of the local date `days` after y-m-d.
struct Day {
  unsigned weekday, day, month;
};
Day LocalDay(int y, unsigned m, unsigned d, int offset) {
  namespace c = std::chrono;
  const c::sys_days date = c::sys_days{c::year{y} / c::month{m} / c::day{d}} + c::days{offset};
  const c::year_month_day ymd{date};
  return {c::weekday{date}.iso_encoding(), static_cast<unsigned>(ymd.day()),
          static_cast<unsigned>(ymd.month())};
}

// Days since 1900 January 1, 0h UT (Julian Day 2415020.5).
double DaysSince1900(astro::ChartMoment t) { return astro::JulianDay(t) - 2415020.5; }

std::string Real(double x) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.12g", x);
  return buf;
}

TEST(CyclesForecast, ThirtyDayCycleIsTheRaisedCosineOfItsPhase) {
  OneEventForecast f;
  // Orb 180 takes in every phase: the strength (cos(pi d / 180) + 1) / 2 with d = -phase is
  // (1 + cos phase) / 2.
  const forecast::ForecastValues v = f.Run(
      "[Cycle]\n_H=Cycle\n_T=40\nWEIGHT=2\nINTERACT_1=30\nINTERACT_2=0\nINTERACT_3=180\nINTERACT_4=0\n", 2026, 3,
      20, kEst);
  ASSERT_EQ(v.Values.size(), 41u);
  for (size_t i = 0; i < v.Values.size(); ++i) {
    const double phase = 2 * astro::kPi * DaysSince1900(v.Moments[i]) / 30;
    EXPECT_NEAR(v.Values[i], 2 * (1 + std::cos(phase)) / 2, 1e-5) << i;
  }
}

TEST(CyclesForecast, CycleInPhaseOnlyNearItsTarget) {
  OneEventForecast f;
  const forecast::ForecastValues v = f.Run(
      "[Cycle]\n_H=Cycle\n_T=40\nWEIGHT=1\nINTERACT_1=30\nINTERACT_2=90\nINTERACT_3=10\n", 2026, 3, 20, kEst);
  int in_phase = 0;
  for (size_t i = 0; i < v.Values.size(); ++i) {
    const double day_in_cycle = std::fmod(DaysSince1900(v.Moments[i]), 30.0);
    const double d = 90 - day_in_cycle * 12;  // twelve degrees a day
    const double want = std::fabs(d) <= 10 ? (std::cos(astro::kPi * d / 10) + 1) / 2 : 0.0;
    EXPECT_NEAR(v.Values[i], want, 1e-5) << i;
    in_phase += std::fabs(d) < 10;
  }
  // Twenty days take in one window of 1.67 days: three or four grid moments.
  EXPECT_GE(in_phase, 3);
  EXPECT_LE(in_phase, 4);
}

TEST(CyclesForecast, ThresholdAndYearsSinceTheFirstTradeAreSteps) {
  OneEventForecast f;
  // Grid moment i is local midnight (i even) or noon of 2026-03-20 + i/2 days; thresholds at
  // 06:00 local fall between moments.
  const astro::ChartMoment mar25 = astro::MomentFromDate(2026, 3, 25, 11.0);  // 06:00 EST
  const astro::ChartMoment mar30 = astro::MomentFromDate(2026, 3, 30, 11.0);
  const astro::ChartMoment apr4 = astro::MomentFromDate(2026, 4, 4, 11.0);

  const forecast::ForecastValues after =
      f.Run("[Step]\n_H=Step\n_T=39\nWEIGHT=3\nIMPORTANT_T1=1\nIMPORTANT_T2=" + Real(mar30.Centuries) + "\n",
            2026, 3, 20, kEst);
  const forecast::ForecastValues until =
      f.Run("[Step]\n_H=Step\n_T=39\nWEIGHT=3\nIMPORTANT_T1=0\nIMPORTANT_T2=" + Real(mar30.Centuries) + "\n",
            2026, 3, 20, kEst);
  for (int i = 0; i <= 40; ++i) {
    EXPECT_EQ(after.Values[i], i > 20 ? 3.0 : 0.0) << i;
    EXPECT_EQ(until.Values[i], i > 20 ? 0.0 : 3.0) << i;
  }

  const astro::ChartMoment natal = f.Natal().Moment;
  const double year = 365.24219879 * astro::DayInCenturies;
  const std::string y1 = Real((mar25 - natal) / year), y2 = Real((apr4 - natal) / year);
  const forecast::ForecastValues between =
      f.Run("[Years]\n_H=Years\n_T=29\nWEIGHT=-1\nTST1=2\nTST2=" + y1 + "\nTST3=" + y2 + "\n", 2026, 3, 20, kEst);
  const forecast::ForecastValues later = f.Run("[Years]\n_H=Years\n_T=29\nWEIGHT=1\nTST1=1\nTST2=" + y1 + "\n", 2026, 3, 20, kEst);
  for (int i = 0; i <= 40; ++i) {
    EXPECT_EQ(between.Values[i], i > 10 && i <= 30 ? -1.0 : 0.0) << i;
    EXPECT_EQ(later.Values[i], i > 10 ? 1.0 : 0.0) << i;
  }
}

// The calendar is the request's own: in New York and in Adelaide the weekend covers the same
// four grid moments of the local calendar, although those are different moments of time.
TEST(CyclesForecast, WeekendAndClockWindowOnTheRequestsLocalDays) {
  OneEventForecast f;
  for (double zone : {kEst, kAcst}) {
    const forecast::ForecastValues weekend = f.Run("[Weekend]\n_H=Weekend\n_T=14\nWEIGHT=1\nDAY1=0\nDAY2=6,7\n", 2026, 3, 20, zone);
    const forecast::ForecastValues first_hour = f.Run("[Midnight]\n_H=Midnight\n_T=14\nWEIGHT=1\nDAY1=3\n", 2026, 3, 20, zone);
    ASSERT_EQ(weekend.Values.size(), 41u);
    int weekend_moments = 0;
    for (int i = 0; i <= 40; ++i) {
      const unsigned wd = LocalDay(2026, 3, 20, i / 2).weekday;
      const double want = (wd == 6 || wd == 7) ? 1.0 : 0.0;
      EXPECT_EQ(weekend.Values[i], want) << zone << " moment " << i;
      weekend_moments += want > 0;
      EXPECT_EQ(first_hour.Values[i], i % 2 == 0 ? 1.0 : 0.0) << zone << " moment " << i;
    }
    EXPECT_EQ(weekend_moments, 12);  // three weekends, two days, two moments a day
  }
}

TEST(CyclesForecast, MonthStartAndDayOfMonth) {
  OneEventForecast f;
  const forecast::ForecastValues start = f.Run("[April]\n_H=April\n_T=14\n_CM=1\nWEIGHT=1\nDAY1=2\nDAY4=4\n", 2026, 3, 20, kAcst);
  const forecast::ForecastValues days = f.Run("[Days]\n_H=Days\n_T=14\nWEIGHT=1\nDAY1=1\nDAY3=31,1\n", 2026, 3, 20, kAcst);
  for (int i = 0; i <= 40; ++i) {
    const Day d = LocalDay(2026, 3, 20, i / 2);
    EXPECT_EQ(start.Values[i], d.month == 4 && d.day == 1 && i % 2 == 0 ? 1.0 : 0.0) << i;
    EXPECT_EQ(days.Values[i], d.day == 31 || d.day == 1 ? 1.0 : 0.0) << i;
  }
}

// On the forecast grid the moment after t is t itself: the Moon and the aspect points stand still,
// and a point perfects when it lies within 30 degrees of the Moon at a degree of its sign not
// below the Moon's.
bool StillMoonIsVoid(const astro::ChartData& c, std::initializer_list<int> objects, std::initializer_list<double> angles) {
  const double moon = c.Object[astro::kLongitude][astro::kMoon];
  for (int n : objects) {
    for (double a : angles) {
      const double p = std::fmod(c.Object[astro::kLongitude][n] + a + 720.0, 360.0);
      const double apart = std::fabs(std::remainder(p - moon, 360.0));
      if (apart <= 30 && std::fmod(p, 30.0) >= std::fmod(moon, 30.0)) return false;
    }
  }
  return true;
}

TEST(CyclesForecast, VoidOfCourseMoonFromTheTransitCharts) {
  OneEventForecast f;
  const forecast::ForecastValues v =
      f.Run("[Void]\n_H=Void\n_T=15\nWEIGHT=-1\nVC0=1\nVC1=0,6\nVC2=1,5\n", 2026, 3, 20, kEst);
  int void_moments = 0;
  for (size_t i = 0; i < v.Values.size(); ++i) {
    const bool want = StillMoonIsVoid(f.TransitAt(v.Moments[i]), {astro::kSun, astro::kSaturn}, {0, 180});
    EXPECT_EQ(v.Values[i], want ? -1.0 : 0.0) << i;
    void_moments += want;
  }
  // Both outcomes occur, so the comparison tells them apart.
  EXPECT_GT(void_moments, 0);
  EXPECT_LT(void_moments, 41);
}

// ---- the shipped model's events of these kinds ------------------------------------------

std::string ShippedEvent(const std::string& name) {
  std::ifstream in(std::string(STOCKDYN_SOURCE_DIR) + "/assets/stock.hyp", std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  const std::string text = all.str();
  const size_t at = text.find("[" + name + "]");
  if (at == std::string::npos) return {};
  const size_t end = text.find("\n[", at);
  return text.substr(at, end == std::string::npos ? std::string::npos : end - at + 1);
}

TEST(ShippedCycles, CalendarEvents) {
  OneEventForecast f;
  const std::string monday = ShippedEvent("MondayEffect"), turn = ShippedEvent("TurnOfMonth"),
                    october = ShippedEvent("OctoberMonth");
  ASSERT_FALSE(monday.empty());
  ASSERT_FALSE(turn.empty());
  ASSERT_FALSE(october.empty());
  const forecast::ForecastValues mondays = f.Run(monday, 2026, 3, 20, kEst);
  const forecast::ForecastValues turns = f.Run(turn, 2026, 3, 20, kEst);
  const forecast::ForecastValues octobers = f.Run(october, 2026, 9, 25, kEst);
  for (int i = 0; i <= 40; ++i) {
    const Day d = LocalDay(2026, 3, 20, i / 2);
    EXPECT_EQ(mondays.Values[i], d.weekday == 1 ? -0.25 : 0.0) << i;
    const bool turn_day = d.day <= 3 || d.day >= 28;
    EXPECT_EQ(turns.Values[i], turn_day ? 0.25 : 0.0) << i;
    EXPECT_EQ(octobers.Values[i], LocalDay(2026, 9, 25, i / 2).month == 10 ? -0.25 : 0.0) << i;
  }
}

TEST(ShippedCycles, QuarterlyCyclePeaksAtTheCycleStart) {
  OneEventForecast f;
  const std::string text = ShippedEvent("QuarterlyCycle");
  ASSERT_FALSE(text.empty());
  const forecast::ForecastValues v = f.Run(text, 2026, 3, 20, kEst);
  size_t peak = 0;
  for (size_t i = 0; i < v.Values.size(); ++i) {
    const double days = DaysSince1900(v.Moments[i]);
    const double into = days - 91.3125 * std::round(days / 91.3125);  // days from the nearest start
    const double d = into * 360 / 91.3125;
    const double want = std::fabs(d) <= 30 ? 0.5 * (std::cos(astro::kPi * d / 30) + 1) / 2 : 0.0;
    EXPECT_NEAR(v.Values[i], want, 1e-5) << i;
    if (v.Values[i] > v.Values[peak]) peak = i;
  }
  // A cycle starts about 2 April 2026 (505 periods after 1900): the curve peaks within half a
  // grid step of it.
  const double start = 505 * 91.3125;
  EXPECT_NEAR(DaysSince1900(v.Moments[peak]), start, 0.25);
  EXPECT_GT(v.Values[peak], 0.49);
}

TEST(ShippedCycles, VoidOfCourseMoon) {
  OneEventForecast f;
  const std::string text = ShippedEvent("VoidOfCourseMoon");
  ASSERT_FALSE(text.empty());
  const forecast::ForecastValues v = f.Run(text, 2026, 3, 20, kEst);
  for (size_t i = 0; i < v.Values.size(); ++i) {
    const bool want = StillMoonIsVoid(f.TransitAt(v.Moments[i]), {0, 2, 3, 4, 5, 6, 7, 8, 9},
                                      {0, 180, 60, -60, 90, -90, 120, -120});
    EXPECT_EQ(v.Values[i], want ? -0.5 : 0.0) << i;
  }
}

TEST(ShippedCycles, From2026OnAndTheFirstYearListed) {
  OneEventForecast f;
  const std::string after = ShippedEvent("After2026");
  ASSERT_FALSE(after.empty());
  // Grid moments at 05:00 and 17:00 UT from 25 December 2025: moment 14 is 1 January 05:00 UT.
  const forecast::ForecastValues v = f.Run(after, 2025, 12, 25, kEst);
  for (int i = 0; i <= 40; ++i) EXPECT_EQ(v.Values[i], i >= 14 ? 0.25 : 0.0) << i;

  // Listed on 10 June 2025 at 10:00 in New York (15:00 UT); one tropical year later is
  // 10 June 2026 about 20:49 UT. From 1 June 2026, moment 19 is 10 June 17:00 UT.
  testing::NatalSpec listing;
  listing.Year = 2025;
  listing.Month = 6;
  listing.Day = 10;
  OneEventForecast young(listing);
  const std::string first = ShippedEvent("FirstYearListed");
  ASSERT_FALSE(first.empty());
  const forecast::ForecastValues w = young.Run(first, 2026, 6, 1, kEst);
  for (int i = 0; i <= 40; ++i) EXPECT_EQ(w.Values[i], i <= 19 ? -0.25 : 0.0) << i;
}

}  // namespace
}  // namespace sd
