#pragma once
// What every subcommand shares in reading its arguments: the parser's set-up and error handling
// (CLI11), and the values whose forms the subcommands have in common (dates, zones, numbers).
#include <CLI/CLI.hpp>

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "cli/commands.h"

namespace sd::cli {

// A parser for `stockdyn <command>`: -h and --help print `usage` (the subcommand's own text).
void SetUpParser(CLI::App& app);

// Parses args. Empty when the command goes on; otherwise the exit status: 0 after --help (the
// usage on stdout), 2 after a usage error ("stockdyn <command>: why" and the usage on stderr).
std::optional<int> ParseArguments(CLI::App& app, const Args& args, std::string_view command,
                                  std::string_view usage);

// For `stockdyn <command> ACTION ...`: a usage error (2) when the first argument is missing or
// names none of `actions`; empty when it names one, or is -h or --help.
std::optional<int> CheckAction(const Args& args, std::initializer_list<std::string_view> actions,
                               std::string_view command);

// Writes "stockdyn <command>: why" and where its options are told to stderr; returns 2.
int UsageError(std::string_view command, const std::string& why);

// A finite decimal number, the whole text (no blanks, no trailing characters).
bool ParseNumber(const std::string& text, double& out);

// A calendar date [-]Y-MM-DD. Years run from `min_year` to `max_year`; negative years are BC
// (-1 is 1 BC, -44 is 44 BC) and there is no year 0; Julian leap years up to 1582, Gregorian
// after. On failure `why` says whether the form is wrong or the date does not exist.
struct DateRange {
  int min_year;
  int max_year;
};
inline constexpr DateRange kFourDigitYears{1, 9999};
inline constexpr DateRange kAnyYear{-999999, 999999};
bool ParseDate(const std::string& text, DateRange range, int& year, int& month, int& day,
               std::string& why);

// A time zone: an abbreviation of the zone table in any letter case, hours east of Greenwich
// ("-5", "5.5", "5:30", at most 14), or a name of the system's time-zone database
// ("America/New_York", whose offset depends on the date: today's until ZoneOnDate sets the
// date's). `why` lists the abbreviations when the text is none of these.
struct Zone {
  double hours = 0;     // decimal hours east
  double packed = 0;    // the same packed as H.MM, as the zone table and the event block hold it
  std::string tz_name;  // the database's name, empty for a fixed offset
};
bool ParseZone(const std::string& text, Zone& out, std::string& why);

// For a database zone: its offset on a local date (in force at that day's noon). Nothing
// changes for a fixed offset.
bool ZoneOnDate(Zone& zone, int year, int month, int day, std::string& why);

// One line on stderr once a file is written: "stockdyn COMMAND: written to PATH (WHAT)", so that
// a user sees where the output went while stdout stays the document's.
void SayWritten(std::string_view command, const std::string& path, const std::string& what = "");

}  // namespace sd::cli
