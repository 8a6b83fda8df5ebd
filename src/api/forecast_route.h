#pragma once
// GET /forecast: one security's forecast for a day, as `stockdyn forecast` writes it, with the
// first-trade data, the model's name and hash, and on request each event's contribution and
// the band of the first-trade time an hour earlier and later.
#include "api/http.h"
#include "api/url_query.h"

namespace sd::api {

struct ApiContext;

Response ForecastRoute(const Request& request, const QueryParams& params, const ApiContext& context);

}  // namespace sd::api
