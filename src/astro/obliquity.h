#pragma once
// The obliquity of the ecliptic.
#include "astro/moment.h"

namespace sd::astro {

// True obliquity of the ecliptic in degrees (mean obliquity plus nutation in obliquity).
double TrueObliquity(ChartMoment t);

}  // namespace sd::astro
