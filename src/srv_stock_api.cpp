// srv_stock_api: the JSON API as a CGI program. The web server starts it once per request,
// with the route in PATH_INFO and the parameters in QUERY_STRING.
#include <csignal>
#include <cstdio>
#include <ctime>
#include <exception>
#include <iostream>

#include "api/router.h"
#include "host/clock.h"
#include "host/program_dir.h"

namespace {

// The universal time of the request: the test clock (server-local, like the page's) when it
// is set, the system clock otherwise.
std::time_t RequestTime() {
  if (std::getenv(sd::host::kTestClockVariable)) {
    const sd::host::LocalDateTime t = sd::host::LocalNow();
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
  }
  return std::time(nullptr);
}

}  // namespace

int main() {
  std::signal(SIGPIPE, SIG_IGN);
  const sd::api::Request request = sd::api::RequestFromEnvironment();
  sd::api::Response response;
  try {
    response = sd::api::Dispatch(request, {sd::host::ProgramDir(""), RequestTime()});
  } catch (const std::exception& e) {
    std::fprintf(stderr, "srv_stock_api: %s\n", e.what());
    response = sd::api::Problem(500, "The request could not be served.");
  }
  sd::api::WriteCgiResponse(response, request.method == "HEAD", std::cout);
  std::cout.flush();
  return 0;
}
