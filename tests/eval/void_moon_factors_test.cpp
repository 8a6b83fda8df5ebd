#include "eval/void_moon_factors.h"

#include <gtest/gtest.h>

#include <memory>

#include "astro/calendar.h"
#include "astro/chart_data.h"
#include "astro/moment_snapshot.h"
#include "eval/event_frame.h"

namespace sd::eval {
namespace {

TEST(WillPerfect, Cases) {
  struct Case { double p0, p1, m0, m1; bool perfects; const char* what; };
  const Case cases[] = {
      // Everything standing still (the forecast's own stencil): the degree within the sign decides.
      {20, 20, 5, 5, true, "point ahead in the sign"},
      {5, 5, 5, 5, true, "point exactly at the Moon's degree"},
      {3, 3, 5, 5, false, "point behind in the sign"},
      {40, 40, 5, 5, false, "point more than 30 degrees away"},
      {35, 35, 5, 5, true, "point exactly 30 degrees away, at the same degree"},
      // The Moon moving 13 degrees a step.
      {20, 20, 10, 23, true, "met within the step"},
      {28, 28, 10, 16, true, "met three steps on, still in Aries"},
      {32, 32, 10, 16, false, "the Moon enters Taurus first"},
      {15, 15, 20, 26, false, "already passed"},
      {358, 358, 350, 356, true, "late Pisces"},
      {2, 2, 350, 356, false, "across 0 Aries: another sign"},
      // A moving point: the separation closes from 6 to 3 degrees.
      {16, 18, 10, 15, true, "a faster Moon catches a moving point"},
      {16, 22, 10, 15, false, "the point runs away"},
  };
  for (const Case& c : cases) EXPECT_EQ(WillPerfect(c.p0, c.p1, c.m0, c.m1), c.perfects) << c.what;
}

LongitudePair Still(double lon) { return {lon, lon}; }

class VoidMoon : public ::testing::Test {
 protected:
  void SetUp() override {
    for (auto& o : objects_) o = {astro::NoValue, astro::NoValue};
  }
  bool Void(LongitudePair moon, const astro::ObjectSet& wanted, const astro::ObjectSet& aspects) {
    objects_[astro::kMoon] = moon;
    return MoonIsVoid(moon, objects_, wanted, aspects);
  }
  LongitudePair objects_[astro::kObjectCount];
};

TEST_F(VoidMoon, AspectPointsOfTheWantedAspects) {
  // Sun at 10 Cancer: its conjunction, opposition, sextiles, squares and trines lie at 100, 280,
  // 160 and 40, 190 and 10, 220 and 340. A Moon at 25 Aries meets none of them in Aries.
  objects_[astro::kSun] = Still(100);
  const astro::ObjectSet sun{astro::kSun};
  EXPECT_TRUE(Void(Still(25), sun, astro::ObjectSet::Range(1, 5)));
  // The semi-squares fall on 145 and 55: 25 Taurus is exactly 30 degrees on, at the Moon's own
  // degree within its sign.
  EXPECT_FALSE(Void(Still(25), sun, astro::ObjectSet{1, 2, 3, 4, 5, 8}));
  // A Moon at 5 Aries meets the square at 10 Aries.
  EXPECT_FALSE(Void(Still(5), sun, astro::ObjectSet::Range(1, 5)));
  // Without the squares, the trine at 10 Pisces (behind the Moon) still counts: within 30
  // degrees and not below the Moon's degree within its sign.
  EXPECT_FALSE(Void(Still(5), sun, astro::ObjectSet{1, 2, 4, 5}));
  EXPECT_TRUE(Void(Still(15), sun, astro::ObjectSet{1, 2, 4, 5}));
  // Only wanted objects count.
  EXPECT_TRUE(Void(Still(5), astro::ObjectSet{astro::kMercury}, astro::ObjectSet::Range(1, 5)));
}

TEST_F(VoidMoon, AntisciaParallelsAndTheMoonItselfOfferNoPoint) {
  objects_[astro::kSun] = Still(100);
  // Taken as plain angles, the codes of the antiscion would put a point at 20 Aries.
  EXPECT_TRUE(Void(Still(15), astro::ObjectSet{astro::kSun}, astro::ObjectSet{19, 20, 22, 23}));
  EXPECT_TRUE(Void(Still(15), astro::ObjectSet{astro::kMoon}, astro::ObjectSet{1}));
  // Aspect numbers beyond the defined table are not looked at.
  EXPECT_TRUE(Void(Still(15), astro::ObjectSet{astro::kSun}, astro::ObjectSet{25, 26, 30}));
  // An object without a longitude offers nothing.
  EXPECT_TRUE(Void(Still(15), astro::ObjectSet{astro::kVenus}, astro::ObjectSet{1}));
}

TEST_F(VoidMoon, FastMoonIsNeverVoidAndAnAbsentMoonNeither) {
  EXPECT_FALSE(Void({10, 41}, astro::ObjectSet{}, astro::ObjectSet{}));
  EXPECT_TRUE(Void({10, 39}, astro::ObjectSet{}, astro::ObjectSet{}));
  EXPECT_FALSE(Void({astro::NoValue, astro::NoValue}, astro::ObjectSet{}, astro::ObjectSet{}));
}

TEST_F(VoidMoon, MovingMoonLeavesItsSignBeforeTheAspect) {
  // Moon at 20 Gemini moving 13 degrees a step; Mars at 5 Cancer: the conjunction comes after the
  // Moon has left Gemini. Jupiter at 28 Gemini is met in Gemini.
  objects_[astro::kMars] = Still(95);
  objects_[astro::kJupiter] = Still(88);
  EXPECT_TRUE(Void({80, 93}, astro::ObjectSet{astro::kMars}, astro::ObjectSet{1}));
  EXPECT_FALSE(Void({80, 93}, astro::ObjectSet{astro::kMars, astro::kJupiter}, astro::ObjectSet{1}));
}

// ---- through the event level: the chart "VC0" picks --------------------------------------

TEST(VoidMoonEvent, ReadsTheChartItIsToldAtTAndTheNextPoint) {
  auto natal = std::make_unique<astro::ChartData>();
  astro::MomentSnapshot now, next;
  for (int n = 0; n < astro::kObjectCount; ++n) {
    now.SetLongitude(n, astro::NoValue);
    next.SetLongitude(n, astro::NoValue);
  }
  // Transit: Moon 20 Gemini moving to 3 Cancer, Mars at 5 Cancer: void. Natal: Moon at 5 Aries
  // with the Sun at 10 Aries: not void.
  now.SetLongitude(astro::kMoon, 80);
  next.SetLongitude(astro::kMoon, 93);
  now.SetLongitude(astro::kMars, 95);
  next.SetLongitude(astro::kMars, 95);
  natal->ObjectOn[astro::kSun] = natal->ObjectOn[astro::kMoon] = natal->ObjectOn[astro::kMars] = 1;
  natal->Object[astro::kLongitude][astro::kSun] = 10;
  natal->Object[astro::kLongitude][astro::kMoon] = 5;
  natal->Object[astro::kLongitude][astro::kMars] = 200;

  EventInputs in;
  in.Transit[kBefore] = in.Transit[kAt] = &now;
  in.Transit[kAfter] = in.Transit[kAfter2] = &next;
  for (auto& p : in.Natal) p = natal.get();
  in.Moment = astro::MomentFromDate(2026, 3, 20, 0);
  in.GridStepDays = 1;

  model::EventDef def{};
  def.Kind = 15;
  def.K.k15.Chart = 1;
  def.K.k15.Aspected = astro::ObjectSet{astro::kMars};
  def.K.k15.Aspects = astro::ObjectSet{1};
  EventResult r = EvaluateEvent(def, in);
  EXPECT_EQ(r.Hits, 1);
  EXPECT_EQ(r.Graded, 1.0);
  // The next point is read: a Moon that would move 35 degrees in the step is never void.
  next.SetLongitude(astro::kMoon, 115);
  EXPECT_EQ(EvaluateEvent(def, in).Hits, 0);
  next.SetLongitude(astro::kMoon, 93);

  def.K.k15.Chart = 0;
  def.K.k15.Aspected = astro::ObjectSet{astro::kSun, astro::kMars};
  EXPECT_EQ(EvaluateEvent(def, in).Hits, 0);
  def.K.k15.Aspected = astro::ObjectSet{astro::kMars};
  EXPECT_EQ(EvaluateEvent(def, in).Hits, 1);
  // A wanted object missing from the chart fails the event's condition.
  def.K.k15.Aspected = astro::ObjectSet{astro::kVenus};
  EXPECT_EQ(EvaluateEvent(def, in).Hits, 0);
  // A chart number that names no chart.
  def.K.k15.Chart = 2;
  def.K.k15.Aspected = astro::ObjectSet{astro::kMars};
  EXPECT_EQ(EvaluateEvent(def, in).Hits, 0);
}

}  // namespace
}  // namespace sd::eval
