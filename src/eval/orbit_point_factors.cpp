// Orbit point events (kind 9): a planet at or crossing the perihelion, aphelion or a node of its
// own heliocentric orbit.
#include "eval/orbit_point_factors.h"

#include "astro/angles.h"
#include "astro/aspects.h"
#include "eval/event_frame.h"

namespace sd::eval {

namespace {

// Longitude of the perihelion and of the ascending node, degrees: at 1950 January 0.5 and the
// drift per Julian century. Rows are planets 2 (Mercury) to 9 (Pluto).
struct OrbitElements {
  double perihelion, perihelion_rate;
  double node, node_rate;
};
constexpr OrbitElements kOrbits[8] = {
    {76.67, 0.1597694444, 47.74, -0.1255916667},    // Mercury
    {130.86, 0.0081805556, 76.23, -0.2782194444},   // Venus
    {335.13, 0.4429861111, 49.16, -0.2950277778},   // Mars
    {13.3, -0.0080416667, 99.78, 0.0018361111},     // Jupiter
    {91.53, 0.0261916667, 113.48, 0.0017222222},    // Saturn
    {172.06, -0.0992305556, 73.7, 0.0368388889},    // Uranus
    {38.31, -10.3815472222, 131.23, 0.0025594444},  // Neptune
    {222.91, -1.0469638889, 109.63, 0.0005888889},  // Pluto
};
constexpr int kFirstOrbitPlanet = 2;
constexpr int kLastOrbitPlanet = 9;
constexpr astro::ChartMoment kOrbitEpoch{0.5};  // 1950 January 0.5 in centuries from 1900 January 0.5

// The heliocentric longitude of the planet in the chart the event names, at a stencil point.
double HelioLongitude(const KindContext& ctx, int selector, int planet, StencilPoint p) {
  if (selector == 0) return ctx.NatalAt(p).Object[astro::kHelioLongitude][planet];
  if (selector == 1) return ctx.TransitAt(p).HelioLongitude(planet);
  return astro::NoValue;
}

}  // namespace

double OrbitPointLongitude(int planet, int point, astro::ChartMoment t) {
  if (planet < kFirstOrbitPlanet || planet > kLastOrbitPlanet || !astro::IsValue(t)) return astro::NoValue;
  const OrbitElements& e = kOrbits[planet - kFirstOrbitPlanet];
  const double tp = t - kOrbitEpoch;
  switch (point) {
    case kPerihelion: return astro::NormalizeMod(e.perihelion + e.perihelion_rate * tp, 360);
    case kAphelion: return astro::NormalizeMod(e.perihelion + e.perihelion_rate * tp + 180, 360);
    case kAscendingNode: return astro::NormalizeMod(e.node + e.node_rate * tp, 360);
    case kDescendingNode: return astro::NormalizeMod(e.node + e.node_rate * tp + 180, 360);
    default: return astro::NoValue;
  }
}

bool MeetsOrbitPoint(double now, double next, double p, double orb) {
  if (!astro::IsValue(now) || !astro::IsValue(p)) return false;
  if (orb != 0) return astro::AngularDistance(now - p) < orb;
  if (!astro::IsValue(next)) return false;
  return astro::IsBetween(now, p, next);
}

void ScoreOrbitPoints(KindContext& ctx) {
  const model::EvKind9& ev = ctx.Def().K.k9;
  const int selector = ev.Chart;
  // The orbit points of a natal event stand where they stood at the first trade.
  const astro::ChartMoment t = selector == 0 ? ctx.NatalAt(kAt).Moment : ctx.In->Moment;
  const double orb = ev.Orb;
  for (int s = 0; s < kOrbitPointCount; ++s) {
    if (!ev.Points.Has(s)) continue;
    for (int n = 0; n < astro::kObjectCount; ++n) {
      if (!ev.Planets.Has(n) || !ctx.Admit({n})) continue;
      const double p = OrbitPointLongitude(n, s, t);
      const double now = HelioLongitude(ctx, selector, n, kAt);
      const double next = HelioLongitude(ctx, selector, n, kAfter);
      if (MeetsOrbitPoint(now, next, p, orb)) ctx.Hit(1.0);
    }
  }
}

}  // namespace sd::eval
