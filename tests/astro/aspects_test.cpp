#include "astro/aspects.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <string>

namespace sd::astro {
namespace {

constexpr double kNaN = NAN;
constexpr double kInf = INFINITY;

TEST(AspectHolds, OrdinaryAndSpecialAspectsInBothVariants) {
  // holds: AspectHolds; unit: AspectHoldsUnitAntis (antiscia always with a 1 degree orb).
  struct Case { double a, b, orb, angle; bool holds, unit; const char* what; };
  const Case cases[] = {
      {10, 75, 6, 60, true, true, "sextile 5 degrees off, orb 6"},
      {10, 75, 5, 60, false, false, "deviation equal to the orb is outside"},
      {10, 310, 6, 60, true, true, "sextile backwards (b behind a)"},
      {350, 5, 16, 0, true, true, "conjunction through the wrap at 360"},
      {5, 350, 16, 0, true, true, "conjunction through the wrap, other order"},
      {0, 180.5, 1, 180, true, true, "opposition"},
      {0, 181.5, 1, 180, false, false, "opposition out of orb"},
      {0, 51.4, 0.1, 51.428571, true, true, "septile"},
      {100, 122.4, 0.2, 22.5, true, true, "semi-octile"},
      {10, 170, 0.5, kAntiscionCode, true, true, "antiscion exact"},
      {10, 170.6, 0.5, kAntiscionCode, false, true, "antiscion 0.6 off: unit orb admits"},
      {10, 171, 0.5, kAntiscionCode, false, false, "antiscion 1 off: outside even the unit orb"},
      {10, 175, 10, kAntiscionCode, true, false, "antiscion 5 off: unit orb rejects"},
      {190, 350, 0.5, kAntiscionCode, true, true, "antiscion: the mirror of 350 is 190"},
      {10, 350, 0.5, kContraAntiscionCode, true, true, "contra-antiscion exact"},
      {10, 10, 0.5, kContraAntiscionCode, false, false, "equal longitudes are no contra-antiscion"},
      {10, 354, 10, kContraAntiscionCode, true, false, "contra-antiscion 4 off"},
      {12.0, 12.1, 0, kParallelCode, true, true, "parallel ignores the orb passed (0)"},
      {12.0, 12.2, 10, kParallelCode, false, false, "parallel ignores the orb passed (10)"},
      {-23.3, -23.2, 0, kParallelCode, true, true, "southern parallel"},
      {12.0, -12.1, 0, kContraParallelCode, true, true, "contra-parallel"},
      {12.0, 12.0, 10, kContraParallelCode, false, false, "equal declinations are no contra-parallel"},
      {10, 10, 400, 5000, false, false, "unknown code"},
      {10, 10, 400, 500, false, false, "the code range starts at 500"},
      {NoValue, 10, 400, 0, false, false, "first position missing"},
      {10, NoValue, 400, 0, false, false, "second position missing"},
      {NoValue, NoValue, 400, kParallelCode, false, false, "both missing, parallel"},
      {kNaN, 10, 400, 0, false, false, "NaN position"},
      {10, kInf, 400, 0, false, false, "infinite position"},
      {10, 10, kNaN, 0, false, false, "NaN orb"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AspectHolds(c.a, c.b, c.orb, c.angle), c.holds) << c.what;
    EXPECT_EQ(AspectHoldsUnitAntis(c.a, c.b, c.orb, c.angle), c.unit) << c.what;
  }
}

TEST(AspectSearch, FirstAndAnyFollowTableOrderAndExclusions) {
  ObjectSet all = ObjectSet::Range(1, 24);
  ObjectSet all_but_36 = all;
  all_but_36.Remove(11);
  struct Case { ObjectSet set; double a, b, orb; int first; bool any; const char* what; };
  const Case cases[] = {
      {all, 0, 60, 1, 2, true, "sextile"},
      // 36 (4 off), 40 (exact) and 45 (5 off, not inside) are candidates: 36 comes first.
      {all, 0, 40, 5, 11, true, "lowest number among several"},
      {all_but_36, 0, 40, 5, 15, true, "next one when the first is not in the set"},
      {ObjectSet{3}, 0, 60, 1, 0, false, "aspect not in the set"},
      {ObjectSet{}, 0, 0, 1, 0, false, "empty set"},
      {ObjectSet{kParallel}, 10, 10, 1, 0, true, "the search never reports a parallel"},
      {ObjectSet{kContraParallel, 3}, 10, -10, 1, 0, true, "nor a contra-parallel"},
      {ObjectSet{kParallel, 3}, 10, 100.5, 1, 3, true, "skips the parallel, finds the square"},
      {ObjectSet{25, 26, 30}, 10, 10, 1, 0, false, "slots beyond the count are never tested"},
      {ObjectSet{0, 100, 207}, 10, 10, 1, 0, false, "members that are no aspect number"},
      {ObjectSet{kAntiscion}, 10, 175, 10, 19, false, "antiscion: any uses the unit orb"},
      {ObjectSet{kAntiscion}, 10, 170.5, 0.1, 0, true, "antiscion: unit orb in any only"},
      {all, NoValue, 10, 400, 0, false, "missing position"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FirstAspectIn(c.set, c.a, c.b, c.orb), c.first) << c.what;
    EXPECT_EQ(AnyAspectIn(c.set, c.a, c.b, c.orb), c.any) << c.what;
  }
}

TEST(AspectPoint, ExactPointNearestToReference) {
  struct Case { int k; double x, ref, expected; const char* what; };
  const Case cases[] = {
      {kConjunction, 40, 200, 40, "conjunction is the position itself"},
      {kOpposition, 200, 0, 20, "opposition"},
      {kAntiscion, 10, 0, 170, "antiscion"},
      {kAntiscion, 200, 0, 340, "antiscion wraps"},
      {kContraAntiscion, 10, 0, 350, "contra-antiscion"},
      {3, 0, 95, 90, "square ahead"},
      {3, 0, 260, 270, "square behind"},
      {3, 0, 180, 270, "tie goes to the point behind"},
      {2, 330, 20, 30, "sextile ahead across 360"},
      {2, 30, 340, 330, "sextile behind across 0"},
      {14, 0, 50, 51.428571, "septile"},
      {25, 123, 0, 123, "an unused slot is a zero angle"},
  };
  for (const Case& c : cases) EXPECT_NEAR(AspectPoint(c.k, c.x, c.ref), c.expected, 1e-9) << c.what;
  EXPECT_EQ(AspectPoint(0, 10, 0), NoValue);
  EXPECT_EQ(AspectPoint(31, 10, 0), NoValue);
  EXPECT_EQ(AspectPoint(3, NoValue, 0), NoValue);
}

TEST(SignedAspectOrb, SignTellsWhereTheExactPointLies) {
  struct Case { int k; double a, b, expected; const char* what; };
  const Case cases[] = {
      {3, 0, 95, -5, "past the square: exact point behind"},
      {3, 0, 85, 5, "before the square: exact point ahead"},
      {3, 0, 265, 5, "before the waning square"},
      {3, 0, 275, -5, "past the waning square"},
      {2, 0, 60, 0, "exact"},
      {kConjunction, 350, 5, -15, "conjunction across 0, point behind"},
      {kConjunction, 10, 5, 5, "conjunction, point ahead"},
      {kOpposition, 0, 175, 5, "opposition ahead"},
      {kOpposition, 0, 185, -5, "opposition behind"},
      {kAntiscion, 10, 172, -2, "antiscion point 170"},
      {kContraAntiscion, 10, 345, 5, "contra-antiscion point 350"},
      {kParallel, 5, -3, -8, "parallel: plain difference of declinations"},
      {kContraParallel, 5, -3, 2, "contra-parallel: sum of declinations"},
  };
  for (const Case& c : cases) EXPECT_NEAR(SignedAspectOrb(c.k, c.a, c.b), c.expected, 1e-9) << c.what;
  EXPECT_EQ(SignedAspectOrb(3, NoValue, 10), NoValue);
  EXPECT_EQ(SignedAspectOrb(3, 10, NoValue), NoValue);
  EXPECT_EQ(SignedAspectOrb(0, 10, 20), NoValue);
}

// The search and the signed orb are two views of the same geometry: for every ordinary aspect
// the search holds exactly when the signed orb is inside the orb.
TEST(SignedAspectOrb, AgreesWithTheSearchForOrdinaryAspects) {
  const double orb = 4.3;
  for (int k = 1; k <= AspectCount; ++k) {
    if (AspectAngle(k) >= kAngleCodeThreshold) continue;
    for (double a = 0.35; a < 360; a += 13.7) {
      for (double b = 0.1; b < 360; b += 1.9) {
        const bool holds = AspectHolds(a, b, orb, AspectAngle(k));
        const double signed_orb = SignedAspectOrb(k, a, b);
        EXPECT_EQ(std::fabs(signed_orb) < orb, holds) << "k " << k << " a " << a << " b " << b;
        // Moving b by the signed orb lands on the exact point.
        if (holds) {
          EXPECT_TRUE(AspectHolds(a, b + signed_orb, 1e-9, AspectAngle(k))) << k;
        }
      }
    }
  }
}

TEST(AnglePoint, ArbitraryAngles) {
  struct Case { double angle, x, ref, point, orb_of_ref; };
  const Case cases[] = {
      {0, 40, 200, 40, -160},      // ref 160 ahead of the point: point behind, negative
      {180, 200, 0, 20, 20},       // point 20 ahead of ref 0
      {90, 0, 95, 90, -5},
      {45, 350, 30, 35, 5},        // x + 45 wraps to 35
      {45, 350, 300, 305, 5},
      {33.3, 100, 60, 66.7, 6.7},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(AnglePoint(c.angle, c.x, c.ref), c.point, 1e-9) << c.angle;
    EXPECT_NEAR(SignedAngleOrb(c.angle, c.x, c.ref), c.orb_of_ref, 1e-9) << c.angle;
  }
  EXPECT_EQ(AnglePoint(90, NoValue, 0), NoValue);
  EXPECT_EQ(SignedAngleOrb(90, 0, NoValue), NoValue);
}

TEST(AngleArithmetic, SignedDifferenceInterpolationAndRatio) {
  struct Diff { double p, q, expected; };
  for (const Diff& c : {Diff{10, 350, 20}, Diff{350, 10, -20}, Diff{0, 180, 180}, Diff{180, 0, 180},
                        Diff{5, 5, 0}, Diff{-30, 720, -30}})
    EXPECT_NEAR(SignedDifference(c.p, c.q), c.expected, 1e-12) << c.p << " " << c.q;

  struct Interp { double x, x1, x0, y1, y0, expected; const char* what; };
  const Interp interps[] = {
      {0.5, 1, 0, 10, 350, 0, "forward across 0"},
      {0.5, 1, 0, 350, 10, 0, "backward across 0"},
      {0.25, 1, 0, 100, 0, 25, "plain"},
      {2, 1, 0, 20, 10, 30, "extrapolates"},
      {0.5, 1, 0, 190, 0, 275, "takes the shorter way (backwards by 170)"},
      {12.5, 13, 12, 5, 355, 0, "offset abscissae"},
      {5, 3, 3, 100, 370, 10, "one abscissa: the first sample, reduced"},
  };
  for (const Interp& c : interps)
    EXPECT_NEAR(InterpolateAngle(c.x, c.x1, c.x0, c.y1, c.y0), c.expected, 1e-9) << c.what;

  struct Ratio { double a, b, c, y1, y0, expected; const char* what; };
  const Ratio ratios[] = {
      {5, 10, 0, 1, 0, 0.5, "half way"},
      {355, 10, 350, 100, 0, 25, "across 0"},
      {345, 10, 350, 1, 0, -0.25, "behind the start"},
      {5, 7, 7, 3, 2, 2, "no span: the start value"},
      {5, 367, 7, 3, 2, 2, "span of a whole turn is none"},
  };
  for (const Ratio& c : ratios) EXPECT_NEAR(AngleRatio(c.a, c.b, c.c, c.y1, c.y0), c.expected, 1e-12) << c.what;
}

TEST(InterceptedSign, WholeSignInsideTheHouse) {
  struct Case { int house; double cusp, next_cusp; bool expected; const char* what; };
  const Case cases[] = {
      {1, 10, 75, true, "Aries to Gemini: Taurus inside"},
      {1, 10, 40, false, "neighbouring signs"},
      {1, 10, 20, false, "same sign"},
      {1, 10, 359, false, "next cusp in the sign before (neighbours the other way)"},
      {12, 350, 10, false, "Pisces to Aries across 0"},
      {12, 290, 10, true, "Capricorn to Aries across 0"},
      {6, 150, 240, true, "Virgo to Sagittarius"},
      {1, NoValue, 75, false, "cusp missing"},
      {1, 10, NoValue, false, "next cusp missing"},
  };
  for (const Case& c : cases) {
    std::array<double, kObjectCount> lon;
    lon.fill(NoValue);
    lon[CuspObject(c.house)] = c.cusp;
    lon[CuspObject(c.house == 12 ? 1 : c.house + 1)] = c.next_cusp;
    EXPECT_EQ(InterceptedSign(lon, c.house), c.expected) << c.what;
  }
  std::array<double, kObjectCount> lon;
  lon.fill(10);
  EXPECT_FALSE(InterceptedSign(lon, 0));
  EXPECT_FALSE(InterceptedSign(lon, 13));
}

TEST(TriangleWeight, ShapeSignAndPower) {
  struct Case { double p, x, expected; };
  const Case cases[] = {
      {1, 0, 0},    {1, 90, 1},    {1, 180, 0},  {1, 270, -1},  {1, 45, 0.5},  {1, 135, 0.5},
      {2, 45, 0.25}, {2, 315, -0.25}, {0.5, 22.5, 0.5}, {1, -90, -1}, {1, 450, 1},
      {0, 45, 1},   {0, 315, -1},  {-1, 10, 1},
  };
  for (const Case& c : cases) EXPECT_NEAR(TriangleWeight(c.p, c.x), c.expected, 1e-12) << c.p << " " << c.x;
  struct Shifted { double x, expected; };
  for (const Shifted& c : {Shifted{0, 1}, Shifted{180, -1}, Shifted{90, 0}, Shifted{45, 0.5}, Shifted{300, 1.0 / 3}})
    EXPECT_NEAR(TriangleWeight90(1, c.x), c.expected, 1e-12) << c.x;
}

// Names carry the angle in degrees; a slip in either column shows up as a mismatch.
TEST(AspectTable, NamesMatchAnglesAndCodes) {
  for (int k = 1; k <= kAspectSlotCount; ++k) {
    const AspectSlot* s = AspectSlotOf(k);
    ASSERT_NE(s, nullptr);
    const std::string name = s->Name.Str();
    EXPECT_GE(s->Family, 1) << k;
    EXPECT_LE(s->Family, 7) << k;
    if (s->Angle >= kAngleCodeThreshold) continue;
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(static_cast<unsigned char>(name.back()), 0xB0) << k;
    const double named = std::strtod(name.c_str(), nullptr);
    EXPECT_EQ(std::trunc(named), std::trunc(s->Angle)) << k << " '" << name << "'";
  }
  const struct { int k; const char* name; double code; } specials[] = {
      {kAntiscion, "Antis", kAntiscionCode},
      {kContraAntiscion, "ContrAntis", kContraAntiscionCode},
      {kParallel, "Parallel", kParallelCode},
      {kContraParallel, "ContrParal", kContraParallelCode},
  };
  for (const auto& c : specials) {
    EXPECT_EQ(AspectSlotOf(c.k)->Name.Str(), c.name);
    EXPECT_EQ(AspectAngle(c.k), c.code);
  }
  EXPECT_EQ(AspectSlotOf(0), nullptr);
  EXPECT_EQ(AspectSlotOf(31), nullptr);
  EXPECT_EQ(AspectAngle(31), NoValue);
}

}  // namespace
}  // namespace sd::astro
