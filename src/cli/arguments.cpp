#include "cli/arguments.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "astro/calendar.h"
#include "data/edit_distance.h"
#include "data/tz_database.h"
#include "data/zone_table.h"

namespace sd::cli {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits only, at most max_digits of them.
bool ParseDigits(std::string_view s, size_t max_digits, long& out) {
  if (s.empty() || s.size() > max_digits) return false;
  out = 0;
  for (const char c : s) {
    if (!IsDigit(c)) return false;
    out = out * 10 + (c - '0');
  }
  return true;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

// The long option of `app` a mistyped `option` most likely meant: the one within a small edit
// distance (two, three for long names), the closest first; empty when none is that close.
std::string DidYouMean(const CLI::App& app, std::string_view option) {
  const size_t bound = option.size() >= 12 ? 3 : 2;
  std::string best;
  size_t best_distance = bound + 1;
  for (const CLI::Option* o : app.get_options()) {
    for (const std::string& name : o->get_lnames()) {
      const std::string candidate = "--" + name;
      const size_t d = data::EditDistanceWithin(option, candidate, bound);
      if (d < best_distance) best = candidate, best_distance = d;
    }
  }
  return best;
}

// What the user typed that no option takes, in the order typed: each unknown option (a value
// typed after it belongs to it, and is not named again), or a stray argument.
std::string UnknownArguments(const CLI::App& app, const std::vector<std::string>& extras) {
  std::string out;
  for (size_t i = 0; i < extras.size(); ++i) {
    const std::string& a = extras[i];
    if (!out.empty()) out += "; ";
    if (a.size() > 1 && a[0] == '-') {
      const std::string option = a.substr(0, a.find('='));
      out += "unknown option '" + option + "'";
      const std::string meant = DidYouMean(app, option);
      if (!meant.empty()) out += " (did you mean '" + meant + "'?)";
      if (a.find('=') == std::string::npos && i + 1 < extras.size() && extras[i + 1].rfind('-', 0) != 0) ++i;
    } else {
      out += "unexpected argument '" + a + "'";
    }
  }
  return out;
}

// The words CLI11 uses for a missing value, a repeated option or a stray argument, said as the
// subcommands always said them.
std::string Reason(const CLI::App& app, const CLI::ParseError& e) {
  const std::string what = e.what();
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) {
    const std::string option = what.substr(0, what.find(':'));
    if (what.find("missing") != std::string::npos) return option + " needs a value";
    if (what.find("At Most") != std::string::npos) return option + " is given more than once";
  }
  // A required option that is "missing" was most often mistyped: name the typo, not the absence.
  if (dynamic_cast<const CLI::ExtrasError*>(&e) || dynamic_cast<const CLI::RequiredError*>(&e)) {
    const std::vector<std::string> extras = app.remaining();
    if (!extras.empty()) return UnknownArguments(app, extras);
  }
  return what;
}

}  // namespace

void SetUpParser(CLI::App& app) {
  app.set_help_flag("-h,--help");
  app.allow_windows_style_options(false);
}

std::optional<int> ParseArguments(CLI::App& app, const Args& args, std::string_view command,
                                  std::string_view usage) {
  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    std::fwrite(usage.data(), 1, usage.size(), stdout);
    return 0;
  } catch (const CLI::CallForAllHelp&) {
    std::fwrite(usage.data(), 1, usage.size(), stdout);
    return 0;
  } catch (const CLI::ParseError& e) {
    return UsageError(command, Reason(app, e));
  }
  return std::nullopt;
}

std::optional<int> CheckAction(const Args& args, std::initializer_list<std::string_view> actions,
                               std::string_view command) {
  if (args.empty()) return UsageError(command, "missing action");
  if (args[0] == "-h" || args[0] == "--help") return std::nullopt;
  for (const std::string_view a : actions)
    if (args[0] == a) return std::nullopt;
  return UsageError(command, "unknown action '" + args[0] + "'");
}

int UsageError(std::string_view command, const std::string& why) {
  // One line for what was wrong and one for where the options are: the whole usage would bury
  // the line that matters.
  const int n = static_cast<int>(command.size());
  std::fprintf(stderr, "stockdyn %.*s: %s\nRun 'stockdyn %.*s --help' for its options.\n", n, command.data(),
               why.c_str(), n, command.data());
  return 2;
}

bool ParseNumber(const std::string& text, double& out) {
  if (text.empty() || !(IsDigit(text[0]) || text[0] == '-' || text[0] == '+' || text[0] == '.'))
    return false;
  errno = 0;
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return errno == 0 && end == text.c_str() + text.size() && std::isfinite(out);
}

bool ParseDate(const std::string& text, DateRange range, int& year, int& month, int& day,
               std::string& why) {
  const std::string form = "must be a date YYYY-MM-DD, not '" + text + "'";
  // The year's own minus sign is not a separator: the last two '-' are.
  const size_t second = text.rfind('-');
  const size_t first = second == std::string::npos || second == 0
                           ? std::string::npos
                           : text.rfind('-', second - 1);
  const bool negative = !text.empty() && text[0] == '-';
  long y = 0, m = 0, d = 0;
  if (first == std::string::npos || first == 0 || second - first != 3 ||
      text.size() - second != 3 ||
      !ParseDigits(std::string_view(text).substr(negative, first - negative), 6, y) ||
      !ParseDigits(std::string_view(text).substr(first + 1, 2), 2, m) ||
      !ParseDigits(std::string_view(text).substr(second + 1, 2), 2, d) ||
      (range.min_year > 0 && (negative || first != 4))) {
    why = form;
    return false;
  }
  if (negative) y = -y;
  if (y < range.min_year || y > range.max_year) {
    why = "the year of " + text + " is outside " + std::to_string(range.min_year) + " to " +
          std::to_string(range.max_year);
    return false;
  }
  // Historical years (no year 0) to the calendar's astronomical count.
  if (y == 0 || !astro::IsCalendarDate(static_cast<int>(y < 0 ? y + 1 : y), static_cast<int>(m), static_cast<int>(d))) {
    why = "there is no date " + text + (y == 0 ? " (there is no year 0: -1 is 1 BC)" : "");
    return false;
  }
  year = static_cast<int>(y);
  month = static_cast<int>(m);
  day = static_cast<int>(d);
  return true;
}

bool ParseZone(const std::string& text, Zone& out, std::string& why) {
  for (const data::ZoneRow& row : data::ZoneTable) {
    if (SameIgnoringCase(text, row.abbreviation)) {
      out.packed = row.value;
      out.hours = astro::HmsToDecimal(row.value);
      return true;
    }
  }
  double hours = 0;
  const size_t colon = text.find(':');
  bool ok = false;
  if (colon == std::string::npos) {
    ok = ParseNumber(text, hours);
  } else {
    const size_t sign = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    long h = 0, mm = 0;
    ok = ParseDigits(std::string_view(text).substr(sign, colon - sign), 2, h) &&
         text.size() - colon == 3 && ParseDigits(std::string_view(text).substr(colon + 1), 2, mm) &&
         mm < 60;
    hours = (text[0] == '-' ? -1.0 : 1.0) * (static_cast<double>(h) + mm / 60.0);
  }
  if (ok && std::fabs(hours) <= 14) {
    out.hours = hours;
    out.packed = astro::DecimalToHms(hours);
    return true;
  }
  if (text.find('/') != std::string::npos && data::IsTzName(text)) {
    out.tz_name = text;
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    gmtime_r(&now, &today);
    if (ZoneOnDate(out, today.tm_year + 1900, today.tm_mon + 1, today.tm_mday, why)) return true;
    why = "--zone: '" + text + "' " + why;
    return false;
  }
  why = "--zone must be hours east of Greenwich (-5, 5.5 or 5:30, at most 14), a time-zone name "
        "(America/New_York) or one of";
  for (const data::ZoneRow& row : data::ZoneTable) {
    why += ' ';
    why += row.abbreviation;
  }
  why += ", not '" + text + "'";
  return false;
}

bool ZoneOnDate(Zone& zone, int year, int month, int day, std::string& why) {
  if (zone.tz_name.empty()) return true;
  const auto offset = data::TzOffsetOnDate(data::TzDatabaseDir(), zone.tz_name, year, month, day, why);
  if (!offset) return false;
  zone.hours = offset->seconds_east / 3600.0;
  zone.packed = astro::DecimalToHms(zone.hours);
  return true;
}

void SayWritten(std::string_view command, const std::string& path, const std::string& what) {
  std::fprintf(stderr, "stockdyn %.*s: written to %s%s\n", static_cast<int>(command.size()), command.data(),
               path.c_str(), what.empty() ? "" : (" (" + what + ")").c_str());
}

}  // namespace sd::cli
