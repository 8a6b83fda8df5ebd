// stockdyn chart: computes one chart for a date, clock time, zone and place and prints it as
// JSON, either as the natal chart of a security is computed or as the forecast's transit chart.
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "astro/calendar.h"
#include "astro/chart.h"
#include "astro/houses.h"
#include "cli/arguments.h"
#include "cli/cmd_chart.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/output_kinds.h"
#include "cli/security_options.h"
#include "data/atomic_file.h"
#include "host/wheel_picture.h"

namespace sd::cli {

namespace {

const char kChartUsage[] =
    "usage: stockdyn chart --date YYYY-MM-DD --time H:MM[:SS] --zone ZONE --lat DEG --lon DEG\n"
    "                      [--transit] [--houses N] [--sidereal-column N] [--topocentric]\n"
    "                      [--svg FILE [--force]]\n"
    "       stockdyn chart --security NAME [--dir DIR] [--svg FILE [--force]]\n"
    "                      [--transits YYYY-MM-DD H:MM[:SS] [--zone ZONE]]\n"
    "\n"
    "Computes the chart of one moment and place, or a security's first-trade chart, and prints\n"
    "it as JSON, or draws it as a chart wheel.\n"
    "  --svg FILE         write the chart wheel as SVG instead of printing JSON\n"
    "  --force            replace FILE even when it is not an SVG picture\n"
    "  --security NAME    the first-trade chart of a security of DIR's Nyse.mil\n"
    "  --dir DIR          the program directory (default: www/Exe beside this tool)\n"
    "  --transits DATE TIME  with --security and --svg: the bi-wheel, the transits of that\n"
    "                     local moment (in --zone, Greenwich when not given) in the outer ring\n"
    "  --date YYYY-MM-DD  local date; a leading - for years BC (-1 is 1 BC, -44 is 44 BC;\n"
    "                     there is no year 0)\n"
    "  --time H:MM[:SS]   local clock time (hour in one or two digits)\n"
    "  --zone ZONE        an abbreviation of the zone table (EST, CET, ...; any letter case)\n"
    "                     or hours east of Greenwich, e.g. -5, 5.5 or 5:30, or a time-zone\n"
    "                     name (America/New_York: its offset on the date)\n"
    "  --lat DEG          geographic latitude, decimal degrees, north positive (-90..90)\n"
    "  --lon DEG          geographic longitude, decimal degrees, east positive (-180..180)\n"
    "  --transit          compute as the forecast's transit chart (planets and node only);\n"
    "                     without it every chart object is computed, eclipses included\n"
    "  --houses N         house system 0..11 (default 1): 0 topocentric, 1 Placidus,\n"
    "                     2 Regiomontanus, 3 Campanus, 4 Koch, 5 equal from the Ascendant,\n"
    "                     6 equal from the Midheaven, 7 solar, 8 east point, 9 twelve east\n"
    "                     points, 10 Morinus, 11 whole sign; beyond the polar circles a\n"
    "                     quadrant system gives way to 9, and the JSON names the one used\n"
    "  --sidereal-column N  column 0..17 of the sidereal offset table (default 1)\n"
    "  --topocentric      longitudes and latitudes of the Sun to Pluto as seen from the place\n"
    "The JSON also holds house_system (the name of the system used) and the settings. Its\n"
    "moments (moment, prev_eclipse_moment, next_eclipse_moment) are in Julian centuries of\n"
    "universal time from 1900 January 0.5 (JD 2415020.0); angles are in degrees.\n"
    "Its objects list every object number 0..39 in order, so that objects[n] is object n: numbers\n"
    "10..14 are slots of the chart record that no computation fills, always null.\n";

constexpr std::string_view kCommand = "chart";

// Digits only, two of them, from lo to hi.
bool ParseTwoDigits(const std::string& s, size_t at, int hi, int& out) {
  if (at + 2 > s.size() || s[at] < '0' || s[at] > '9' || s[at + 1] < '0' || s[at + 1] > '9')
    return false;
  out = (s[at] - '0') * 10 + (s[at + 1] - '0');
  return out <= hi;
}

// HH:MM or HH:MM:SS -> packed H.MMSS; a one-digit hour ("9:30") is read as people write it.
bool ParseTime(std::string s, double& hms) {
  if (!s.empty() && s.size() >= 2 && s[1] == ':') s.insert(0, "0");
  if (s.size() != 5 && s.size() != 8) return false;
  int h = 0, mi = 0, sec = 0;
  if (s[2] != ':' || !ParseTwoDigits(s, 0, 23, h) || !ParseTwoDigits(s, 3, 59, mi)) return false;
  if (s.size() == 8 && (s[5] != ':' || !ParseTwoDigits(s, 6, 59, sec))) return false;
  hms = h + mi / 100.0 + sec / 10000.0;
  return true;
}

}  // namespace

std::string ChartJson(const astro::ChartData& c, const astro::ChartSettings& settings) {
  Json objects = Json::array();
  for (int n = 0; n < astro::kObjectCount; ++n) {
    Json o = {{"number", n},
              {"name", astro::ObjectName(n)},
              {"longitude", JsonValue(c.Object[astro::kLongitude][n])},
              {"helio_longitude", JsonValue(c.Object[astro::kHelioLongitude][n])},
              {"sidereal_longitude", JsonValue(c.Object[astro::kSiderealLongitude][n])},
              {"node_distance", JsonValue(c.Object[astro::kNodeDistance][n])},
              {"declination_longitude", JsonValue(c.Object[astro::kDeclinationLongitude][n])},
              {"declination", JsonValue(c.Object[astro::kDeclination][n])}};
    if (n < astro::kPlanetCount) {
      o["latitude"] = JsonValue(c.Planet[astro::kLatitude][n]);
      o["right_ascension"] = JsonValue(c.Planet[astro::kRightAscension][n]);
      o["distance"] = JsonValue(c.Planet[astro::kDistance][n]);
      o["helio_latitude"] = JsonValue(c.Planet[astro::kHelioLatitude][n]);
      o["radius_vector"] = JsonValue(c.Planet[astro::kRadiusVector][n]);
      o["mundane_position"] = JsonValue(c.Planet[astro::kMundanePosition][n]);
      o["altitude"] = JsonValue(c.Planet[astro::kAltitude][n]);
      o["phase_angle"] = JsonValue(c.Planet[astro::kPhaseAngle][n]);
    }
    objects.push_back(std::move(o));
  }
  const Json doc = {
      {"moment", JsonValue(c.Moment)},
      {"prev_eclipse_moment", JsonValue(c.PrevEclipseMoment)},
      {"next_eclipse_moment", JsonValue(c.NextEclipseMoment)},
      {"house_system",
       astro::HouseSystemName(astro::EffectiveHouseSystem(settings.Houses, c.Event.PlaceLatitude))},
      {"settings",
       {{"houses", settings.Houses},
        {"sidereal_column", settings.SiderealColumn},
        {"topocentric", settings.Topocentric == 1}}},
      {"objects", std::move(objects)}};
  return JsonText(doc);
}

namespace {

// Writes the wheel to `path` unless that would destroy something (see CheckOutput).
int WriteSvg(const std::string& path, const std::string& svg, const std::vector<std::string>& inputs,
             bool force) {
  try {
    CheckOutput(path, kSvgPicture, inputs, force);
    data::WriteFileAtomically(path, svg);
  } catch (const data::OutputRefused& e) {
    return WorkFailed(kCommand, e.what());
  } catch (const std::exception& e) {
    return WorkFailed(kCommand, "cannot write " + path + ": " + e.what());
  }
  return 0;
}

// The first-trade chart of a security, as JSON or as a wheel (with transits, a bi-wheel).
int RunSecurityChart(std::string security, const std::string& dir_option, Zone zone,
                     const std::string& zone_name, const std::vector<std::string>& transits,
                     const std::string& svg, bool force) {
  auto usage = [](const std::string& why) { return UsageError(kCommand, why); };
  std::optional<host::LocalMoment> at;
  if (!transits.empty()) {
    if (svg.empty()) return usage("--transits draws a bi-wheel: give --svg FILE");
    host::LocalMoment m;
    std::string why;
    if (!ParseDate(transits[0], kFourDigitYears, m.year, m.month, m.day, why))
      return usage("--transits: " + why);
    if (!ParseTime(transits[1], m.clock))
      return usage("--transits: the time must be H:MM or H:MM:SS (hour 0-23), not '" + transits[1] + "'");
    if (!ZoneOnDate(zone, m.year, m.month, m.day, why)) return usage("--zone: '" + zone_name + "' " + why);
    m.zone = zone.packed;
    m.zone_name = zone_name;
    at = m;
  }
  SecurityOptions o;
  o.dir = dir_option;
  const std::string dir = ProgramDirOf(o);
  astro::ChartData natal;
  try {
    if (!LoadSecurity(kCommand, dir, security, natal)) return 1;
  } catch (const std::exception& e) {
    return WorkFailed(kCommand, e.what());
  }
  if (svg.empty()) return PrintOutput(ChartJson(natal, astro::kChartSettings));
  return WriteSvg(svg, host::SecurityWheelSvg(natal.Event, PrintedName(security), at),
                  ProgramDataFiles(dir), force);
}

}  // namespace

int RunChart(const Args& args) {
  std::string date, time, zone_text, lat, lon, security, dir, svg;
  std::vector<std::string> transits;
  bool transit = false, topocentric = false, force = false;
  astro::ChartSettings settings = astro::kChartSettings;
  CLI::App app{"", "stockdyn chart"};
  SetUpParser(app);
  auto* date_opt = app.add_option("--date", date);
  auto* time_opt = app.add_option("--time", time);
  app.add_option("--zone", zone_text);
  auto* lat_opt = app.add_option("--lat", lat);
  auto* lon_opt = app.add_option("--lon", lon);
  auto* transit_opt = app.add_flag("--transit", transit);
  auto* houses_opt =
      app.add_option("--houses", settings.Houses)->check(CLI::Range(0, astro::kHouseSystemCount - 1));
  auto* column_opt =
      app.add_option("--sidereal-column", settings.SiderealColumn)->check(CLI::Range(0, 17));
  auto* topo_opt = app.add_flag("--topocentric", topocentric);
  auto* security_opt = app.add_option("--security", security);
  auto* dir_opt = app.add_option("--dir", dir);
  auto* transits_opt = app.add_option("--transits", transits)->expected(2);
  app.add_option("--svg", svg);
  app.add_flag("--force", force);
  for (auto* o : {date_opt, time_opt, lat_opt, lon_opt, transit_opt, houses_opt, column_opt, topo_opt}) {
    security_opt->excludes(o);
  }
  dir_opt->needs(security_opt);
  transits_opt->needs(security_opt);
  if (const auto status = ParseArguments(app, args, kCommand, kChartUsage)) return *status;

  auto usage = [](const std::string& why) { return UsageError(kCommand, why); };
  Zone zone;
  std::string why;
  if (!zone_text.empty() && !ParseZone(zone_text, zone, why)) return usage(why);
  if (!security.empty() || security_opt->count() > 0)
    return RunSecurityChart(security, dir, zone, zone_text, transits, svg, force);

  for (auto [opt, name] : {std::pair{date_opt, "--date"}, {time_opt, "--time"}, {lat_opt, "--lat"},
                           {lon_opt, "--lon"}})
    if (opt->count() == 0) return usage(std::string(name) + " is required (or --security)");
  if (zone_text.empty()) return usage("--zone is required (or --security)");
  int y = 0, m = 0, d = 0;
  double clock = 0, lat_deg = 0, lon_deg = 0;
  if (!ParseDate(date, kAnyYear, y, m, d, why)) return usage("--date: " + why);
  if (!ParseTime(time, clock)) return usage("--time must be H:MM or H:MM:SS (hour 0-23), not '" + time + "'");
  if (!ZoneOnDate(zone, y, m, d, why)) return usage("--zone: '" + zone_text + "' " + why);
  if (!ParseNumber(lat, lat_deg) || std::fabs(lat_deg) > 90)
    return usage("--lat must be decimal degrees from -90 to 90, not '" + lat + "'");
  if (!ParseNumber(lon, lon_deg) || std::fabs(lon_deg) > 180)
    return usage("--lon must be decimal degrees from -180 to 180, not '" + lon + "'");

  settings.Topocentric = topocentric ? 1 : 0;
  astro::ChartData chart;
  chart.Event.Year = y;
  chart.Event.Month = m;
  chart.Event.Day = d;
  chart.Event.LocalTime = clock;
  chart.Event.Zone = zone.packed;
  chart.Event.PlaceLatitude = astro::DecimalToHms(lat_deg);
  chart.Event.PlaceLongitude = astro::DecimalToHms(lon_deg);

  bool done;
  if (transit) {
    // As the forecast run does: planets and node on, the moment set, then mode 1.
    for (int n = 0; n <= astro::kPluto; ++n) chart.ObjectOn[n] = 1;
    chart.ObjectOn[astro::kNorthNode] = 1;
    chart.Moment = chart.Event.UniversalMoment();
    done = ComputeChartWith(chart, astro::MomentSource::Moment, settings);
  } else {
    for (int n = 0; n < astro::kObjectCount; ++n) chart.ObjectOn[n] = astro::IsAllowedObject(n) ? 1 : 0;
    done = ComputeChartWith(chart, astro::MomentSource::LocalClock, settings);
  }
  if (!done) {
    std::fprintf(stderr, "stockdyn chart: the chart computation is busy\n");
    return 1;
  }
  if (!svg.empty()) {
    const host::LocalMoment at{y, m, d, clock, zone.packed, zone_text};
    return WriteSvg(svg, host::MomentWheelSvg(chart, settings.Houses, at, lat_deg, lon_deg), {}, force);
  }
  std::fputs(ChartJson(chart, settings).c_str(), stdout);
  return 0;
}

}  // namespace sd::cli
