#pragma once
// The zones an API request may name: the abbreviations of the program's zone table.
#include <optional>
#include <string>
#include <string_view>

#include "api/http.h"
#include "api/url_query.h"

namespace sd::api {

struct ApiZone {
  std::string abbreviation;  // as the table spells it
  double packed = 0;         // packed hours east of Greenwich (9.3 is 9 h 30 min)
  double hours = 0;          // decimal hours east
};

// The table's row for an abbreviation in any letter case ("est", "moscow"); none otherwise.
std::optional<ApiZone> FindZone(std::string_view abbreviation);

// "UTC+09:30", "UTC-05:00", "UTC+00:00".
std::string UtcOffsetText(double hours);

// GET /zones: {"zones": [{"abbreviation", "hours", "utc_offset"}]} in the table's order.
struct ApiContext;
Response ZonesRoute(const Request& request, const QueryParams& params, const ApiContext& context);

}  // namespace sd::api
