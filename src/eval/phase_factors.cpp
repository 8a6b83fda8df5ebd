// Phases (kind 7): which of the eight 45-degree phases an object stands in relative to the
// Sun, and which 15-degree third of it. Every value is read from the chart at the moment
// itself (natal chart or the moment's transits), never from a neighbouring grid point.
#include <cmath>

#include "astro/angles.h"
#include "astro/chart.h"
#include "eval/event_frame.h"
#include "eval/phase_factors.h"

namespace sd::eval {

namespace {

int ThirdOf(double angle) {
  return static_cast<int>(std::trunc(astro::NormalizeMod(angle, 360) / 15)) % 3 + 1;
}

// The object's place among the phases in chart k (0 natal, 1 transits at the moment).
PhasePlace PlaceIn(const KindContext& ctx, int object, int chart) {
  if (chart != 0 && chart != 1) return {};
  const astro::ChartData& natal = ctx.NatalAt(kAt);
  const astro::MomentSnapshot& transit = ctx.TransitAt(kAt);
  if (object == astro::kMoon) {
    return chart == 0 ? LunarPhase(natal.Lon(astro::kMoon), natal.Lon(astro::kSun))
                      : LunarPhase(transit.Longitude(astro::kMoon), transit.Longitude(astro::kSun));
  }
  if (object >= astro::kMercury && object <= astro::kPluto)
    return PlanetPhase(chart == 0 ? natal.Planet[astro::kPhaseAngle][object] : transit.PhaseAngle(object));
  return {};  // the Sun has no phase of its own, and nothing else has one
}

}  // namespace

PhasePlace LunarPhase(double moon, double sun) {
  if (!astro::IsValue(moon) || !astro::IsValue(sun) || !std::isfinite(moon) || !std::isfinite(sun)) return {};
  const double e = astro::NormalizeMod(moon - sun, 360);
  return {static_cast<int>(std::trunc(e / 45)) + 1, ThirdOf(e)};
}

PhasePlace PlanetPhase(double a) {
  if (!astro::IsValue(a) || !std::isfinite(a)) return {};
  return {astro::PhaseNumber(a), ThirdOf(a)};
}

void ScorePhase(KindContext& ctx) {
  const model::EvKind7& ev = ctx.Def().K.k7;
  // The place does not depend on the wanted phase; it is looked up once, after the first
  // candidate passed its condition test.
  bool placed = false;
  PhasePlace place;
  for (int p = 1; p <= 8; ++p) {
    if (!ev.Phases.Has(p)) continue;
    if (!ctx.Admit({})) continue;
    if (!placed) {
      place = PlaceIn(ctx, ev.Object, ev.Chart);
      placed = true;
    }
    if (place.phase == p && ev.Thirds.Has(place.third)) ctx.Hit(1.0);
  }
}

}  // namespace sd::eval
