#include "eval/relative_factors.h"

#include <gtest/gtest.h>

#include "astro/moment.h"
#include "one_moment.h"

namespace sd::eval {
namespace {

using testing::EventOfKind;
using testing::OneMoment;

TEST(BehindOrAhead, OrbIsOpenAndTheReferenceItselfCountsAsBehind) {
  struct Case { double x, y; int side; double orb; bool hit; };
  const Case cases[] = {
      {96, 100, 0, 5, true},    {100, 100, 0, 5, true},   {95, 100, 0, 5, false},
      {101, 100, 0, 5, false},  {95.0001, 100, 0, 5, true},
      {101, 100, 1, 5, true},   {100, 100, 1, 5, false},  {104.999, 100, 1, 5, true},
      {105, 100, 1, 5, false},  {99, 100, 1, 5, false},
      {359, 2, 0, 5, true},     {3, 359, 1, 5, true},     {3, 359, 0, 5, false},
      // Half a circle away counts as ahead, whatever the orb.
      {280, 100, 1, 181, true}, {280, 100, 0, 181, false},
      {96, 100, 2, 5, false},   {101, 100, 255, 5, false},
      {astro::NoValue, 100, 0, 5, false}, {96, astro::NoValue, 0, 5, false},
  };
  for (const Case& c : cases) {
    const RelativeResult r = BehindOrAhead(c.x, c.y, c.side, c.orb);
    EXPECT_EQ(r.hit, c.hit) << c.x << " vs " << c.y << " side " << c.side;
    if (r.hit) {
      EXPECT_EQ(r.strength, 1.0);
    }
  }
}

TEST(Between, ShorterArcWithStrengthFromTheMidpoint) {
  struct Case { double x, a, b, orb; bool hit; double strength; };
  const Case cases[] = {
      {15, 10, 20, 15, true, 1.0},  {10, 10, 20, 15, true, 0.5},  {20, 10, 20, 15, true, 0.5},
      {12.5, 10, 20, 15, true, 0.75}, {15, 20, 10, 15, true, 1.0}, {17.5, 20, 10, 15, true, 0.75},
      {25, 10, 20, 15, false, 0},   {5, 10, 20, 15, false, 0},
      {15, 10, 20, 10, false, 0},  // the span must stay below the orb
      {0, 350, 10, 25, true, 1.0},  {355, 350, 10, 25, true, 0.75}, {5, 10, 350, 25, true, 0.75},
      {180, 350, 10, 25, false, 0},
      // The longer arc never counts, however wide the orb.
      {100, 10, 300, 200, false, 0}, {340, 10, 300, 200, true, 65 / 70.0},
      {30, 30, 30, 1, true, 1.0},  // both references on one point
      {astro::NoValue, 10, 20, 15, false, 0}, {15, astro::NoValue, 20, 15, false, 0},
  };
  for (const Case& c : cases) {
    const RelativeResult r = Between(c.x, c.a, c.b, c.orb);
    EXPECT_EQ(r.hit, c.hit) << c.x << " in " << c.a << ".." << c.b;
    if (r.hit) {
      EXPECT_NEAR(r.strength, c.strength, 1e-12) << c.x << " in " << c.a << ".." << c.b;
    }
  }
}

// Transit Mercury 96, Venus 100, Mars 95, Jupiter absent; reference the transit Sun at 100.
TEST(Kind11, TestsEveryMemberButTheReferenceInItsOwnChart) {
  OneMoment m;
  m.Transit(astro::kSun, 100);
  m.Transit(astro::kMercury, 96);
  m.Transit(astro::kVenus, 100);
  m.Transit(astro::kMars, 95);
  m.Natal(astro::kSun, 98);
  model::EventDef def = EventOfKind(11);
  auto& k = def.K.k11;
  k.TestedChart = 1;
  k.Tested = astro::ObjectSet{astro::kSun, astro::kMercury, astro::kVenus, astro::kMars, astro::kJupiter};
  k.ReferenceChart = 1;
  k.Reference = astro::kSun;
  k.Side = 0;
  k.Orb = 5;
  EventResult r = m.Run(def);
  EXPECT_EQ(r.Hits, 2);  // Mercury and Venus; the Sun is not its own reference
  EXPECT_EQ(r.Graded, 2.0L);

  // Against the natal Sun (98) the transit Sun is a candidate like any other: it and Venus
  // stand 2 ahead.
  k.ReferenceChart = 0;
  k.Side = 1;
  r = m.Run(def);
  EXPECT_EQ(r.Hits, 2);
  k.Side = 0;  // Mercury 2 behind, Mars 3 behind
  EXPECT_EQ(m.Run(def).Hits, 2);

  // Natal objects tested against the natal Sun: only those switched on in the natal chart.
  m.Natal(astro::kMoon, 97);
  m.NatalChart().Object[astro::kLongitude][astro::kVenus] = 96;  // a value, but not switched on
  k.TestedChart = 0;
  k.Tested = astro::ObjectSet{astro::kSun, astro::kMoon, astro::kVenus};
  EXPECT_EQ(m.Run(def).Hits, 1);
  // A chart the forecast does not have never hits.
  k.ReferenceChart = 2;
  EXPECT_EQ(m.Run(def).Hits, 0);
}

// Transit Sun 10, Moon 20 as the references; Mercury on the midpoint, Venus on the Sun.
TEST(Kind12, CountsOnePerHitAndSumsTheStrengths) {
  OneMoment m;
  m.Transit(astro::kSun, 10);
  m.Transit(astro::kMoon, 20);
  m.Transit(astro::kMercury, 15);
  m.Transit(astro::kVenus, 10);
  m.Transit(astro::kMars, 25);
  model::EventDef def = EventOfKind(12);
  auto& k = def.K.k12;
  k.TestedChart = 1;
  k.Tested = astro::ObjectSet{astro::kSun,   astro::kMoon, astro::kMercury,
                              astro::kVenus, astro::kMars, astro::kJupiter};
  k.ReferenceChart = 1;
  k.FirstReference = astro::kSun;
  k.SecondReference = astro::kMoon;
  k.LargestArc = 15;
  EventResult r = m.Run(def);
  EXPECT_EQ(r.Hits, 2);  // the references themselves are not tested
  EXPECT_EQ(r.Graded, 2.0L);  // one per hit, whatever the strengths
  k.LargestArc = 10;
  EXPECT_EQ(m.Run(def).Hits, 0);

  // Natal references: the transit Sun and Moon are candidates too, and stand at the ends.
  k.LargestArc = 15;
  k.ReferenceChart = 0;
  m.Natal(astro::kSun, 10);
  m.Natal(astro::kMoon, 20);
  EXPECT_EQ(m.Run(def).Hits, 4);
  // A reference missing from its chart: no candidate hits.
  m.NatalChart().ObjectOn[astro::kMoon] = 0;
  EXPECT_EQ(m.Run(def).Hits, 0);
}

}  // namespace
}  // namespace sd::eval
