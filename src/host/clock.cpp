#include "host/clock.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "astro/calendar.h"

namespace sd::host {

bool ParseLocalDateTime(const std::string& text, LocalDateTime& out) {
  // Exactly 19 characters, digits where digits belong: sscanf alone would accept blanks,
  // signs and short fields.
  if (text.size() != 19) return false;
  static constexpr char kShape[] = "dddd-dd-dd?dd:dd:dd";
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (kShape[i]) {
      case 'd':
        if (c < '0' || c > '9') return false;
        break;
      case '?':
        if (c != ' ' && c != 'T') return false;
        break;
      default:
        if (c != kShape[i]) return false;
    }
  }
  auto num = [&](size_t pos, size_t len) {
    int v = 0;
    for (size_t i = pos; i < pos + len; ++i) v = v * 10 + (text[i] - '0');
    return v;
  };
  LocalDateTime t;
  t.year = num(0, 4);
  t.month = num(5, 2);
  t.day = num(8, 2);
  t.hour = num(11, 2);
  t.minute = num(14, 2);
  t.second = num(17, 2);
  if (t.year < 1 || !astro::IsCalendarDate(t.year, t.month, t.day) || t.hour > 23 || t.minute > 59 ||
      t.second > 59)
    return false;
  out = t;
  return true;
}

LocalDateTime LocalNow() {
  if (const char* fixed = std::getenv(kTestClockVariable)) {
    LocalDateTime t;
    if (ParseLocalDateTime(fixed, t)) return t;
  }
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  LocalDateTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec > 59 ? 59 : tm.tm_sec;  // a leap second would read as minute 60
  return t;
}

double PackedClockTime(const LocalDateTime& t) {
  return t.hour + t.minute / 100.0 + t.second / 10000.0;
}

}  // namespace sd::host
