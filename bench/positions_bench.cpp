// One moment's full set of positions (Sun, Moon, Mercury..Pluto: apparent ecliptic and
// equatorial places and distances) by this system and by Swiss Ephemeris in its built-in
// Moshier mode, over the same moments.
//
//   build/bench_positions
//
// The moments change from one iteration to the next: Swiss Ephemeris keeps the last position
// of every body and would answer a repeated moment from that store.
#include <swephexp.h>

#include <benchmark/benchmark.h>

#include <vector>

#include "astro/positions.h"
#include "astro/time_scales.h"

namespace {

// 997 moments spread over 1900-2100 (a prime count, so the cycle never lines up with the
// benchmark's own batches).
const std::vector<sd::astro::ChartMoment>& Moments() {
  static const std::vector<sd::astro::ChartMoment> moments = [] {
    std::vector<sd::astro::ChartMoment> m;
    for (int k = 0; k < 997; ++k)
      m.emplace_back(2.0 * (k + 0.5) / 997.0 + 0.37 * sd::astro::DayInCenturies * k);
    return m;
  }();
  return moments;
}

void BM_PositionsThisSystem(benchmark::State& state) {
  const auto& moments = Moments();
  size_t k = 0;
  for (auto _ : state) {
    const sd::astro::ChartMoment t = moments[k];
    k = (k + 1) % moments.size();
    const sd::astro::SunResult sun = sd::astro::SunPosition(t);
    benchmark::DoNotOptimize(sun);
    const sd::astro::MoonResult moon = sd::astro::MoonPosition(t);
    benchmark::DoNotOptimize(moon);
    for (int n = 2; n <= 9; ++n) {
      const sd::astro::PlanetResult p = sd::astro::PlanetPosition(n, t, sun);
      benchmark::DoNotOptimize(p);
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PositionsThisSystem);

// Swiss Ephemeris needs one call for the ecliptic place and one for the equatorial; the
// second is answered from the position it keeps of the first.
void BM_PositionsSwissEphemeris(benchmark::State& state) {
  const auto& moments = Moments();
  static const int kBodies[10] = {SE_SUN,     SE_MOON,   SE_MERCURY, SE_VENUS,   SE_MARS,
                                  SE_JUPITER, SE_SATURN, SE_URANUS,  SE_NEPTUNE, SE_PLUTO};
  size_t k = 0;
  double x[6];
  char err[AS_MAXCH];
  for (auto _ : state) {
    const double jd = sd::astro::EphemerisMoment(moments[k]).Centuries * 36525.0 + 2415020.0;
    k = (k + 1) % moments.size();
    for (int body : kBodies) {
      swe_calc(jd, body, SEFLG_MOSEPH, x, err);
      benchmark::DoNotOptimize(x);
      swe_calc(jd, body, SEFLG_MOSEPH | SEFLG_EQUATORIAL, x, err);
      benchmark::DoNotOptimize(x);
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PositionsSwissEphemeris);

}  // namespace

BENCHMARK_MAIN();
