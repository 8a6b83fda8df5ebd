#include "eval/aspect_factor.h"

#include <gtest/gtest.h>

#include <cmath>

#include "astro/angles.h"
#include "astro/aspects.h"
#include "astro/obliquity.h"

namespace sd::eval {
namespace {

// Every row of the Moon and the Ascendant holds its own value, so a reader that picks the wrong
// row or column shows it.
TEST(Coordinates, EachCoordinateReadsItsOwnRow) {
  astro::ChartData chart;
  astro::MomentSnapshot snap;
  chart.Object[astro::kLongitude][astro::kMoon] = 11;
  chart.Object[astro::kHelioLongitude][astro::kMoon] = 12;
  chart.Object[astro::kDeclination][astro::kMoon] = 13;
  chart.Object[astro::kDeclinationLongitude][astro::kMoon] = 14;
  chart.Planet[astro::kRightAscension][astro::kMoon] = 15;
  chart.Planet[astro::kLatitude][astro::kMoon] = 16;
  chart.Planet[astro::kHelioLatitude][astro::kMoon] = 17;
  chart.Planet[astro::kPhaseAngle][astro::kMoon] = 18;
  chart.Planet[astro::kMundanePosition][astro::kMoon] = 19;
  chart.Object[astro::kLongitude][astro::kAscendant] = 21;
  chart.Object[astro::kDeclination][astro::kAscendant] = 23;
  snap.SetLongitude(astro::kMoon, 11);
  snap.SetHelioLongitude(astro::kMoon, 12);
  snap.SetDeclination(astro::kMoon, 13);
  snap.SetPlanetRow(astro::snapshot_offset::kRightAscension, astro::kMoon, 15);
  snap.SetPlanetRow(astro::snapshot_offset::kLatitude, astro::kMoon, 16);
  snap.SetPlanetRow(astro::snapshot_offset::kHelioLatitude, astro::kMoon, 17);
  snap.SetPhaseAngle(astro::kMoon, 18);
  snap.SetPlanetRow(astro::snapshot_offset::kMundanePosition, astro::kMoon, 19);
  snap.SetLongitude(astro::kAscendant, 21);
  snap.SetDeclination(astro::kAscendant, 23);
  snap.SetLongitude(astro::kMars, astro::NoValue);  // a fresh snapshot holds zeros, not NoValue

  struct Case { int coord, obj; double expected; };
  const Case cases[] = {
      {kCoordLongitude, astro::kMoon, 11},
      {kCoordLongitudeLatitude, astro::kMoon, 11},
      {kCoordHelioLongitude, astro::kMoon, 12},
      {kCoordDeclination, astro::kMoon, 13},
      {kCoordRightAscension, astro::kMoon, 15},
      {kCoordLatitude, astro::kMoon, 16},
      {kCoordHelioLatitude, astro::kMoon, 17},
      {kCoordPhaseAngle, astro::kMoon, 18},
      {kCoordMundanePosition, astro::kMoon, 19},
      {9, astro::kMoon, 0},
      {12, astro::kAscendant, 0},
      {kCoordLongitude, astro::kAscendant, 21},
      {kCoordDeclination, astro::kAscendant, 23},
      {kCoordRightAscension, astro::kAscendant, astro::NoValue},
      {kCoordMundanePosition, astro::kAscendant, astro::NoValue},
      {kCoordPhaseAngle, astro::kAscendant, astro::NoValue},
      {kCoordLongitude, astro::kMars, astro::NoValue},
      {kCoordLongitude, 40, astro::NoValue},
      {kCoordLongitude, -1, astro::NoValue},
      {14, astro::kMoon, astro::NoValue},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(ChartCoordinate(c.coord, chart, c.obj), c.expected, 1e-9) << c.coord << "/" << c.obj;
    EXPECT_NEAR(SnapshotCoordinate(c.coord, snap, c.obj, astro::ChartMoment(1.0)), c.expected, 1e-9)
        << c.coord << "/" << c.obj;
  }
  EXPECT_EQ(ChartCoordinate(kCoordDeclinationLongitude, chart, astro::kMoon), 14);
}

// A snapshot has no projected-longitude row: the reader finds the ecliptic longitude that has the
// planet's declination, on the side of the colure where the planet's longitude lies.
TEST(Coordinates, SnapshotProjectsTheDeclination) {
  const astro::ChartMoment t{1.0};
  const double eps = astro::TrueObliquity(t);
  astro::MomentSnapshot snap;
  struct Case { double lon, decl; bool far_side; };
  for (const Case& c : {Case{11, 13, false}, Case{200, -20, true}, Case{300, -5, false}, Case{95, 23, true}}) {
    snap.SetLongitude(astro::kMars, c.lon);
    snap.SetDeclination(astro::kMars, c.decl);
    const double p = SnapshotCoordinate(kCoordDeclinationLongitude, snap, astro::kMars, t);
    EXPECT_NEAR(std::asin(astro::SinDeg(p) * astro::SinDeg(eps)) * astro::kRadToDeg, c.decl, 1e-6) << c.lon;
    EXPECT_EQ(p > 90 && p < 270, c.far_side) << c.lon;
  }
  snap.SetLongitude(astro::kAscendant, 123);
  snap.SetDeclination(astro::kAscendant, 5);
  EXPECT_NEAR(SnapshotCoordinate(kCoordDeclinationLongitude, snap, astro::kAscendant, t), 123, 1e-8);
  snap.SetDeclination(astro::kMars, astro::NoValue);
  EXPECT_EQ(SnapshotCoordinate(kCoordDeclinationLongitude, snap, astro::kMars, t), astro::NoValue);
}

TEST(ApplyHarmonic, TreatmentByCoordinate) {
  struct Case { int coord; double value; int harmonic; double expected; const char* what; };
  const Case cases[] = {
      {kCoordLongitude, 10, 4, 40, "10 in the fourth harmonic"},
      {kCoordLongitude, 100, 4, 40, "100 meets 10 there"},
      {kCoordRightAscension, 350, 2, 340, "reduced"},
      {kCoordHelioLongitude, 200, 1, 200, "first harmonic"},
      {kCoordPhaseAngle, 270, 3, 90, "phase angle reduced"},
      {kCoordMundanePosition, 359, 2, 358, "mundane position reduced"},
      {kCoordDeclinationLongitude, 200, 2, 40, "projected longitude reduced"},
      {kCoordLatitude, 5, 3, 15, "latitude multiplied"},
      {kCoordDeclination, 23, 20, 460, "declination not reduced"},
      {kCoordHelioLatitude, -2, 4, -8, "sign kept"},
      {kCoordLongitudeLatitude, 123, 4, 123, "great-circle coordinate takes no harmonic"},
      {9, 123, 4, 0, "measures nothing"},
      {12, astro::NoValue, 4, 0, "measures nothing, even when missing"},
      {kCoordLongitude, astro::NoValue, 4, astro::NoValue, "a missing position stays missing"},
      {kCoordDeclination, astro::NoValue, 2, astro::NoValue, "also unreduced"},
  };
  for (const Case& c : cases) EXPECT_NEAR(ApplyHarmonic(c.coord, c.value, c.harmonic), c.expected, 1e-9) << c.what;
}

TEST(SideAndPhase, Conditions) {
  struct Side { int aspect; uint8_t side; double first, second; bool expected; const char* what; };
  const Side sides[] = {
      {3, 1, 100, 90, true, "first ahead"},
      {3, 1, 90, 100, false, "first behind"},
      {3, 1, 50, 50, true, "level counts as ahead"},
      {3, 2, 90, 100, true, "second ahead"},
      {3, 2, 50, 50, false, "level is not second ahead"},
      {3, 2, 355, 5, true, "second ahead across 0"},
      {3, 1, 5, 355, true, "first ahead across 0"},
      {astro::kConjunction, 2, 100, 90, true, "conjunction is exempt"},
      {astro::kOpposition, 1, 90, 100, true, "opposition is exempt"},
      {3, 0, 90, 100, true, "no condition"},
      {3, 7, 90, 100, true, "unknown side value imposes nothing"},
  };
  for (const Side& c : sides) EXPECT_EQ(SideConditionMet(c.aspect, c.side, c.first, c.second), c.expected) << c.what;

  EXPECT_EQ(AspectPhase(3, 2), kApplying);
  EXPECT_EQ(AspectPhase(-3, 2), kApplying);
  EXPECT_EQ(AspectPhase(2, 3), kSeparating);
  EXPECT_EQ(AspectPhase(-2, 2), kSeparating);  // an orb that does not shrink separates
  struct Mask { int phase; uint8_t mask; bool expected; };
  for (const Mask& c : {Mask{kApplying, 0, true}, Mask{kSeparating, 0, true}, Mask{kApplying, 1, true},
                        Mask{kSeparating, 1, false}, Mask{kApplying, 2, false}, Mask{kSeparating, 2, true},
                        Mask{kApplying, 3, true}, Mask{kSeparating, 3, true}})
    EXPECT_EQ(PhaseAdmitted(c.phase, c.mask), c.expected) << c.phase << " " << int(c.mask);
}

TEST(AspectInOrbTest, Scenarios) {
  struct Case {
    AspectFactorParams params;
    AspectStencil s;
    bool hit;
    double strength, second;
    int phase;
    const char* what;
  };
  const Case cases[] = {
      {{2, 0, 1.0, 0}, {0, 0, 60.5, 60.5}, true, 0.5, -0.5, kSeparating,
       "identical stencil points: separating, half strength at half the orb"},
      {{2, 2, 1.0, 0}, {0, 0, 60.5, 60.5}, true, 0.5, -0.5, kSeparating, "separating admitted"},
      {{2, 1, 1.0, 0}, {0, 0, 60.5, 60.5}, false, 0, 0, 0, "applying only: rejected"},
      {{2, 0, 1.0, 0}, {0, 0, 63, 63}, false, 0, 0, 0, "found with 5 degrees, rejected with 1"},
      {{2, 0, 1.0, 0}, {0, 0, 57.5, 63.5}, true, 1.0, -3.5, kSeparating,
       "exact between the points: full strength although 3.5 off at t"},
      {{2, 0, 1.0, 0}, {0, 0, 59.2, 59.5}, true, 0.5, 0.5, kApplying, "applying inside the orb"},
      {{2, 0, 1.0, 0}, {0, 0, 57, 59.5}, false, 0, 0, 0, "inside the orb at t only"},
      {{2, 0, 6.0, 0}, {0, 0, 64, 63}, true, 0.5, -3, kApplying, "wide orb: profile at the orb at t"},
      {{2, 2, 6.0, 0}, {0, 0, 64, 63}, false, 0, 0, 0, "wide orb, separating only"},
      {{2, 0, 6.0, 0}, {0, 0, 66, 66}, false, 0, 0, 0, "orb equal to the limit is outside the search"},
      {{2, 0, 6.0, 0}, {0, 0, 57, 54.5}, true, 0.0170370868554659, 5.5, kSeparating, "near the limit"},
      {{2, 0, 6.0, 0}, {0, 0, 70, 60}, false, 0, 0, 0, "not found one step before"},
      {{3, 0, 1.0, 1}, {0, 0, 90.2, 90.2}, false, 0, 0, 0, "side 1: second is ahead"},
      {{3, 0, 1.0, 2}, {0, 0, 90.2, 90.2}, true, 0.9045084971874737, -0.2, kSeparating, "side 2 met"},
      {{3, 0, 1.0, 1}, {0, 0, 269.8, 269.8}, true, 0.9045084971874737, 0.2, kSeparating, "waning square, side 1"},
      {{astro::kConjunction, 0, 1.0, 2}, {10, 10, 9.5, 9.5}, true, 0.5, 0.5, kSeparating, "conjunction ignores the side"},
      {{astro::kAntiscion, 0, 1.0, 0}, {10, 10, 170.5, 170.5}, true, 0.5, -0.5, kSeparating, "antiscion"},
      {{astro::kParallel, 0, 1.0, 0}, {10, 10, 10, 10}, false, 0, 0, 0, "the search never yields a parallel"},
      {{2, 0, 1.0, 0}, {astro::NoValue, 0, 60, 60}, false, 0, 0, 0, "missing position"},
  };
  for (const Case& c : cases) {
    const AspectFactorResult r = AspectInOrbTest(c.params, c.s);
    EXPECT_EQ(r.hit, c.hit) << c.what;
    if (!c.hit) continue;
    EXPECT_NEAR(r.strength, c.strength, 1e-9) << c.what;
    EXPECT_NEAR(r.second, c.second, 1e-9) << c.what;
    EXPECT_EQ(r.phase, c.phase) << c.what;
    EXPECT_EQ(r.aspect, c.params.aspect) << c.what;
  }
}

TEST(GreatCircleDistance, KnownArcs) {
  struct Case { double lon1, lat1, lon2, lat2, expected; };
  const Case cases[] = {
      {0, 0, 90, 0, 90}, {0, 0, 0, 90, 90}, {10, 0, 350, 0, 20}, {0, 89, 180, 89, 2},
      {0, 0, 180, 0, 180}, {0, 0, 3, 4, 4.998536879937023}, {123, -5, 123, -5, 0},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(GreatCircleDistance(c.lon1, c.lat1, c.lon2, c.lat2), c.expected, 1e-9) << c.lon1 << " " << c.lat2;
  EXPECT_EQ(GreatCircleDistance(astro::NoValue, 0, 1, 0), astro::NoValue);
  EXPECT_EQ(GreatCircleDistance(0, 0, 1, astro::NoValue), astro::NoValue);
}

TEST(CloseApproachTest, ClosestPointOfTheStep) {
  struct Case {
    int aspect;
    double limit;
    SkyTrack first, second;
    bool hit;
    double closest_lo, closest_hi;
    const char* what;
  };
  const Case cases[] = {
      {astro::kConjunction,
       2,
       {10, 0, 12, 0},
       {13, 1, 11, 1},
       true,
       1.0,
       1.001,
       "passing one degree apart in latitude"},
      {astro::kConjunction,
       0.9,
       {10, 0, 12, 0},
       {13, 1, 11, 1},
       false,
       0,
       0,
       "closest approach not below the orb"},
      {astro::kOpposition, 1, {10, 0, 12, 0}, {193, 0, 191, 0}, true, 0, 0.05, "opposition"},
      {astro::kConjunction, 1, {359, 0, 3, 0}, {1, 0.5, 1, 0.5}, true, 0.4999, 0.5001, "passing 0 Aries"},
      {astro::kConjunction,
       30,
       {0, 0, 40, 0},
       {20, 0, 20, 0},
       false,
       0,
       0,
       "20 apart at t: outside the window"},
      {astro::kConjunction, 30, {0, 0, 40, 0}, {4, 0, 60, 0}, false, 0, 0, "20 apart at the end of the step"},
      {3, 5, {10, 0, 12, 0}, {13, 1, 11, 1}, false, 0, 0, "only conjunction and opposition"},
      {astro::kConjunction, 2, {astro::NoValue, 0, 12, 0}, {13, 1, 11, 1}, false, 0, 0, "missing position"},
  };
  for (const Case& c : cases) {
    const AspectFactorResult r = CloseApproachTest(c.aspect, c.limit, c.first, c.second);
    EXPECT_EQ(r.hit, c.hit) << c.what;
    if (!c.hit) continue;
    EXPECT_GE(r.second, c.closest_lo) << c.what;
    EXPECT_LE(r.second, c.closest_hi) << c.what;
    EXPECT_NEAR(r.strength, (std::cos(astro::kPi * r.second / c.limit) + 1) / 2, 1e-12) << c.what;
    EXPECT_EQ(r.phase, 0) << c.what;
  }
}

TEST(ExactMomentTest, PassageThroughTheExactPoint) {
  struct Case {
    AspectFactorParams params;
    int harmonic;
    ExactStencil s;
    bool hit;
    double fraction;
    const char* what;
  };
  const Case cases[] = {
      {{astro::kConjunction, 0, 1, 0}, 1, {0, 0, 359, 1}, true, 0.5, "conjunction across 0"},
      {{astro::kConjunction, 0, 1, 0}, 1, {0, 0, 355, 357}, false, 0, "still approaching"},
      {{3, 0, 1, 0}, 1, {0, 0, 89, 92}, true, 1.0 / 3, "square passed a third into the step"},
      {{3, 0, 1, 1}, 1, {0, 0, 89, 91}, false, 0, "side 1 fails: second ahead"},
      {{3, 0, 1, 2}, 1, {0, 0, 89, 91}, true, 0.5, "side 2 met"},
      {{3, 0, 1, 0}, 2, {0, 0, 170, 190}, false, 0, "nearer square point switches sides: no passage"},
      {{3, 0, 1, 0}, 1, {0, 0, 70, 80}, false, 0, "outside the 17 degree window"},
      {{3, 0, 1, 0}, 2, {0, 0, 70, 80}, false, 0, "inside the harmonic window but never exact"},
      {{astro::kAntiscion, 0, 1, 0}, 1, {10, 10, 169, 171}, true, 0.5, "antiscion"},
      {{astro::kAntiscion, 0, 1, 0}, 1, {10, 12, 168, 169}, true, 2.0 / 3, "antiscion with both moving"},
      {{astro::kParallel, 0, 1, 0}, 1, {5, 5, 4.9, 5.1}, false, 0, "parallels are never found"},
      {{astro::kConjunction, 0, 1, 0}, 1, {0, 0, astro::NoValue, 1}, false, 0, "missing position"},
  };
  for (const Case& c : cases) {
    const AspectFactorResult r = ExactMomentTest(c.params, c.harmonic, c.s);
    EXPECT_EQ(r.hit, c.hit) << c.what;
    if (!c.hit) continue;
    EXPECT_EQ(r.strength, 1.0) << c.what;
    EXPECT_NEAR(r.second, c.fraction, 1e-9) << c.what;
  }
}

TEST(VisitAspectPair, EachUnorderedPairOnce) {
  const astro::ObjectSet both{astro::kSun, astro::kMoon};
  const astro::ObjectSet sun{astro::kSun};
  struct Case { bool suppress; astro::ObjectSet first, second; int i, j; bool expected; const char* what; };
  const Case cases[] = {
      {true, both, both, astro::kSun, astro::kMoon, true, "Sun with Moon"},
      {true, both, both, astro::kMoon, astro::kSun, false, "not again as Moon with Sun"},
      {true, both, both, astro::kSun, astro::kSun, false, "never with itself"},
      {true, both, both, astro::kMoon, astro::kMoon, false, "never with itself"},
      {false, both, both, astro::kMoon, astro::kSun, true, "without suppression every order counts"},
      {false, both, both, astro::kSun, astro::kSun, true, "and even self pairs"},
      {true, sun, both, astro::kSun, astro::kMoon, true, "Moon only in the second set"},
      {true, sun, both, astro::kSun, astro::kSun, false, "Sun in both sets"},
  };
  for (const Case& c : cases) EXPECT_EQ(VisitAspectPair(c.suppress, c.first, c.second, c.i, c.j), c.expected) << c.what;
}

}  // namespace
}  // namespace sd::eval
