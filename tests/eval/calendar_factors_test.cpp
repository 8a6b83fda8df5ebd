#include "eval/calendar_factors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "astro/calendar.h"
#include "astro/chart_data.h"
#include "astro/moment_snapshot.h"
#include "astro/numeric.h"
#include "eval/event_frame.h"

namespace sd::eval {
namespace {

// Universal moment of a local clock time in a zone of decimal hours east.
astro::ChartMoment Local(int y, int m, int d, double hours, double zone) {
  return astro::MomentFromDate(y, m, d, hours) - zone * astro::DayInCenturies / 24;
}

TEST(CalendarDate, WeekdaysOfKnownDates) {
  struct Case { int y, m, d, weekday; };
  const Case cases[] = {
      {1900, 1, 1, 1}, {2000, 1, 1, 6}, {2026, 3, 20, 5}, {2026, 3, 22, 7}, {2026, 3, 23, 1},
      {1582, 10, 15, 5}, {1582, 10, 4, 4},  // the calendar reform: Thursday, then Friday
      {1, 1, 1, 6},                         // the date of an absent moment (Julian calendar)
  };
  for (const Case& c : cases) {
    astro::CivilDate d;
    d.year = c.y;
    d.month = c.m;
    d.day = c.d;
    EXPECT_EQ(Weekday(d), c.weekday) << c.y << "-" << c.m << "-" << c.d;
  }
}

TEST(CalendarDate, ZoneMovesTheLocalDate) {
  const astro::ChartMoment t = astro::MomentFromDate(2026, 3, 21, 3.0);  // Saturday 03:00 UT
  struct Case { double zone; int day; double hours; int weekday; };
  const Case cases[] = {
      {0, 21, 3.0, 6}, {-5, 20, 22.0, 5}, {9.5, 21, 12.5, 6}, {-3.5, 20, 23.5, 5},
  };
  for (const Case& c : cases) {
    const astro::CivilDate d = LocalDate(t, c.zone);
    EXPECT_EQ(d.day, c.day) << c.zone;
    EXPECT_NEAR(d.hours, c.hours, 1e-6) << c.zone;
    EXPECT_EQ(Weekday(d), c.weekday) << c.zone;
  }
}

// Moments built like the forecast grid (local midnight in universal time, then twenty days in
// half-day steps) fall on local midnight and noon of the intended days, never on the evening
// before.
TEST(CalendarDate, GridMidnightsBelongToTheirOwnDay) {
  for (double zone : {-5.0, 9.5, 0.0, -10.5, 5.5, 12.75}) {
    for (int start_day = 1; start_day <= 28; start_day += 3) {
      const astro::ChartMoment start = Local(2026, 3, start_day, 0.0, zone);
      const astro::ChartMoment end = start + 20 * astro::DayInCenturies;
      for (int i = 0; i <= 40; ++i) {
        const astro::ChartMoment t = astro::LinearAt(i, 40, 0, end, start);
        const astro::CivilDate want = astro::DateFromMoment(astro::MomentFromDate(2026, 3, start_day, 6.0) +
                                              (i / 2) * astro::DayInCenturies);
        const astro::CivilDate got = LocalDate(t, zone);
        EXPECT_EQ(got.day, want.day) << zone << " " << start_day << " " << i;
        EXPECT_EQ(got.month, want.month) << zone << " " << start_day << " " << i;
        EXPECT_NEAR(got.hours, (i % 2) * 12.0, 1e-6) << zone << " " << start_day << " " << i;
      }
    }
  }
}

TEST(CalendarDate, MinuteOfDayRoundsAndKeepsTheLastMinute) {
  struct Case { double hours; int minute; };
  const Case cases[] = {
      {0.0, 0}, {59.0 / 60, 59}, {(59 + 29.0 / 60) / 60, 59}, {(59 + 31.0 / 60) / 60, 60},
      {12.5, 750}, {23 + 59.0 / 60 + 59.9 / 3600, 1439}, {23 + 59.0 / 60, 1439},
  };
  for (const Case& c : cases) {
    astro::CivilDate d;
    d.hours = c.hours;
    EXPECT_EQ(MinuteOfDay(d), c.minute) << c.hours;
  }
  // 23:59:59.9 local is still the same day, in the last minute.
  const astro::CivilDate late = LocalDate(Local(2026, 3, 20, 23 + 59.0 / 60 + 59.9 / 3600, -5), -5);
  EXPECT_EQ(late.day, 20);
  EXPECT_EQ(MinuteOfDay(late), 1439);
}

// ---- the event: loops over the wanted values, the zone, the start of a condition ---------

class CalendarEvent : public ::testing::Test {
 protected:
  void SetUp() override {
    natal_ = std::make_unique<astro::ChartData>();
    for (auto& p : in_.Transit) p = &snap_;
    for (auto& p : in_.Natal) p = natal_.get();
    in_.GridStepDays = 0.5;
    in_.Options.ZoneHours = -5;
    def_.Kind = 14;
  }
  void Want(uint8_t mode, std::initializer_list<int> values) {
    def_.K.k14.Mode = mode;
    astro::ObjectSet s(values);
    if (mode == 0) def_.K.k14.Weekdays = s;
    if (mode == 1) def_.K.k14.MonthDays = s;
    if (mode == 2) def_.K.k14.Months = s;
  }
  // Hit count at a local clock time in the event's zone.
  int HitsAt(int y, int m, int d, double hours) {
    in_.Moment = Local(y, m, d, hours, in_.Options.ZoneHours);
    const EventResult r = EvaluateEvent(def_, in_);
    EXPECT_EQ(r.Graded, r.Hits) << "every hit adds 1";
    return r.Hits;
  }

  std::unique_ptr<astro::ChartData> natal_;
  astro::MomentSnapshot snap_;
  EventInputs in_;
  model::EventDef def_{};
};

TEST_F(CalendarEvent, WeekdayDayOfMonthAndMonth) {
  Want(0, {6, 7});  // the weekend
  EXPECT_EQ(HitsAt(2026, 3, 20, 23.9), 0);  // Friday night
  EXPECT_EQ(HitsAt(2026, 3, 21, 0.0), 1);
  EXPECT_EQ(HitsAt(2026, 3, 22, 12.0), 1);
  EXPECT_EQ(HitsAt(2026, 3, 23, 0.0), 0);
  Want(0, {1, 2, 3, 4, 5, 6, 7});  // every weekday is one value: one hit
  EXPECT_EQ(HitsAt(2026, 3, 23, 0.0), 1);

  Want(1, {1, 2, 3, 28, 29, 30, 31});
  EXPECT_EQ(HitsAt(2026, 3, 31, 12.0), 1);
  EXPECT_EQ(HitsAt(2026, 4, 1, 0.0), 1);
  EXPECT_EQ(HitsAt(2026, 4, 4, 0.0), 0);
  Want(1, {31});  // never in a thirty-day month
  for (int day = 1; day <= 30; ++day) EXPECT_EQ(HitsAt(2026, 4, day, 12.0), 0) << day;
  EXPECT_EQ(HitsAt(2026, 5, 31, 12.0), 1);

  Want(2, {10});
  EXPECT_EQ(HitsAt(2026, 10, 1, 0.0), 1);
  EXPECT_EQ(HitsAt(2026, 10, 31, 23.5), 1);
  EXPECT_EQ(HitsAt(2026, 11, 1, 0.0), 0);
  EXPECT_EQ(HitsAt(2026, 9, 30, 12.0), 0);
  Want(2, {});
  EXPECT_EQ(HitsAt(2026, 10, 1, 0.0), 0);
  Want(4, {1});  // no such mode
  EXPECT_EQ(HitsAt(2026, 10, 1, 0.0), 0);
}

TEST_F(CalendarEvent, TheDateIsTheZonesLocalDate) {
  Want(0, {6});
  // Saturday 02:00 UT is still Friday in New York and already Saturday in Adelaide.
  const astro::ChartMoment t = astro::MomentFromDate(2026, 3, 21, 2.0);
  in_.Moment = t;
  in_.Options.ZoneHours = -5;
  EXPECT_EQ(EvaluateEvent(def_, in_).Hits, 0);
  in_.Options.ZoneHours = 9.5;
  EXPECT_EQ(EvaluateEvent(def_, in_).Hits, 1);
  // No date at all: nothing, not the first day of the calendar (a Saturday, 1 January).
  Want(1, {1});
  in_.Options.ZoneHours = NAN;
  EXPECT_EQ(EvaluateEvent(def_, in_).Hits, 0);
  in_.Options.ZoneHours = 0;
  in_.Moment = astro::ChartMoment(NAN);
  EXPECT_EQ(EvaluateEvent(def_, in_).Hits, 0);
}

TEST_F(CalendarEvent, ClockWindow) {
  def_.K.k14.Mode = 3;
  def_.K.k14.WindowStart = 0;
  def_.K.k14.WindowEnd = 59;  // the defaults: the first hour after midnight
  struct Case { double hours; int hits; };
  const Case cases[] = {
      {0.0, 1}, {0.5, 1}, {(59 + 29.0 / 60) / 60, 1}, {(59 + 31.0 / 60) / 60, 0}, {1.0, 0},
      {12.0, 0}, {23.99, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(HitsAt(2026, 3, 20, c.hours), c.hits) << c.hours;
  def_.K.k14.WindowStart = 1380;
  def_.K.k14.WindowEnd = 1439;  // the last hour, up to the stroke of midnight
  EXPECT_EQ(HitsAt(2026, 3, 20, 23 + 59.0 / 60 + 59.9 / 3600), 1);
  EXPECT_EQ(HitsAt(2026, 3, 20, 22.99), 0);
  EXPECT_EQ(HitsAt(2026, 3, 21, 0.0), 0);
}

TEST_F(CalendarEvent, StartOfConditionHitsOnTheFirstGridMomentOnly) {
  def_.CM = 1;
  Want(0, {1});
  EXPECT_EQ(HitsAt(2026, 3, 23, 0.0), 1);   // Monday 00:00: Sunday noon before
  EXPECT_EQ(HitsAt(2026, 3, 23, 12.0), 0);  // Monday 12:00: Monday midnight before
  in_.GridStepDays = 1.0;  // a longer step still reaches back to Sunday
  EXPECT_EQ(HitsAt(2026, 3, 23, 12.0), 1);
  in_.GridStepDays = 0.5;
  Want(1, {1});
  EXPECT_EQ(HitsAt(2026, 4, 1, 0.0), 1);
  EXPECT_EQ(HitsAt(2026, 4, 1, 12.0), 0);
  Want(2, {4});
  EXPECT_EQ(HitsAt(2026, 4, 1, 0.0), 1);
  EXPECT_EQ(HitsAt(2026, 4, 2, 0.0), 0);
  // A clock window has no start.
  def_.K.k14.Mode = 3;
  def_.K.k14.WindowStart = 0;
  def_.K.k14.WindowEnd = 1439;
  EXPECT_EQ(HitsAt(2026, 4, 1, 0.0), 0);
  def_.CM = 0;
  EXPECT_EQ(HitsAt(2026, 4, 1, 0.0), 1);
}

}  // namespace
}  // namespace sd::eval
