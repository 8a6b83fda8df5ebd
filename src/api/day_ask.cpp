#include "api/day_ask.h"

#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <utility>

#include "api/router.h"
#include "api/securities.h"
#include "api/zones.h"
#include "data/tz_database.h"
#include "host/clock.h"
#include "data/data_error.h"
#include "data/data_file.h"
#include "forecast/model_value.h"

namespace sd::api {

namespace {

// The day it is at `now` in a zone `hours` east.
void LocalDay(std::time_t now, double hours, DayAsk& ask) {
  const std::time_t local = now + static_cast<std::time_t>(hours * 3600);
  std::tm tm{};
  gmtime_r(&local, &tm);
  ask.year = tm.tm_year + 1900, ask.month = tm.tm_mon + 1, ask.day = tm.tm_mday;
}

}  // namespace

DayAsk ReadDayAsk(const QueryParams& params, const ApiContext& context, Json& invalid) {
  auto refuse = [&](const char* name, const std::string& reason) {
    invalid.push_back({{"name", name}, {"reason", reason}});
  };
  DayAsk ask;
  const auto security = Param(params, "security");
  if (!security || security->empty()) refuse("security", "is required");
  else ask.security = *security;
  const auto zone_text = Param(params, "zone");
  const auto date = Param(params, "date");
  bool date_given = false;
  if (date && !date->empty()) {
    host::LocalDateTime t;
    if (!ParseLocalDateTime(*date + " 00:00:00", t)) refuse("date", "must be a date YYYY-MM-DD that exists");
    ask.year = t.year, ask.month = t.month, ask.day = t.day;
    date_given = true;
  }
  std::optional<ApiZone> zone;
  std::string why;
  if (!zone_text || zone_text->empty()) {
    refuse("zone", "is required: an abbreviation of /zones or a time-zone name");
  } else if (!(zone = FindZone(*zone_text))) {
    if (!data::IsTzName(*zone_text) || zone_text->find('/') == std::string::npos) {
      refuse("zone", "is no abbreviation of /zones nor a time-zone name (America/New_York)");
    } else if (!date_given) {
      // Today in the zone asked for: the date of now at the offset now, then that date's offset.
      zone = DatabaseZoneAt(*zone_text, context.now, why);
      if (zone) LocalDay(context.now, zone->hours, ask);
      if (zone) zone = DatabaseZoneOnDate(*zone_text, ask.year, ask.month, ask.day, why);
    } else {
      zone = DatabaseZoneOnDate(*zone_text, ask.year, ask.month, ask.day, why);
    }
    if (!zone && !why.empty()) refuse("zone", why);
  }
  if (zone) ask.zone = *zone;
  if (!date_given && zone && zone->tz_name.empty()) LocalDay(context.now, zone->hours, ask);
  return ask;
}

Response InvalidParams(const Json& invalid) {
  return Problem(400, "The request's parameters are not all valid.", {{"invalid-params", invalid}});
}

const data::NatalRecord* LookUpSecurity(const std::vector<data::NatalRecord>& records,
                                        const std::string& program_dir, const std::string& name,
                                        Response& problem) {
  const data::NatalRecord* record = FindSecurity(records, name);
  if (!record) record = FindByTicker(records, data::ReadTickers(program_dir), name);
  if (!record) {
    const auto names = CloseNames(records, name);
    std::string detail = "No security is named '" + name + "'.";
    if (!names.empty()) detail += " Close names are in 'suggestions'.";
    problem = Problem(404, detail, {{"suggestions", names}});
  }
  return record;
}

std::optional<DaySources> FindDaySources(const DayAsk& ask, const ApiContext& context,
                                         Response& problem) {
  const auto records = data::ReadNatalDatabase(context.program_dir + data::kNatalFileName);
  const data::NatalRecord* record = LookUpSecurity(records, context.program_dir, ask.security, problem);
  if (!record) return std::nullopt;
  DaySources sources;
  sources.record = *record;
  sources.model_path = context.program_dir + forecast::kModelFileName;
  // Read as every program reads a data file (a regular file within the model's cap): a missing,
  // special or oversized model throws DataFileError (500) before a byte is hashed.
  sources.model_hash = "fnv1a64:" + Fnv1a64Hex(*data::ReadDataFile(
                                        sources.model_path, data::kModelFileMaxBytes, /*missing_ok=*/false));
  sources.date = DateText(ask.year, ask.month, ask.day);
  return sources;
}

DayCaching CachedUntilMidnight(std::string tag, const ApiContext& context, double zone_hours) {
  return {std::move(tag),
          "public, max-age=" + std::to_string(SecondsToNextMidnight(context.now, zone_hours))};
}

std::optional<Response> NotModifiedFor(const Request& request, const DayCaching& caching) {
  if (!MatchesIfNoneMatch(request.if_none_match, caching.tag)) return std::nullopt;
  return NotModified(caching.tag, caching.cache_control);
}

void SetCaching(Response& response, const DayCaching& caching) {
  response.SetHeader("Cache-Control", caching.cache_control);
  response.SetHeader("ETag", caching.tag);
}

std::string DateText(int year, int month, int day) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
  return buf;
}


}  // namespace sd::api
