#pragma once
// Interceptions and crowds within one chart, on the longitude rows of rulership_factors.h.
// Events of kinds 18 and 23 score through these.
#include "astro/object_set.h"
#include "eval/event_frame.h"
#include "eval/rulership_factors.h"

namespace sd::eval {

// Whether longitude x stands in a sign that neither cusp bounding its house lies in, the
// houses taken from `houses`. False when x is absent or any cusp is.
bool InSignInterceptedInItsHouse(RowView houses, double x);

// How many members (0..39) of `objects` have a present value strictly less than width / 2
// from centre.
int CountNearCentre(RowView values, const ObjectSet& objects, double centre, double width);
// The first centre among 0.0, 0.1, .. 359.9 degrees around which at least `minimum` members
// crowd, or NoValue when none does.
double FirstCrowdedCentre(RowView values, const ObjectSet& objects, int minimum, double width);

// The event level of kinds 18, 23: the candidate loop inside the frame of event_frame.h.
void ScoreKind18(KindContext& ctx);
void ScoreKind23(KindContext& ctx);

}  // namespace sd::eval
