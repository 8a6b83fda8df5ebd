#pragma once
// Sidereal time: the rotation of the Earth as local mean sidereal time and the right ascension
// of the meridian.
#include "astro/moment.h"

namespace sd::astro {

// Mean local sidereal time in hours [0, 24) at east longitude lon_deg (decimal degrees).
double LocalSiderealHours(double lon_deg, ChartMoment t);
// Right ascension of the meridian in degrees, at the packed (H.MMSS) east longitude lon_hms.
double Ramc(ChartMoment t, double lon_hms);

}  // namespace sd::astro
