#pragma once
// Code page 1251, the 8-bit character set of every stored text, and UTF-8, the character set
// of the readable files the tools exchange.
#include <optional>
#include <string>
#include <string_view>

namespace sd {

// Every byte has a character: the one byte the code page leaves undefined (0x98) stands for
// U+0098, so that any stored text survives the trip to UTF-8 and back.
std::string Cp1251ToUtf8(std::string_view text);

// Empty when the text is not valid UTF-8 or holds a character the code page lacks.
std::optional<std::string> Utf8ToCp1251(std::string_view text);

}  // namespace sd
