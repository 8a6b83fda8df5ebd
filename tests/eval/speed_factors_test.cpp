#include "eval/speed_factors.h"

#include <gtest/gtest.h>

#include "astro/chart_data.h"
#include "astro/moment_snapshot.h"
#include "hand_stencil.h"

namespace sd::eval {
namespace {

TEST(SpeedClass, ThresholdsByObject) {
  struct Case { int obj; double speed; int cls; };
  const Case cases[] = {
      {astro::kSun, 0.98, kSpeedSlow},
      {astro::kSun, 0.99, kSpeedAverage},
      {astro::kSun, 1.0, kSpeedFast},
      {astro::kMoon, 11.99, kSpeedSlow},
      {astro::kMoon, 12.0, kSpeedAverage},
      {astro::kMoon, 13.5, kSpeedFast},
      {astro::kMercury, -0.08, kSpeedSlow},
      {astro::kMercury, -1.2, kSpeedAverage},
      {astro::kMercury, -1.6, kSpeedFast},
      {astro::kVenus, 0.66, kSpeedAverage},
      {astro::kVenus, 0.67, kSpeedFast},
      {astro::kMars, 0.06, kSpeedSlow},
      {astro::kJupiter, 0.1, kSpeedAverage},
      {astro::kSaturn, 0.05, kSpeedFast},
      {astro::kUranus, 0.005, kSpeedSlow},
      {astro::kNeptune, 0.02, kSpeedAverage},
      {astro::kPluto, 0.017, kSpeedFast},
      {astro::kPluto, 0.0, kSpeedSlow},
      {astro::kNorthNode, 0.0, kSpeedFast},
      {astro::kAscendant, 0.0, kSpeedFast},
      {15, 100.0, kSpeedFast},
  };
  for (const Case& c : cases) EXPECT_EQ(SpeedClassOf(c.obj, c.speed), c.cls) << c.obj << " " << c.speed;
}

TEST(SpeedState, SpeedDirectionClassAndAcceleration) {
  struct Case {
    const char* what;
    int obj;
    MotionStencil p;
    double step;
    SpeedMasks masks;
    bool hit;
    double speed, accel;
  };
  const Case cases[] = {
      // The short way across 0: +0.4 a day, direct, slow for the Moon.
      {"moon over 0, direct", astro::kMoon, {359.8, 0.2, 0.6, 1.0}, 1, {0, 0, 1}, true, 0.4, 0},
      {"moon over 0, slow", astro::kMoon, {359.8, 0.2, 0.6, 1.0}, 1, {1, 0, 0}, true, 0.4, 0},
      {"moon over 0, not retrograde", astro::kMoon, {359.8, 0.2, 0.6, 1.0}, 1, {0, 0, 2}, false, 0, 0},
      {"moon over 0, not fast", astro::kMoon, {359.8, 0.2, 0.6, 1.0}, 1, {4, 0, 0}, false, 0, 0},
      {"retrograde back over 0", astro::kMercury, {0.5, 359.5, 358.6, 357.8}, 1, {0, 0, 2}, true, -1, 0.1},
      {"speeding up", astro::kMars, {10, 10.3, 10.9, 11.8}, 0.5, {0, 1, 0}, true, 0.6, 1.2},
      {"speeding up, not slowing", astro::kMars, {10, 10.3, 10.9, 11.8}, 0.5, {0, 2, 0}, false, 0, 0},
      {"all masks empty", astro::kPluto, {200, 200.01, 200.02, 200.03}, 1, {0, 0, 0}, true, 0.01, 0},
      // Standing still: no speed is retrograde and slow, no change of speed is not speeding up.
      {"still: retrograde", astro::kVenus, {50, 50, 50, 50}, 0.5, {0, 0, 2}, true, 0, 0},
      {"still: slow", astro::kVenus, {50, 50, 50, 50}, 0.5, {1, 0, 0}, true, 0, 0},
      {"still: not speeding up", astro::kVenus, {50, 50, 50, 50}, 0.5, {0, 2, 0}, true, 0, 0},
      {"still: the node is fast", astro::kNorthNode, {50, 50, 50, 50}, 0.5, {4, 0, 0}, true, 0, 0},
      {"several masks must all hold", astro::kSun, {10, 11, 12, 13}, 1, {4, 2, 1}, true, 1, 0},
      {"several masks, one fails", astro::kSun, {10, 11, 12, 13}, 1, {4, 2, 2}, false, 0, 0},
      {"no step, no speed", astro::kSun, {10, 11, 12, 13}, 0, {0, 0, 0}, false, 0, 0},
      {"unknown position", astro::kSun, {10, astro::NoValue, 12, 13}, 1, {0, 0, 0}, false, 0, 0},
  };
  for (const Case& c : cases) {
    const SpeedStateResult r = SpeedStateTest(c.obj, c.masks, c.p, c.step);
    EXPECT_EQ(r.hit, c.hit) << c.what;
    if (!c.hit || !r.hit) continue;
    EXPECT_NEAR(r.speed, c.speed, 1e-9) << c.what;
    EXPECT_NEAR(r.acceleration, c.accel, 1e-9) << c.what;
  }
}

TEST(TurningPoint, StationsAndTurnsOfTheSpeed) {
  struct Case { const char* what; MotionStencil p; SpeedMasks masks; bool hit; };
  // Masks: direction bit 0 direct (1), bit 1 retrograde (2); acceleration bit 1 a maximum of the
  // speed (2), bit 0 a minimum (1).
  const Case cases[] = {
      {"station, turning direct", {10.2, 10.0, 10.1, 10.3}, {0, 0, 1}, true},
      {"station, turning direct, retrograde asked", {10.2, 10.0, 10.1, 10.3}, {0, 0, 2}, false},
      {"station, turning retrograde", {10.0, 10.2, 10.1, 9.9}, {0, 0, 2}, true},
      {"station across 0", {359.9, 0.0, 359.95, 359.9}, {0, 0, 2}, true},
      {"no reversal", {10.0, 10.1, 10.3, 10.6}, {0, 0, 3}, false},
      {"speed at a maximum", {0, 1, 2.2, 3.3}, {0, 2, 0}, true},
      {"speed at a maximum, minimum asked", {0, 1, 2.2, 3.3}, {0, 1, 0}, false},
      {"speed at a minimum", {0, 1.2, 2.2, 3.3}, {0, 1, 0}, true},
      {"speed at a minimum across 0", {358.0, 359.2, 0.2, 1.3}, {0, 1, 0}, true},
      {"last step without motion", {0, 1, 2.2, 2.2}, {0, 3, 0}, false},
      {"steady acceleration", {0, 1, 2.2, 3.6}, {0, 3, 0}, false},
      {"masks empty", {10.2, 10.0, 10.1, 10.3}, {7, 0, 0}, false},
      {"standing still", {50, 50, 50, 50}, {0, 3, 3}, false},
      {"unknown position", {10.2, 10.0, 10.1, astro::NoValue}, {0, 0, 1}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(TurningPointTest(c.masks, c.p), c.hit) << c.what;
}

// ---- the event loop ----------------------------------------------------------------------

model::EventDef SpeedEvent(int chart, astro::ObjectSet objects, uint8_t classes, uint8_t accel,
                           uint8_t direction) {
  model::EventDef def = testing::BlankEvent(1);
  def.K.k1.Chart = static_cast<uint8_t>(chart);
  def.K.k1.Objects = objects;
  def.K.k1.SpeedClasses = classes;
  def.K.k1.Acceleration = accel;
  def.K.k1.Motion = direction;
  return def;
}

TEST(SpeedEvent, EachObjectOfTheSetCountsOnce) {
  testing::HandStencil st(1.0);
  st.TransitLon(astro::kSun, 10, 11, 12, 13);         // fast
  st.TransitLon(astro::kMoon, 359.8, 0.2, 0.6, 1.0);  // slow, direct
  st.TransitLon(astro::kNorthNode, 100, 99.95, 99.9, 99.85);  // retrograde, fast as every point is
  const astro::ObjectSet objs{astro::kSun, astro::kMoon, astro::kNorthNode};
  struct Case { uint8_t classes, direction; int hits; };
  for (const Case c : {Case{4, 0, 2}, Case{1, 0, 1}, Case{0, 2, 1}, Case{0, 1, 2}, Case{0, 0, 3}}) {
    const eval::EventResult r = st.Evaluate(SpeedEvent(1, objs, c.classes, 0, c.direction));
    EXPECT_EQ(r.Hits, c.hits) << int(c.classes) << "/" << int(c.direction);
    EXPECT_EQ(r.Graded, c.hits);  // one per hit, not the speed
  }
}

TEST(SpeedEvent, NatalObjectsMoveWithTheNatalStep) {
  testing::HandStencil still(1.0, 0.0);
  still.NatalLon(astro::kMars, 10, 10.5, 11, 11.5);
  // With no natal step the state has no speed at all.
  EXPECT_EQ(still.Evaluate(SpeedEvent(0, {astro::kMars}, 0, 0, 0)).Hits, 0);

  testing::HandStencil moving(1.0, 0.5);
  moving.NatalLon(astro::kMars, 10, 10.5, 11, 11.5);
  const eval::EventResult r = moving.Evaluate(SpeedEvent(0, {astro::kMars}, 4, 0, 1));  // 1 a day: fast
  EXPECT_EQ(r.Hits, 1);
}

// In right ascension Mercury stations while its longitude moves on; turning-point mode reads the
// coordinate the event names.
TEST(SpeedEvent, TurningPointsInTheEventsCoordinate) {
  testing::HandStencil st(1.0);
  st.TransitLon(astro::kMercury, 20, 20.5, 21, 21.5);
  st.TransitPlanetRow(astro::snapshot_offset::kRightAscension, astro::kMercury, 18.2, 18.0, 18.1, 18.3);
  model::EventDef def = SpeedEvent(1, {astro::kMercury}, 0, 0, 1);
  def.CM = 1;
  EXPECT_EQ(st.Evaluate(def).Hits, 0);
  def.K.k1.Coordinate = 1;
  const eval::EventResult r = st.Evaluate(def);
  EXPECT_EQ(r.Hits, 1);
  EXPECT_EQ(r.Graded, 1.0);
  // With both masks empty turning-point mode never scores.
  def.K.k1.Motion = 0;
  EXPECT_EQ(st.Evaluate(def).Hits, 0);
}

}  // namespace
}  // namespace sd::eval
