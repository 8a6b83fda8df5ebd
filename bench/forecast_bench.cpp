// What one forecast request costs, next to the ephemeris work alone as a reference library does
// it, and the cost of one model evaluation. Run from the build tree: build/bench/forecast_bench.
//
//   Request            one whole request in process: start-up, natal lookup and chart, model
//                      load, 41 transit charts and evaluations, picture, page, clean-up
//   ReferenceEphemeris Sun, Moon and planets for the 42 charts of a request (Moshier mode)
//   ModelEvaluation    the shipped model at one moment
//   CgiProcess         the CGI program run as a process, as the web server runs it: counters
//                      peak_rss_kb and child_cpu_ms (user + system time of one run, start-up
//                      and font configuration included, which Request pays only once)
#include <benchmark/benchmark.h>
#include <swephexp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "astro/calendar.h"
#include "astro/chart.h"
#include "astro/moment_snapshot.h"
#include "cgi/request.h"
#include "eval/weighted_sum.h"
#include "host/picture.h"
#include "host/process.h"
#include "host/program_dir.h"
#include "model/ev_list.h"
#include "installed_dir.h"

namespace fs = std::filesystem;

namespace {

const char* const kQuery = "TRS_TZ=EST&D3_NATAL_DATA_TOWNS=IBM+Corp";

using sd::bench::InstalledDir;

// The request reads its files from the directory of the running program: give this one the
// installed data files and a picture directory of its own.
void PrepareOwnProgramDir() {
  sd::bench::PrepareOwnProgramDir({"Nyse.mil", "stock.hyp", "towns.nd", "towns.ndx", "srv_stock_dyn.ini"});
}

void CleanPictures() {
  std::error_code ec;
  for (auto& e : fs::directory_iterator(fs::path(sd::host::ProgramDir("Temp")), ec))
    if (e.path().extension() == ".gif") fs::remove(e.path(), ec);
}

void Request(benchmark::State& state) {
  PrepareOwnProgramDir();
  setenv("QUERY_STRING", kQuery, 1);
  for (auto _ : state) {
    std::ostringstream page;
    const int rc = sd::cgi::RunRequest(page);
    benchmark::DoNotOptimize(rc);
    if (page.str().find("/Exe/Temp/") == std::string::npos) state.SkipWithError("no page");
  }
  CleanPictures();
}
BENCHMARK(Request)->Unit(benchmark::kMillisecond);

void ReferenceEphemeris(benchmark::State& state) {
  // The natal moment and the 41 grid moments of 20 March 2026 in New York.
  const double natal_jd = swe_julday(1911, 6, 16, 15.0, SE_GREG_CAL);
  const double start_jd = swe_julday(2026, 3, 20, 5.0, SE_GREG_CAL);
  double xx[6];
  char err[AS_MAXCH];
  for (auto _ : state) {
    for (int c = 0; c < 42; ++c) {
      const double jd = c == 0 ? natal_jd : start_jd + 0.5 * (c - 1);
      for (int body = SE_SUN; body <= SE_PLUTO; ++body) {
        swe_calc_ut(jd, body, SEFLG_MOSEPH, xx, err);
        benchmark::DoNotOptimize(xx[0]);
      }
    }
  }
  swe_close();
}
BENCHMARK(ReferenceEphemeris)->Unit(benchmark::kMillisecond);

void ModelEvaluation(benchmark::State& state) {
  sd::model::TEvList model;
  model.Load((InstalledDir() / "stock.hyp").string());
  auto natal = std::make_unique<sd::astro::ChartData>();
  natal->Event.Year = 1911;
  natal->Event.Month = 6;
  natal->Event.Day = 16;
  natal->Event.LocalTime = 10.0;
  natal->Event.Zone = -5.0;
  natal->Event.PlaceLatitude = 40.43;
  natal->Event.PlaceLongitude = -74.0;
  natal->ObjectOn.fill(1);
  for (int n = 10; n <= 14; ++n) natal->ObjectOn[n] = 0;
  sd::astro::ComputeChart(*natal, sd::astro::MomentSource::LocalClock);
  auto transit = std::make_unique<sd::astro::ChartData>(*natal);
  transit->ObjectOn.fill(0);
  for (int n : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 30}) transit->ObjectOn[n] = 1;
  transit->Moment = sd::astro::MomentFromDate(2026, 3, 20, 5.0);
  sd::astro::ComputeChart(*transit, sd::astro::MomentSource::Moment);
  sd::astro::MomentSnapshot snap;
  sd::astro::FillSnapshot(snap, *transit);

  sd::eval::ModelInputs in;
  for (auto& p : in.Transit) p = &snap;
  in.NatalAt = natal.get();
  in.NatalAfter = natal.get();
  in.Moment = transit->Moment;
  in.GridStepDays = 0.5;
  for (auto _ : state) benchmark::DoNotOptimize(sd::eval::EvaluateModel(model, in));
  state.counters["events"] = model.Count();
}
BENCHMARK(ModelEvaluation)->Unit(benchmark::kMicrosecond);

// The CGI program as the web server runs it: the child's peak resident set size and CPU time.
void CgiProcess(benchmark::State& state) {
  const std::string cgi = (InstalledDir() / "srv_stock_dyn").string();
  const fs::path temp = InstalledDir() / "Temp";
  std::set<fs::path> before;
  std::error_code ec;
  for (auto& e : fs::directory_iterator(temp, ec)) before.insert(e.path());
  long peak_kb = 0;
  double cpu_ms = 0;
  for (auto _ : state) {
    const pid_t pid = fork();
    if (pid == 0) {
      if (!freopen("/dev/null", "w", stdout)) _exit(126);
      setenv("QUERY_STRING", kQuery, 1);
      execl(cgi.c_str(), cgi.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    struct rusage ru {};
    wait4(pid, &status, 0, &ru);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("the CGI failed");
    peak_kb = std::max(peak_kb, ru.ru_maxrss);
    cpu_ms += (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 +
              (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
  }
  state.counters["peak_rss_kb"] = static_cast<double>(peak_kb);
  state.counters["child_cpu_ms"] = cpu_ms / static_cast<double>(state.iterations());
  // Only the pictures these runs drew go.
  for (auto& e : fs::directory_iterator(temp, ec))
    if (!before.count(e.path())) fs::remove(e.path(), ec);
}
BENCHMARK(CgiProcess)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
