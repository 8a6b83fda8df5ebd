#pragma once
// The value of a model at one moment: every event is evaluated against the natal chart and
// the moment's transit snapshots, and the weighted event values are summed (no normalisation,
// no clamping).
#include <cstdint>
#include <vector>

#include "astro/chart_data.h"
#include "astro/moment_snapshot.h"
#include "model/ev_list.h"

namespace sd::eval {

class TPlanetary_T;

// The interaction setting of the engine (a constant of the build): time-cycle events have an
// exact moment.
inline constexpr bool kInteractionSetting = true;

enum EvaluationMode : uint8_t {
  CountMode = 0,   // an event contributes weight x hit count
  GradedMode = 1,  // weight x graded value
};

// Options handed unchanged from the model level down to the factor tests.
struct PassThroughOptions {
  int32_t Int[4] = {0, 0, 0, 0};
  // Set: natal objects always use the natal stencil charts (aspect factors).
  uint8_t NatalStencilAlways = 0;
  // Zone offset in hours for the calendar kinds; NoValue when not given.
  double ZoneHours = astro::NoValue;
};

// Stencil points, in the order every array below uses.
enum StencilPoint : int { kBefore = 0, kAt = 1, kAfter = 2, kAfter2 = 3 };

// What the model level receives for one moment.
struct ModelInputs {
  const astro::MomentSnapshot* Transit[4] = {};  // t - step, t, t + step, t + 2 step
  const astro::ChartData* NatalAt = nullptr;     // natal chart at t
  const astro::ChartData* NatalAfter = nullptr;  // natal chart at t + delta (delta may be 0)
  astro::ChartMoment Moment = astro::kNoMoment;
  double GridStepDays = 0;
  EvaluationMode Mode = GradedMode;
  PassThroughOptions Options;
  // The process's planet-pair metric table; null when there is none (kind 33 never hits).
  const TPlanetary_T* Metrics = nullptr;
};

// The explanation list: one entry per event that had a hit. Owned by the caller.
using ExplanationList = std::vector<model::TEvInfoElementAbout>;

// The model value at the moment. When `explain` is given and `clear_explain` is set, the list
// is emptied first; when it is given, events of weight 0 are evaluated too (they add nothing).
double EvaluateModel(const model::TEvList& model, const ModelInputs& in,
                     ExplanationList* explain = nullptr, bool clear_explain = true);

// Natal charts at t - delta and t + 2 delta, extrapolated linearly from the charts at t and
// t + delta: ecliptic longitudes of all objects, right ascensions and heliocentric longitudes
// of the planets as angles (signed shortest difference, result in [0, 360)), latitudes of the
// planets as plain numbers. Every other value is a copy of the chart at t; a NoValue at t (or
// at t + delta) is left as the chart at t has it.
void ExtrapolateNatal(const astro::ChartData& at, const astro::ChartData& after, astro::ChartData& before_out,
                      astro::ChartData& after2_out);

}  // namespace sd::eval
