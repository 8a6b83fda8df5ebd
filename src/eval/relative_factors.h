#pragma once
#include "eval/event_frame.h"
// The position tests of the relative-position kinds (11 and 12), on plain longitudes in
// degrees. NoValue anywhere means no hit.

namespace sd::eval {

struct RelativeResult {
  bool hit = false;
  double strength = 0;
};

// x stands behind y (side 0: x - y in (-orb, 0]) or ahead of it (side 1: x - y in (0, orb)),
// the difference taken in (-180, 180]. Any other side never hits. Strength 1.
RelativeResult BehindOrAhead(double x, double y, int side, double orb);

// x lies on the shorter arc joining a and b (ends included) and that arc is shorter than orb.
// Strength (s - |x - m|) / s with s the arc and m its midpoint: 1 on the midpoint, 0.5 at
// either end.
RelativeResult Between(double x, double a, double b, double orb);

// The event level of kinds 11, 12: the candidate loop inside the frame of event_frame.h.
void ScoreKind11(KindContext& ctx);
void ScoreKind12(KindContext& ctx);

}  // namespace sd::eval
