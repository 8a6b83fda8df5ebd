// Newcomb's mean obliquity with the principal nutation term.
#include "astro/obliquity.h"

#include "astro/angles.h"

namespace sd::astro {

double TrueObliquity(ChartMoment moment) {
  const double t = moment.Centuries;
  // Meeus, Astronomical Formulae for Calculators: Newcomb's mean obliquity ("Solar Coordinates")
  // and the largest nutation term in obliquity, 9.21" cos of the Moon's node ("Nutation"):
  // degrees, the node in degrees, t in centuries from 1900 January 0.5 (taken here in UT).
  // This node is the older book's, not the chart's MeanLunarNode: the two differ by under 0.003
  // degrees from 1900 to 2100, yet taking the chart's here moves every house cusp, forecast value
  // and picture in their last digits and pixels, so the forecast keeps the node it has always had.
  const double node = 259.1833 - 1934.142 * t + 0.002078 * t * t;
  return 23.452294 - 0.0130125 * t - 0.00000164 * t * t + 0.000000503 * t * t * t +
         (9.21 + 0.00091 * t) * CosDeg(node) / 3600.0;
}

}  // namespace sd::astro
