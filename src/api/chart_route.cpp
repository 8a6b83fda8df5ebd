#include "api/chart_route.h"

#include <ctime>

#include "data/tz_database.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "api/day_ask.h"
#include "data/data_file.h"
#include "api/router.h"
#include "api/securities.h"
#include "api/zones.h"
#include "astro/chart_data.h"
#include "data/natal_db.h"
#include "host/clock.h"
#include "host/wheel_picture.h"

namespace sd::api {
namespace {

// What the query asks for, each refused parameter added to `invalid`.
struct WheelAsk {
  std::optional<ApiZone> zone;
  std::optional<host::LocalMoment> moment;
  double lat = 0, lon = 0;
};

void Refuse(Json& invalid, const char* name, const std::string& reason) {
  invalid.push_back({{"name", name}, {"reason", reason}});
}

std::optional<ApiZone> ReadZone(const QueryParams& params, Json& invalid) {
  const auto text = Param(params, "zone");
  if (!text || text->empty()) {
    Refuse(invalid, "zone", "is required: an abbreviation of /zones");
    return std::nullopt;
  }
  auto zone = FindZone(*text);
  if (zone) return zone;
  // A time-zone name, as the forecast takes it: its offset on the date asked for (the wheel of
  // a moment), else today's in Greenwich.
  if (!data::IsTzName(*text) || text->find('/') == std::string::npos) {
    Refuse(invalid, "zone", "is no abbreviation of /zones nor a time-zone name (America/New_York)");
    return std::nullopt;
  }
  host::LocalDateTime day;
  const auto date = Param(params, "date");
  if (!date || date->empty() || !ParseLocalDateTime(*date + " 00:00:00", day)) {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    day.year = tm.tm_year + 1900, day.month = tm.tm_mon + 1, day.day = tm.tm_mday;
  }
  std::string why;
  zone = DatabaseZoneOnDate(*text, day.year, day.month, day.day, why);
  if (!zone) Refuse(invalid, "zone", why);
  return zone;
}

// date and time together (both required when `required`); none when neither is given.
std::optional<host::LocalMoment> ReadMoment(const QueryParams& params, const std::optional<ApiZone>& zone,
                                            bool required, Json& invalid) {
  const auto date = Param(params, "date");
  const auto time = Param(params, "time");
  const bool has_date = date && !date->empty(), has_time = time && !time->empty();
  if (!has_date && !has_time && !required) return std::nullopt;
  bool ok = true;
  if (!has_date) {
    Refuse(invalid, "date", required ? "is required" : "goes with time: give both or neither");
    ok = false;
  }
  if (!has_time) {
    Refuse(invalid, "time", required ? "is required" : "goes with date: give both or neither");
    ok = false;
  }
  host::LocalDateTime t;
  if (has_date && !ParseLocalDateTime(*date + " 00:00:00", t)) {
    Refuse(invalid, "date", "must be a date YYYY-MM-DD that exists");
    ok = false;
  }
  if (has_time && !(time->size() == 5 || time->size() == 8)) {
    Refuse(invalid, "time", "must be HH:MM or HH:MM:SS");
    ok = false;
  } else if (has_time && has_date && ok &&
             !ParseLocalDateTime(*date + " " + *time + (time->size() == 5 ? ":00" : ""), t)) {
    Refuse(invalid, "time", "must be HH:MM or HH:MM:SS");
    ok = false;
  }
  if (!ok || !zone) return std::nullopt;
  return host::LocalMoment{t.year, t.month, t.day, PackedClockTime(t), zone->packed, zone->abbreviation};
}

// A decimal number within +-limit.
std::optional<double> ReadDegrees(const QueryParams& params, const char* name, double limit,
                                  Json& invalid) {
  const auto text = Param(params, name);
  const std::string reason = "must be decimal degrees from " + std::to_string(int(-limit)) + " to " +
                             std::to_string(int(limit));
  if (!text || text->empty()) {
    Refuse(invalid, name, "is required: " + reason.substr(8));
    return std::nullopt;
  }
  char* end = nullptr;
  const double v = std::strtod(text->c_str(), &end);
  if (end != text->c_str() + text->size() || !std::isfinite(v) || std::fabs(v) > limit ||
      text->find_first_of("xXpPnN") != std::string::npos) {
    Refuse(invalid, name, reason);
    return std::nullopt;
  }
  return v;
}

Response Svg(std::string body, const DayCaching& caching) {
  Response response;
  response.body = std::move(body);
  response.SetHeader("Content-Type", kSvgType);
  SetCaching(response, caching);
  return response;
}

std::string MomentKey(const std::optional<host::LocalMoment>& m) {
  return m ? host::MomentText(*m) : "natal";
}

Response SecurityWheel(const Request& request, const QueryParams& params, const ApiContext& context) {
  Json invalid = Json::array();
  const std::string security = *Param(params, "security");
  if (security.empty()) Refuse(invalid, "security", "is required");
  const auto zone = ReadZone(params, invalid);
  const auto moment = ReadMoment(params, zone, false, invalid);
  if (!invalid.empty()) return InvalidParams(invalid);

  const auto records = data::ReadNatalDatabase(context.program_dir + data::kNatalFileName);
  Response problem;
  const data::NatalRecord* record = LookUpSecurity(records, context.program_dir, security, problem);
  if (!record) return problem;
  const data::NatalBytes bytes = EncodeNatalRecord(*record);
  const DayCaching caching{EntityTag({"chart.svg", std::string(bytes.begin(), bytes.end()),
                                      ZoneTag(*zone), MomentKey(moment), data::FileStamp("/proc/self/exe")}),
                           kWheelCacheControl};
  if (auto not_modified = NotModifiedFor(request, caching)) return std::move(*not_modified);

  astro::EventBlock first_trade;
  ToEventData(*record, first_trade);
  return Svg(host::SecurityWheelSvg(first_trade, DisplayName(*record), moment), caching);
}

Response MomentWheel(const Request& request, const QueryParams& params) {
  Json invalid = Json::array();
  const auto zone = ReadZone(params, invalid);
  const auto moment = ReadMoment(params, zone, true, invalid);
  const auto lat = ReadDegrees(params, "lat", 90, invalid);
  const auto lon = ReadDegrees(params, "lon", 180, invalid);
  if (!invalid.empty()) return InvalidParams(invalid);

  char place[64];
  std::snprintf(place, sizeof place, "%.17g %.17g", *lat, *lon);
  const DayCaching caching{
      EntityTag({"chart.svg", MomentKey(moment), place, data::FileStamp("/proc/self/exe")}),
      kWheelCacheControl};
  if (auto not_modified = NotModifiedFor(request, caching)) return std::move(*not_modified);
  return Svg(host::MomentWheelSvg(*moment, *lat, *lon), caching);
}

}  // namespace

Response ChartRoute(const Request& request, const QueryParams& params, const ApiContext& context) {
  if (Param(params, "security")) return SecurityWheel(request, params, context);
  return MomentWheel(request, params);
}

}  // namespace sd::api
