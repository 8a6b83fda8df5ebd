#include "api/http.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <strings.h>

namespace sd::api {
namespace {

std::string EnvOr(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return v ? v : fallback;
}

struct StatusRow {
  int status;
  const char* phrase;
};
constexpr StatusRow kStatusPhrases[] = {
    {200, "OK"},
    {304, "Not Modified"},
    {400, "Bad Request"},
    {404, "Not Found"},
    {405, "Method Not Allowed"},
    {500, "Internal Server Error"},
};

}  // namespace

Request RequestFromEnvironment() {
  Request r;
  r.method = EnvOr("REQUEST_METHOD", "GET");
  r.path = EnvOr("PATH_INFO", "");
  r.query = EnvOr("QUERY_STRING", "");
  r.if_none_match = EnvOr("HTTP_IF_NONE_MATCH", "");
  return r;
}

void Response::SetHeader(std::string name, std::string value) {
  for (auto& [n, v] : headers) {
    if (strcasecmp(n.c_str(), name.c_str()) == 0) {
      v = std::move(value);
      return;
    }
  }
  headers.emplace_back(std::move(name), std::move(value));
}

const std::string* Response::Header(std::string_view name) const {
  for (const auto& [n, v] : headers)
    if (n.size() == name.size() && strncasecmp(n.data(), name.data(), n.size()) == 0) return &v;
  return nullptr;
}

const char* StatusPhrase(int status) {
  for (const auto& row : kStatusPhrases)
    if (row.status == status) return row.phrase;
  return "Unknown";
}

Response JsonResponse(const Json& document) {
  Response r;
  r.SetHeader("Content-Type", kJsonType);
  // Names arrive in UTF-8 (converted from the code page), so nothing here can fail to
  // encode; a stray byte is replaced rather than thrown on.
  r.body = document.dump(1, ' ', false, Json::error_handler_t::replace) + "\n";
  return r;
}

Response Problem(int status, std::string_view detail, Json extra) {
  Json doc = {{"type", "about:blank"},
                        {"title", StatusPhrase(status)},
                        {"status", status},
                        {"detail", std::string(detail)}};
  if (extra.is_object())
    for (auto& [k, v] : extra.items()) doc[k] = v;
  Response r;
  r.status = status;
  r.SetHeader("Content-Type", kProblemType);
  r.SetHeader("Cache-Control", "no-store");
  r.body = doc.dump(1, ' ', false, Json::error_handler_t::replace) + "\n";
  return r;
}

void WriteCgiResponse(const Response& response, bool head, std::ostream& out) {
  out << "Status: " << response.status << ' ' << StatusPhrase(response.status) << "\r\n";
  for (const auto& [n, v] : response.headers) out << n << ": " << v << "\r\n";
  out << "\r\n";
  if (!head && response.status != 304) out << response.body;
}

std::string Fnv1a64Hex(std::string_view bytes) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 0x100000001b3ull;
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out(16, '0');
  for (int i = 15; i >= 0; --i, h >>= 4) out[i] = kHex[h & 15];
  return out;
}

std::string EntityTag(const std::vector<std::string>& parts) {
  std::string joined;
  for (const auto& p : parts) {
    joined += std::to_string(p.size());
    joined += ':';
    joined += p;
  }
  return "\"" + Fnv1a64Hex(joined) + "\"";
}

bool MatchesIfNoneMatch(std::string_view header, std::string_view tag) {
  auto strip_weak = [](std::string_view t) {
    return t.substr(0, 2) == "W/" ? t.substr(2) : t;
  };
  const std::string_view want = strip_weak(tag);
  size_t pos = 0;
  while (pos < header.size()) {
    size_t end = header.find(',', pos);
    if (end == std::string_view::npos) end = header.size();
    std::string_view item = header.substr(pos, end - pos);
    while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) item.remove_prefix(1);
    while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) item.remove_suffix(1);
    if (item == "*" || (!item.empty() && strip_weak(item) == want)) return true;
    pos = end + 1;
  }
  return false;
}

long SecondsToNextMidnight(std::time_t now, double zone_hours) {
  constexpr long kDay = 86400;
  const long local = static_cast<long>(now) + std::lround(zone_hours * 3600);
  long into_day = local % kDay;
  if (into_day < 0) into_day += kDay;
  return kDay - into_day;
}

}  // namespace sd::api
