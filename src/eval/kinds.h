#pragma once
// The event-level function of every kind that the evaluation scores. Each runs the kind's
// candidate loop inside the frame of event_frame.h. Kinds absent here never score.
#include "eval/event_frame.h"

namespace sd::eval {

// Aspects (aspect_factors.cpp).
void ScoreKind2(KindContext& ctx);

// Positions, speed, midpoints, angles, formula points, mutual reception, planet-pair metrics.
void ScoreKind0(KindContext& ctx);
void ScoreKind1(KindContext& ctx);
void ScoreKind3(KindContext& ctx);
void ScoreKind8(KindContext& ctx);
void ScoreKind16(KindContext& ctx);
void ScoreKind19(KindContext& ctx);
void ScoreKind33(KindContext& ctx);

// Phases, orbit points, relative positions, calendar, void of course, order and rulership,
// interceptions and clusters, house rulers, dignity, time cycles and thresholds, user wave.
void ScoreKind7(KindContext& ctx);
void ScoreKind9(KindContext& ctx);
void ScoreKind11(KindContext& ctx);
void ScoreKind12(KindContext& ctx);
void ScoreKind14(KindContext& ctx);
void ScoreKind15(KindContext& ctx);
void ScoreKind17(KindContext& ctx);
void ScoreKind18(KindContext& ctx);
void ScoreKind20(KindContext& ctx);
void ScoreKind21(KindContext& ctx);
void ScoreKind23(KindContext& ctx);
void ScoreKind24(KindContext& ctx);
void ScoreKind29(KindContext& ctx);
void ScoreKind39(KindContext& ctx);
void ScoreKind40(KindContext& ctx);
void ScoreKind41(KindContext& ctx);

}  // namespace sd::eval
