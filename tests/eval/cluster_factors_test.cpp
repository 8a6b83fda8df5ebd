#include "eval/cluster_factors.h"

#include <gtest/gtest.h>

#include "astro/moment.h"
#include "eval/event_frame.h"
#include "one_moment.h"

namespace sd::eval {
namespace {

LongitudeRow Empty() {
  LongitudeRow row;
  row.fill(astro::NoValue);
  return row;
}

// Unequal houses: house 1 runs from 10 Aries to 10 Gemini (Taurus intercepted), house 7 from
// 10 Libra to 10 Sagittarius (Scorpio intercepted); every other house has a cusp in each sign
// it touches.
constexpr double kUnequal[12] = {10, 70, 95, 120, 150, 170, 190, 250, 275, 300, 330, 350};

void SetCusps(LongitudeRow& row, const double (&cusps)[12]) {
  for (int k = 1; k <= 12; ++k) row[astro::CuspObject(k)] = cusps[k - 1];
}

// ---- intercepted signs ----------------------------------------------------------------

TEST(InterceptedSignOfAnObject, OnlyASignWithoutABoundingCusp) {
  LongitudeRow houses = Empty();
  SetCusps(houses, kUnequal);
  struct Case { double x; bool want; const char* what; };
  const Case cases[] = {
      {45, true, "Taurus inside house 1"},
      {30, true, "0 Taurus exactly"},
      {20, false, "Aries, the sign of cusp 1"},
      {65, false, "Gemini, the sign of cusp 2"},
      {225, true, "Scorpio inside house 7"},
      {100, false, "Cancer in house 3"},
      {355, false, "Pisces in house 12"},
      {astro::NoValue, false, "absent"},
  };
  for (const Case& c : cases) EXPECT_EQ(InSignInterceptedInItsHouse(houses, c.x), c.want) << c.what;
  houses[astro::CuspObject(5)] = astro::NoValue;
  EXPECT_FALSE(InSignInterceptedInItsHouse(houses, 45)) << "a cusp missing";
}

TEST(InterceptedSignOfAnObject, NeverWithEqualHousesFromAries) {
  LongitudeRow houses = Empty();
  for (int k = 1; k <= 12; ++k) houses[astro::CuspObject(k)] = 30.0 * (k - 1);
  for (double x = 0; x < 360; x += 0.25) ASSERT_FALSE(InSignInterceptedInItsHouse(houses, x)) << x;
}

// ---- crowds in a sector ---------------------------------------------------------------

TEST(CountNearCentre, StrictEdgeAcrossZeroMembersOnly) {
  LongitudeRow v = Empty();
  v[astro::kSun] = 5.0;
  v[astro::kMoon] = 15.0;
  const astro::ObjectSet both{astro::kSun, astro::kMoon};
  EXPECT_EQ(CountNearCentre(v, both, 10, 10), 0) << "5 from the centre is on the edge";
  v[astro::kMoon] = 14.99;
  EXPECT_EQ(CountNearCentre(v, both, 10, 10), 1);
  v[astro::kSun] = 358;
  v[astro::kMoon] = 2;
  v[astro::kMars] = 1;
  EXPECT_EQ(CountNearCentre(v, both, 0, 6), 2) << "across 0";
  EXPECT_EQ(
      CountNearCentre(v, astro::ObjectSet{astro::kSun, astro::kMoon, astro::kMars, astro::kVenus}, 0, 6), 3)
      << "Venus absent";
  EXPECT_EQ(CountNearCentre(v, astro::ObjectSet{astro::kMars}, 0, 6), 1);
}

TEST(FirstCrowdedCentre, GridOfTenthsAndTheOpenSector) {
  LongitudeRow v = Empty();
  v[astro::kMercury] = 100;
  v[astro::kVenus] = 103;
  v[astro::kMars] = 106;
  const astro::ObjectSet three{astro::kMercury, astro::kVenus, astro::kMars};
  struct Case { double width; int minimum; double want; const char* what; };
  const Case cases[] = {
      {6, 3, astro::NoValue, "points 6 apart never fit an open sector 6 wide"},
      {6.1, 3, 103.0, "only the centre 103.0 is within 3.05 of all three"},
      {12, 3, 100.1, "the first centre that holds all three"},
      {12, 4, astro::NoValue, "never four"},
      {4, 2, 101.1, "100 and 103 need a centre past 101.0, where 103 is on the edge"},
      {1, 0, 0.0, "a minimum of 0 holds at the first centre"},
  };
  for (const Case& c : cases) {
    const double got = FirstCrowdedCentre(v, three, c.minimum, c.width);
    if (c.want == astro::NoValue)
      EXPECT_EQ(got, astro::NoValue) << c.what;
    else
      EXPECT_NEAR(got, c.want, 1e-9) << c.what;
  }
}

// ---- the events through the frame ------------------------------------------------------

class ClusterEvent : public ::testing::Test, protected testing::OneMoment {
 protected:
  using OneMoment::Run;  // not the test's own Run
  void PlaceHelio(int selector, int obj, double lon) { Place(selector, obj, lon, astro::kHelioLongitude); }
  void PlaceCusps(int selector, const double (&cusps)[12]) {
    for (int k = 1; k <= 12; ++k) Place(selector, astro::CuspObject(k), cusps[k - 1]);
  }
  int Hits(const model::EventDef& def) {
    const EventResult r = Run(def);
    EXPECT_EQ(r.Graded, static_cast<long double>(r.Hits));
    return r.Hits;
  }
};

TEST_F(ClusterEvent, InterceptedObjectWithHousesOfTheOtherChart) {
  // The transit Sun in Taurus among the natal houses.
  PlaceCusps(0, kUnequal);
  Place(1, astro::kSun, 45);
  model::EventDef def = testing::EventOfKind(18);
  def.K.k18.Mode = 0;
  def.K.k18.ObjectChart = 1;
  def.K.k18.Object = astro::kSun;
  def.K.k18.HouseChart = 0;
  EXPECT_EQ(Hits(def), 1);
  Place(1, astro::kSun, 75);
  EXPECT_EQ(Hits(def), 0);
  // The transit chart has no houses.
  Place(1, astro::kSun, 45);
  def.K.k18.HouseChart = 1;
  EXPECT_EQ(Hits(def), 0);
}

TEST_F(ClusterEvent, InterceptedSignInOneOfTheHouses) {
  PlaceCusps(1, kUnequal);
  model::EventDef def = testing::EventOfKind(18);
  def.K.k18.Mode = 1;
  def.K.k18.HouseChart = 1;
  struct Case { astro::ObjectSet houses; int want; };
  const Case cases[] = {{{1}, 1}, {{2}, 0}, {{2, 3, 7}, 1}, {{12}, 0}, {{}, 0}};
  for (const Case& c : cases) {
    def.K.k18.Houses = c.houses;
    EXPECT_EQ(Hits(def), c.want);
  }
  def.K.k18.Houses = astro::ObjectSet{1};
  def.K.k18.Mode = 2;
  EXPECT_EQ(Hits(def), 0) << "no third mode";
  def.K.k18.Mode = 1;
  TransitChart().Object[astro::kLongitude][astro::CuspObject(10)] = astro::NoValue;
  EXPECT_EQ(Hits(def), 0) << "a cusp missing";
}

TEST_F(ClusterEvent, ClusterAtAGivenCentreOrAnywhere) {
  Place(1, astro::kMercury, 100);
  Place(1, astro::kVenus, 103);
  Place(1, astro::kMars, 106);
  Place(1, astro::kJupiter, 280);  // the second harmonic puts it on 200, beside the others
  model::EventDef def = testing::EventOfKind(23);
  def.K.k23.Chart = 1;
  def.K.k23.Harmonic = 1;
  def.K.k23.Objects = astro::ObjectSet{astro::kMercury, astro::kVenus, astro::kMars, astro::kJupiter};
  def.K.k23.Count = 3;
  def.K.k23.Width = 6.1;
  def.K.k23.Centre = astro::NoValue;
  def.K.k23.Heliocentric = 0;
  EXPECT_EQ(Hits(def), 1);
  def.K.k23.Width = 6;
  EXPECT_EQ(Hits(def), 0);
  def.K.k23.Width = 12;
  def.K.k23.Centre = 103;
  EXPECT_EQ(Hits(def), 1);
  def.K.k23.Centre = 110;  // only Mars within 6
  EXPECT_EQ(Hits(def), 0);
  // Second harmonic: 200, 206, 212 and Jupiter on 200.
  def.K.k23.Harmonic = 2;
  def.K.k23.Count = 3;
  def.K.k23.Width = 8;
  def.K.k23.Centre = 203;
  EXPECT_EQ(Hits(def), 1) << "200, 206 and Jupiter's 200";
  def.K.k23.Harmonic = 1;
  EXPECT_EQ(Hits(def), 0);
  // A minimum of 0 hits even where nothing stands; absent objects never count.
  def.K.k23.Count = 0;
  def.K.k23.Centre = 0;
  EXPECT_EQ(Hits(def), 1);
  def.K.k23.Count = 1;
  def.K.k23.Objects = astro::ObjectSet{astro::kSaturn};
  def.K.k23.Centre = astro::NoValue;
  def.K.k23.Width = 360;
  EXPECT_EQ(Hits(def), 0);
}

TEST_F(ClusterEvent, ClusterOfHeliocentricPlacesLeavesOutTheMoon) {
  PlaceHelio(0, astro::kSun, 50);
  PlaceHelio(0, astro::kMoon, 50);
  PlaceHelio(0, astro::kMars, 51);
  Place(0, astro::kSun, 230);
  Place(0, astro::kMoon, 230);
  Place(0, astro::kMars, 231);
  model::EventDef def = testing::EventOfKind(23);
  def.K.k23.Chart = 0;
  def.K.k23.Harmonic = 1;
  def.K.k23.Objects = astro::ObjectSet{astro::kSun, astro::kMoon, astro::kMars};
  def.K.k23.Count = 3;
  def.K.k23.Width = 4;
  def.K.k23.Centre = astro::NoValue;
  def.K.k23.Heliocentric = 1;
  EXPECT_EQ(Hits(def), 0);
  def.K.k23.Count = 2;
  def.K.k23.Centre = 50.5;
  EXPECT_EQ(Hits(def), 1);
  def.K.k23.Centre = 230.5;
  EXPECT_EQ(Hits(def), 0) << "the geocentric places are not read";
  def.K.k23.Heliocentric = 0;
  def.K.k23.Count = 3;
  EXPECT_EQ(Hits(def), 1) << "geocentric: the Moon counts";
  def.K.k23.Heliocentric = 2;
  def.K.k23.Count = 1;
  EXPECT_EQ(Hits(def), 0) << "no third coordinate";
}

}  // namespace
}  // namespace sd::eval
