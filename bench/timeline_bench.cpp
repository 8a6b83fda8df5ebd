// What one security's events cost next to its forecast. Run from the build tree:
// build/bench/timeline_bench.
//
//   Forecast        the forecast of a 20-day window in process: model load, 41 transit charts
//                   and model evaluations (a whole request does this and more: start-up,
//                   picture, page)
//   Events          the events of the same window as the API serves them: model load, every
//                   aspect, ingress, station, lunation and eclipse found and refined, each
//                   aspect's passage walked, their model sections, the JSON text appended to one
//                   string as the API's response body is. It should cost no more than a whole
//                   forecast request (forecast_bench's Request).
//   FindEvents      the search alone, for 20 and 366 days, without passages and with them
//                   (counter: events found)
//   ToolRun         the command line as a user runs it, a child process writing to /dev/null:
//                   `events --sky` over 100 years and a security's natal aspects over 10 years,
//                   passages included; counters child_cpu_s (user + system) and peak_rss_kb,
//                   which stays that of one chunk since the output is written as it is found.
//
// Measured on the 2-core machine, RelWithDebInfo, load average about 1.0 (the benchmark itself),
// medians of 5, 2026-12-11: Forecast 1.6 ms; Events 4.0 ms (9.1 ms before the search kept the
// longitudes it computed, took an aspect's exact moment straight from its hour and wrote the JSON
// without a tree; 4.8 ms before the response body was reserved), against 4.7 to 6.3 ms for
// forecast_bench's Request measured beside it; FindEvents 20 days 1.6 ms, with passages 3.3 ms;
// 366 days 28 ms, with passages 77 ms. The body is reserved as the route reserves it: appended to
// in pieces past 128 KiB, a string is moved into fresh pages at every step (about 95 page faults
// a run), which cost about 0.8 ms.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/program_dir.h"
#include "forecast/grid.h"
#include "forecast/natal.h"
#include "forecast/run.h"
#include "model/ev_list.h"
#include "timeline/document.h"
#include "timeline/events.h"
#include "installed_dir.h"

namespace fs = std::filesystem;

namespace {

constexpr double kZone = -5;  // EST
constexpr int kYear = 2026, kMonth = 3, kDay = 20;

std::string InstalledDir() { return sd::bench::InstalledDir().string() + "/"; }

std::unique_ptr<sd::astro::ChartData> Natal() {
  auto natal = std::make_unique<sd::astro::ChartData>();
  if (!sd::forecast::LoadNatalChart(InstalledDir(), "IBM Corp", *natal)) return nullptr;
  return natal;
}

void Forecast(benchmark::State& state) {
  const auto natal = Natal();
  if (!natal) return state.SkipWithError("no IBM Corp in the installed Nyse.mil");
  auto event = std::make_unique<sd::astro::ChartData>(), transit = std::make_unique<sd::astro::ChartData>();
  const sd::forecast::ForecastCharts charts{*natal, *event, *transit};
  for (auto _ : state) {
    const auto values = sd::forecast::ComputeForecast(
        charts, InstalledDir() + "stock.hyp", kYear, kMonth, kDay, sd::forecast::kForecastSpan,
        kZone, sd::forecast::kForecastStep);
    benchmark::DoNotOptimize(values.Values.data());
  }
}
BENCHMARK(Forecast)->Unit(benchmark::kMillisecond);

void Events(benchmark::State& state) {
  const auto natal = Natal();
  if (!natal) return state.SkipWithError("no IBM Corp in the installed Nyse.mil");
  size_t count = 0;
  for (auto _ : state) {
    sd::model::TEvList model;
    model.Load(InstalledDir() + "stock.hyp");
    sd::timeline::WindowHead head{
        "IBM Corp", kZone, sd::astro::ChartMoment(0), sd::astro::ChartMoment(0), {}};
    head.From = sd::forecast::LocalMidnight(kYear, kMonth, kDay, kZone);
    head.To = head.From + sd::forecast::kForecastSpan;
    sd::timeline::SearchOptions search;
    search.Passages = true;
    head.Orb = search.Orb;
    head.MoonOrb = search.MoonOrb;
    std::string text;
    text.reserve(20 * 12 * 1024);  // as the API's events route reserves its body: 12 KiB a day
    sd::timeline::EventsWriter writer(head, model, sd::timeline::EventsFormat::kJson,
                                      [&text](const std::string& piece) { text += piece; });
    count = 0;
    sd::timeline::ForEachChunk(natal.get(), search, head.From, head.To, [&](std::vector<sd::timeline::Event>& events) {
      sd::timeline::AttachDrivers(model, events);
      writer.Add(events);
      count += events.size();
    });
    writer.Finish();
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["events"] = static_cast<double>(count);
}
BENCHMARK(Events)->Unit(benchmark::kMillisecond);

void FindEvents(benchmark::State& state) {
  const auto natal = Natal();
  if (!natal) return state.SkipWithError("no IBM Corp in the installed Nyse.mil");
  const sd::astro::ChartMoment from = sd::forecast::LocalMidnight(kYear, kMonth, kDay, kZone);
  sd::timeline::SearchOptions search;
  search.Passages = state.range(1) != 0;
  size_t count = 0;
  for (auto _ : state) {
    const auto events = sd::timeline::FindEvents(natal.get(), from,
                                                 from + state.range(0) * sd::astro::DayInCenturies, search);
    count = events.size();
    benchmark::DoNotOptimize(events.data());
  }
  state.counters["events"] = static_cast<double>(count);
}
BENCHMARK(FindEvents)->Args({20, 0})->Args({20, 1})->Args({366, 0})->Args({366, 1})->Unit(benchmark::kMillisecond);

// The tool as a child process: its CPU time and peak resident set.
void ToolRun(benchmark::State& state, std::vector<std::string> args) {
  const std::string tool = (sd::bench::InstalledDir() / ".." / ".." / "stockdyn").string();
  args.insert(args.begin(), {tool, "events"});
  long peak_kb = 0;
  double cpu_s = 0;
  for (auto _ : state) {
    const pid_t pid = fork();
    if (pid == 0) {
      if (!freopen("/dev/null", "w", stdout)) _exit(126);
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(tool.c_str(), argv.data());
      _exit(127);
    }
    int status = 0;
    struct rusage ru {};
    wait4(pid, &status, 0, &ru);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("stockdyn events failed");
    peak_kb = std::max(peak_kb, ru.ru_maxrss);
    cpu_s += ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
  }
  state.counters["peak_rss_kb"] = static_cast<double>(peak_kb);
  state.counters["child_cpu_s"] = cpu_s / static_cast<double>(state.iterations());
}
BENCHMARK_CAPTURE(ToolRun, sky_100_years, {"--sky", "--from", "1950-01-01", "--to", "2049-12-31"})
    ->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(ToolRun, natal_10_years, {"--security", "IBM Corp", "--from", "2020-01-01", "--to", "2029-12-31"})
    ->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(ToolRun, sky_10_years, {"--sky", "--from", "2020-01-01", "--to", "2029-12-31"})
    ->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
