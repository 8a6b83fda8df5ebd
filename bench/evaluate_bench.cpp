// What an evaluation costs next to the requests it replaces. Run from the build tree:
// build/bench/evaluate_bench (the installed program directory build/www/Exe must exist).
//
//   Evaluate/threads:T   the shipped model against IBM Corp's daily closes 1991-2000 (about 2500
//                        dates, 3650 midnights), 999 permutations, every event's statistics
//   EvaluateRandomNatal  the same with 4 random natal charts: (this - Evaluate/1) / 4 is the
//                        cost of one chart
//   RequestPerDate       one whole in-process request (the forecast of one day) for a sample of
//                        the evaluation's dates; times the number of dates it is what
//                        the same evaluation would cost as requests
// Every figure is process CPU time (all threads); peak_rss_kb is the process's peak so far.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "host/process.h"
#include "host/program_dir.h"
#include "cgi/request.h"
#include "forecast/model_value.h"
#include "forecast/natal.h"
#include "study/evaluate.h"
#include "study/prices.h"
#include "installed_dir.h"

namespace fs = std::filesystem;

namespace {

using sd::bench::InstalledDir;

const sd::study::PriceSeries& Prices() {
  static const auto p = sd::study::ReadPrices(std::string(STOCKDYN_SOURCE_DIR) + "/assets/prices/dow30/IBM.csv");
  return p;
}

double PeakRssKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss);
}

void RunEvaluation(benchmark::State& state, int threads, int random_natal) {
  const std::string dir = InstalledDir().string() + "/";
  const auto metrics = sd::host::OpenMetricTable(dir);
  auto natal = std::make_unique<sd::astro::ChartData>();
  if (!sd::forecast::LoadNatalChart(dir, "IBM Corp", *natal)) state.SkipWithError("IBM Corp not in Nyse.mil");
  const auto model = sd::forecast::LoadModel(dir + "stock.hyp");
  sd::study::EvaluationOptions o;
  o.Threads = threads;
  o.RandomNatal = random_natal;
  const auto& p = Prices();
  size_t dates = 0;
  for (auto _ : state) {
    const auto ev = sd::study::Evaluate(*model, *natal, -5.0, metrics.get(), p, p.Dates.front(),
                                        p.Dates.back(), o);
    dates = ev.Dates.size();
    benchmark::DoNotOptimize(ev.Horizons.front().Ic);
  }
  state.counters["dates"] = static_cast<double>(dates);
  state.counters["events"] = model->Count();
  state.counters["peak_rss_kb"] = PeakRssKb();
}

void Evaluate(benchmark::State& state) { RunEvaluation(state, static_cast<int>(state.range(0)), 0); }
BENCHMARK(Evaluate)->Arg(1)->Arg(2)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime();

void EvaluateRandomNatal(benchmark::State& state) { RunEvaluation(state, 1, 4); }
BENCHMARK(EvaluateRandomNatal)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime();

// The request reads its files from the directory of the running program.
void PrepareOwnProgramDir() {
  sd::bench::PrepareOwnProgramDir({"Nyse.mil", "stock.hyp", "towns.nd", "towns.ndx", "srv_stock_dyn.ini", "Metrics.dat"});
}

void RequestPerDate(benchmark::State& state) {
  PrepareOwnProgramDir();
  setenv("QUERY_STRING", "TRS_TZ=EST&D3_NATAL_DATA_TOWNS=IBM+Corp", 1);
  const auto& p = Prices();
  // Every 97th date: a sample across the ten years.
  size_t i = 1;
  for (auto _ : state) {
    const std::string now = sd::study::FormatDate(p.Dates[i]) + " 12:00:00";
    setenv(sd::host::kTestClockVariable, now.c_str(), 1);
    std::ostringstream page;
    benchmark::DoNotOptimize(sd::cgi::RunRequest(page));
    i = (i + 97) % p.Dates.size();
  }
  unsetenv(sd::host::kTestClockVariable);
  std::error_code ec;
  for (auto& e : fs::directory_iterator(fs::path(sd::host::ProgramDir("Temp")), ec))
    if (e.path().extension() == ".gif") fs::remove(e.path(), ec);
  state.counters["dates_in_evaluation"] = static_cast<double>(p.Dates.size() - 1);
}
BENCHMARK(RequestPerDate)->Unit(benchmark::kMillisecond)->Iterations(26)->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
