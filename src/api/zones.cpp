#include "api/zones.h"

#include <cmath>
#include <cstdio>
#include <strings.h>

#include "api/router.h"
#include "astro/calendar.h"
#include "data/zone_table.h"

namespace sd::api {

std::optional<ApiZone> FindZone(std::string_view abbreviation) {
  for (const ZoneRow& row : ZoneTable) {
    const std::string_view name = row.abbreviation;
    if (name.size() == abbreviation.size() &&
        strncasecmp(name.data(), abbreviation.data(), name.size()) == 0)
      return ApiZone{row.abbreviation, row.value, HmsToDecimal(row.value)};
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

Response ZonesRoute(const Request& request, const QueryParams&, const ApiContext&) {
  Json zones = Json::array();
  for (const ZoneRow& row : ZoneTable) {
    const double hours = HmsToDecimal(row.value);
    zones.push_back({{"abbreviation", row.abbreviation},
                     {"hours", hours},
                     {"utc_offset", UtcOffsetText(hours)}});
  }
  Response r = JsonResponse({{"zones", zones}});
  // The table is part of the program: it changes only with a new build.
  return WithContentTag(std::move(r), request, "max-age=3600");
}

}  // namespace sd::api
