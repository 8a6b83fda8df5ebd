#include "astro/calendar.h"
#include "astro/numeric.h"
#include "forecast/grid.h"

#include <cmath>
#include <limits>

namespace sd::forecast {

namespace {

// How far from a whole number a quotient may lie and still count as it. Moments are about
// 1e-14 centuries apart near the year 10000 (1 ulp of a moment of 80 centuries), a step of half
// a day is 1.4e-5 centuries: the error of End - Start is a few parts in 1e9 of a step.
constexpr double kWholeTolerance = 1e-6;

}  // namespace

astro::ChartMoment LocalMidnight(int year, int month, int day, double zone) {
  return astro::MomentFromDate(year, month, day, 0.0) -
         astro::HmsToDecimal(zone) * astro::DayInCenturies / 24;
}

astro::ChartMoment ForecastGrid::At(int i) const {
  return astro::LinearAt(i, N, 0, End, Start);
}

ForecastGrid MakeForecastGrid(int year, int month, int day, double span, double zone, double step) {
  ForecastGrid g;
  g.Start = LocalMidnight(year, month, day, zone);
  g.End = g.Start + span;
  const double q = (g.End - g.Start) / step;
  // A quotient that is not a number, or too large for the count, would run without end.
  if (!std::isfinite(q) || q >= static_cast<double>(std::numeric_limits<int>::max()) ||
      q <= static_cast<double>(std::numeric_limits<int>::min())) {
    g.N = -1;
    return g;
  }
  const double nearest = std::round(q);
  g.N = static_cast<int>(std::fabs(q - nearest) <= kWholeTolerance ? nearest : std::trunc(q));
  return g;
}

}  // namespace sd::forecast
