#pragma once
#include "eval/event_frame.h"
// The phase of an object relative to the Sun (kind 7): eight phases of 45 degrees, each in
// three thirds of 15 degrees.

namespace sd::eval {

struct PhasePlace {
  int phase = 0;  // 1..8; 0 when the angle is unknown
  int third = 0;  // 1..3
};

// The Moon's phase from its elongation e = Moon - Sun (any real; reduced into [0, 360)).
PhasePlace LunarPhase(double moon, double sun);
// A planet's phase from its phase angle (degrees; a phase number above 8 counts as 8).
PhasePlace PlanetPhase(double phase_angle);

// The event level of kind 7: the candidate loop inside the frame of event_frame.h.
void ScoreKind7(KindContext& ctx);

}  // namespace sd::eval
