#include "data/tz_database.h"

#include <cstdlib>
#include <vector>

#include "data/data_error.h"
#include "data/data_file.h"

namespace sd::data {
namespace {

// A compiled zone is a few kilobytes; anything far larger is not one.
constexpr uint64_t kZoneFileMaxBytes = 1 * kMiB;

constexpr int64_t kDay = 86400;

// Days from 1970-01-01 to a proleptic Gregorian date (month 1..12).
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int64_t YearOfDays(int64_t days) {
  // The year holding a day count: estimated, then corrected by one either way.
  int64_t y = 1970 + (days >= 0 ? days : days - 365) / 366 * 366 / 365;
  while (DaysFromCivil(y + 1, 1, 1) <= days) ++y;
  while (DaysFromCivil(y, 1, 1) > days) --y;
  return y;
}

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int MonthLength(int64_t y, int m) {
  static const int kLength[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kLength[m - 1];
}

// ---- the POSIX TZ text of a file's footer --------------------------------------------------

struct Cursor {
  std::string_view s;
  size_t i = 0;
  bool AtEnd() const { return i >= s.size(); }
  char Peek() const { return AtEnd() ? '\0' : s[i]; }
  bool Take(char c) {
    if (Peek() != c) return false;
    ++i;
    return true;
  }
  bool Number(long& out, long max) {
    if (AtEnd() || Peek() < '0' || Peek() > '9') return false;
    out = 0;
    while (!AtEnd() && Peek() >= '0' && Peek() <= '9') {
      out = out * 10 + (s[i++] - '0');
      if (out > max) return false;
    }
    return true;
  }
};

bool ZoneName(Cursor& c, std::string& out) {
  if (c.Take('<')) {
    const size_t close = c.s.find('>', c.i);
    if (close == std::string_view::npos) return false;
    out = std::string(c.s.substr(c.i, close - c.i));
    c.i = close + 1;
    return !out.empty();
  }
  const size_t start = c.i;
  while (!c.AtEnd() && ((c.Peek() >= 'A' && c.Peek() <= 'Z') || (c.Peek() >= 'a' && c.Peek() <= 'z'))) ++c.i;
  out = std::string(c.s.substr(start, c.i - start));
  return out.size() >= 3;
}

// [+-]hh[:mm[:ss]] in seconds; hours up to 167 (the extension of transition times).
bool Duration(Cursor& c, long& seconds) {
  const bool negative = c.Take('-');
  if (!negative) c.Take('+');
  long h = 0, m = 0, s = 0;
  if (!c.Number(h, 167)) return false;
  if (c.Take(':') && (!c.Number(m, 59) || (c.Take(':') && !c.Number(s, 59)))) return false;
  seconds = (h * 3600 + m * 60 + s) * (negative ? -1 : 1);
  return true;
}

struct RuleDate {
  char form = 'M';  // 'J' (1..365, no Feb 29), 'N' (0..365), 'M' (month.week.day)
  long day = 0, month = 0, week = 0;
  long time = 2 * 3600;  // local time of the change, seconds
};

bool ParseRuleDate(Cursor& c, RuleDate& d) {
  if (c.Take('J')) {
    d.form = 'J';
    if (!c.Number(d.day, 365) || d.day < 1) return false;
  } else if (c.Take('M')) {
    if (!c.Number(d.month, 12) || d.month < 1 || !c.Take('.') || !c.Number(d.week, 5) || d.week < 1 ||
        !c.Take('.') || !c.Number(d.day, 6))
      return false;
  } else {
    d.form = 'N';
    if (!c.Number(d.day, 365)) return false;
  }
  return !c.Take('/') || Duration(c, d.time);
}

// Seconds from 1970-01-01 00:00 local to the rule's day of year y, 00:00 local.
int64_t RuleDay(const RuleDate& d, int64_t y) {
  if (d.form == 'J') return (DaysFromCivil(y, 1, 1) + d.day - 1 + (IsLeap(y) && d.day >= 60)) * kDay;
  if (d.form == 'N') return (DaysFromCivil(y, 1, 1) + d.day) * kDay;
  const int64_t first = DaysFromCivil(y, static_cast<int>(d.month), 1);
  const int weekday_of_first = static_cast<int>(((first % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  long day = 1 + (d.day - weekday_of_first + 7) % 7 + 7 * (d.week - 1);
  while (day > MonthLength(y, static_cast<int>(d.month))) day -= 7;
  return (first + day - 1) * kDay;
}

struct PosixRule {
  std::string standard, summer;
  long standard_east = 0, summer_east = 0;
  bool has_summer = false;
  RuleDate start, end;
};

std::optional<PosixRule> ParsePosixRule(std::string_view text) {
  Cursor c{text};
  PosixRule r;
  long west = 0;
  if (!ZoneName(c, r.standard) || !Duration(c, west)) return std::nullopt;
  r.standard_east = -west;
  if (c.AtEnd()) return r;
  if (!ZoneName(c, r.summer)) return std::nullopt;
  r.has_summer = true;
  r.summer_east = r.standard_east + 3600;
  if (c.Peek() != ',' && !c.AtEnd()) {
    if (!Duration(c, west)) return std::nullopt;
    r.summer_east = -west;
  }
  if (c.AtEnd()) {
    // No rule given: the United States' current one, as the C library assumes.
    r.start = {'M', 0, 3, 2, 7200};
    r.end = {'M', 0, 11, 1, 7200};
    return r;
  }
  if (!c.Take(',') || !ParseRuleDate(c, r.start) || !c.Take(',') || !ParseRuleDate(c, r.end) || !c.AtEnd())
    return std::nullopt;
  return r;
}

// ---- the compiled file ---------------------------------------------------------------------

int64_t BigEndian(std::string_view b, size_t at, int bytes) {
  uint64_t v = 0;
  for (int k = 0; k < bytes; ++k) v = (v << 8) | static_cast<unsigned char>(b[at + k]);
  if (bytes == 4) return static_cast<int32_t>(static_cast<uint32_t>(v));
  return static_cast<int64_t>(v);
}

struct Header {
  int64_t isut = 0, isstd = 0, leap = 0, times = 0, types = 0, chars = 0;
  size_t DataBytes(int time_bytes) const {
    return static_cast<size_t>(times * time_bytes + times + types * 6 + chars + leap * (time_bytes + 4) + isstd + isut);
  }
};

bool ReadHeader(std::string_view b, size_t at, Header& h) {
  if (b.size() < at + 44 || b.substr(at, 4) != "TZif") return false;
  int64_t* fields[] = {&h.isut, &h.isstd, &h.leap, &h.times, &h.types, &h.chars};
  for (int k = 0; k < 6; ++k) {
    *fields[k] = BigEndian(b, at + 20 + 4 * k, 4);
    if (*fields[k] < 0 || *fields[k] > 100000) return false;
  }
  return h.types >= 1 && h.chars >= 1;
}

}  // namespace

bool IsTzName(std::string_view name) {
  if (name.empty() || name.size() > 64) return false;
  if (!((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'))) return false;
  size_t part_start = 0;
  for (size_t i = 0; i <= name.size(); ++i) {
    if (i == name.size() || name[i] == '/') {
      const std::string_view part = name.substr(part_start, i - part_start);
      if (part.empty() || part == "." || part == "..") return false;
      part_start = i + 1;
      continue;
    }
    const char c = name[i];
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
                    c == '-' || c == '+' || c == '.';
    if (!ok) return false;
  }
  return true;
}

std::string TzDatabaseDir() {
  const char* dir = std::getenv("TZDIR");
  return dir && *dir ? dir : "/usr/share/zoneinfo";
}

std::optional<TzOffset> PosixTzOffset(std::string_view text, int64_t utc_seconds) {
  const auto r = ParsePosixRule(text);
  if (!r) return std::nullopt;
  if (!r->has_summer) return TzOffset{static_cast<int>(r->standard_east), r->standard, false};
  const int64_t y = YearOfDays((utc_seconds + r->standard_east) / kDay - ((utc_seconds + r->standard_east) % kDay < 0));
  // The start is told in standard time, the end in summer time.
  const int64_t start = RuleDay(r->start, y) + r->start.time - r->standard_east;
  const int64_t end = RuleDay(r->end, y) + r->end.time - r->summer_east;
  const bool summer = start < end ? (utc_seconds >= start && utc_seconds < end)
                                  : !(utc_seconds >= end && utc_seconds < start);  // southern summer
  return summer ? TzOffset{static_cast<int>(r->summer_east), r->summer, true}
                : TzOffset{static_cast<int>(r->standard_east), r->standard, false};
}

std::optional<TzOffset> TzOffsetInFile(std::string_view b, int64_t utc_seconds, std::string& why) {
  why = "is not a compiled time zone";
  Header h;
  if (!ReadHeader(b, 0, h)) return std::nullopt;
  size_t at = 44;
  int time_bytes = 4;
  std::string_view footer;
  if (b[4] >= '2') {
    // Version 2 and later repeat the data with 64-bit times after the version 1 block.
    at += h.DataBytes(4);
    if (!ReadHeader(b, at, h)) return std::nullopt;
    at += 44;
    time_bytes = 8;
    const size_t footer_at = at + h.DataBytes(8);
    if (footer_at < b.size() && b[footer_at] == '\n') {
      const size_t close = b.find('\n', footer_at + 1);
      if (close == std::string_view::npos) return std::nullopt;
      footer = b.substr(footer_at + 1, close - footer_at - 1);
    }
  }
  if (b.size() < at + h.DataBytes(time_bytes)) return std::nullopt;
  const size_t indices = at + static_cast<size_t>(h.times) * time_bytes;
  const size_t types = indices + static_cast<size_t>(h.times);
  const size_t chars = types + static_cast<size_t>(h.types) * 6;
  auto type_offset = [&](int64_t type) -> std::optional<TzOffset> {
    if (type < 0 || type >= h.types) return std::nullopt;
    const size_t t = types + static_cast<size_t>(type) * 6;
    const size_t name_at = static_cast<unsigned char>(b[t + 5]);
    if (name_at >= static_cast<size_t>(h.chars)) return std::nullopt;
    const std::string_view names = b.substr(chars, static_cast<size_t>(h.chars));
    const size_t name_end = names.find('\0', name_at);
    return TzOffset{static_cast<int>(BigEndian(b, t, 4)),
                    std::string(names.substr(name_at, name_end == std::string_view::npos ? names.npos : name_end - name_at)),
                    b[t + 4] != 0};
  };
  // The last transition at or before the moment; before the first, the first type; after the
  // last, the footer's rule when there is one.
  int64_t last = -1;
  for (int64_t k = 0; k < h.times; ++k) {
    if (BigEndian(b, at + static_cast<size_t>(k) * time_bytes, time_bytes) > utc_seconds) break;
    last = k;
  }
  std::optional<TzOffset> out;
  if (last == h.times - 1 && !footer.empty()) {
    out = PosixTzOffset(footer, utc_seconds);
  } else {
    out = type_offset(last < 0 ? 0 : static_cast<unsigned char>(b[indices + static_cast<size_t>(last)]));
  }
  if (out) why.clear();
  return out;
}

namespace {

// The compiled zone's bytes; none, with the reason, for a name that is not one or a file the
// database does not hold.
std::optional<std::string> ZoneFile(const std::string& dir, std::string_view name, std::string& why) {
  if (!IsTzName(name)) {
    why = "is no time-zone name (Region/City, as America/New_York)";
    return std::nullopt;
  }
  std::optional<std::string> bytes;
  try {
    bytes = ReadDataFile(dir + "/" + std::string(name), kZoneFileMaxBytes, true);
  } catch (const DataFileError&) {
    bytes.reset();
  }
  if (!bytes) why = "is not in the time-zone database";
  return bytes;
}

}  // namespace

std::optional<TzOffset> TzOffsetAt(const std::string& dir, std::string_view name, int64_t utc_seconds,
                                   std::string& why) {
  const auto bytes = ZoneFile(dir, name, why);
  if (!bytes) return std::nullopt;
  return TzOffsetInFile(*bytes, utc_seconds, why);
}

std::optional<TzOffset> TzOffsetOnDate(const std::string& dir, std::string_view name, int year, int month,
                                       int day, std::string& why) {
  // One read of the file for both looks: the offset at noon UT, then at that day's local noon.
  const auto bytes = ZoneFile(dir, name, why);
  if (!bytes) return std::nullopt;
  const int64_t noon = DaysFromCivil(year, month, day) * kDay + kDay / 2;
  const auto guess = TzOffsetInFile(*bytes, noon, why);
  if (!guess) return guess;
  return TzOffsetInFile(*bytes, noon - guess->seconds_east, why);
}

}  // namespace sd::data
