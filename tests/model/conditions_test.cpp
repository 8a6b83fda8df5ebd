#include "model/conditions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "model/field_text.h"

namespace sd::model {
namespace {

astro::ObjectSet Allowed(int coordinate) {
  astro::ObjectSet s;
  for (int n = 0; n < 40; ++n)
    if (CoordinateAllows(coordinate, n)) s.Add(n);
  return s;
}

TEST(CoordinateAllows, ObjectsPerCoordinate) {
  const astro::ObjectSet all = astro::ObjectSet::Range(0, 39);
  const astro::ObjectSet planets = astro::ObjectSet::Range(0, 9);
  const astro::ObjectSet no_moon{0, 2, 3, 4, 5, 6, 7, 8, 9};
  const struct { int coordinate; astro::ObjectSet want; } cases[] = {
      {0, all}, {5, all}, {10, all},
      {1, planets}, {3, planets}, {4, planets}, {6, planets}, {8, planets}, {13, planets},
      {2, astro::ObjectSet{0, 2, 3, 4, 5, 6, 7, 8, 9, 30, 34}},
      {7, astro::ObjectSet::Range(1, 9)}, {11, astro::ObjectSet::Range(1, 9)},
      {9, astro::ObjectSet::Range(2, 9)},
      {12, no_moon},
      {14, astro::ObjectSet{}}, {127, astro::ObjectSet{}},
      {128 + 2, astro::ObjectSet{0, 2, 3, 4, 5, 6, 7, 8, 9, 30, 34}},  // taken modulo 128
      {128 + 7, astro::ObjectSet::Range(1, 9)},
  };
  for (const auto& c : cases) EXPECT_EQ(Allowed(c.coordinate), c.want) << c.coordinate;
  EXPECT_FALSE(CoordinateAllows(7, 0));
  EXPECT_FALSE(CoordinateAllows(2, 1));
  EXPECT_TRUE(CoordinateAllows(2, 30));
  EXPECT_TRUE(CoordinateAllows(12, 0));
}

TEST(CoordinateAllows, WholeSetLooksBelowFortyOnly) {
  EXPECT_TRUE(CoordinateAllowsAll(1, astro::ObjectSet{0, 9, 45, 200}));
  EXPECT_FALSE(CoordinateAllowsAll(1, astro::ObjectSet{0, 30}));
  EXPECT_TRUE(CoordinateAllowsAll(14, astro::ObjectSet{}));
  EXPECT_FALSE(CoordinateAllowsAll(14, astro::ObjectSet{0}));
}

TEST(Qualifiers, ActiveAndEqual) {
  Qualifier none{};
  Qualifier source_only = ParseQualifier("*101,*152,*210,*215,");
  EXPECT_FALSE(QualifierActive(none));
  EXPECT_FALSE(QualifierActive(source_only));
  for (const char* t : {"*1,", "*13,", "*25,", "*201,", "*202,"})
    EXPECT_TRUE(QualifierActive(ParseQualifier(t))) << t;
  EXPECT_FALSE(QualifierActive(ParseQualifier("*200,"))) << "motion index 0";

  EXPECT_TRUE(QualifiersEqual(none, source_only)) << "both inactive";
  EXPECT_TRUE(QualifiersEqual(ParseQualifier("*3,*101,"), ParseQualifier("*101,*3,")));
  EXPECT_FALSE(QualifiersEqual(ParseQualifier("*3,*101,"), ParseQualifier("*3,")));
  EXPECT_FALSE(QualifiersEqual(ParseQualifier("*3,"), none));
}

// The charts of the condition cases:
//  natal: objects 0..9 and the cusps 18..29 switched on; Mars has no phase angle, Jupiter no
//         mundane position.
//  snapshot 1: longitudes of 0..9, the cusps and the node 30, but none for Venus (3); Mercury
//         has no phase angle, Saturn no mundane position.
//  A chart selector of 2 names no snapshot.
struct World {
  astro::ChartData natal;
  astro::ChartData transit;
  astro::MomentSnapshot snap;
  const astro::MomentSnapshot* list[1] = {&snap};

  World() {
    for (int n = 0; n <= 9; ++n) {
      natal.ObjectOn[n] = 1;
      natal.Object[astro::kLongitude][n] = 10.0 * n + 1;
      natal.Planet[astro::kPhaseAngle][n] = 5.0 * n;
      natal.Planet[astro::kMundanePosition][n] = 7.0 * n;
      transit.Object[astro::kLongitude][n] = 20.0 * n + 2;
      transit.Planet[astro::kPhaseAngle][n] = 3.0 * n;
      transit.Planet[astro::kMundanePosition][n] = 11.0 * n;
    }
    for (int h = 1; h <= 12; ++h) {
      natal.ObjectOn[astro::CuspObject(h)] = 1;
      natal.Object[astro::kLongitude][astro::CuspObject(h)] = 30.0 * (h - 1);
      transit.Object[astro::kLongitude][astro::CuspObject(h)] = 30.0 * (h - 1) + 15;
    }
    natal.Planet[astro::kPhaseAngle][astro::kMars] = astro::NoValue;
    natal.Planet[astro::kMundanePosition][astro::kJupiter] = astro::NoValue;
    transit.Object[astro::kLongitude][astro::kNorthNode] = 100;
    transit.Object[astro::kLongitude][astro::kVenus] = astro::NoValue;
    transit.Planet[astro::kPhaseAngle][astro::kMercury] = astro::NoValue;
    transit.Planet[astro::kMundanePosition][astro::kSaturn] = astro::NoValue;
    FillSnapshot(snap, transit);
  }
  Snapshots snaps() const { return Snapshots(list, 1); }
};

struct ConditionCase {
  const char* what;
  int kind;
  std::function<void(FactorRecord&)> fill;
  bool want;
};

FactorRecord Record(int kind) {
  FactorRecord r;
  r.Def = EventDef{};
  r.Def.Kind = static_cast<uint8_t>(kind);
  return r;
}

TEST(EventCondition, EveryKind) {
  World w;
  const ConditionCase cases[] = {
      // kind 0: P1 object in chart P0, coordinate P4
      {"sun natal", 0, [](FactorRecord& r) { r.Obj[0] = 0; }, true},
      {"node natal is off", 0, [](FactorRecord& r) { r.Obj[0] = 30; }, false},
      {"node in snapshot", 0, [](FactorRecord& r) { r.Obj[0] = 30; r.Def.K.k0.Chart = 1; }, true},
      {"venus missing in snapshot", 0, [](FactorRecord& r) { r.Obj[0] = 3; r.Def.K.k0.Chart = 1; }, false},
      {"no snapshot 2", 0, [](FactorRecord& r) { r.Obj[0] = 0; r.Def.K.k0.Chart = 2; }, false},
      {"node, coordinate 1", 0, [](FactorRecord& r) { r.Obj[0] = 30; r.Def.K.k0.Chart = 1; r.Def.K.k0.Coordinate = 1; }, false},
      {"object 40", 0, [](FactorRecord& r) { r.Obj[0] = 40; }, false},
      // kind 1
      {"moon, coordinate 7", 1, [](FactorRecord& r) { r.Obj[0] = 1; r.Def.K.k1.Coordinate = 7; }, true},
      {"sun, coordinate 7", 1, [](FactorRecord& r) { r.Obj[0] = 0; r.Def.K.k1.Coordinate = 7; }, false},
      {"venus in snapshot", 1, [](FactorRecord& r) { r.Obj[0] = 3; r.Def.K.k1.Chart = 1; }, false},
      // kind 2
      {"pair natal/transit", 2, [](FactorRecord& r) { r.Obj[0] = 0; r.Obj[1] = 30; r.Def.K.k2.SecondChart = 1; }, true},
      {"second missing", 2, [](FactorRecord& r) { r.Obj[0] = 0; r.Obj[1] = 3; r.Def.K.k2.SecondChart = 1; }, false},
      {"coordinate 2 and the moon", 2, [](FactorRecord& r) { r.Obj[0] = 1; r.Obj[1] = 2; r.Def.K.k2.Coordinate = 2; }, false},
      {"phase angles present", 2, [](FactorRecord& r) { r.Obj[0] = 2; r.Obj[1] = 5; r.Def.K.k2.Coordinate = 7; }, true},
      {"natal mars without phase", 2, [](FactorRecord& r) { r.Obj[0] = 4; r.Obj[1] = 5; r.Def.K.k2.Coordinate = 7; }, false},
      {"transit mercury without phase", 2, [](FactorRecord& r) { r.Obj[0] = 5; r.Obj[1] = 2; r.Def.K.k2.SecondChart = 1; r.Def.K.k2.Coordinate = 7; }, false},
      {"natal jupiter without mundane", 2, [](FactorRecord& r) { r.Obj[0] = 5; r.Obj[1] = 2; r.Def.K.k2.Coordinate = 8; }, false},
      {"transit saturn without mundane", 2, [](FactorRecord& r) { r.Obj[0] = 6; r.Obj[1] = 2; r.Def.K.k2.FirstChart = 1; r.Def.K.k2.Coordinate = 8; }, false},
      {"mundane known", 2, [](FactorRecord& r) { r.Obj[0] = 6; r.Obj[1] = 2; r.Def.K.k2.Coordinate = 8; }, true},
      {"latitude with a qualifier", 2, [](FactorRecord& r) { r.Obj[0] = 0; r.Obj[1] = 2; r.Def.K.k2.Coordinate = 4; r.Def.K.k2.FirstQualifier = ParseQualifier("*1,"); }, false},
      {"latitude with a second qualifier", 2, [](FactorRecord& r) { r.Obj[0] = 0; r.Obj[1] = 2; r.Def.K.k2.Coordinate = 4; r.Def.K.k2.SecondQualifier = ParseQualifier("*201,"); }, false},
      {"latitude, no qualifier", 2, [](FactorRecord& r) { r.Obj[0] = 0; r.Obj[1] = 2; r.Def.K.k2.Coordinate = 4; }, true},
      {"longitude with a qualifier", 2, [](FactorRecord& r) { r.Obj[0] = 0; r.Obj[1] = 2; r.Def.K.k2.FirstQualifier = ParseQualifier("*1,"); }, true},
      {"coordinate 13 with a qualifier", 2, [](FactorRecord& r) { r.Obj[0] = 0; r.Obj[1] = 2; r.Def.K.k2.Coordinate = 13; r.Def.K.k2.FirstQualifier = ParseQualifier("*1,"); }, true},
      // kind 3: M1, M2 in M0; M5 in M4; coordinate M7 for all three
      {"midpoint natal/transit", 3, [](FactorRecord& r) { r.Obj[0] = 0; r.Obj[1] = 1; r.Obj[2] = 30; r.Def.K.k3.ThirdChart = 1; }, true},
      {"third natal node off", 3, [](FactorRecord& r) { r.Obj[0] = 0; r.Obj[1] = 1; r.Obj[2] = 30; }, false},
      {"second in transit venus", 3, [](FactorRecord& r) { r.Obj[0] = 0; r.Obj[1] = 3; r.Obj[2] = 2; r.Def.K.k3.PairChart = 1; }, false},
      {"coordinate 9 with the sun", 3, [](FactorRecord& r) { r.Obj[0] = 2; r.Obj[1] = 3; r.Obj[2] = 0; r.Def.K.k3.Coordinate = 9; }, false},
      // kinds 4 and 5
      {"kind 4", 4, [](FactorRecord& r) { r.Obj[0] = 18; r.Def.K.k4.C3 = 5; }, true},
      {"kind 4 coordinate", 4, [](FactorRecord& r) { r.Obj[0] = 18; r.Def.K.k4.C3 = 6; }, false},
      {"kind 5", 5, [](FactorRecord& r) { r.Obj[0] = 30; r.Def.K.k5.V1 = 1; }, true},
      {"kind 5 coordinate", 5, [](FactorRecord& r) { r.Obj[0] = 30; r.Def.K.k5.V1 = 1; r.Def.K.k5.V3 = 12; }, false},
      // kind 6: D2 object key and D3 candidate in D1
      {"kind 6", 6, [](FactorRecord& r) { r.Def.K.k6.D2 = 2; r.Obj[0] = 5; r.Def.K.k6.D4 = 9; }, true},
      {"kind 6 key object absent", 6, [](FactorRecord& r) { r.Def.K.k6.D2 = 3; r.Def.K.k6.D1 = 1; r.Obj[0] = 5; }, false},
      {"kind 6 coordinate", 6, [](FactorRecord& r) { r.Def.K.k6.D2 = 0; r.Obj[0] = 5; r.Def.K.k6.D4 = 9; }, false},
      // kind 7: Sun, Moon and F0 in F1
      {"kind 7", 7, [](FactorRecord& r) { r.Def.K.k7.Object = 5; }, true},
      {"kind 7 venus transit", 7, [](FactorRecord& r) { r.Def.K.k7.Object = 3; r.Def.K.k7.Chart = 1; }, false},
      {"kind 7 no snapshot 2", 7, [](FactorRecord& r) { r.Def.K.k7.Object = 1; r.Def.K.k7.Chart = 2; }, false},
      // kind 8
      {"kind 8", 8, [](FactorRecord& r) { r.Obj[0] = 0; r.Obj[1] = 30; r.Def.K.k8.SecondChart = 1; }, true},
      {"kind 8 coordinate for both", 8, [](FactorRecord& r) { r.Obj[0] = 0; r.Obj[1] = 30; r.Def.K.k8.SecondChart = 1; r.Def.K.k8.Coordinate = 1; }, false},
      {"kind 8 phase natal mars", 8, [](FactorRecord& r) { r.Obj[0] = 4; r.Obj[1] = 1; r.Def.K.k8.Coordinate = 7; }, false},
      {"kind 8 phase transit mercury", 8, [](FactorRecord& r) { r.Obj[0] = 1; r.Obj[1] = 2; r.Def.K.k8.SecondChart = 1; r.Def.K.k8.Coordinate = 7; }, false},
      {"kind 8 phases known", 8, [](FactorRecord& r) { r.Obj[0] = 1; r.Obj[1] = 5; r.Def.K.k8.SecondChart = 1; r.Def.K.k8.Coordinate = 7; }, true},
      // kind 9: O2 in 1..9 and in O1
      {"kind 9", 9, [](FactorRecord& r) { r.Obj[0] = 9; }, true},
      {"kind 9 sun", 9, [](FactorRecord& r) { r.Obj[0] = 0; }, false},
      {"kind 9 venus transit", 9, [](FactorRecord& r) { r.Obj[0] = 3; r.Def.K.k9.Chart = 1; }, false},
      // kind 10: F2 in F1; second objects below 40 in F3; F7 = 1 limits both to the Sun and planets
      {"kind 10", 10, [](FactorRecord& r) { r.Obj[0] = 1; r.Second = {0, 30, 45}; r.Def.K.k10.F3 = 1; }, true},
      {"kind 10 second absent", 10, [](FactorRecord& r) { r.Obj[0] = 1; r.Second = {0, 3}; r.Def.K.k10.F3 = 1; }, false},
      {"kind 10 F7 moon", 10, [](FactorRecord& r) { r.Obj[0] = 1; r.Second = {2}; r.Def.K.k10.F7 = 1; }, false},
      {"kind 10 F7 second moon", 10, [](FactorRecord& r) { r.Obj[0] = 2; r.Second = {1}; r.Def.K.k10.F7 = 1; }, false},
      {"kind 10 F7 member 45", 10, [](FactorRecord& r) { r.Obj[0] = 2; r.Second = {45}; r.Def.K.k10.F7 = 1; }, false},
      {"kind 10 F7 planets", 10, [](FactorRecord& r) { r.Obj[0] = 2; r.Second = {0, 9}; r.Def.K.k10.F7 = 1; }, true},
      // kinds 11, 12
      {"kind 11", 11, [](FactorRecord& r) { r.Obj[0] = 2; r.Def.K.k11.Reference = 30; r.Def.K.k11.ReferenceChart = 1; }, true},
      {"kind 11 key natal node", 11, [](FactorRecord& r) { r.Obj[0] = 2; r.Def.K.k11.Reference = 30; }, false},
      {"kind 12", 12, [](FactorRecord& r) { r.Obj[0] = 2; r.Def.K.k12.FirstReference = 1; r.Def.K.k12.SecondReference = 30; r.Def.K.k12.ReferenceChart = 1; }, true},
      {"kind 12 BT5 absent", 12, [](FactorRecord& r) { r.Obj[0] = 2; r.Def.K.k12.FirstReference = 1; r.Def.K.k12.SecondReference = 3; r.Def.K.k12.ReferenceChart = 1; }, false},
      {"kind 12 BT2 absent", 12, [](FactorRecord& r) { r.Obj[0] = 3; r.Def.K.k12.TestedChart = 1; r.Def.K.k12.FirstReference = 1; r.Def.K.k12.SecondReference = 2; }, false},
      // kind 13: CT0 limits both objects
      {"kind 13 any", 13, [](FactorRecord& r) { r.Obj[0] = 18; r.Def.K.k13.CT4 = 30; r.Def.K.k13.CT3 = 1; }, true},
      {"kind 13 CT0 1 moon", 13, [](FactorRecord& r) { r.Obj[0] = 1; r.Def.K.k13.CT4 = 2; r.Def.K.k13.CT0 = 1; }, false},
      {"kind 13 CT0 1", 13, [](FactorRecord& r) { r.Obj[0] = 0; r.Def.K.k13.CT4 = 2; r.Def.K.k13.CT0 = 1; }, true},
      {"kind 13 CT0 2 sun", 13, [](FactorRecord& r) { r.Obj[0] = 1; r.Def.K.k13.CT4 = 0; r.Def.K.k13.CT0 = 2; }, false},
      {"kind 13 CT0 3 cusp", 13, [](FactorRecord& r) { r.Obj[0] = 18; r.Def.K.k13.CT4 = 0; r.Def.K.k13.CT0 = 3; }, false},
      {"kind 13 CT0 3", 13, [](FactorRecord& r) { r.Obj[0] = 9; r.Def.K.k13.CT4 = 0; r.Def.K.k13.CT0 = 3; }, true},
      // kind 15: {1} and VC1 below 40 in mode VC0
      {"kind 15 natal", 15, [](FactorRecord& r) { r.Def.K.k15.Aspected = {0, 2, 9, 45}; }, true},
      {"kind 15 natal node", 15, [](FactorRecord& r) { r.Def.K.k15.Aspected = {30}; }, false},
      {"kind 15 transit venus", 15, [](FactorRecord& r) { r.Def.K.k15.Chart = 1; r.Def.K.k15.Aspected = {3}; }, false},
      {"kind 15 mode 2 asks nothing", 15, [](FactorRecord& r) { r.Def.K.k15.Chart = 2; r.Def.K.k15.Aspected = {3, 30}; }, true},
      // kind 16: PT9 selects the charts, PT12 the coordinate
      {"kind 16 PT9 0", 16, [](FactorRecord& r) { r.Def.K.k16.Object1 = 30; r.Def.K.k16.Object2 = 0; r.Def.K.k16.Object3 = 1; r.Obj[0] = 2; }, true},
      {"kind 16 PT9 0 venus", 16, [](FactorRecord& r) { r.Def.K.k16.Object1 = 3; r.Def.K.k16.Object2 = 0; r.Def.K.k16.Object3 = 1; r.Obj[0] = 2; }, false},
      {"kind 16 PT9 1", 16, [](FactorRecord& r) { r.Def.K.k16.Charts = 1; r.Def.K.k16.Object1 = 3; r.Def.K.k16.Object2 = 0; r.Def.K.k16.Object3 = 1; r.Obj[0] = 30; }, true},
      {"kind 16 PT9 2", 16, [](FactorRecord& r) { r.Def.K.k16.Charts = 2; r.Def.K.k16.Object1 = 30; r.Obj[0] = 3; }, false},
      {"kind 16 PT9 3", 16, [](FactorRecord& r) { r.Def.K.k16.Charts = 3; r.Def.K.k16.Object1 = 30; r.Obj[0] = 3; }, false},
      {"kind 16 PT9 4", 16, [](FactorRecord& r) { r.Def.K.k16.Charts = 4; r.Def.K.k16.Object1 = 30; r.Obj[0] = 3; }, true},
      {"kind 16 coordinate", 16, [](FactorRecord& r) { r.Def.K.k16.Charts = 4; r.Def.K.k16.Object1 = 30; r.Def.K.k16.Coordinate = 1; }, false},
      // kinds 17, 19: both key objects in the mode
      {"kind 17", 17, [](FactorRecord& r) { r.Def.K.k17.Chart = 1; r.Def.K.k17.Reference = 30; r.Def.K.k17.Trailing = 2; }, true},
      {"kind 17 absent", 17, [](FactorRecord& r) { r.Def.K.k17.Chart = 1; r.Def.K.k17.Reference = 30; r.Def.K.k17.Trailing = 3; }, false},
      {"kind 19", 19, [](FactorRecord& r) { r.Def.K.k19.First = 4; r.Def.K.k19.Second = 5; }, true},
      {"kind 19 absent", 19, [](FactorRecord& r) { r.Def.K.k19.First = 35; r.Def.K.k19.Second = 5; }, false},
      // kind 18: the first byte of IPL5 as an object when IPL4 is 0, then the Ascendant in IPL3
      {"kind 18 IPL5 {1} is object 2", 18, [](FactorRecord& r) { r.Def.K.k18.Houses = {1}; }, true},
      {"kind 18 IPL5 {1,2,3,4} is object 30", 18, [](FactorRecord& r) { r.Def.K.k18.Houses = {1, 2, 3, 4}; }, false},
      {"kind 18 IPL4 1 skips it", 18, [](FactorRecord& r) { r.Def.K.k18.Mode = 1; r.Def.K.k18.Houses = {1, 2, 3, 4}; }, true},
      {"kind 18 IPL5 {0,1} is object 3", 18, [](FactorRecord& r) { r.Def.K.k18.Houses = {0, 1}; r.Def.K.k18.ObjectChart = 1; }, false},
      {"kind 18 mode 2 asks nothing", 18, [](FactorRecord& r) { r.Def.K.k18.Houses = {0, 1}; r.Def.K.k18.ObjectChart = 2; r.Def.K.k18.HouseChart = 2; }, true},
      // kinds 20, 21, 25: a fixed object in a mode
      {"kind 20", 20, [](FactorRecord& r) { r.Def.K.k20.Chart = 1; }, true},
      {"kind 20 mode 2 asks nothing", 20, [](FactorRecord& r) { r.Def.K.k20.Chart = 2; }, true},
      {"kind 21", 21, [](FactorRecord& r) { r.Def.K.k21.CuspChart = 0; }, true},
      {"kind 25", 25, [](FactorRecord& r) { r.Def.K.k25.MA1 = 1; }, true},
      // kind 22: every third character of MM3 above '@' names an object
      {"kind 22 sun and pluto", 22, [](FactorRecord& r) { r.Def.K.k22.MM3 = astro::ShortText<15>("xxAxxJ"); }, true},
      {"kind 22 node natal", 22, [](FactorRecord& r) { r.Def.K.k22.MM3 = astro::ShortText<15>("A1_"); }, false},  // '_' is 95: object 30
      {"kind 22 other places ignored", 22, [](FactorRecord& r) { r.Def.K.k22.MM3 = astro::ShortText<15>("__1__@"); }, true},
      {"kind 22 transit venus", 22, [](FactorRecord& r) { r.Def.K.k22.MM1 = 1; r.Def.K.k22.MM3 = astro::ShortText<15>("..D"); }, false},
      // kinds 24, 26, 27: candidates in modes
      {"kind 24", 24, [](FactorRecord& r) { r.Obj[0] = 30; r.Def.K.k24.Chart = 1; }, true},
      {"kind 24 natal node", 24, [](FactorRecord& r) { r.Obj[0] = 30; }, false},
      {"kind 26", 26, [](FactorRecord& r) { r.Obj[0] = 3; r.Def.K.k26.ATA4 = 1; }, false},
      {"kind 27", 27, [](FactorRecord& r) { r.Obj[0] = 3; r.Obj[1] = 30; r.Def.K.k27.ZA4 = 1; }, true},
      {"kind 27 second", 27, [](FactorRecord& r) { r.Obj[0] = 3; r.Obj[1] = 3; r.Def.K.k27.ZA4 = 1; }, false},
      // kind 30: NEV1 1, 2, 3, 5 need the Sun and the planets in NEV2
      {"kind 30 sub 1 transit", 30, [](FactorRecord& r) { r.Def.K.k30.NEV1 = 1; r.Def.K.k30.NEV2 = 1; }, false},
      {"kind 30 sub 5 natal", 30, [](FactorRecord& r) { r.Def.K.k30.NEV1 = 5; }, true},
      {"kind 30 sub 4 asks nothing", 30, [](FactorRecord& r) { r.Def.K.k30.NEV1 = 4; r.Def.K.k30.NEV2 = 1; }, true},
      // kind 31
      {"kind 31", 31, [](FactorRecord& r) { r.Def.K.k31.NUMANGL2 = 1; r.Def.K.k31.NUMANGL3 = 30; r.Def.K.k31.NUMANGL1 = 1; }, true},
      {"kind 31 coordinate", 31, [](FactorRecord& r) { r.Def.K.k31.NUMANGL2 = 1; r.Def.K.k31.NUMANGL3 = 30; r.Def.K.k31.NUMANGL1 = 1; r.Def.K.k31.NUMANGL4 = 1; }, false},
      {"kind 31 absent", 31, [](FactorRecord& r) { r.Def.K.k31.NUMANGL2 = 1; r.Def.K.k31.NUMANGL3 = 30; }, false},
  };
  for (const auto& c : cases) {
    FactorRecord r = Record(c.kind);
    c.fill(r);
    EXPECT_EQ(EventCondition(r, w.snaps(), w.natal), c.want) << c.kind << ": " << c.what;
  }
}

TEST(EventCondition, AscendantKindsNeedTheAscendant) {
  World w;
  w.natal.ObjectOn[astro::kAscendant] = 0;
  for (int kind : {18, 20, 21}) {
    FactorRecord r = Record(kind);
    r.Def.K.k18.Mode = kind == 18 ? 1 : 0;
    EXPECT_FALSE(EventCondition(r, w.snaps(), w.natal)) << kind;
  }
  FactorRecord t = Record(20);
  t.Def.K.k20.Chart = 1;
  EXPECT_TRUE(EventCondition(t, w.snaps(), w.natal)) << "the snapshot has it";
}

TEST(EventCondition, KindsWithoutConditionAlwaysPass) {
  World w;
  astro::ChartData empty;  // nothing switched on anywhere
  for (int kind : {14, 23, 28, 29, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 255}) {
    FactorRecord r = Record(kind);
    std::memset(r.Def.K.Raw, 0x33, sizeof r.Def.K.Raw);
    r.Obj[0] = 3;
    EXPECT_TRUE(EventCondition(r, Snapshots(), empty)) << kind;
  }
}

// Qualifier cases: natal cusps every 30 degrees from 270 (house 4 begins at 0 Aries), so
// 10 Aries is in house 4.
struct QualifierWorld {
  astro::ChartData natal, companion;
  astro::ChartData transit, transit_companion;
  astro::MomentSnapshot snap, snap_companion;
  const astro::MomentSnapshot* now[1] = {&snap};
  const astro::MomentSnapshot* other[1] = {&snap_companion};

  QualifierWorld() {
    for (int h = 1; h <= 12; ++h) {
      natal.Object[astro::kLongitude][astro::CuspObject(h)] = std::fmod(270.0 + 30.0 * (h - 1), 360.0);
      transit.Object[astro::kLongitude][astro::CuspObject(h)] = 30.0 * (h - 1) + 5;  // Aries rises
    }
    natal.Object[astro::kLongitude][astro::kMars] = 10;   // Aries, natal house 4
    natal.Object[astro::kLongitude][astro::kVenus] = 100; // Cancer, natal house 7
    companion = natal;
    transit.Object[astro::kLongitude][astro::kMars] = 10;    // transit house 1
    transit.Object[astro::kLongitude][astro::kVenus] = 200;  // Libra, transit house 7
    transit.Planet[astro::kRightAscension][astro::kMars] = 40;  // Taurus by right ascension
    transit.Object[astro::kHelioLongitude][astro::kMars] = 70;  // Gemini heliocentric
    transit_companion = transit;
    FillSnapshot(snap, transit);
    FillSnapshot(snap_companion, transit_companion);
    natal.Planet[astro::kRightAscension][astro::kVenus] = 340;
    natal.Object[astro::kHelioLongitude][astro::kVenus] = 5;
  }
  bool Test(int object, int chart, const std::string& q, int coordinate = 0) {
    return QualifierTest(object, chart, ParseQualifier(q), coordinate, Snapshots(other, 1),
                         Snapshots(now, 1), companion, natal);
  }
  void Refill() {
    FillSnapshot(snap, transit);
    FillSnapshot(snap_companion, transit_companion);
  }
};

TEST(QualifierTest, InactiveQualifierPassesEverything) {
  QualifierWorld w;
  for (int obj : {0, 4, 30, 39, 45})  // 0, 30, 39 have no position at all
    EXPECT_TRUE(w.Test(obj, 0, "*101,*150,*210,")) << obj;
  EXPECT_TRUE(w.Test(4, 1, ""));
}

TEST(QualifierTest, SignAndHouseAnyOrAll) {
  QualifierWorld w;
  EXPECT_TRUE(w.Test(astro::kMars, 0, "*1,*22,"));        // Aries or house 10
  EXPECT_FALSE(w.Test(astro::kMars, 0, "*1,*22,*210,"));  // Aries and house 10
  EXPECT_TRUE(w.Test(astro::kMars, 0, "*1,*16,*210,"));   // Aries and house 4
  EXPECT_FALSE(w.Test(astro::kVenus, 0, "*1,*22,"));
  EXPECT_TRUE(w.Test(astro::kVenus, 0, "*19,"));          // natal house 7
  // A snapshot object is housed by the natal cusps unless the house source says otherwise.
  EXPECT_FALSE(w.Test(astro::kMars, 1, "*13,*210,"));
  EXPECT_TRUE(w.Test(astro::kMars, 1, "*16,*210,"));
}

TEST(QualifierTest, HouseSourceChoosesTheCusps) {
  QualifierWorld w;
  // Mars at 10: natal cusps put it in house 4, the snapshot's in house 1.
  EXPECT_TRUE(w.Test(astro::kMars, 1, "*16,"));
  EXPECT_FALSE(w.Test(astro::kMars, 1, "*13,"));
  EXPECT_TRUE(w.Test(astro::kMars, 1, "*13,*101,"));
  EXPECT_FALSE(w.Test(astro::kMars, 1, "*16,*101,"));
  // With the natal chart as the object's chart there is no snapshot to take cusps from.
  EXPECT_TRUE(w.Test(astro::kMars, 0, "*16,*101,"));
}

TEST(QualifierTest, UnknownCuspMakesTheHouseConditionNeutral) {
  QualifierWorld w;
  w.natal.Object[astro::kLongitude][astro::CuspObject(7)] = astro::NoValue;
  EXPECT_FALSE(w.Test(astro::kMars, 0, "*16,"));
  EXPECT_TRUE(w.Test(astro::kMars, 0, "*13,*210,"));
  EXPECT_FALSE(w.Test(astro::kMars, 0, "*2,*13,*210,")) << "the sign condition still counts";
}

TEST(QualifierTest, RuledHouses) {
  QualifierWorld w;
  // Snapshot cusps: Aries on the first cusp; ruled source 1 picks them.
  EXPECT_TRUE(w.Test(astro::kMars, 1, "*25,*151,"));
  EXPECT_FALSE(w.Test(astro::kVenus, 1, "*25,*151,"));
  EXPECT_FALSE(w.Test(astro::kMars, 1, "*25,*151,*215,"));
  EXPECT_TRUE(w.Test(astro::kVenus, 1, "*25,*151,*215,"));
  // Natal cusps: house 1 in Capricorn (Saturn), house 2 in Aquarius (Uranus).
  EXPECT_TRUE(w.Test(astro::kSaturn, 0, "*25,"));
  EXPECT_TRUE(w.Test(astro::kUranus, 0, "*25,*26,"));
  EXPECT_FALSE(w.Test(astro::kMars, 0, "*25,*26,"));
  // An unknown cusp makes it neutral, negation or not.
  w.natal.Object[astro::kLongitude][astro::CuspObject(12)] = astro::NoValue;
  EXPECT_FALSE(w.Test(astro::kSaturn, 0, "*25,"));
  EXPECT_FALSE(w.Test(astro::kSaturn, 0, "*25,*215,"));
  EXPECT_TRUE(w.Test(astro::kSaturn, 0, "*25,*215,*210,"));
}

TEST(QualifierTest, Motion) {
  QualifierWorld w;
  const struct { double now, companion; bool direct, retro; } cases[] = {
      {10, 11, true, false},
      {10, 9, false, true},
      {10, 10, true, false},     // D = 0 counts as direct
      {359, 1, true, false},     // across 0 Aries
      {1, 359, false, true},
      {0, 180, true, false},     // D = 180 exactly is the positive end
  };
  for (const auto& c : cases) {
    w.transit.Object[astro::kLongitude][astro::kMars] = c.now;
    w.transit_companion.Object[astro::kLongitude][astro::kMars] = c.companion;
    w.Refill();
    EXPECT_EQ(w.Test(astro::kMars, 1, "*201,"), c.direct) << c.now << " " << c.companion;
    EXPECT_EQ(w.Test(astro::kMars, 1, "*202,"), c.retro) << c.now << " " << c.companion;
    // The natal side compares the companion natal chart with the natal chart.
    w.natal.Object[astro::kLongitude][astro::kMars] = c.now;
    w.companion.Object[astro::kLongitude][astro::kMars] = c.companion;
    EXPECT_EQ(w.Test(astro::kMars, 0, "*201,"), c.direct) << c.now << " " << c.companion;
  }
  w.transit_companion.Object[astro::kLongitude][astro::kMars] = astro::NoValue;
  w.Refill();
  EXPECT_FALSE(w.Test(astro::kMars, 1, "*201,"));
  EXPECT_FALSE(w.Test(astro::kMars, 1, "*202,"));
}

TEST(QualifierTest, CoordinatesWithSignsOfTheirOwn) {
  QualifierWorld w;
  // Mars: longitude Aries, right ascension Taurus, heliocentric Gemini.
  EXPECT_TRUE(w.Test(astro::kMars, 1, "*1,", 0));
  EXPECT_FALSE(w.Test(astro::kMars, 1, "*1,", 1));
  EXPECT_TRUE(w.Test(astro::kMars, 1, "*2,", 1));
  EXPECT_TRUE(w.Test(astro::kMars, 1, "*3,", 2));
  // Only the sign counts then: the house condition that would pass is ignored.
  EXPECT_FALSE(w.Test(astro::kMars, 1, "*5,*13,*101,", 1));
  // With no sign set the result is the neutral value.
  EXPECT_FALSE(w.Test(astro::kMars, 1, "*13,*101,", 1));
  EXPECT_TRUE(w.Test(astro::kMars, 1, "*13,*101,*210,", 2));
  // Natal rows: Venus right ascension Pisces, heliocentric Aries.
  EXPECT_TRUE(w.Test(astro::kVenus, 0, "*12,", 1));
  EXPECT_TRUE(w.Test(astro::kVenus, 0, "*1,", 2));
}

TEST(QualifierTest, MissingLongitudeFailsSignAndHouse) {
  QualifierWorld w;
  EXPECT_FALSE(w.Test(astro::kJupiter, 0, "*1,*2,*3,*4,*5,*6,*7,*8,*9,*10,*11,*12,"));
  EXPECT_FALSE(w.Test(astro::kJupiter, 0, "*13,*14,*15,*16,*17,*18,*19,*20,*21,*22,*23,*24,"));
}

}  // namespace
}  // namespace sd::model
