#include "astro/angles.h"
#include "astro/ayanamsa.h"
#include "astro/calendar.h"
#include "astro/numeric.h"
#include "astro/obliquity.h"
#include "astro/sidereal_time.h"
#include "astro/time_scales.h"

#include <gtest/gtest.h>

#include <cmath>

namespace sd::astro {
namespace {

constexpr double kDay = 1.0 / 36525.0;  // exact day in centuries, for date arithmetic checks

TEST(MomentFromDate, ReferenceEpochsAndMeeusExample) {
  struct Case { int y, m, d; double h; double t; };
  const Case cases[] = {
      {1899, 12, 31, 12.0, 0.0},                                    // 1900 January 0.5
      {2000, 1, 1, 12.0, 1.0},                                      // J2000
      {1957, 10, 4, 0.81 * 24, (2436116.31 - 2415020.0) / 36525.0},  // Sputnik 1
      {333, 1, 27, 12.0, (1842713.0 - 2415020.0) / 36525.0},         // Julian calendar date
      {-585, 5, 28, 0.0, (1507899.5 - 2415020.0) / 36525.0},        // 585 BC = astronomical -584
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(MomentFromDate(c.y, c.m, c.d, c.h).Centuries, c.t, 1e-12)
        << c.y << "-" << c.m << "-" << c.d;
  }
}

TEST(MomentFromDate, GregorianReformIsOneDay) {
  EXPECT_NEAR(MomentFromDate(1582, 10, 15, 0) - MomentFromDate(1582, 10, 4, 0), kDay, 1e-15);
}

TEST(DateFromMoment, RoundTripsCivilDates) {
  struct Case { int y, m, d; double h; };
  const Case cases[] = {{2026, 12, 9, 15.5}, {1582, 10, 4, 23.0}, {1582, 10, 15, 0.25},
                        {1, 1, 1, 6.0},      {-2, 3, 1, 12.0},    {-4001, 2, 29, 18.0},
                        {2400, 2, 29, 1.0},  {1900, 2, 28, 0.0},  {1792, 5, 17, 14.9}};
  for (const auto& c : cases) {
    const CivilDate d = DateFromMoment(MomentFromDate(c.y, c.m, c.d, c.h));
    EXPECT_EQ(d.year, c.y);
    EXPECT_EQ(d.month, c.m);
    EXPECT_EQ(d.day, c.d);
    EXPECT_NEAR(d.hours, c.h, 1e-6) << c.y;
  }
}

TEST(DateFromMoment, OneBcComesBackAsYearZero) {
  // -1 and 0 both name astronomical year 0 on the way in; it comes back as 0.
  EXPECT_EQ(DateFromMoment(MomentFromDate(-1, 3, 1, 12)).year, 0);
  EXPECT_EQ(MomentFromDate(-1, 3, 1, 12), MomentFromDate(0, 3, 1, 12));
}

TEST(DateFromMoment, NoValueAndNonFiniteGiveYearOne) {
  for (double t : {NoValue, double(NAN), double(INFINITY), -double(INFINITY)}) {
    const CivilDate d = DateFromMoment(ChartMoment(t));
    EXPECT_EQ(d.year, 1);
    EXPECT_EQ(d.month, 1);
    EXPECT_EQ(d.day, 1);
    EXPECT_EQ(d.hours, 0.0);
  }
}

TEST(Hms, ConversionsBothWays) {
  struct Case { double hms, dec; };
  const Case cases[] = {{-0.30, -0.5}, {1.30, 1.5}, {12.3045, 12.0 + 30 / 60.0 + 45 / 3600.0},
                        {9.3, 9.5},   {0, 0},      {-10.3, -10.5}, {55.45, 55.75}};
  for (const auto& c : cases) {
    EXPECT_NEAR(HmsToDecimal(c.hms), c.dec, 1e-12) << c.hms;
    EXPECT_NEAR(DecimalToHms(c.dec), c.hms, 1e-12) << c.dec;
  }
  // Seconds are whole numbers, and a second that rounds to 60 is not carried into the minute.
  EXPECT_NEAR(DecimalToHms(10.0 + 59.0 / 60 + 59.7 / 3600), 10.5960, 1e-12);
}

TEST(MomentFromLocal, ZoneShiftsTheMomentAndRoundTrips) {
  EXPECT_NEAR(MomentFromLocal(2020, 3, 1, 12.3045, 3.0).Centuries,
              MomentFromLocal(2020, 3, 1, 9.3045, 0.0).Centuries, 1e-14);

  // One second after local midnight at -5 is 05:00:01 UT ...
  const ChartMoment t = MomentFromLocal(2026, 1, 1, 0.0001, -5.0);
  EXPECT_EQ(DateFromMoment(t).day, 1);
  EXPECT_NEAR(DateFromMoment(t).hours, 5.0 + 1 / 3600.0, 1e-6);
  // ... which is 14:30:01 in a zone of +9:30.
  const CivilDate back = LocalFromMoment(t, 9.3);
  EXPECT_EQ(back.year, 2026);
  EXPECT_EQ(back.month, 1);
  EXPECT_EQ(back.day, 1);
  EXPECT_NEAR(back.hours_hms, 14.3001, 1e-9);
}

TEST(DeltaT, TableInsidePolynomialAtAndBeyondItsEnds) {
  const double s = SecondInCenturies;
  // Observed Delta T at the start of each year (Espenak & Meeus, Five Millennium Canon of Solar
  // Eclipses, table of historical values). The table's figures are older estimates of the same
  // quantity and stay within 2 s of these; 1900 is the table's end and comes from the parabola.
  struct Case { int year; double observed_s; };
  const Case observed[] = {{1900, -2.79}, {1910, 10.46}, {1930, 24.02}, {1950, 29.15},
                           {1960, 33.15}, {1970, 40.18}, {1980, 50.54}};
  for (const Case& c : observed) {
    EXPECT_NEAR(DeltaT(ChartMoment((c.year - 1900) / 100.0)) / s, c.observed_s, 2.0) << c.year;
  }
  EXPECT_NEAR(DeltaT(ChartMoment(0.5)) / s, 29.0, 1e-3);                     // 1950: the table's own figure
  EXPECT_NEAR(DeltaT(ChartMoment(0.76)) / s, 46.0 + 1.0 * 3.0 / 2.0, 1e-3);  // 1976: between 1975 and 1977
  // Beyond 1981 the parabola of Meeus (Astronomical Formulae for Calculators) less 29 s holds:
  // in 2000, 2.1145 min - 29 s = 97.87 s, well ahead of the 63.83 s observed; before the table
  // as well, in 1700 (T = -2), 0.41 - 2.4106 + 1.9968 = -0.0038 min, less 29 s.
  EXPECT_NEAR(DeltaT(ChartMoment(1.0)) / s, 97.87, 2e-3);
  EXPECT_NEAR(DeltaT(ChartMoment(-2.0)) / s, -29.228, 2e-3);
  // The table's end years themselves take the parabola: 1900 gives 0.41 min - 29 s, not the
  // table's -4.22 s, and 1981 gives 1.71382 min - 29 s, not the table's 52 s.
  EXPECT_NEAR(DeltaT(ChartMoment(0.0)) / s, -4.4, 2e-3);
  EXPECT_NEAR(DeltaT(ChartMoment(0.81)) / s, 73.829, 2e-3);
  EXPECT_DOUBLE_EQ(EphemerisMoment(ChartMoment(0.5)).Centuries, 0.5 + DeltaT(ChartMoment(0.5)));
}

TEST(SiderealTime, MeeusGreenwichExample) {
  // 1987 April 10, 0h UT: mean sidereal time 13h10m46.37s.
  const ChartMoment t = MomentFromDate(1987, 4, 10, 0);
  EXPECT_NEAR(LocalSiderealHours(0, t), 13 + 10 / 60.0 + 46.37 / 3600, 2e-4);
  // East longitude adds; the Ramc reads a packed longitude.
  EXPECT_NEAR(Ramc(t, 37.35), NormalizeMod(15 * LocalSiderealHours(0, t) + 37 + 35 / 60.0, 360),
              1e-9);
}

TEST(TrueObliquity, NearTheKnownValueAtJ2000) {
  // Mean obliquity 23.4393 at J2000 plus the nutation in obliquity of that day (about -5.6").
  EXPECT_NEAR(TrueObliquity(ChartMoment(1.0)), 23.4393 - 5.6 / 3600, 3e-4);
}

TEST(Ayanamsa, QuotedRowsHoldAndEndsAreConstant) {
  const double first_t = -33.989637, last_t = 15.9996851;
  const double first[4] = {-23.7827, -24.666, -20.7134, -26.112};
  const double last[4] = {45.762, 44.8787, 48.8312, 43.4326};
  for (int c = 0; c < 4; ++c) {
    // Exactly the quoted rows, as the table's single-precision values hold them.
    EXPECT_EQ(AyanamsaAtColumn(ChartMoment(first_t - 1), c),
              static_cast<double>(static_cast<float>(first[c])))
        << c;
    EXPECT_EQ(AyanamsaAtColumn(ChartMoment(last_t + 1), c), static_cast<double>(static_cast<float>(last[c])))
        << c;
    EXPECT_NEAR(AyanamsaAtColumn(ChartMoment(first_t), c), first[c], 1e-5) << c;
    EXPECT_NEAR(AyanamsaAtColumn(ChartMoment(last_t), c), last[c], 1e-5) << c;
    // In between, the general precession carries the column (5029.0966" a century at J2000);
    // the end-row correction adds its 1.4" a century (70" over the table's fifty centuries).
    const double century = AyanamsaAtColumn(ChartMoment(1.5), c) - AyanamsaAtColumn(ChartMoment(0.5), c);
    EXPECT_NEAR(century, 5029.0966 / 3600, 2.0 / 3600) << c;
    EXPECT_EQ(AyanamsaAtColumn(ChartMoment(first_t - 100), c), AyanamsaAtColumn(ChartMoment(first_t), c));
    EXPECT_EQ(AyanamsaAtColumn(ChartMoment(last_t + 100), c), AyanamsaAtColumn(ChartMoment(last_t), c));
  }
  // The column in force is Lahiri: about 23.85 at J2000, growing by the precession.
  EXPECT_NEAR(AyanamsaAt(ChartMoment(1.0)), 23.85, 0.02);
  EXPECT_NEAR(AyanamsaAt(ChartMoment(2.0)) - AyanamsaAt(ChartMoment(1.0)), 5029.1 / 3600, 0.01);
  EXPECT_NEAR(AyanamsaAtColumn(ChartMoment(1.0), 12), 0.0, 1e-4);  // J2000 column
  EXPECT_EQ(AyanamsaAt(ChartMoment(NAN)), NoValue);
}

TEST(Angles, NormalizeAndDistance) {
  struct Case { double x; int n; double want; };
  const Case cases[] = {{-360, 360, 0}, {-30, 360, 330}, {720, 360, 0},   {359.5, 360, 359.5},
                        {25, 24, 1},    {-1e-18, 360, 0}, {-720.5, 360, 359.5}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(NormalizeMod(c.x, c.n), c.want) << c.x;
  EXPECT_DOUBLE_EQ(AngularDistance(350 - 10), 20);
  EXPECT_DOUBLE_EQ(AngularDistance(-190), 170);
  EXPECT_DOUBLE_EQ(AngularDistance(180), 180);
}

TEST(Angles, FullCircleAtanQuadrantsAndGuardedInverses) {
  EXPECT_DOUBLE_EQ(FullCircleAtan(1, 0), 0);
  EXPECT_DOUBLE_EQ(FullCircleAtan(0, 1), kPi / 2);
  EXPECT_DOUBLE_EQ(FullCircleAtan(-1, 0), kPi);
  EXPECT_DOUBLE_EQ(FullCircleAtan(0, -1), 3 * kPi / 2);
  EXPECT_NEAR(FullCircleAtan(1, -1), 7 * kPi / 4, 1e-15);
  EXPECT_NEAR(FullCircleAtan(-1, 1), 3 * kPi / 4, 1e-15);
  EXPECT_EQ(ArcSinGuarded(1.0), kPi / 2);
  EXPECT_EQ(ArcSinGuarded(-1.0), -kPi / 2);
  EXPECT_NEAR(ArcSinGuarded(0.5), kPi / 6, 1e-15);
  EXPECT_TRUE(std::isnan(ArcSinGuarded(1.5)));  // the caller's arithmetic failure
  EXPECT_EQ(ArcCosGuarded(0.0), kPi / 2);
  EXPECT_NEAR(ArcCosGuarded(-0.5), 2 * kPi / 3, 1e-15);
}

TEST(Angles, BetweenSignsAndSteps) {
  EXPECT_TRUE(IsBetween(350, 5, 20));   // across 0
  EXPECT_TRUE(IsBetween(20, 5, 350));   // order of the ends does not matter
  EXPECT_FALSE(IsBetween(350, 180, 20));
  EXPECT_FALSE(IsBetween(10, 30, 20));

  struct SignCase { double lon; int sign; };
  const SignCase signs[] = {{0, 1}, {29.999, 1}, {30, 2}, {359.99, 12}, {360, 1}};
  for (const auto& c : signs) EXPECT_EQ(SignOf(c.lon), c.sign) << c.lon;
  // 10 degrees of Aries tropical is Pisces in the sidereal zodiac of our era.
  EXPECT_EQ(SiderealSignOf(ChartMoment(1.2), 10.0), 12);

  EXPECT_EQ(CyclicStep(1, 12, 255), 12);
  EXPECT_EQ(CyclicStep(5, 12, 255), 4);
  EXPECT_EQ(CyclicStep(12, 12, 1), 1);
  EXPECT_EQ(CyclicStep(5, 12, 1), 6);
  EXPECT_EQ(CyclicStep(5, 12, 7), 5);
}

TEST(Interpolation, LinearAtAndGridIndex) {
  EXPECT_DOUBLE_EQ(LinearAt(5, 10, 0, 100, 0), 50);
  EXPECT_DOUBLE_EQ(LinearAt(5, 3, 3, 100, 7), 7);  // degenerate line gives y0
  EXPECT_EQ(GridIndex(0, 10, 0.25, 1, 0), 2);      // 2.5 rounds to even
  EXPECT_EQ(GridIndex(0, 10, 0.35, 1, 0), 4);      // 3.5 rounds to even
  EXPECT_EQ(GridIndex(3, 10, 5, 1, 1), 3);         // zero-width range
  EXPECT_EQ(GridIndex(0, 10, NAN, 1, 0), 0);
}

}  // namespace
}  // namespace sd::astro
