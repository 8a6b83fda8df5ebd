#pragma once
// Apparent geocentric longitudes of the transit bodies 0..9 from the transit chart's theories,
// without the rest of the chart (houses, nodes, points), at moments of true universal time: the
// theories are handed the same ephemeris moment through Delta T from observation
// (astro/observed_delta_t.h), not through the forecast's Delta T, so that a moment listed here is
// the moment on the clock. A forecast chart at the same clock moment stands about a minute of time
// (65 s in 2026) further along.
#include <array>

#include "astro/chart_data.h"
#include "astro/moment.h"

namespace sd::timeline {

using BodyLongitudes = std::array<double, astro::kPlanetCount>;

// Longitude of body 0..9 at true universal moment t, [0, 360); NoValue where the chart has none
// (a moment outside the theories' range, a body number outside 0..9).
double TransitLongitude(int body, astro::ChartMoment t);

// TransitLongitude(a, t) - TransitLongitude(b, t), not reduced; NoValue when either is. The Sun,
// which every planet's reduction needs, is computed once.
double Separation(int a, int b, astro::ChartMoment t);

// All ten at once; the Sun, which every planet's reduction needs, is computed once.
BodyLongitudes TransitLongitudes(astro::ChartMoment t);

}  // namespace sd::timeline
