#include "eval/signs_factors.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "astro/angles.h"
#include "astro/ayanamsa.h"
#include "astro/calendar.h"
#include "astro/chart_data.h"
#include "astro/moment_snapshot.h"
#include "eval/aspect_factor.h"
#include "eval/weighted_sum.h"

namespace sd::eval {
namespace {

using eval::CountMode;
using eval::EvaluationMode;

// ---- the position rules -------------------------------------------------------------------

TEST(SignOrHouse, FourRulesJoinTheTwoConditions) {
  struct Case { bool signs, sign_match, houses, house_match, success; };
  const Case cases[] = {
      {false, false, false, false, true},  // nothing asked: every object
      {false, true, true, false, false},   {false, false, true, true, true},
      {true, true, false, false, true},    {true, false, false, true, false},
      {true, false, true, true, true},     {true, true, true, false, true},
      {true, false, true, false, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SignOrHouseSucceeds(c.signs, c.sign_match, c.houses, c.house_match), c.success)
        << c.signs << c.sign_match << c.houses << c.house_match;
}

TEST(SignOrHouse, HousesOnlyForLongitudesAndMundaneIngresses) {
  struct Case { int coord; bool position_mode, ingress_mode; };
  const Case cases[] = {{0, true, true}, {10, true, true}, {8, false, true},
                        {1, false, false}, {2, false, false}, {5, false, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(PositionHousesAllowed(c.coord, false), c.position_mode) << c.coord;
    EXPECT_EQ(PositionHousesAllowed(c.coord, true), c.ingress_mode) << c.coord;
  }
}

TEST(Ingress, DirectionGoesTheShortWayRoundTheTwelve) {
  struct Case { int from, to, direction; };
  const Case cases[] = {{12, 1, 1}, {1, 12, -1}, {3, 4, 1}, {4, 3, -1},
                        {11, 2, 1}, {2, 11, -1}, {1, 7, 1}, {7, 1, 1}};
  for (const Case& c : cases) EXPECT_EQ(IngressDirection(c.from, c.to), c.direction) << c.from << "->" << c.to;
}

TEST(Ingress, OnlyAChangeIntoAWantedMemberCountsAndTheHouseDecidesTheDirection) {
  const astro::ObjectSet aries{1}, pisces{12}, none;
  struct Case {
    PlacementAt now, next;
    astro::ObjectSet signs, houses;
    bool sign, house;
    int direction;
  };
  const Case cases[] = {
      {{12, 0}, {1, 0}, aries, none, true, false, 1},
      {{1, 0}, {12, 0}, pisces, none, true, false, -1},
      {{1, 0}, {12, 0}, aries, none, false, false, 0},  // left the wanted sign
      {{1, 0}, {1, 0}, aries, none, false, false, 0},   // stayed
      {{1, 5}, {2, 4}, astro::ObjectSet{2}, astro::ObjectSet{4}, true, true, -1},
      {{1, 5}, {2, 4}, astro::ObjectSet{2}, astro::ObjectSet{5}, true, false, 1},
      {{1, 0}, {1, 4}, none, astro::ObjectSet{4}, false, true, 1},  // from no house into one
  };
  int i = 0;
  for (const Case& c : cases) {
    const IngressFound f = FindIngress(c.now, c.next, c.signs, c.houses);
    EXPECT_EQ(f.sign, c.sign) << i;
    EXPECT_EQ(f.house, c.house) << i;
    EXPECT_EQ(f.direction, c.direction) << i;
    ++i;
  }
  struct Filter { int filter, direction; bool admitted; };
  for (const Filter& c : {Filter{0, 1, true}, Filter{0, -1, true}, Filter{0, 0, true}, Filter{1, 1, true},
                          Filter{1, -1, false}, Filter{2, -1, true}, Filter{2, 1, false},
                          Filter{1, 0, false}, Filter{2, 0, false}, Filter{3, 1, false}})
    EXPECT_EQ(IngressDirectionAdmitted(c.filter, c.direction), c.admitted) << c.filter << "/" << c.direction;
}

TEST(MutualReception, EachInTheOthersSign) {
  struct Case { int a; double lon_a; int b; double lon_b; bool reception; };
  const Case cases[] = {
      {astro::kVenus, 10, astro::kMars, 40, true},    // Venus in Aries, Mars in Taurus
      {astro::kVenus, 10, astro::kMars, 190, true},   // Mars in Libra
      {astro::kMars, 190, astro::kVenus, 10, true},   // either order
      {astro::kVenus, 10, astro::kMars, 130, false},  // Mars in Leo
      {astro::kVenus, 40, astro::kMars, 10, false},   // each in its own sign
      {astro::kSun, 100, astro::kMoon, 130, true},    // Sun in Cancer, Moon in Leo
      {astro::kVenus, 220, astro::kMars, 40, false},  // Scorpio is Pluto's alone
      {astro::kPluto, 5, astro::kMars, 220, true},
      {astro::kSaturn, 310, astro::kUranus, 280, true},
      {astro::kVenus, 360, astro::kMars, 59.9, true},  // 360 is Aries
      {astro::kVenus, 360, astro::kMars, 60, false},   // 60 is Gemini
      {astro::kVenus, astro::NoValue, astro::kMars, 40, false},
      {astro::kVenus, 10, astro::kMars, astro::NoValue, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(InMutualReception(c.a, c.lon_a, c.b, c.lon_b), c.reception)
        << c.a << "@" << c.lon_a << " " << c.b << "@" << c.lon_b;
}

// ---- midpoints --------------------------------------------------------------------------------

TEST(Midpoint, NearerMidpointLiesOnTheShorterArc) {
  struct Case { double x, y, m; };
  const Case cases[] = {
      {350, 10, 0},   {10, 350, 0},   {0, 180, 90},   {180, 0, 90},  {90, 270, 180},
      {170, 190, 180}, {10, 50, 30},  {300, 100, 20}, {359, 1, 0},   {20, 20, 20},
  };
  for (const Case& c : cases) {
    const double m = NearerMidpoint(c.x, c.y);
    EXPECT_NEAR(astro::AngularDistance(m - c.m), 0, 1e-9) << c.x << " " << c.y << " gave " << m;
    EXPECT_GE(m, 0);
    EXPECT_LT(m, 360);
  }
  EXPECT_EQ(NearerMidpoint(astro::NoValue, 10), astro::NoValue);
  EXPECT_EQ(NearerMidpoint(10, astro::NoValue), astro::NoValue);
}

TEST(Midpoint, HarmonicMidpointMultipliesTheMidpoint) {
  struct Case { double x, y; int h; double m; };
  const Case cases[] = {{10, 50, 2, 60}, {10, 50, 1, 30}, {350, 10, 5, 0}, {340, 20, 3, 0},
                        {100, 140, 4, 120}, {10, 200, 2, 210}};
  for (const Case& c : cases)
    EXPECT_NEAR(astro::AngularDistance(HarmonicMidpoint(c.x, c.y, c.h) - c.m), 0, 1e-9) << c.x << " " << c.y << " h" << c.h;
  EXPECT_EQ(HarmonicMidpoint(astro::NoValue, 10, 2), astro::NoValue);
}

TEST(Midpoint, TheModeDecidesWhetherTheHarmonicComesFirst) {
  // 10 and 200: their nearer midpoint is 285, twice that 210; doubled first they are 20 and 40,
  // whose midpoint is 30.
  EXPECT_NEAR(PairMidpoint(kCoordLongitude, 10, 200, 2, true), 210, 1e-9);
  EXPECT_NEAR(PairMidpoint(kCoordLongitude, 10, 200, 2, false), 30, 1e-9);
  // Where the pair is close the two agree.
  EXPECT_NEAR(PairMidpoint(kCoordLongitude, 10, 50, 2, true), 60, 1e-9);
  EXPECT_NEAR(PairMidpoint(kCoordLongitude, 10, 50, 2, false), 60, 1e-9);
  // Positions outside [0, 360) are reduced first in a circular coordinate.
  EXPECT_NEAR(PairMidpoint(kCoordLongitude, 370, 30, 1, true), 20, 1e-9);
  // Coordinates that measure nothing read 0 at both ends.
  EXPECT_EQ(PairMidpoint(9, 10, 50, 2, true), 0);
  EXPECT_EQ(PairMidpoint(kCoordLongitude, astro::NoValue, 50, 2, true), astro::NoValue);
}

// ---- the events through the model level ---------------------------------------------------------

// A natal chart and transit snapshots at t and at t + step with objects placed by hand.
class PositionEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    natal_ = std::make_unique<astro::ChartData>();
    natal_->Moment = astro::MomentFromDate(1990, 1, 1, 12);
    now_ = std::make_unique<astro::ChartData>();
    next_ = std::make_unique<astro::ChartData>();
    now_->Moment = astro::MomentFromDate(2026, 3, 20, 5);
    next_->Moment = now_->Moment + 0.5 * astro::DayInCenturies;
    path_ = ::testing::TempDir() + "signs_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".hyp";
  }
  void TearDown() override { std::filesystem::remove(path_); }

  void Natal(int obj, double lon) {
    natal_->ObjectOn[obj] = 1;
    natal_->Object[astro::kLongitude][obj] = lon;
  }
  // The same position at t and at t + step.
  void Transit(int obj, double lon) { Transit(obj, lon, lon); }
  void Transit(int obj, double now, double next) {
    now_->Object[astro::kLongitude][obj] = now;
    next_->Object[astro::kLongitude][obj] = next;
  }
  // Cusp h at first + 30 (h - 1).
  static void Cusps(astro::ChartData& c, double first) {
    for (int h = 1; h <= 12; ++h) c.Object[astro::kLongitude][astro::kAscendant + h - 1] = astro::NormalizeMod(first + 30 * (h - 1), 360);
  }

  double Value(const std::string& keys, EvaluationMode mode = CountMode, int kind = 0) {
    const std::string text = "[E]\n_H=x\n_T=" + std::to_string(kind) + "\n" + keys;
    { std::ofstream(path_, std::ios::binary) << text; }
    model::TEvList model;
    model.Load(path_);
    FillSnapshot(snap_now_, *now_);
    FillSnapshot(snap_next_, *next_);
    eval::ModelInputs in;
    in.Transit[eval::kBefore] = &snap_now_;
    in.Transit[eval::kAt] = &snap_now_;
    in.Transit[eval::kAfter] = &snap_next_;
    in.Transit[eval::kAfter2] = &snap_next_;
    in.NatalAt = natal_.get();
    in.NatalAfter = natal_after_ ? natal_after_.get() : natal_.get();
    in.Moment = now_->Moment;
    in.GridStepDays = 0.5;
    in.Mode = mode;
    in.Options.NatalStencilAlways = natal_stencil_always_;
    return eval::EvaluateModel(model, in);
  }

  std::unique_ptr<astro::ChartData> natal_, natal_after_, now_, next_;
  astro::MomentSnapshot snap_now_, snap_next_;
  uint8_t natal_stencil_always_ = 0;
  std::string path_;
};

TEST_F(PositionEvents, SignAndHouseSets) {
  // Natal cusps with the tenth at 30: an object at 45 stands in Taurus and in the tenth house.
  Cusps(*natal_, 120);
  struct Case { double lon; const char* keys; int hits; const char* why; };
  const Case cases[] = {
      {45, "", 1, "no sets: every object"},
      {45, "P3=1\nP2=10\n", 1, "the house alone suffices"},
      {45, "P3=1\n", 0, "Taurus is not Aries"},
      {45, "P3=2\n", 1, "in Taurus"},
      {45, "P2=10\n", 1, "in the tenth"},
      {45, "P3=1\nP2=4\n", 0, "neither"},
      {360, "P3=1\n", 1, "360 is Aries"},
      {29.9999, "P3=1\n", 1, "still Aries"},
      {30, "P3=1\n", 0, "30 is Taurus"},
      {30, "P3=2\n", 1, "30 is Taurus"},
      {45, "P4=1\nP2=1\n", 1, "right ascension has no houses: the set is ignored"},
      {45, "P4=1\nP3=1\nP2=10\n", 0, "so only the sign of the right ascension decides"},
      {45, "P4=1\nP3=2\nP2=4\n", 1, "which is Taurus"},
      {45, "P4=2\nP2=10\n", 0, "heliocentric: the Sun has no such row here, so it is absent"},
      {45, "P4=4\n", 0, "latitude is not a position of this kind"},
  };
  for (const Case& c : cases) {
    Transit(astro::kSun, c.lon);
    now_->Planet[astro::kRightAscension][astro::kSun] = c.lon;
    EXPECT_EQ(Value(std::string("P0=1\nP1=0\n") + c.keys), c.hits) << c.why;
  }
}

TEST_F(PositionEvents, EveryObjectOfTheSetCountsAndAbsentOnesDoNot) {
  Transit(astro::kSun, 10);
  Transit(astro::kMoon, 100);
  Transit(astro::kMars, 200);
  // Venus is absent from the snapshot.
  EXPECT_EQ(Value("P0=1\nP1=0,1,3,4\n"), 3);
  EXPECT_EQ(Value("P0=1\nP1=0,1,3,4\nWEIGHT=2\n", eval::GradedMode), 6);
  EXPECT_EQ(Value("P0=1\nP1=0,1,3,4\nP3=1,4\n"), 2);
  // The natal chart holds other objects.
  Natal(astro::kAscendant, 15);
  Natal(astro::kMoon, 250);
  EXPECT_EQ(Value("P0=0\nP1=1,18,19\nP3=1\n"), 1);
}

TEST_F(PositionEvents, HousesFromTheChartTheEventNames) {
  Cusps(*natal_, 0);    // natal: house = sign
  Cusps(*now_, 200);    // transit: 45 lies in the seventh house (cusp 7 at 20)
  Transit(astro::kSun, 45);
  EXPECT_EQ(Value("P0=1\nP1=0\nP2=2\nP5=0\n"), 1);
  EXPECT_EQ(Value("P0=1\nP1=0\nP2=2\nP5=1\n"), 0);
  EXPECT_EQ(Value("P0=1\nP1=0\nP2=7\nP5=1\n"), 1);
  // One unknown transit cusp: no house, so no match.
  now_->Object[astro::kLongitude][astro::kAscendant + 5] = astro::NoValue;
  EXPECT_EQ(Value("P0=1\nP1=0\nP2=7\nP5=1\n"), 0);
  // Unknown natal cusps likewise.
  natal_->Object[astro::kLongitude][astro::kAscendant] = astro::NoValue;
  EXPECT_EQ(Value("P0=1\nP1=0\nP2=2\nP5=0\n"), 0);
}

TEST_F(PositionEvents, SiderealSignsAndTropicalHouses) {
  const double ayanamsa = astro::AyanamsaAt(now_->Moment);
  ASSERT_GT(ayanamsa, 20);
  ASSERT_LT(ayanamsa, 30);
  Cusps(*natal_, 0);
  // Tropical 40 (Taurus, house 2) is sidereal Aries.
  Transit(astro::kSun, 40);
  EXPECT_EQ(Value("P0=1\nP1=0\nP4=10\nP3=1\n"), 1);
  EXPECT_EQ(Value("P0=1\nP1=0\nP4=10\nP3=2\n"), 0);
  EXPECT_EQ(Value("P0=1\nP1=0\nP4=10\nP2=2\n"), 1);
  EXPECT_EQ(Value("P0=1\nP1=0\nP4=10\nP2=1\n"), 0);
  // Just past the offset: sidereal Taurus.
  Transit(astro::kSun, 30 + ayanamsa + 0.01);
  EXPECT_EQ(Value("P0=1\nP1=0\nP4=10\nP3=2\n"), 1);
  // A natal object uses the offset of the natal moment.
  const double natal_ayanamsa = astro::AyanamsaAt(natal_->Moment);
  Natal(astro::kMoon, 30 + natal_ayanamsa + 0.001);
  EXPECT_EQ(Value("P0=0\nP1=1\nP4=10\nP3=2\n"), 1);
  Natal(astro::kMoon, 30 + natal_ayanamsa - 0.001);
  EXPECT_EQ(Value("P0=0\nP1=1\nP4=10\nP3=1\n"), 1);
}

TEST_F(PositionEvents, IngressesInTheirDirection) {
  struct Case { double now, next; const char* keys; int hits; const char* why; };
  const Case cases[] = {
      {359, 1, "P3=1\n", 1, "Pisces into Aries"},
      {359, 1, "P3=1\nP6=1\n", 1, "that is forward"},
      {359, 1, "P3=1\nP6=2\n", 0, "not backward"},
      {1, 359, "P3=12\nP6=2\n", 1, "Aries back into Pisces"},
      {1, 359, "P3=12\nP6=1\n", 0, "not forward"},
      {1, 359, "P3=1\n", 0, "leaving the wanted sign is no ingress into it"},
      {10, 10, "P3=1\n", 0, "no change"},
      {10, 10, "", 1, "no sets: every object, ingress or not"},
      {10, 10, "P6=1\n", 0, "but a direction filter needs an ingress"},
      {29, 31, "P2=2\n", 1, "house ingress by natal cusps"},
      {29, 31, "P2=3\n", 0, "into another house"},
  };
  Cusps(*natal_, 0);
  for (const Case& c : cases) {
    Transit(astro::kMoon, c.now, c.next);
    EXPECT_EQ(Value(std::string("_CM=1\nP0=1\nP1=1\n") + c.keys), c.hits) << c.why;
  }
}

TEST_F(PositionEvents, NatalIngressFollowsTheNatalStencilOnlyWithoutADirectionFilter) {
  // A natal pair one day apart, the Moon crossing into Aries between them.
  Natal(astro::kMoon, 359);
  natal_after_ = std::make_unique<astro::ChartData>(*natal_);
  natal_after_->Moment = natal_->Moment + astro::DayInCenturies;
  natal_after_->Object[astro::kLongitude][astro::kMoon] = 1;
  EXPECT_EQ(Value("_CM=1\nP0=0\nP1=1\nP3=1\n"), 1);
  // A direction filter holds a natal object at its place at t: no ingress is seen.
  EXPECT_EQ(Value("_CM=1\nP0=0\nP1=1\nP3=1\nP6=1\n"), 0);
  // Unless the caller asks for the natal stencil always.
  natal_stencil_always_ = 1;
  EXPECT_EQ(Value("_CM=1\nP0=0\nP1=1\nP3=1\nP6=1\n"), 1);
  EXPECT_EQ(Value("_CM=1\nP0=0\nP1=1\nP3=1\nP6=2\n"), 0);
}

TEST_F(PositionEvents, IngressIntoATransitHouseUsesTheCuspsOfEachEnd) {
  // The object stands still; the houses move under it.
  Transit(astro::kSun, 45);
  Cusps(*now_, 20);   // 45 in house 1
  Cusps(*next_, 50);  // 45 in house 12
  EXPECT_EQ(Value("_CM=1\nP0=1\nP1=0\nP2=12\nP5=1\n"), 1);
  EXPECT_EQ(Value("_CM=1\nP0=1\nP1=0\nP2=12\nP5=1\nP6=2\n"), 1);
  EXPECT_EQ(Value("_CM=1\nP0=1\nP1=0\nP2=12\nP5=1\nP6=1\n"), 0);
  // With the natal cusps nothing moves.
  Cusps(*natal_, 20);
  EXPECT_EQ(Value("_CM=1\nP0=1\nP1=0\nP2=12\nP5=0\n"), 0);
}

TEST_F(PositionEvents, MutualReceptionOfTwoObjects) {
  struct Case { int chart; double venus, mars; int hits; };
  const Case cases[] = {{1, 10, 40, 1}, {1, 10, 190, 1}, {1, 10, 130, 0}, {1, 40, 10, 0},
                        {0, 10, 40, 1}, {0, 10, 130, 0}};
  for (const Case& c : cases) {
    if (c.chart == 1) {
      Transit(astro::kVenus, c.venus);
      Transit(astro::kMars, c.mars);
      Natal(astro::kVenus, 100);
      Natal(astro::kMars, 100);
    } else {
      Natal(astro::kVenus, c.venus);
      Natal(astro::kMars, c.mars);
      Transit(astro::kVenus, 100);
      Transit(astro::kMars, 100);
    }
    const std::string keys = "ZR1=" + std::to_string(c.chart) + "\nZR2=3\nZR3=4\n";
    EXPECT_EQ(Value(keys, CountMode, 19), c.hits) << c.chart << " " << c.venus << " " << c.mars;
  }
  // Absent in the chart named: no hit.
  Transit(astro::kVenus, 10);
  Transit(astro::kMars, astro::NoValue);
  EXPECT_EQ(Value("ZR1=1\nZR2=3\nZR3=4\n", CountMode, 19), 0);
}

double RaisedCosine(double orb, double limit) { return (std::cos(astro::kPi * orb / limit) + 1) / 2; }

TEST_F(PositionEvents, MidpointsOfANatalPairAgainstATransitObject) {
  Natal(astro::kSun, 350);
  Natal(astro::kMoon, 10);
  Natal(astro::kMercury, 50);
  const std::string pair = "M0=0\nM1=0\nM2=1\nM4=1\nM5=5\n";
  struct Case { double jupiter; const char* keys; double value; const char* why; };
  const Case cases[] = {
      {0.5, "M3=1\nM6=1\n", RaisedCosine(0.5, 1), "conjunct the midpoint 0"},
      {359.75, "M3=1\nM6=1\n", RaisedCosine(0.25, 1), "from the other side"},
      {180.5, "M3=1\nM6=1\n", 0, "180 is not the midpoint"},
      {180.5, "M3=1,5\nM6=1\n", RaisedCosine(0.5, 1), "but opposes it"},
      {1.2, "M3=1\nM6=1\n", 0, "outside orb 1: no minimum search orb here"},
      {1.2, "M3=1\nM6=2\n", RaisedCosine(1.2, 2), "inside orb 2"},
      {90.3, "M3=3\nM6=1\n", RaisedCosine(0.3, 1), "square"},
  };
  for (const Case& c : cases) {
    Transit(astro::kJupiter, c.jupiter);
    EXPECT_NEAR(Value(pair + c.keys, eval::GradedMode, 3), c.value, 1e-9) << c.why;
  }
  // Harmonic 2: Moon 10 and Mercury 50 have their midpoint 30, doubled 60; Jupiter at 210.1 is
  // doubled to 60.2 (and opposes the plain midpoint).
  Transit(astro::kJupiter, 210.1);
  EXPECT_NEAR(Value("M0=0\nM1=1\nM2=2\nM3=1\nM4=1\nM5=5\nM6=1\nM8=2\n", eval::GradedMode, 3),
              RaisedCosine(0.2, 1), 1e-9);
  EXPECT_EQ(Value("M0=0\nM1=1\nM2=2\nM3=1\nM4=1\nM5=5\nM6=1\n", eval::GradedMode, 3), 0);
}

TEST_F(PositionEvents, NoTripleTwiceAndNoObjectOnItsOwnMidpoint) {
  // Sun 10, Moon 20, Mercury on their midpoint. With orb 6 the Sun and the Moon would each count
  // against the midpoint 15, a pair (Sun, Sun) would put its midpoint 10 within reach of Mercury,
  // and (Moon, Sun) would repeat (Sun, Moon).
  Transit(astro::kSun, 10);
  Transit(astro::kMoon, 20);
  Transit(astro::kMercury, 15);
  EXPECT_EQ(Value("M0=1\nM1=0,1\nM2=0,1\nM3=1\nM4=1\nM5=0,1,2\nM6=6\n", CountMode, 3), 1);
  // Not in any aspect either: with Sun 10 and Moon 130 each stands in sextile to their midpoint.
  Transit(astro::kMoon, 130);
  EXPECT_EQ(Value("M0=1\nM1=0\nM2=1\nM3=2\nM4=1\nM5=0,1\nM6=1\n", CountMode, 3), 0);
  // The same positions as a natal pair: the transit Sun and Moon are other bodies.
  Natal(astro::kSun, 10);
  Natal(astro::kMoon, 130);
  EXPECT_EQ(Value("M0=0\nM1=0\nM2=1\nM3=2\nM4=1\nM5=0,1\nM6=1\n", CountMode, 3), 2);
  Transit(astro::kMoon, 20);
  // Overlapping sets: (Sun, Moon), (Sun, Mercury) and (Moon, Mercury) each meet the third
  // object within 8; a pair (Moon, Moon) would add Mercury 5 from the Moon.
  EXPECT_EQ(Value("M0=1\nM1=0,1\nM2=1,2\nM3=1\nM4=1\nM5=0,1,2\nM6=8\n", CountMode, 3), 3);
  // From the other chart the objects are other bodies: the transit Sun may meet the natal pair.
  Natal(astro::kSun, 5);
  Natal(astro::kMoon, 15);
  EXPECT_EQ(Value("M0=0\nM1=0\nM2=1\nM3=1\nM4=1\nM5=0\nM6=1\n", CountMode, 3), 1);
}

TEST_F(PositionEvents, AllNatalMidpointsMoveWithTheNatalStencil) {
  Natal(astro::kSun, 350);
  Natal(astro::kMoon, 10);
  Natal(astro::kMercury, 0.5);
  const std::string keys = "M0=0\nM1=0\nM2=1\nM3=1\nM4=0\nM5=2\nM6=1\n";
  EXPECT_NEAR(Value(keys, eval::GradedMode, 3), RaisedCosine(0.5, 1), 1e-9);
  // Mercury 3 degrees further a day later: a day earlier it was 2.5 degrees short of the
  // midpoint, outside the orb, so the aspect does not hold across the stencil.
  natal_after_ = std::make_unique<astro::ChartData>(*natal_);
  natal_after_->Moment = natal_->Moment + astro::DayInCenturies;
  natal_after_->Object[astro::kLongitude][astro::kMercury] = 3.5;
  EXPECT_EQ(Value(keys, eval::GradedMode, 3), 0);
}

TEST_F(PositionEvents, MidpointExactMoment) {
  Natal(astro::kSun, 350);
  Natal(astro::kMoon, 10);
  const std::string keys = "_CM=1\nM0=0\nM1=0\nM2=1\nM3=1\nM4=1\nM5=1\nM6=1\n";
  Transit(astro::kMoon, 359, 3);  // crosses the midpoint 0 within the step
  EXPECT_NEAR(Value(keys, eval::GradedMode, 3), 1.0, 1e-12);
  Transit(astro::kMoon, 1, 4);  // already past it
  EXPECT_EQ(Value(keys, eval::GradedMode, 3), 0);
}

}  // namespace
}  // namespace sd::eval
