#pragma once
// The window's events as the programs print them: a JSON document or CSV rows, with each
// event's moment as universal and local clock text and the names of the model sections it
// drives.
#include <nlohmann/json.hpp>

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
  ChartMoment From = NoValue, To = NoValue;
  std::vector<std::string> Warnings;  // about the positions of the natal chart and the window
};

// The window of `days` days from local midnight of the date in the zone, ending no later than
// the last day the programs accept (9999-12-31: no event past it is listed), with the warnings
// about the positions of the natal moment and the window.
WindowHead DayWindow(const std::string& security_utf8, double zone, int year, int month, int day,
                     int days, ChartMoment natal);

// "YYYY-MM-DDTHH:MM:SSZ", rounded to the second.
std::string UtcText(ChartMoment t);
// "YYYY-MM-DD HH:MM" in the zone (packed hours east), rounded to the minute.
std::string LocalText(ChartMoment t, double zone);

// What a reader calls an event: "Moon square natal Jupiter", "Sun enters Aries", "Mercury turns
// retrograde", "Full Moon in Libra", "Solar eclipse in Aries".
std::string EventName(const Event& e);
// The sign's name for a sign number 1..12 ("Aries" .. "Pisces"); "" otherwise.
const char* SignNameOf(int sign);

// {"security", "zone", "from", "to", "events": [...], "warnings": [...]}; each event has its
// numbers and their names (`name`, `body_name`, `other_name`, `sign_name`); the section names
// are the model's (events whose Drivers index it), and `titles` their "_H" texts in the same order.
nlohmann::ordered_json EventsDocument(const WindowHead& head, const std::vector<Event>& events,
                                      const model::TEvList& model);
// A header line and one row per event; sections joined by ";", the names in the last columns.
std::string EventsCsv(const WindowHead& head, const std::vector<Event>& events,
                      const model::TEvList& model);
// For people: a line naming the window, then one line per event, its local time and name, and
// under it the titles of the sections it drives.
std::string EventsText(const WindowHead& head, const std::vector<Event>& events,
                       const model::TEvList& model);

}  // namespace sd::timeline
