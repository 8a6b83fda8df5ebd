// stockdyn forecast: the CGI's forecast for one security and one local day, as rows of values
// (and the picture when asked), computed by the same code as a request.
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "astro/calendar.h"
#include "host/clock.h"
#include "host/picture.h"
#include "host/process.h"
#include "host/program_dir.h"
#include "host/query.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/output_kinds.h"
#include "data/cp1251.h"
#include "forecast/model_value.h"
#include "forecast/natal.h"
#include "forecast/report.h"
#include "forecast/run.h"
#include "render/gif_output.h"

namespace sd::cli {

namespace {

constexpr const char* kUsage =
    "usage: stockdyn forecast --security NAME [--zone ZONE] [--date YYYY-MM-DD]\n"
    "                         [--dir PROGRAMDIR] [--model FILE] [--gif PATH [--force]]\n"
    "                         [--explain] [--format csv|json]\n"
    "\n"
    "The forecast a request for NAME would draw: 41 values half a day apart over the twenty\n"
    "days from local midnight of the date (default today) in the zone: an abbreviation of the\n"
    "zone table (EST, CET, ...; any letter case) or hours east of Greenwich (-5, 5.5, 5:30);\n"
    "default Greenwich. PROGRAMDIR holds Nyse.mil, stock.hyp, the towns files and, when there\n"
    "is one, Metrics.dat (default: the program directory installed beside this tool, www/Exe).\n"
    "--model runs the model FILE instead of PROGRAMDIR's stock.hyp (the other data files stay).\n"
    "--gif writes the picture to PATH with its extension made \".gif\" (x.png is written as\n"
    "x.gif); it does not replace a file that is not a GIF picture, nor one of the data files\n"
    "it reads, unless --force is given. Output: JSON (default) or CSV on stdout. --explain adds each event's contribution\n"
    "(its section name, weight and weighted value; a row's contributions sum to its value): in\n"
    "JSON a \"contributions\" list per row, in CSV one line per contribution with the columns\n"
    "index,moment,local,section,contribution.\n";

constexpr std::string_view kCommand = "forecast";

struct Options {
  std::string security;
  Zone zone;
  int year = 0, month = 0, day = 0;
  std::string dir;
  std::string model;  // empty: the program directory's stock.hyp
  std::string gif;  // the path written, its extension already ".gif"; empty for none
  std::string format = "json";
  bool explain = false;
  bool force = false;  // --gif may replace any file
};

// The default program directory: www/Exe beside the directory of this executable.
std::string DefaultProgramDir() { return JoinProgramDir(ProgramDir(""), "www/Exe"); }

// Pairs StartUp with CleanUp, also when the work fails.
struct ProcessScope {
  ProcessScope(const LocalDateTime& now, const std::string& dir) { StartUp(now, dir); }
  ~ProcessScope() { CleanUp(); }
  ProcessScope(const ProcessScope&) = delete;
  ProcessScope& operator=(const ProcessScope&) = delete;
};

// Reads the arguments into `o`; empty when the command goes on, else its exit status.
std::optional<int> ParseOptions(const Args& args, const LocalDateTime& now, Options& o) {
  std::string zone_text, date;
  CLI::App app{"", "stockdyn forecast"};
  SetUpParser(app);
  app.add_option("--security", o.security)->required();
  app.add_option("--zone", zone_text);
  app.add_option("--date", date);
  app.add_option("--dir", o.dir);
  app.add_option("--model", o.model);
  app.add_option("--gif", o.gif);
  app.add_option("--format", o.format);
  app.add_flag("--explain", o.explain);
  app.add_flag("--force", o.force);
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
  if (!o.gif.empty()) o.gif = render::ForceGifExtension(o.gif);
  return std::nullopt;
}

}  // namespace

int RunForecastCommand(const Args& args) {
  const LocalDateTime now = LocalNow();
  Options o;
  if (const auto status = ParseOptions(args, now, o)) return *status;
  const std::string dir = JoinProgramDir(o.dir.empty() ? DefaultProgramDir() : o.dir, "");

  // A full disk or a file-size limit must fail the picture's write (EFBIG, reported below),
  // not kill the command halfway with the picture's temporary file left behind.
  std::signal(SIGXFSZ, SIG_IGN);
  std::string out;
  try {
    const std::string model_path = o.model.empty() ? dir + forecast::kModelFileName : o.model;
    if (!o.gif.empty()) {
      std::vector<std::string> inputs = ProgramDataFiles(dir);
      inputs.push_back(model_path);
      CheckOutput(o.gif, kGifPicture, inputs, o.force);
    }
    ProcessScope process(now, dir);
    ChartSlotArray& slots = ChartSlots();
    ChartData& natal = slots[0];
    // Names are stored in code page 1251; a terminal sends UTF-8.
    const std::string stored_name = Utf8ToCp1251(o.security).value_or(o.security);
    if (!forecast::LoadNatalChart(dir, stored_name, natal)) {
      std::fprintf(stderr, "stockdyn forecast: no security named '%s' in %sNyse.mil\n",
                   o.security.c_str(), dir.c_str());
      return 1;
    }
    if (!o.gif.empty()) {
      const ForecastRun run = RunForecast(model_path, o.gif, o.year, o.month, o.day,
                                          forecast::kForecastSpan, o.zone.packed,
                                          forecast::kForecastStep);
      if (run.Picture.empty()) {
        std::fprintf(stderr, "stockdyn forecast: the picture %s was not written\n", o.gif.c_str());
        return 1;
      }
    }
    // The rows come from the run the API makes too, with the contributions of the same
    // evaluation as each value.
    const auto model = forecast::LoadModel(model_path);
    std::vector<std::vector<forecast::Contribution>> contributions;
    const forecast::ForecastValues values = forecast::ComputeForecast(
        {natal, slots[2], slots[4]}, *model, o.year, o.month, o.day, forecast::kForecastSpan,
        o.zone.packed, forecast::kForecastStep, Process().metric_table.get(),
        o.explain ? &contributions : nullptr);
    // What was typed in UTF-8 is printed as typed.
    const std::string name_utf8 =
        Utf8ToCp1251(o.security) ? o.security : Cp1251ToUtf8(o.security);
    const forecast::Report report = forecast::MakeReport(
        name_utf8, o.zone.packed, values, *model, o.explain ? &contributions : nullptr);
    out = o.format == "json" ? forecast::JsonText(forecast::ReportJson(report))
                             : forecast::ReportCsv(report);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "stockdyn forecast: %s\n", e.what());
    return 1;
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

}  // namespace sd::cli
