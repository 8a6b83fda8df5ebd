// Void-of-course Moon events (kind 15).
#include "eval/void_moon_factors.h"

#include <cmath>

#include "astro/angles.h"
#include "astro/aspects.h"
#include "astro/chart_data.h"
#include "astro/numeric.h"
#include "eval/event_frame.h"

namespace sd::eval {

namespace {

constexpr double kReach = 30.0;  // degrees: a sign

bool Known(const LongitudePair& p) {
  return astro::IsValue(p.now) && astro::IsValue(p.next) && std::isfinite(p.now) && std::isfinite(p.next);
}

// Aspects whose points are not a plain separation (or the opposition, which has one point).
bool TwoSidedAspect(int k) {
  return k != astro::kConjunction && k != astro::kOpposition && k != astro::kAntiscion &&
         k != astro::kContraAntiscion && k != astro::kParallel && k != astro::kContraParallel;
}

}  // namespace

bool WillPerfect(double p0, double p1, double m0, double m1) {
  const double e0 = astro::SignedDifference(p0, m0);
  if (std::fabs(e0) > kReach) return false;
  const double e1 = astro::SignedDifference(p1, m1);
  const double f = astro::LinearAt(0, e1, e0, 1, 0);
  if (f < 0) return false;
  const double meeting = astro::NormalizeMod(m0 + f * astro::SignedDifference(m1, m0), 360);
  if (astro::SignOf(meeting) != astro::SignOf(m0)) return false;
  return astro::NormalizeMod(p0, 30) >= astro::NormalizeMod(m0, 30);
}

bool MoonIsVoid(const LongitudePair& moon, const LongitudePair objects[40], const astro::ObjectSet& wanted,
                const astro::ObjectSet& aspects) {
  if (!Known(moon)) return false;
  if (std::fabs(astro::SignedDifference(moon.next, moon.now)) > kReach) return false;
  const auto perfects = [&](double offset, const LongitudePair& x) {
    return WillPerfect(astro::NormalizeMod(x.now + offset, 360), astro::NormalizeMod(x.next + offset, 360),
                       moon.now, moon.next);
  };
  for (int n = 0; n < astro::kObjectCount; ++n) {
    if (n == astro::kMoon || !wanted.Has(n) || !Known(objects[n])) continue;
    const LongitudePair& x = objects[n];
    if (aspects.Has(astro::kConjunction) && perfects(0, x)) return false;
    if (aspects.Has(astro::kOpposition) && perfects(180, x)) return false;
    for (int k = 2; k <= astro::AspectCount; ++k) {
      if (!aspects.Has(k) || !TwoSidedAspect(k)) continue;
      const double angle = astro::AspectAngle(k);
      if (perfects(angle, x) || perfects(-angle, x)) return false;
    }
  }
  return true;
}

void ScoreVoidOfCourseMoon(KindContext& ctx) {
  if (!ctx.Admit({})) return;
  const model::EvKind15& ev = ctx.Def().K.k15;
  LongitudePair lon[astro::kObjectCount];
  LongitudePair moon;
  if (ev.Chart == 0) {
    const astro::ChartData& now = ctx.NatalAt(kAt);
    const astro::ChartData& next = ctx.NatalAt(kAfter);
    for (int n = 0; n < astro::kObjectCount; ++n)
      lon[n] = {now.Object[astro::kLongitude][n], next.Object[astro::kLongitude][n]};
  } else if (ev.Chart == 1) {
    const astro::MomentSnapshot& now = ctx.TransitAt(kAt);
    const astro::MomentSnapshot& next = ctx.TransitAt(kAfter);
    for (int n = 0; n < astro::kObjectCount; ++n) lon[n] = {now.Longitude(n), next.Longitude(n)};
  } else {
    return;  // no chart of that number
  }
  moon = lon[astro::kMoon];
  if (MoonIsVoid(moon, lon, ev.Aspected, ev.Aspects)) ctx.Hit(1.0);
}

}  // namespace sd::eval
