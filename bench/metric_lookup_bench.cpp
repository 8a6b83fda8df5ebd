// The planet-pair metric table. Run from the build tree: build/bench/bench_metrics.
//
//   Lookup            one Value() of one pair at moments spread over the table
//   LookupScattered   one Value() of a pair and a moment both drawn at random (45 pairs)
//   Kind33Event       one kind-33 event evaluated at one moment
//   Open              mapping a 45-pair table (what start-up pays), next to
//   ReadIntoMemory    reading the same file into memory, what a copying loader would pay
//   ForecastPeakMemory  `stockdyn forecast` on a copy of the installed program directory with
//                     45 kind-33 events; argument 1 with the 45-pair table, 0 without;
//                     counter peak_rss_kb of the child. The mapped pages a run touches count
//                     in it, and the kernel maps whole page-cache folios: right after the
//                     table was written (large folios) the figure is higher than once the
//                     file's pages come from disk one by one. Either way they are shared
//                     and clean, not memory of the process's own.
//
// The table is STOCKDYN_METRICS when that names a file (a real `stockdyn metrics build`), else
// 45 records of synthetic ramps written into a scratch directory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "astro/calendar.h"
#include "astro/chart_data.h"
#include "astro/moment_snapshot.h"
#include "eval/event_frame.h"
#include "cli/metric_build.h"
#include "eval/metric_table.h"
#include "host/program_dir.h"
#include "model/ev_list.h"

namespace fs = std::filesystem;

namespace {

fs::path Scratch() {
  static const fs::path dir = [] {
    const fs::path d = fs::temp_directory_path() / ("bench_metrics_" + std::to_string(getpid()));
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

// The 45-pair table the benchmarks read.
const std::string& TablePath() {
  static const std::string path = [] {
    if (const char* env = std::getenv("STOCKDYN_METRICS"); env && fs::exists(env))
      return std::string(env);
    const std::string p = (Scratch() / "Metrics.dat").string();
    std::ofstream f(p, std::ios::binary);
    std::vector<double> samples(sd::eval::kMetricSamples);
    for (const sd::cli::MetricPair& pair : sd::cli::AllMetricPairs()) {
      const int32_t ab[2] = {pair.A, pair.B};
      f.write(reinterpret_cast<const char*>(ab), sizeof ab);
      for (int i = 0; i < sd::eval::kMetricSamples; ++i)
        samples[i] = 12.2 * i + pair.A * 10 + pair.B;
      f.write(reinterpret_cast<const char*>(samples.data()),
              static_cast<std::streamsize>(samples.size() * sizeof(double)));
    }
    return p;
  }();
  return path;
}

std::vector<sd::astro::ChartMoment> RandomMoments(int n, uint32_t seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> day(1.0, sd::eval::kMetricSamples - 1.5);
  std::vector<sd::astro::ChartMoment> out;
  for (int i = 0; i < n; ++i)
    out.push_back(sd::eval::kMetricFirstMoment + day(gen) * sd::astro::DayInCenturies);
  return out;
}

void Lookup(benchmark::State& state) {
  const sd::eval::TPlanetary_T table(TablePath());
  const auto moments = RandomMoments(1024, 1);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(table.Value(1, 0, moments[i++ & 1023]));
  }
}
BENCHMARK(Lookup);

void LookupScattered(benchmark::State& state) {
  const sd::eval::TPlanetary_T table(TablePath());
  const auto moments = RandomMoments(4096, 2);
  const auto pairs = sd::cli::AllMetricPairs();
  std::vector<int> which(4096);
  std::mt19937 gen(3);
  for (int& w : which) w = static_cast<int>(gen() % pairs.size());
  size_t i = 0;
  for (auto _ : state) {
    const size_t k = i++ & 4095;
    const sd::cli::MetricPair& p = pairs[static_cast<size_t>(which[k])];
    benchmark::DoNotOptimize(table.Value(p.A, p.B, moments[k]));
  }
}
BENCHMARK(LookupScattered);

void Kind33Event(benchmark::State& state) {
  const sd::eval::TPlanetary_T table(TablePath());
  const std::string model_path = (Scratch() / "kind33.hyp").string();
  std::ofstream(model_path, std::ios::binary)
      << "[E]\n_H=pair wave\n_T=33\nWEIGHT=1\nMETR2=0\nMETR3=1\nMETR4=2\nMETR11=0\n";
  sd::model::TEvList model;
  model.Load(model_path);
  auto natal = std::make_unique<sd::astro::ChartData>();
  sd::astro::MomentSnapshot snap{};
  sd::eval::EventInputs in;
  for (auto& p : in.Transit) p = &snap;
  for (auto& p : in.Natal) p = natal.get();
  in.Moment = sd::astro::MomentFromDate(2026, 3, 20, 5.0);
  in.Metrics = &table;
  for (auto _ : state) benchmark::DoNotOptimize(sd::eval::EvaluateEvent(model.Event(0).Def, in));
}
BENCHMARK(Kind33Event);

void Open(benchmark::State& state) {
  for (auto _ : state) {
    const sd::eval::TPlanetary_T table(TablePath());
    benchmark::DoNotOptimize(table.Records());
  }
  state.counters["file_mb"] = static_cast<double>(fs::file_size(TablePath())) / 1e6;
}
BENCHMARK(Open)->Unit(benchmark::kMicrosecond);

void ReadIntoMemory(benchmark::State& state) {
  std::vector<char> buf(fs::file_size(TablePath()));
  for (auto _ : state) {
    std::FILE* f = std::fopen(TablePath().c_str(), "rb");
    benchmark::DoNotOptimize(std::fread(buf.data(), 1, buf.size(), f));
    std::fclose(f);
  }
  state.counters["file_mb"] = static_cast<double>(buf.size()) / 1e6;
}
BENCHMARK(ReadIntoMemory)->Unit(benchmark::kMicrosecond);

// A program directory with the installed data files and a model of one kind-33 event per pair.
fs::path ForecastDir(bool with_table) {
  const fs::path installed = fs::path(sd::host::ProgramDir("")) / ".." / "www" / "Exe";
  const fs::path dir = Scratch() / (with_table ? "with_table" : "without_table");
  fs::create_directories(dir / "Temp");
  for (const char* name : {"Nyse.mil", "towns.nd", "towns.ndx"}) {
    std::error_code ec;
    fs::copy_file(installed / name, dir / name, fs::copy_options::overwrite_existing, ec);
  }
  std::ofstream model(dir / "stock.hyp", std::ios::binary);
  model << "[OPTIONS]\nHEADER=pairs\n";
  for (const sd::cli::MetricPair& p : sd::cli::AllMetricPairs())
    model << "\n[P" << p.A << p.B << "]\n_H=pair\n_T=33\nWEIGHT=1\nMETR2=" << p.A
          << "\nMETR3=" << p.B << "\nMETR11=0\n";
  std::error_code ec;
  fs::remove(dir / "Metrics.dat", ec);
  if (with_table) fs::create_symlink(fs::absolute(TablePath()), dir / "Metrics.dat", ec);
  return dir;
}

void ForecastPeakMemory(benchmark::State& state) {
  const std::string tool = (fs::path(sd::host::ProgramDir("")) / ".." / "stockdyn").string();
  const fs::path dir = ForecastDir(state.range(0) != 0);
  long peak_kb = 0;
  for (auto _ : state) {
    const pid_t pid = fork();
    if (pid == 0) {
      if (!freopen("/dev/null", "w", stdout)) _exit(126);
      execl(tool.c_str(), tool.c_str(), "forecast", "--security", "IBM Corp", "--date",
            "2026-03-20", "--dir", dir.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    struct rusage ru {};
    wait4(pid, &status, 0, &ru);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("the forecast failed");
    peak_kb = std::max(peak_kb, ru.ru_maxrss);
  }
  state.counters["peak_rss_kb"] = static_cast<double>(peak_kb);
}
BENCHMARK(ForecastPeakMemory)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(Scratch(), ec);
  return 0;
}
