#include "api/url_query.h"

namespace sd::api {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
               HexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

QueryParams ParseQuery(std::string_view raw) {
  QueryParams params;
  while (!raw.empty()) {
    const size_t amp = raw.find('&');
    const std::string_view part = raw.substr(0, amp);
    raw = amp == std::string_view::npos ? std::string_view() : raw.substr(amp + 1);
    if (part.empty()) continue;
    const size_t eq = part.find('=');
    if (eq == std::string_view::npos) {
      params.emplace_back(PercentDecode(part), std::string());
    } else {
      params.emplace_back(PercentDecode(part.substr(0, eq)), PercentDecode(part.substr(eq + 1)));
    }
  }
  return params;
}

std::optional<std::string> Param(const QueryParams& params, std::string_view name) {
  for (const auto& [n, v] : params)
    if (n == name) return v;
  return std::nullopt;
}

}  // namespace sd::api
