#pragma once
// House rulers: the rulers of a house of one chart against the positions of another.
#include "eval/event_frame.h"

namespace sd::eval {

// The event level of kind 21: the candidate loop inside the frame of event_frame.h.
void ScoreKind21(KindContext& ctx);

}  // namespace sd::eval
