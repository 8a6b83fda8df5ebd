// stockdyn events: the exact moments of the transits in a security's forecast window, and the
// model sections each one drives.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "astro/calendar.h"
#include "host/clock.h"
#include "host/program_dir.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "data/cp1251.h"
#include "forecast/grid.h"
#include "forecast/natal.h"
#include "forecast/model_value.h"
#include "model/ev_list.h"
#include "timeline/document.h"
#include "timeline/events.h"

namespace sd::cli {

namespace {

constexpr const char* kUsage =
    "usage: stockdyn events --security NAME [--zone ZONE] [--date YYYY-MM-DD] [--days N]\n"
    "                       [--dir PROGRAMDIR] [--model FILE] [--format json|csv]\n"
    "\n"
    "Every transit event of the window that starts at local midnight of the date (default\n"
    "today) in the zone and lasts N days (default 20, the forecast's window; at most 366), by\n"
    "moment: the transit bodies' aspects (0, 60, 90, 120, 180 degrees) to NAME's natal planets,\n"
    "Ascendant and Midheaven and to one another, their sign ingresses, the planets' stations,\n"
    "New and Full Moons and solar eclipses, each with the model sections (aspect events) it\n"
    "drives. ZONE: an abbreviation of the zone table (EST, CET, ...; any letter case) or hours\n"
    "east of Greenwich (-5, 5.5, 5:30); default Greenwich. PROGRAMDIR holds Nyse.mil and\n"
    "stock.hyp (default: the program directory installed beside this tool, www/Exe); --model\n"
    "reads another model. Output: JSON (default) or CSV on stdout.\n";

constexpr std::string_view kCommand = "events";

struct Options {
  std::string security;
  Zone zone;
  int year = 0, month = 0, day = 0;
  int days = 20;
  std::string dir;
  std::string model;
  std::string format = "json";
};

std::optional<int> ParseOptions(const Args& args, const LocalDateTime& now, Options& o) {
  std::string zone_text, date, days_text;
  CLI::App app{"", "stockdyn events"};
  SetUpParser(app);
  app.add_option("--security", o.security)->required();
  app.add_option("--zone", zone_text);
  app.add_option("--date", date);
  app.add_option("--days", days_text);
  app.add_option("--dir", o.dir);
  app.add_option("--model", o.model);
  app.add_option("--format", o.format);
  if (const auto status = ParseArguments(app, args, kCommand, kUsage)) return status;

  auto usage = [](const std::string& why) { return UsageError(kCommand, why, kUsage); };
  if (o.format != "json" && o.format != "csv") return usage("--format must be csv or json");
  std::string why;
  if (!zone_text.empty() && !ParseZone(zone_text, o.zone, why)) return usage(why);
  if (date.empty()) {
    o.year = now.year, o.month = now.month, o.day = now.day;
  } else if (!ParseDate(date, kFourDigitYears, o.year, o.month, o.day, why)) {
    return usage("--date: " + why);
  }
  if (!days_text.empty()) {
    double days = 0;
    if (!ParseNumber(days_text, days) || days != static_cast<int>(days) || days < 1 ||
        days > timeline::kMaxWindowDays)
      return usage("--days must be a whole number from 1 to " +
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
  const std::string dir =
      JoinProgramDir(o.dir.empty() ? JoinProgramDir(ProgramDir(""), "www/Exe") : o.dir, "");
  const std::string model_path = o.model.empty() ? dir + forecast::kModelFileName : o.model;
  // The model loader reads a missing file as an empty model; here that would silently list
  // no sections at all.
  if (!Readable(model_path)) {
    std::fprintf(stderr, "stockdyn events: cannot read the model %s\n", model_path.c_str());
    return 1;
  }

  auto natal = std::make_unique<ChartData>();
  model::TEvList model;
  try {
    // Names are stored in code page 1251; a terminal sends UTF-8.
    const std::string stored_name = Utf8ToCp1251(o.security).value_or(o.security);
    if (!forecast::LoadNatalChart(dir, stored_name, *natal)) {
      std::fprintf(stderr, "stockdyn events: no security named '%s' in %sNyse.mil\n",
                   o.security.c_str(), dir.c_str());
      return 1;
    }
    model.Load(model_path);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "stockdyn events: %s\n", e.what());
    return 1;
  }

  timeline::WindowHead head;
  head.Security = Utf8ToCp1251(o.security) ? o.security : Cp1251ToUtf8(o.security);
  head.Zone = o.zone.packed;
  head.From = forecast::LocalMidnight(o.year, o.month, o.day, o.zone.packed);
  head.To = head.From + o.days * DayInCenturies;
  std::vector<timeline::Event> events = timeline::FindEvents(natal.get(), head.From, head.To);
  timeline::AttachDrivers(model, events);

  const std::string out = o.format == "json"
                              ? JsonText(timeline::EventsDocument(head, events, model))
                              : timeline::EventsCsv(head, events, model);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

}  // namespace sd::cli
