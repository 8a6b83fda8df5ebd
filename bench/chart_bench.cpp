// Whole charts: the natal chart (every object, eclipses and prenatal New Moon included), the
// forecast's transit chart (planets and node), and the searches that dominate the first.
#include <benchmark/benchmark.h>

#include "astro/chart.h"
#include "astro/lunation.h"

namespace {

sd::astro::ChartData NatalChart(int year) {
  sd::astro::ChartData c;
  c.Event.Year = year;
  c.Event.Month = 10;
  c.Event.Day = 19;
  c.Event.LocalTime = 9.3;
  c.Event.Zone = -5;
  c.Event.PlaceLatitude = 40.4251;
  c.Event.PlaceLongitude = -74.0023;
  for (int n = 0; n < sd::astro::kObjectCount; ++n) c.ObjectOn[n] = sd::astro::IsAllowedObject(n);
  return c;
}

void BM_NatalChart(benchmark::State& state) {
  int year = 1900;
  for (auto _ : state) {
    // A different year each time, so that eclipse walks of every length are met.
    sd::astro::ChartData c = NatalChart(year);
    year = year == 2030 ? 1900 : year + 1;
    benchmark::DoNotOptimize(sd::astro::ComputeChart(c, sd::astro::MomentSource::LocalClock));
    benchmark::DoNotOptimize(c.NextEclipseMoment);
  }
}
BENCHMARK(BM_NatalChart)->Unit(benchmark::kMicrosecond);

void BM_TransitChart(benchmark::State& state) {
  sd::astro::ChartData c = NatalChart(2024);
  c.ObjectOn.fill(0);
  for (int n = 0; n <= sd::astro::kPluto; ++n) c.ObjectOn[n] = 1;
  c.ObjectOn[sd::astro::kNorthNode] = 1;
  c.Moment = c.Event.UniversalMoment();
  for (auto _ : state) {
    c.Moment += 0.5 * sd::astro::DayInCenturies;  // the forecast's half-day grid
    benchmark::DoNotOptimize(sd::astro::ComputeChart(c, sd::astro::MomentSource::Moment));
  }
}
BENCHMARK(BM_TransitChart)->Unit(benchmark::kMicrosecond);

void BM_EclipseSearch(benchmark::State& state) {
  sd::astro::ChartMoment t{0.0};
  for (auto _ : state) {
    benchmark::DoNotOptimize(sd::astro::EclipseSearch(t));
    t += 0.0123;
    if (t > sd::astro::ChartMoment(1.3)) t = sd::astro::ChartMoment(0.0);
  }
}
BENCHMARK(BM_EclipseSearch)->Unit(benchmark::kMicrosecond);

void BM_LastNewMoon(benchmark::State& state) {
  sd::astro::ChartMoment t{0.0};
  for (auto _ : state) {
    benchmark::DoNotOptimize(sd::astro::LastNewMoon(t));
    t += 0.0123;
    if (t > sd::astro::ChartMoment(1.3)) t = sd::astro::ChartMoment(0.0);
  }
}
BENCHMARK(BM_LastNewMoon)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
