// Whatever model file a user writes, evaluating it at a moment must neither crash nor hang and
// must give a number: the forecast run draws what comes back.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "astro/moment_snapshot.h"
#include "eval/weighted_sum.h"
#include "model/ev_list.h"

namespace {

// A natal chart with every row filled and two moments, so that the natal stencil moves, and
// a transit snapshot with some objects absent.
struct Charts {
  std::unique_ptr<sd::astro::ChartData> natal = std::make_unique<sd::astro::ChartData>();
  std::unique_ptr<sd::astro::ChartData> natal_later = std::make_unique<sd::astro::ChartData>();
  sd::astro::MomentSnapshot snap;
  Charts() {
    auto transit = std::make_unique<sd::astro::ChartData>();
    natal->Moment = sd::astro::ChartMoment(0.5);
    natal_later->Moment = sd::astro::ChartMoment(0.5 + sd::astro::DayInCenturies);
    for (int n = 0; n < sd::astro::kObjectCount; ++n) {
      natal->ObjectOn[n] = natal_later->ObjectOn[n] = n % 3 != 0;
      for (int r = 0; r < sd::astro::kObjectRowCount; ++r) {
        natal->Object[r][n] = std::fmod(11.3 * n + r, 360.0);
        natal_later->Object[r][n] = std::fmod(11.3 * n + r + 0.7, 360.0);
        transit->Object[r][n] = n % 4 ? std::fmod(17.9 * n + r, 360.0) : sd::astro::NoValue;
      }
    }
    for (int p = 0; p < sd::astro::kPlanetCount; ++p)
      for (int r = 0; r < sd::astro::kPlanetRowCount; ++r) {
        natal->Planet[r][p] = 3.1 * p - r;
        natal_later->Planet[r][p] = 3.1 * p - r + 0.2;
        transit->Planet[r][p] = p % 5 ? 7.7 * p + r : sd::astro::NoValue;
      }
    sd::astro::FillSnapshot(snap, *transit);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/sd_eval_fuzz_" + std::to_string(::getpid()) + ".hyp";
  static const Charts charts;
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  sd::model::TEvList model;
  model.Load(path);

  sd::eval::ModelInputs in;
  for (auto& p : in.Transit) p = &charts.snap;
  in.Moment = sd::astro::ChartMoment(1.26);
  in.GridStepDays = 0.5;
  sd::eval::ExplanationList explain;
  for (int round = 0; round < 2; ++round) {
    in.NatalAt = charts.natal.get();
    in.NatalAfter = round == 0 ? charts.natal.get() : charts.natal_later.get();
    in.Mode = round == 0 ? sd::eval::GradedMode : sd::eval::CountMode;
    const double v = sd::eval::EvaluateModel(model, in, round == 0 ? nullptr : &explain);
    if (model.Count() == 0 && v != 0.0) std::abort();  // a model without events is worth 0
  }
  return 0;
}
