#pragma once
// The window's events as the programs print them: a JSON document or CSV rows, with each
// event's moment as universal and local clock text and the names of the model sections it
// drives.
#include <nlohmann/json.hpp>

#include <functional>
#include <string>
#include <vector>

#include "timeline/events.h"

namespace sd::model {
class TEvList;
}

namespace sd::timeline {

// What the document is about; `zone` packed hours east, as the forecast's documents give it.
struct WindowHead {
  std::string Security;  // UTF-8
  double Zone = 0;
  astro::ChartMoment From = astro::kNoMoment, To = astro::kNoMoment;
  std::vector<std::string> Warnings;  // about the positions of the natal chart and the window
  // The orbs of the passages, degrees; NoValue when the events carry none.
  double Orb = astro::NoValue, MoonOrb = astro::NoValue;
};

// Which clock the moments are on (the output says it): true universal time, Delta T from
// observation.
const char* TimeScaleText();

// The window of `days` days from local midnight of the date in the zone, ending no later than
// the last day the programs accept (9999-12-31: no event past it is listed), with the warnings
// about the positions of the natal moment and the window.
WindowHead DayWindow(const std::string& security_utf8, double zone, int year, int month, int day,
                     int days, astro::ChartMoment natal);

// "YYYY-MM-DDTHH:MM:SSZ", rounded to the second.
std::string UtcText(astro::ChartMoment t);
// "YYYY-MM-DD HH:MM" in the zone (packed hours east), rounded to the minute.
std::string LocalText(astro::ChartMoment t, double zone);

// What a reader calls an event: "Moon square natal Jupiter", "Sun enters Aries", "Mercury turns
// retrograde", "Full Moon in Libra", "Solar eclipse in Aries".
std::string EventName(const Event& e);
// The sign's name for a sign number 1..12 ("Aries" .. "Pisces"); "" otherwise.
const char* SignNameOf(int sign);

// {"security", "zone", "from", "to", "time_scale", "orbs", "events": [...], "warnings": [...]};
// each event has its `id`, its numbers and their names (`name`, `body_name`, `other_name`,
// `sign_name`); the section names are the model's (events whose Drivers index it), and `titles`
// their "_H" texts in the same order; `passage` is null or {"orb", "start", "start_local", "exact"
// (UTC texts), "end", "end_local", "perfects", "closest", "closest_separation"}, a start or end not
// found within the search bound null. "orbs" is null or {"orb", "moon"}.
nlohmann::ordered_json EventsDocument(const WindowHead& head, const std::vector<Event>& events,
                                      const model::TEvList& model);
// One event of the document.
nlohmann::ordered_json EventJson(const WindowHead& head, const Event& e, const model::TEvList& model);
// A header line and one row per event; sections joined by ";", the names in the last columns.
std::string EventsCsv(const WindowHead& head, const std::vector<Event>& events,
                      const model::TEvList& model);
// For people: a line naming the window and the clock, then one line per event, its local time and
// name (and its passage: in orb from start to end, local times), under it the titles of the
// sections it drives, and a last line counting the events.
std::string EventsText(const WindowHead& head, const std::vector<Event>& events,
                       const model::TEvList& model);

// "Jupiter trine natal Sun (exact)", "(exact, 2 of 3)", "(closest 0.62°, does not perfect)": the
// event's name and what its moment is.
std::string EventSummary(const Event& e);

enum class EventsFormat { kJson, kCsv, kText, kIcs };

// The same documents written piece by piece, the events as they are found, so that a span of any
// length is printed without being held: Add the events in order of moment, then Finish. The bytes
// are those of JsonText(EventsDocument(...)), EventsCsv, EventsText and the calendar.
//
// The calendar (iCalendar, RFC 5545) has one VEVENT per event: UID from its id (a natal event's
// also from the security's name, so that two securities' calendars never share one), DTSTAMP the
// window's start (from the data, so the same request gives the same bytes), DTSTART the event's
// moment, DTEND the passage's end where there is one, SUMMARY as EventSummary, DESCRIPTION the
// security, the passage's start, exact moments and end and the sections the event drives.
class EventsWriter {
 public:
  using Sink = std::function<void(const std::string&)>;
  EventsWriter(const WindowHead& head, const model::TEvList& model, EventsFormat format, Sink sink);
  void Add(const std::vector<Event>& events);
  void Finish();

 private:
  const WindowHead& head_;
  const model::TEvList& model_;
  EventsFormat format_;
  Sink sink_;
  long long count_ = 0;
};

// The calendar of the events, whole.
std::string EventsIcs(const WindowHead& head, const std::vector<Event>& events, const model::TEvList& model);

}  // namespace sd::timeline
