#include "data/cp1251.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <utility>

namespace sd::data {
namespace {

// Characters of the bytes 0x80 to 0xBF; 0xC0 to 0xFF are U+0410 to U+044F in order.
constexpr std::array<char16_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

char32_t CharOf(unsigned char b) {
  if (b < 0x80) return b;
  if (b >= 0xC0) return 0x0410 + (b - 0xC0);
  return kHigh[b - 0x80];
}

std::optional<unsigned char> ByteOf(char32_t c) {
  if (c < 0x80) return static_cast<unsigned char>(c);
  if (c >= 0x0410 && c <= 0x044F) return static_cast<unsigned char>(0xC0 + (c - 0x0410));
  for (size_t i = 0; i < kHigh.size(); ++i) {
    if (kHigh[i] == c) return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string Cp1251ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) AppendUtf8(out, CharOf(static_cast<unsigned char>(ch)));
  return out;
}

std::optional<std::string> Utf8ToCp1251(std::string_view text, std::string* why) {
  auto fail = [&](std::string reason) -> std::optional<std::string> {
    if (why) *why = std::move(reason);
    return std::nullopt;
  };
  auto not_utf8 = [&](size_t at) { return fail("not UTF-8 at byte " + std::to_string(at + 1)); };
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    char32_t c;
    size_t n;
    if (b0 < 0x80) {
      c = b0;
      n = 1;
    } else if ((b0 & 0xE0) == 0xC0) {
      c = b0 & 0x1F;
      n = 2;
    } else if ((b0 & 0xF0) == 0xE0) {
      c = b0 & 0x0F;
      n = 3;
    } else if ((b0 & 0xF8) == 0xF0) {
      c = b0 & 0x07;
      n = 4;
    } else {
      return not_utf8(i);
    }
    if (i + n > text.size()) return not_utf8(i);
    for (size_t k = 1; k < n; ++k) {
      const auto b = static_cast<unsigned char>(text[i + k]);
      if ((b & 0xC0) != 0x80) return not_utf8(i);
      c = (c << 6) | (b & 0x3F);
    }
    // Overlong forms would let two spellings stand for one character.
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMin[n]) return not_utf8(i);
    const auto byte = ByteOf(c);
    if (!byte) {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
      return fail("'" + std::string(text.substr(i, n)) + "' (" + code + ") is not a character of code page 1251");
    }
    out += static_cast<char>(*byte);
    i += n;
  }
  return out;
}

namespace {

// Upper-case partner of every byte: ASCII letters and the letters of code page 1251.
constexpr std::array<uint8_t, 256> MakeUpperTable() {
  std::array<uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i) t[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  for (int c = 'a'; c <= 'z'; ++c) t[static_cast<size_t>(c)] = static_cast<uint8_t>(c - 32);
  for (int c = 0xE0; c <= 0xFF; ++c) t[static_cast<size_t>(c)] = static_cast<uint8_t>(c - 32);
  constexpr std::pair<uint8_t, uint8_t> kPairs[] = {
      {0x90, 0x80}, {0x83, 0x81}, {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9D, 0x8D}, {0x9E, 0x8E},
      {0x9F, 0x8F}, {0xA2, 0xA1}, {0xBC, 0xA3}, {0xB4, 0xA5}, {0xB8, 0xA8}, {0xBA, 0xAA},
      {0xBF, 0xAF}, {0xB3, 0xB2}, {0xBE, 0xBD},
  };
  for (auto [lower, upper] : kPairs) t[lower] = upper;
  return t;
}
constexpr std::array<uint8_t, 256> kUpper = MakeUpperTable();

}  // namespace

char UpperCp1251(char c) { return static_cast<char>(kUpper[static_cast<unsigned char>(c)]); }

std::string UpperCaseCp1251(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = UpperCp1251(c);
  return out;
}

}  // namespace sd::data
