#include "eval/rulership_factors.h"

#include <gtest/gtest.h>


#include "astro/angles.h"
#include "astro/dignities.h"
#include "eval/event_frame.h"
#include "one_moment.h"

namespace sd::eval {
namespace {

LongitudeRow Empty() {
  LongitudeRow row;
  row.fill(astro::NoValue);
  return row;
}

// Cusp 1 at `first`, every house 30 degrees wide.
void SetEqualCusps(LongitudeRow& row, double first) {
  for (int k = 1; k <= 12; ++k) row[astro::CuspObject(k)] = astro::NormalizeMod(first + 30 * (k - 1), 360);
}

// ---- the planet nearest behind --------------------------------------------------------

TEST(NearestPlanetBehind, ClosestBehindWithinHalfACircleLowerNumberOnTies) {
  struct Placed { int obj; double lon; };
  struct Case {
    const char* what;
    int r;
    std::initializer_list<Placed> placed;
    int want;
  };
  const Case cases[] = {
      {"Venus 5 behind beats Mercury 10 behind",
       astro::kSun,
       {{astro::kSun, 100},
        {astro::kMercury, 90},
        {astro::kVenus, 95},
        {astro::kMoon, 250},
        {astro::kMars, 130},
        {astro::kJupiter, 30}},
       astro::kVenus},
      {"everything ahead",
       astro::kSun,
       {{astro::kSun, 100}, {astro::kMoon, 101}, {astro::kMars, 200}, {astro::kSaturn, 279}},
       -1},
      {"a planet on the reference is not behind it",
       astro::kSun,
       {{astro::kSun, 100}, {astro::kMoon, 100}},
       -1},
      {"exactly opposite counts as behind",
       astro::kSun,
       {{astro::kSun, 100}, {astro::kMoon, 280}},
       astro::kMoon},
      {"a tie goes to the lower planet number",
       astro::kSun,
       {{astro::kSun, 100}, {astro::kJupiter, 93}, {astro::kMars, 93}, {astro::kSaturn, 50}},
       astro::kMars},
      {"behind across 0 Aries",
       astro::kMars,
       {{astro::kMars, 2}, {astro::kPluto, 358}, {astro::kSun, 340}},
       astro::kPluto},
      {"a cusp as reference, planets only as candidates",
       astro::CuspObject(1),
       {{astro::CuspObject(1), 50}, {astro::CuspObject(12), 49}, {astro::kNeptune, 20}},
       astro::kNeptune},
      {"the reference absent", astro::kSun, {{astro::kMoon, 10}}, -1},
  };
  for (const Case& c : cases) {
    LongitudeRow row = Empty();
    for (const Placed& p : c.placed) row[p.obj] = p.lon;
    EXPECT_EQ(NearestPlanetBehind(row, c.r), c.want) << c.what;
  }
}

// ---- houses in mutual reception -------------------------------------------------------

TEST(HousesInMutualReception, EachRulerInTheOtherHouse) {
  // Cusp 1 at 5 Aries (ruler Mars), cusp 7 at 5 Libra (ruler Venus).
  LongitudeRow row = Empty();
  SetEqualCusps(row, 5);
  row[astro::kMars] = 190;  // house 7
  row[astro::kVenus] = 10;  // house 1
  EXPECT_TRUE(HousesInMutualReception(row, 1, 7));
  EXPECT_TRUE(HousesInMutualReception(row, 7, 1));
  // Only one way round.
  EXPECT_FALSE(HousesInMutualReception(row, 1, 2));
  row[astro::kVenus] = 40;  // house 2
  EXPECT_FALSE(HousesInMutualReception(row, 1, 7));
  // Cusp 2 at 5 Taurus (Venus) and Mars in 7, Venus in 2: 2 and 7 are not in reception
  // (Libra's ruler Venus is in 2, but Taurus's ruler Venus is not in 7).
  EXPECT_FALSE(HousesInMutualReception(row, 2, 7));
  // Houses 2 and 8 (Taurus and Scorpio): Scorpio's ruler in 2, Taurus's ruler in 8.
  row[astro::kPluto] = 45;   // ruler of Scorpio in house 2
  row[astro::kVenus] = 220;  // ruler of Taurus in house 8
  EXPECT_TRUE(HousesInMutualReception(row, 2, 8));
}

TEST(HousesInMutualReception, NoCuspsOrNoSuchHouseNeverHits) {
  LongitudeRow row = Empty();
  row[astro::kMars] = 190;
  row[astro::kVenus] = 10;
  EXPECT_FALSE(HousesInMutualReception(row, 1, 7));
  SetEqualCusps(row, 5);
  row[astro::CuspObject(4)] = astro::NoValue;  // the houses hold nothing without all twelve cusps
  EXPECT_FALSE(HousesInMutualReception(row, 1, 7));
  SetEqualCusps(row, 5);
  EXPECT_FALSE(HousesInMutualReception(row, 0, 7));
  EXPECT_FALSE(HousesInMutualReception(row, 1, 13));
}

// ---- essential dignity ----------------------------------------------------------------

TEST(DignityByScheme, BySignAndByHouse) {
  LongitudeRow row = Empty();
  // Houses from 10 Cancer: house 1 reads as Aries, house 5 as Leo, house 7 as Libra.
  SetEqualCusps(row, 100);
  struct Case { int scheme; double sun; int want; const char* what; };
  const Case cases[] = {
      {0, 130, astro::kDignityRuler, "Sun in Leo"},
      {0, 15, astro::kDignityExaltation, "Sun in Aries"},
      {0, 195, astro::kDignityFall, "Sun in Libra"},
      {0, 75, astro::kDignityNone, "Sun in Gemini"},
      {1, 105, astro::kDignityExaltation, "Sun in house 1 (in Cancer by sign)"},
      {1, 225, astro::kDignityRuler, "Sun in house 5 (in Scorpio by sign)"},
      {1, 285, astro::kDignityFall, "Sun in house 7 (in Capricorn by sign)"},
      {2, 130, astro::kDignityNone, "no third scheme"},
      {0, astro::NoValue, astro::kDignityNone, "Sun absent"},
      {1, astro::NoValue, astro::kDignityNone, "Sun absent, by house"},
  };
  for (const Case& c : cases) {
    row[astro::kSun] = c.sun;
    EXPECT_EQ(DignityByScheme(c.scheme, astro::kSun, row), c.want) << c.what;
  }
  row[astro::kSun] = 105;
  row[astro::CuspObject(9)] = astro::NoValue;
  EXPECT_EQ(DignityByScheme(1, astro::kSun, row), astro::kDignityNone) << "a cusp missing";
  EXPECT_EQ(DignityByScheme(0, astro::kSun, row), astro::kDignityNone) << "Sun in Cancer";
}

// ---- the events through the frame ------------------------------------------------------

class RulershipEvent : public ::testing::Test, protected testing::OneMoment {
 protected:
  using OneMoment::Run;  // not the test's own Run
  void PlaceEqualCusps(int selector, double first) {
    for (int k = 1; k <= 12; ++k)
      Place(selector, astro::CuspObject(k), astro::NormalizeMod(first + 30 * (k - 1), 360));
  }
};

TEST_F(RulershipEvent, NearestBehindReadsTheChartItsSelectorNames) {
  // A fresh pair of charts for each selector.
  for (int sel : {0, 1}) {
    testing::OneMoment m;
    m.Place(sel, astro::kSun, 100);
    m.Place(sel, astro::kMercury, 90);
    m.Place(sel, astro::kVenus, 95);
    model::EventDef def = testing::EventOfKind(17);
    def.K.k17 = {static_cast<uint8_t>(sel), astro::kSun, astro::kVenus};
    EventResult r = m.Run(def);
    EXPECT_EQ(r.Hits, 1) << "selector " << sel;
    EXPECT_EQ(r.Graded, 1.0L);
    def.K.k17.Trailing = astro::kMercury;
    EXPECT_EQ(m.Run(def).Hits, 0) << "selector " << sel;
    // The other chart is empty: nothing is found there.
    def.K.k17 = {static_cast<uint8_t>(1 - sel), astro::kSun, astro::kVenus};
    EXPECT_EQ(m.Run(def).Hits, 0) << "selector " << sel;
  }
}

TEST_F(RulershipEvent, HouseReceptionHitsOnceAndNeedsTheHouses) {
  Place(1, astro::kMars, 190);
  Place(1, astro::kVenus, 10);
  model::EventDef def = testing::EventOfKind(20);
  def.K.k20 = {1, 1, 7};
  EXPECT_EQ(Run(def).Hits, 0) << "no cusps computed";
  PlaceEqualCusps(1, 5);
  EventResult r = Run(def);
  EXPECT_EQ(r.Hits, 1);
  EXPECT_EQ(r.Graded, 1.0L);
  Place(1, astro::kVenus, 40);
  EXPECT_EQ(Run(def).Hits, 0) << "Venus in house 2";
}

TEST_F(RulershipEvent, DignityCountsEveryObjectOfTheSet) {
  Place(0, astro::kSun, 130);   // Leo: rulership
  Place(0, astro::kMoon, 40);   // Taurus: exaltation
  Place(0, astro::kMars, 10);   // Aries: rulership
  Place(0, astro::kVenus, 15);  // Aries: detriment
  model::EventDef def = testing::EventOfKind(24);
  def.K.k24.Chart = 0;
  def.K.k24.DignityBy = 0;
  def.K.k24.Dignity = astro::kDignityRuler;
  def.K.k24.Objects =
      astro::ObjectSet{astro::kSun, astro::kMoon, astro::kMars, astro::kVenus, astro::kSaturn};
  EventResult r = Run(def);
  EXPECT_EQ(r.Hits, 2);
  EXPECT_EQ(r.Graded, 2.0L);
  def.K.k24.Dignity = astro::kDignityExaltation;
  EXPECT_EQ(Run(def).Hits, 1);
  def.K.k24.Dignity = astro::kDignityDetriment;
  EXPECT_EQ(Run(def).Hits, 1);
  def.K.k24.Dignity = 255;  // "no dignity" is never asked for
  EXPECT_EQ(Run(def).Hits, 0);
  def.K.k24.DignityBy = 2;
  def.K.k24.Dignity = astro::kDignityRuler;
  EXPECT_EQ(Run(def).Hits, 0);
  // An object the natal chart does not hold is skipped by the condition.
  NatalChart().ObjectOn[astro::kMars] = 0;
  def.K.k24.DignityBy = 0;
  EXPECT_EQ(Run(def).Hits, 1);
}

TEST_F(RulershipEvent, DignityByHouseOfTheTransitChart) {
  PlaceEqualCusps(1, 100);
  Place(1, astro::kSun, 225);  // Scorpio, house 5
  model::EventDef def = testing::EventOfKind(24);
  def.K.k24.Chart = 1;
  def.K.k24.DignityBy = 1;
  def.K.k24.Dignity = astro::kDignityRuler;
  def.K.k24.Objects = astro::ObjectSet{astro::kSun};
  EXPECT_EQ(Run(def).Hits, 1);
  def.K.k24.DignityBy = 0;
  EXPECT_EQ(Run(def).Hits, 0);
}

}  // namespace
}  // namespace sd::eval
