#include "timeline/calendar.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "astro/calendar.h"

namespace sd::timeline {

std::string IcsEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (c) {
      case '\\': out += "\\\\"; break;
      case ';': out += "\\;"; break;
      case ',': out += "\\,"; break;
      case '\n': out += "\\n"; break;
      case '\r':
        if (i + 1 < text.size() && text[i + 1] == '\n') break;  // CRLF is one line end
        out += "\\n";
        break;
      default:
        // TEXT allows no control characters but HTAB.
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') break;
        if (c == 0x7f) break;
        out += c;
    }
  }
  return out;
}

std::string IcsLine(std::string_view name, std::string_view value) {
  const std::string line = std::string(name) + ":" + std::string(value);
  constexpr size_t kOctets = 75;
  std::string out;
  size_t begin = 0;
  bool first = true;
  while (begin < line.size()) {
    // A continuation line spends one octet on its leading blank.
    const size_t room = first ? kOctets : kOctets - 1;
    size_t end = std::min(line.size(), begin + room);
    // Back off to the start of a UTF-8 sequence rather than split one.
    while (end < line.size() && end > begin &&
           (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80)
      --end;
    if (end == begin) end = std::min(line.size(), begin + room);
    if (!first) out += ' ';
    out.append(line, begin, end - begin);
    out += "\r\n";
    begin = end;
    first = false;
  }
  if (line.empty()) out = "\r\n";
  return out;
}

std::string IcsUtc(astro::ChartMoment t) {
  const astro::CivilDate d = astro::DateFromMoment(t + 0.5 * astro::SecondInCenturies);
  const long long s = static_cast<long long>(std::floor(d.hours * 3600));
  // Room for the widest the fields' types could print, so the compiler can prove nothing is cut.
  char buf[96];
  std::snprintf(buf, sizeof buf, "%04d%02d%02dT%02lld%02lld%02lldZ", d.year, d.month, d.day, s / 3600,
                s / 60 % 60, s % 60);
  return buf;
}

}  // namespace sd::timeline
