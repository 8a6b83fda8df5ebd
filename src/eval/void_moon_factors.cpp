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
  return IsValue(p.now) && IsValue(p.next) && std::isfinite(p.now) && std::isfinite(p.next);
}

// Aspects whose points are not a plain separation (or the opposition, which has one point).
bool TwoSidedAspect(int k) {
  return k != kConjunction && k != kOpposition && k != kAntiscion && k != kContraAntiscion &&
         k != kParallel && k != kContraParallel;
}

}  // namespace

bool WillPerfect(double p0, double p1, double m0, double m1) {
  const double e0 = SignedDifference(p0, m0);
  if (std::fabs(e0) > kReach) return false;
  const double e1 = SignedDifference(p1, m1);
  const double f = LinearAt(0, e1, e0, 1, 0);
  if (f < 0) return false;
  const double meeting = NormalizeMod(m0 + f * SignedDifference(m1, m0), 360);
  if (SignOf(meeting) != SignOf(m0)) return false;
  return NormalizeMod(p0, 30) >= NormalizeMod(m0, 30);
}

bool MoonIsVoid(const LongitudePair& moon, const LongitudePair objects[40], const ObjectSet& wanted,
                const ObjectSet& aspects) {
  if (!Known(moon)) return false;
  if (std::fabs(SignedDifference(moon.next, moon.now)) > kReach) return false;
  const auto perfects = [&](double offset, const LongitudePair& x) {
    return WillPerfect(NormalizeMod(x.now + offset, 360), NormalizeMod(x.next + offset, 360), moon.now,
                       moon.next);
  };
  for (int n = 0; n < kObjectCount; ++n) {
    if (n == kMoon || !wanted.Has(n) || !Known(objects[n])) continue;
    const LongitudePair& x = objects[n];
    if (aspects.Has(kConjunction) && perfects(0, x)) return false;
    if (aspects.Has(kOpposition) && perfects(180, x)) return false;
    for (int k = 2; k <= AspectCount; ++k) {
      if (!aspects.Has(k) || !TwoSidedAspect(k)) continue;
      const double angle = AspectAngle(k);
      if (perfects(angle, x) || perfects(-angle, x)) return false;
    }
  }
  return true;
}

void ScoreVoidOfCourseMoon(KindContext& ctx) {
  if (!ctx.Admit({})) return;
  const model::EvKind15& ev = ctx.Def().K.k15;
  LongitudePair lon[kObjectCount];
  LongitudePair moon;
  if (ev.Chart == 0) {
    const ChartData& now = ctx.NatalAt(kAt);
    const ChartData& next = ctx.NatalAt(kAfter);
    for (int n = 0; n < kObjectCount; ++n) lon[n] = {now.Object[kLongitude][n], next.Object[kLongitude][n]};
  } else if (ev.Chart == 1) {
    const MomentSnapshot& now = ctx.TransitAt(kAt);
    const MomentSnapshot& next = ctx.TransitAt(kAfter);
    for (int n = 0; n < kObjectCount; ++n) lon[n] = {now.Longitude(n), next.Longitude(n)};
  } else {
    return;  // no chart of that number
  }
  moon = lon[kMoon];
  if (MoonIsVoid(moon, lon, ev.Aspected, ev.Aspects)) ctx.Hit(1.0);
}

}  // namespace sd::eval
