// Delta T from observation against the published values it is made of, and the two clocks it
// joins: true universal time and the forecast's.
#include "astro/observed_delta_t.h"

#include <gtest/gtest.h>

#include <cmath>

#include "astro/calendar.h"
#include "astro/time_scales.h"
#include "../support/moments.h"

namespace sd::astro {
namespace {

TEST(ObservedDeltaT, PublishedValuesOnJanuaryFirst) {
  // IERS/USNO: historic series to 1972, monthly determinations from 1973, predictions after 2026.
  const struct {
    int year;
    double seconds;
  } cases[] = {{1800, 12.6},     {1870, 1.04},     {1900, -2.70},    {1935, 23.91},  {1973, 43.373},
               {2000, 63.8285},  {2017, 68.5927},  {2020, 69.3612},  {2026, 69.1099}, {2030, 69.97},
               {2033, 70.98}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.year);
    // DecimalYear puts 0 h of January 1 within two days of the whole year.
    EXPECT_NEAR(ObservedDeltaTSeconds(MomentFromDate(c.year, 1, 1, 0)), c.seconds, 0.01);
  }
  // Halfway through 2026: between 69.1099 and the prediction 69.14 for 2027.
  EXPECT_NEAR(ObservedDeltaTSeconds(MomentFromDate(2026, 7, 2, 12)), (69.1099 + 69.14) / 2, 0.002);
  EXPECT_FALSE(IsValue(ObservedDeltaTSeconds(kNoMoment)));
  EXPECT_FALSE(IsValue(ObservedDeltaTSeconds(ChartMoment(std::nan("")))));
}

// Outside the table the long-term parabola takes over from the last value without a jump, and
// grows as it does: 32 s a century squared.
TEST(ObservedDeltaT, ContinuesTheTableWithoutAJump) {
  for (const int year : {kObservedDeltaTFirstYear, kObservedDeltaTLastYear}) {
    SCOPED_TRACE(year);
    const ChartMoment t = MomentFromDate(year, 1, 1, 0);
    const double hour = DayInCenturies / 24;
    EXPECT_NEAR(ObservedDeltaTSeconds(t - hour), ObservedDeltaTSeconds(t + hour), 0.01);
  }
  const double d2100 = ObservedDeltaTSeconds(MomentFromDate(2100, 1, 1, 0));
  const double u = (2100.0 - 1820) / 100, u0 = (2033.0 - 1820) / 100;
  EXPECT_NEAR(d2100, 70.98 + 32 * (u * u - u0 * u0), 0.1);
}

// Where the observed and the forecast's Delta T differ, a true moment is handed to the theories as
// the forecast-clock moment of the same ephemeris time; in 2026 that is about 65 s earlier.
TEST(ObservedDeltaT, ClocksMeetAtTheSameEphemerisMoment) {
  for (const ChartMoment t : testing_support::Moments({-0.8, 0.1, 0.73, 1.26217, 1.9, 3.0})) {
    SCOPED_TRACE(t);
    const ChartMoment f = ForecastClockOf(t);
    const double ephemeris_true = t.Centuries + ObservedDeltaTSeconds(t) * SecondInCenturies;
    EXPECT_NEAR(EphemerisMoment(f).Centuries, ephemeris_true, 1e-6 * SecondInCenturies);
    EXPECT_NEAR(TrueClockOf(f).Centuries, t.Centuries, 1e-6 * SecondInCenturies);
  }
  const ChartMoment t2026 = MomentFromDate(2026, 4, 2, 0);
  const double seconds = (ForecastClockOf(t2026) - t2026) / SecondInCenturies;
  EXPECT_NEAR(seconds, ObservedDeltaTSeconds(t2026) - DeltaT(t2026) / SecondInCenturies, 1e-3);
  EXPECT_LT(seconds, -60);
  EXPECT_GT(seconds, -70);
  EXPECT_FALSE(IsValue(ForecastClockOf(kNoMoment)));
  EXPECT_FALSE(IsValue(TrueClockOf(kNoMoment)));
}

}  // namespace
}  // namespace sd::astro
