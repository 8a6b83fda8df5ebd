// Cost of the aspect primitives at the sizes one aspect event reaches per moment: up to
// 40 x 40 object pairs, each tried against the 24 aspects of the table.
#include <benchmark/benchmark.h>

#include <array>
#include <random>

#include "astro/aspects.h"
#include "eval/aspect_factor.h"
#include "eval/orb_profile.h"

namespace {

std::array<double, sd::astro::kObjectCount> RandomLongitudes(unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> lon(0, 360);
  std::array<double, sd::astro::kObjectCount> row;
  for (double& v : row) v = lon(gen);
  return row;
}

// One search of the whole table per ordered pair.
void BM_FirstAspectInAllPairs(benchmark::State& state) {
  const auto a = RandomLongitudes(1);
  const auto b = RandomLongitudes(2);
  const sd::astro::ObjectSet all = sd::astro::ObjectSet::Range(1, 24);
  for (auto _ : state) {
    int found = 0;
    for (double x : a)
      for (double y : b) found += sd::astro::FirstAspectIn(all, x, y, 3.0);
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * sd::astro::kObjectCount * sd::astro::kObjectCount);
}
BENCHMARK(BM_FirstAspectInAllPairs);

// Every combination of an event over all objects and all aspects, as the forecast run presents
// it (identical stencil points).
void BM_AspectInOrbEveryCombination(benchmark::State& state) {
  const auto a = RandomLongitudes(3);
  const auto b = RandomLongitudes(4);
  for (auto _ : state) {
    double sum = 0;
    for (double x : a)
      for (double y : b)
        for (int k = 1; k <= sd::astro::AspectCount; ++k) {
          const sd::eval::AspectFactorResult r =
              sd::eval::AspectInOrbTest({k, 0, static_cast<double>(state.range(0)), 0}, {x, x, y, y});
          if (r.hit) sum += r.strength;
        }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * sd::astro::kObjectCount * sd::astro::kObjectCount *
                          sd::astro::AspectCount);
}
BENCHMARK(BM_AspectInOrbEveryCombination)->Arg(1)->Arg(8);

void BM_OrbStrengthProfiles(benchmark::State& state) {
  const int profile = static_cast<int>(state.range(0));
  for (auto _ : state) {
    double sum = 0;
    for (int i = 0; i < 1000; ++i) sum += sd::eval::OrbStrength(profile, i * 0.001, 2.7, 0, 1, true);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_OrbStrengthProfiles)->DenseRange(0, 5);

}  // namespace

BENCHMARK_MAIN();
