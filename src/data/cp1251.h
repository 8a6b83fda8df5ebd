#pragma once
// Code page 1251, the 8-bit character set of every stored text, and UTF-8, the character set
// of the readable files the tools exchange.
#include <optional>
#include <string>
#include <string_view>

namespace sd::data {

// Every byte has a character: the one byte the code page leaves undefined (0x98) stands for
// U+0098, so that any stored text survives the trip to UTF-8 and back.
std::string Cp1251ToUtf8(std::string_view text);

// Empty when the text is not valid UTF-8 or holds a character the code page lacks; then `why`,
// when given, says which ("'é' (U+00E9) is not a character of code page 1251", "not UTF-8 at
// byte 7").
std::optional<std::string> Utf8ToCp1251(std::string_view text, std::string* why = nullptr);

// The upper-case partner of a byte: the ASCII letters and every letter of the code page that
// has one (Cyrillic а..я, ё, and the Ukrainian, Belarusian, Serbian and Macedonian letters);
// every other byte is its own. The one case rule of the system: section and key names of the
// settings files, and the model's settings section.
char UpperCp1251(char c);
std::string UpperCaseCp1251(std::string_view text);

}  // namespace sd::data
