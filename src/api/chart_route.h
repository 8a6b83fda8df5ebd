#pragma once
// GET /chart.svg: the chart wheel as SVG.
//   ?security=NAME&zone=ABBR[&date=YYYY-MM-DD&time=HH:MM[:SS]]
//       the security's first-trade chart; with date and time (local, in the zone) the bi-wheel
//       with the transits of that moment outside it, computed as the forecast computes them
//   ?date=YYYY-MM-DD&time=HH:MM[:SS]&zone=ABBR&lat=DEG&lon=DEG
//       the chart of a moment and place (decimal degrees, north and east positive)
// A wheel depends on its inputs only, never on the day it is asked for: it carries an ETag of
// them (the first-trade record, zone, moment, place, program) and may be cached for a day.
#include "api/http.h"
#include "api/url_query.h"

namespace sd::api {

struct ApiContext;

inline constexpr const char* kSvgType = "image/svg+xml; charset=utf-8";
inline constexpr const char* kWheelCacheControl = "public, max-age=86400";

Response ChartRoute(const Request& request, const QueryParams& params, const ApiContext& context);

}  // namespace sd::api
