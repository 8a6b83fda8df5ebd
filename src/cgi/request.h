#pragma once
// One whole request: start-up, query, natal chart, forecast, page, clean-up.
#include <cstdint>
#include <ostream>
#include <string>

namespace sd::cgi {

// What the run learns from the query and the clock, held for the run.
struct RequestState {
  std::string query;     // decoded
  double zone = 0.0;     // packed hours east of Greenwich; 0.0 for a missing or unknown zone
  std::string security;  // the requested name, as sent
  std::string gif_name;  // file name only, no directory
  uint16_t year = 0, month = 0, day = 0;  // today
};

// The query's parameter names.
inline constexpr const char* kZoneParam = "TRS_TZ";
inline constexpr const char* kSecurityParam = "D3_NATAL_DATA_TOWNS";

// Zone value, security name and picture name from a decoded query (steps that need no files).
void ReadRequest(const std::string& decoded_query, RequestState& req);

// Serves the request in QUERY_STRING and writes the page to out. Returns the exit status.
// Nothing is written to out before the page is complete; a failure that stops the run (a
// missing data file) throws before any output, after clean-up.
int RunRequest(std::ostream& out);

}  // namespace sd::cgi
