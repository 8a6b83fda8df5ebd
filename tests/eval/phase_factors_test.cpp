#include "eval/phase_factors.h"

#include <gtest/gtest.h>

#include "astro/angles.h"
#include "one_moment.h"

namespace sd::eval {
namespace {

using testing::EventOfKind;
using testing::OneMoment;

TEST(LunarPhase, EightPhasesOfThreeThirdsFromTheSun) {
  struct Case { double moon, sun; int phase, third; };
  const Case cases[] = {
      {110, 100, 1, 1}, {150, 100, 2, 1}, {270, 100, 4, 3}, {280, 100, 5, 1},
      {100, 100, 1, 1}, {129.999, 100, 1, 2}, {130, 100, 1, 3}, {144.999, 100, 1, 3},
      {145, 100, 2, 1}, {99.999, 100, 8, 3}, {5, 355, 1, 1}, {350, 20, 8, 2}, {335, 20, 8, 1},
      {astro::NoValue, 100, 0, 0}, {100, astro::NoValue, 0, 0},
  };
  for (const Case& c : cases) {
    const PhasePlace p = LunarPhase(c.moon, c.sun);
    EXPECT_EQ(p.phase, c.phase) << c.moon << " - " << c.sun;
    EXPECT_EQ(p.third, c.third) << c.moon << " - " << c.sun;
  }
}

TEST(PlanetPhase, FromThePhaseAngle) {
  struct Case { double angle; int phase, third; };
  const Case cases[] = {
      {0, 1, 1}, {14.9, 1, 1}, {15, 1, 2}, {44.9, 1, 3}, {45, 2, 1}, {100, 3, 1},
      {179.9, 4, 3}, {180, 5, 1}, {359.99, 8, 3}, {astro::NoValue, 0, 0},
  };
  for (const Case& c : cases) {
    const PhasePlace p = PlanetPhase(c.angle);
    EXPECT_EQ(p.phase, c.phase) << c.angle;
    EXPECT_EQ(p.third, c.third) << c.angle;
  }
}

// The transit Sun at 200 and the Moon walked round it a degree at a time: phase 1, third 3
// holds from 30 to 45 degrees ahead only.
TEST(Kind7, OnePhaseAndThirdHitOnlyInsideTheirFifteenDegrees) {
  OneMoment m;
  m.Transit(astro::kSun, 200);
  model::EventDef def = EventOfKind(7);
  auto& k = def.K.k7;
  k.Object = astro::kMoon;
  k.Chart = 1;
  k.Phases = astro::ObjectSet{1};
  k.Thirds = astro::ObjectSet{3};
  for (int e = 0; e < 360; ++e) {
    m.Transit(astro::kMoon, astro::NormalizeMod(200 + e + 0.5, 360));
    const EventResult r = m.Run(def);
    EXPECT_EQ(r.Hits, e >= 30 && e < 45 ? 1 : 0) << e;
    EXPECT_EQ(r.Graded, static_cast<long double>(r.Hits)) << e;
  }
}

TEST(Kind7, EveryPhaseWantedGivesExactlyOneHit) {
  OneMoment m;
  m.Transit(astro::kSun, 10);
  model::EventDef def = EventOfKind(7);
  auto& k = def.K.k7;
  k.Object = astro::kMoon;
  k.Chart = 1;
  k.Phases = astro::ObjectSet::Range(0, 12);  // 0 and 9..12 are no phases
  k.Thirds = astro::ObjectSet{1, 2, 3};
  for (double moon : {10.0, 57.0, 190.0, 355.0}) {
    m.Transit(astro::kMoon, moon);
    EXPECT_EQ(m.Run(def).Hits, 1) << moon;
  }
  k.Thirds = astro::ObjectSet{};  // no third wanted
  EXPECT_EQ(m.Run(def).Hits, 0);
}

TEST(Kind7, PlanetsFromTheirPhaseAngleInTheChosenChart) {
  OneMoment m;
  m.Transit(astro::kSun, 10);
  m.Transit(astro::kMoon, 20);  // phase 1: a planet's event must not see the Moon's phase
  m.Transit(astro::kMars, 150);
  m.TransitChart().Planet[astro::kPhaseAngle][astro::kMars] = 100;  // phase 3, third 1
  m.Natal(astro::kSun, 10);
  m.Natal(astro::kMoon, 20);
  m.Natal(astro::kMars, 150);
  m.NatalChart().Planet[astro::kPhaseAngle][astro::kMars] = 350;  // phase 8, third 3

  model::EventDef def = EventOfKind(7);
  auto& k = def.K.k7;
  k.Object = astro::kMars;
  k.Phases = astro::ObjectSet::Range(1, 8);
  struct Case { int chart; int third_wanted; int phase_wanted; int hits; };
  const Case cases[] = {
      {1, 1, 3, 1}, {1, 2, 3, 0}, {1, 1, 1, 0}, {0, 3, 8, 1}, {0, 1, 8, 0}, {2, 1, 3, 0},
  };
  for (const Case& c : cases) {
    k.Chart = static_cast<uint8_t>(c.chart);
    k.Phases = astro::ObjectSet{c.phase_wanted};
    k.Thirds = astro::ObjectSet{c.third_wanted};
    EXPECT_EQ(m.Run(def).Hits, c.hits) << c.chart << " " << c.phase_wanted << "/" << c.third_wanted;
  }

  // The Sun and anything beyond Pluto have no phase, even when present.
  k.Chart = 1;
  k.Phases = astro::ObjectSet::Range(1, 8);
  k.Thirds = astro::ObjectSet{1, 2, 3};
  m.Transit(astro::kNorthNode, 40);
  for (int obj : {int(astro::kSun), int(astro::kNorthNode)}) {
    k.Object = static_cast<uint8_t>(obj);
    EXPECT_EQ(m.Run(def).Hits, 0) << obj;
  }
  // The Moon's phase needs the Sun in the same chart.
  k.Object = astro::kMoon;
  EXPECT_EQ(m.Run(def).Hits, 1);
  m.Transit(astro::kSun, astro::NoValue);
  EXPECT_EQ(m.Run(def).Hits, 0);
}

}  // namespace
}  // namespace sd::eval
