#pragma once
// Reading fields out of generated text (SVG attributes, terminal lines) by what stands around
// them. Plain searches, not <regex>: libstdc++'s regex makes GCC 12 warn of uninitialised
// std::function state in every file that uses it, and the build is meant to be warning-free.
#include <optional>
#include <string>
#include <string_view>

namespace sd::testing {

// The text between the next `open` at or after `at` and the first `close` after it; `at` moves
// past `close`. None (and `at` unchanged) when either is missing.
inline std::optional<std::string> Scan(std::string_view text, size_t& at, std::string_view open,
                                       std::string_view close) {
  const size_t start = text.find(open, at);
  if (start == std::string_view::npos) return std::nullopt;
  const size_t from = start + open.size();
  const size_t end = text.find(close, from);
  if (end == std::string_view::npos) return std::nullopt;
  at = end + close.size();
  return std::string(text.substr(from, end - from));
}

}  // namespace sd::testing
