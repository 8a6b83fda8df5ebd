#include "astro/chart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "astro/angles.h"
#include "astro/calendar.h"
#include "astro/houses.h"
#include "astro/lunation.h"
#include "astro/obliquity.h"

namespace sd::astro {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct ChartFixture {
  ChartData chart;
  ChartFixture(int y, int m, int d, double time_hms, double zone_hms, double lat_hms,
               double lon_hms) {
    chart.Event.Year = y;
    chart.Event.Month = m;
    chart.Event.Day = d;
    chart.Event.LocalTime = time_hms;
    chart.Event.Zone = zone_hms;
    chart.Event.PlaceLatitude = lat_hms;
    chart.Event.PlaceLongitude = lon_hms;
  }
  void On(std::initializer_list<int> objects) {
    for (int n : objects) chart.ObjectOn[n] = 1;
  }
  void AllAllowedOn() {
    for (int n = 0; n < kObjectCount; ++n) chart.ObjectOn[n] = IsAllowedObject(n);
  }
};

// New York, 1987-10-19 09:30 local (zone -5).
ChartFixture NewYork() { return {1987, 10, 19, 9.3, -5, 40.4251, -74.0023}; }

bool Known(double v) { return IsValue(v); }

TEST(Chart, DependenciesAreComputedButOnlyTheCallersFlagsComeBack) {
  ChartFixture f = NewYork();
  f.On({kPartOfFortune});
  ASSERT_TRUE(ComputeChart(f.chart, MomentSource::LocalClock));
  for (int n = 0; n < kObjectCount; ++n)
    EXPECT_EQ(f.chart.ObjectOn[n], n == kPartOfFortune ? 1 : 0) << n;
  EXPECT_TRUE(Known(f.chart.Lon(kPartOfFortune)));
  EXPECT_TRUE(Known(f.chart.Lon(kAscendant)));
  EXPECT_TRUE(Known(f.chart.Lon(kMoon)));
  // Switched on by nobody: never computed.
  EXPECT_FALSE(Known(f.chart.Lon(kMars)));
  EXPECT_FALSE(Known(f.chart.Lon(kEastPoint)));
  EXPECT_FALSE(Known(f.chart.Lon(kPrenatalNewMoon)));
  // The parts' declination is for points that are on.
  EXPECT_TRUE(Known(f.chart.Object[kDeclination][kPartOfFortune]));
  EXPECT_FALSE(Known(f.chart.Object[kDeclination][kAscendant]));
  EXPECT_FALSE(ChartComputationBusy());
}

TEST(Chart, UnusedObjectNumbersAreNeverComputedAndTheirFlagsCleared) {
  ChartFixture f = NewYork();
  for (int n = 0; n < kObjectCount; ++n) f.chart.ObjectOn[n] = 1;
  ASSERT_TRUE(ComputeChart(f.chart, MomentSource::LocalClock));
  for (int n = 10; n <= 14; ++n) {
    EXPECT_EQ(f.chart.ObjectOn[n], 0) << n;
    for (int row = 0; row < kObjectRowCount; ++row) {
      if (row == 8) continue;  // a reserved row the computation leaves alone
      EXPECT_EQ(f.chart.Object[row][n], NoValue) << "object " << n << " row " << row;
    }
  }
  for (int n = 15; n < kObjectCount; ++n) EXPECT_EQ(f.chart.ObjectOn[n], 1) << n;
}

TEST(Chart, WithNoFlagsOnlySunMoonNodesAndApsidesAreComputed) {
  ChartFixture f = NewYork();
  ASSERT_TRUE(ComputeChart(f.chart, MomentSource::LocalClock));
  for (int n = 0; n < kObjectCount; ++n) {
    const bool always = n == kSun || n == kMoon || (n >= kNorthNode && n <= kApogee);
    EXPECT_EQ(Known(f.chart.Lon(n)), always) << n;
    if (always) {
      EXPECT_GE(f.chart.Lon(n), 0) << n;
      EXPECT_LT(f.chart.Lon(n), 360) << n;
    }
  }
  EXPECT_EQ(f.chart.PrevEclipseMoment, kNoMoment);
  EXPECT_EQ(f.chart.NextEclipseMoment, kNoMoment);
  EXPECT_NEAR(AngularDistance(f.chart.Lon(kSouthNode) - f.chart.Lon(kNorthNode)), 180, 1e-9);
  EXPECT_NEAR(AngularDistance(f.chart.Lon(kPerigee) - f.chart.Lon(kApogee)), 180, 1e-9);
  EXPECT_EQ(f.chart.Planet[kTopoMoonRow][0], NoValue);  // the Moon is not on
}

TEST(Chart, NodeBeforeTheTrueNodeCorrectionIsTheConstantAtItsEpoch) {
  ChartData chart;
  chart.Moment = ChartMoment(1.0000000127);
  ChartSettings mean = kChartSettings;
  mean.MeanNode = 1;
  ASSERT_TRUE(ComputeChartWith(chart, MomentSource::AsIs, mean));
  EXPECT_EQ(chart.Lon(kNorthNode), 125.044555);
  ASSERT_TRUE(ComputeChart(chart, MomentSource::AsIs));
  const double correction = 125.044555 - chart.Lon(kNorthNode);
  EXPECT_LE(std::fabs(correction), 1.6);
  EXPECT_GT(std::fabs(correction), 0.0);
}

TEST(Chart, ModeOneWritesTheLocalClockBack) {
  ChartFixture f(2000, 1, 1, 0, 3, 0, 0);
  f.chart.Moment = MomentFromDate(2024, 3, 5, 21.5);  // 21:30 UT = 00:30 next day at +3
  ASSERT_TRUE(ComputeChart(f.chart, MomentSource::Moment));
  EXPECT_EQ(f.chart.Event.Year, 2024);
  EXPECT_EQ(f.chart.Event.Month, 3);
  EXPECT_EQ(f.chart.Event.Day, 6);
  EXPECT_NEAR(f.chart.Event.LocalTime, 0.3, 1e-9);
  EXPECT_EQ(f.chart.Event.Zone, 3);
}

TEST(Chart, MoonPhaseAngleFollowsTheLunation) {
  const NewMoon nm = LastNewMoon(MomentFromDate(2021, 6, 20, 0));
  ASSERT_TRUE(IsValue(nm.Moment));
  ChartData chart;
  chart.Moment = nm.Moment;
  ASSERT_TRUE(ComputeChart(chart, MomentSource::AsIs));
  EXPECT_LT(AngularDistance(chart.Planet[kPhaseAngle][kMoon]), 0.01);
  EXPECT_EQ(chart.Planet[kPhaseAngle][kSun], 0);
  chart.Moment = nm.Moment + 14.765 * DayInCenturies;  // half a mean lunation later
  ASSERT_TRUE(ComputeChart(chart, MomentSource::AsIs));
  EXPECT_NEAR(chart.Planet[kPhaseAngle][kMoon], 180, 12);
  EXPECT_EQ(PhaseNumber(chart.Planet[kPhaseAngle][kMoon]) >= 4, true);
}

TEST(Chart, PhaseNumbersAreEightSectors) {
  const struct {
    double angle;
    int number;
  } cases[] = {{0, 1}, {44.99, 1}, {45, 2}, {180, 5}, {359.99, 8}, {360, 1}, {NoValue, 0}};
  for (const auto& c : cases) EXPECT_EQ(PhaseNumber(c.angle), c.number) << c.angle;
}

TEST(Chart, NatalChartFillsEveryAllowedObject) {
  ChartFixture f = NewYork();
  f.AllAllowedOn();
  ASSERT_TRUE(ComputeChart(f.chart, MomentSource::LocalClock));
  EXPECT_NEAR(f.chart.Moment.Centuries, MomentFromDate(1987, 10, 19, 14.5).Centuries, 1e-12);
  for (int n = 0; n < kObjectCount; ++n) {
    if (!IsAllowedObject(n)) continue;
    ASSERT_TRUE(Known(f.chart.Lon(n))) << n;
    EXPECT_GE(f.chart.Lon(n), 0) << n;
    EXPECT_LT(f.chart.Lon(n), 360) << n;
    EXPECT_TRUE(Known(f.chart.Object[kSiderealLongitude][n])) << n;
    EXPECT_TRUE(Known(f.chart.Object[kNodeDistance][n])) << n;
    EXPECT_TRUE(Known(f.chart.Object[kDeclinationLongitude][n])) << n;
  }
  EXPECT_TRUE(AllCuspsKnown(f.chart));
  EXPECT_EQ(f.chart.Object[kNodeDistance][kNorthNode], 0);
  EXPECT_NEAR(f.chart.Object[kNodeDistance][kSouthNode], 180, 1e-9);
  for (int k = 1; k <= 12; ++k)
    EXPECT_EQ(f.chart.Object[kHelioLongitude][CuspObject(k)], 30.0 * (k - 1));
  EXPECT_TRUE(Known(f.chart.Object[kHelioLongitude][kNorthNode]));  // barycentre
  EXPECT_TRUE(Known(f.chart.Planet[kTopoMoonRow][0]));
  EXPECT_TRUE(Known(f.chart.Planet[kTopoMoonRow][6]));
  for (int n = 0; n < kPlanetCount; ++n) {
    EXPECT_TRUE(Known(f.chart.Planet[kAltitude][n])) << n;
    EXPECT_TRUE(Known(f.chart.Planet[kMundanePosition][n])) << n;
    EXPECT_TRUE(Known(f.chart.Planet[kPhaseAngle][n])) << n;
  }
  // Eclipses around 1987-10-19: the annular-total eclipse of 1987-03-29 and the annular one
  // of 1987-09-23 lie before, the total eclipse of 1988-03-18 after.
  ASSERT_TRUE(Known(f.chart.PrevEclipseMoment.Centuries));
  ASSERT_TRUE(Known(f.chart.NextEclipseMoment.Centuries));
  EXPECT_NEAR(f.chart.PrevEclipseMoment.Centuries, MomentFromDate(1987, 9, 23, 3.2).Centuries,
              0.3 * DayInCenturies);
  EXPECT_NEAR(f.chart.NextEclipseMoment.Centuries, MomentFromDate(1988, 3, 18, 2.0).Centuries,
              0.3 * DayInCenturies);
  // The prenatal New Moon was the eclipse's: 1987-10-22 is after the chart.
  EXPECT_LT(AngularDistance(f.chart.Lon(kPrenatalNewMoon) - f.chart.Lon(kPrevEclipseMoon)),
            0.5);
}

// Day charts (Sun above the horizon, houses 7..12) add Moon - Sun to the Ascendant, night
// charts Sun - Moon.
TEST(Chart, PartOfFortuneReversesAtNight) {
  for (double hour : {2.0, 7.0, 11.0, 13.0, 16.0, 21.0}) {
    ChartFixture f(2010, 6, 15, DecimalToHms(hour), 0, 51.3, 0);
    f.On({kPartOfFortune, kSun, kMoon});
    ASSERT_TRUE(ComputeChart(f.chart, MomentSource::LocalClock));
    const ChartData& c = f.chart;
    const double alt = c.Planet[kAltitude][kSun];
    ASSERT_GT(std::fabs(alt), 3) << hour;  // well clear of the horizon
    const double day = NormalizeMod(c.Lon(kAscendant) + c.Lon(kMoon) - c.Lon(kSun), 360);
    const double night = NormalizeMod(c.Lon(kAscendant) - c.Lon(kMoon) + c.Lon(kSun), 360);
    EXPECT_NEAR(c.Lon(kPartOfFortune), alt > 0 ? day : night, 1e-9) << hour;
  }
}

TEST(Chart, AltitudeAtThePoleIsTheDeclination) {
  for (double lat : {90.0, -90.0}) {
    ChartFixture f(2015, 3, 1, 12, 0, lat, 0);
    f.On({kSun, kMoon, kMars});
    ASSERT_TRUE(ComputeChart(f.chart, MomentSource::LocalClock));
    for (int n : {kSun, kMoon, kMars})
      EXPECT_NEAR(f.chart.Planet[kAltitude][n], lat > 0 ? f.chart.Object[kDeclination][n]
                                                        : -f.chart.Object[kDeclination][n],
                  1e-6)
          << n;
  }
}

// Whatever the event block holds, the computation ends, writes only NoValue or finite
// numbers, and keeps known longitudes in [0, 360).
TEST(Chart, AbsurdEventsNeverCrashOrHang) {
  struct Case {
    const char* what;
    int year, month, day;
    double time, zone, lat, lon;
    bool positions;  // Sun and Moon computable
  };
  const Case cases[] = {
      {"time NaN", 2000, 1, 1, kNaN, 0, 40, 10, false},
      {"zone inf", 2000, 1, 1, 12, kInf, 40, 10, false},
      {"latitude NaN", 2000, 1, 1, 12, 0, kNaN, 10, true},
      {"longitude inf", 2000, 1, 1, 12, 0, 40, kInf, true},
      {"latitude 1e300", 2000, 1, 1, 12, 0, 1e300, 10, true},
      {"year 100000", 100000, 6, 1, 12, 0, 40, 10, true},
      {"year -100000", -100000, 6, 1, 12, 0, 40, 10, false},
      {"year max", 2147483647, 6, 1, 12, 0, 40, 10, false},
      {"month 0", 2000, 0, 15, 12, 0, 40, 10, true},
      {"month 13", 2000, 13, 15, 12, 0, 40, 10, true},
      {"day 99", 2000, 2, 99, 12, 0, 40, 10, true},
      {"north pole", 2000, 6, 21, 12, 0, 90, 0, true},
      {"south pole", 2000, 6, 21, 12, 0, -90, 0, true},
  };
  for (const Case& cs : cases) {
    ChartFixture f(cs.year, cs.month, cs.day, cs.time, cs.zone, cs.lat, cs.lon);
    f.AllAllowedOn();
    ASSERT_TRUE(ComputeChart(f.chart, MomentSource::LocalClock)) << cs.what;
    EXPECT_EQ(Known(f.chart.Lon(kSun)), cs.positions) << cs.what;
    for (const auto& row : f.chart.Object)
      for (double v : row) EXPECT_TRUE(v == NoValue || std::isfinite(v)) << cs.what;
    for (const auto& row : f.chart.Planet)
      for (double v : row) EXPECT_TRUE(v == NoValue || std::isfinite(v)) << cs.what;
    for (int n = 0; n < kObjectCount; ++n)
      if (Known(f.chart.Lon(n))) {
        EXPECT_GE(f.chart.Lon(n), 0) << cs.what << " object " << n;
        EXPECT_LT(f.chart.Lon(n), 360) << cs.what << " object " << n;
      }
    EXPECT_TRUE(!IsValue(f.chart.Moment) || std::isfinite(f.chart.Moment.Centuries)) << cs.what;
    if (!std::isfinite(cs.lat) || std::fabs(cs.lat) > 90) {
      EXPECT_FALSE(AllCuspsKnown(f.chart)) << cs.what;
      EXPECT_EQ(f.chart.Planet[kAltitude][kSun], NoValue) << cs.what;
    }
    if (std::fabs(cs.lat) == 90) {
      EXPECT_TRUE(AllCuspsKnown(f.chart)) << cs.what;
    }
  }
}

TEST(Chart, ModeOneWithoutAMomentLeavesTheEventAlone) {
  ChartFixture f = NewYork();
  f.chart.Moment = ChartMoment(kNaN);
  f.On({kSun});
  ASSERT_TRUE(ComputeChart(f.chart, MomentSource::Moment));
  EXPECT_EQ(f.chart.Moment, kNoMoment);
  EXPECT_EQ(f.chart.Event.Year, 1987);
  EXPECT_EQ(f.chart.Event.Day, 19);
  EXPECT_EQ(f.chart.Lon(kSun), NoValue);
}

TEST(Chart, CompositeValueReadsObjectsSignsConstantsAndRates) {
  double row[kObjectCount];
  for (double& v : row) v = NoValue;
  row[0] = 100, row[1] = 200, row[2] = 50, row[5] = 300.5;
  const ChartMoment t2000 = MomentFromDate(2000, 1, 1, 0);
  auto f = [](std::initializer_list<int> bytes, const std::string& tail = "") {
    std::string s;
    for (int b : bytes) s += static_cast<char>(b);
    return s + tail;
  };
  struct Case {
    std::string formula;
    ChartMoment t;
    double value;
  };
  const Case cases[] = {
      {std::string(CompositeFormula), t2000, 250},                    // Sun + Moon - Mercury
      {f({0, 1}), t2000, 300},                                        // sign starts +
      {f({251, 0, 1}), t2000, NormalizeMod(-300, 360)},               // sign persists
      {f({0, 251, 1, 250, 2}), t2000, NormalizeMod(100 - 200 + 50, 360)},
      {f({5, 5}), t2000, NormalizeMod(601, 360)},
      {f({0, 254}) + "10.30" + f({254}), t2000, 110.5},               // constant 10 deg 30'
      {f({0, 251, 254}) + "10.30" + f({254}), t2000, 89.5},
      {f({0, 253}) + "1.30" + f({253}), t2000 + 365.24219879 * DayInCenturies * 2, 103},
      {f({0, 253}) + "1.30" + f({253}), t2000, 100},
      {f({0, 3}), t2000, NoValue},                                    // Venus unknown
      {f({0, 41}), t2000, NoValue},                                   // not an object
      {f({0, 254}) + "10.30", t2000, NoValue},                        // unclosed
      {f({0, 254}) + "x" + f({254}), t2000, NoValue},                 // not a number
      {f({0, 253}) + "1" + f({253}), ChartMoment(kNaN), NoValue},
  };
  for (const Case& c : cases) {
    const double v = CompositeValue(c.formula, row, c.t);
    if (c.value == NoValue) {
      EXPECT_EQ(v, NoValue) << c.formula.size();
    } else {
      EXPECT_NEAR(v, c.value, 1e-9) << c.formula.size();
    }
  }
}

TEST(Chart, DeclinationLongitudeInvertsTheEcliptic) {
  const ChartMoment t{1.1};
  const double eps = TrueObliquity(t);
  for (double lon = 0.5; lon < 360; lon += 17.25) {
    const double dec = ArcSinGuarded(SinDeg(lon) * SinDeg(eps)) * kRadToDeg;
    const double ra = FullCircleAtan(CosDeg(lon), SinDeg(lon) * CosDeg(eps)) * kRadToDeg;
    EXPECT_NEAR(DeclinationFromLongitude(dec, ra, t), lon, 1e-7) << lon;
  }
  // Beyond the obliquity the declination is mirrored back at the solstice.
  EXPECT_NEAR(DeclinationFromLongitude(eps + 2, 85, t), DeclinationFromLongitude(eps - 2, 85, t),
              1e-9);
  EXPECT_NEAR(DeclinationFromLongitude(eps, 90, t), 90, 1e-5);
  EXPECT_EQ(DeclinationFromLongitude(kNaN, 10, t), 0);
}

TEST(Chart, TopocentricShiftIsTheParallaxAtMost) {
  const ChartMoment t{1.2};
  for (double lat : {-60.0, 0.0, 45.0, 89.0})
    for (double lon : {0.0, 90.0, 200.0}) {
      const EclipticPoint moon = Topocentric(120, 3, 0.00257, t, lat, lon);
      ASSERT_TRUE(IsValue(moon.Lon));
      const double sep = std::acos(SinDeg(3) * SinDeg(moon.Lat) +
                                   CosDeg(3) * CosDeg(moon.Lat) * CosDeg(moon.Lon - 120)) *
                         kRadToDeg;
      EXPECT_LE(sep, 0.00244277 / 0.00257 + 1e-6);
      const EclipticPoint far = Topocentric(120, 3, 1e9, t, lat, lon);
      EXPECT_NEAR(far.Lon, 120, 1e-9);
      EXPECT_NEAR(far.Lat, 3, 1e-9);
    }
  EXPECT_EQ(Topocentric(120, 3, NoValue, t, 0, 0).Lon, NoValue);
  EXPECT_EQ(Topocentric(120, 3, 0.00257, ChartMoment(kNaN), 0, 0).Lat, NoValue);
}

}  // namespace
}  // namespace sd::astro

namespace sd::astro {
namespace {

// The settings the program does not run with still select working code paths.
TEST(ChartSettingsPaths, OtherSettingValuesChangeWhatTheyName) {
  auto compute = [](const ChartSettings& st) {
    ChartData c;
    c.Event.Year = 2010, c.Event.Month = 6, c.Event.Day = 15, c.Event.LocalTime = 2;
    c.Event.PlaceLatitude = 51.3;
    for (int n = 0; n < kObjectCount; ++n) c.ObjectOn[n] = IsAllowedObject(n);
    EXPECT_TRUE(ComputeChartWith(c, MomentSource::LocalClock, st));
    return c;
  };
  const ChartData base = compute(kChartSettings);
  ASSERT_LT(base.Planet[kAltitude][kSun], 0);  // a night chart

  ChartSettings st = kChartSettings;
  st.HelioCusps = 0;
  EXPECT_EQ(compute(st).Object[kHelioLongitude][kAscendant], NoValue);
  st.HelioCusps = 2;
  EXPECT_EQ(compute(st).Object[kHelioLongitude][kMidheaven], base.Lon(kMidheaven));

  st = kChartSettings;
  st.PartsNight = 0;  // day formula at night too
  const ChartData day = compute(st);
  EXPECT_NEAR(day.Lon(kPartOfFortune),
              NormalizeMod(base.Lon(kAscendant) + base.Lon(kMoon) - base.Lon(kSun), 360), 1e-9);
  EXPECT_GT(AngularDistance(day.Lon(kPartOfFortune) - base.Lon(kPartOfFortune)), 1);

  st = kChartSettings;
  st.Topocentric = 1;
  const ChartData topo = compute(st);
  const double shift = AngularDistance(topo.Lon(kMoon) - base.Lon(kMoon));
  EXPECT_GT(shift, 0.01);
  EXPECT_LT(shift, 1.0);
  EXPECT_EQ(topo.Planet[kTopoMoonRow][0], topo.Lon(kMoon));
  EXPECT_NEAR(base.Planet[kTopoMoonRow][0], topo.Lon(kMoon), 1e-9);
  EXPECT_LT(AngularDistance(topo.Lon(kSaturn) - base.Lon(kSaturn)), 0.001);

  st = kChartSettings;
  st.WhiteMoon = 1;
  const ChartData white = compute(st);
  const double days = (white.Moment - MomentFromDate(1800, 1, 1, 0)) / DayInCenturies;
  EXPECT_NEAR(white.Lon(kPerigee), NormalizeMod(days * 0.1408138 + 36.13333333333, 360), 1e-6);
}

}  // namespace
}  // namespace sd::astro

namespace sd::astro {
namespace {

// The phase angle closes the Sun-Earth-planet triangle drawn on the ecliptic: for Mercury and
// Venus it exceeds the heliocentric angle Earth-Sun-planet by the elongation, for the outer
// planets it is 180 minus the elongation. The elongation comes from the geocentric places,
// the phase angle from the heliocentric ones.
TEST(ChartPhase, PlanetPhaseAnglesAgreeWithTheElongation) {
  for (double t : {-0.7, 0.13, 0.8765, 1.0, 1.2222}) {
    ChartData c;
    c.Moment = ChartMoment(t);
    for (int n = kSun; n <= kPluto; ++n) c.ObjectOn[n] = 1;
    ASSERT_TRUE(ComputeChart(c, MomentSource::AsIs));
    for (int n = kMercury; n <= kPluto; ++n) {
      const double phase = c.Planet[kPhaseAngle][n];
      ASSERT_TRUE(IsValue(phase)) << n;
      EXPECT_GE(phase, 0);
      EXPECT_LT(phase, 360);
      const double elongation = AngularDistance(c.Lon(n) - c.Lon(kSun));
      if (n <= kVenus) {
        const double g = c.Object[kHelioLongitude][n] - c.Object[kHelioLongitude][kSun];
        EXPECT_NEAR(AngularDistance(phase - g), elongation, 0.1) << "t " << t << " planet " << n;
      } else {
        EXPECT_NEAR(AngularDistance(phase), 180 - elongation, 0.1) << "t " << t << " planet " << n;
      }
    }
  }
}

}  // namespace
}  // namespace sd::astro
