#include "astro/angles.h"
#include "astro/calendar.h"
#include "astro/houses.h"
#include "astro/obliquity.h"
#include "astro/sidereal_time.h"
#include "../support/moments.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace sd::astro {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A chart whose event block holds the place and a clock that gives moment `t`.
ChartData ChartAt(ChartMoment t, double lat, double lon) {
  ChartData c;
  c.Event.MoveClockTo(t);
  c.Event.PlaceLatitude = DecimalToHms(lat);
  c.Event.PlaceLongitude = DecimalToHms(lon);
  return c;
}

struct Cusps {
  double c[12];
  double operator[](int k) const { return c[k - 1]; }  // cusp k = 1..12
};

Cusps CuspsOf(int system, ChartMoment t, double lat, double lon) {
  const ChartData chart = ChartAt(t, lat, lon);
  Cusps out;
  for (double& v : out.c) v = NoValue;
  ComputeCuspsWith(system, chart, out.c, HmsToDecimal(chart.Event.PlaceLatitude),
                   HmsToDecimal(chart.Event.PlaceLongitude), t);
  return out;
}

double Diff(double a, double b) { return AngularDistance(a - b); }

// The East Point as the chart computes it from the RAMC.
double EastPointAt(ChartMoment t, double lon) {
  const double r = 15.0 * LocalSiderealHours(lon, t);
  const double eps = TrueObliquity(t);
  return FullCircleAtan(-CosDeg(eps) * SinDeg(r), CosDeg(r)) * kRadToDeg;
}

const std::vector<ChartMoment> kMoments =
    testing_support::Moments({-0.5, 0.0, 0.37, 0.8519, 1.0, 1.2345, 1.9});
const int kQuadrantSystems[] = {kTopocentricHouses, kPlacidus, kRegiomontanus, kCampanus, kKoch};

TEST(Houses, QuadrantSystemsAtTheEquatorPutTheAscendantOnTheEastPoint) {
  for (int system : kQuadrantSystems)
    for (ChartMoment t : kMoments) {
      const Cusps c = CuspsOf(system, t, 0.0, 13.4);
      const double ep = EastPointAt(t, HmsToDecimal(DecimalToHms(13.4)));
      EXPECT_LT(Diff(c[1], ep), 1e-6) << HouseSystemName(system) << " t=" << t;
      EXPECT_LT(Diff(c[7], ep + 180), 1e-6) << HouseSystemName(system) << " t=" << t;
    }
}

// Every system's cusps run once round the ecliptic in order, opposite cusps 180 apart, and
// cusp 10 of the quadrant systems is the Midheaven.
TEST(Houses, CuspsRunInOrderWithOppositeCuspsOpposite) {
  const double lats[] = {-60, -45.5, -20, 0.25, 23, 41.5, 52, 65};
  for (int system = 0; system < kHouseSystemCount; ++system) {
    if (system == kSolarHouses || system == kEastPointHouses || system == kTwelveEastPoints)
      continue;  // these read the chart's Sun or clock, checked below
    for (double lat : lats)
      for (ChartMoment t : kMoments) {
        const Cusps c = CuspsOf(system, t, lat, -71.1);
        double total = 0;
        for (int k = 1; k <= 12; ++k) {
          ASSERT_TRUE(IsValue(c[k]) && std::isfinite(c[k]))
              << HouseSystemName(system) << " lat=" << lat << " t=" << t << " cusp " << k;
          const double arc = NormalizeMod(c[k % 12 + 1] - c[k], 360);
          EXPECT_GT(arc, 0) << HouseSystemName(system) << " lat=" << lat << " cusp " << k;
          EXPECT_LT(arc, 180) << HouseSystemName(system) << " lat=" << lat << " cusp " << k;
          total += arc;
          if (k <= 6) {
            EXPECT_LT(Diff(c[k] + 180, c[k + 6]), 1e-6)
                << HouseSystemName(system) << " lat=" << lat << " cusp " << k;
          }
        }
        EXPECT_NEAR(total, 360, 1e-6) << HouseSystemName(system) << " lat=" << lat;
        if (system <= kKoch) {
          const double r = 15.0 * LocalSiderealHours(HmsToDecimal(DecimalToHms(-71.1)), t);
          const double mc =
              FullCircleAtan(CosDeg(r) * CosDeg(TrueObliquity(t)), SinDeg(r)) * kRadToDeg;
          EXPECT_LT(Diff(c[10], mc), 2e-3) << HouseSystemName(system) << " lat=" << lat;
        }
      }
  }
}

TEST(Houses, WholeSignCuspsStartAtTheAscendantsSign) {
  for (ChartMoment t : kMoments) {
    const Cusps whole = CuspsOf(kWholeSign, t, 48.2, 16.4);
    const Cusps equal = CuspsOf(kEqualFromAscendant, t, 48.2, 16.4);
    const double asc = NormalizeMod(equal[1], 360);
    EXPECT_EQ(std::fmod(whole[1], 30.0), 0.0);
    EXPECT_LE(whole[1], asc);
    EXPECT_GT(whole[1] + 30, asc);
    EXPECT_EQ(whole[12], whole[1] + 330);
  }
}

TEST(Houses, SolarHousesFollowTheSunAndNeedIt) {
  ChartData chart = ChartAt(ChartMoment(1.0), 40, 0);
  double c[12];
  chart.Lon(kSun) = 100.5;
  ComputeCuspsWith(kSolarHouses, chart, c, 40, 0, ChartMoment(1.0));
  for (int k = 1; k <= 12; ++k) EXPECT_DOUBLE_EQ(c[k - 1], 100.5 + 30 * (k - 1));
  chart.Lon(kSun) = NoValue;
  ComputeCuspsWith(kSolarHouses, chart, c, 40, 0, ChartMoment(1.0));
  for (double v : c) EXPECT_EQ(v, NoValue);
}

TEST(Houses, EastPointHousesUseTheEventClock) {
  const ChartMoment t{1.1};
  const Cusps ep = CuspsOf(kEastPointHouses, t, 35, 139.7);
  const Cusps twelve = CuspsOf(kTwelveEastPoints, t, 35, 139.7);
  const Cusps quadrant_at_equator = CuspsOf(kPlacidus, t, 0, 139.7);
  EXPECT_LT(Diff(ep[1], quadrant_at_equator[1]), 1e-4);
  EXPECT_LT(Diff(twelve[1], ep[1]), 1e-9);
  for (int k = 1; k <= 12; ++k) {
    EXPECT_LT(Diff(ep[k], ep[1] + 30 * (k - 1)), 1e-9);
    // Twelve East Points two sidereal hours apart: about a sign each.
    const double arc = NormalizeMod(twelve[k % 12 + 1] - twelve[k], 360);
    EXPECT_GT(arc, 20) << k;
    EXPECT_LT(arc, 40) << k;
  }
  // The moment argument does not move them: the event block does.
  ChartData chart = ChartAt(t, 35, 139.7);
  double c[12];
  ComputeCuspsWith(kEastPointHouses, chart, c, 35, 139.7, t + 0.001);
  EXPECT_LT(Diff(c[0], ep[1]), 1e-9);
}

TEST(Houses, PolarLatitudesFallBackToTwelveEastPoints) {
  struct Case {
    double stored_lat;
    bool polar;
  };
  const Case cases[] = {{66.0, false}, {-66.0, false}, {66.0001, true}, {-66.0001, true},
                        {66.3, true},  {80.0, true},   {90.0, true},    {-90.0, true}};
  const ChartMoment t{0.9};
  for (const Case& cs : cases) {
    ChartData chart = ChartAt(t, 0, 18.0);
    chart.Event.PlaceLatitude = cs.stored_lat;
    const double lat = HmsToDecimal(cs.stored_lat);
    double eps_cusps[12], cusps[12];
    ComputeCuspsWith(kTwelveEastPoints, chart, eps_cusps, lat, 18.0, t);
    for (int system : kQuadrantSystems) {
      ComputeCuspsWith(system, chart, cusps, lat, 18.0, t);
      bool same = true;
      for (int k = 0; k < 12; ++k) same = same && cusps[k] == eps_cusps[k];
      EXPECT_EQ(same, cs.polar) << HouseSystemName(system) << " " << cs.stored_lat;
      for (double v : cusps) EXPECT_TRUE(IsValue(v) && std::isfinite(v));
    }
    EXPECT_EQ(EffectiveHouseSystem(kPlacidus, cs.stored_lat),
              cs.polar ? kTwelveEastPoints : kPlacidus);
    // Systems that need no pole keep working at any latitude.
    EXPECT_EQ(EffectiveHouseSystem(kMorinus, cs.stored_lat), kMorinus);
  }
  EXPECT_EQ(ChooseHouseSystem(), kTwelveEastPoints);
}

TEST(Houses, UncomputableInputGivesNoValueCusps) {
  struct Case {
    ChartMoment t;
    double lat, lon;
  };
  const Case cases[] = {
      {ChartMoment(kNaN), 40, 10},  {ChartMoment(1.0), kNaN, 10}, {ChartMoment(1.0), 40, kNaN},
      {ChartMoment(1.0), 40, kInf}, {ChartMoment(1.0), 91, 10},   {ChartMoment(1.0), -1e300, 10},
      {ChartMoment(kInf), 40, 10},  {kNoMoment, 40, 10},          {ChartMoment(5000.0), 40, 10}};
  for (const Case& cs : cases)
    for (int system = 0; system < kHouseSystemCount; ++system) {
      if (system == kEastPointHouses || system == kTwelveEastPoints) continue;
      ChartData chart = ChartAt(ChartMoment(1.0), 0, 0);
      chart.Lon(kSun) = 10;
      double c[12];
      ComputeCuspsWith(system, chart, c, cs.lat, cs.lon, cs.t);
      for (double v : c)
        EXPECT_EQ(v, NoValue) << HouseSystemName(system) << " t=" << cs.t << " lat=" << cs.lat;
    }
}

// A quadrant system asked directly for a latitude where it has no solution (the chart's stored
// latitude not polar) must neither hang nor return garbage.
TEST(Houses, QuadrantSystemsBeyondThePolarCircleStayFiniteOrNoValue) {
  for (int system : kQuadrantSystems)
    for (double lat : {67.0, 75.0, 85.0, 89.99, -89.99, 90.0, -90.0})
      for (ChartMoment t : kMoments) {
        ChartData chart = ChartAt(t, 0, 0);
        double c[12];
        ComputeCuspsWith(system, chart, c, lat, 0, t);
        for (double v : c) EXPECT_TRUE(v == NoValue || std::isfinite(v));
      }
}

TEST(Houses, SystemNumberOutOfRangeLeavesCuspsAlone) {
  ChartData chart = ChartAt(ChartMoment(1.0), 40, 0);
  double c[12];
  for (double& v : c) v = 7.0;
  ComputeCuspsWith(12, chart, c, 40, 0, ChartMoment(1.0));
  ComputeCuspsWith(-1, chart, c, 40, 0, ChartMoment(1.0));
  for (double v : c) EXPECT_EQ(v, 7.0);
  EXPECT_STREQ(HouseSystemName(1), "PLACIDUS");
  EXPECT_STREQ(HouseSystemName(9), "1 DAY - 12 EP");
  EXPECT_STREQ(HouseSystemName(12), "");
}

TEST(Houses, HouseOfFindsTheArcAndPrefersTheEarlierHouseOnACusp) {
  double row[kObjectCount];
  for (double& v : row) v = NoValue;
  // Unequal houses with house 12 across 0 Aries.
  const double cusps[12] = {10, 35, 62, 95, 130, 165, 190, 215, 242, 275, 310, 345};
  for (int k = 0; k < 12; ++k) row[CuspObject(k + 1)] = cusps[k];
  struct Case {
    double x;
    int house;
  };
  const Case cases[] = {{10, 1},  {20, 1},   {35, 1},    {35.001, 2}, {100, 4},
                        {345, 11}, {350, 12}, {359.9, 12}, {0, 12},    {5, 12},
                        {370, 1},  {-5, 12},  {189.99, 6}, {190.5, 7}, {720 + 300, 10}};
  for (const Case& cs : cases) EXPECT_EQ(HouseOfCusps(row, cs.x), cs.house) << cs.x;
  EXPECT_EQ(HouseOfCusps(row, NoValue), 0);
  EXPECT_EQ(HouseOfCusps(row, kNaN), 0);
  row[CuspObject(7)] = NoValue;
  EXPECT_EQ(HouseOfCusps(row, 20), 0);

  ChartData chart;
  for (int k = 0; k < 12; ++k) chart.Lon(CuspObject(k + 1)) = cusps[k];
  EXPECT_EQ(HouseOf(chart, 100), 4);
}

}  // namespace
}  // namespace sd::astro
