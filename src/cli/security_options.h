#pragma once
// What the subcommands that run the model for one security (forecast, events, evaluate, fit)
// share: the options naming the security, its zone, the program directory, the model and the
// output form; where those lead by default; and loading the security's natal chart.
#include <CLI/CLI.hpp>

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/arguments.h"
#include "host/clock.h"

namespace sd::astro {
struct ChartData;
}

namespace sd::cli {

struct SecurityOptions {
  std::string security;   // as typed (UTF-8 from a terminal, or code page 1251)
  std::string zone_name;  // --zone as typed; empty for Greenwich
  Zone zone;
  std::string dir;    // --dir as given; empty for the default
  std::string model;  // --model as given; empty for the program directory's stock.hyp
  std::string format = "json";
};

// Adds --security (required), --zone, --dir, --model and --format.
void AddSecurityOptions(CLI::App& app, SecurityOptions& o);

// After parsing: --format must be one of `formats` (the two the command writes, named in the
// error in the order given), then --zone must read. Empty when both do; otherwise the usage
// error's exit status.
std::optional<int> CheckSecurityOptions(SecurityOptions& o,
                                        std::initializer_list<std::string_view> formats,
                                        std::string_view command);

// --date YYYY-MM-DD: the local day a window starts, today when not given.
struct StartDay {
  std::string text;
  int year = 0, month = 0, day = 0;
};
void AddStartDay(CLI::App& app, StartDay& d);
std::optional<int> CheckStartDay(StartDay& d, const host::LocalDateTime& now, std::string_view command);

// After CheckStartDay: a database zone takes its offset on the start day.
std::optional<int> CheckZoneOnStartDay(SecurityOptions& o, const StartDay& d, std::string_view command);

// For the price studies: a database zone is refused, since one offset cannot hold for a span of
// years across summer times; the security's own zone or hours east are what they read.
std::optional<int> RefuseDatabaseZone(const SecurityOptions& o, std::string_view command);

// The program directory installed beside this tool: www/Exe beside its executable's directory.
std::string DefaultProgramDir();
// --dir, or the default, ending in '/'.
std::string ProgramDirOf(const SecurityOptions& o);
// --model, or stock.hyp of the program directory `dir`.
std::string ModelPathOf(const SecurityOptions& o, const std::string& dir);

// Without --zone, a price study works in the security's own zone, that of its first-trade
// record (the exchange's clock, where its days begin and end): sets the zone from `natal` and
// names it "security's own". With --zone, nothing changes.
void UseSecurityZoneUnlessGiven(SecurityOptions& o, const astro::ChartData& natal);

// The name as Nyse.mil stores it: code page 1251 (a terminal sends UTF-8).
std::string StoredName(const std::string& typed);
// The name as output shows it: UTF-8, what was typed in UTF-8 printed as typed.
std::string PrintedName(const std::string& typed);

// Loads the natal chart of `security` from dir's Nyse.mil: the record of that name, or else the
// one record whose name differs only in letter case, whose own name then replaces `security`
// (so that the output names the record). When there is none, returns why: that there is no such
// security, with up to three close names.
std::optional<std::string> LoadSecurityOrWhy(const std::string& dir, std::string& security,
                                             astro::ChartData& natal);
// The same, saying why on stderr and returning false when there is none.
bool LoadSecurity(std::string_view command, const std::string& dir, std::string& security,
                  astro::ChartData& natal);

// Writes "stockdyn <command>: why" to stderr; returns 1, the status of failed work.
int WorkFailed(std::string_view command, std::string_view why);
// Writes `out` to stdout; returns 0.
int PrintOutput(const std::string& out);
// The files of a price study (details, report) given as (path, text), then `out`: the files
// first, each whole or none, so that a failure leaves nothing on stdout; each file written is
// said on stderr. Returns the exit status.
int WriteFilesThenPrint(std::string_view command, const std::vector<std::pair<std::string, std::string_view>>& files,
                        const std::string& out);

}  // namespace sd::cli
