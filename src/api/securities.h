#pragma once
// The securities of the natal database as the API shows them, and the lookup of a requested
// name with the close names offered when there is no such security.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "api/http.h"
#include "api/url_query.h"
#include "data/natal_db.h"

namespace sd::api {

struct ApiContext;

// {"date": "YYYY-MM-DD", "time": "HH:MM:SS", "zone": hours east, "latitude", "longitude"
// (decimal degrees, north and east positive), "place"}; texts in UTF-8.
Json FirstTradeJson(const NatalRecord& record);

// The stored name (code page 1251) in UTF-8, without blanks at the ends.
std::string DisplayName(const NatalRecord& record);

// The first record whose trimmed name equals the requested UTF-8 name trimmed, as the
// request's natal lookup compares them (byte for byte, in the code page). None when there is
// none or the name has a character the code page lacks.
const NatalRecord* FindSecurity(const std::vector<NatalRecord>& records, std::string_view utf8_name);

// Up to `count` names close to the requested one, closest first: equal but for letter case,
// then those holding it (or held by it), then within a small edit distance.
std::vector<std::string> CloseNames(const std::vector<NatalRecord>& records,
                                    std::string_view utf8_name, size_t count = 3);

// GET /securities: {"securities": [{"name", "first_trade"}]} in database order.
Response SecuritiesRoute(const Request& request, const QueryParams& params,
                         const ApiContext& context);

}  // namespace sd::api
