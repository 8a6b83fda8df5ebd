#pragma once
// Aspect events: the object loops of kind 2 and the positions each pair is measured in;
// the position tests themselves are in aspect_factor.h.
#include "eval/event_frame.h"

namespace sd::eval {

// The event level of kind 2: the candidate loop inside the frame of event_frame.h.
void ScoreKind2(KindContext& ctx);

}  // namespace sd::eval
