#include "api/router.h"

#include <cstdio>
#include <exception>

#include "api/chart_route.h"
#include "api/events_route.h"
#include "api/forecast_route.h"
#include "api/securities.h"
#include "api/zones.h"
#include "data/data_error.h"

namespace sd::api {

const std::vector<Route>& Routes() {
  static const std::vector<Route> routes = {
      {"/securities", SecuritiesRoute},
      {"/forecast", ForecastRoute},
      {"/zones", ZonesRoute},
      {"/events", EventsRoute},
      {"/chart.svg", ChartRoute},
  };
  return routes;
}

Response NotModified(const std::string& tag, const std::string& cache_control) {
  Response r;
  r.status = 304;
  r.SetHeader("ETag", tag);
  r.SetHeader("Cache-Control", cache_control);
  return r;
}

Response WithContentTag(Response response, const Request& request, const std::string& cache_control) {
  const std::string tag = EntityTag({response.body});
  if (MatchesIfNoneMatch(request.if_none_match, tag)) return NotModified(tag, cache_control);
  response.SetHeader("Cache-Control", cache_control);
  response.SetHeader("ETag", tag);
  return response;
}

Response Dispatch(const Request& request, const ApiContext& context) {
  if (request.method != "GET" && request.method != "HEAD") {
    Response r = Problem(405, "Only GET and HEAD are served.");
    r.SetHeader("Allow", "GET, HEAD");
    return r;
  }
  std::string path = request.path;
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  for (const Route& route : Routes()) {
    if (path != route.path) continue;
    try {
      return route.handler(request, ParseQuery(request.query), context);
    } catch (const data::DataFileError& e) {
      // The server's log gets the file; the client learns only that the service is broken.
      std::fprintf(stderr, "srv_stock_api: %s\n", e.what());
      return Problem(500, "A data file of the service is missing or unreadable.");
    } catch (const std::exception& e) {
      std::fprintf(stderr, "srv_stock_api: %s\n", e.what());
      return Problem(500, "The request could not be served.");
    }
  }
  Json routes = Json::array();
  for (const Route& route : Routes()) routes.push_back(route.path);
  return Problem(404, "No such resource; the API serves the routes listed.",
                 {{"routes", routes}});
}

}  // namespace sd::api
