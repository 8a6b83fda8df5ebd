// Relative positions (kinds 11 and 12): an object standing just behind or just ahead of a
// reference object, or between two reference objects that stand close together. Both compare
// ecliptic longitudes at the moment; each hit adds 1 to the event's value.
#include <cmath>

#include "astro/angles.h"
#include "astro/aspects.h"
#include "eval/event_frame.h"
#include "eval/relative_factors.h"

namespace sd::eval {

namespace {

// Longitude of an object in chart k at the moment: 0 the natal chart, 1 the moment's
// transits. Any other chart, or an object outside the rows, has none.
double LongitudeAt(const KindContext& ctx, int object, int chart) {
  if (object < 0 || object >= astro::kObjectCount) return astro::NoValue;
  if (chart == 0) return ctx.NatalAt(kAt).Object[astro::kLongitude][object];
  if (chart == 1) return ctx.TransitAt(kAt).Longitude(object);
  return astro::NoValue;
}

// The midpoint of x and y on the shorter of the two arcs between them.
double NearerMidpoint(double x, double y) {
  double m = (x + y) / 2;
  if (astro::AngularDistance(m - y) > 90) m = astro::NormalizeMod(m + 180, 360);
  return m;
}

}  // namespace

RelativeResult BehindOrAhead(double x, double y, int side, double orb) {
  if (!astro::IsValue(x) || !astro::IsValue(y)) return {};
  const double d = astro::SignedDifference(x, y);
  if (side == 0) return {d <= 0 && -d < orb, 1.0};
  if (side == 1) return {d > 0 && d < orb, 1.0};
  return {};
}

RelativeResult Between(double x, double a, double b, double orb) {
  if (!astro::IsValue(x) || !astro::IsValue(a) || !astro::IsValue(b)) return {};
  if (!astro::IsBetween(b, x, a) && !astro::IsBetween(a, x, b)) return {};
  const double span = std::fabs(astro::SignedDifference(a, b));
  if (!(span < orb)) return {};
  // Two references on one point: x can only stand on it, which is the midpoint itself.
  if (span == 0) return {true, 1.0};
  const double off = std::fabs(astro::SignedAspectOrb(1, NearerMidpoint(a, b), x));
  return {true, (span - off) / span};
}

void ScoreBehindOrAhead(KindContext& ctx) {
  const model::EvKind11& ev = ctx.Def().K.k11;
  const double y = LongitudeAt(ctx, ev.Reference, ev.ReferenceChart);
  for (int n = 0; n < astro::kObjectCount; ++n) {
    if (!ev.Tested.Has(n)) continue;
    if (ev.TestedChart == ev.ReferenceChart && n == ev.Reference) continue;  // never measured against itself
    if (!ctx.Admit({n})) continue;
    const RelativeResult r = BehindOrAhead(LongitudeAt(ctx, n, ev.TestedChart), y, ev.Side, ev.Orb);
    if (r.hit) ctx.Hit(r.strength);
  }
}

void ScoreBetween(KindContext& ctx) {
  const model::EvKind12& ev = ctx.Def().K.k12;
  const double a = LongitudeAt(ctx, ev.FirstReference, ev.ReferenceChart);
  const double b = LongitudeAt(ctx, ev.SecondReference, ev.ReferenceChart);
  for (int n = 0; n < astro::kObjectCount; ++n) {
    if (!ev.Tested.Has(n)) continue;
    if (ev.TestedChart == ev.ReferenceChart && (n == ev.FirstReference || n == ev.SecondReference)) continue;
    if (!ctx.Admit({n})) continue;
    const RelativeResult r = Between(LongitudeAt(ctx, n, ev.TestedChart), a, b, ev.LargestArc);
    if (r.hit) ctx.Hit(r.strength);
  }
}

}  // namespace sd::eval
