// stockdyn study: what prices did around each kind of transit event, over a universe of price
// files, with a null that keeps the sky's base rates and a correction for every family tried.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/output_kinds.h"
#include "cli/security_options.h"
#include "cli/study_options.h"
#include "data/natal_db.h"
#include "eventstudy/document.h"
#include "eventstudy/partial.h"
#include "eventstudy/study.h"
#include "eventstudy/universe.h"
#include "forecast/model_value.h"
#include "forecast/natal.h"
#include "host/clock.h"
#include "study/prices.h"

namespace sd::cli {

namespace {

constexpr const char* kUsage =
    "usage: stockdyn study (--security NAME --prices FILE | --universe FILE) [--zone ZONE]\n"
    "                      [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--window K] [--horizon H]\n"
    "                      [--families LIST] [--min-events N] [--permutations B] [--seed S]\n"
    "                      [--random-natal R] [--details CSV] [--report HTML]\n"
    "                      [--format json|csv|text] [--threads N] [--model FILE] [--dir PROGRAMDIR]\n"
    "                      [--force] [--quiet] [--shard I/N --partial FILE]\n"
    "       stockdyn study merge PARTIAL... [--details CSV] [--report HTML] [--format json|csv|text]\n"
    "                      [--force]\n"
    "\n"
    "An event study: for every family of transit events (lunations, eclipses, stations, ingresses,\n"
    "aspects between transits, and transits to the natal chart of securities that have one) the\n"
    "mean abnormal log return on the K trading days either side of each event day (default 10),\n"
    "its cumulative curve and T, the sum over the event day and the H - 1 days after (default 5);\n"
    "for every state of the sky (the lunar half, each planet retrograde, each body in each sign)\n"
    "the mean abnormal return on days in it less that on the other days. p-values from B circular\n"
    "shifts of the returns (default 999), Benjamini-Hochberg q and Holm over every family with at\n"
    "least N observations (default 10); with --random-natal R the natal families' T over R charts\n"
    "cast within fifty years of each first trade.\n"
    "--universe: a CSV with the header label,security,prices (any order; security may be empty).\n"
    "--families: ids or their leading parts, separated by commas (lunation, aspect:5, natal,\n"
    "state:retrograde, ...); default all. --details writes one row per observation, --report an\n"
    "HTML page; neither replaces an input or a file of another kind unless --force is given.\n"
    "--model: the model whose sections each family's events drive (default PROGRAMDIR/stock.hyp).\n"
    "Output: JSON (default), CSV (a row per family or state) or text (the 20 best by q) on stdout.\n"
    "Progress goes to stderr when it is a terminal, unless --quiet. The same input and seed give\n"
    "the same output, whatever --threads.\n"
    "--shard I/N --partial FILE: run only shard I (0 to N-1) of N and write its partial result to\n"
    "FILE (nothing on stdout); every shard repeats the search for events, and shares out the\n"
    "circular shifts of the families and states and the random charts. 'study merge' reads the\n"
    "partial files of every shard, in any order, and writes what the study without --shard writes,\n"
    "byte for byte; it refuses partial files of another run (arguments, input files or program),\n"
    "a shard missing or given twice, and a truncated file.\n";

constexpr std::string_view kCommand = "study";
constexpr int kMaxWindow = 250;

struct Options {
  std::string security, prices, universe, zone_text, dir, model, format = "json";
  std::string from_text, to_text, families_text, details, report, shard_text, partial;
  int shard = 0, shards = 0;  // shards 0: the whole study
  std::optional<study::Date> from, to;
  bool force = false, quiet = false;
  Zone zone;
  eventstudy::StudySettings settings;
  std::vector<std::string> families;
};

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) out.push_back(item);
  return out;
}

constexpr int kMaxShards = 100000;

// "I/N": shard I (0-based) of N.
bool ParseShard(const std::string& text, int& index, int& count) {
  const size_t slash = text.find('/');
  if (slash == std::string::npos || slash == 0 || slash + 1 == text.size() || slash > 6 || text.size() - slash > 7)
    return false;
  const std::string i = text.substr(0, slash), n = text.substr(slash + 1);
  if (i.find_first_not_of("0123456789") != std::string::npos || n.find_first_not_of("0123456789") != std::string::npos)
    return false;
  index = std::stoi(i);
  count = std::stoi(n);
  return count >= 1 && count <= kMaxShards && index < count;
}

std::optional<int> ParseOptions(const Args& args, Options& o) {
  std::string seed_text;
  int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  eventstudy::StudySettings& s = o.settings;
  CLI::App app{"", "stockdyn study"};
  SetUpParser(app);
  app.add_option("--security", o.security);
  app.add_option("--prices", o.prices);
  app.add_option("--universe", o.universe);
  app.add_option("--zone", o.zone_text);
  app.add_option("--from", o.from_text);
  app.add_option("--to", o.to_text);
  app.add_option("--window", s.Window);
  app.add_option("--horizon", s.Horizon);
  app.add_option("--families", o.families_text);
  app.add_option("--min-events", s.MinEvents);
  app.add_option("--permutations", s.Permutations);
  app.add_option("--seed", seed_text);
  app.add_option("--random-natal", s.RandomNatal);
  app.add_option("--details", o.details);
  app.add_option("--report", o.report);
  app.add_option("--format", o.format);
  app.add_option("--threads", threads);
  app.add_option("--model", o.model);
  app.add_option("--dir", o.dir);
  app.add_flag("--force", o.force);
  app.add_flag("--quiet", o.quiet);
  app.add_option("--shard", o.shard_text);
  app.add_option("--partial", o.partial);
  if (const auto status = ParseArguments(app, args, kCommand, kUsage)) return status;

  auto usage = [](const std::string& why) { return UsageError(kCommand, why); };
  const bool single = !o.security.empty() || !o.prices.empty();
  if (single == !o.universe.empty())
    return usage("give either --security NAME with --prices FILE, or --universe FILE");
  if (single && (o.security.empty() || o.prices.empty())) return usage("--security and --prices go together");
  if (o.format != "json" && o.format != "csv" && o.format != "text")
    return usage("--format must be json, csv or text, not '" + o.format + "'");
  if (o.shard_text.empty() != o.partial.empty()) return usage("--shard and --partial go together");
  if (!o.shard_text.empty()) {
    if (!ParseShard(o.shard_text, o.shard, o.shards))
      return usage("--shard must be I/N with N from 1 to " + std::to_string(kMaxShards) +
                   " and I from 0 to N-1, not '" + o.shard_text + "'");
    if (!o.details.empty() || !o.report.empty() || app.count("--format"))
      return usage("--details, --report and --format go to 'stockdyn study merge', not to a shard");
  }
  std::string why;
  if (!o.zone_text.empty() && !ParseZone(o.zone_text, o.zone, why)) return usage(why);
  // One offset cannot hold over years of summer times: a time-zone name is no zone for a study.
  if (!o.zone.tz_name.empty())
    return usage("--zone: a time-zone name has no one offset over a price span; give hours east (-5)");
  s.Zone = o.zone.packed;
  if (const auto w = ReadDates({{"--from", o.from_text, o.from}, {"--to", o.to_text, o.to}})) return usage(*w);
  if (o.from && o.to && *o.from > *o.to) return usage("--from is after --to");
  if (s.Window < 1 || s.Window > kMaxWindow)
    return usage("--window must be from 1 to " + std::to_string(kMaxWindow));
  if (s.Horizon < 1 || s.Horizon > s.Window + 1)
    return usage("--horizon must be from 1 to the window plus one (" + std::to_string(s.Window + 1) + ")");
  if (s.MinEvents < 1) return usage("--min-events must be at least 1");
  if (const auto w = CheckNullSizes(s.Permutations, s.RandomNatal)) return usage(*w);
  if (threads < 1 || threads > 256) return usage("--threads must be from 1 to 256");
  s.Threads = threads;
  if (const auto w = ReadSeed(seed_text, s.Seed)) return usage(*w);
  if (!o.families_text.empty()) {
    o.families = SplitList(o.families_text);
    if (o.families.empty() || o.families_text.back() == ',' ||
        std::any_of(o.families.begin(), o.families.end(), [](const std::string& f) { return f.empty(); }))
      return usage("--families must be family ids or their leading parts, separated by commas");
    if (const std::string item = eventstudy::ItemChoosingNothing(o.families); !item.empty())
      return usage("--families: '" + item + "' names no family");
    s.Families = o.families;
  }
  return std::nullopt;
}

void LineProgress(const char* stage, int done, int total) {
  std::fprintf(stderr, "  study: %s %d/%d\n", stage, done, total);
  std::fflush(stderr);
}

// The price rows of [from, to].
study::PriceSeries Cut(study::PriceSeries p, std::optional<study::Date> from, std::optional<study::Date> to) {
  size_t a = 0, b = p.Dates.size();
  while (a < b && from && p.Dates[a] < *from) ++a;
  while (b > a && to && p.Dates[b - 1] > *to) --b;
  p.Dates = std::vector<study::Date>(p.Dates.begin() + static_cast<long>(a), p.Dates.begin() + static_cast<long>(b));
  p.Prices = std::vector<double>(p.Prices.begin() + static_cast<long>(a), p.Prices.begin() + static_cast<long>(b));
  return p;
}

// Where a study's program directory and model are.
struct StudyPaths {
  std::string dir, model;
};
StudyPaths PathsOf(const Options& o) {
  SecurityOptions paths;
  paths.dir = o.dir;
  paths.model = o.model;
  StudyPaths out;
  out.dir = ProgramDirOf(paths);
  out.model = ModelPathOf(paths, out.dir);
  return out;
}

// The series a study's options name, with the natal charts they point at.
struct LoadedStudy {
  std::vector<eventstudy::UniverseRow> rows;
  std::string universe_name;  // empty for --security with --prices
  std::vector<std::string> read;  // the files whose content makes the result
  std::deque<astro::ChartData> natals;
  std::vector<eventstudy::StudySeries> series;
};

void ReadRows(const Options& o, const StudyPaths& paths, LoadedStudy& l) {
  if (!o.universe.empty()) {
    l.rows = eventstudy::ReadUniverse(o.universe);
    l.universe_name = o.universe;
  } else {
    l.rows.push_back({PrintedName(o.security), o.security, o.prices, 0});
  }
  l.read = {paths.dir + data::kNatalFileName, paths.model};
  if (!o.universe.empty()) l.read.push_back(o.universe);
  for (const auto& r : l.rows) l.read.push_back(r.Prices);
}

// Needs the process started on the program directory (the natal database).
void LoadSeries(const Options& o, const StudyPaths& paths, LoadedStudy& l) {
  for (const auto& r : l.rows) {
    eventstudy::StudySeries s;
    s.Label = r.Label;
    // A price file's fault is told with the universe row that named the file, then where in the
    // file it lies.
    try {
      s.Prices = Cut(study::ReadPrices(r.Prices), o.from, o.to);
    } catch (const std::exception& e) {
      if (l.universe_name.empty()) throw;
      throw eventstudy::UniverseError(eventstudy::UniverseFault(l.universe_name, r.Line, "prices", e.what()));
    }
    if (s.Prices.Dates.size() < 2) {
      const std::string why = r.Prices + " has fewer than two prices in the span studied";
      if (l.universe_name.empty()) throw std::runtime_error(why);
      throw eventstudy::UniverseError(eventstudy::UniverseFault(l.universe_name, r.Line, "prices", why));
    }
    if (!r.Security.empty()) {
      l.natals.emplace_back();
      std::string name = r.Security;  // becomes the record's own name when only letter case differs
      if (const auto why = LoadSecurityOrWhy(paths.dir, name, l.natals.back())) {
        if (l.universe_name.empty()) throw std::runtime_error(*why);
        throw eventstudy::UniverseError(eventstudy::UniverseFault(l.universe_name, r.Line, "security", *why));
      }
      s.Natal = &l.natals.back();
      s.Security = PrintedName(name);
      if (l.universe_name.empty()) s.Label = s.Security;
    }
    l.series.push_back(std::move(s));
  }
}

// The study's arguments as a shard was given them, less the shard's own.
Args StudyArguments(const Args& args) {
  Args out;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--shard" || a == "--partial") {
      ++i;
      continue;
    }
    if (a.rfind("--shard=", 0) == 0 || a.rfind("--partial=", 0) == 0) continue;
    out.push_back(a);
  }
  return out;
}

// The details of a merged study: the observations are not in the partial files (they are the
// bulk of a study, and every shard finds them alike), so they are found again from the study's
// own arguments and inputs, which must still be the bytes the shards read.
std::string DetailsAgain(const eventstudy::Partial& first) {
  Options o;
  if (ParseOptions(first.StudyArgs, o))
    throw std::runtime_error("the study's arguments in the partial files no longer read");
  const StudyPaths paths = PathsOf(o);
  LoadedStudy l;
  ReadRows(o, paths, l);
  const std::string now = eventstudy::InputsFingerprint(l.read);
  if (now != first.Print.Inputs)
    throw std::runtime_error("--details: the study's input files changed since its shards ran (" +
                             eventstudy::FirstDifference(first.Print.Inputs, now) +
                             "); its observations cannot be found again");
  LoadSeries(o, paths, l);
  eventstudy::StudySettings settings = o.settings;
  settings.Permutations = 0;
  settings.RandomNatal = 0;
  const eventstudy::StudyShard observed = eventstudy::RunStudyShard(l.series, settings, 0, 1);
  return eventstudy::StudyDetails(first.Context, l.series, observed.Observed);
}

// The settings that make a study's result, one a line: the partial files of two runs merge only
// when these agree (--threads, --quiet and the outputs do not change the result).
std::string ArgumentsText(const Options& o, const std::string& dir, const std::string& model_path) {
  const eventstudy::StudySettings& s = o.settings;
  std::string out;
  auto line = [&](const char* name, const std::string& value) { out += std::string(name) + " " + value + "\n"; };
  line("--security", o.security);
  line("--prices", o.prices);
  line("--universe", o.universe);
  line("--zone", o.zone_text);
  line("--from", o.from_text);
  line("--to", o.to_text);
  line("--window", std::to_string(s.Window));
  line("--horizon", std::to_string(s.Horizon));
  line("--families", o.families_text);
  line("--min-events", std::to_string(s.MinEvents));
  line("--permutations", std::to_string(s.Permutations));
  line("--seed", std::to_string(s.Seed));
  line("--random-natal", std::to_string(s.RandomNatal));
  line("--model", model_path);
  line("--dir", dir);
  return out;
}

// What the study writes in the form asked: the document, and the details and report when asked.
struct Written {
  std::string out, details, report;
};
Written WriteStudy(const std::string& format, bool details, bool report, const eventstudy::StudyContext& c,
                   const std::vector<eventstudy::StudySeries>& series, const eventstudy::StudyResult& result) {
  Written w;
  if (format == "json")
    w.out = JsonText(eventstudy::StudyJson(c, series, result));
  else if (format == "csv")
    w.out = eventstudy::StudyCsv(result);
  else
    w.out = eventstudy::StudyText(c, series, result);
  if (details) w.details = eventstudy::StudyDetails(c, series, result);
  if (report) w.report = eventstudy::StudyHtml(c, series, result);
  return w;
}

// The details and the report when asked, then the document: each whole or none.
int WriteAll(std::string_view command, const std::string& details_path, const std::string& report_path,
             const Written& w) {
  std::vector<std::pair<std::string, std::string_view>> files;
  if (!details_path.empty()) files.emplace_back(details_path, w.details);
  if (!report_path.empty()) files.emplace_back(report_path, w.report);
  return WriteFilesThenPrint(command, files, w.out);
}

constexpr const char* kMergeUsage =
    "usage: stockdyn study merge PARTIAL... [--details CSV] [--report HTML] [--format json|csv|text]\n"
    "                            [--force]\n"
    "\n"
    "Merges the partial files of every shard of one study (written by 'stockdyn study ...\n"
    "--shard I/N --partial FILE'), given in any order, and writes what the study run whole writes:\n"
    "the document on stdout (JSON by default), --details and --report as the study writes them.\n"
    "Refused, exit 1: partial files of different runs (their arguments, input files or program\n"
    "differ), a shard missing or given twice, a truncated or damaged file.\n";

int RunMerge(const Args& args) {
  constexpr std::string_view kMerge = "study merge";
  std::vector<std::string> paths;
  std::string details, report, format = "json";
  bool force = false;
  CLI::App app{"", "stockdyn study merge"};
  SetUpParser(app);
  app.add_option("partials", paths);
  app.add_option("--details", details);
  app.add_option("--report", report);
  app.add_option("--format", format);
  app.add_flag("--force", force);
  if (const auto status = ParseArguments(app, args, kMerge, kMergeUsage)) return *status;
  if (paths.empty()) return UsageError(kMerge, "name the partial file of every shard");
  if (format != "json" && format != "csv" && format != "text")
    return UsageError(kMerge, "--format must be json, csv or text, not '" + format + "'");
  Written w;
  try {
    if (!details.empty()) CheckOutput(details, kStudyDetailsCsv, paths, force);
    if (!report.empty()) CheckOutput(report, kHtmlReport, paths, force);
    std::vector<std::pair<std::string, eventstudy::Partial>> partials;
    partials.reserve(paths.size());
    for (const std::string& p : paths) partials.emplace_back(p, eventstudy::ReadPartial(p));
    const eventstudy::MergedStudy merged = eventstudy::MergePartials(partials);
    w = WriteStudy(format, false, !report.empty(), merged.First->Context, merged.First->Series, merged.Result);
    if (!details.empty()) w.details = DetailsAgain(*merged.First);
  } catch (const std::exception& e) {
    return WorkFailed(kMerge, e.what());
  }
  return WriteAll(kMerge, details, report, w);
}

}  // namespace

int RunStudy(const Args& args) {
  if (!args.empty() && args.front() == "merge") return RunMerge(Args(args.begin() + 1, args.end()));
  Options o;
  if (const auto status = ParseOptions(args, o)) return *status;
  const StudyPaths paths = PathsOf(o);
  if (isatty(STDERR_FILENO) && !o.quiet) o.settings.Progress = LineProgress;

  Written written;
  std::string partial;
  try {
    LoadedStudy l;
    ReadRows(o, paths, l);
    // Refused before the work, not after it.
    std::vector<std::string> inputs = ProgramDataFiles(paths.dir);
    inputs.insert(inputs.end(), l.read.begin(), l.read.end());
    if (!o.details.empty()) CheckOutput(o.details, kStudyDetailsCsv, inputs, o.force);
    if (!o.report.empty()) CheckOutput(o.report, kHtmlReport, inputs, o.force);
    if (!o.partial.empty()) CheckOutput(o.partial, kStudyPartial, inputs, o.force);

    LoadSeries(o, paths, l);
    eventstudy::StudyContext c;
    c.ZoneName = o.zone_text;
    c.From = o.from_text;
    c.To = o.to_text;
    c.FamilyItems = o.families;
    c.Settings = o.settings;
    const auto model = forecast::LoadModel(paths.model);
    auto sections = [&](const std::vector<eventstudy::FamilyResult>& families) {
      for (const auto& f : families) c.Sections[f.Fam.Id] = eventstudy::SectionsDriven(f.Fam.Id, *model);
    };
    if (o.shards > 0) {
      eventstudy::Fingerprint print;
      print.Program = eventstudy::ProgramFingerprint(kVersion);
      print.Arguments = ArgumentsText(o, paths.dir, paths.model);
      print.Inputs = eventstudy::InputsFingerprint(l.read);
      const eventstudy::StudyShard shard = eventstudy::RunStudyShard(l.series, o.settings, o.shard, o.shards);
      sections(shard.Observed.Families);
      partial = eventstudy::PartialText(print, StudyArguments(args), c, l.series, shard);
    } else {
      const eventstudy::StudyResult result = eventstudy::RunStudy(l.series, o.settings);
      sections(result.Families);
      written = WriteStudy(o.format, !o.details.empty(), !o.report.empty(), c, l.series, result);
    }
  } catch (const std::exception& e) {
    return WorkFailed(kCommand, e.what());
  }
  if (o.shards > 0) return WriteFilesThenPrint(kCommand, {{o.partial, partial}}, "");
  return WriteAll(kCommand, o.details, o.report, written);
}

}  // namespace sd::cli
