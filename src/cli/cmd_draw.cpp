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
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output_kinds.h"
#include "render/forecast_picture.h"
#include "render/gif_output.h"
#include "render/value_series.h"
#include "data/trim.h"

namespace sd::cli {

namespace {

const char kDrawUsage[] =
    "usage: stockdyn draw --values FILE --start YYYY-MM-DD [--days N] [--zone ZONE] --out PATH\n"
    "                     [--force]\n"
    "\n"
    "Draws the values of FILE as the forecast picture is drawn (600x350, curve above a date axis)\n"
    "and writes it as GIF to PATH, its extension made \".gif\".\n"
    "  --values FILE   one value per line; an empty line or the word gap leaves a gap\n"
    "  --start DATE    the axis begins at local midnight of this day\n"
    "  --days N        days the axis covers (default 20)\n"
    "  --zone ZONE     an abbreviation of the zone table (EST, CET, ...; any letter case) or\n"
    "                  hours east of Greenwich, e.g. -5, 5.5 or 5:30, or a time-zone name\n"
    "                  (America/New_York: its offset on the start date) (default 0)\n"
    "  --out PATH      the picture file (x.png is written as x.gif, x as x.gif); an existing\n"
    "                  file there is replaced only when it is a GIF picture\n"
    "  --force         replace it whatever it is\n";

constexpr std::string_view kCommand = "draw";

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
    const std::string v(data::Trim(line, data::kSpaceTabCr));
    double x = 0;
    if (v.empty() || v == "gap") {
      list.Add(astro::NoValue);
    } else if (ParseNumber(v, x)) {
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
  std::string values_path, start_text, out_path, zone_text = "0";
  bool force = false;
  int days = 20;
  CLI::App app{"", "stockdyn draw"};
  SetUpParser(app);
  app.add_option("--values", values_path)->required();
  app.add_option("--start", start_text)->required();
  app.add_option("--days", days)->check(CLI::Range(1, 36600));
  app.add_option("--zone", zone_text);
  app.add_option("--out", out_path)->required();
  app.add_flag("--force", force);
  if (const auto status = ParseArguments(app, args, kCommand, kDrawUsage)) return *status;

  int year = 0, month = 0, day = 0;
  Zone zone;
  std::string why;
  if (!ParseDate(start_text, kFourDigitYears, year, month, day, why))
    return UsageError(kCommand, "--start: " + why);
  if (!ParseZone(zone_text, zone, why)) return UsageError(kCommand, why);
  if (!ZoneOnDate(zone, year, month, day, why)) return UsageError(kCommand, "--zone: '" + zone_text + "' " + why);

  const std::string target = render::ForceGifExtension(out_path);
  try {
    CheckOutput(target, kGifPicture, {values_path}, force);
  } catch (const data::OutputRefused& e) {
    std::fprintf(stderr, "stockdyn draw: %s\n", e.what());
    return 1;
  }
  render::TCorvDoubleList values;
  if (!ReadValues(values_path, values, why)) {
    std::fprintf(stderr, "stockdyn draw: %s\n", why.c_str());
    return 1;
  }
  const astro::ChartMoment start =
      astro::MomentFromDate(year, month, day, 0.0) - zone.hours * astro::DayInCenturies / 24;
  const astro::ChartMoment end = start + days * astro::DayInCenturies;
  const render::Canvas picture = render::DrawForecastPicture(values, start, end, zone.hours);
  if (!render::WriteGif(picture, target, &why)) {
    std::fprintf(stderr, "stockdyn draw: cannot write %s: %s\n", target.c_str(), why.c_str());
    return 1;
  }
  SayWritten("draw", target);
  return 0;
}

}  // namespace sd::cli
