// stockdyn chart: computes one chart for a date, clock time, zone and place and prints it as
// JSON, either as the natal chart of a security is computed or as the forecast's transit chart.
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "astro/calendar.h"
#include "astro/chart.h"
#include "cli/cmd_chart.h"
#include "cli/commands.h"

namespace sd::cli {

namespace {

const char kChartUsage[] =
    "usage: stockdyn chart --date YYYY-MM-DD --time HH:MM[:SS] --zone H[:MM] --lat DEG --lon DEG "
    "[--transit]\n"
    "\n"
    "Computes the chart of one moment and place and prints it as JSON.\n"
    "  --date YYYY-MM-DD  local date (a leading - for years before year 1: -44 is 45 BC)\n"
    "  --time HH:MM[:SS]  local clock time\n"
    "  --zone H[:MM]      hours east of Greenwich, e.g. -5, 5.5 or 5:30\n"
    "  --lat DEG          geographic latitude, decimal degrees, north positive (-90..90)\n"
    "  --lon DEG          geographic longitude, decimal degrees, east positive (-180..180)\n"
    "  --transit          compute as the forecast's transit chart (planets and node only);\n"
    "                     without it every chart object is computed, eclipses included\n";

bool ParseDouble(const std::string& s, double& out) {
  if (s.empty() || std::isspace(static_cast<unsigned char>(s[0]))) return false;
  errno = 0;
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return errno == 0 && end == s.c_str() + s.size() && std::isfinite(out);
}

// Digits only (an optional leading minus where allowed), at most max_digits of them.
bool ParseInt(const std::string& s, bool allow_minus, size_t max_digits, long lo, long hi,
              int& out) {
  size_t i = (allow_minus && !s.empty() && s[0] == '-') ? 1 : 0;
  if (s.size() == i || s.size() - i > max_digits) return false;
  for (size_t j = i; j < s.size(); ++j)
    if (s[j] < '0' || s[j] > '9') return false;
  const long v = std::strtol(s.c_str(), nullptr, 10);
  if (v < lo || v > hi) return false;
  out = static_cast<int>(v);
  return true;
}

// Julian leap years up to 1582, Gregorian after, as the calendar of the moments counts them.
bool IsLeap(int y) {
  if (y <= 1582) return ((y % 4) + 4) % 4 == 0;
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

bool ParseDate(const std::string& s, int& y, int& m, int& d) {
  const size_t second = s.rfind('-');
  if (second == std::string::npos || second < 1) return false;
  const size_t first = s.rfind('-', second - 1);
  if (first == std::string::npos || first == 0) return false;
  if (!ParseInt(s.substr(0, first), true, 6, -999999, 999999, y)) return false;
  if (s.size() - second - 1 != 2 || second - first - 1 != 2) return false;
  if (!ParseInt(s.substr(first + 1, 2), false, 2, 1, 12, m)) return false;
  if (!ParseInt(s.substr(second + 1), false, 2, 1, 31, d)) return false;
  static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (d > kDays[m - 1]) return false;
  return !(m == 2 && d == 29 && !IsLeap(y));
}

bool ParseTime(const std::string& s, double& hms) {
  if (s.size() != 5 && s.size() != 8) return false;
  int h = 0, mi = 0, sec = 0;
  if (s[2] != ':' || !ParseInt(s.substr(0, 2), false, 2, 0, 23, h) ||
      !ParseInt(s.substr(3, 2), false, 2, 0, 59, mi))
    return false;
  if (s.size() == 8 && (s[5] != ':' || !ParseInt(s.substr(6, 2), false, 2, 0, 59, sec)))
    return false;
  hms = h + mi / 100.0 + sec / 10000.0;
  return true;
}

// "-5", "5.5" or "5:30" -> decimal hours east; the sign covers the minutes too.
bool ParseZone(const std::string& s, double& hours) {
  const size_t colon = s.find(':');
  if (colon == std::string::npos) return ParseDouble(s, hours) && std::fabs(hours) <= 14;
  const bool negative = !s.empty() && s[0] == '-';
  const bool plus = !s.empty() && s[0] == '+';
  int h = 0, mm = 0;
  if (!ParseInt(s.substr(negative || plus ? 1 : 0, colon - (negative || plus ? 1 : 0)), false,
                2, 0, 14, h) ||
      s.size() - colon - 1 != 2 || !ParseInt(s.substr(colon + 1), false, 2, 0, 59, mm))
    return false;
  hours = (negative ? -1 : 1) * (h + mm / 60.0);
  return std::fabs(hours) <= 14;
}

void AppendNumber(std::string& out, double v) {
  if (!IsValue(v) || !std::isfinite(v)) {
    out += "null";
    return;
  }
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.12g", v);
  out += buf;
}

void AppendField(std::string& out, const char* key, double v) {
  out += ", \"";
  out += key;
  out += "\": ";
  AppendNumber(out, v);
}

std::string JsonString(const char* s) {
  std::string out = "\"";
  for (const char* p = s; *p; ++p) {
    if (*p == '"' || *p == '\\') out += '\\';
    out += *p;
  }
  return out + "\"";
}

int Usage(const char* why) {
  if (why) std::fprintf(stderr, "stockdyn chart: %s\n", why);
  std::fputs(kChartUsage, stderr);
  return 2;
}

}  // namespace

std::string ChartJson(const ChartData& c) {
  std::string out = "{\"moment\": ";
  AppendNumber(out, c.Moment);
  out += ", \"prev_eclipse_moment\": ";
  AppendNumber(out, c.PrevEclipseMoment);
  out += ", \"next_eclipse_moment\": ";
  AppendNumber(out, c.NextEclipseMoment);
  out += ", \"objects\": [";
  for (int n = 0; n < kObjectCount; ++n) {
    out += n ? ",\n  {" : "\n  {";
    out += "\"number\": " + std::to_string(n) + ", \"name\": " + JsonString(ObjectName(n));
    AppendField(out, "longitude", c.Object[kLongitude][n]);
    AppendField(out, "helio_longitude", c.Object[kHelioLongitude][n]);
    AppendField(out, "sidereal_longitude", c.Object[kSiderealLongitude][n]);
    AppendField(out, "node_distance", c.Object[kNodeDistance][n]);
    AppendField(out, "declination_longitude", c.Object[kDeclinationLongitude][n]);
    AppendField(out, "declination", c.Object[kDeclination][n]);
    if (n < kPlanetCount) {
      AppendField(out, "latitude", c.Planet[kLatitude][n]);
      AppendField(out, "right_ascension", c.Planet[kRightAscension][n]);
      AppendField(out, "distance", c.Planet[kDistance][n]);
      AppendField(out, "helio_latitude", c.Planet[kHelioLatitude][n]);
      AppendField(out, "radius_vector", c.Planet[kRadiusVector][n]);
      AppendField(out, "mundane_position", c.Planet[kMundanePosition][n]);
      AppendField(out, "altitude", c.Planet[kAltitude][n]);
      AppendField(out, "phase_angle", c.Planet[kPhaseAngle][n]);
    }
    out += "}";
  }
  out += "\n]}\n";
  return out;
}

int RunChart(const Args& args) {
  std::string date, time, zone, lat, lon;
  bool transit = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kChartUsage, stdout);
      return 0;
    }
    if (a == "--transit") {
      transit = true;
      continue;
    }
    std::string* slot = a == "--date"   ? &date
                        : a == "--time" ? &time
                        : a == "--zone" ? &zone
                        : a == "--lat"  ? &lat
                        : a == "--lon"  ? &lon
                                        : nullptr;
    if (!slot) return Usage(("unknown argument " + a).c_str());
    if (i + 1 >= args.size()) return Usage((a + " needs a value").c_str());
    *slot = args[++i];
  }
  if (date.empty() || time.empty() || zone.empty() || lat.empty() || lon.empty())
    return Usage("--date, --time, --zone, --lat and --lon are all required");

  ChartData chart;
  int y = 0, m = 0, d = 0;
  double clock = 0, zone_hours = 0, lat_deg = 0, lon_deg = 0;
  if (!ParseDate(date, y, m, d)) return Usage(("bad date " + date).c_str());
  if (!ParseTime(time, clock)) return Usage(("bad time " + time).c_str());
  if (!ParseZone(zone, zone_hours)) return Usage(("bad zone " + zone).c_str());
  if (!ParseDouble(lat, lat_deg) || std::fabs(lat_deg) > 90)
    return Usage(("bad latitude " + lat).c_str());
  if (!ParseDouble(lon, lon_deg) || std::fabs(lon_deg) > 180)
    return Usage(("bad longitude " + lon).c_str());

  chart.Event.Year = y;
  chart.Event.Month = m;
  chart.Event.Day = d;
  chart.Event.LocalTime = clock;
  chart.Event.Zone = DecimalToHms(zone_hours);
  chart.Event.PlaceLatitude = DecimalToHms(lat_deg);
  chart.Event.PlaceLongitude = DecimalToHms(lon_deg);

  bool done;
  if (transit) {
    // As the forecast run does: planets and node on, the moment set, then mode 1.
    for (int n = 0; n <= kPluto; ++n) chart.ObjectOn[n] = 1;
    chart.ObjectOn[kNorthNode] = 1;
    chart.Moment = MomentFromLocal(chart.Event.Clock());
    done = ComputeChart(chart, 1, chart.Moment);
  } else {
    for (int n = 0; n < kObjectCount; ++n) chart.ObjectOn[n] = IsAllowedObject(n) ? 1 : 0;
    done = ComputeChart(chart, 0, NoValue);
  }
  if (!done) {
    std::fprintf(stderr, "stockdyn chart: the chart computation is busy\n");
    return 1;
  }
  std::fputs(ChartJson(chart).c_str(), stdout);
  return 0;
}

}  // namespace sd::cli
