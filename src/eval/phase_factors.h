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

// The event level: the candidate loops inside the frame of event_frame.h.

// Kind 7: the object in one of the wanted phases and thirds adds 1. Model guide (docs/model-
// format.md): "Relative positions, phases and the user wave". Reads, by file key and field:
//   F0 Object 1 the Moon, 2..9 a planet; the Sun and other objects never score
//   F1 Chart  chart: 0 natal, 1 transit
//   F2 Phases wanted phases 1..8 (empty: the event never scores)
//   F3 Thirds wanted thirds 1..3
void ScorePhase(KindContext& ctx);

}  // namespace sd::eval
