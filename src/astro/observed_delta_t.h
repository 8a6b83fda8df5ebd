#pragma once
// Delta T from observation: terrestrial time minus universal time as the Earth really turned,
// for programs that print moments on the clock (the timeline, its calendar and the event study).
//
// The forecast does not use it: its theories run on DeltaT of time_scales.h, whose parabola gives
// about 134 s in 2026 where the Earth's rotation gives 69 s, and its numbers stay what they are.
// The two clocks meet through the ephemeris moment: the theories of positions.h take a moment of
// the forecast's clock, so a moment of true universal time is handed to them as the forecast-clock
// moment that has the same ephemeris time (ForecastClockOf).
//
// Values (seconds, at 0 h UT on January 1 of each year, linear in between):
//   1800-1972  historic_deltat.data of the IERS Rapid Service/Prediction Center at the U.S. Naval
//              Observatory (McCarthy & Babcock 1986, The length of day since 1656);
//   1973-2026  deltat.data of the same service (monthly determinations, the January value);
//   2027-2033  deltat.preds of the same service (its published long-term predictions).
// Outside those years the value grows as the long-term parabola of Morrison & Stephenson (2004,
// J. Hist. Astron. 35, 327), -20 + 32 u^2 s with u = (year - 1820) / 100, shifted to meet the
// nearest tabulated year so that there is no jump.
#include "astro/moment.h"

namespace sd::astro {

// First and last years of the table; the last observed year is the one before the predictions.
inline constexpr int kObservedDeltaTFirstYear = 1800;
inline constexpr int kObservedDeltaTLastObservedYear = 2026;
inline constexpr int kObservedDeltaTLastYear = 2033;

// Words for the output of the programs that use it.
inline constexpr const char* kObservedDeltaTSource =
    "UT with Delta T from observation (IERS/USNO yearly values 1800-2026, USNO predictions to 2033, "
    "beyond that the long-term parabola of Morrison & Stephenson 2004)";

// Decimal year of universal moment t: mean Gregorian years of 365.2425 days from 2000 January 1,
// 0 h UT, which stay within two days of each January 1 for centuries either way.
double DecimalYear(ChartMoment t);

// TT - UT in seconds at universal moment t; NoValue for NoValue or a non-finite moment.
double ObservedDeltaTSeconds(ChartMoment t);

// The moment of the forecast's clock at which the theories of positions.h stand where they stand
// at true universal moment t (the same ephemeris moment), and its inverse. kNoMoment passes through.
ChartMoment ForecastClockOf(ChartMoment t);
ChartMoment TrueClockOf(ChartMoment forecast_clock);

}  // namespace sd::astro
