#pragma once
// Offsets of the system's time-zone database (the IANA names, "America/New_York"), for users
// whose exchange keeps summer time: the program's zone table has fixed offsets only. Read from
// the compiled files under /usr/share/zoneinfo (or $TZDIR), not through the C library's TZ,
// which is process-wide state and would make every request depend on the one before it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sd::data {

struct TzOffset {
  int seconds_east = 0;      // UT offset in force, summer time included
  std::string abbreviation;  // as the database names it ("EDT", "CEST", "+03")
  bool summer = false;       // daylight-saving time in force
};

// Whether `name` can be a database name: letters, digits, '_', '-', '+' and '/' between
// non-empty parts that are not "." or "..", starting with a letter, at most 64 bytes. Only
// such names are looked up, so that a request can never name a file outside the database.
bool IsTzName(std::string_view name);

// $TZDIR when set and not empty, else /usr/share/zoneinfo.
std::string TzDatabaseDir();

// The offset of zone `name` at `utc_seconds` (seconds since 1970-01-01 00:00 UT): from the
// file's transitions, and beyond the last one from the rule its footer states (the POSIX TZ
// form "EST5EDT,M3.2.0,M11.1.0"). None, with the reason in `why`, for a name that is not one or
// is not in the database, or a file that does not read as a compiled zone.
std::optional<TzOffset> TzOffsetAt(const std::string& dir, std::string_view name, int64_t utc_seconds,
                                   std::string& why);

// The offset of zone `name` on a local date (year, month 1..12, day): the one in force at its
// local noon, so that a change of offset in the small hours of that day counts.
std::optional<TzOffset> TzOffsetOnDate(const std::string& dir, std::string_view name, int year, int month,
                                       int day, std::string& why);

// The same for a compiled zone's bytes (a TZif file of version 2 or later, or version 1).
std::optional<TzOffset> TzOffsetInFile(std::string_view bytes, int64_t utc_seconds, std::string& why);

// The rule of a POSIX TZ text ("CET-1CEST,M3.5.0,M10.5.0/3", "<+03>-3", "EST5EDT") at a moment.
std::optional<TzOffset> PosixTzOffset(std::string_view rule, int64_t utc_seconds);

}  // namespace sd::data
