// How objects spread over the circle: intercepted signs (kind 18) and a crowd of objects in one
// sector (kind 23).
#include <cmath>

#include "astro/angles.h"
#include "astro/aspects.h"
#include "astro/houses.h"
#include "eval/cluster_factors.h"
#include "eval/rulership_factors.h"

namespace sd::eval {

namespace {

bool AllCuspsIn(RowView lon) {
  for (int k = 1; k <= 12; ++k)
    if (!astro::IsValue(lon[astro::CuspObject(k)])) return false;
  return true;
}

// Centres of the search over the whole circle: tenths of a degree, 0.0 .. 359.9.
constexpr int kCentreSteps = 3600;

}  // namespace

bool InSignInterceptedInItsHouse(RowView houses, double x) {
  if (!astro::IsValue(x) || !std::isfinite(x) || !AllCuspsIn(houses)) return false;
  const int h = astro::HouseOfCusps(houses.data(), x);
  if (h == 0) return false;
  const int next = h == 12 ? 1 : h + 1;
  const int sign = astro::SignOf(x);
  return sign != astro::SignOf(houses[astro::CuspObject(h)]) &&
         sign != astro::SignOf(houses[astro::CuspObject(next)]);
}

int CountNearCentre(RowView values, const astro::ObjectSet& objects, double centre, double width) {
  const double half = width / 2;
  int count = 0;
  for (int n = 0; n < astro::kObjectCount; ++n)
    if (objects.Has(n) && astro::IsValue(values[n]) &&
        std::fabs(astro::SignedDifference(centre, values[n])) < half)
      ++count;
  return count;
}

double FirstCrowdedCentre(RowView values, const astro::ObjectSet& objects, int minimum, double width) {
  for (int i = 0; i < kCentreSteps; ++i) {
    const double c = i / 10.0;
    if (CountNearCentre(values, objects, c, width) >= minimum) return c;
  }
  return astro::NoValue;
}

void ScoreInterception(KindContext& ctx) {
  const model::EvKind18& ev = ctx.Def().K.k18;
  if (!ctx.Admit({})) return;
  const LongitudeRow houses = SelectedLongitudes(ctx, ev.HouseChart);
  bool hit = false;
  if (ev.Mode == 0) {
    const LongitudeRow own = SelectedLongitudes(ctx, ev.ObjectChart);
    const int obj = ev.Object;
    hit = obj < astro::kObjectCount && InSignInterceptedInItsHouse(houses, own[obj]);
  } else if (ev.Mode == 1 && AllCuspsIn(houses)) {
    const astro::ObjectSet wanted = ev.Houses;
    for (int s = 1; s <= 12 && !hit; ++s) hit = wanted.Has(s) && astro::InterceptedSign(houses, s);
  }
  if (hit) ctx.Hit(1.0);
}

void ScoreCluster(KindContext& ctx) {
  const model::EvKind23& ev = ctx.Def().K.k23;
  if (!ctx.Admit({})) return;
  LongitudeRow v;
  v.fill(astro::NoValue);
  if (ev.Heliocentric == 0) {
    v = SelectedLongitudes(ctx, ev.Chart);
  } else if (ev.Heliocentric == 1) {
    // The Moon has no heliocentric place of its own.
    const LongitudeRow helio = SelectedHelioLongitudes(ctx, ev.Chart);
    for (int i = 0; i < astro::kPlanetCount; ++i)
      if (i != astro::kMoon) v[i] = helio[i];
  }
  const int harmonic = ev.Harmonic;
  for (double& x : v)
    if (astro::IsValue(x)) x = astro::NormalizeMod(harmonic * x, 360);

  const astro::ObjectSet objects = ev.Objects;
  const int minimum = ev.Count;
  const double width = ev.Width, centre = ev.Centre;
  const bool hit = astro::IsValue(centre) ? CountNearCentre(v, objects, centre, width) >= minimum
                                   : astro::IsValue(FirstCrowdedCentre(v, objects, minimum, width));
  if (hit) ctx.Hit(1.0);
}

}  // namespace sd::eval
