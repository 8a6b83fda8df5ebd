// What one security's events cost next to its forecast. Run from the build tree:
// build/bench/timeline_bench.
//
//   Forecast        the forecast of a 20-day window in process: model load, 41 transit charts
//                   and model evaluations (a whole request does this and more: start-up,
//                   picture, page)
//   Events          the events of the same window: model load, every aspect, ingress, station,
//                   lunation and eclipse found and refined, their model sections, the JSON text
//   FindEvents      the search alone, for 20 and 366 days (counter: events found)
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

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

std::unique_ptr<sd::ChartData> Natal() {
  auto natal = std::make_unique<sd::ChartData>();
  if (!sd::forecast::LoadNatalChart(InstalledDir(), "IBM Corp", *natal)) return nullptr;
  return natal;
}

void Forecast(benchmark::State& state) {
  const auto natal = Natal();
  if (!natal) return state.SkipWithError("no IBM Corp in the installed Nyse.mil");
  auto event = std::make_unique<sd::ChartData>(), transit = std::make_unique<sd::ChartData>();
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
    sd::timeline::WindowHead head{"IBM Corp", kZone, 0, 0, {}};
    head.From = sd::forecast::LocalMidnight(kYear, kMonth, kDay, kZone);
    head.To = head.From + sd::forecast::kForecastSpan;
    auto events = sd::timeline::FindEvents(natal.get(), head.From, head.To);
    sd::timeline::AttachDrivers(model, events);
    const std::string text = sd::timeline::EventsDocument(head, events, model).dump();
    benchmark::DoNotOptimize(text.data());
    count = events.size();
  }
  state.counters["events"] = static_cast<double>(count);
}
BENCHMARK(Events)->Unit(benchmark::kMillisecond);

void FindEvents(benchmark::State& state) {
  const auto natal = Natal();
  if (!natal) return state.SkipWithError("no IBM Corp in the installed Nyse.mil");
  const sd::ChartMoment from = sd::forecast::LocalMidnight(kYear, kMonth, kDay, kZone);
  size_t count = 0;
  for (auto _ : state) {
    const auto events =
        sd::timeline::FindEvents(natal.get(), from, from + state.range(0) * sd::DayInCenturies);
    count = events.size();
    benchmark::DoNotOptimize(events.data());
  }
  state.counters["events"] = static_cast<double>(count);
}
BENCHMARK(FindEvents)->Arg(20)->Arg(366)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
