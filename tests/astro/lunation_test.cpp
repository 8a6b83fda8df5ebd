#include "astro/lunation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "astro/angles.h"
#include "astro/calendar.h"
#include "astro/chart.h"
#include "astro/obliquity.h"
#include "astro/positions.h"
#include "astro/sidereal_time.h"
#include "../support/moments.h"

namespace sd::astro {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kHour = DayInCenturies / 24;

double Elongation(ChartMoment t) {
  return NormalizeMod(MoonPosition(t).Longitude - SunPosition(t).Longitude + 180, 360) - 180;
}

TEST(Lunation, LastNewMoonIsTheConjunctionBeforeTheMoment) {
  for (ChartMoment t :
       testing_support::Moments({-29.0, -15.0, -2.5, -0.3, 0.0, 0.5, 0.8725, 1.0, 1.2461, 1.6, 3.0})) {
    const NewMoon nm = LastNewMoon(t);
    ASSERT_TRUE(IsValue(nm.Moment)) << t;
    EXPECT_LE(nm.Moment, t + 2 * kHour) << t;
    EXPECT_GT(nm.Moment, t - 29.9 * DayInCenturies) << t;
    EXPECT_LT(std::fabs(Elongation(nm.Moment)), 1e-3) << t;
    EXPECT_NEAR(nm.MoonLongitude, MoonPosition(nm.Moment).Longitude, 1e-12) << t;
  }
}

// A moment just before a New Moon belongs to it (two-hour window), one further off to the
// previous one.
TEST(Lunation, NewMoonWithinTwoHoursAfterTheMomentIsTaken) {
  const NewMoon nm = LastNewMoon(MomentFromDate(2024, 4, 10, 0));  // after 2024-04-08
  ASSERT_TRUE(IsValue(nm.Moment));
  struct Case {
    double offset_hours;
    bool same;
  };
  const Case cases[] = {{0, true}, {-1.9, true}, {1.9, true}, {100, true}, {-2.1, false}, {-30, false}};
  for (const Case& c : cases) {
    const NewMoon other = LastNewMoon(nm.Moment + c.offset_hours * kHour);
    ASSERT_TRUE(IsValue(other.Moment)) << c.offset_hours;
    EXPECT_EQ(std::fabs(other.Moment - nm.Moment) < kHour / 60, c.same) << c.offset_hours;
  }
}

TEST(Lunation, CoveredShareOfTheSun) {
  const double r = 0.266;
  struct Case {
    double sep, r_moon, percent;
  };
  const Case cases[] = {
      {0, r, 100},
      {r, r, 100 * (2 * kPi / 3 - std::sqrt(3.0) / 2) / kPi},  // lens of two discs, 39.1 %
      {2 * r, r, 0},
      {2 * r + 0.01, 0.3, 0},  // a larger Moon that still touches: no lens of Sun-sized discs
      {0.6, 0.26, 0},
      {kNaN, r, 0},
  };
  for (const Case& c : cases) EXPECT_NEAR(CoveredPercent(c.sep, r, c.r_moon), c.percent, 1e-9) << c.sep;
}

TEST(Lunation, EclipseTestByGridAndByPlace) {
  // 2017-08-21 total eclipse (conjunction about 18:30 UT) seen across North America; the
  // New Moon of 2017-07-23 is no eclipse.
  const ChartMoment aug = RefineNewMoon(MomentFromDate(2017, 8, 21, 18.5));
  const ChartMoment jul = RefineNewMoon(MomentFromDate(2017, 7, 23, 9.8));
  ASSERT_TRUE(IsValue(aug));
  ASSERT_TRUE(IsValue(jul));
  EXPECT_TRUE(EclipseTest(aug, 1));
  EXPECT_FALSE(EclipseTest(jul, 1));
  EXPECT_TRUE(EclipseTest(aug, 0, {36.16, -86.78}));   // Nashville: total
  EXPECT_FALSE(EclipseTest(aug, 0, {-33.87, 151.2}));  // Sydney: night
  EXPECT_FALSE(EclipseTest(aug, 0, {70.0, 25.0}));     // northern Norway: far outside the path
  EXPECT_FALSE(EclipseTest(ChartMoment(kNaN), 1));
  EXPECT_FALSE(EclipseTest(aug, 0, {kNaN, 0}));
}

// The grid scan done the plain way: the topocentric Moon of every place by TopocentricAt, the
// separation by its arccosine, the same scan order and the same two stopping rules.
bool PlainGridTest(ChartMoment t) {
  const SunResult sun = SunPosition(t);
  const MoonResult moon = MoonPosition(t);
  const double r_sun = 39877862.54110529533 / (sun.Distance * 149587870);
  const double r_moon = 99580.064793737073686 / (moon.Distance * 149587870);
  const double theta0 = 15.0 * LocalSiderealHours(0, t);
  const double eps = TrueObliquity(t);
  for (int i = 0; i < 122; ++i) {
    for (int j = 0; j < 71; ++j) {
      const double lat = -90.0 + 180.0 * j / 71;
      const EclipticPoint m = TopocentricAt(moon.Longitude, moon.Latitude, moon.Distance,
                                            theta0 + 360.0 * i / 122, eps, lat);
      const double c = std::fabs(std::cos((m.Lon - sun.Longitude) * kPi / 180) *
                                 std::cos((m.Lat - sun.Latitude) * kPi / 180));
      const double sep = std::acos(std::fmin(c, 1.0)) * 180 / kPi;
      if (sep > 2.5) return false;
      if (CoveredPercent(sep, r_sun, r_moon) >= EclipsePercent) return true;
    }
  }
  return false;
}

// Every New Moon of 1990-2035, eclipse or near miss or neither: the fast scan decides as the
// plain one does.
TEST(Lunation, GridScanDecidesAsThePlainScanOverTopocentricPositions) {
  const double k0 = LunationNumberAt(MomentFromDate(1990, 1, 1, 0));
  int eclipses = 0;
  for (int i = 0; i < 570; ++i) {
    const ChartMoment t = ApproximateNewMoon(k0 + i, ChartMoment(0.9));
    const bool plain = PlainGridTest(t);
    EXPECT_EQ(EclipseTest(t, 1), plain) << DateFromMoment(t).year << "-" << DateFromMoment(t).month;
    eclipses += plain;
  }
  // About two a year reach half the Sun somewhere.
  EXPECT_GT(eclipses, 60);
  EXPECT_LT(eclipses, 110);
}

// The grid reaches round the whole globe: these partial eclipses covered most of the Sun
// only west of Greenwich (South America 2007, North America 2014, the North Atlantic 2025).
TEST(Lunation, EclipsesOverEveryLongitudeAreFound) {
  const struct {
    int y, m, d;
    double hour;  // greatest eclipse, UT
  } eclipses[] = {{2007, 9, 11, 12.5}, {2014, 10, 23, 21.7}, {2025, 3, 29, 10.8},
                  {2017, 8, 21, 18.4}, {2009, 7, 22, 2.6}};
  for (const auto& e : eclipses) {
    const ChartMoment t = MomentFromDate(e.y, e.m, e.d, e.hour);
    const EclipsePair p = EclipseSearch(t - 5 * DayInCenturies);
    ASSERT_TRUE(IsValue(p.NextMoment)) << e.y;
    EXPECT_NEAR(p.NextMoment.Centuries, t.Centuries, 2 * kHour) << e.y << "-" << e.m;
  }
}

TEST(Lunation, EclipseSearchBracketsTheMoment) {
  // Antiquity too, where the clocks of the lunation formula and of the theories differ by hours.
  for (ChartMoment t : testing_support::Moments({-29.0, -15.0, 0.1, 0.64, 1.0, 1.31})) {
    const EclipsePair p = EclipseSearch(t);
    ASSERT_TRUE(IsValue(p.PrevMoment)) << t;
    ASSERT_TRUE(IsValue(p.NextMoment)) << t;
    EXPECT_LE(p.PrevMoment, t);
    EXPECT_GE(p.NextMoment, t);
    // At least one solar eclipse of 50 % somewhere every year.
    EXPECT_LT(p.NextMoment - p.PrevMoment, 366 * DayInCenturies) << t;
    EXPECT_NEAR(p.PrevMoonLongitude, MoonPosition(p.PrevMoment).Longitude, 1e-12);
    EXPECT_NEAR(p.NextMoonLongitude, MoonPosition(p.NextMoment).Longitude, 1e-12);
  }
  for (double bad : {kNaN, NoValue, 1e9, -5000.0}) {
    const EclipsePair p = EclipseSearch(ChartMoment(bad));
    EXPECT_EQ(p.PrevMoment, kNoMoment);
    EXPECT_EQ(p.NextMoment, kNoMoment);
    EXPECT_EQ(p.PrevMoonLongitude, NoValue);
    EXPECT_EQ(LastNewMoon(ChartMoment(bad)).Moment, kNoMoment);
  }
}

// On the equator a body on the celestial equator sits at 270 minus its hour angle.
TEST(Lunation, MundanePositionOnTheEquatorFollowsTheHourAngle) {
  for (double h : {-170.0, -120.0, -89.0, -45.0, -1.0, 0.0, 1.0, 30.0, 89.0, 91.0, 150.0, 180.0}) {
    const double ramc = 100;
    const double mp = MundanePositionOf(ramc, 0, ramc - h, 0);
    ASSERT_TRUE(IsValue(mp)) << h;
    EXPECT_NEAR(AngularDistance(mp - (270 - h)), 0, 1e-6) << h;
  }
}

TEST(Lunation, MundanePositionOnTheUpperMeridianIs270) {
  for (double lat : {-50.0, -20.0, 10.0, 40.0, 60.0})
    for (double dec : {-20.0, 0.0, 15.0, 23.0}) {
      if (std::fabs(lat - dec) >= 89) continue;
      const double mp = MundanePositionOf(45, lat, 45, dec);
      ASSERT_TRUE(IsValue(mp)) << lat << " " << dec;
      EXPECT_NEAR(NormalizeMod(mp, 360), 270, 1e-6) << lat << " " << dec;
    }
}

// Rising and setting bodies at 0 (360) and 180, also exactly on the horizon, where both
// ends of the search range are roots.
TEST(Lunation, MundanePositionOnTheHorizon) {
  for (double lat : {40.0, -35.0, 60.0})
    for (double dec : {-20.0, 5.0, 20.0}) {
      const double semi_arc =
          std::acos(-std::tan(lat * kDegToRad) * std::tan(dec * kDegToRad)) * kRadToDeg;
      for (double d : {0.0, 1e-7, -1e-7, 0.2}) {
        const double rising = MundanePositionOf(100, lat, 100 + semi_arc + d, dec);
        const double setting = MundanePositionOf(100, lat, 100 - semi_arc + d, dec);
        EXPECT_NEAR(AngularDistance(rising), 0, 0.5) << lat << " " << dec << " " << d;
        EXPECT_NEAR(AngularDistance(setting - 180), 0, 0.5) << lat << " " << dec << " " << d;
      }
    }
}

TEST(Lunation, MundanePositionAlwaysEndsWithAValueOrNoValue) {
  for (double lat : {-90.0, -89.9, -70.0, 0.0, 66.0, 80.0, 89.999, 90.0})
    for (double dec : {-89.0, -28.0, 0.0, 5.0, 28.0, 89.0})
      for (double h = -180; h < 180; h += 23.5) {
        const double mp = MundanePositionOf(0, lat, -h, dec);
        EXPECT_TRUE(mp == NoValue || std::isfinite(mp)) << lat << " " << dec << " " << h;
      }
  EXPECT_EQ(MundanePositionOf(kNaN, 0, 0, 0), NoValue);
  EXPECT_EQ(MundanePositionOf(0, 0, NoValue, 0), NoValue);
}

}  // namespace
}  // namespace sd::astro
