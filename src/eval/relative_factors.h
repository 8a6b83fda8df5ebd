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

// The event level: the candidate loops inside the frame of event_frame.h.

// Kind 11: each tested object just behind or just ahead of the reference adds 1. Model guide
// (docs/model-format.md): "Relative positions, phases and the user wave". Reads, by file key and
// field:
//   LR1 TestedChart    chart of the tested objects
//   LR2 Tested         tested objects (0..39)
//   LR3 ReferenceChart chart of the reference object
//   LR4 Reference      the reference object
//   LR5 Side           0 behind: the object stands on the reference or less than LR6 before it; 1
//                      ahead: more than 0 and less than LR6 past it; any other value never scores
//   LR6 Orb            orb in degrees (the edge itself does not count)
void ScoreBehindOrAhead(KindContext& ctx);

// Kind 12: each tested object on the shorter arc between the two references adds 1. Model guide
// (docs/model-format.md): "Relative positions, phases and the user wave". Reads, by file key and
// field:
//   BT1 TestedChart     chart of the tested objects
//   BT2 Tested          tested objects (0..39)
//   BT3 ReferenceChart  chart of the two references
//   BT4 FirstReference  the two references
//   BT5 SecondReference the two references
//   BT6 LargestArc      the largest arc between the references, degrees (an arc of exactly BT6 does
//                       not count)
void ScoreBetween(KindContext& ctx);

}  // namespace sd::eval
