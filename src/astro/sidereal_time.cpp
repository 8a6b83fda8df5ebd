// Local mean sidereal time after Newcomb.
#include "astro/sidereal_time.h"

#include "astro/angles.h"
#include "astro/calendar.h"

namespace sd::astro {

double LocalSiderealHours(double lon_deg, ChartMoment moment) {
  const double h = DateFromMoment(moment).hours;
  const double t = moment.Centuries;
  // Newcomb's mean sidereal time, Meeus, Astronomical Formulae for Calculators, "Sidereal Time at
  // Greenwich": hours; t in centuries of UT from 1900 January 0.5, h the clock hours of UT.
  return NormalizeMod(6.6460659 + 2400.051262 * t + 0.00002581 * t * t + lon_deg / 15.0 + h, 24);
}

double Ramc(ChartMoment t, double lon_hms) {
  return 15.0 * LocalSiderealHours(HmsToDecimal(lon_hms), t);
}

}  // namespace sd::astro
