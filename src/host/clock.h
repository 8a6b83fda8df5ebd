#pragma once
// The server's local clock, as the request sees it, and the random number behind picture names.
#include <cstdint>
#include <string>

namespace sd::host {

struct LocalDateTime {
  int year = 1;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Name of the environment variable that fixes the clock for tests: "YYYY-MM-DD HH:MM:SS"
// (or with a 'T' between date and time). A web server never passes a client's data under
// this name (request headers arrive only as HTTP_* variables), so no request can reach it.
inline constexpr const char* kTestClockVariable = "STOCKDYN_TEST_NOW";

// The local date and time: the test clock when its variable holds a valid moment, else the
// system clock in the server's time zone.
LocalDateTime LocalNow();

// Parses "YYYY-MM-DD HH:MM:SS" (or 'T' as the separator); false for anything else,
// including fields out of range (month 13, 25 h, 31 April ...).
bool ParseLocalDateTime(const std::string& text, LocalDateTime& out);

// Clock time packed as hours + minutes / 100 + seconds / 10000 (10:30:15 -> 10.3015).
double PackedClockTime(const LocalDateTime& t);

}  // namespace sd::host
