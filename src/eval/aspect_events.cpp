// Aspect events (kind 2): the object loops of the event, the positions each combination is
// measured in, and the hand-over to the position tests of aspect_factor.h.
#include "astro/aspects.h"
#include "eval/aspect_factor.h"
#include "eval/event_frame.h"
#include "eval/aspect_events.h"
#include "eval/mean_motion.h"
#include "model/conditions.h"

namespace sd::eval {

namespace {

// One object's positions at t - step, t and t + step (harmonic applied), and its latitudes
// at t and t + step for the close approach.
struct Track {
  double pos[3];
  double lat[3];
};

void ScoreAspectPairs(KindContext& ctx);

// Natal charts at t - delta, t + delta, t + 2 delta with their longitudes moved by the mean
// daily motions, then the aspects.
void ScoreWithNatalMeanMotion(KindContext& ctx) {
  const EventInputs& in = *ctx.In;
  astro::ChartData before(*in.Natal[kBefore]), after(*in.Natal[kAfter]), after2(*in.Natal[kAfter2]);
  MeanMotionStencil(*in.Natal[kAt], in.DeltaDays, before, after, after2);
  EventInputs own = in;
  own.Natal[kBefore] = &before;
  own.Natal[kAfter] = &after;
  own.Natal[kAfter2] = &after2;
  ctx.In = &own;
  ScoreAspectPairs(ctx);
  ctx.In = &in;
}

// Transit snapshots (and, when they move, natal charts) around t from the mean daily motions,
// then the aspects. The copies live in this frame only while the event is scored.
void ScoreWithMeanMotion(KindContext& ctx) {
  const EventInputs& in = *ctx.In;
  astro::MomentSnapshot before(*in.Transit[kBefore]), after(*in.Transit[kAfter]),
      after2(*in.Transit[kAfter2]);
  MeanMotionStencil(*in.Transit[kAt], in.GridStepDays, before, after, after2);
  EventInputs own = in;
  own.Transit[kBefore] = &before;
  own.Transit[kAfter] = &after;
  own.Transit[kAfter2] = &after2;
  ctx.In = &own;
  // With no natal step and one natal chart at every point (the forecast run) the natal
  // stencil would write each longitude back unchanged.
  const bool natal_still = in.DeltaDays == 0 && in.Natal[kBefore] == in.Natal[kAt] &&
                           in.Natal[kAfter] == in.Natal[kAt] && in.Natal[kAfter2] == in.Natal[kAt];
  if (natal_still)
    ScoreAspectPairs(ctx);
  else
    ScoreWithNatalMeanMotion(ctx);
  ctx.In = &in;
}

}  // namespace

void ScoreAspects(KindContext& ctx) {
  if (ctx.Def().K.k2.MeanMotion == 1)
    ScoreWithMeanMotion(ctx);
  else
    ScoreAspectPairs(ctx);
}

namespace {

// The positions of object `obj` of chart `chart` (0 natal, 1 transit) at the stencil points,
// in the event's coordinate with its harmonic applied, and its latitudes.
Track TrackOf(KindContext& ctx, int obj, int chart, bool natal_stencil) {
  const model::EvKind2& ev = ctx.Def().K.k2;
  const int coord = ev.Coordinate;
  const astro::ChartMoment t = ctx.In->Moment;
  Track tr;
  for (int s = kBefore; s <= kAfter; ++s) {
    double v = astro::NoValue, lat = astro::NoValue;
    if (chart == 0) {
      const astro::ChartData& c = ctx.NatalAt(natal_stencil ? static_cast<StencilPoint>(s) : kAt);
      v = ChartCoordinate(coord, c, obj);
      lat = ChartCoordinate(kCoordLatitude, c, obj);
    } else if (chart == 1) {
      const astro::MomentSnapshot& sn = ctx.TransitAt(static_cast<StencilPoint>(s));
      v = SnapshotCoordinate(coord, sn, obj, t);
      lat = SnapshotCoordinate(kCoordLatitude, sn, obj, t);
    }
    tr.pos[s] = ApplyHarmonic(coord, v, ev.Harmonic);
    tr.lat[s] = lat;
  }
  return tr;
}

// The members of a set in ascending order, so that the loops visit only them; returns how many.
int MembersOf(const astro::ObjectSet& set, int count, int first_member, int* out) {
  int n = 0;
  for (int m = first_member; m < first_member + count; ++m)
    if (set.Has(m)) out[n++] = m;
  return n;
}

// Aspect k between the tracks a and b: at the exact moment (CM = 1), as a close approach
// (conjunction and opposition in longitude and latitude), or within its orb.
AspectFactorResult AspectTest(KindContext& ctx, AspectFactorParams params, int k, const Track& a,
                              const Track& b) {
  const model::EvKind2& ev = ctx.Def().K.k2;
  params.aspect = k;
  if (ctx.Def().CM == 1)
    return ExactMomentTest(params, ev.Harmonic, {a.pos[kAt], a.pos[kAfter], b.pos[kAt], b.pos[kAfter]});
  if (ev.Coordinate == kCoordLongitudeLatitude && (k == astro::kConjunction || k == astro::kOpposition))
    return CloseApproachTest(k, ev.Orb, {a.pos[kAt], a.lat[kAt], a.pos[kAfter], a.lat[kAfter]},
                             {b.pos[kAt], b.lat[kAt], b.pos[kAfter], b.lat[kAfter]});
  return AspectInOrbTest(params, {a.pos[kBefore], a.pos[kAt], b.pos[kBefore], b.pos[kAt]});
}

void ScoreAspectPairs(KindContext& ctx) {
  const model::EvKind2& ev = ctx.Def().K.k2;
  // A natal object keeps still against a transit one unless the caller asks otherwise.
  const bool natal_stencil = (ev.FirstChart == 0 && ev.SecondChart == 0) || ctx.In->Options.NatalStencilAlways != 0;
  const int coord = ev.Coordinate;

  AspectFactorParams params;
  params.phase_mask = ev.Phases;
  params.orb_limit = ev.Orb;
  params.side = ev.Side;

  const bool suppress = ev.FirstChart == ev.SecondChart && model::QualifiersEqual(ev.FirstQualifier, ev.SecondQualifier);
  int first[astro::kObjectCount], second[astro::kObjectCount], aspects[astro::AspectCount];
  const int n_first = MembersOf(ev.First, astro::kObjectCount, 0, first);
  const int n_second = MembersOf(ev.Second, astro::kObjectCount, 0, second);
  const int n_aspects = MembersOf(ev.Aspects, astro::AspectCount, 1, aspects);
  if (n_aspects == 0) return;
  // An inactive qualifier passes every object: it is not asked.
  const bool first_qualified = model::QualifierActive(ev.FirstQualifier);
  const bool second_qualified = model::QualifierActive(ev.SecondQualifier);

  for (int fi = 0; fi < n_first; ++fi) {
    const int i = first[fi];
    for (int si = 0; si < n_second; ++si) {
      const int j = second[si];
      if (!VisitAspectPair(suppress, ev.First, ev.Second, i, j)) continue;
      // The tests below depend on the pair only; they are asked once, before its first aspect.
      if (!ctx.Admit({i, j}) || (first_qualified && !ctx.Qualifies(i, ev.FirstChart, ev.FirstQualifier, coord)) ||
          (second_qualified && !ctx.Qualifies(j, ev.SecondChart, ev.SecondQualifier, coord)))
        continue;
      const Track a = TrackOf(ctx, i, ev.FirstChart, natal_stencil);
      const Track b = TrackOf(ctx, j, ev.SecondChart, natal_stencil);
      for (int ki = 0; ki < n_aspects; ++ki) {
        const AspectFactorResult r = AspectTest(ctx, params, aspects[ki], a, b);
        if (r.hit) ctx.Hit(r.strength);
      }
    }
  }
}

}  // namespace

}  // namespace sd::eval
