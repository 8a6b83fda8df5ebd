// Cost of one moment's evaluation of a single sign/house or midpoint event at the largest sets a
// model can give it: kind 0 over all 40 objects, kind 3 over every pair, third object and aspect.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "astro/moment_snapshot.h"
#include "eval/weighted_sum.h"
#include "model/ev_list.h"

namespace {

struct Charts {
  std::unique_ptr<sd::astro::ChartData> natal = std::make_unique<sd::astro::ChartData>();
  sd::astro::MomentSnapshot snap;
  Charts() {
    auto transit = std::make_unique<sd::astro::ChartData>();
    natal->Moment = sd::astro::ChartMoment(0.5);
    for (int n = 0; n < sd::astro::kObjectCount; ++n) {
      if (n >= 10 && n <= 14) continue;
      natal->ObjectOn[n] = 1;
      natal->Object[sd::astro::kLongitude][n] = 9.7 * n;
      transit->Object[sd::astro::kLongitude][n] = 13.1 * n;
    }
    sd::astro::FillSnapshot(snap, *transit);
  }
};

std::string AllObjects() {
  std::string s;
  for (int n = 0; n < sd::astro::kObjectCount; ++n) s += std::to_string(n) + ",";
  return s;
}

void Evaluate(benchmark::State& state, const std::string& text) {
  const std::string path = "/tmp/sd_signs_bench_" + std::to_string(::getpid()) + ".hyp";
  std::ofstream(path, std::ios::binary) << text;
  sd::model::TEvList model;
  model.Load(path);
  std::remove(path.c_str());
  Charts c;
  sd::eval::ModelInputs in;
  for (auto& p : in.Transit) p = &c.snap;
  in.NatalAt = c.natal.get();
  in.NatalAfter = c.natal.get();
  in.Moment = sd::astro::ChartMoment(1.26);
  in.GridStepDays = 0.5;
  for (auto _ : state) benchmark::DoNotOptimize(sd::eval::EvaluateModel(model, in));
}

void BM_SignsAndHousesAllObjects(benchmark::State& state) {
  Evaluate(state, "[E]\n_H=x\n_T=0\nP0=0\nP1=" + AllObjects() + "\nP2=1,5,9\nP3=2,6,10\n");
}
BENCHMARK(BM_SignsAndHousesAllObjects);

// Natal pairs (0) or transit pairs (1) against every transit third object and all 24 aspects.
void BM_MidpointsEverything(benchmark::State& state) {
  const std::string all = AllObjects();
  std::string aspects;
  for (int k = 1; k <= 24; ++k) aspects += std::to_string(k) + ",";
  Evaluate(state, "[E]\n_H=x\n_T=3\nM0=" + std::to_string(state.range(0)) + "\nM1=" + all + "\nM2=" + all +
                      "\nM3=" + aspects + "\nM4=1\nM5=" + all + "\nM6=2\n");
}
BENCHMARK(BM_MidpointsEverything)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
