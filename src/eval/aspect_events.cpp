// Aspect events (kind 2): the object loops of the event, the positions each combination is
// measured in, and the hand-over to the position tests of aspect_factor.h.
#include "astro/aspects.h"
#include "eval/aspect_factor.h"
#include "eval/event_frame.h"
#include "eval/kinds.h"
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

void ScoreAspects(KindContext& ctx);

// Natal charts at t - delta, t + delta, t + 2 delta with their longitudes moved by the mean
// daily motions, then the aspects.
void ScoreWithNatalMeanMotion(KindContext& ctx) {
  const EventInputs& in = *ctx.In;
  ChartData before(*in.Natal[kBefore]), after(*in.Natal[kAfter]), after2(*in.Natal[kAfter2]);
  MeanMotionStencil(*in.Natal[kAt], in.DeltaDays, before, after, after2);
  EventInputs own = in;
  own.Natal[kBefore] = &before;
  own.Natal[kAfter] = &after;
  own.Natal[kAfter2] = &after2;
  ctx.In = &own;
  ScoreAspects(ctx);
  ctx.In = &in;
}

// Transit snapshots (and, when they move, natal charts) around t from the mean daily motions,
// then the aspects. The copies live in this frame only while the event is scored.
void ScoreWithMeanMotion(KindContext& ctx) {
  const EventInputs& in = *ctx.In;
  MomentSnapshot before(*in.Transit[kBefore]), after(*in.Transit[kAfter]),
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
    ScoreAspects(ctx);
  else
    ScoreWithNatalMeanMotion(ctx);
  ctx.In = &in;
}

}  // namespace

void ScoreKind2(KindContext& ctx) {
  if (ctx.Def().K.k2.A55 == 1)
    ScoreWithMeanMotion(ctx);
  else
    ScoreAspects(ctx);
}

namespace {

void ScoreAspects(KindContext& ctx) {
  const model::EvKind2& ev = ctx.Def().K.k2;

  // A natal object keeps still against a transit one unless the caller asks otherwise.
  const bool natal_stencil = (ev.A0 == 0 && ev.A3 == 0) || ctx.In->Options.NatalStencilAlways != 0;
  const int coord = ev.V7;
  const int harmonic = ev.A9;
  const ChartMoment t = ctx.In->Moment;

  auto track = [&](int obj, int chart) {
    Track tr;
    for (int s = kBefore; s <= kAfter; ++s) {
      double v = NoValue, lat = NoValue;
      if (chart == 0) {
        const ChartData& c = ctx.NatalAt(natal_stencil ? static_cast<StencilPoint>(s) : kAt);
        v = ChartCoordinate(coord, c, obj);
        lat = ChartCoordinate(kCoordLatitude, c, obj);
      } else if (chart == 1) {
        const MomentSnapshot& sn = ctx.TransitAt(static_cast<StencilPoint>(s));
        v = SnapshotCoordinate(coord, sn, obj, t);
        lat = SnapshotCoordinate(kCoordLatitude, sn, obj, t);
      }
      tr.pos[s] = ApplyHarmonic(coord, v, harmonic);
      tr.lat[s] = lat;
    }
    return tr;
  };

  AspectFactorParams params;
  params.phase_mask = ev.A5;
  params.orb_limit = ev.A6;
  params.side = ev.A8;

  const bool suppress = ev.A0 == ev.A3 && model::QualifiersEqual(ev.A11, ev.A44);
  // The members, in ascending order, so that the loops visit only them.
  int first[kObjectCount], second[kObjectCount], aspects[AspectCount];
  int n_first = 0, n_second = 0, n_aspects = 0;
  for (int n = 0; n < kObjectCount; ++n) {
    if (ev.A1.Has(n)) first[n_first++] = n;
    if (ev.A4.Has(n)) second[n_second++] = n;
  }
  for (int k = 1; k <= AspectCount; ++k)
    if (ev.A2.Has(k)) aspects[n_aspects++] = k;
  if (n_aspects == 0) return;
  // An inactive qualifier passes every object: it is not asked.
  const bool first_qualified = model::QualifierActive(ev.A11);
  const bool second_qualified = model::QualifierActive(ev.A44);

  for (int fi = 0; fi < n_first; ++fi) {
    const int i = first[fi];
    for (int si = 0; si < n_second; ++si) {
      const int j = second[si];
      if (!VisitAspectPair(suppress, ev.A1, ev.A4, i, j)) continue;
      // The tests below depend on the pair only; they are asked once, before its first aspect.
      int admitted = -1;
      Track a{}, b{};
      for (int ki = 0; ki < n_aspects; ++ki) {
        const int k = aspects[ki];
        if (admitted < 0) {
          admitted = ctx.Admit({i, j}) && (!first_qualified || ctx.Qualifies(i, ev.A0, ev.A11, coord)) &&
                     (!second_qualified || ctx.Qualifies(j, ev.A3, ev.A44, coord));
          if (admitted) {
            a = track(i, ev.A0);
            b = track(j, ev.A3);
          }
        }
        if (!admitted) break;
        params.aspect = k;
        AspectFactorResult r;
        if (ctx.Def().CM == 1) {
          r = ExactMomentTest(params, harmonic, {a.pos[kAt], a.pos[kAfter], b.pos[kAt], b.pos[kAfter]});
        } else if (coord == kCoordLongitudeLatitude && (k == kConjunction || k == kOpposition)) {
          r = CloseApproachTest(k, ev.A6, {a.pos[kAt], a.lat[kAt], a.pos[kAfter], a.lat[kAfter]},
                                {b.pos[kAt], b.lat[kAt], b.pos[kAfter], b.lat[kAfter]});
        } else {
          r = AspectInOrbTest(params, {a.pos[kBefore], a.pos[kAt], b.pos[kBefore], b.pos[kAt]});
        }
        if (r.hit) ctx.Hit(r.strength, r.second);
      }
    }
  }
}

}  // namespace

}  // namespace sd::eval
