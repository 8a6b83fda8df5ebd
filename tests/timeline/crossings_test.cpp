// The search for level crossings and turns on synthetic angles whose answers are known.
#include "astro/angles.h"
#include "timeline/crossings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace sd::timeline {
namespace {

constexpr astro::ChartMoment kBase{1.26};  // any moment; the angles below count days from it

double Days(astro::ChartMoment t) { return (t - kBase) / astro::DayInCenturies; }
astro::ChartMoment At(double days) { return kBase + days * astro::DayInCenturies; }

struct Case {
  const char* name;
  double (*angle)(double days);
  std::vector<double> levels;
  std::vector<double> expected_days;  // ascending
  std::vector<bool> rising;
  int turns;
};

double FastForwardAcrossZero(double d) { return std::fmod(355 + 15 * d, 360); }
double FastBackwardAcrossZero(double d) { return std::fmod(365 - 12 * d + 720, 360); }
// A maximum between two grid moments that lifts the angle over the level for less than a day:
// both grid samples either side are below it.
double GrazingMaximum(double d) { return 100.001 - 0.004 * (d - 5.5) * (d - 5.5); }
// A minimum just past 0: the angle comes down to 0.002 and goes back, twice crossing 0.003
// and never 0.
double MinimumAboveZero(double d) { return 0.002 + 0.001 * (d - 7.25) * (d - 7.25); }

TEST(Crossings, LevelsAcrossWrapAndTurnsBetweenGridMoments) {
  const double r = std::sqrt(0.0005 / 0.004);
  const std::vector<Case> cases = {
      {"forward across 0/360", FastForwardAcrossZero, {0, 3, 200}, {1.0 / 3, 8.0 / 15, 205.0 / 15}, {true, true, true}, 0},
      {"backward across 0/360", FastBackwardAcrossZero, {0, 359}, {5.0 / 12, 0.5}, {false, false}, 0},
      {"touch and turn back", GrazingMaximum, {100.0005}, {5.5 - r, 5.5 + r}, {true, false}, 1},
      {"turn short of the level", MinimumAboveZero, {0, 0.003}, {7.25 - 1, 7.25 + 1}, {false, true}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const AngleOfTime f = [&c](astro::ChartMoment t) { return c.angle(Days(t)); };
    std::vector<astro::ChartMoment> grid;
    std::vector<double> values;
    for (int i = -1; i <= 21; ++i) {
      grid.push_back(At(i));
      values.push_back(astro::NormalizeMod(f(At(i)), 360));
    }
    const Track track = BuildTrack(f, grid, values);
    EXPECT_EQ(static_cast<int>(track.Turns.size()), c.turns);
    const auto found = FindCrossings(f, track, c.levels, At(0), At(20));
    ASSERT_EQ(found.size(), c.expected_days.size());
    for (size_t i = 0; i < found.size(); ++i) {
      EXPECT_NEAR(Days(found[i].Moment) * 86400, c.expected_days[i] * 86400, 1.0) << i;
      EXPECT_EQ(found[i].Rising, c.rising[i]) << i;
    }
  }
}

TEST(Crossings, TurnIsWhereTheRateChangesSign) {
  const AngleOfTime f = [](astro::ChartMoment t) { return GrazingMaximum(Days(t)); };
  std::vector<astro::ChartMoment> grid;
  std::vector<double> values;
  for (int i = 0; i <= 10; ++i) grid.push_back(At(i)), values.push_back(f(At(i)));
  const Track track = BuildTrack(f, grid, values);
  ASSERT_EQ(track.Turns.size(), 1u);
  EXPECT_TRUE(track.Turns[0].Maximum);
  EXPECT_NEAR(Days(track.Turns[0].Moment) * 86400, 5.5 * 86400, 1.0);
}

TEST(Crossings, RefineRootIsBoundedAndRefusesUnbracketedOrUnknown) {
  // A step function: false position crawls, the bound and the bisection fall-back end it.
  int calls = 0;
  const auto step = [&](astro::ChartMoment t) { ++calls; return t < At(3.3) ? -1.0 : 1.0; };
  const astro::ChartMoment t = RefineRoot(step, At(0), -1, At(10), 1);
  EXPECT_NEAR(Days(t) * 86400, 3.3 * 86400, 1.0);
  EXPECT_LE(calls, kRefineSteps);
  EXPECT_FALSE(astro::IsValue(RefineRoot(step, At(0), 1, At(10), 1)));
  EXPECT_FALSE(
      astro::IsValue(RefineRoot([](astro::ChartMoment) { return astro::NoValue; }, At(0), -1, At(10), 1)));
}

}  // namespace
}  // namespace sd::timeline
