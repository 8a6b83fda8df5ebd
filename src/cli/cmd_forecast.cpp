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
#include "cgi/clock.h"
#include "cgi/picture.h"
#include "cgi/process.h"
#include "cgi/program_dir.h"
#include "cgi/query.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "data/cp1251.h"
#include "forecast/model_value.h"
#include "forecast/natal.h"
#include "render/gif_output.h"

namespace sd::cli {

namespace {

constexpr const char* kUsage =
    "usage: stockdyn forecast --security NAME [--zone ZONE] [--date YYYY-MM-DD]\n"
    "                         [--dir PROGRAMDIR] [--gif PATH] [--format csv|json]\n"
    "\n"
    "The forecast a request for NAME would draw: 41 values half a day apart over the twenty\n"
    "days from local midnight of the date (default today) in the zone: an abbreviation of the\n"
    "zone table (EST, CET, ...; any letter case) or hours east of Greenwich (-5, 5.5, 5:30);\n"
    "default Greenwich. PROGRAMDIR holds Nyse.mil, stock.hyp, the towns files and, when there\n"
    "is one, Metrics.dat (default: the program directory installed beside this tool, www/Exe).\n"
    "--gif writes the picture to PATH with its extension made \".gif\" (x.png is written as\n"
    "x.gif). Output: JSON (default) or CSV on stdout.\n";

constexpr std::string_view kCommand = "forecast";

struct Options {
  std::string security;
  Zone zone;
  int year = 0, month = 0, day = 0;
  std::string dir;
  std::string gif;  // the path written, its extension already ".gif"; empty for none
  std::string format = "json";
};

// One row of the output.
struct Row {
  ChartMoment moment;
  double value;
};

// The default program directory: www/Exe beside the directory of this executable.
std::string DefaultProgramDir() { return JoinProgramDir(ProgramDir(""), "www/Exe"); }

std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string Number(double v) {
  if (!IsValue(v) || !std::isfinite(v)) return "null";
  // The shortest text that reads back as the same double (9.3, not 9.3000000000000007).
  char buf[32];
  for (int digits = 15; digits <= 17; ++digits) {
    std::snprintf(buf, sizeof buf, "%.*g", digits, v);
    if (std::strtod(buf, nullptr) == v) break;
  }
  return buf;
}

// Local date and clock time of t in the zone, to the minute.
std::string LocalText(ChartMoment t, double zone) {
  // Half a minute forward, then the minute is cut: a grid moment a hair before the minute
  // still shows that minute.
  const CivilDate d =
      DateFromMoment(t + HmsToDecimal(zone) * DayInCenturies / 24 + 30 * SecondInCenturies);
  const int minutes = static_cast<int>(std::floor(d.hours * 60));
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", d.year, d.month, d.day, minutes / 60,
                minutes % 60);
  return buf;
}

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
  app.add_option("--gif", o.gif);
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
  if (!o.gif.empty()) o.gif = render::ForceGifExtension(o.gif);
  return std::nullopt;
}

std::string JsonOutput(const Options& o, const std::vector<Row>& rows) {
  // Names are stored in code page 1251; what was typed in UTF-8 is printed as typed.
  const std::string name_utf8 = Utf8ToCp1251(o.security) ? o.security : Cp1251ToUtf8(o.security);
  Json list = Json::array();
  for (size_t i = 0; i < rows.size(); ++i) {
    list.push_back({{"index", i},
                    {"moment", JsonValue(rows[i].moment)},
                    {"local", LocalText(rows[i].moment, o.zone.packed)},
                    {"value", JsonValue(rows[i].value)}});
  }
  return JsonText({{"security", name_utf8}, {"zone", o.zone.packed}, {"rows", std::move(list)}});
}

std::string CsvOutput(const Options& o, const std::vector<Row>& rows) {
  std::string out = "index,moment,local,value\n";
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::string v = Number(rows[i].value);
    out += std::to_string(i) + "," + Number(rows[i].moment) + "," +
           CsvField(LocalText(rows[i].moment, o.zone.packed)) + "," + (v == "null" ? "" : v) + "\n";
  }
  return out;
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
  ForecastRun run;
  try {
    ProcessScope process(now, dir);
    ChartData& natal = ChartSlots()[0];
    // Names are stored in code page 1251; a terminal sends UTF-8.
    const std::string stored_name = Utf8ToCp1251(o.security).value_or(o.security);
    if (!forecast::LoadNatalChart(dir, stored_name, natal)) {
      std::fprintf(stderr, "stockdyn forecast: no security named '%s' in %sNyse.mil\n",
                   o.security.c_str(), dir.c_str());
      return 1;
    }
    run = RunForecast(dir + forecast::kModelFileName, o.gif, o.year, o.month, o.day,
                      forecast::kForecastSpan, o.zone.packed, forecast::kForecastStep);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "stockdyn forecast: %s\n", e.what());
    return 1;
  }
  if (!o.gif.empty() && run.Picture.empty()) {
    std::fprintf(stderr, "stockdyn forecast: the picture %s was not written\n", o.gif.c_str());
    return 1;
  }

  std::vector<Row> rows;
  for (size_t i = 0; i < run.Values.Moments.size(); ++i)
    rows.push_back({run.Values.Moments[i], run.Values.Values[i]});
  const std::string out = o.format == "json" ? JsonOutput(o, rows) : CsvOutput(o, rows);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

}  // namespace sd::cli
