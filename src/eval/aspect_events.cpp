// Aspect events (kind 2): the object loops of the event, the positions each combination is
// measured in, and the hand-over to the position tests of aspect_factor.h.
#include <optional>

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

}  // namespace

void ScoreKind2(KindContext& ctx) {
  const model::EvKind2& ev = ctx.Def().K.k2;

  // With mean motions the event measures on private copies of the charts whose longitudes
  // around t follow the mean daily motions.
  struct Copies {
    ChartData natal[4];
    MomentSnapshot transit[4];
  };
  std::optional<Copies> copies;  // in the event's own work area, not on the heap
  EventInputs own;
  if (ev.A55 == 1) {
    own = *ctx.In;
    copies.emplace();
    ChartData* natal = copies->natal;
    MomentSnapshot* transit = copies->transit;
    for (int p = 0; p < 4; ++p) {
      natal[p] = *ctx.In->Natal[p];
      transit[p] = *ctx.In->Transit[p];
      own.Natal[p] = &natal[p];
      own.Transit[p] = &transit[p];
    }
    MeanMotionStencil(natal[kAt], ctx.In->DeltaDays, natal[kBefore], natal[kAfter], natal[kAfter2]);
    MeanMotionStencil(transit[kAt], ctx.In->GridStepDays, transit[kBefore], transit[kAfter],
                      transit[kAfter2]);
    ctx.In = &own;
  }

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
  for (int i = 0; i < kObjectCount; ++i) {
    if (!ev.A1.Has(i)) continue;
    for (int j = 0; j < kObjectCount; ++j) {
      if (!ev.A4.Has(j) || !VisitAspectPair(suppress, ev.A1, ev.A4, i, j)) continue;
      // The tests below depend on the pair only; they are asked once, before its first aspect.
      int admitted = -1;
      Track a{}, b{};
      for (int k = 1; k <= AspectCount; ++k) {
        if (!ev.A2.Has(k)) continue;
        if (admitted < 0) {
          admitted = ctx.Admit({i, j}) && ctx.Qualifies(i, ev.A0, ev.A11, coord) &&
                     ctx.Qualifies(j, ev.A3, ev.A44, coord);
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

}  // namespace sd::eval
