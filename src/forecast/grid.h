#pragma once
// The forecast's grid: moments at equal steps from local midnight of a day, over a span.
#include "astro/moment.h"

namespace sd::forecast {

// The run's standard inputs: twenty days ahead in steps of half a day.
inline constexpr double kForecastSpan = 20 * astro::DayInCenturies;
inline constexpr double kForecastStep = astro::DayInCenturies / 2;

// Local midnight at the start of the day in the zone (packed hours east of Greenwich), as a
// universal moment.
astro::ChartMoment LocalMidnight(int year, int month, int day, double zone);

// Moments Start + (End - Start) i / N for i = 0..N, Start being local midnight of the day in the
// zone, as a universal moment.
struct ForecastGrid {
  astro::ChartMoment Start{};
  astro::ChartMoment End{};
  int N = -1;  // number of intervals; -1 when there is no moment at all
  astro::ChartMoment At(int i) const;
};

// span and step in centuries, zone packed hours east of Greenwich. N is the whole part of
// span / step (towards zero), except that a quotient within rounding of a whole number is that
// number: far from 1900 the difference End - Start loses the low bits of the span, and 40 came
// out as 39.999... A step that is 0 or not finite, or a quotient beyond what an int holds, gives
// no moment rather than a run without end.
ForecastGrid MakeForecastGrid(int year, int month, int day, double span, double zone, double step);

}  // namespace sd::forecast
