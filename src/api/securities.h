#pragma once
// The securities of the natal database as the API shows them (the lookup of a requested name
// and its close names are the natal names' own: data/natal_names.h).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "api/http.h"
#include "api/url_query.h"
#include "data/natal_db.h"
#include "data/natal_names.h"

namespace sd::api {

struct ApiContext;

// {"date": "YYYY-MM-DD", "time": "HH:MM:SS", "zone": hours east, "latitude", "longitude"
// (decimal degrees, north and east positive), "place"}; texts in UTF-8.
Json FirstTradeJson(const data::NatalRecord& record);

// GET /securities: {"securities": [{"name", "first_trade"}]} in database order.
Response SecuritiesRoute(const Request& request, const QueryParams& params,
                         const ApiContext& context);

}  // namespace sd::api
