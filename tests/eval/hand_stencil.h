#pragma once
// Four transit snapshots and four natal charts placed by hand, one per stencil point, and the
// evaluation of one event on them. Kind tests use it to give an object a motion of its own.
#include <cstddef>
#include <memory>

#include "astro/chart_data.h"
#include "astro/moment_snapshot.h"
#include "eval/event_frame.h"
#include "model/event_def.h"

namespace sd::testing {

class HandStencil {
 public:
  explicit HandStencil(double grid_step_days = 1.0, double natal_step_days = 0.0) {
    for (int s = 0; s < 4; ++s) {
      natal_[s] = std::make_unique<astro::ChartData>();
      natal_[s]->Moment = astro::ChartMoment(1.0);
      in_.Transit[s] = &transit_[s];
      in_.Natal[s] = natal_[s].get();
    }
    in_.Moment = astro::ChartMoment(1.0);
    in_.GridStepDays = grid_step_days;
    in_.DeltaDays = natal_step_days;
  }

  // Longitudes of a transit object at t - step, t, t + step, t + 2 step.
  void TransitLon(int obj, double before, double at, double after, double after2) {
    const double v[4] = {before, at, after, after2};
    for (int s = 0; s < 4; ++s) transit_[s].SetLongitude(obj, v[s]);
  }
  void TransitLon(int obj, double lon) { TransitLon(obj, lon, lon, lon, lon); }
  // A row of the planet table of the snapshots (offsets of snapshot_offset).
  void TransitPlanetRow(size_t offset, int planet, double before, double at, double after,
                        double after2) {
    const double v[4] = {before, at, after, after2};
    for (int s = 0; s < 4; ++s) transit_[s].SetPlanetRow(offset, planet, v[s]);
  }

  // Longitudes of a natal object in the four stencil charts; the object is switched on.
  void NatalLon(int obj, double before, double at, double after, double after2) {
    const double v[4] = {before, at, after, after2};
    for (int s = 0; s < 4; ++s) {
      natal_[s]->ObjectOn[obj] = 1;
      natal_[s]->Object[astro::kLongitude][obj] = v[s];
    }
  }
  void NatalLon(int obj, double lon) { NatalLon(obj, lon, lon, lon, lon); }
  astro::ChartData& NatalAt(int s) { return *natal_[s]; }

  eval::EventResult Evaluate(const model::EventDef& def) const { return eval::EvaluateEvent(def, in_); }

 private:
  astro::MomentSnapshot transit_[4];
  std::unique_ptr<astro::ChartData> natal_[4];
  eval::EventInputs in_;
};

// An event of the kind with every other field zero.
inline model::EventDef BlankEvent(int kind) {
  model::EventDef def{};
  def.Kind = static_cast<uint8_t>(kind);
  return def;
}

}  // namespace sd::testing
