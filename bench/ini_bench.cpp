// Reading a model or settings file of many sections, as every request does: the cost should
// grow with the number of sections, not with its square (the duplicate check).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "data/ini.h"

namespace {

std::string MakeFile(int sections) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("ini_bench_" + std::to_string(sections) + ".hyp")).string();
  std::ofstream out(path, std::ios::binary);
  for (int i = 0; i < sections; ++i) out << "[Event" << i << "]\r\n_T=1\r\nWEIGHT=1\r\n";
  // A few repeated names, so the check has something to drop.
  for (int i = 0; i < sections / 100; ++i) out << "[EVENT" << i << "]\r\n_T=2\r\n";
  return path;
}

void BM_ReadSections(benchmark::State& state) {
  const int sections = static_cast<int>(state.range(0));
  const std::string path = MakeFile(sections);
  for (auto _ : state) {
    sd::data::TBigIniFile ini(path);
    benchmark::DoNotOptimize(ini.ReadString("Event0", "_T", ""));
  }
  state.SetComplexityN(sections);
  std::filesystem::remove(path);
}
BENCHMARK(BM_ReadSections)->RangeMultiplier(4)->Range(1000, 64000)->Complexity()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
