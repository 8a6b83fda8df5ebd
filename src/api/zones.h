#pragma once
// The zones an API request may name: the abbreviations of the program's zone table, and the
// names of the system's time-zone database, whose offset is that of the day asked for.
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "api/http.h"
#include "api/url_query.h"

namespace sd::api {

struct ApiZone {
  std::string abbreviation;  // as the table spells it, or the database's on the day ("EDT")
  double packed = 0;         // packed hours east of Greenwich (9.3 is 9 h 30 min)
  double hours = 0;          // decimal hours east
  std::string tz_name;       // the database's name ("America/New_York"); empty for the table
};

// The table's row for an abbreviation in any letter case ("est", "moscow"); none otherwise.
std::optional<ApiZone> FindZone(std::string_view abbreviation);

// A zone of the time-zone database on a local date (its offset at that day's noon), or at a
// moment; none, with the reason, for a name the database does not hold.
std::optional<ApiZone> DatabaseZoneOnDate(std::string_view name, int year, int month, int day, std::string& why);
std::optional<ApiZone> DatabaseZoneAt(std::string_view name, std::time_t t, std::string& why);

// What an answer's entity tag holds of the zone: the table's abbreviation as always, or the
// database's name with the offset it had on the day (an abbreviation alone may mean two offsets).
std::string ZoneTag(const ApiZone& zone);

// The zones of the main exchanges, by database name, that the page offers beside the table.
inline constexpr const char* kExchangeZones[] = {
    "America/New_York", "America/Chicago",  "America/Toronto", "America/Sao_Paulo", "Europe/London",
    "Europe/Paris",     "Europe/Frankfurt", "Europe/Zurich",   "Europe/Moscow",     "Asia/Kolkata",
    "Asia/Shanghai",    "Asia/Hong_Kong",   "Asia/Tokyo",      "Australia/Sydney"};

// "UTC+09:30", "UTC-05:00", "UTC+00:00".
std::string UtcOffsetText(double hours);

// GET /zones[?date=YYYY-MM-DD]: {"zones": [{"abbreviation", "hours", "utc_offset"}]} in the
// table's order, and "exchange_zones": [{"name", "abbreviation", "hours", "utc_offset"}], the
// exchanges' database zones on the date (default today in Greenwich).
struct ApiContext;
Response ZonesRoute(const Request& request, const QueryParams& params, const ApiContext& context);

}  // namespace sd::api
