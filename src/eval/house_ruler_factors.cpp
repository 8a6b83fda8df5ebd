// House ruler events (kind 21): the planets that rule the sign on a house cusp, judged by where
// they stand, how they move, whom they aspect, their dignity and interception. The event has no
// object loop: one condition test, then one factor test that hits at most once.
#include <array>
#include <span>

#include "astro/angles.h"
#include "astro/aspects.h"
#include "astro/dignities.h"
#include "astro/houses.h"
#include "astro/moment_snapshot.h"
#include "eval/event_frame.h"
#include "eval/house_ruler_factors.h"

namespace sd::eval {

namespace {

using Row = std::array<double, astro::kObjectCount>;

// The longitude row of a chart selector at a stencil point: the natal chart, or the moment's
// transit snapshot unpacked. Only those two charts exist on the evaluation's paths; any other
// selector reads as a chart where nothing is known.
Row LongitudeRow(const KindContext& ctx, int selector, StencilPoint p) {
  Row row;
  row.fill(astro::NoValue);
  if (selector == 0) {
    const astro::ChartData& c = ctx.NatalAt(p);
    for (int n = 0; n < astro::kObjectCount; ++n) row[n] = c.Object[astro::kLongitude][n];
  } else if (selector == 1) {
    astro::UnpackRow(ctx.TransitAt(p).bytes + astro::snapshot_offset::kLongitude, row);
  }
  return row;
}

bool IsHouse(int h) { return h >= 1 && h <= 12; }

// The planets 0..9 ruling the sign on cusp h of the row; empty when the cusp is unknown.
astro::ObjectSet RulersOfHouse(const Row& cusps, int h) {
  astro::ObjectSet rulers;
  if (!IsHouse(h)) return rulers;
  const double c = cusps[astro::CuspObject(h)];
  if (!astro::IsValue(c)) return rulers;
  const int sign = astro::SignOf(c);
  if (sign < 1 || sign > 12) return rulers;
  for (int p = 0; p < astro::kPlanetCount; ++p)
    if (astro::DignitySets[sign - 1].RulerSet.Has(p)) rulers.Add(p);
  return rulers;
}

// Sub-test 3: some planet ruling one house aspects a planet ruling the other; a planet that
// rules both never pairs with itself.
bool RulersInAspect(const model::EvKind21& ev, const Row& cusps, const Row& x, const astro::ObjectSet& r1) {
  if (ev.SecondHouse == ev.House) return false;
  const astro::ObjectSet r2 = RulersOfHouse(cusps, ev.SecondHouse);
  for (int i = 0; i < astro::kPlanetCount - 1; ++i) {
    for (int j = i + 1; j < astro::kPlanetCount; ++j) {
      const bool linked = (r1.Has(i) && r2.Has(j)) || (r2.Has(i) && r1.Has(j));
      if (!linked || !astro::IsValue(x[i]) || !astro::IsValue(x[j])) continue;
      if (AnyAspectIn(ev.Aspects, x[j], x[i], ev.Orb)) return true;
    }
  }
  return false;
}

bool HouseRulerTest(const model::EvKind21& ev, const Row& cusps, const Row& x, const Row& x_next) {
  const astro::ObjectSet rulers = RulersOfHouse(cusps, ev.House);
  if (rulers.Empty()) return false;
  if (ev.Test == 3) return RulersInAspect(ev, cusps, x, rulers);

  const std::span<const double, astro::kObjectCount> cusp_row(cusps);
  for (int i = 0; i < astro::kPlanetCount; ++i) {
    if (!rulers.Has(i)) continue;
    // An absent ruler stands nowhere and qualifies for nothing.
    if (!astro::IsValue(x[i])) continue;
    bool qualifies = false;
    switch (ev.Test) {
      case 0: qualifies = ev.Signs.Has(astro::SignOf(x[i])); break;
      case 1: qualifies = ev.Houses.Has(astro::HouseOfCusps(cusps.data(), x[i])); break;
      case 2: {
        // The luminaries never turn back.
        if (i < 2 || !astro::IsValue(x_next[i])) break;
        const double ahead = astro::SignedDifference(x[i], x_next[i]);
        qualifies = ev.Direction == 0 ? ahead > 0 : ahead < 0;
        break;
      }
      case 4: qualifies = astro::SignDignity(i, x[i]) == ev.Dignity; break;
      case 5: qualifies = astro::HouseDignity(i, cusp_row, x[i]) == ev.Dignity; break;
      case 6: qualifies = astro::InInterceptedSign(cusp_row, x[i]); break;
      default: return false;
    }
    if (qualifies) return true;
  }
  return false;
}

}  // namespace

void ScoreHouseRuler(KindContext& ctx) {
  const model::EvKind21& ev = ctx.Def().K.k21;
  if (!ctx.Admit({})) return;
  const Row cusps = LongitudeRow(ctx, ev.CuspChart, kAt);
  const Row x = LongitudeRow(ctx, ev.RulerChart, kAt);
  const Row x_next = ev.Test == 2 ? LongitudeRow(ctx, ev.RulerChart, kAfter) : x;
  if (HouseRulerTest(ev, cusps, x, x_next)) ctx.Hit(1.0);
}

}  // namespace sd::eval
