#pragma once
// Calendar events (kind 14): the weekday, day of the month, month or clock time of a moment on
// the local calendar of a zone.
#include "astro/calendar.h"
#include "eval/event_frame.h"

namespace sd::eval {

// The local civil date of t in a zone given in decimal hours east of Greenwich; a moment less
// than a millisecond before local midnight counts as that midnight. The zone is taken as it
// comes, so NoValue moves the date far from t.
CivilDate LocalDate(ChartMoment t, double zone_hours);

// 1 Monday .. 7 Sunday.
int Weekday(const CivilDate& d);

// Minute of the local day, 0..1439: the clock time rounded to the minute, the last half minute
// before midnight kept on its own day.
int MinuteOfDay(const CivilDate& d);

// The event level of kind 14: the candidate loop inside the frame of event_frame.h.
void ScoreKind14(KindContext& ctx);

}  // namespace sd::eval
