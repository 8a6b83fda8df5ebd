#include "api/zones.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <strings.h>

#include "api/router.h"
#include "astro/calendar.h"
#include "data/tz_database.h"
#include "data/zone_table.h"
#include "api/day_ask.h"
#include "host/clock.h"

namespace sd::api {

std::optional<ApiZone> FindZone(std::string_view abbreviation) {
  for (const data::ZoneRow& row : data::ZoneTable) {
    const std::string_view name = row.abbreviation;
    if (name.size() == abbreviation.size() &&
        strncasecmp(name.data(), abbreviation.data(), name.size()) == 0)
      return ApiZone{row.abbreviation, row.value, astro::HmsToDecimal(row.value), {}};
  }
  return std::nullopt;
}

std::string UtcOffsetText(double hours) {
  const long minutes = std::lround(std::fabs(hours) * 60);
  char buf[48];
  std::snprintf(buf, sizeof buf, "UTC%c%02ld:%02ld", hours < 0 ? '-' : '+', minutes / 60,
                minutes % 60);
  return buf;
}

namespace {

ApiZone FromOffset(std::string_view name, const data::TzOffset& offset) {
  const double hours = offset.seconds_east / 3600.0;
  return ApiZone{offset.abbreviation, astro::DecimalToHms(hours), hours, std::string(name)};
}

}  // namespace

std::optional<ApiZone> DatabaseZoneOnDate(std::string_view name, int year, int month, int day, std::string& why) {
  const auto offset = data::TzOffsetOnDate(data::TzDatabaseDir(), name, year, month, day, why);
  if (!offset) return std::nullopt;
  return FromOffset(name, *offset);
}

std::optional<ApiZone> DatabaseZoneAt(std::string_view name, std::time_t t, std::string& why) {
  const auto offset = data::TzOffsetAt(data::TzDatabaseDir(), name, t, why);
  if (!offset) return std::nullopt;
  return FromOffset(name, *offset);
}

std::string ZoneTag(const ApiZone& zone) {
  return zone.tz_name.empty() ? zone.abbreviation : zone.tz_name + " " + UtcOffsetText(zone.hours);
}

Response ZonesRoute(const Request& request, const QueryParams& params, const ApiContext& context) {
  Json zones = Json::array();
  for (const data::ZoneRow& row : data::ZoneTable) {
    const double hours = astro::HmsToDecimal(row.value);
    zones.push_back({{"abbreviation", row.abbreviation},
                     {"hours", hours},
                     {"utc_offset", UtcOffsetText(hours)}});
  }
  host::LocalDateTime day;
  if (const auto date = Param(params, "date"); date && !date->empty()) {
    if (!ParseLocalDateTime(*date + " 00:00:00", day))
      return InvalidParams(Json::array({{{"name", "date"}, {"reason", "must be a date YYYY-MM-DD that exists"}}}));
  } else {
    std::tm tm{};
    gmtime_r(&context.now, &tm);
    day.year = tm.tm_year + 1900, day.month = tm.tm_mon + 1, day.day = tm.tm_mday;
  }
  // A machine without the database still serves the table.
  Json exchanges = Json::array();
  for (const char* name : kExchangeZones) {
    std::string why;
    if (const auto z = DatabaseZoneOnDate(name, day.year, day.month, day.day, why))
      exchanges.push_back({{"name", name}, {"abbreviation", z->abbreviation}, {"hours", z->hours},
                           {"utc_offset", UtcOffsetText(z->hours)}});
  }
  Response r = JsonResponse({{"zones", zones}, {"exchange_zones", exchanges}});
  // The table is part of the program; the exchanges' offsets change at most twice a year.
  return WithContentTag(std::move(r), request, "max-age=3600");
}

}  // namespace sd::api
