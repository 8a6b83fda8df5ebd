// Speed and station events (kind 1): the object loop and the positions of each object at the
// four stencil points.
#include "eval/speed_factors.h"

#include <cmath>

#include "astro/aspects.h"
#include "astro/chart_data.h"
#include "astro/moment.h"
#include "eval/aspect_factor.h"
#include "eval/event_frame.h"

namespace sd::eval {

int SpeedClassOf(int object, double speed) {
  if (object < 0 || object >= astro::kPlanetCount) return kSpeedFast;
  const SpeedThresholds& th = kSpeedThresholds[object];
  const double s = std::fabs(speed);
  if (s < th.slow_below) return kSpeedSlow;
  if (s < th.fast_from) return kSpeedAverage;
  return kSpeedFast;
}

namespace {

bool Known(const MotionStencil& p) {
  return astro::IsValue(p.before) && astro::IsValue(p.at) && astro::IsValue(p.after) &&
         astro::IsValue(p.after2);
}

bool MaskHolds(uint8_t mask, int bit) { return mask == 0 || ((mask >> bit) & 1) != 0; }

}  // namespace

SpeedStateResult SpeedStateTest(int object, const SpeedMasks& masks, const MotionStencil& p,
                                double step_days) {
  SpeedStateResult r;
  if (step_days == 0 || !astro::IsValue(p.before) || !astro::IsValue(p.at) || !astro::IsValue(p.after))
    return r;
  const double v = astro::SignedDifference(p.at, p.before) / step_days;
  const double a = (astro::SignedDifference(p.after, p.at) / step_days - v) / step_days;
  const int direction = v > 0 ? 0 : 1;
  const int accel = a > 0 ? 0 : 1;
  r.speed = v;
  r.acceleration = a;
  r.hit = MaskHolds(masks.direction, direction) && MaskHolds(masks.classes, SpeedClassOf(object, v)) &&
          MaskHolds(masks.acceleration, accel);
  return r;
}

bool TurningPointTest(const SpeedMasks& masks, const MotionStencil& p) {
  if (!Known(p)) return false;
  const double d1 = astro::SignedDifference(p.at, p.before);
  const double d2 = astro::SignedDifference(p.after, p.at);
  const double d3 = astro::SignedDifference(p.after2, p.after);
  if (masks.direction != 0 && d1 * d2 < 0) {
    const int new_direction = d2 > 0 ? 0 : 1;
    if ((masks.direction >> new_direction) & 1) return true;
  }
  if (masks.acceleration != 0 && (d2 - d1) * (d3 - d2) < 0 && d3 != 0) {
    const int turn = d2 - d1 > 0 ? 1 : 0;
    if ((masks.acceleration >> turn) & 1) return true;
  }
  return false;
}

}  // namespace sd::eval

namespace sd::eval {

void ScoreSpeedAndStations(KindContext& ctx) {
  const model::EvKind1& ev = ctx.Def().K.k1;
  // Longitude or right ascension; any other coordinate has no motion to judge here.
  if (ev.Coordinate != kCoordLongitude && ev.Coordinate != kCoordRightAscension) return;
  if (ev.Chart != 0 && ev.Chart != 1) return;
  const bool natal = ev.Chart == 0;
  const double step = natal ? ctx.In->DeltaDays : ctx.In->GridStepDays;
  const astro::ChartMoment t = ctx.In->Moment;
  const SpeedMasks masks{ev.SpeedClasses, ev.Acceleration, ev.Motion};
  const bool turning = ctx.Def().CM == 1;
  // The state is measured against the step; with none there is no speed.
  if (!turning && step == 0) return;

  for (int n = 0; n < astro::kObjectCount; ++n) {
    if (!ev.Objects.Has(n) || !ctx.Admit({n})) continue;
    double pos[4];
    for (int s = kBefore; s <= kAfter2; ++s) {
      const auto point = static_cast<StencilPoint>(s);
      pos[s] = natal ? ChartCoordinate(ev.Coordinate, ctx.NatalAt(point), n)
                     : SnapshotCoordinate(ev.Coordinate, ctx.TransitAt(point), n, t);
    }
    const MotionStencil p{pos[kBefore], pos[kAt], pos[kAfter], pos[kAfter2]};
    if (turning) {
      if (TurningPointTest(masks, p)) ctx.Hit(1.0);
    } else {
      const SpeedStateResult r = SpeedStateTest(n, masks, p, step);
      if (r.hit) ctx.Hit(r.speed);
    }
  }
}

}  // namespace sd::eval
