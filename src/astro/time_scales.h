#pragma once
// Time scales: Ephemeris Time from Universal Time (Delta T).
#include "astro/moment.h"

namespace sd::astro {

// Ephemeris time minus universal time, in centuries.
double DeltaT(ChartMoment t);
// t + DeltaT(t) as ephemeris time: the argument of every theory of motion.
TtMoment EphemerisMoment(ChartMoment t);

}  // namespace sd::astro
