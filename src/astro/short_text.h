#pragma once
// Length-prefixed 8-bit text of at most N characters (one length byte, then N character bytes),
// the text form of every fixed-layout record. Bytes are kept as they are (no re-encoding).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace sd::astro {

template <int N>
struct ShortText {
  static_assert(N > 0 && N <= 255);
  uint8_t len = 0;
  char chars[N] = {};

  ShortText() = default;
  ShortText(std::string_view s) { Set(s); }  // NOLINT: texts convert freely

  // Longer input is cut to N characters.
  void Set(std::string_view s) {
    len = static_cast<uint8_t>(std::min<size_t>(s.size(), N));
    std::memcpy(chars, s.data(), len);
  }
  // A stored length above N (a damaged record) reads as N.
  std::string_view View() const { return {chars, std::min<size_t>(len, N)}; }
  std::string Str() const { return std::string(View()); }
};

}  // namespace sd::astro
