#pragma once
// Requests and responses of the API as a CGI program sees them, problem documents
// (application/problem+json) and the caching headers.
#include <ctime>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace sd::api {

// Documents keep their members in the order they are written.
using Json = nlohmann::ordered_json;

struct Request {
  std::string method = "GET";
  std::string path;           // PATH_INFO: the route, e.g. "/forecast"
  std::string query;          // QUERY_STRING, still encoded
  std::string if_none_match;  // the If-None-Match header, empty when absent
};

// The request of the CGI environment (REQUEST_METHOD, PATH_INFO, QUERY_STRING,
// HTTP_IF_NONE_MATCH).
Request RequestFromEnvironment();

struct Response {
  int status = 200;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;

  void SetHeader(std::string name, std::string value);
  const std::string* Header(std::string_view name) const;  // null when not set
};

inline constexpr const char* kJsonType = "application/json; charset=utf-8";
inline constexpr const char* kProblemType = "application/problem+json; charset=utf-8";
inline constexpr const char* kCsvType = "text/csv; charset=utf-8";
inline constexpr const char* kCalendarType = "text/calendar; charset=utf-8";

// The reason phrase of a status code ("Not Found").
const char* StatusPhrase(int status);

// A 200 response with the document as its body.
Response JsonResponse(const Json& document);

// A problem document: type about:blank, the status's phrase as title, the detail, and any
// further members (suggestions, invalid-params ...). Never cached.
Response Problem(int status, std::string_view detail, Json extra = Json::object());

// The response as a CGI program writes it: a Status line, the headers, a blank line and, but
// for HEAD and 304, the body.
void WriteCgiResponse(const Response& response, bool head, std::ostream& out);

// ---- caching --------------------------------------------------------------------------

// A strong entity tag of the inputs, in quotes: a 64-bit FNV-1a hash over each part and
// its length, so that ("ab","c") and ("a","bc") differ.
std::string EntityTag(const std::vector<std::string>& parts);

// True when an If-None-Match header value names the tag: '*', or the tag among a list
// (weak comparison, as for GET: a W/ prefix is ignored).
bool MatchesIfNoneMatch(std::string_view header, std::string_view tag);

// Seconds from the universal time `now` to the next midnight of the zone (decimal hours east
// of Greenwich), at least 1 (a response at midnight is good for a whole day, not for none).
long SecondsToNextMidnight(std::time_t now, double zone_hours);

// 64-bit FNV-1a of bytes, as 16 lower-case hex digits.
std::string Fnv1a64Hex(std::string_view bytes);

}  // namespace sd::api
