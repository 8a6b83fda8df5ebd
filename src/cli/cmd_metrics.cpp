// stockdyn metrics: builds the planet-pair metric table ("Metrics.dat") from this system's own
// theory of motion.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output_kinds.h"
#include "cli/metric_build.h"

namespace sd::cli {

namespace {

constexpr const char* kUsage =
    "usage: stockdyn metrics build OUT [--pairs a-b,c-d,...] [--force]\n"
    "\n"
    "Writes the planet-pair metric table to OUT (the program reads it as Metrics.dat in its\n"
    "directory). For each pair a-b of planets 0..9 (0 Sun, 1 Moon, 2 Mercury .. 9 Pluto;\n"
    "default: all 45 pairs with a < b) one record holds the geocentric apparent longitude of b\n"
    "minus that of a at 0h UT of every day from 1800 January 1 for 120000 days, unwrapped so\n"
    "that full turns accumulate: about 0.96 MB per pair. OUT is replaced only when the new\n"
    "table is whole, and only when it is a metric table (or empty) unless --force is given.\n";

constexpr std::string_view kCommand = "metrics";

// One line on stderr redrawn in place; only on a terminal.
class ProgressBar {
 public:
  ProgressBar() : on_(::isatty(STDERR_FILENO) == 1) {}
  ~ProgressBar() { Finish(); }

  void Show(int done, int total) {
    if (!on_ || total <= 0) return;
    const int percent = static_cast<int>(100LL * done / total);
    if (percent == last_) return;
    last_ = percent;
    constexpr int kWidth = 40;
    const int filled = kWidth * percent / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
                 std::string(kWidth - filled, ' ').c_str(), percent);
    std::fflush(stderr);
    drawn_ = true;
  }

  void Finish() {
    if (drawn_) std::fputc('\n', stderr);
    drawn_ = false;
  }

 private:
  bool on_;
  bool drawn_ = false;
  int last_ = -1;
};

}  // namespace

int RunMetrics(const Args& args) {
  if (const auto status = CheckAction(args, {"build"}, kCommand)) return *status;
  std::string out, pairs_text;
  bool force = false;
  CLI::App app{"", "stockdyn metrics"};
  SetUpParser(app);
  app.require_subcommand(1);
  CLI::App* build = app.add_subcommand("build");
  build->add_option("OUT", out)->required();
  CLI::Option* pairs_option = build->add_option("--pairs", pairs_text);
  build->add_flag("--force", force);
  if (const auto status = ParseArguments(app, args, kCommand, kUsage)) return *status;

  std::vector<MetricPair> pairs = AllMetricPairs();
  std::string error;
  if (pairs_option->count() > 0 && !ParseMetricPairs(pairs_text, pairs, error))
    return UsageError("metrics build", "--pairs: " + error);

  try {
    CheckOutput(out, kMetricTable, {}, force);
  } catch (const data::OutputRefused& e) {
    std::fprintf(stderr, "stockdyn metrics build: %s\n", e.what());
    return 1;
  }
  ProgressBar bar;
  try {
    cli::BuildMetricsFile(out, pairs, {}, [&bar](int done, int total) { bar.Show(done, total); });
  } catch (const MetricBuildError& e) {
    bar.Finish();
    std::fprintf(stderr, "stockdyn metrics build: %s\n", e.what());
    return 1;
  }
  bar.Finish();
  SayWritten("metrics build", out,
             std::to_string(pairs.size()) + " pairs, " + std::to_string(eval::kMetricSamples) + " days each");
  return 0;
}

}  // namespace sd::cli
