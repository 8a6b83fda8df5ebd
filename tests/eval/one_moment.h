#pragma once
// One event at one moment, with a natal chart and a transit chart whose objects the test
// places by hand; everything not placed is absent (NoValue). The transit chart reaches the
// event as the packed snapshot, at all four stencil points, as in the forecast run.
#include <memory>

#include "astro/calendar.h"
#include "astro/chart_data.h"
#include "astro/moment_snapshot.h"
#include "eval/event_frame.h"
#include "model/event_def.h"

namespace sd::eval::testing {

class OneMoment {
 public:
  OneMoment() : natal_(std::make_unique<astro::ChartData>()), transit_(std::make_unique<astro::ChartData>()) {
    natal_->Moment = astro::MomentFromDate(1990, 1, 1, 12);
    transit_->Moment = astro::MomentFromDate(2026, 3, 20, 5);
  }

  void Natal(int obj, double lon) {
    natal_->ObjectOn[static_cast<size_t>(obj)] = 1;
    natal_->Object[astro::kLongitude][obj] = lon;
  }
  void Transit(int obj, double lon) { transit_->Object[astro::kLongitude][obj] = lon; }
  // Places an object in the chart an event's selector names (0 natal, 1 transit), in any
  // coordinate row.
  void Place(int selector, int obj, double value, int row = astro::kLongitude) {
    astro::ChartData& chart = selector == 0 ? *natal_ : *transit_;
    chart.ObjectOn[static_cast<size_t>(obj)] = 1;
    chart.Object[row][obj] = value;
  }
  astro::ChartData& NatalChart() { return *natal_; }
  astro::ChartData& TransitChart() { return *transit_; }

  EventResult Run(const model::EventDef& def, astro::ChartMoment t = astro::kNoMoment) {
    FillSnapshot(snap_, *transit_);
    EventInputs in;
    for (auto& p : in.Transit) p = &snap_;
    for (auto& p : in.Natal) p = natal_.get();
    in.Moment = astro::IsValue(t) ? t : transit_->Moment;
    in.GridStepDays = 0.5;
    in.NatalMoment = natal_->Moment;
    return EvaluateEvent(def, in);
  }

 private:
  std::unique_ptr<astro::ChartData> natal_, transit_;
  astro::MomentSnapshot snap_;
};

// A zeroed event of the kind, weight aside (the event level does not read it).
inline model::EventDef EventOfKind(int kind) {
  model::EventDef def{};
  def.Kind = static_cast<uint8_t>(kind);
  return def;
}

}  // namespace sd::eval::testing
