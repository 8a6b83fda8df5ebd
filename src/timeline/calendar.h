#pragma once
// The pieces of an iCalendar document (RFC 5545) the event calendar is written with: content
// lines folded at 75 octets with CRLF ends, TEXT values escaped, UTC date-times.
#include <string>
#include <string_view>

#include "astro/moment.h"

namespace sd::timeline {

// A TEXT value escaped (RFC 5545, 3.3.11): backslash, semicolon and comma get a backslash, a line
// end becomes \n; other bytes (UTF-8 included) pass unchanged, control characters are dropped.
std::string IcsEscape(std::string_view text);

// "NAME:VALUE" as content lines: at most 75 octets each, a continuation starting with one blank
// (3.1), never cutting a UTF-8 sequence, each ended by CRLF. `value` is written as given.
std::string IcsLine(std::string_view name, std::string_view value);

// "YYYYMMDDTHHMMSSZ", rounded to the second.
std::string IcsUtc(astro::ChartMoment t);

}  // namespace sd::timeline
