// Angle events (kind 8): the pair loop, the positions each pair is measured in, and the
// comparison of their difference or midpoint with the target angle.
#include "eval/angle_factors.h"

#include <cmath>

#include "astro/angles.h"
#include "astro/aspects.h"
#include "eval/aspect_factor.h"
#include "eval/event_frame.h"
#include "eval/orb_profile.h"
#include "eval/signs_factors.h"

namespace sd::eval {

bool LinearAngleCoordinate(int coordinate) {
  return coordinate == kCoordLatitude || coordinate == kCoordDeclination ||
         coordinate == kCoordHelioLatitude;
}

double CombinedAngle(int coordinate, int operation, double x, double y) {
  if (!astro::IsValue(x) || !astro::IsValue(y)) return astro::NoValue;
  const bool linear = LinearAngleCoordinate(coordinate);
  switch (operation) {
    case kAngleDifference: return linear ? y - x : astro::NormalizeMod(y - x, 360);
    case kAngleMidpoint: return linear ? (x + y) / 2 : NearerMidpoint(x, y);
    default: return astro::NoValue;
  }
}

double AngleDeviation(int coordinate, double target, double v) {
  if (!astro::IsValue(v)) return astro::NoValue;
  return LinearAngleCoordinate(coordinate) ? target - v : astro::SignedDifference(target, v);
}

AngleFactorResult AngleInOrbTest(const AngleFactorParams& params, int coordinate, double v_prev,
                                 double v_now) {
  AngleFactorResult r;
  if (!astro::IsValue(v_prev) || !astro::IsValue(v_now)) return r;
  const double d_now = AngleDeviation(coordinate, params.target, v_now);
  const double d_prev = AngleDeviation(coordinate, params.target, v_prev);
  // A value that passed the target during the step counts even when it is already beyond the
  // orb at t; it then adds nothing to the graded value but still counts as a hit.
  const bool crossed = astro::IsBetween(v_now, params.target, v_prev);
  if (!crossed && !(std::fabs(d_now) <= params.orb_limit)) return r;
  const int phase = std::fabs(d_now) < std::fabs(d_prev) ? 1 : 2;
  const uint8_t mask = params.phase_mask == 0 ? 3 : params.phase_mask;
  if (mask != 3 && (phase & mask) == 0) return r;
  r.hit = true;
  r.strength = OrbStrength(d_now, params.orb_limit);
  r.second = d_now;
  r.phase = phase;
  return r;
}

AngleFactorResult AngleExactTest(const AngleFactorParams& params, int coordinate, double w_now,
                                 double w_next) {
  AngleFactorResult r;
  if (!astro::IsValue(w_now) || !astro::IsValue(w_next)) return r;
  const double d_now = AngleDeviation(coordinate, params.target, w_now);
  const double d_next = AngleDeviation(coordinate, params.target, w_next);
  if (!astro::IsBetween(w_next, params.target, w_now) || (d_now < 0) == (d_next < 0)) return r;
  r.hit = true;
  r.strength = 1.0;
  r.second = d_now / (d_now - d_next);
  return r;
}

}  // namespace sd::eval

namespace sd::eval {

namespace {

// The values of one object at t - step, t and t + step in the event's coordinate, with its
// latitudes for the separation.
struct AngleTrack {
  double pos[3];
  double lat[3];
};

}  // namespace

void ScoreAngles(KindContext& ctx) {
  const model::EvKind8& ev = ctx.Def().K.k8;
  const int coord = ev.Coordinate;
  const astro::ChartMoment t = ctx.In->Moment;
  // A natal object keeps still against a transit one.
  const bool natal_stencil = ev.FirstChart == 0 && ev.SecondChart == 0;
  const bool same_chart = ev.FirstChart == ev.SecondChart;

  auto track = [&](int obj, int chart) {
    AngleTrack tr;
    for (int s = kBefore; s <= kAfter; ++s) {
      double v = astro::NoValue, lat = astro::NoValue;
      if (chart == 0) {
        const astro::ChartData& c = ctx.NatalAt(natal_stencil ? static_cast<StencilPoint>(s) : kAt);
        v = ChartCoordinate(coord == kCoordSeparation ? kCoordLongitude : coord, c, obj);
        lat = ChartCoordinate(kCoordLatitude, c, obj);
      } else if (chart == 1) {
        const astro::MomentSnapshot& sn = ctx.TransitAt(static_cast<StencilPoint>(s));
        v = SnapshotCoordinate(coord == kCoordSeparation ? kCoordLongitude : coord, sn, obj, t);
        lat = SnapshotCoordinate(kCoordLatitude, sn, obj, t);
      }
      tr.pos[s] = v;
      tr.lat[s] = lat;
    }
    return tr;
  };

  AngleFactorParams params;
  params.target = ev.Target;
  params.orb_limit = ev.Orb;
  params.phase_mask = ev.Phases;

  for (int i = 0; i < astro::kObjectCount; ++i) {
    if (!ev.First.Has(i)) continue;
    for (int j = 0; j < astro::kObjectCount; ++j) {
      if (!ev.Second.Has(j)) continue;
      // Each unordered pair once; an object with itself is a pair of its own.
      if (same_chart && ev.Second.Has(i) && ev.First.Has(j) && i < j) continue;
      if (!ctx.Admit({i, j})) continue;

      const bool self = same_chart && i == j;
      const AngleTrack b = track(j, ev.SecondChart);
      // An object paired with itself is measured from the zero point: its own position (for
      // the separation, its distance from the point 0 of longitude and latitude).
      const AngleTrack a = self ? AngleTrack{{0, 0, 0}, {0, 0, 0}} : track(i, ev.FirstChart);
      const int op = self ? static_cast<int>(kAngleDifference) : ev.Combination;
      double v[3];
      for (int s = kBefore; s <= kAfter; ++s)
        v[s] = coord == kCoordSeparation
                   ? GreatCircleDistance(a.pos[s], a.lat[s], b.pos[s], b.lat[s])
                   : CombinedAngle(coord, op, a.pos[s], b.pos[s]);

      const AngleFactorResult r = ctx.Def().CM == 1
                                      ? AngleExactTest(params, coord, v[kAt], v[kAfter])
                                      : AngleInOrbTest(params, coord, v[kBefore], v[kAt]);
      if (r.hit) ctx.Hit(r.strength);
    }
  }
}

}  // namespace sd::eval
