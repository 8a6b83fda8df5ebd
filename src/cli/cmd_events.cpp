// stockdyn events: the transit events of a window or a span of years, each aspect with its passage
// through the orb, for a security's natal chart or the sky alone; or the aspects in orb at one
// moment.
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "astro/calendar.h"
#include "astro/chart.h"
#include "astro/moment.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/security_options.h"
#include "forecast/grid.h"
#include "forecast/report.h"
#include "host/clock.h"
#include "model/ev_list.h"
#include "timeline/document.h"
#include "timeline/events.h"

namespace sd::cli {

namespace {

constexpr const char* kUsage =
    "usage: stockdyn events (--security NAME | --sky) [--zone ZONE] [--date YYYY-MM-DD] [--days N]\n"
    "                       [--from YYYY-MM-DD --to YYYY-MM-DD] [--at YYYY-MM-DD H:MM]\n"
    "                       [--orb DEG] [--orb-moon DEG] [--kinds LIST] [--natal-only]\n"
    "                       [--bodies LIST] [--points LIST]\n"
    "                       [--dir PROGRAMDIR] [--model FILE] [--format json|csv|text|ics]\n"
    "\n"
    "Every transit event of a window, by moment: the transit bodies' aspects (0, 60, 90, 120, 180\n"
    "degrees) to NAME's natal planets, Ascendant and Midheaven and to one another, their sign\n"
    "ingresses, the planets' stations, New and Full Moons and solar eclipses, each with the model\n"
    "sections (aspect events) it drives. Moments are true universal time (Delta T from\n"
    "observation), to the second.\n"
    "\n"
    "Each aspect comes with its passage through the orb: when it comes within the orb (start),\n"
    "every moment it is exact (one, or three when a station makes it touch, turn back and touch\n"
    "again), when it leaves (end), and whether it perfects at all; one that comes within the orb\n"
    "and turns back before exactness is an event of its own at its closest approach. A start or\n"
    "end outside the window is searched as far as it lies, up to three years from the exact moment\n"
    "(beyond that it is null).\n"
    "\n"
    "  --security NAME  the natal chart (a name of Nyse.mil, another letter case, or a ticker)\n"
    "  --sky            no natal chart: the transit events only\n"
    "  --zone ZONE      an abbreviation of the zone table (EST, CET, ...), hours east of\n"
    "                   Greenwich (-5, 5.5, 5:30) or a time-zone name (America/New_York: its\n"
    "                   offset on the first day); default Greenwich. Days start at its midnight.\n"
    "  --date, --days   the window: N days (default 20, the forecast's; at most 366) from local\n"
    "                   midnight of the date (default today)\n"
    "  --from, --to     the window: whole days from the first date to the last, at most 100\n"
    "                   years; written as it is found, never held whole\n"
    "  --at DATE TIME   instead of a window: the aspects in orb at that local moment, applying\n"
    "                   or separating, with their separation from exact and their passage\n"
    "  --orb DEG        the orb of the passages, 0 to 10 degrees (default 1)\n"
    "  --orb-moon DEG   the orb of the Moon's aspects (default 1). Widen them to see an aspect\n"
    "                   build and fade as readers of transits count it: 1 degree keeps to the\n"
    "                   days around exactness (hours for the Moon), where most of the model's\n"
    "                   value is; 3 to 5 degrees for the slow planets' seasons of weeks or months\n"
    "  --kinds LIST     aspect,ingress,station,lunation,eclipse (default all)\n"
    "  --natal-only     only the aspects to the natal chart\n"
    "  --bodies LIST    transit bodies by name or number (Sun,Moon,...,Pluto; 0-9): an event\n"
    "                   is kept when its body, or either body of a pair, is listed\n"
    "  --points LIST    natal points (Sun..Pluto, Asc, MC; or 0-9, 18, 27)\n"
    "  --format         json (default), csv, text for people, or ics: an iCalendar file for a\n"
    "                   calendar program, one event each (the passage from exact to end)\n"
    "\n"
    "PROGRAMDIR holds Nyse.mil and stock.hyp (default: the program directory installed beside\n"
    "this tool, www/Exe); --model reads another model. Each event has an id, the same in every\n"
    "window that holds it; its numbers (body and other: the chart's object numbers, 18 the\n"
    "Ascendant, 27 the Midheaven; sign 1..12 from Aries) and their names; \"moment\" is in Julian\n"
    "centuries of universal time from 1900 January 0.5 (JD 2415020.0), \"utc\" and \"local\" the\n"
    "same as clock text.\n";

constexpr std::string_view kCommand = "events";
// 100 years of whole days.
constexpr int kMaxSpanDays = 36525;

struct Options {
  SecurityOptions common;
  bool sky = false;
  StartDay start;
  int days = 20;
  std::string from_text, to_text;
  std::vector<std::string> at;
  host::LocalDateTime at_moment;
  timeline::SearchOptions search;
};

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> out;
  std::string item;
  for (char c : text + ",") {
    if (c == ',') {
      if (!item.empty()) out.push_back(item);
      item.clear();
    } else if (c != ' ') {
      item += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
  }
  return out;
}

// An object number by name ("jupiter", "asc", "mc") or number; -1 for neither.
int ObjectOf(const std::string& item, bool points) {
  double n = 0;
  if (ParseNumber(item, n) && n == std::floor(n) && n >= 0 && n < astro::kObjectCount)
    return static_cast<int>(n);
  if (points && (item == "asc" || item == "ascendant")) return astro::kAscendant;
  if (points && (item == "mc" || item == "midheaven")) return astro::kMidheaven;
  for (int b = astro::kSun; b <= astro::kPluto; ++b) {
    std::string name = astro::ObjectName(b);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name == item) return b;
  }
  return -1;
}

std::optional<int> ReadOrb(const std::string& text, const char* option, double& out) {
  if (text.empty()) return std::nullopt;
  double v = 0;
  if (!ParseNumber(text, v) || !(v > 0) || v > timeline::kMaxOrb)
    return UsageError(kCommand, std::string(option) + " must be a number of degrees above 0 and at most 10, not '" +
                                    text + "'");
  out = v;
  return std::nullopt;
}

std::optional<int> ReadLists(const std::string& kinds, const std::string& bodies, const std::string& points,
                             timeline::SearchOptions& s) {
  if (!kinds.empty()) {
    s.Kinds = 0;
    static const char* const kKinds[] = {"aspect", "ingress", "station", "lunation", "eclipse"};
    for (const std::string& k : SplitList(kinds)) {
      int found = -1;
      for (int i = 0; i < 5; ++i)
        if (k == kKinds[i] || k == std::string(kKinds[i]) + "s") found = i;
      if (found < 0)
        return UsageError(kCommand, "--kinds: '" + k + "' is none of aspect, ingress, station, lunation, eclipse");
      s.Kinds |= 1u << found;
    }
  }
  if (!bodies.empty()) {
    s.Bodies.reset();
    for (const std::string& b : SplitList(bodies)) {
      const int n = ObjectOf(b, false);
      if (n < astro::kSun || n > astro::kPluto) return UsageError(kCommand, "--bodies: '" + b + "' is not a body from Sun to Pluto");
      s.Bodies.set(static_cast<size_t>(n));
    }
  }
  if (!points.empty()) {
    s.Points.reset();
    for (const std::string& p : SplitList(points)) {
      const int n = ObjectOf(p, true);
      bool target = false;
      for (int t : timeline::kNatalTargets) target = target || t == n;
      if (!target) return UsageError(kCommand, "--points: '" + p + "' is not a natal point (Sun..Pluto, Asc, MC)");
      s.Points.set(static_cast<size_t>(n));
    }
  }
  return std::nullopt;
}

// H:MM or H:MM:SS as "HH:MM:SS".
std::string FullClock(std::string s) {
  if (s.size() >= 2 && s[1] == ':') s.insert(0, "0");
  if (s.size() == 5) s += ":00";
  return s;
}

// Whole days from one date to another, both counted.
int DaysBetween(int y1, int m1, int d1, int y2, int m2, int d2) {
  return static_cast<int>(std::lround((astro::MomentFromDate(y2, m2, d2, 0) - astro::MomentFromDate(y1, m1, d1, 0)) / astro::DayInCenturies)) + 1;
}

std::optional<int> ParseOptions(const Args& args, const host::LocalDateTime& now, Options& o) {
  std::string days_text, orb_text, moon_text, kinds, bodies, points;
  bool natal_only = false;
  CLI::App app{"", "stockdyn events"};
  SetUpParser(app);
  AddSecurityOptions(app, o.common);
  app.get_option("--security")->required(false);
  app.add_flag("--sky", o.sky);
  AddStartDay(app, o.start);
  app.add_option("--days", days_text);
  app.add_option("--from", o.from_text);
  app.add_option("--to", o.to_text);
  app.add_option("--at", o.at)->expected(2);
  app.add_option("--orb", orb_text);
  app.add_option("--orb-moon", moon_text);
  app.add_option("--kinds", kinds);
  app.add_flag("--natal-only", natal_only);
  app.add_option("--bodies", bodies);
  app.add_option("--points", points);
  if (const auto status = ParseArguments(app, args, kCommand, kUsage)) return status;
  if (o.sky == !o.common.security.empty())
    return UsageError(kCommand, o.sky ? "--sky and --security exclude each other" : "give --security NAME or --sky");
  if (o.sky && natal_only) return UsageError(kCommand, "--natal-only needs --security");
  if (const auto status = CheckSecurityOptions(o.common, {"json", "csv", "text", "ics"}, kCommand)) return status;
  const bool span = !o.from_text.empty() || !o.to_text.empty();
  if (span && (o.from_text.empty() || o.to_text.empty())) return UsageError(kCommand, "--from and --to go together");
  if (span && (!o.start.text.empty() || !days_text.empty()))
    return UsageError(kCommand, "--from/--to and --date/--days exclude each other");
  if (!o.at.empty() && (span || !o.start.text.empty() || !days_text.empty()))
    return UsageError(kCommand, "--at asks about one moment: it takes no window (--date, --days, --from, --to)");
  if (!o.at.empty()) {
    if (!ParseLocalDateTime(o.at[0] + " " + FullClock(o.at[1]), o.at_moment))
      return UsageError(kCommand, "--at must be a date YYYY-MM-DD and a time H:MM[:SS], not '" + o.at[0] + " " + o.at[1] + "'");
    o.start.text = o.at[0];
  }
  if (span) o.start.text = o.from_text;
  if (const auto status = CheckStartDay(o.start, now, kCommand)) return status;
  if (const auto status = CheckZoneOnStartDay(o.common, o.start, kCommand)) return status;
  if (span) {
    int y = 0, m = 0, d = 0;
    std::string why;
    if (!ParseDate(o.to_text, kFourDigitYears, y, m, d, why)) return UsageError(kCommand, "--to: " + why);
    const int days = DaysBetween(o.start.year, o.start.month, o.start.day, y, m, d);
    if (days < 1) return UsageError(kCommand, "--to must not come before --from");
    if (days > kMaxSpanDays) return UsageError(kCommand, "--from to --to spans at most 100 years (36525 days)");
    o.days = days;
  }
  if (!days_text.empty()) {
    double days = 0;
    if (!ParseNumber(days_text, days) || days != static_cast<int>(days) || days < 1 ||
        days > timeline::kMaxWindowDays)
      return UsageError(kCommand,
                        "--days must be a whole number from 1 to " +
                            std::to_string(timeline::kMaxWindowDays) + ", not '" + days_text + "'");
    o.days = static_cast<int>(days);
  }
  if (const auto status = ReadOrb(orb_text, "--orb", o.search.Orb)) return status;
  if (const auto status = ReadOrb(moon_text, "--orb-moon", o.search.MoonOrb)) return status;
  if (const auto status = ReadLists(kinds, bodies, points, o.search)) return status;
  o.search.Transits = !natal_only;
  o.search.Passages = true;
  return std::nullopt;
}

bool Readable(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), R_OK) == 0;
}

// --at: the aspects in orb at one local moment.
int PrintInOrb(const Options& o, const timeline::WindowHead& head, const astro::ChartData* natal,
               const model::TEvList& model) {
  const host::LocalDateTime& a = o.at_moment;
  const astro::ChartMoment t = forecast::LocalMidnight(a.year, a.month, a.day, o.common.zone.packed) +
                        (a.hour + a.minute / 60.0 + a.second / 3600.0) * astro::DayInCenturies / 24;
  std::vector<timeline::InOrb> found = timeline::AspectsInOrbAt(natal, t, o.search);
  std::vector<timeline::Event> events;
  for (const timeline::InOrb& in : found) events.push_back(in.Aspect);
  timeline::AttachDrivers(model, events);
  const std::string when = timeline::UtcText(t);
  const std::string local = timeline::LocalText(t, head.Zone);
  if (o.common.format == "text") {
    std::string out = (head.Security.empty() ? std::string() : head.Security + ": ") + "aspects in orb at " + local +
                      " (local time, zone " + forecast::CsvNumber(head.Zone) + "; " + timeline::TimeScaleText() + ")\n";
    for (size_t i = 0; i < found.size(); ++i) {
      const timeline::Passage& p = *events[i].Pass;
      char sep[32];
      std::snprintf(sep, sizeof sep, "%+.2f", found[i].Separation);
      out += timeline::EventName(events[i]) + "  " + timeline::MotionName(found[i].State) + ", " + sep +
             " degrees; in orb " + (astro::IsValue(p.Start) ? timeline::LocalText(p.Start, head.Zone) : "?") + " .. " +
             (astro::IsValue(p.End) ? timeline::LocalText(p.End, head.Zone) : "?") +
             (p.Perfects() ? "" : ", does not perfect") + "\n";
    }
    return PrintOutput(out);
  }
  if (o.common.format != "json") return UsageError(kCommand, "--at prints json or text");
  Json list = Json::array();
  for (size_t i = 0; i < found.size(); ++i) {
    Json j = timeline::EventJson(head, events[i], model);
    // The id names the passage by its exact moment nearest the moment asked about (or its closest
    // approach), as the window's events do.
    timeline::Event named = events[i];
    const timeline::Passage& p = *named.Pass;
    if (!p.Exact.empty()) {
      named.Moment = p.Exact.front();
      for (astro::ChartMoment x : p.Exact)
        if (std::fabs(x - t) < std::fabs(named.Moment - t)) named.Moment = x;
    } else if (astro::IsValue(p.Closest)) {
      named.Moment = p.Closest;
    }
    j["id"] = timeline::EventId(named);
    j["state"] = timeline::MotionName(found[i].State);
    j["separation"] = found[i].Separation;
    list.push_back(std::move(j));
  }
  Json doc = {{"security", head.Security}, {"zone", head.Zone}, {"at", when}, {"at_local", local},
              {"time_scale", timeline::TimeScaleText()}, {"orbs", {{"orb", head.Orb}, {"moon", head.MoonOrb}}},
              {"aspects", std::move(list)}, {"warnings", head.Warnings}};
  return PrintOutput(JsonText(doc));
}

}  // namespace

int RunEvents(const Args& args) {
  Options o;
  if (const auto status = ParseOptions(args, host::LocalNow(), o)) return *status;
  const std::string dir = ProgramDirOf(o.common);
  const std::string model_path = ModelPathOf(o.common, dir);
  // The model loader reads a missing file as an empty model; here that would silently list
  // no sections at all.
  if (!Readable(model_path)) return WorkFailed(kCommand, "cannot read the model " + model_path);

  auto natal = std::make_unique<astro::ChartData>();
  model::TEvList model;
  try {
    if (!o.sky && !LoadSecurity(kCommand, dir, o.common.security, *natal)) return 1;
    model.Load(model_path);
  } catch (const std::exception& e) {
    return WorkFailed(kCommand, e.what());
  }
  const astro::ChartData* chart = o.sky ? nullptr : natal.get();

  timeline::WindowHead head =
      timeline::DayWindow(o.sky ? std::string() : PrintedName(o.common.security), o.common.zone.packed, o.start.year,
                          o.start.month, o.start.day, o.days, chart ? chart->Moment : astro::kNoMoment);
  head.Orb = o.search.Orb;
  head.MoonOrb = o.search.MoonOrb;
  for (const std::string& w : head.Warnings) std::fprintf(stderr, "stockdyn events: warning: %s\n", w.c_str());
  if (!o.at.empty()) return PrintInOrb(o, head, chart, model);

  const timeline::EventsFormat format = o.common.format == "csv"    ? timeline::EventsFormat::kCsv
                                        : o.common.format == "text" ? timeline::EventsFormat::kText
                                        : o.common.format == "ics"  ? timeline::EventsFormat::kIcs
                                                                    : timeline::EventsFormat::kJson;
  timeline::EventsWriter writer(head, model, format, [](const std::string& piece) {
    std::fwrite(piece.data(), 1, piece.size(), stdout);
  });
  timeline::ForEachChunk(chart, o.search, head.From, head.To, [&](std::vector<timeline::Event>& events) {
    timeline::AttachDrivers(model, events);
    writer.Add(events);
  });
  writer.Finish();
  return std::fflush(stdout) == 0 ? 0 : WorkFailed(kCommand, "cannot write the output");
}

}  // namespace sd::cli
