// stockdyn fit: the model's weights fitted to a price history by ridge regression, judged only on
// dates the fit did not see, and written into a copy of the model whose WEIGHT values alone differ.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <thread>

#include "host/clock.h"
#include "host/process.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/progress.h"
#include "cli/security_options.h"
#include "data/text_escape.h"
#include "cli/study_options.h"
#include "cli/output_kinds.h"
#include "data/atomic_file.h"
#include "data/cp1251.h"
#include "forecast/model_value.h"
#include "study/evaluate.h"
#include "study/fit.h"
#include "study/fit_input.h"
#include "study/model_weights.h"
#include "study/prices.h"

namespace sd::cli {

namespace {

constexpr const char* kUsage =
    "usage: stockdyn fit --security NAME --prices FILE --horizon H [--out MODEL] [--zone ZONE]\n"
    "                    [--model FILE] [--dir PROGRAMDIR] [--train-from DATE] [--train-to DATE]\n"
    "                    [--test-from DATE] [--test-to DATE] [--folds K] [--ridge LAMBDA | --cv]\n"
    "                    [--permutations 999] [--random-natal K] [--seed N] [--format json|text]\n"
    "                    [--report HTML] [--threads N] [--force]\n"
    "\n"
    "Fits the weights of the model's events so that the forecast's change over H days predicts the\n"
    "log return over H days of the prices in FILE: ridge regression of the returns on each event's\n"
    "own change over H days, columns standardised, on the training span only (a date counts when\n"
    "its return window ends inside the span). The penalty is chosen by walk-forward validation\n"
    "inside the training span (--cv, the default) or fixed by --ridge. The fitted model is judged\n"
    "on the test span alone: rank correlation (IC), circular-shift permutation p-value, hit rate;\n"
    "--random-natal K repeats the whole fit for K charts drawn within fifty years of the true one.\n"
    "--folds K adds a walk-forward judgement over the whole span: K consecutive blocks, each\n"
    "predicted by a fit on all dates before it. --out MODEL writes the input model (default\n"
    "PROGRAMDIR/stock.hyp) with only its WEIGHT values changed: the fitted weights scaled so that the\n"
    "largest is as large as the model's largest; events whose change is constant over the training\n"
    "span get 0. Dates default: the whole price file, training on its first two thirds. MODEL\n"
    "replaces neither the input model, the prices nor a data file of PROGRAMDIR, nor an existing\n"
    "file that is not a model, unless --force is given. --report writes the same as an HTML page\n"
    "(nor does it replace an input or a file that is not HTML). --from and --to are --train-from\n"
    "and --test-to, the whole span, as evaluate names it. ZONE: an abbreviation of the zone table\n"
    "or hours east; without it the security's own zone, that of its first-trade record.\n";

constexpr std::string_view kCommand = "fit";

struct Options {
  SecurityOptions common;
  std::string prices, out;
  int horizon = 0;
  std::optional<study::Date> train_from, train_to, test_from, test_to;
  int folds = 0;
  std::string report;  // --report: the HTML page
  int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  std::optional<double> ridge;
  bool cv = false;
  int permutations = 999;
  int random_natal = 0;
  uint64_t seed = 20240101;
  bool force = false;
};

std::optional<int> ParseOptions(const Args& args, Options& o) {
  std::string seed_text, ridge_text;
  std::string dates[4];
  CLI::App app{"", "stockdyn fit"};
  SetUpParser(app);
  AddSecurityOptions(app, o.common);
  app.add_option("--prices", o.prices)->required();
  app.add_option("--horizon", o.horizon)->required();
  app.add_option("--out", o.out);
  app.add_option("--report", o.report);
  app.add_option("--threads", o.threads);
  app.add_flag("--force", o.force);
  // --from and --to name the whole span, as evaluate's do: the training's start, the test's end.
  app.add_option("--train-from,--from", dates[0]);
  app.add_option("--train-to", dates[1]);
  app.add_option("--test-from", dates[2]);
  app.add_option("--test-to,--to", dates[3]);
  app.add_option("--folds", o.folds);
  auto* ridge = app.add_option("--ridge", ridge_text);
  app.add_flag("--cv", o.cv)->excludes(ridge);
  app.add_option("--permutations", o.permutations);
  app.add_option("--random-natal", o.random_natal);
  app.add_option("--seed", seed_text);
  if (const auto status = ParseArguments(app, args, kCommand, kUsage)) return status;
  if (const auto status = CheckSecurityOptions(o.common, {"json", "text"}, kCommand))
    return status;
  if (const auto status = RefuseDatabaseZone(o.common, kCommand)) return status;
  auto usage = [](const std::string& why) { return UsageError(kCommand, why); };
  if (o.horizon < 1 || o.horizon > 3660) return usage("--horizon must be a whole number of days from 1 to 3660");
  if (const auto why = ReadDates({{"--train-from", dates[0], o.train_from},
                                  {"--train-to", dates[1], o.train_to},
                                  {"--test-from", dates[2], o.test_from},
                                  {"--test-to", dates[3], o.test_to}}))
    return usage(*why);
  if (!ridge_text.empty()) {
    double v = 0;
    if (!ParseNumber(ridge_text, v) || v < 0) return usage("--ridge must be a number >= 0");
    o.ridge = v;
  }
  if (o.folds < 0 || o.folds > 100) return usage("--folds must be from 0 to 100");
  if (o.threads < 1 || o.threads > 256) return usage("--threads must be from 1 to 256");
  if (const auto why = CheckNullSizes(o.permutations, o.random_natal)) return usage(*why);
  if (const auto why = ReadSeed(seed_text, o.seed)) return usage(*why);
  return std::nullopt;
}

Json Stats(const study::SignalStats& s, bool with_p) {
  Json j;
  j["pairs"] = s.Pairs;
  j["ic"] = JsonValue(s.Ic);
  if (with_p) j["p_value"] = JsonValue(s.PValue);
  j["hit_rate"] = JsonValue(s.HitRate);
  j["hits"] = s.Hits;
  j["hit_pairs"] = s.HitPairs;
  return j;
}

std::string Num(double v, const char* fmt = "%.4f") {
  if (!std::isfinite(v)) return "-";
  char buf[48];
  std::snprintf(buf, sizeof buf, fmt, v);
  return buf;
}

// The training and test spans and the fit's settings: the dates given, else training over the
// first two thirds of the prices and testing over the rest.
study::FitOptions FitSettings(const Options& o, const study::PriceSeries& prices) {
  study::FitOptions f;
  f.TrainFrom = o.train_from.value_or(prices.Dates.front());
  f.TestTo = o.test_to.value_or(prices.Dates.back());
  if (o.train_to) {
    f.TrainTo = *o.train_to;
  } else if (o.test_from) {
    f.TrainTo = *o.test_from - std::chrono::days{1};
  } else {
    f.TrainTo = prices.Dates[prices.Dates.size() * 2 / 3];
  }
  f.TestFrom = o.test_from.value_or(f.TrainTo + std::chrono::days{1});
  if (o.ridge) f.Ridge = o.ridge;
  f.Folds = o.folds;
  f.Permutations = o.permutations;
  f.Seed = o.seed;
  return f;
}

// The model's signals at the price dates for the natal chart, the fit, and with --random-natal
// the same fit's test IC for charts of random moments near the natal one.
study::FitResult FitToPrices(const Options& o, const study::PriceSeries& prices,
                             const study::FitOptions& f, const model::TEvList& unit,
                             const astro::ChartData& natal, const eval::TPlanetary_T* metrics) {
  const std::vector<study::Date> dates = study::EvaluationDates(prices, f.TrainFrom, f.TestTo);
  study::MidnightInputs mi;
  mi.Model = &unit;
  mi.Zone = o.common.zone.packed;
  mi.Metrics = metrics;
  mi.Threads = o.threads;
  study::MidnightRange(dates, prices, o.horizon, mi.First, mi.Last);
  // One bar over the true chart and every random one: each is a whole pass over the midnights.
  const auto bar = ProgressBar("fitting", "midnights");
  const int charts = 1 + o.random_natal;
  int chart = 0;
  if (bar) mi.Progress = [&](int done, int total) { bar(chart * total + done, charts * total); };
  const auto truth = study::ComputeMidnightSeries(mi, {natal}, true);
  const study::FitInput input = study::MakeFitInput(truth[0], prices, dates, o.horizon);
  study::FitResult r = study::Fit(input, f);
  if (o.random_natal > 0) {
    std::vector<Eigen::MatrixXd> random;
    for (astro::ChartMoment t : study::DrawNatalMoments(natal.Moment, o.random_natal, o.seed)) {
      ++chart;
      const auto series = study::ComputeMidnightSeries(mi, {study::NatalAt(natal, t)}, true);
      random.push_back(study::MakeFitInput(series[0], prices, dates, o.horizon).Signals);
    }
    r.RandomNatal = study::RandomNatalNull(input, f, r.Test.Ic, random);
  }
  return r;
}

struct ScaledWeights {
  double scale = 1;
  std::vector<study::WeightChange> changes;  // one per section, in the model's order
};

// Written weights: the fitted ones on the scale of the model's own largest weight.
ScaledWeights ScaleToModel(const std::vector<study::ModelSection>& sections,
                           const study::FitResult& r) {
  double largest_in = 0, largest_fit = 0;
  for (int j : r.Fitted) {
    largest_in = std::max(largest_in, std::abs(sections[static_cast<size_t>(j)].Weight));
    largest_fit = std::max(largest_fit, std::abs(r.Weights[static_cast<size_t>(j)]));
  }
  if (largest_in == 0) largest_in = 1;
  ScaledWeights w;
  w.scale = largest_fit > 0 ? largest_in / largest_fit : 1;
  // A penalty so large that every weight underflows (or a fit that did not converge to numbers)
  // leaves nothing to write that would be the model judged: refused, not written as zeros.
  if (!r.Fitted.empty() &&
      (!std::isfinite(largest_fit) || largest_fit < std::numeric_limits<double>::min() || !std::isfinite(w.scale)))
    throw std::runtime_error("the penalty " + Num(r.Model.Lambda, "%g") +
                             " shrinks every weight to zero or beyond what a double holds (largest fitted weight " +
                             Num(largest_fit, "%g") + "): nothing to write; choose a smaller --ridge");
  for (size_t e = 0; e < sections.size(); ++e) {
    const double weight = r.Weights[e] * w.scale;
    if (!std::isfinite(weight))
      throw std::runtime_error("the fitted weight of " + sections[e].Name + " is not a finite number: nothing to write");
    w.changes.push_back({sections[e].Name, weight});
  }
  return w;
}

Json FitDocument(const Options& o, const std::string& model_path, const study::FitOptions& f,
                 const study::FitResult& r, const std::vector<study::ModelSection>& sections,
                 const ScaledWeights& w, const study::RewriteResult& rw) {
  Json doc;
  doc["security"] = PrintedName(o.common.security);
  doc["zone"] = o.common.zone_name.empty() ? Json(nullptr) : Json(o.common.zone_name);
  doc["model"] = model_path;
  doc["out"] = o.out.empty() ? Json(nullptr) : Json(o.out);
  doc["prices"] = o.prices;
  doc["horizon"] = o.horizon;
  doc["train"] = {{"from", study::FormatDate(f.TrainFrom)}, {"to", study::FormatDate(f.TrainTo)}, {"pairs", r.TrainPairs}};
  doc["test"] = {{"from", study::FormatDate(f.TestFrom)}, {"to", study::FormatDate(f.TestTo)}};
  doc["fitted_weights"] = static_cast<int>(r.Fitted.size());
  doc["penalties_tried"] = r.PenaltiesTried;
  doc["penalty"] = r.Model.Lambda;
  doc["penalty_chosen_by"] = o.ridge ? "fixed" : "walk-forward validation";
  Json cv = Json::array();
  for (auto [lambda, ic] : r.CvIc) cv.push_back({{"penalty", lambda}, {"ic", JsonValue(ic)}});
  doc["validation"] = cv;
  doc["intercept"] = r.Model.Intercept;
  doc["scale"] = w.scale;
  doc["in_sample"] = Stats(r.InSample, false);
  doc["out_of_sample"] = Stats(r.Test, true);
  doc["out_of_sample"]["permutations"] = o.permutations;
  if (r.RandomNatal) {
    doc["out_of_sample"]["random_natal"] = {{"charts", r.RandomNatal->Charts}, {"ic_mean", JsonValue(r.RandomNatal->IcMean)},
                                           {"ic_sd", JsonValue(r.RandomNatal->IcSd)}, {"percentile", JsonValue(r.RandomNatal->Percentile)}};
  } else {
    doc["out_of_sample"]["random_natal"] = nullptr;
  }
  if (o.folds > 0) {
    Json folds = Json::array();
    for (const auto& b : r.Folds)
      folds.push_back({{"from", study::FormatDate(b.From)}, {"to", study::FormatDate(b.To)}, {"train_pairs", b.TrainPairs},
                       {"penalty", JsonValue(b.Lambda)}, {"pairs", b.Stats.Pairs}, {"ic", JsonValue(b.Stats.Ic)}});
    doc["folds"] = {{"blocks", folds}, {"joined", Stats(r.FoldsJoined, true)}};
  }
  Json ev = Json::array();
  for (int e = 0; e < static_cast<int>(sections.size()); ++e) {
    const bool fitted = std::find(r.Fitted.begin(), r.Fitted.end(), e) != r.Fitted.end();
    ev.push_back({{"section", data::Cp1251ToUtf8(sections[static_cast<size_t>(e)].Name)},
                  {"weight_in", sections[static_cast<size_t>(e)].Weight},
                  {"fitted", fitted ? JsonValue(r.Weights[static_cast<size_t>(e)]) : Json(nullptr)},
                  {"weight_out", std::stod(study::FormatWeight(w.changes[static_cast<size_t>(e)].Weight))},
                  {"left_out", fitted ? Json(nullptr) : Json("signal constant over the training span")}});
  }
  doc["events"] = ev;
  Json added = Json::array();
  for (const auto& a : rw.Added) added.push_back(data::Cp1251ToUtf8(a));
  doc["weight_lines_added"] = added;

  return doc;
}

// The report as text: spans, penalty, the statistics, the walk-forward blocks and the weights.
std::string FitText(const Options& o, const Json& doc, const study::FitOptions& f,
                    const study::FitResult& r) {
  const Json& ev = doc["events"];
  std::string t;
  t += "fit of " + doc["security"].get<std::string>() + " to " + o.prices + ", horizon " + std::to_string(o.horizon) + " days\n";
  t += "training " + study::FormatDate(f.TrainFrom) + " .. " + study::FormatDate(f.TrainTo) + " (" + std::to_string(r.TrainPairs) +
       " dates), test " + study::FormatDate(f.TestFrom) + " .. " + study::FormatDate(f.TestTo) + "\n";
  t += std::to_string(r.Fitted.size()) + " weights fitted, " + std::to_string(r.Constant.size()) + " events left out (constant), " +
       std::to_string(r.PenaltiesTried) + " penalties tried; penalty " + Num(r.Model.Lambda, "%g") + " (" +
       (o.ridge ? "fixed" : "walk-forward validation") + "), intercept " + Num(r.Model.Intercept, "%.6f") + "\n\n";
  t += "                 pairs      IC   p-value  hit rate\n";
  t += "in sample   " + Num(r.InSample.Pairs, "%10.0f") + "  " + Num(r.InSample.Ic, "%6.3f") + "         -  " + Num(r.InSample.HitRate, "%8.3f") + "\n";
  t += "test        " + Num(r.Test.Pairs, "%10.0f") + "  " + Num(r.Test.Ic, "%6.3f") + "  " + Num(r.Test.PValue, "%8.3f") + "  " + Num(r.Test.HitRate, "%8.3f") + "\n";
  if (r.RandomNatal)
    t += "random natal: " + std::to_string(r.RandomNatal->Charts) + " charts, test IC mean " + Num(r.RandomNatal->IcMean, "%.3f") +
         " sd " + Num(r.RandomNatal->IcSd, "%.3f") + ", true chart's percentile " + Num(r.RandomNatal->Percentile, "%.1f") + "\n";
  if (o.folds > 0) {
    t += "\nwalk-forward block          train  penalty   pairs      IC\n";
    for (const auto& b : r.Folds)
      t += study::FormatDate(b.From) + " .. " + study::FormatDate(b.To) + Num(b.TrainPairs, "%7.0f") + "  " + Num(b.Lambda, "%7g") +
           Num(b.Stats.Pairs, "%8.0f") + "  " + Num(b.Stats.Ic, "%6.3f") + "\n";
    t += "all blocks joined                          " + Num(r.FoldsJoined.Pairs, "%8.0f") + "  " + Num(r.FoldsJoined.Ic, "%6.3f") +
         "  p " + Num(r.FoldsJoined.PValue, "%.3f") + "\n";
  }
  t += "\n  weight in    fitted  weight out  section\n";
  for (const auto& e : ev) {
    t += Num(e["weight_in"].get<double>(), "%10.3f") + "  " + (e["fitted"].is_null() ? std::string("       -") : Num(e["fitted"].get<double>(), "%8.2e")) +
         "  " + Num(e["weight_out"].get<double>(), "%10.3f") + "  " + e["section"].get<std::string>() +
         (e["left_out"].is_null() ? "" : "  (left out: constant)") + "\n";
  }
  t += o.out.empty() ? "\nno --out: the fitted model was not written\n"
                     : "\nwritten to " + o.out + " (only WEIGHT values changed)\n";
  return t;
}

// The report as a page: what was fitted on what, the judgement of the test span first (the only
// figure that counts), then the walk-forward blocks and the weights.
std::string FitHtml(const Options& o, const Json& doc, const study::FitOptions& f, const study::FitResult& r) {
  auto esc = [](const std::string& s) { return data::EscapeHtml(s); };
  const std::string security = doc["security"].get<std::string>();
  std::string h = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Fit of " + esc(security) +
                  "</title>\n<style>body{font-family:sans-serif;margin:24px;color:#222;max-width:960px}"
                  "table{border-collapse:collapse;font-size:12px}td,th{border-bottom:1px solid #ddd;padding:3px 8px;"
                  "text-align:right}th:last-child,td:last-child{text-align:left}h2{font-size:16px;margin-top:28px}"
                  "</style>\n</head><body>\n";
  h += "<h1>" + esc(security) + ": weights fitted to its prices</h1>\n";
  h += "<p>Model " + esc(doc["model"].get<std::string>()) + ", prices " + esc(o.prices) + ", horizon " +
       std::to_string(o.horizon) + " days. Training " + study::FormatDate(f.TrainFrom) + " to " +
       study::FormatDate(f.TrainTo) + " (" + std::to_string(r.TrainPairs) + " dates), test " +
       study::FormatDate(f.TestFrom) + " to " + study::FormatDate(f.TestTo) + "; " +
       std::to_string(r.Fitted.size()) + " weights fitted, " + std::to_string(r.PenaltiesTried) +
       " penalties tried, penalty " + Num(r.Model.Lambda, "%g") + " (" +
       (o.ridge ? "fixed" : "walk-forward validation") + ").</p>\n";
  const bool held = std::isfinite(r.Test.PValue) && r.Test.PValue < 0.05 && r.Test.Ic > 0;
  h += "<p><strong>" +
       std::string(held ? "On the test span, which the fit never saw, the fitted weights rank the returns better than "
                          "the permutations do (p " + Num(r.Test.PValue, "%.3f") +
                          "). One span and one security are a lead, not a finding: judge it with --random-natal and on "
                          "other securities and periods."
                        : "On the test span, which the fit never saw, the fitted weights predict nothing chance would "
                          "not give (IC " + Num(r.Test.Ic, "%.3f") + ", permutation p " + Num(r.Test.PValue, "%.3f") +
                          "). The in-sample figure is not evidence: many weights on overlapping windows follow the "
                          "noise of the training years.") +
       "</strong></p>\n";
  h += "<h2>Judgement</h2>\n<table><tr><th>span</th><th>pairs</th><th>IC</th><th>p-value</th><th>hit rate</th><th></th></tr>\n";
  h += "<tr><td>in sample</td><td>" + Num(r.InSample.Pairs, "%.0f") + "</td><td>" + Num(r.InSample.Ic, "%.3f") +
       "</td><td>-</td><td>" + Num(r.InSample.HitRate, "%.3f") + "</td><td>what the fit saw</td></tr>\n";
  h += "<tr><td>test</td><td>" + Num(r.Test.Pairs, "%.0f") + "</td><td>" + Num(r.Test.Ic, "%.3f") + "</td><td>" +
       Num(r.Test.PValue, "%.3f") + "</td><td>" + Num(r.Test.HitRate, "%.3f") + "</td><td>the only line that counts</td></tr>\n";
  h += "</table>\n";
  if (r.RandomNatal)
    h += "<p>Random natal charts: " + std::to_string(r.RandomNatal->Charts) + ", test IC mean " +
         Num(r.RandomNatal->IcMean, "%.3f") + " sd " + Num(r.RandomNatal->IcSd, "%.3f") +
         "; the true chart's percentile " + Num(r.RandomNatal->Percentile, "%.1f") + ".</p>\n";
  if (o.folds > 0) {
    h += "<h2>Walk-forward blocks</h2>\n<table><tr><th>from</th><th>to</th><th>training pairs</th><th>penalty</th>"
         "<th>pairs</th><th>IC</th></tr>\n";
    for (const auto& b : r.Folds)
      h += "<tr><td>" + study::FormatDate(b.From) + "</td><td>" + study::FormatDate(b.To) + "</td><td>" +
           Num(b.TrainPairs, "%.0f") + "</td><td>" + Num(b.Lambda, "%g") + "</td><td>" + Num(b.Stats.Pairs, "%.0f") +
           "</td><td>" + Num(b.Stats.Ic, "%.3f") + "</td></tr>\n";
    h += "</table>\n<p>All blocks joined: " + Num(r.FoldsJoined.Pairs, "%.0f") + " pairs, IC " +
         Num(r.FoldsJoined.Ic, "%.3f") + ", p " + Num(r.FoldsJoined.PValue, "%.3f") + ".</p>\n";
  }
  h += "<h2>Weights</h2>\n<table><tr><th>weight in</th><th>fitted</th><th>weight out</th><th>section</th></tr>\n";
  for (const auto& e : doc["events"])
    h += "<tr><td>" + Num(e["weight_in"].get<double>(), "%.3f") + "</td><td>" +
         (e["fitted"].is_null() ? std::string("-") : Num(e["fitted"].get<double>(), "%.2e")) + "</td><td>" +
         Num(e["weight_out"].get<double>(), "%.3f") + "</td><td>" + esc(e["section"].get<std::string>()) +
         (e["left_out"].is_null() ? "" : " (left out: constant over the training span)") + "</td></tr>\n";
  h += "</table>\n<p>" +
       (o.out.empty() ? std::string("The fitted model was not written (no --out).")
                      : "The fitted model was written to " + esc(o.out) + " (only its WEIGHT values changed).") +
       "</p>\n</body></html>\n";
  return h;
}

}  // namespace

int RunFit(const Args& args) {
  Options o;
  if (const auto status = ParseOptions(args, o)) return *status;
  const std::string dir = ProgramDirOf(o.common);
  const std::string model_path = ModelPathOf(o.common, dir);
  std::string out, written, report;
  try {
    // Refused before the fit, not after it.
    if (!o.out.empty()) CheckOutput(o.out, kModelFile, StudyInputs(dir, model_path, o.prices), o.force);
    if (!o.report.empty()) CheckOutput(o.report, kHtmlReport, StudyInputs(dir, model_path, o.prices), o.force);
    const study::PriceSeries prices = study::ReadPrices(o.prices);
    if (prices.Dates.size() < 3) throw std::runtime_error(o.prices + ": fewer than three prices");
    const std::string text = data::ReadWholeFile(model_path);
    const std::vector<study::ModelSection> sections = study::AcceptedSections(model_path);
    if (sections.empty()) throw std::runtime_error(model_path + ": no event to fit");
    const study::FitOptions f = FitSettings(o, prices);

    const auto metrics = host::OpenMetricTable(dir);
    const auto charts = NewRequestCharts(host::LocalNow());
    astro::ChartData& natal = charts->Natal;
    if (!LoadSecurity(kCommand, dir, o.common.security, natal)) return 1;
    UseSecurityZoneUnlessGiven(o.common, natal);
    const auto unit = study::UnitWeightModel(text, sections);
    if (unit->Count() != static_cast<int>(sections.size())) throw std::runtime_error(model_path + ": the events changed while reading");

    const study::FitResult r = FitToPrices(o, prices, f, *unit, natal, metrics.get());
    // The test span is the only judgement: with fewer pairs than its circular shifts need, there
    // is none, and no model is written as if there were.
    if (r.Test.Pairs < 2 * study::MinimumShift(o.horizon))
      throw std::runtime_error(o.prices + ": too few pairs to judge: the test span has " + std::to_string(r.Test.Pairs) +
                               ", and a horizon of " + std::to_string(o.horizon) + " days needs at least " +
                               std::to_string(2 * study::MinimumShift(o.horizon)));
    const ScaledWeights w = ScaleToModel(sections, r);
    const study::RewriteResult rw = study::RewriteWeights(text, w.changes);
    written = rw.Text;
    const Json doc = FitDocument(o, model_path, f, r, sections, w, rw);
    out = o.common.format == "json" ? JsonText(doc) : FitText(o, doc, f, r);
    if (!o.report.empty()) report = FitHtml(o, doc, f, r);
  } catch (const std::exception& e) {
    return WorkFailed(kCommand, e.what());
  }
  try {
    if (!o.out.empty()) data::WriteFileAtomically(o.out, written);
    if (!o.report.empty()) {
      data::WriteFileAtomically(o.report, report);
      SayWritten(kCommand, o.report);
    }
  } catch (const std::exception& e) {
    return WorkFailed(kCommand, e.what());
  }
  return PrintOutput(out);
}

}  // namespace sd::cli
