#pragma once
// Blanks at the ends of a text, the one trimming helper of the system. What counts as a blank
// depends on what the text is, so the caller names the set: the fields of the files we read
// lose spaces and tabs (and a CR where lines may end in CR LF); names and settings lose every
// byte below 33, as a request has always compared names. Bytes from 128 up are letters of the
// code page, never blanks.
#include <string>
#include <string_view>

namespace sd::data {

inline constexpr std::string_view kSpaceTab = " \t";
inline constexpr std::string_view kSpaceTabCr = " \t\r";
// Every byte from 0 to 32: the controls and the space.
inline constexpr char kControlBytes[] =
    "\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F"
    "\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1A\x1B\x1C\x1D\x1E\x1F\x20";
inline constexpr std::string_view kControlsAndSpace{kControlBytes, 33};

// `text` without the bytes of `blanks` at either end.
inline std::string_view Trim(std::string_view text, std::string_view blanks) {
  const size_t b = text.find_first_not_of(blanks);
  if (b == std::string_view::npos) return {};
  return text.substr(b, text.find_last_not_of(blanks) - b + 1);
}

// A name or setting without the controls and spaces at either end.
inline std::string TrimNameBlanks(std::string_view text) { return std::string(Trim(text, kControlsAndSpace)); }

}  // namespace sd::data
