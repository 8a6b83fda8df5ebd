// Passages walked on deviations whose roots and turns are known in closed form: a steady
// approach, a station that makes it touch three times, one that turns back short of exactness,
// and one too slow to end within the search bound.
#include "timeline/passages.h"

#include <gtest/gtest.h>

#include <cmath>

namespace sd::timeline {
namespace {

constexpr double kDay = astro::DayInCenturies;
constexpr double kSecond = astro::SecondInCenturies;
// A moment of 2026 that sits at no whole hour or day of the walk's grid.
constexpr astro::ChartMoment kT0{1.2621731};

TEST(PassageAround, SteadyApproachHasOneExactMomentAndEndsAtTheOrb) {
  struct Case {
    double rate;  // degrees a day, either sign
    double orb;
  };
  const Case cases[] = {{13.2, 1.0}, {-13.2, 1.0}, {0.9, 1.0}, {-0.03, 2.5}, {1.1, 0.2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rate);
    const Deviation dev = [&c](astro::ChartMoment t) { return c.rate * (t - kT0) / kDay; };
    const double half = c.orb / std::fabs(c.rate) * kDay;  // time from exact to either edge
    // Walked from before exactness and from after it: the same passage.
    for (const astro::ChartMoment inside : {kT0 - 0.6 * half, kT0 + 0.3 * half}) {
      const Passage p = PassageAround(dev, inside, c.orb);
      ASSERT_EQ(p.Exact.size(), 1u);
      EXPECT_NEAR(p.Exact[0].Centuries, kT0.Centuries, kSecond);
      EXPECT_NEAR(p.Start.Centuries, (kT0 - half).Centuries, kSecond);
      EXPECT_NEAR(p.End.Centuries, (kT0 + half).Centuries, kSecond);
      EXPECT_TRUE(p.Perfects());
      EXPECT_FALSE(astro::IsValue(p.Closest));
    }
  }
}

// A cubic with roots 20 days apart: direct, a station, retrograde back through exactness, a
// second station, direct again; the whole loop stays inside an orb of 3 degrees.
TEST(PassageAround, StationThatTouchesTurnsBackAndTouchesAgainGivesThreeExactMoments) {
  const Deviation dev = [](astro::ChartMoment t) {
    const double x = (t - kT0) / kDay;  // days
    return 2e-4 * x * (x - 20) * (x - 40);
  };
  const Passage p = PassageAround(dev, kT0 + 30 * kDay, 3.0);
  ASSERT_EQ(p.Exact.size(), 3u);
  for (int i = 0; i < 3; ++i)
    EXPECT_NEAR(p.Exact[i].Centuries, (kT0 + 20 * i * kDay).Centuries, kSecond) << i;
  // 2e-4 x (x - 20)(x - 40) = -3 below the first root and = 3 above the last: the real roots
  // of the two cubics, found here by bisection on the formula.
  auto root = [](double target, double lo, double hi) {
    for (int i = 0; i < 200; ++i) {
      const double m = (lo + hi) / 2, v = 2e-4 * m * (m - 20) * (m - 40) - target;
      (v < 0 ? lo : hi) = m;
    }
    return (lo + hi) / 2;
  };
  EXPECT_NEAR(p.Start.Centuries, (kT0 + root(-3, -30, 0) * kDay).Centuries, kSecond);
  EXPECT_NEAR(p.End.Centuries, (kT0 + root(3, 40, 70) * kDay).Centuries, kSecond);
}

TEST(PassageAround, TurningBackShortOfExactnessGivesTheClosestApproach) {
  // Comes to 0.4 degrees of exact at kT0 + 10 days and recedes.
  const Deviation dev = [](astro::ChartMoment t) {
    const double x = (t - kT0) / kDay - 10;
    return -(0.4 + 0.01 * x * x);
  };
  const Passage p = PassageAround(dev, kT0 + 12 * kDay, 1.0);
  EXPECT_FALSE(p.Perfects());
  EXPECT_NEAR(p.Closest.Centuries, (kT0 + 10 * kDay).Centuries, 60 * kSecond);
  EXPECT_NEAR(p.ClosestSeparation, 0.4, 1e-6);
  // |dev| = 1 where 0.01 x^2 = 0.6.
  const double half = std::sqrt(60.0) * kDay;
  EXPECT_NEAR(p.Start.Centuries, (kT0 + 10 * kDay - half).Centuries, kSecond);
  EXPECT_NEAR(p.End.Centuries, (kT0 + 10 * kDay + half).Centuries, kSecond);
}

TEST(PassageAround, EndsBeyondTheSearchBoundAreUnknown) {
  // A degree in ten years: out of a 1-degree orb only after five years either way.
  const Deviation dev = [](astro::ChartMoment t) { return (t - kT0) / (3652.5 * kDay); };
  const Passage p = PassageAround(dev, kT0 + 100 * kDay, 1.0);
  EXPECT_FALSE(astro::IsValue(p.Start));
  EXPECT_FALSE(astro::IsValue(p.End));
  ASSERT_EQ(p.Exact.size(), 1u);
  // Outside the orb there is no passage at all.
  const Passage none = PassageAround([](astro::ChartMoment) { return 1.5; }, kT0, 1.0);
  EXPECT_FALSE(astro::IsValue(none.Start));
  EXPECT_TRUE(none.Exact.empty());
  EXPECT_FALSE(astro::IsValue(none.Closest));
}

// The same root approached from brackets a few seconds apart comes out as the same number, so
// that a moment is the same in every window that finds it.
TEST(CanonicalRoot, SameRootFromAnyNearbyStartIsTheSameNumber) {
  const Deviation dev = [](astro::ChartMoment t) { return std::sin((t - kT0) / kDay * 0.7) * 3; };
  const astro::ChartMoment first = CanonicalRoot(dev, kT0 + 0.7 * kSecond);
  for (const double off : {-3.0, -0.2, 0.0, 0.4, 2.5}) EXPECT_EQ(CanonicalRoot(dev, kT0 + off * kSecond), first) << off;
  EXPECT_NEAR(first.Centuries, kT0.Centuries, kSecond);
  // A root on the edge of a whole hour is found from either side of the edge.
  const astro::ChartMoment hour(std::floor(kT0.Centuries / (kDay / 24)) * (kDay / 24));
  const Deviation at_edge = [hour](astro::ChartMoment t) { return (t - hour) / kDay; };
  EXPECT_NEAR(CanonicalRoot(at_edge, hour - 0.1 * kSecond).Centuries, hour.Centuries, kSecond);
  EXPECT_NEAR(CanonicalRoot(at_edge, hour + 0.1 * kSecond).Centuries, hour.Centuries, kSecond);
}

TEST(MotionAt, ApplyingWhileTheDeviationShrinksSeparatingWhileItGrows) {
  const Deviation falling = [](astro::ChartMoment t) { return -(t - kT0) / kDay; };
  const struct {
    double days;
    Motion want;
  } cases[] = {{-0.5, Motion::kApplying}, {0.5, Motion::kSeparating}};
  for (const auto& c : cases) EXPECT_EQ(MotionAt(falling, kT0 + c.days * kDay), c.want) << c.days;
  const Deviation rising = [](astro::ChartMoment t) { return (t - kT0) / kDay; };
  EXPECT_EQ(MotionAt(rising, kT0 - 0.5 * kDay), Motion::kApplying);
  EXPECT_EQ(MotionAt(rising, kT0 + 0.5 * kDay), Motion::kSeparating);
  EXPECT_EQ(MotionAt([](astro::ChartMoment) { return 0.3; }, kT0), Motion::kStill);
}

}  // namespace
}  // namespace sd::timeline
