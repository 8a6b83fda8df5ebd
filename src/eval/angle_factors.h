#pragma once
#include "eval/event_frame.h"
// Angle factors (kind 8): a value formed from two objects, their difference or their midpoint,
// compared with a target angle and graded by the orb strength profile. The pieces here work on
// positions only; the event loop (angle_factors.cpp) reads the positions from the charts.
#include <cstdint>

namespace sd::eval {

// How the two positions x (first object) and y (second object) are combined.
enum AngleOperation : int {
  kAngleDifference = 0,  // y - x
  kAngleMidpoint = 1,
};

// The coordinate in which an angle event measures the great-circle separation of its two
// objects instead of a position (from ecliptic longitude and latitude together).
inline constexpr int kCoordSeparation = 9;

// True for the coordinates whose values are plain signed numbers (latitude, declination,
// heliocentric latitude): they are neither reduced nor compared round the circle.
bool LinearAngleCoordinate(int coordinate);

// The combined value of x and y: the difference y - x reduced into [0, 360) (unreduced for the
// linear coordinates), or the midpoint: (x + y) / 2 for the linear coordinates, the nearer
// midpoint (NearerMidpoint, signs_factors.h) otherwise. NoValue when either position is NoValue
// or the operation is unknown.
double CombinedAngle(int coordinate, int operation, double x, double y);

// How far the combined value v is from the target: target - v for the linear coordinates, the
// signed shortest difference target - v in (-180, 180] otherwise. NoValue when v is NoValue.
double AngleDeviation(int coordinate, double target, double v);

struct AngleFactorParams {
  double target = 0;      // degrees
  double orb_limit = 1;   // degrees
  uint8_t phase_mask = 0; // bit 0 applying, bit 1 separating; 0 admits both
};

struct AngleFactorResult {
  bool hit = false;
  double strength = 0;  // the profile at the deviation at t (1 for an exact passage)
  double second = 0;    // the deviation at t
  int phase = 0;        // 1 applying, 2 separating (0: not measured)
};

// In-orb test on the combined values one step before t and at t. A hit when the target lies
// on the shorter arc between the two values (the value crossed it during the step; the
// strength is still the profile at t, so 0 beyond the orb) or when the deviation at t is within
// the orb limit. Applying when the deviation shrank; a phase mask other than 0 or 3 keeps only
// the hits of its phase.
AngleFactorResult AngleInOrbTest(const AngleFactorParams& params, int coordinate, double v_prev,
                                 double v_now);

// Exact-moment test on the combined values at t and one step later: a hit of strength 1 when
// the target lies on the shorter arc between them and the deviation changes sign. The second
// value is the fraction of the step at which the deviation, taken as linear, reaches 0.
AngleFactorResult AngleExactTest(const AngleFactorParams& params, int coordinate, double w_now,
                                 double w_next);

// The event level: the candidate loops inside the frame of event_frame.h.

// Kind 8: each pair whose difference or midpoint is within the orb of the target angle adds its
// strength. Model guide (docs/model-format.md): "Angles (kind 8)". Reads, by file key and field:
//   AN1  FirstChart  chart of the first objects: 0 natal, 1 transit
//   AN2  First       first objects
//   AN3  SecondChart chart of the second objects
//   AN4  Second      second objects
//   AN5  Target      target angle in degrees
//   AN6  Orb         orb in degrees
//   AN61 Combination 0: the difference second − first; 1: the midpoint; other values score nothing
//   AN7  Coordinate  coordinate, as V7 of kind 2; and 9: the distance of the two objects along the
//                    great circle, from longitude and latitude (0..180°; Mercury..Pluto)
//   AN8  Phases      phase filter: 0 applying only, 1 separating only, both or empty: either
void ScoreAngles(KindContext& ctx);

}  // namespace sd::eval
