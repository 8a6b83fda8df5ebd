#pragma once
#include "eval/event_frame.h"
// Speed and station factors (kind 1): how an object moves, judged from its positions at the four
// stencil points t - step, t, t + step, t + 2 step. The pieces here work on positions only; the
// event loop (speed_factors.cpp) reads them from the charts.
#include <cstdint>

namespace sd::eval {

// Speed classes, numbered as the bits of the event's class mask.
enum SpeedClass : int { kSpeedSlow = 0, kSpeedAverage = 1, kSpeedFast = 2 };

// Degrees per day: slower than slow_below is slow, from fast_from on fast.
struct SpeedThresholds {
  double slow_below;
  double fast_from;
};

// By planet number, Sun to Pluto.
inline constexpr SpeedThresholds kSpeedThresholds[10] = {
    {59.0 / 60, 1.0},          // Sun
    {12.0, 13.5},              // Moon
    {5.0 / 60, 1.5},           // Mercury
    {5.0 / 60, 40.0 / 60},     // Venus
    {4.0 / 60, 0.5},           // Mars
    {2.0 / 60, 7.0 / 60},      // Jupiter
    {1.5 / 60, 3.0 / 60},      // Saturn
    {20.0 / 3600, 2.0 / 60},   // Uranus
    {20.0 / 3600, 1.5 / 60},   // Neptune
    {20.0 / 3600, 1.0 / 60},   // Pluto
};

// The class of a speed magnitude (degrees per day) of an object; every object without a row
// (numbers 10 and above) is fast.
int SpeedClassOf(int object, double speed);

// Direction bits: 0 direct, 1 retrograde. Acceleration bits in the state: 0 speeding up,
// 1 not; at a turning point of the speed: 1 a maximum (the speed was rising), 0 a minimum.
struct SpeedMasks {
  uint8_t classes = 0;       // bit per SpeedClass; 0 places no condition
  uint8_t acceleration = 0;  // bit 0 / bit 1
  uint8_t direction = 0;     // bit 0 direct, bit 1 retrograde
};

// One object's coordinate at t - step, t, t + step and t + 2 step (degrees).
struct MotionStencil {
  double before = 0;
  double at = 0;
  double after = 0;
  double after2 = 0;
};

struct SpeedStateResult {
  bool hit = false;
  double speed = 0;         // degrees per day over the step before t
  double acceleration = 0;  // degrees per day per day
};

// The state of motion at t with a step of step_days days: speed from the step before t,
// direction (retrograde unless the speed is above 0), class of the speed magnitude, and the
// change of speed into the step after t. A hit when every non-zero mask holds the state's bit.
// No hit with a zero step or an unknown position. Differences go the short way round the circle.
SpeedStateResult SpeedStateTest(int object, const SpeedMasks& masks, const MotionStencil& p,
                                double step_days);

// A station (the motion reverses between the steps before and after t; its bit is the new
// direction) matched by the direction mask, or a turning point of the speed over the three steps
// matched by the acceleration mask. Both masks 0 never match; an unknown position never does.
bool TurningPointTest(const SpeedMasks& masks, const MotionStencil& p);

// The event level: the candidate loops inside the frame of event_frame.h.

// Kind 1: each object whose speed class, acceleration and direction are the wanted ones adds 1
// (with _CM=1: each one at a station or a turning point of its speed). Model guide (docs/model-
// format.md): "Speed and stations (kind 1)". Reads, by file key and field:
//   V0 Chart        chart: 0 natal, 1 transit
//   V1 Objects      objects (0..39)
//   V2 SpeedClasses speed classes: 0 slow, 1 average, 2 fast; empty: any
//   V3 Acceleration 0 speeding up, 1 not speeding up; with _CM=1: 0 the speed at a minimum, 1 at a
//                   maximum
//   V4 Motion       0 direct, 1 retrograde; with _CM=1: the direction the object turns to at a
//                   station
//   V5 Coordinate   coordinate: 0 longitude, 1 right ascension (Sun..Pluto); any other scores
//                   nothing
void ScoreSpeedAndStations(KindContext& ctx);

}  // namespace sd::eval
