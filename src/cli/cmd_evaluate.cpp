// stockdyn evaluate: the model against a price history of the security, with statistics a reader
// can recompute (see the README).
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "host/clock.h"
#include "host/process.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output_kinds.h"
#include "cli/json.h"
#include "cli/progress.h"
#include "cli/security_options.h"
#include "cli/study_options.h"
#include "forecast/model_value.h"
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
    "or Date,Close. ZONE: an abbreviation of the zone table or hours east (default: the\n"
    "security's own zone, that of its first-trade record; the output names the zone used).\n"
    "--model: another model file (default PROGRAMDIR/stock.hyp). --details writes the pairs as\n"
    "CSV, --report an HTML page with pictures; neither replaces an input, a data file of\n"
    "PROGRAMDIR or a file of another kind unless --force is given. Output: JSON (default) or a text table on stdout.\n"
    "The same input and seed give the same output.\n";

constexpr std::string_view kCommand = "evaluate";
constexpr int kMaxHorizon = 3660;

struct Options {
  SecurityOptions common;
  std::string prices, details, report;
  std::string horizons_text = "1,2,5,10,20";
  bool force = false;
  std::optional<study::Date> from, to;
  study::EvaluationOptions eval;
};

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
  std::string from, to, seed_text;
  int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  CLI::App app{"", "stockdyn evaluate"};
  SetUpParser(app);
  AddSecurityOptions(app, o.common);
  app.add_option("--prices", o.prices)->required();
  app.add_option("--from", from);
  app.add_option("--to", to);
  app.add_option("--horizons", o.horizons_text);
  app.add_option("--permutations", o.eval.Permutations);
  app.add_option("--random-natal", o.eval.RandomNatal);
  app.add_option("--seed", seed_text);
  app.add_option("--details", o.details);
  app.add_option("--report", o.report);
  app.add_option("--threads", threads);
  app.add_flag("--force", o.force);
  if (const auto status = ParseArguments(app, args, kCommand, kUsage)) return status;
  if (const auto status = CheckSecurityOptions(o.common, {"json", "text"}, kCommand))
    return status;
  if (const auto status = RefuseDatabaseZone(o.common, kCommand)) return status;

  auto usage = [](const std::string& why) { return UsageError(kCommand, why); };
  if (const auto why = ReadDates({{"--from", from, o.from}, {"--to", to, o.to}})) return usage(*why);
  if (o.from && o.to && *o.from > *o.to) return usage("--from is after --to");
  if (!ParseHorizons(o.horizons_text, o.eval.Horizons))
    return usage("--horizons must be whole numbers of days from 1 to " + std::to_string(kMaxHorizon) +
                 ", separated by commas");
  if (const auto why = CheckNullSizes(o.eval.Permutations, o.eval.RandomNatal)) return usage(*why);
  if (threads < 1 || threads > 256) return usage("--threads must be from 1 to 256");
  o.eval.Threads = threads;
  if (const auto why = ReadSeed(seed_text, o.eval.Seed)) return usage(*why);
  return std::nullopt;
}

}  // namespace

int RunEvaluate(const Args& args) {
  Options o;
  if (const auto status = ParseOptions(args, o)) return *status;
  const std::string dir = ProgramDirOf(o.common);
  const std::string model_path = ModelPathOf(o.common, dir);
  o.eval.Progress = ProgressBar("evaluating", "midnights");

  std::string out, details, report;
  try {
    // Refused before the work, not after it.
    const std::vector<std::string> inputs = StudyInputs(dir, model_path, o.prices);
    if (!o.details.empty()) CheckOutput(o.details, kDetailsCsv, inputs, o.force);
    if (!o.report.empty()) CheckOutput(o.report, kHtmlReport, inputs, o.force);
    const study::PriceSeries prices = study::ReadPrices(o.prices);
    if (prices.Dates.size() < 2) throw std::runtime_error(o.prices + ": fewer than two prices");
    const auto metrics = host::OpenMetricTable(dir);
    const auto charts = NewRequestCharts(host::LocalNow());
    astro::ChartData& natal = charts->Natal;
    if (!LoadSecurity(kCommand, dir, o.common.security, natal)) return 1;
    UseSecurityZoneUnlessGiven(o.common, natal);
    const auto model = forecast::LoadModel(model_path);
    const study::Date from = o.from.value_or(prices.Dates.front());
    const study::Date to = o.to.value_or(prices.Dates.back());
    const study::Evaluation ev = study::Evaluate(*model, natal, o.common.zone.packed,
                                                 metrics.get(), prices, from, to,
                                                 o.eval);
    // Figures of nothing are no result: a span without one evaluation date, or prices that never
    // move (no horizon has a correlation), stop the run instead of printing zeros.
    if (ev.Dates.empty())
      throw std::runtime_error(o.prices + ": no price date from " + study::FormatDate(from) + " to " +
                               study::FormatDate(to) + " has an earlier price date: nothing to evaluate");
    if (std::none_of(ev.Horizons.begin(), ev.Horizons.end(),
                     [](const study::HorizonResult& h) { return std::isfinite(h.Ic); }))
      throw std::runtime_error(o.prices + ": no horizon has a correlation to measure (the prices or the "
                               "forecast do not change over the span): nothing to evaluate");
    // A correlation of a handful of pairs is a figure of nothing too: a horizon is judged only
    // with the pairs its circular shifts need, twice the smallest shift.
    const auto enough = [](const study::HorizonResult& h) { return h.Pairs >= 2 * study::MinimumShift(h.Days); };
    if (std::none_of(ev.Horizons.begin(), ev.Horizons.end(), enough)) {
      const study::HorizonResult& most = *std::max_element(
          ev.Horizons.begin(), ev.Horizons.end(),
          [](const study::HorizonResult& a, const study::HorizonResult& b) { return a.Pairs < b.Pairs; });
      throw std::runtime_error(o.prices + ": too few pairs to judge: the most at any horizon is " +
                               std::to_string(most.Pairs) + " (" + std::to_string(most.Days) +
                               " days), and a horizon of h days needs at least twice max(20, h) (" +
                               std::to_string(2 * study::MinimumShift(most.Days)) + " here)");
    }
    study::EvaluationContext c;
    c.Security = PrintedName(o.common.security);
    c.ZoneName = o.common.zone_name;
    c.Zone = o.common.zone.packed;
    c.Model = model_path;
    c.Prices = &prices;
    c.Permutations = o.eval.Permutations;
    c.Seed = o.eval.Seed;
    out = o.common.format == "json" ? JsonText(study::EvaluationJson(c, ev))
                                    : study::EvaluationText(c, ev);
    if (!o.details.empty()) details = study::DetailsCsv(ev, prices, o.eval.Horizons);
    if (!o.report.empty()) report = study::EvaluationHtml(c, ev);
  } catch (const std::exception& e) {
    return WorkFailed(kCommand, e.what());
  }
  std::vector<std::pair<std::string, std::string_view>> files;
  if (!o.details.empty()) files.emplace_back(o.details, details);
  if (!o.report.empty()) files.emplace_back(o.report, report);
  return WriteFilesThenPrint(kCommand, files, out);
}

}  // namespace sd::cli
