// stockdyn draw: paints a series of the user's values exactly as the forecast picture is
// painted, and writes it as GIF.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "astro/calendar.h"
#include "cli/commands.h"
#include "render/forecast_picture.h"
#include "render/gif_output.h"
#include "render/value_series.h"

namespace sd::cli {

namespace {

const char kDrawUsage[] =
    "usage: stockdyn draw --values FILE --start YYYY-MM-DD [--days N] [--zone H[:MM]] --out PATH\n"
    "\n"
    "Draws the values of FILE as the forecast picture is drawn (600x350, curve above a date axis)\n"
    "and writes it as GIF to PATH, its extension made \".gif\".\n"
    "  --values FILE   one value per line; an empty line or the word gap leaves a gap\n"
    "  --start DATE    the axis begins at local midnight of this day\n"
    "  --days N        days the axis covers (default 20)\n"
    "  --zone H[:MM]   hours east of Greenwich, e.g. -5, 5.5 or 5:30 (default 0)\n"
    "  --out PATH      the picture file\n";

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  const size_t b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

bool ParseDouble(const std::string& s, double& out) {
  if (s.empty()) return false;
  errno = 0;
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return errno == 0 && end == s.c_str() + s.size() && std::isfinite(out);
}

bool ParseInt(const std::string& s, long lo, long hi, int& out) {
  if (s.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(s.c_str(), &end, 10);
  if (errno != 0 || end != s.c_str() + s.size() || v < lo || v > hi) return false;
  out = static_cast<int>(v);
  return true;
}

bool ParseDate(const std::string& s, int& y, int& m, int& d) {
  if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
  if (!ParseInt(s.substr(0, 4), 1, 9999, y) || !ParseInt(s.substr(5, 2), 1, 12, m) || !ParseInt(s.substr(8, 2), 1, 31, d))
    return false;
  static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (d > kDays[m - 1]) return false;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return !(m == 2 && d == 29 && !leap);
}

// "-5", "5.5" or "5:30" -> decimal hours; the sign covers the minutes too.
bool ParseZone(const std::string& s, double& hours) {
  const size_t colon = s.find(':');
  if (colon == std::string::npos) return ParseDouble(s, hours) && std::fabs(hours) <= 14;
  int h = 0, mm = 0;
  const std::string hs = s.substr(0, colon), ms = s.substr(colon + 1);
  if (ms.size() != 2 || !ParseInt(ms, 0, 59, mm)) return false;
  const bool negative = !hs.empty() && hs[0] == '-';
  if (!ParseInt(negative || (!hs.empty() && hs[0] == '+') ? hs.substr(1) : hs, 0, 14, h)) return false;
  hours = (negative ? -1 : 1) * (h + mm / 60.0);
  return std::fabs(hours) <= 14;
}

// One value per line; an empty line or "gap" is NoValue. A final line end closes the last
// value rather than opening an empty one.
bool ReadValues(const std::string& path, render::TCorvDoubleList& list, std::string& why) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = "cannot open " + path;
    return false;
  }
  std::stringstream all;
  all << in.rdbuf();
  if (in.bad()) {
    why = "cannot read " + path;
    return false;
  }
  std::string text = all.str();
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (text.empty()) return true;
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    const std::string v = Trim(line);
    double x = 0;
    if (v.empty() || v == "gap") {
      list.Add(NoValue);
    } else if (ParseDouble(v, x)) {
      list.Add(x);
    } else {
      why = path + ":" + std::to_string(number) + ": not a number: '" + v + "'";
      return false;
    }
  }
  return true;
}

}  // namespace

int RunDraw(const Args& args) {
  std::string values_path, start_text, out_path, days_text = "20", zone_text = "0";
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kDrawUsage, stdout);
      return 0;
    }
    std::string* target = a == "--values" ? &values_path
                          : a == "--start" ? &start_text
                          : a == "--days"  ? &days_text
                          : a == "--zone"  ? &zone_text
                          : a == "--out"   ? &out_path
                                           : nullptr;
    if (!target || i + 1 >= args.size()) {
      std::fprintf(stderr, target ? "stockdyn draw: %s needs a value\n" : "stockdyn draw: unknown argument '%s'\n", a.c_str());
      std::fputs(kDrawUsage, stderr);
      return 2;
    }
    *target = args[++i];
  }
  int year = 0, month = 0, day = 0, days = 0;
  double zone = 0;
  const char* bad = values_path.empty() ? "--values is required"
                    : out_path.empty()  ? "--out is required"
                    : start_text.empty() ? "--start is required"
                    : !ParseDate(start_text, year, month, day) ? "--start must be a date YYYY-MM-DD"
                    : !ParseInt(days_text, 1, 36600, days)     ? "--days must be a whole number from 1 to 36600"
                    : !ParseZone(zone_text, zone)              ? "--zone must be hours east of Greenwich, H[:MM], at most 14"
                                                               : nullptr;
  if (bad) {
    std::fprintf(stderr, "stockdyn draw: %s\n", bad);
    std::fputs(kDrawUsage, stderr);
    return 2;
  }

  render::TCorvDoubleList values;
  std::string why;
  if (!ReadValues(values_path, values, why)) {
    std::fprintf(stderr, "stockdyn draw: %s\n", why.c_str());
    return 1;
  }
  const ChartMoment start = MomentFromDate(year, month, day, 0.0) - zone * DayInCenturies / 24;
  const ChartMoment end = start + days * DayInCenturies;
  const render::Canvas picture = render::DrawForecastPicture(values, start, end, zone);
  const std::string target = render::ForceGifExtension(out_path);
  if (!render::WriteGif(picture, target, &why)) {
    std::fprintf(stderr, "stockdyn draw: cannot write %s: %s\n", target.c_str(), why.c_str());
    return 1;
  }
  return 0;
}

}  // namespace sd::cli
