// What an event study costs and how the cost grows. Run from the build tree:
// build/bench/study_bench (the installed program directory build/www/Exe must exist).
//
//   StudyDow30              the 30 Dow stocks of assets/prices/dow30-universe.csv, 1990-12-31 ..
//                           2001-01-02 (2528 returns each), every family (the eight with a natal
//                           record also their natal families) and every state, B = 999, one
//                           thread; compare with evaluate_bench's Evaluate/1 (one of them, same
//                           span, B = 999)
//   StudySeries/S           the first S of the thirty, B = 999
//   StudyYears/Y            all thirty cut to their first Y years, B = 999
//   StudyPermutations/B     all thirty, B permutations
//   StudyRandomNatal/R      the eight with a natal record, natal families only, B = 999, R random
//                           charts per security
//   StudyShard/N            shard 1 of N (shard 0 when N = 1) of StudyDow30 with R = 8: what one
//                           shard costs and how large its partial file is (partial_kb; shard 0's,
//                           which also holds the series' dates and each family's CAR, as
//                           shard0_partial_kb)
// Every figure is process CPU time; peak_rss_kb is the process's peak so far (the largest run
// comes first, so it is that run's).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <deque>
#include <string>
#include <vector>

#include "eventstudy/partial.h"
#include "eventstudy/study.h"
#include "eventstudy/universe.h"
#include "forecast/natal.h"
#include "installed_dir.h"
#include "study/prices.h"

namespace {

using sd::eventstudy::StudySeries;

struct Universe {
  std::deque<sd::astro::ChartData> Natals;
  std::vector<StudySeries> Series;
};

// The thirty with their natal charts; needs the process started on the installed directory.
const Universe& Dow30() {
  static const Universe u = [] {
    Universe out;
    const std::string dir = sd::bench::InstalledDir().string() + "/";
    for (const auto& row : sd::eventstudy::ReadUniverse(std::string(STOCKDYN_SOURCE_DIR) +
                                                        "/assets/prices/dow30-universe.csv")) {
      StudySeries s;
      s.Label = row.Label;
      s.Prices = sd::study::ReadPrices(row.Prices);
      if (!row.Security.empty()) {
        out.Natals.emplace_back();
        if (sd::forecast::LoadNatalChart(dir, row.Security, out.Natals.back())) {
          s.Natal = &out.Natals.back();
          s.Security = row.Security;
        }
      }
      out.Series.push_back(std::move(s));
    }
    return out;
  }();
  return u;
}

double PeakRssKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss);
}

void Run(benchmark::State& state, std::vector<StudySeries> series, int permutations, int random_natal,
         std::vector<std::string> families = {}) {
  sd::eventstudy::StudySettings settings;
  settings.Permutations = permutations;
  settings.RandomNatal = random_natal;
  settings.Families = std::move(families);
  settings.Threads = 1;
  int tests = 0;
  size_t observations = 0;
  for (auto _ : state) {
    const auto r = sd::eventstudy::RunStudy(series, settings);
    tests = r.Tests;
    observations = 0;
    for (const auto& f : r.Families) observations += static_cast<size_t>(f.Observations);
    benchmark::DoNotOptimize(r.Families.data());
  }
  state.counters["series"] = static_cast<double>(series.size());
  state.counters["tests"] = tests;
  state.counters["observations"] = static_cast<double>(observations);
  state.counters["peak_rss_kb"] = PeakRssKb();
}

void StudyDow30(benchmark::State& state) {
  Run(state, Dow30().Series, 999, 0);
}
BENCHMARK(StudyDow30)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime();

void StudySeries_(benchmark::State& state) {
  const auto& all = Dow30().Series;
  Run(state, std::vector<StudySeries>(all.begin(), all.begin() + state.range(0)), 999, 0);
}
BENCHMARK(StudySeries_)->Name("StudySeries")->Arg(5)->Arg(10)->Arg(30)->Unit(benchmark::kSecond)->Iterations(1)
    ->MeasureProcessCPUTime();

void StudyYears(benchmark::State& state) {
  std::vector<StudySeries> cut = Dow30().Series;
  for (StudySeries& s : cut) {
    const auto last = s.Prices.Dates.front() + std::chrono::days{365 * state.range(0) + state.range(0) / 4};
    size_t n = 0;
    while (n < s.Prices.Dates.size() && s.Prices.Dates[n] <= last) ++n;
    s.Prices.Dates.resize(n);
    s.Prices.Prices.resize(n);
  }
  Run(state, cut, 999, 0);
}
BENCHMARK(StudyYears)->Arg(3)->Arg(6)->Arg(10)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime();

void StudyPermutations(benchmark::State& state) {
  Run(state, Dow30().Series, static_cast<int>(state.range(0)), 0);
}
BENCHMARK(StudyPermutations)->Arg(99)->Arg(333)->Arg(999)->Unit(benchmark::kSecond)->Iterations(1)
    ->MeasureProcessCPUTime();

void StudyRandomNatal(benchmark::State& state) {
  std::vector<StudySeries> natal;
  for (const StudySeries& s : Dow30().Series)
    if (s.Natal) natal.push_back(s);
  Run(state, natal, 999, static_cast<int>(state.range(0)), {"natal"});
}
BENCHMARK(StudyRandomNatal)->Arg(4)->Arg(16)->Arg(64)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime();

void StudyShard(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  sd::eventstudy::StudySettings settings;
  settings.Permutations = 999;
  settings.RandomNatal = 8;
  settings.Threads = 1;
  sd::eventstudy::StudyContext context;
  context.Settings = settings;
  const sd::eventstudy::Fingerprint print{"stockdyn", "", ""};
  size_t bytes = 0;
  for (auto _ : state) {
    const auto shard = sd::eventstudy::RunStudyShard(Dow30().Series, settings, count > 1 ? 1 : 0, count);
    bytes = sd::eventstudy::PartialText(print, {}, context, Dow30().Series, shard).size();
  }
  // Taken before shard 0 runs (outside the timed loop) for the size of its file.
  state.counters["peak_rss_kb"] = PeakRssKb();
  state.counters["partial_kb"] = static_cast<double>(bytes) / 1024;
  if (count > 1) {
    const auto first = sd::eventstudy::RunStudyShard(Dow30().Series, settings, 0, count);
    bytes = sd::eventstudy::PartialText(print, {}, context, Dow30().Series, first).size();
  }
  state.counters["shard0_partial_kb"] = static_cast<double>(bytes) / 1024;
}
BENCHMARK(StudyShard)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
