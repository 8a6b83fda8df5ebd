// stockdyn evaluate: the model against a price history of the security, with statistics a reader
// can recompute (see the README).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "astro/calendar.h"
#include "host/clock.h"
#include "host/process.h"
#include "host/program_dir.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output_kinds.h"
#include "cli/json.h"
#include "data/atomic_file.h"
#include "data/cp1251.h"
#include "forecast/model_value.h"
#include "forecast/natal.h"
#include "study/evaluate.h"
#include "study/prices.h"
#include "study/report.h"

namespace sd::cli {

namespace {

constexpr const char* kUsage =
    "usage: stockdyn evaluate --security NAME --prices FILE [--zone ZONE] [--from YYYY-MM-DD]\n"
    "                         [--to YYYY-MM-DD] [--model FILE] [--dir PROGRAMDIR]\n"
    "                         [--horizons 1,2,5,10,20] [--permutations 999] [--random-natal K]\n"
    "                         [--seed N] [--details CSV] [--report HTML] [--format json|text]\n"
    "                         [--threads N] [--force]\n"
    "\n"
    "Judges the model's forecast of NAME against the daily prices in FILE: for each horizon of h\n"
    "days, the rank correlation (IC) of the forecast's change over h days from local midnight of\n"
    "each price date with the log return that followed, its circular-shift permutation p-value,\n"
    "Holm's correction over the horizons, hit rate and quintile returns; with --random-natal K the\n"
    "same for K natal charts drawn within fifty years of the true one; each event's IC, p-value and\n"
    "Benjamini-Hochberg q-value. FILE: Date,Open,High,Low,Close,Adj Close,Volume (Yahoo),\n"
    "Date,Open,High,Low,Close,Volume, MetaStock ASCII (<TICKER>,<DTYYYYMMDD>,...,<CLOSE>,<VOL>)\n"
    "or Date,Close. ZONE: an abbreviation of the zone table or hours east (default Greenwich).\n"
    "--model: another model file (default PROGRAMDIR/stock.hyp). --details writes the pairs as\n"
    "CSV, --report an HTML page with pictures; neither replaces an input, a data file of\n"
    "PROGRAMDIR or a file of another kind unless --force is given. Output: JSON (default) or a text table on stdout.\n"
    "The same input and seed give the same output.\n";

constexpr std::string_view kCommand = "evaluate";
constexpr int kMaxHorizon = 3660;
constexpr int kMaxPermutations = 1000000;
constexpr int kMaxRandomNatal = 10000;

struct Options {
  std::string security, prices, model, dir, details, report, format = "json";
  std::string horizons_text = "1,2,5,10,20";
  bool force = false;
  Zone zone;
  std::string zone_name;
  std::optional<study::Date> from, to;
  study::EvaluationOptions eval;
};

std::string DefaultProgramDir() { return JoinProgramDir(ProgramDir(""), "www/Exe"); }

bool ParseHorizons(const std::string& text, std::vector<int>& out) {
  out.clear();
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    if (item.empty() || item.find_first_not_of("0123456789") != std::string::npos || item.size() > 5) return false;
    const int h = std::stoi(item);
    if (h < 1 || h > kMaxHorizon) return false;
    if (std::find(out.begin(), out.end(), h) == out.end()) out.push_back(h);
  }
  return !out.empty() && text.back() != ',';
}

std::optional<int> ParseOptions(const Args& args, Options& o) {
  std::string zone_text, from, to, seed_text;
  int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  CLI::App app{"", "stockdyn evaluate"};
  SetUpParser(app);
  app.add_option("--security", o.security)->required();
  app.add_option("--prices", o.prices)->required();
  app.add_option("--zone", zone_text);
  app.add_option("--from", from);
  app.add_option("--to", to);
  app.add_option("--model", o.model);
  app.add_option("--dir", o.dir);
  app.add_option("--horizons", o.horizons_text);
  app.add_option("--permutations", o.eval.Permutations);
  app.add_option("--random-natal", o.eval.RandomNatal);
  app.add_option("--seed", seed_text);
  app.add_option("--details", o.details);
  app.add_option("--report", o.report);
  app.add_option("--format", o.format);
  app.add_option("--threads", threads);
  app.add_flag("--force", o.force);
  if (const auto status = ParseArguments(app, args, kCommand, kUsage)) return status;

  auto usage = [](const std::string& why) { return UsageError(kCommand, why, kUsage); };
  if (o.format != "json" && o.format != "text") return usage("--format must be json or text");
  std::string why;
  if (!zone_text.empty() && !ParseZone(zone_text, o.zone, why)) return usage(why);
  o.zone_name = zone_text;
  for (auto [text, dest, name] : {std::tuple{&from, &o.from, "--from"}, std::tuple{&to, &o.to, "--to"}}) {
    if (text->empty()) continue;
    study::Date d;
    if (!study::ParseDate(*text, false, d)) return usage(std::string(name) + " must be a date YYYY-MM-DD, not '" + *text + "'");
    *dest = d;
  }
  if (o.from && o.to && *o.from > *o.to) return usage("--from is after --to");
  if (!ParseHorizons(o.horizons_text, o.eval.Horizons))
    return usage("--horizons must be whole numbers of days from 1 to " + std::to_string(kMaxHorizon) +
                 ", separated by commas");
  if (o.eval.Permutations < 0 || o.eval.Permutations > kMaxPermutations)
    return usage("--permutations must be from 0 to " + std::to_string(kMaxPermutations));
  if (o.eval.RandomNatal < 0 || o.eval.RandomNatal > kMaxRandomNatal)
    return usage("--random-natal must be from 0 to " + std::to_string(kMaxRandomNatal));
  if (threads < 1 || threads > 256) return usage("--threads must be from 1 to 256");
  o.eval.Threads = threads;
  if (!seed_text.empty()) {
    if (seed_text.find_first_not_of("0123456789") != std::string::npos || seed_text.size() > 19)
      return usage("--seed must be a whole number from 0 to 9999999999999999999");
    o.eval.Seed = std::stoull(seed_text);
  }
  return std::nullopt;
}

// The bar on stderr, redrawn in place; only when stderr is a terminal.
void DrawProgress(int done, int total) {
  constexpr int kWidth = 40;
  const int filled = total ? static_cast<int>(static_cast<long long>(kWidth) * done / total) : kWidth;
  std::fprintf(stderr, "\r  evaluating [%s%s] %d/%d midnights", std::string(filled, '#').c_str(),
               std::string(kWidth - filled, '.').c_str(), done, total);
  if (done == total) std::fputc('\n', stderr);
  std::fflush(stderr);
}

struct ProcessScope {
  ProcessScope(const LocalDateTime& now, const std::string& dir) { StartUp(now, dir); }
  ~ProcessScope() { CleanUp(); }
  ProcessScope(const ProcessScope&) = delete;
  ProcessScope& operator=(const ProcessScope&) = delete;
};

}  // namespace

int RunEvaluate(const Args& args) {
  Options o;
  if (const auto status = ParseOptions(args, o)) return *status;
  const std::string dir = JoinProgramDir(o.dir.empty() ? DefaultProgramDir() : o.dir, "");
  const std::string model_path = o.model.empty() ? dir + forecast::kModelFileName : o.model;
  if (isatty(STDERR_FILENO)) o.eval.Progress = DrawProgress;

  std::string out, details, report;
  try {
    // Refused before the work, not after it.
    std::vector<std::string> inputs = ProgramDataFiles(dir);
    inputs.insert(inputs.end(), {model_path, o.prices});
    if (!o.details.empty()) CheckOutput(o.details, kDetailsCsv, inputs, o.force);
    if (!o.report.empty()) CheckOutput(o.report, kHtmlReport, inputs, o.force);
    const study::PriceSeries prices = study::ReadPrices(o.prices);
    if (prices.Dates.size() < 2) throw std::runtime_error(o.prices + ": fewer than two prices");
    ProcessScope process(LocalNow(), dir);
    ChartData& natal = ChartSlots()[0];
    const std::string stored_name = Utf8ToCp1251(o.security).value_or(o.security);
    if (!forecast::LoadNatalChart(dir, stored_name, natal)) {
      std::fprintf(stderr, "stockdyn evaluate: no security named '%s' in %sNyse.mil\n", o.security.c_str(),
                   dir.c_str());
      return 1;
    }
    const auto model = forecast::LoadModel(model_path);
    const study::Date from = o.from.value_or(prices.Dates.front());
    const study::Date to = o.to.value_or(prices.Dates.back());
    const study::Evaluation ev = study::Evaluate(*model, natal, o.zone.packed, Process().metric_table.get(), prices,
                                                 from, to, o.eval);
    study::EvaluationContext c;
    c.Security = Utf8ToCp1251(o.security) ? o.security : Cp1251ToUtf8(o.security);
    c.ZoneName = o.zone_name;
    c.Zone = o.zone.packed;
    c.Model = model_path;
    c.Prices = &prices;
    c.Permutations = o.eval.Permutations;
    c.Seed = o.eval.Seed;
    out = o.format == "json" ? JsonText(study::EvaluationJson(c, ev)) : study::EvaluationText(c, ev);
    if (!o.details.empty()) details = study::DetailsCsv(ev, prices, o.eval.Horizons);
    if (!o.report.empty()) report = study::EvaluationHtml(c, ev);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "stockdyn evaluate: %s\n", e.what());
    return 1;
  }
  // The files first, each whole or not at all: a failure leaves nothing on stdout.
  try {
    std::vector<std::pair<std::string, std::string_view>> files;
    if (!o.details.empty()) files.emplace_back(o.details, details);
    if (!o.report.empty()) files.emplace_back(o.report, report);
    if (!files.empty()) WriteFilesAtomically(files);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "stockdyn evaluate: %s\n", e.what());
    return 1;
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

}  // namespace sd::cli
