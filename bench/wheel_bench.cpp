// What one chart wheel costs next to one forecast, both served in process through the API's
// router (no process start, no web server). Run from the build tree: build/bench/wheel_bench.
//
//   ApiForecast   /forecast of IBM Corp for 20 March 2026 (EST): natal lookup and chart, model
//                 load, 41 transit charts and evaluations, the JSON document
//   ApiWheel      /chart.svg of IBM Corp with the transits of 20 March 2026 12:00 EST: natal
//                 lookup and chart, one transit chart, retrograde tests, layout and SVG text
//   WheelSvgOnly  layout and SVG text of that bi-wheel from charts already computed
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "api/router.h"
#include "astro/calendar.h"
#include "astro/chart.h"
#include "astro/chart_data.h"
#include "forecast/model_value.h"
#include "forecast/natal.h"
#include "installed_dir.h"
#include "wheel/chart_wheel.h"
#include "wheel/wheel.h"

namespace {

sd::api::ApiContext Context() {
  sd::api::ApiContext c;
  c.program_dir = sd::bench::InstalledDir().string() + "/";
  c.now = 1773964800;  // 2026-03-20 00:00 UTC
  return c;
}

void Serve(benchmark::State& state, const char* path, const char* query) {
  const sd::api::ApiContext context = Context();
  sd::api::Request request;
  request.path = path;
  request.query = query;
  std::size_t bytes = 0;
  for (auto _ : state) {
    const sd::api::Response r = sd::api::Dispatch(request, context);
    if (r.status != 200) state.SkipWithError(("status " + std::to_string(r.status) + ": " + r.body).c_str());
    bytes = r.body.size();
    benchmark::DoNotOptimize(r.body.data());
  }
  state.counters["body_bytes"] = static_cast<double>(bytes);
}

void ApiForecast(benchmark::State& state) {
  Serve(state, "/forecast", "security=IBM%20Corp&zone=EST&date=2026-03-20");
}
BENCHMARK(ApiForecast)->Unit(benchmark::kMillisecond);

void ApiWheel(benchmark::State& state) {
  Serve(state, "/chart.svg", "security=IBM%20Corp&zone=EST&date=2026-03-20&time=12:00");
}
BENCHMARK(ApiWheel)->Unit(benchmark::kMillisecond);

void WheelSvgOnly(benchmark::State& state) {
  auto natal = std::make_unique<sd::astro::ChartData>();
  if (!sd::forecast::LoadNatalChart(Context().program_dir, "IBM Corp", *natal)) {
    state.SkipWithError("no IBM Corp in the installed database");
    return;
  }
  const sd::astro::ChartData event = sd::forecast::TransitEvent(*natal, -5);
  auto sky = std::make_unique<sd::forecast::TransitSky>();
  sd::forecast::ComputeSky(event, sd::astro::MomentFromLocal(2026, 3, 20, 12.0, -5), *sky);
  sd::wheel::WheelInput in = sd::wheel::NatalWheel(*natal, sd::astro::kChartSettings.Houses, "IBM Corp");
  sd::wheel::AddTransits(in, sky->Chart, "Transits");
  for (auto _ : state) {
    const std::string svg = sd::wheel::WheelSvg(in);
    benchmark::DoNotOptimize(svg.data());
  }
}
BENCHMARK(WheelSvgOnly)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
