// Finding a security in the natal database, as every request does before anything else: the
// scan reads records until the name matches, so the last record costs the whole file.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "data/natal_db.h"
#include "data/towns.h"

namespace {

std::string MakeDatabase(int records, bool scrambled) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("natal_bench_" + std::to_string(records) + (scrambled ? "s" : "p") + ".mil"))
                               .string();
  std::vector<sd::data::NatalRecord> recs;
  for (int i = 0; i < records; ++i) {
    sd::data::NatalRecord r;
    r.Year = 1990;
    r.Month = 1 + i % 12;
    r.Day = 1 + i % 28;
    r.LocalTime = 9.3;
    r.Zone = -5;
    r.PlaceText.Set("New York, NY");
    r.Latitude = 40.4225;
    r.Longitude = -74.0041;
    r.Name.Set("Security number " + std::to_string(i));
    if (scrambled) {
      r.NameSuffix.Set("X");
      sd::data::ScrambleNatalRecord(r, static_cast<uint32_t>(i) * 2654435761u);
    }
    recs.push_back(r);
  }
  sd::data::WriteNatalDatabase(path, recs);
  return path;
}

void BM_LookupLastRecord(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const bool scrambled = state.range(1) != 0;
  const std::string path = MakeDatabase(n, scrambled);
  const std::string wanted = "Security number " + std::to_string(n - 1) + (scrambled ? "@X" : "");
  for (auto _ : state) {
    sd::astro::ChartData slot;
    benchmark::DoNotOptimize(sd::data::LookupNatal(path, wanted, slot));
  }
  state.SetItemsProcessed(state.iterations() * n);
  std::filesystem::remove(path);
}
BENCHMARK(BM_LookupLastRecord)->Args({42, 0})->Args({42, 1})->Args({10000, 0})->Args({10000, 1});

void BM_OpenShippedTowns(benchmark::State& state) {
  for (auto _ : state) {
    sd::data::T_Towns towns(STOCKDYN_EXE_DIR);
    benchmark::DoNotOptimize(towns.regions().size());
  }
}
BENCHMARK(BM_OpenShippedTowns);

}  // namespace

BENCHMARK_MAIN();
