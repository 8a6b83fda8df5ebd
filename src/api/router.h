#pragma once
// The API's routes: PATH_INFO to a handler. A new route is one more row of the table.
#include <ctime>
#include <string>
#include <vector>

#include "api/http.h"
#include "api/url_query.h"

namespace sd::api {

// What every handler may read besides the request.
struct ApiContext {
  std::string program_dir;  // with a trailing '/': Nyse.mil, stock.hyp, Metrics.dat ...
  std::time_t now = 0;      // universal time of the request
};

using Handler = Response (*)(const Request& request, const QueryParams& params,
                             const ApiContext& context);

struct Route {
  const char* path;  // "/forecast"
  Handler handler;
};

const std::vector<Route>& Routes();

// Serves one request: 405 for a method other than GET and HEAD, 404 for an unknown route, the
// handler's response otherwise. A data file that is missing or unreadable gives 500; so does
// any other failure, described without internals.
Response Dispatch(const Request& request, const ApiContext& context);

// A 304 answer for a request whose If-None-Match names `tag`, carrying the headers a 200
// would have had for caching.
Response NotModified(const std::string& tag, const std::string& cache_control);

// A document that depends on nothing but its own bytes, tagged by them: the 304 when the
// request's If-None-Match names that tag, else the response with its ETag and Cache-Control.
Response WithContentTag(Response response, const Request& request, const std::string& cache_control);

}  // namespace sd::api
