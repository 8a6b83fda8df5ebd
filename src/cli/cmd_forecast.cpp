// stockdyn forecast: the CGI's forecast for one security and one local day, as rows of values
// (and the picture when asked), computed by the same code as a request.
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "astro/calendar.h"
#include "cgi/clock.h"
#include "cgi/forecast.h"
#include "cgi/process.h"
#include "cgi/program_dir.h"
#include "cgi/query.h"
#include "cli/commands.h"
#include "data/cp1251.h"

namespace sd::cli {

namespace {

constexpr const char* kUsage =
    "usage: stockdyn forecast --security NAME [--zone ABBR] [--date YYYY-MM-DD]\n"
    "                         [--dir PROGRAMDIR] [--gif PATH] [--format csv|json]\n"
    "\n"
    "The forecast a request for NAME would draw: 41 values half a day apart over the twenty\n"
    "days from local midnight of the date (default today) in the zone (an abbreviation of the\n"
    "zone table; absent or unknown: Greenwich). PROGRAMDIR holds Nyse.mil, stock.hyp, the\n"
    "towns files and, when there is one, Metrics.dat (default: the program directory\n"
    "installed beside this tool, www/Exe).\n"
    "--gif writes the picture to PATH. Output: JSON (default) or CSV on stdout.\n";

struct Options {
  std::string security;
  bool has_security = false;
  std::string zone;
  std::string date;
  std::string dir;
  std::string gif;
  std::string format = "json";
};

bool ParseDate(const std::string& text, int& y, int& m, int& d) {
  LocalDateTime t;
  if (!ParseLocalDateTime(text + " 00:00:00", t)) return false;
  y = t.year;
  m = t.month;
  d = t.day;
  return true;
}

// The default program directory: www/Exe beside the directory of this executable.
std::string DefaultProgramDir() { return JoinProgramDir(ProgramDir(""), "www/Exe"); }

// A JSON string of UTF-8 text.
std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

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

}  // namespace

int RunForecastCommand(const Args& args) {
  Options o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    std::string* dest = nullptr;
    if (a == "--security") dest = &o.security, o.has_security = true;
    else if (a == "--zone") dest = &o.zone;
    else if (a == "--date") dest = &o.date;
    else if (a == "--dir") dest = &o.dir;
    else if (a == "--gif") dest = &o.gif;
    else if (a == "--format") dest = &o.format;
    if (!dest) {
      std::fprintf(stderr, "stockdyn forecast: unknown argument '%s'\n%s", a.c_str(), kUsage);
      return 2;
    }
    if (i + 1 >= args.size()) {
      std::fprintf(stderr, "stockdyn forecast: %s needs a value\n%s", a.c_str(), kUsage);
      return 2;
    }
    *dest = args[++i];
  }
  if (!o.has_security) {
    std::fprintf(stderr, "stockdyn forecast: --security is required\n%s", kUsage);
    return 2;
  }
  if (o.format != "json" && o.format != "csv") {
    std::fprintf(stderr, "stockdyn forecast: --format must be csv or json\n");
    return 2;
  }
  const LocalDateTime now = LocalNow();
  int year = now.year, month = now.month, day = now.day;
  if (!o.date.empty() && !ParseDate(o.date, year, month, day)) {
    std::fprintf(stderr, "stockdyn forecast: --date must be YYYY-MM-DD, not '%s'\n", o.date.c_str());
    return 2;
  }
  const std::string dir = JoinProgramDir(o.dir.empty() ? DefaultProgramDir() : o.dir, "");
  double zone = ZoneOffsetByName(o.zone);
  if (zone == kUnknownZone) zone = 0.0;

  // A full disk or a file-size limit must fail the picture's write (EFBIG, reported below),
  // not kill the command halfway with the picture's temporary file left behind.
  std::signal(SIGXFSZ, SIG_IGN);
  ForecastRun run;
  try {
    ProcessScope process(now, dir);
    ChartData& natal = ChartSlots()[0];
    // Names are stored in code page 1251; a terminal sends UTF-8.
    const std::string stored_name = Utf8ToCp1251(o.security).value_or(o.security);
    if (!LoadNatalChart(dir, stored_name, natal)) {
      std::fprintf(stderr, "stockdyn forecast: no security named '%s' in %sNyse.mil\n",
                   o.security.c_str(), dir.c_str());
      return 1;
    }
    run = RunForecast(dir + kModelFileName, o.gif, year, month, day, kForecastSpan, zone,
                      kForecastStep);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "stockdyn forecast: %s\n", e.what());
    return 1;
  }
  if (!o.gif.empty() && run.Picture.empty()) {
    std::fprintf(stderr, "stockdyn forecast: the picture %s was not written\n", o.gif.c_str());
    return 1;
  }

  const auto& moments = run.Values.Moments;
  const auto& values = run.Values.Values;
  std::string out;
  if (o.format == "json") {
    const std::string name_utf8 =
        Utf8ToCp1251(o.security) ? o.security : Cp1251ToUtf8(o.security);
    out = "{\"security\": " + JsonString(name_utf8) + ", \"zone\": " + Number(zone) +
          ", \"rows\": [";
    for (size_t i = 0; i < moments.size(); ++i) {
      if (i) out += ", ";
      out += "{\"index\": " + std::to_string(i) + ", \"moment\": " + Number(moments[i]) +
             ", \"local\": \"" + LocalText(moments[i], zone) + "\", \"value\": " +
             Number(values[i]) + "}";
    }
    out += "]}\n";
  } else {
    out = "index,moment,local,value\n";
    for (size_t i = 0; i < moments.size(); ++i) {
      const std::string v = Number(values[i]);
      out += std::to_string(i) + "," + Number(moments[i]) + "," +
             CsvField(LocalText(moments[i], zone)) + "," + (v == "null" ? "" : v) + "\n";
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

}  // namespace sd::cli
