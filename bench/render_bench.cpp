// Cost of the forecast picture: painting it (curve, axis, text) and writing it as GIF.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "astro/calendar.h"
#include "render/forecast_picture.h"
#include "render/gif_output.h"

namespace {

sd::render::TCorvDoubleList SampleValues() {
  sd::render::TCorvDoubleList v;
  for (int i = 0; i <= 40; ++i) v.Add(std::sin(i / 5.0) * 3 + i / 20.0);
  return v;
}

void BM_DrawForecastPicture(benchmark::State& state) {
  const auto values = SampleValues();
  const sd::astro::ChartMoment start = sd::astro::MomentFromDate(2026, 3, 20, 0.0);
  for (auto _ : state) {
    auto canvas = sd::render::DrawForecastPicture(values, start, start + 20 * sd::astro::DayInCenturies, 0);
    benchmark::DoNotOptimize(canvas.Pixels().data());
  }
}
BENCHMARK(BM_DrawForecastPicture)->Unit(benchmark::kMillisecond);

void BM_WriteGif(benchmark::State& state) {
  const auto values = SampleValues();
  const sd::astro::ChartMoment start = sd::astro::MomentFromDate(2026, 3, 20, 0.0);
  const auto canvas =
      sd::render::DrawForecastPicture(values, start, start + 20 * sd::astro::DayInCenturies, 0);
  char dir[] = "/tmp/sd_render_bench_XXXXXX";
  if (!mkdtemp(dir)) {
    state.SkipWithError("no temporary directory");
    return;
  }
  const std::string path = std::string(dir) + "/bench.gif";
  for (auto _ : state) {
    if (!sd::render::WriteGif(canvas, path)) state.SkipWithError("GIF not written");
  }
  unlink(path.c_str());
  rmdir(dir);
}
BENCHMARK(BM_WriteGif)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
