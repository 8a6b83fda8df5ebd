#pragma once
// Small readers of page and program text for the tests: a part in any letter case, the quoted
// values after an opening, a number between a fixed head and tail.
#include <cctype>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sd::testing {

inline bool ContainsIgnoringCase(std::string_view text, std::string_view part) {
  auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
  for (size_t i = 0; i + part.size() <= text.size(); ++i) {
    size_t k = 0;
    while (k < part.size() && lower(text[i + k]) == lower(part[k])) ++k;
    if (k == part.size()) return true;
  }
  return false;
}

// For each `opening` in text (e.g. `<option value="`), what stands from there to the next '"'.
inline std::vector<std::string> QuotedValuesAfter(std::string_view text, std::string_view opening) {
  std::vector<std::string> out;
  for (size_t at = text.find(opening); at != std::string_view::npos; at = text.find(opening, at)) {
    at += opening.size();
    const size_t close = text.find('"', at);
    if (close == std::string_view::npos) break;
    out.emplace_back(text.substr(at, close - at));
    at = close;
  }
  return out;
}

// The digits of text when it is exactly head + digits + tail (1 to max_digits digits, no leading
// zero unless the number is 0).
inline std::optional<std::string> NumberBetween(std::string_view text, std::string_view head,
                                                std::string_view tail, size_t max_digits = 18) {
  if (text.size() < head.size() + tail.size() + 1 || text.substr(0, head.size()) != head ||
      text.substr(text.size() - tail.size()) != tail)
    return std::nullopt;
  const std::string_view digits = text.substr(head.size(), text.size() - head.size() - tail.size());
  if (digits.size() > max_digits || (digits.size() > 1 && digits[0] == '0')) return std::nullopt;
  for (const char c : digits)
    if (c < '0' || c > '9') return std::nullopt;
  return std::string(digits);
}

// The first run of text that starts with `head` and ends with `tail` (both included), looked
// for from `from`; empty when there is none.
inline std::string FirstSpan(std::string_view text, std::string_view head, std::string_view tail,
                             size_t from = 0) {
  const size_t a = text.find(head, from);
  if (a == std::string_view::npos) return "";
  const size_t b = text.find(tail, a + head.size());
  if (b == std::string_view::npos) return "";
  return std::string(text.substr(a, b + tail.size() - a));
}

}  // namespace sd::testing
