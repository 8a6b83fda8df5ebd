// Kind 33: an oscillation driven by the planet-pair metric table. The event names a pair; the
// table's value for the pair at the moment, scaled by "METR4", is taken as an angle whose sine,
// cosine or radian measure is the event's strength. There is no object loop: one test per event.
#include <cmath>

#include "astro/angles.h"
#include "eval/metric_factors.h"
#include "eval/metric_table.h"

namespace sd::eval {

namespace {

constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

}  // namespace

void ScorePlanetPairMetric(KindContext& ctx) {
  if (!ctx.Admit({})) return;
  const TPlanetary_T* table = ctx.In->Metrics;
  if (!table) return;
  const model::EvKind33 k = ctx.Def().K.k33;
  double v = table->Value(k.FirstPlanet, k.SecondPlanet, ctx.In->Moment);
  if (!astro::IsValue(v)) return;
  // An unwrapped series carries its full turns; "METR5" drops them before the scaling, so
  // that a multiplier that is not whole sees the angle itself.
  if (k.DropTurns == 1) v = astro::NormalizeMod(v, 360);
  const double radians = astro::NormalizeMod(v * k.Multiplier, 360) * kRadiansPerDegree;
  double strength;
  switch (k.Form) {
    case 0: strength = std::sin(radians); break;
    case 1: strength = std::cos(radians); break;
    default: strength = radians; break;
  }
  // A multiplier too large for the product to stay finite has no angle.
  if (!std::isfinite(strength)) return;
  ctx.Hit(strength);
}

}  // namespace sd::eval
