#pragma once
// Planet-pair metrics: events scored from the metric table of metric_table.h.
#include "eval/event_frame.h"

namespace sd::eval {

// The event level of kind 33: the candidate loop inside the frame of event_frame.h.
void ScoreKind33(KindContext& ctx);

}  // namespace sd::eval
