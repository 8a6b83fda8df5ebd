#pragma once
// Calendar events (kind 14): the weekday, day of the month, month or clock time of a moment on
// the local calendar of a zone.
#include "astro/calendar.h"
#include "eval/event_frame.h"

namespace sd::eval {

// The local civil date of t in a zone given in decimal hours east of Greenwich; a moment less
// than a millisecond before local midnight counts as that midnight. The zone is taken as it
// comes, so NoValue moves the date far from t.
astro::CivilDate LocalDate(astro::ChartMoment t, double zone_hours);

// 1 Monday .. 7 Sunday.
int Weekday(const astro::CivilDate& d);

// Minute of the local day, 0..1439: the clock time rounded to the minute, the last half minute
// before midnight kept on its own day.
int MinuteOfDay(const astro::CivilDate& d);

// The event level: the candidate loops inside the frame of event_frame.h.

// Kind 14: 1 when the moment's local weekday, day, month or clock time is a wanted one. Model
// guide (docs/model-format.md): "Calendar (kind 14)". Reads, by file key and field:
//   DAY1 Mode        mode: 0 weekday, 1 day of the month, 2 month, 3 clock window
//   DAY2 Weekdays    weekdays 1 Monday .. 7 Sunday (mode 0)
//   DAY3 MonthDays   days of the month 1..31 (mode 1); 31 never scores in a 30-day month
//   DAY4 Months      months 1..12 (mode 2)
//   DAY5 WindowStart window start, minutes after local midnight (mode 3)
//   DAY6 WindowEnd   window end, minutes after local midnight, inclusive (mode 3); the clock time
//                    is rounded to the minute and the last half minute of the day stays 1439
void ScoreCalendar(KindContext& ctx);

}  // namespace sd::eval
