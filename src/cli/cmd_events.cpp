// stockdyn events: the exact moments of the transits in a security's forecast window, and the
// model sections each one drives.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "astro/moment.h"
#include "host/clock.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/security_options.h"
#include "forecast/grid.h"
#include "forecast/model_value.h"
#include "model/ev_list.h"
#include "timeline/document.h"
#include "timeline/events.h"

namespace sd::cli {

namespace {

constexpr const char* kUsage =
    "usage: stockdyn events --security NAME [--zone ZONE] [--date YYYY-MM-DD] [--days N]\n"
    "                       [--dir PROGRAMDIR] [--model FILE] [--format json|csv|text]\n"
    "\n"
    "Every transit event of the window that starts at local midnight of the date (default\n"
    "today) in the zone and lasts N days (default 20, the forecast's window; at most 366), by\n"
    "moment: the transit bodies' aspects (0, 60, 90, 120, 180 degrees) to NAME's natal planets,\n"
    "Ascendant and Midheaven and to one another, their sign ingresses, the planets' stations,\n"
    "New and Full Moons and solar eclipses, each with the model sections (aspect events) it\n"
    "drives. ZONE: an abbreviation of the zone table (EST, CET, ...; any letter case), hours\n"
    "east of Greenwich (-5, 5.5, 5:30) or a time-zone name (America/New_York: its offset on the\n"
    "date); default Greenwich. PROGRAMDIR holds Nyse.mil and\n"
    "stock.hyp (default: the program directory installed beside this tool, www/Exe); --model\n"
    "reads another model. Output: JSON (default), CSV or text for people on stdout; each event\n"
    "has its numbers (body and other: the chart's object numbers, 18 the Ascendant, 27 the\n"
    "Midheaven; sign 1..12 from Aries) and their names; \"moment\" is in Julian centuries of\n"
    "universal time from 1900 January 0.5 (JD 2415020.0), \"utc\" and \"local\" the same as clock text.\n";

constexpr std::string_view kCommand = "events";

struct Options {
  SecurityOptions common;
  StartDay start;
  int days = 20;
};

std::optional<int> ParseOptions(const Args& args, const LocalDateTime& now, Options& o) {
  std::string days_text;
  CLI::App app{"", "stockdyn events"};
  SetUpParser(app);
  AddSecurityOptions(app, o.common);
  AddStartDay(app, o.start);
  app.add_option("--days", days_text);
  if (const auto status = ParseArguments(app, args, kCommand, kUsage)) return status;
  if (const auto status = CheckSecurityOptions(o.common, {"csv", "json", "text"}, kCommand))
    return status;
  if (const auto status = CheckStartDay(o.start, now, kCommand)) return status;
  if (const auto status = CheckZoneOnStartDay(o.common, o.start, kCommand)) return status;
  if (!days_text.empty()) {
    double days = 0;
    if (!ParseNumber(days_text, days) || days != static_cast<int>(days) || days < 1 ||
        days > timeline::kMaxWindowDays)
      return UsageError(kCommand,
                        "--days must be a whole number from 1 to " +
                            std::to_string(timeline::kMaxWindowDays) + ", not '" + days_text + "'");
    o.days = static_cast<int>(days);
  }
  return std::nullopt;
}

bool Readable(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), R_OK) == 0;
}

}  // namespace

int RunEvents(const Args& args) {
  Options o;
  if (const auto status = ParseOptions(args, LocalNow(), o)) return *status;
  const std::string dir = ProgramDirOf(o.common);
  const std::string model_path = ModelPathOf(o.common, dir);
  // The model loader reads a missing file as an empty model; here that would silently list
  // no sections at all.
  if (!Readable(model_path)) return WorkFailed(kCommand, "cannot read the model " + model_path);

  auto natal = std::make_unique<ChartData>();
  model::TEvList model;
  try {
    if (!LoadSecurity(kCommand, dir, o.common.security, *natal)) return 1;
    model.Load(model_path);
  } catch (const std::exception& e) {
    return WorkFailed(kCommand, e.what());
  }

  const timeline::WindowHead head =
      timeline::DayWindow(PrintedName(o.common.security), o.common.zone.packed, o.start.year, o.start.month,
                          o.start.day, o.days, natal->Moment);
  for (const std::string& w : head.Warnings) std::fprintf(stderr, "stockdyn events: warning: %s\n", w.c_str());
  std::vector<timeline::Event> events = timeline::FindEvents(natal.get(), head.From, head.To);
  timeline::AttachDrivers(model, events);

  return PrintOutput(o.common.format == "json"  ? JsonText(timeline::EventsDocument(head, events, model))
                     : o.common.format == "csv" ? timeline::EventsCsv(head, events, model)
                                                : timeline::EventsText(head, events, model));
}

}  // namespace sd::cli
