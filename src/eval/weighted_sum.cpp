#include <cmath>
#include <cstring>
#include <optional>

#include "astro/angles.h"
#include "astro/aspects.h"
#include "eval/weighted_sum.h"
#include "eval/event_frame.h"

namespace sd::eval {

namespace {

// Value at abscissa x of the line through (2, v2) and (3, v3).
double Extrapolate(double v2, double v3, double x) { return v2 + (v3 - v2) * (x - 2.0); }

double ExtrapolateAngle(double v2, double v3, double x) {
  return astro::NormalizeMod(v2 + astro::SignedDifference(v3, v2) * (x - 2.0), 360);
}

template <bool angular>
void ExtrapolateOne(double v2, double v3, double& before, double& after2) {
  if (!astro::IsValue(v2) || !astro::IsValue(v3)) return;  // the copies keep the value at t
  if constexpr (angular) {
    before = ExtrapolateAngle(v2, v3, 1.0);
    after2 = ExtrapolateAngle(v2, v3, 4.0);
  } else {
    before = Extrapolate(v2, v3, 1.0);
    after2 = Extrapolate(v2, v3, 4.0);
  }
}

}  // namespace

void ExtrapolateNatal(const astro::ChartData& at, const astro::ChartData& after, astro::ChartData& before_out,
                      astro::ChartData& after2_out) {
  const double delta = after.Moment - at.Moment;
  before_out = at;
  after2_out = at;
  before_out.Moment = at.Moment - delta;
  after2_out.Moment = at.Moment + 2 * delta;
  for (int o = 0; o < astro::kObjectCount; ++o)
    ExtrapolateOne<true>(at.Object[astro::kLongitude][o], after.Object[astro::kLongitude][o],
                         before_out.Object[astro::kLongitude][o], after2_out.Object[astro::kLongitude][o]);
  for (int p = 0; p < astro::kPlanetCount; ++p) {
    ExtrapolateOne<false>(at.Planet[astro::kLatitude][p], after.Planet[astro::kLatitude][p],
                          before_out.Planet[astro::kLatitude][p], after2_out.Planet[astro::kLatitude][p]);
    ExtrapolateOne<true>(at.Planet[astro::kRightAscension][p], after.Planet[astro::kRightAscension][p],
                         before_out.Planet[astro::kRightAscension][p],
                         after2_out.Planet[astro::kRightAscension][p]);
    ExtrapolateOne<true>(at.Object[astro::kHelioLongitude][p], after.Object[astro::kHelioLongitude][p],
                         before_out.Object[astro::kHelioLongitude][p],
                         after2_out.Object[astro::kHelioLongitude][p]);
  }
}

double EvaluateModel(const model::TEvList& model, const ModelInputs& in, ExplanationList* explain,
                     bool clear_explain) {
  if (explain && clear_explain) explain->clear();
  double total = 0;

  // The natal stencil. With the same chart at t and t + delta (the forecast run) all four
  // points are that chart, and no copies are made.
  EventInputs ev_in;
  for (int p = 0; p < 4; ++p) ev_in.Transit[p] = in.Transit[p];
  std::optional<astro::ChartData> before, after2;
  ev_in.Natal[kAt] = in.NatalAt;
  ev_in.Natal[kAfter] = in.NatalAfter;
  if (in.NatalAfter == in.NatalAt) {
    ev_in.Natal[kBefore] = ev_in.Natal[kAfter2] = in.NatalAt;
  } else {
    before.emplace(*in.NatalAt);
    after2.emplace(*in.NatalAt);
    ExtrapolateNatal(*in.NatalAt, *in.NatalAfter, *before, *after2);
    ev_in.Natal[kBefore] = &*before;
    ev_in.Natal[kAfter2] = &*after2;
  }
  ev_in.Moment = in.Moment;
  ev_in.DeltaDays = (in.NatalAfter->Moment - in.NatalAt->Moment) / astro::DayInCenturies;
  ev_in.GridStepDays = in.GridStepDays;
  ev_in.NatalMoment = in.NatalAt->Moment;
  ev_in.Options = in.Options;
  ev_in.Metrics = in.Metrics;

  for (int i = 0; i < model.Count(); ++i) {
    // The definition and the weight are all the evaluation reads of the record; copying the
    // header text as well would allocate for every event at every moment.
    const model::EventRecord& ev = model.Event(i);
    const double weight = ev.Weight;
    if (weight == 0.0 && !explain) continue;
    const EventResult r = EvaluateEvent(ev.Def, ev_in);
    const double value =
        in.Mode == CountMode ? static_cast<double>(r.Hits) : static_cast<double>(r.Graded);
    total += weight * value;
    if (explain && r.Hits != 0) explain->push_back({i, value});
  }
  return total;
}

}  // namespace sd::eval
