#pragma once
// GET /events: the transit events of one security's forecast window, each with the model
// sections it drives, as `stockdyn events` writes them.
#include "api/http.h"
#include "api/url_query.h"

namespace sd::api {

struct ApiContext;

Response EventsRoute(const Request& request, const QueryParams& params, const ApiContext& context);

}  // namespace sd::api
