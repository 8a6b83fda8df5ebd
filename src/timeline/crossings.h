#pragma once
// Moments at which a smooth angle of time reaches given values, and the moments at which it
// turns back.
//
// The angle is sampled on a grid; consecutive samples are joined by the shorter way round the
// circle, which is right while the angle moves less than half a turn per step. Between two
// turning points the angle is monotonic, so each level it passes there is passed exactly once:
// the turning points are located first (the grid shows one as a change of direction of the
// samples, provided no two of them fall within two steps of each other), and every piece
// between grid moments and turning points is then searched for each level, on either side of
// the circle. Moments are refined by false position (Illinois) to under a second, with a
// bounded number of steps.
#include <functional>
#include <span>
#include <vector>

#include "astro/moment.h"

namespace sd::timeline {

// An angle in degrees at a universal moment; any multiple of 360 may be added or missing.
// NoValue where it is unknown.
using AngleOfTime = std::function<double(astro::ChartMoment)>;

// Refinement stops when the bracket is this narrow or the estimate moves less than a tenth of it.
inline constexpr double kMomentTolerance = astro::SecondInCenturies;
inline constexpr int kRefineSteps = 64;

struct Turn {
  astro::ChartMoment Moment = astro::kNoMoment;
  bool Maximum = false;  // the angle rose before and falls after
};

struct Crossing {
  astro::ChartMoment Moment = astro::kNoMoment;
  double Level = 0;      // the level reached, [0, 360)
  int Index = 0;         // its place in the levels asked for
  bool Rising = false;   // the angle increases through it
  bool FirstTry = false; // the moment is first_try's, not refined on its piece
};

// The sampled angle cut into monotonic pieces: boundaries in ascending order, with the angle
// made continuous across them.
struct Track {
  std::vector<astro::ChartMoment> T;
  std::vector<double> U;  // NoValue where the angle is unknown
  std::vector<Turn> Turns;
};

// `values` are f at `grid` (ascending). Turning points are refined on the angle's rate of
// change, a central difference of f over an hour.
Track BuildTrack(const AngleOfTime& f, std::span<const astro::ChartMoment> grid,
                 std::span<const double> values);

// A crossing's moment found another way than by refining it on its piece: given the index of the
// level, the piece [a, b] (the angle monotonic on it, the level passed once) and the straight
// line's moment of the level, the moment, or NoValue to refine on the piece after all.
using CrossingMoment = std::function<astro::ChartMoment(int index, astro::ChartMoment a,
                                                        astro::ChartMoment b, astro::ChartMoment guess)>;

// Every moment in [from, to] at which the angle reaches one of `levels` (degrees, taken
// modulo 360), in ascending order of moment; each is refined on its piece unless `first_try`
// (when given) has it.
std::vector<Crossing> FindCrossings(const AngleOfTime& f, const Track& track,
                                    std::span<const double> levels, astro::ChartMoment from,
                                    astro::ChartMoment to, const CrossingMoment& first_try = nullptr);

// A root of g in [a, b], where ga = g(a) and gb = g(b) have opposite signs (or one is 0).
// kNoMoment when g cannot be evaluated.
astro::ChartMoment RefineRoot(const std::function<double(astro::ChartMoment)>& g, astro::ChartMoment a,
                              double ga, astro::ChartMoment b, double gb);

// x - 360 k in (-180, 180].
double Wrap180(double x);

}  // namespace sd::timeline
