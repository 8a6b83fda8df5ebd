#include "eval/angle_factors.h"

#include <gtest/gtest.h>

#include <cmath>

#include "astro/angles.h"
#include "astro/chart_data.h"
#include "eval/aspect_factor.h"
#include "hand_stencil.h"

namespace sd::eval {
namespace {

double Profile(double dev, double limit) { return (std::cos(astro::kPi * std::fabs(dev) / limit) + 1) / 2; }

TEST(AngleCombination, DifferenceAndMidpointPerCoordinate) {
  struct Case { int coord, op; double x, y, expected; };
  const Case cases[] = {
      {kCoordLongitude, kAngleDifference, 10, 350, 340},
      {kCoordLongitude, kAngleDifference, 350, 10, 20},
      {kCoordLongitude, kAngleMidpoint, 350, 10, 0},    // the nearer midpoint, not 180
      {kCoordLongitude, kAngleMidpoint, 0, 180, 90},
      {kCoordLongitude, kAngleMidpoint, 100, 300, 20},
      {kCoordLatitude, kAngleDifference, 2, -3, -5},    // signed, not reduced
      {kCoordDeclination, kAngleMidpoint, 2, -3, -0.5},
      {kCoordHelioLatitude, kAngleMidpoint, 350, 10, 180},  // plain arithmetic mean
      {kCoordRightAscension, kAngleDifference, 300, 30, 90},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(CombinedAngle(c.coord, c.op, c.x, c.y), c.expected, 1e-12)
        << c.coord << " op " << c.op << " " << c.x << " " << c.y;
  EXPECT_EQ(CombinedAngle(kCoordLongitude, kAngleDifference, astro::NoValue, 10), astro::NoValue);
  EXPECT_EQ(CombinedAngle(kCoordLongitude, kAngleMidpoint, 10, astro::NoValue), astro::NoValue);
  EXPECT_EQ(CombinedAngle(kCoordLongitude, 2, 10, 20), astro::NoValue);
}

TEST(AngleInOrb, DeviationCrossingAndPhase) {
  struct Case {
    const char* what;
    int coord;
    double target, orb;
    uint8_t mask;
    double prev, now;
    bool hit;
    double strength, second;
    int phase;
  };
  const Case cases[] = {
      {"half the orb below 0", kCoordLongitude, 0, 1, 0, 359.5, 359.5, true, 0.5, 0.5, 2},
      {"crossed the target, 3 past it", kCoordLongitude, 0, 1, 0, 358, 3, true, 0, -3, 2},
      {"3 off without crossing", kCoordLongitude, 0, 1, 0, 4, 3, false, 0, 0, 0},
      {"applying, mask open", kCoordLongitude, 0, 1, 0, 2, 0.5, true, 0.5, -0.5, 1},
      {"applying, applying only", kCoordLongitude, 0, 1, 1, 2, 0.5, true, 0.5, -0.5, 1},
      {"applying, separating only", kCoordLongitude, 0, 1, 2, 2, 0.5, false, 0, 0, 0},
      {"applying, both bits", kCoordLongitude, 0, 1, 3, 2, 0.5, true, 0.5, -0.5, 1},
      {"standing still is separating", kCoordLongitude, 45, 2, 1, 45.5, 45.5, false, 0, 0, 0},
      {"standing still, separating only", kCoordLongitude, 45, 2, 2, 45.5, 45.5, true,
       Profile(0.5, 2), -0.5, 2},
      {"latitude compares as numbers", kCoordLatitude, 1, 1, 0, 0.5, 0.5, true, 0.5, 0.5, 2},
      {"latitude does not wrap", kCoordLatitude, 0, 1, 0, 359.5, 359.5, false, 0, 0, 0},
      {"latitude crossing", kCoordLatitude, 0, 1, 0, -0.2, 2, true, 0, -2, 2},
      {"outside the orb", kCoordLongitude, 120, 5, 0, 126, 126, false, 0, 0, 0},
      {"at the orb limit", kCoordLongitude, 120, 5, 0, 125, 125, true, 0, -5, 2},
  };
  for (const Case& c : cases) {
    const AngleFactorResult r = AngleInOrbTest({c.target, c.orb, c.mask}, c.coord, c.prev, c.now);
    EXPECT_EQ(r.hit, c.hit) << c.what;
    if (!c.hit || !r.hit) continue;
    EXPECT_NEAR(r.strength, c.strength, 1e-12) << c.what;
    EXPECT_NEAR(r.second, c.second, 1e-12) << c.what;
    EXPECT_EQ(r.phase, c.phase) << c.what;
  }
  EXPECT_FALSE(AngleInOrbTest({0, 1, 0}, kCoordLongitude, astro::NoValue, 0).hit);
  EXPECT_FALSE(AngleInOrbTest({0, 1, 0}, kCoordLongitude, 0, astro::NoValue).hit);
}

TEST(AngleExact, ScoresOnlyAPassageThroughTheTarget) {
  struct Case { const char* what; int coord; double target, now, next; bool hit; double fraction; };
  const Case cases[] = {
      {"through 0 forwards", kCoordLongitude, 0, 359.5, 0.5, true, 0.5},
      {"through 0 backwards", kCoordLongitude, 0, 0.25, 359.25, true, 0.25},
      {"short of the target", kCoordLongitude, 0, 0.5, 1.5, false, 0},
      {"standing still", kCoordLongitude, 90, 90.5, 90.5, false, 0},
      // The deviation changes sign at the opposite point too; that is no passage.
      {"through the opposite point", kCoordLongitude, 0, 179.5, 180.5, false, 0},
      {"latitude through 0", kCoordLatitude, 0, -0.2, 0.3, true, 0.4},
  };
  for (const Case& c : cases) {
    const AngleFactorResult r = AngleExactTest({c.target, 1, 0}, c.coord, c.now, c.next);
    EXPECT_EQ(r.hit, c.hit) << c.what;
    if (!r.hit) continue;
    EXPECT_EQ(r.strength, 1.0) << c.what;
    EXPECT_NEAR(r.second, c.fraction, 1e-9) << c.what;
  }
}

// ---- the event loop ----------------------------------------------------------------------

model::EventDef AngleEvent(int chart1, astro::ObjectSet first, int chart2, astro::ObjectSet second,
                           double target, double orb) {
  model::EventDef def = testing::BlankEvent(8);
  def.K.k8.FirstChart = static_cast<uint8_t>(chart1);
  def.K.k8.First = first;
  def.K.k8.SecondChart = static_cast<uint8_t>(chart2);
  def.K.k8.Second = second;
  def.K.k8.Target = target;
  def.K.k8.Orb = orb;
  return def;
}

// Paired with itself an object is compared with the target by its own position: the Moon
// against 0 Aries, near it on either side and after crossing it.
TEST(AngleEvent, AnObjectWithItselfIsItsOwnPosition) {
  struct Case { double before, at; int hits; double strength; };
  const Case cases[] = {
      {0.4, 0.4, 1, Profile(0.4, 1)},
      {359.8, 359.8, 1, Profile(0.2, 1)},
      {357.0, 3.0, 1, 0.0},   // crossed 0 during the step: a hit, beyond the orb
      {3.0, 3.0, 0, 0.0},
      {180.0, 180.0, 0, 0.0},
  };
  for (const Case& c : cases) {
    testing::HandStencil st;
    st.TransitLon(astro::kMoon, c.before, c.at, c.at, c.at);
    const eval::EventResult r = st.Evaluate(AngleEvent(1, {astro::kMoon}, 1, {astro::kMoon}, 0, 1));
    EXPECT_EQ(r.Hits, c.hits) << c.before << " " << c.at;
    EXPECT_NEAR(static_cast<double>(r.Graded), c.strength, 1e-9) << c.before << " " << c.at;
  }
}

// Both sets {Sun, Moon} in one chart: the pairs (Sun, Sun), (Moon, Sun) and (Moon, Moon), each
// once; the pair's value is the second object minus the first.
TEST(AngleEvent, SameChartVisitsEachUnorderedPairOnceAndEachObjectWithItself) {
  testing::HandStencil st;
  st.TransitLon(astro::kSun, 10);
  st.TransitLon(astro::kMoon, 100);
  const eval::EventResult r =
      st.Evaluate(AngleEvent(1, {astro::kSun, astro::kMoon}, 1, {astro::kSun, astro::kMoon}, 0, 180));
  EXPECT_EQ(r.Hits, 3);
  // Sun itself 10 -> deviation -10; Sun - Moon = 270 -> +90; Moon itself -> -100.
  EXPECT_NEAR(static_cast<double>(r.Graded), Profile(10, 180) + Profile(90, 180) + Profile(100, 180),
              1e-9);

  // From different charts the same numbers are two objects, and every combination counts.
  st.NatalLon(astro::kSun, 10);
  st.NatalLon(astro::kMoon, 100);
  const eval::EventResult cross =
      st.Evaluate(AngleEvent(0, {astro::kSun, astro::kMoon}, 1, {astro::kSun, astro::kMoon}, 0, 180));
  EXPECT_EQ(cross.Hits, 4);
}

// A natal object measured against a transit one keeps its position at t for all stencil points,
// so the pair stands still and its hit is separating.
TEST(AngleEvent, NatalAgainstTransitKeepsTheNatalObjectStill) {
  testing::HandStencil st(1.0, 1.0);
  st.NatalLon(astro::kSun, 50, 0, 0, 0);
  st.TransitLon(astro::kMoon, 90);
  model::EventDef def = AngleEvent(0, {astro::kSun}, 1, {astro::kMoon}, 90, 1);
  def.K.k8.Phases = 2;  // separating only
  EXPECT_EQ(st.Evaluate(def).Hits, 1);
  def.K.k8.Phases = 1;  // applying only
  EXPECT_EQ(st.Evaluate(def).Hits, 0);

  // Both natal: the stencil charts count, and the pair closed in on the target.
  st.NatalLon(astro::kMoon, 90);
  model::EventDef natal = AngleEvent(0, {astro::kSun}, 0, {astro::kMoon}, 90, 1);
  natal.K.k8.Phases = 1;
  EXPECT_EQ(st.Evaluate(natal).Hits, 1);
}

// The separation of two planets along the great circle, from longitude and latitude.
TEST(AngleEvent, SeparationUsesLongitudeAndLatitude) {
  testing::HandStencil st;
  st.TransitLon(astro::kMercury, 10);
  st.TransitLon(astro::kVenus, 13);
  st.TransitPlanetRow(astro::snapshot_offset::kLatitude, astro::kMercury, 2, 2, 2, 2);
  st.TransitPlanetRow(astro::snapshot_offset::kLatitude, astro::kVenus, -2, -2, -2, -2);
  const double sep = std::acos(astro::SinDeg(2) * astro::SinDeg(-2) +
                               astro::CosDeg(2) * astro::CosDeg(-2) * astro::CosDeg(3)) *
                     astro::kRadToDeg;
  ASSERT_GT(sep, 4.9);  // more than either difference alone
  model::EventDef def = AngleEvent(1, {astro::kMercury}, 1, {astro::kVenus}, 5, 1);
  def.K.k8.Coordinate = kCoordSeparation;
  const eval::EventResult r = st.Evaluate(def);
  ASSERT_EQ(r.Hits, 1);
  EXPECT_NEAR(static_cast<double>(r.Graded), Profile(5 - sep, 1), 1e-9);

  // In longitude alone the pair is 3 apart: no hit at 5.
  def.K.k8.Coordinate = kCoordLongitude;
  EXPECT_EQ(st.Evaluate(def).Hits, 0);
}

// Exact-moment mode reads t and t + step: the Moon's difference from the Sun passes 90.
TEST(AngleEvent, ExactMomentBetweenTAndTheNextStep) {
  testing::HandStencil st;
  st.TransitLon(astro::kSun, 0);
  st.TransitLon(astro::kMoon, 80, 85, 95, 105);
  model::EventDef def = AngleEvent(1, {astro::kSun}, 1, {astro::kMoon}, 90, 1);
  def.CM = 1;
  const eval::EventResult r = st.Evaluate(def);
  EXPECT_EQ(r.Hits, 1);
  EXPECT_EQ(r.Graded, 1.0);
  def.K.k8.Target = 82;  // passed before t: not in this step
  EXPECT_EQ(st.Evaluate(def).Hits, 0);
}

}  // namespace
}  // namespace sd::eval
