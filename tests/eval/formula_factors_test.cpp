#include "eval/formula_factors.h"

#include <gtest/gtest.h>

#include <cmath>

#include "astro/chart_data.h"
#include "astro/moment.h"
#include "eval/aspect_factor.h"
#include "hand_stencil.h"

namespace sd::eval {
namespace {

double Profile(double orb, double limit) { return (std::cos(astro::kPi * std::fabs(orb) / limit) + 1) / 2; }

TEST(FormulaPoint, WeightedSumsOfPositions) {
  struct Case {
    const char* what;
    int coord;
    double pos[4];
    uint8_t codes[4];
    double constant, expected;
  };
  const Case cases[] = {
      {"Asc + Moon - Sun", kCoordLongitude, {100, 250, 300, 7}, {0, 0, 1, 2}, 0, 50},
      {"Asc + Moon - Sun, reduced", kCoordLongitude, {300, 200, 50, 7}, {0, 0, 1, 2}, 0, 90},
      {"Asc + Moon - Sun, below 0", kCoordLongitude, {10, 20, 300, 7}, {0, 0, 1, 2}, 0, 90},
      {"mean, not the nearer midpoint", kCoordLongitude, {350, 10, 7, 7}, {3, 3, 2, 2}, 0, 180},
      {"thirds", kCoordLongitude, {30, 60, 90, 7}, {5, 5, 5, 2}, 0, 60},
      {"minus a half and a third", kCoordLongitude, {100, 90, 60, 0}, {0, 4, 6, 2}, 0, 35},
      {"constant", kCoordLongitude, {100, 0, 0, 0}, {0, 2, 2, 2}, 275, 15},
      {"fourth term counts", kCoordLongitude, {100, 0, 0, 40}, {0, 2, 2, 1}, 0, 60},
      {"unknown code leaves the term out", kCoordLongitude, {100, 55, 0, 0}, {0, 9, 2, 2}, 0, 100},
      {"declination stays signed", kCoordDeclination, {5, 20, 0, 0}, {0, 1, 2, 2}, 0, -15},
      {"latitude mean", kCoordLatitude, {1, -3, 0, 0}, {3, 3, 2, 2}, 0, -1},
      {"right ascension", kCoordRightAscension, {350, 20, 0, 0}, {0, 0, 2, 2}, 0, 10},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(FormulaPoint(c.coord, c.pos, c.codes, c.constant), c.expected, 1e-9) << c.what;

  const uint8_t asc_moon_sun[4] = {0, 0, 1, 2};
  // An absent object spoils the point only when its term counts.
  EXPECT_EQ(FormulaPoint(kCoordLongitude, {100, astro::NoValue, 300, 0}, asc_moon_sun, 0), astro::NoValue);
  EXPECT_NEAR(FormulaPoint(kCoordLongitude, {100, 250, 300, astro::NoValue}, asc_moon_sun, 0), 50, 1e-9);
  EXPECT_EQ(FormulaPoint(kCoordLongitudeLatitude, {100, 250, 300, 0}, asc_moon_sun, 0), astro::NoValue);
}

// ---- the event loop ----------------------------------------------------------------------

// Point: natal Ascendant + Moon - Sun (100 + 250 - 300 = 50); objects from the transits.
model::EventDef AscMoonSun(astro::ObjectSet objects, astro::ObjectSet aspects, double orb) {
  model::EventDef def = testing::BlankEvent(16);
  model::EvKind16& k = def.K.k16;
  k.Object1 = astro::kAscendant;
  k.Object2 = astro::kMoon;
  k.Object3 = astro::kSun;
  k.Object4 = astro::kMars;
  k.Code1 = 0;
  k.Code2 = 0;
  k.Code3 = 1;
  k.Code4 = 2;
  k.Aspects = aspects;
  k.Aspecting = objects;
  k.Charts = 1;
  k.Orb = orb;
  k.Harmonic = 1;
  k.Coordinate = kCoordLongitude;
  return def;
}

class FormulaEvent : public ::testing::Test {
 protected:
  void SetUp() override {
    st.NatalLon(astro::kAscendant, 100);
    st.NatalLon(astro::kMoon, 250);
    st.NatalLon(astro::kSun, 300);
  }
  testing::HandStencil st;
};

TEST_F(FormulaEvent, OrbLimitBelowTheDetectionOrb) {
  struct Case { const char* what; double before, at; int hits; double strength; };
  const Case cases[] = {
      {"within 4 at both points", 53.5, 53.5, 1, Profile(3.5, 4)},
      {"4.5 off: found by the wide search only", 54.5, 54.5, 0, 0},
      {"exact during the step", 45.5, 54.5, 1, 1.0},
      {"exact during the step, backwards", 54.0, 49.9, 1, 1.0},
      {"entering the detection orb", 56.0, 54.0, 0, 0},
  };
  for (const Case& c : cases) {
    st.TransitLon(astro::kMercury, c.before, c.at, c.at, c.at);
    const eval::EventResult r = st.Evaluate(AscMoonSun({astro::kMercury}, {1}, 4));
    EXPECT_EQ(r.Hits, c.hits) << c.what;
    EXPECT_NEAR(static_cast<double>(r.Graded), c.strength, 1e-9) << c.what;
  }
}

TEST_F(FormulaEvent, WideOrbAndSeveralAspects) {
  st.TransitLon(astro::kMercury, 56);   // conjunction, 6 off
  st.TransitLon(astro::kVenus, 140);    // exact square
  st.TransitLon(astro::kJupiter, 229);  // opposition, 1 off
  const eval::EventResult r =
      st.Evaluate(AscMoonSun({astro::kMercury, astro::kVenus, astro::kJupiter}, {1, 3, 5}, 8));
  EXPECT_EQ(r.Hits, 3);
  EXPECT_NEAR(static_cast<double>(r.Graded), Profile(6, 8) + 1.0 + Profile(1, 8), 1e-9);
  // Without the square among the aspects Venus adds nothing.
  EXPECT_EQ(st.Evaluate(AscMoonSun({astro::kMercury, astro::kVenus, astro::kJupiter}, {1, 5}, 8)).Hits, 2);
}

TEST_F(FormulaEvent, ChartsAndHarmonic) {
  st.TransitLon(astro::kMercury, 50.5);
  st.NatalLon(astro::kMercury, 140.5);
  model::EventDef def = AscMoonSun({astro::kMercury}, {1}, 4);
  EXPECT_EQ(st.Evaluate(def).Hits, 1);
  def.K.k16.Charts = 3;  // objects natal too: natal Mercury is square, not conjunct
  EXPECT_EQ(st.Evaluate(def).Hits, 0);
  def.K.k16.Aspects = {3};
  EXPECT_EQ(st.Evaluate(def).Hits, 1);
  // In the second harmonic the square becomes an opposition: 100 against 281.
  def.K.k16.Harmonic = 2;
  EXPECT_EQ(st.Evaluate(def).Hits, 0);
  def.K.k16.Aspects = {5};
  const eval::EventResult r = st.Evaluate(def);
  EXPECT_EQ(r.Hits, 1);
  EXPECT_NEAR(static_cast<double>(r.Graded), Profile(1, 4), 1e-9);
}

TEST_F(FormulaEvent, ExactMomentPassesBetweenTAndTheNextStep) {
  st.TransitLon(astro::kMoon, 40, 45, 55, 65);
  model::EventDef def = AscMoonSun({astro::kMoon}, {1}, 4);
  def.CM = 1;
  const eval::EventResult r = st.Evaluate(def);
  EXPECT_EQ(r.Hits, 1);
  EXPECT_EQ(r.Graded, 1.0);
  st.TransitLon(astro::kMoon, 40, 55, 65, 75);  // passed before t
  EXPECT_EQ(st.Evaluate(def).Hits, 0);
}

}  // namespace
}  // namespace sd::eval
