#include "astro/observed_delta_t.h"

#include <array>
#include <cmath>

#include "astro/time_scales.h"

namespace sd::astro {
namespace {

// TT - UT, seconds, on January 1 of each year from kObservedDeltaTFirstYear (sources in the
// header). 1800-1972 are the historic series' values, 1973-2026 the monthly determinations' January
// values to four decimals, 2027-2033 the predictions.
constexpr std::array<double, kObservedDeltaTLastYear - kObservedDeltaTFirstYear + 1> kSeconds = {
    // 1800
    12.6, 12.0, 11.8, 11.4, 11.1, 11.1, 11.1, 11.1, 11.2, 11.5,
    11.2, 11.7, 11.9, 11.8, 11.8, 11.8, 11.6, 11.5, 11.4, 11.3,
    // 1820
    11.13, 10.94, 10.29, 9.94, 9.88, 9.72, 9.66, 9.51, 9.21, 8.60,
    7.95, 7.59, 7.36, 7.10, 6.89, 6.73, 6.39, 6.25, 6.25, 6.22,
    // 1840
    6.22, 6.30, 6.35, 6.32, 6.33, 6.37, 6.40, 6.46, 6.48, 6.53,
    6.55, 6.69, 6.84, 7.03, 7.15, 7.26, 7.23, 7.21, 6.99, 7.19,
    // 1860
    7.35, 7.41, 7.36, 6.95, 6.45, 5.92, 5.15, 4.11, 2.94, 1.97,
    1.04, 0.11, -0.82, -1.70, -2.48, -3.19, -3.84, -4.43, -4.79, -5.09,
    // 1880
    -5.36, -5.37, -5.34, -5.40, -5.58, -5.74, -5.69, -5.67, -5.73, -5.78,
    -5.86, -6.01, -6.28, -6.53, -6.50, -6.41, -6.11, -5.63, -4.68, -3.72,
    // 1900
    -2.70, -1.48, -0.08, 1.26, 2.59, 3.92, 5.20, 6.29, 7.68, 9.13,
    10.38, 11.64, 13.23, 14.69, 16.00, 17.19, 18.19, 19.13, 20.14, 20.86,
    // 1920
    21.41, 22.06, 22.51, 23.01, 23.46, 23.63, 23.95, 24.39, 24.34, 24.10,
    24.02, 23.98, 23.89, 23.93, 23.88, 23.91, 23.76, 23.91, 23.96, 24.04,
    // 1940
    24.35, 24.82, 25.30, 25.77, 26.27, 26.76, 27.27, 27.77, 28.25, 28.70,
    29.15, 29.57, 29.97, 30.36, 30.72, 31.07, 31.349, 31.677, 32.166, 32.671,
    // 1960
    33.150, 33.584, 33.992, 34.466, 35.030, 35.738, 36.546, 37.429, 38.291, 39.204,
    40.182, 41.170, 42.227, 43.373, 44.4841, 45.4761, 46.4567, 47.5214, 48.5344, 49.5861,
    // 1980
    50.5387, 51.3808, 52.1668, 52.9565, 53.7882, 54.3427, 54.8713, 55.3222, 55.8197, 56.3000,
    56.8553, 57.5653, 58.3092, 59.1218, 59.9845, 60.7853, 61.6287, 62.2950, 62.9659, 63.4673,
    // 2000
    63.8285, 64.0908, 64.2998, 64.4734, 64.5736, 64.6876, 64.8452, 65.1464, 65.4573, 65.7768,
    66.0699, 66.3246, 66.6030, 66.9069, 67.2810, 67.6439, 68.1024, 68.5927, 68.9676, 69.2202,
    // 2020
    69.3612, 69.3594, 69.2945, 69.2039, 69.1752, 69.1377, 69.1099,
    // 2027: predictions
    69.14, 69.34, 69.63, 69.97, 70.32, 70.62, 70.98,
};

// Morrison & Stephenson's long-term parabola, seconds.
double Parabola(double year) {
  const double u = (year - 1820.0) / 100.0;
  return -20.0 + 32.0 * u * u;
}

// JD 2451544.5 (2000 January 1, 0 h UT) as a moment, and the mean Gregorian year in centuries.
constexpr ChartMoment kYear2000 = MomentFromJulianDay(2451544.5);
constexpr double kGregorianYear = 365.2425 / 36525.0;

}  // namespace

double DecimalYear(ChartMoment t) { return 2000.0 + (t - kYear2000) / kGregorianYear; }

double ObservedDeltaTSeconds(ChartMoment t) {
  if (!IsKnown(t)) return NoValue;
  const double year = DecimalYear(t);
  constexpr double first = kObservedDeltaTFirstYear, last = kObservedDeltaTLastYear;
  if (year <= first) return kSeconds.front() + Parabola(year) - Parabola(first);
  if (year >= last) return kSeconds.back() + Parabola(year) - Parabola(last);
  const double offset = year - first;
  const size_t i = static_cast<size_t>(offset);
  const double f = offset - static_cast<double>(i);
  return kSeconds[i] + f * (kSeconds[i + 1] - kSeconds[i]);
}

ChartMoment ForecastClockOf(ChartMoment t) {
  const double seconds = ObservedDeltaTSeconds(t);
  if (!IsValue(seconds)) return kNoMoment;
  // The ephemeris moment is held as a universal one: the first step reads DeltaT there.
  const ChartMoment ephemeris = t + seconds * SecondInCenturies;
  // f + DeltaT(f) = ephemeris: DeltaT changes by well under a second a day, so two steps of the
  // fixed point leave an error far below a microsecond (except within seconds of the jumps of the
  // forecast's table, in 1900 and 1980, where no step settles it better).
  ChartMoment f = ephemeris - DeltaT(ephemeris);
  f = ephemeris - DeltaT(f);
  return ephemeris - DeltaT(f);
}

ChartMoment TrueClockOf(ChartMoment forecast_clock) {
  if (!IsKnown(forecast_clock)) return kNoMoment;
  // Held as a universal moment, as above.
  const ChartMoment ephemeris = forecast_clock + DeltaT(forecast_clock);
  ChartMoment t = ephemeris - ObservedDeltaTSeconds(ephemeris) * SecondInCenturies;
  t = ephemeris - ObservedDeltaTSeconds(t) * SecondInCenturies;
  return ephemeris - ObservedDeltaTSeconds(t) * SecondInCenturies;
}

}  // namespace sd::astro
