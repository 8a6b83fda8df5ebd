// Calendar events (kind 14).
#include "eval/calendar_factors.h"

#include <cmath>

#include "astro/calendar.h"
#include "eval/event_frame.h"

namespace sd::eval {

namespace {

enum CalendarMode : uint8_t { kByWeekday = 0, kByDayOfMonth = 1, kByMonth = 2, kByClock = 3 };

constexpr int kMinutesPerDay = 1440;
constexpr double kMidnightMarginHours = 1.0 / 3600000;  // one millisecond

// Whether the local date has the wanted value (weekday, day or month) of the mode; the clock
// window is judged on the minute.
bool Holds(const model::EvKind14& ev, int wanted, const astro::CivilDate& d) {
  switch (ev.Mode) {
    case kByWeekday: return Weekday(d) == wanted;
    case kByDayOfMonth: return d.day == wanted;
    case kByMonth: return d.month == wanted;
    case kByClock: {
      const int k = MinuteOfDay(d);
      return ev.WindowStart <= k && k <= ev.WindowEnd;
    }
    default: return false;
  }
}

bool CalendarTest(const KindContext& ctx, int wanted) {
  const model::EvKind14& ev = ctx.Def().K.k14;
  const astro::ChartMoment t = ctx.In->Moment;
  const double zone = ctx.In->Options.ZoneHours;
  // A moment that is not a number would read as the first day of the calendar.
  if (!astro::IsValue(t) || !std::isfinite(t.Centuries + zone)) return false;
  const bool now = Holds(ev, wanted, LocalDate(t, zone));
  if (ctx.Def().CM == 0) return now;
  // The start of the condition: it holds now and did not one grid step ago. A clock window has
  // no start on this reading.
  if (ev.Mode == kByClock || !now) return false;
  const astro::ChartMoment before = t - ctx.In->GridStepDays * astro::DayInCenturies;
  return !Holds(ev, wanted, LocalDate(before, zone));
}

// Runs the condition and the factor test for one wanted value.
void TryValue(KindContext& ctx, int wanted) {
  if (!ctx.Admit({wanted})) return;
  if (CalendarTest(ctx, wanted)) ctx.Hit(1.0);
}

}  // namespace

astro::CivilDate LocalDate(astro::ChartMoment t, double zone_hours) {
  const astro::ChartMoment x = t + zone_hours * astro::DayInCenturies / 24;
  astro::CivilDate d = astro::DateFromMoment(x);
  // A moment meant as local midnight (the forecast grid's, built from days in centuries and a
  // zone offset) comes back a fraction of a millisecond short of it about every other time; read
  // literally that would put midnight on the day before. Within a millisecond of midnight the
  // date is the next day's.
  if (d.hours >= 24 - kMidnightMarginHours) {
    d = astro::DateFromMoment(x + 2 * kMidnightMarginHours * astro::DayInCenturies / 24);
    d.hours = 0;
    d.hours_hms = 0;
  }
  return d;
}

int Weekday(const astro::CivilDate& d) {
  // Julian Day of the date's noon, a whole number; JD 0 fell on a Monday.
  const double jd = std::round(astro::JulianDay(astro::MomentFromDate(d.year, d.month, d.day, 12.0)));
  const double r = jd - 7 * std::floor(jd / 7);
  return static_cast<int>(r) + 1;
}

int MinuteOfDay(const astro::CivilDate& d) {
  const int k = static_cast<int>(std::lround(d.hours * 60));
  if (k >= kMinutesPerDay) return kMinutesPerDay - 1;
  return k < 0 ? 0 : k;
}

void ScoreCalendar(KindContext& ctx) {
  const model::EvKind14& ev = ctx.Def().K.k14;
  const auto each = [&](const astro::ObjectSet& set, int first, int last) {
    for (int v = first; v <= last; ++v)
      if (set.Has(v)) TryValue(ctx, v);
  };
  switch (ev.Mode) {
    case kByWeekday: each(ev.Weekdays, 1, 7); break;
    case kByDayOfMonth: each(ev.MonthDays, 1, 31); break;
    case kByMonth: each(ev.Months, 1, 12); break;
    case kByClock: TryValue(ctx, 0); break;
    default: break;
  }
}

}  // namespace sd::eval
