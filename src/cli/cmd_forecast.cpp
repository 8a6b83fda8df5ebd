// stockdyn forecast: the CGI's forecast for one security and one local day, as rows of values
// (and the picture when asked), computed by the same code as a request.
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "host/clock.h"
#include "host/process.h"
#include "host/query.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/output_kinds.h"
#include "cli/security_options.h"
#include "forecast/model_value.h"
#include "forecast/report.h"
#include "forecast/run.h"
#include "render/forecast_picture.h"
#include "render/gif_output.h"

namespace sd::cli {

namespace {

constexpr const char* kUsage =
    "usage: stockdyn forecast --security NAME [--zone ZONE] [--date YYYY-MM-DD]\n"
    "                         [--dir PROGRAMDIR] [--model FILE] [--gif PATH [--force]]\n"
    "                         [--explain] [--format json|csv|text]\n"
    "\n"
    "The forecast a request for NAME would draw: 41 values half a day apart over the twenty\n"
    "days from local midnight of the date (default today) in the zone: an abbreviation of the\n"
    "zone table (EST, CET, ...; any letter case), hours east of Greenwich (-5, 5.5, 5:30) or a\n"
    "time-zone name (America/New_York: its offset on the date, summer time included); default\n"
    "Greenwich. PROGRAMDIR holds Nyse.mil, stock.hyp, the towns files and, when there\n"
    "is one, Metrics.dat (default: the program directory installed beside this tool, www/Exe).\n"
    "--model runs the model FILE instead of PROGRAMDIR's stock.hyp (the other data files stay).\n"
    "--gif writes the picture to PATH with its extension made \".gif\" (x.png is written as\n"
    "x.gif); it does not replace a file that is not a GIF picture, nor one of the data files\n"
    "it reads, unless --force is given. Output: JSON (default), CSV or text for people on\n"
    "stdout; \"moment\" is in Julian centuries of universal time from 1900 January 0.5 (JD\n"
    "2415020.0), \"local\" the same in the zone. --explain adds each event's contribution\n"
    "(its section name, weight and weighted value; a row's contributions sum to its value): in\n"
    "JSON a \"contributions\" list per row, in CSV one line per contribution with the columns\n"
    "index,moment,local,section,title,contribution.\n";

constexpr std::string_view kCommand = "forecast";

struct Options {
  SecurityOptions common;
  StartDay start;
  std::string gif;  // the path written, its extension already ".gif"; empty for none
  bool explain = false;
  bool force = false;  // --gif may replace any file
};

// Reads the arguments into `o`; empty when the command goes on, else its exit status.
std::optional<int> ParseOptions(const Args& args, const host::LocalDateTime& now, Options& o) {
  CLI::App app{"", "stockdyn forecast"};
  SetUpParser(app);
  AddSecurityOptions(app, o.common);
  AddStartDay(app, o.start);
  app.add_option("--gif", o.gif);
  app.add_flag("--explain", o.explain);
  app.add_flag("--force", o.force);
  if (const auto status = ParseArguments(app, args, kCommand, kUsage)) return status;
  if (const auto status = CheckSecurityOptions(o.common, {"csv", "json", "text"}, kCommand))
    return status;
  if (const auto status = CheckStartDay(o.start, now, kCommand)) return status;
  if (const auto status = CheckZoneOnStartDay(o.common, o.start, kCommand)) return status;
  if (!o.gif.empty()) o.gif = render::ForceGifExtension(o.gif);
  return std::nullopt;
}

}  // namespace

int RunForecastCommand(const Args& args) {
  const host::LocalDateTime now = host::LocalNow();
  Options o;
  if (const auto status = ParseOptions(args, now, o)) return *status;
  const std::string dir = ProgramDirOf(o.common);
  const SecurityOptions& c = o.common;
  const StartDay& d = o.start;

  // A full disk or a file-size limit must fail the picture's write (EFBIG, reported below),
  // not kill the command halfway with the picture's temporary file left behind.
  std::signal(SIGXFSZ, SIG_IGN);
  std::string out;
  try {
    const std::string model_path = ModelPathOf(c, dir);
    if (!o.gif.empty()) {
      std::vector<std::string> inputs = ProgramDataFiles(dir);
      inputs.push_back(model_path);
      CheckOutput(o.gif, kGifPicture, inputs, o.force);
    }
    const auto metrics = host::OpenMetricTable(dir);
    const auto charts = NewRequestCharts(now);
    astro::ChartData& natal = charts->Natal;
    if (!LoadSecurity(kCommand, dir, o.common.security, natal)) return 1;
    // The rows come from the run the API makes too, with the contributions of the same
    // evaluation as each value; the picture is drawn from the same values, so the model is
    // loaded and run once.
    const auto model = forecast::LoadModel(model_path);
    std::vector<std::vector<forecast::Contribution>> contributions;
    const forecast::ForecastValues values = forecast::ComputeForecast(
        {natal, charts->TransitEvent, charts->Transit}, *model, d.year, d.month, d.day,
        forecast::kForecastSpan, c.zone.packed, forecast::kForecastStep, metrics.get(),
        o.explain ? &contributions : nullptr);
    if (!o.gif.empty()) {
      std::string why;
      if (!render::WriteGif(render::DrawForecast(values, c.zone.packed), o.gif, &why))
        return WorkFailed(kCommand, "the picture " + o.gif + " was not written: " + why);
      SayWritten(kCommand, o.gif);
    }
    const forecast::Report report =
        forecast::MakeReport(PrintedName(c.security), c.zone.packed, natal.Moment, values, *model,
                             o.explain ? &contributions : nullptr);
    for (const std::string& w : report.Warnings) std::fprintf(stderr, "stockdyn forecast: warning: %s\n", w.c_str());
    out = c.format == "json"  ? forecast::JsonText(forecast::ReportJson(report))
          : c.format == "csv" ? forecast::ReportCsv(report)
                              : forecast::ReportText(report);
  } catch (const std::exception& e) {
    return WorkFailed(kCommand, e.what());
  }
  return PrintOutput(out);
}

}  // namespace sd::cli
