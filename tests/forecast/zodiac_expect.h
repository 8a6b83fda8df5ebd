#pragma once
// Signs and houses worked out from plain geometry, for tests that compute a forecast's
// expected values from the transit charts themselves rather than through the code under test.
#include <cmath>

#include "astro/chart_data.h"

namespace sd::testing {

// Sign 1..12 from Aries of a longitude of either sign.
inline int Sign(double lon) {
  const double x = lon - 360.0 * std::floor(lon / 360.0);
  return static_cast<int>(std::floor(x / 30.0)) % 12 + 1;
}

// House 1..12 of x among the cusps (objects 18..29) of a longitude row: house h runs from cusp h
// up to, not including, the next cusp. 0 when a cusp is missing.
inline int House(const double* lon, double x) {
  const auto forward = [](double from, double to) {
    const double d = std::fmod(to - from, 360.0);
    return d < 0 ? d + 360.0 : d;
  };
  for (int k = 0; k < 12; ++k)
    if (lon[astro::kAscendant + k] == astro::NoValue) return 0;
  for (int k = 0; k < 12; ++k) {
    const double here = lon[astro::kAscendant + k], next = lon[astro::kAscendant + (k + 1) % 12];
    if (forward(here, x) < forward(here, next)) return k + 1;
  }
  return 0;
}
inline int House(const astro::ChartData& chart, double x) {
  return House(chart.Object[astro::kLongitude], x);
}

}  // namespace sd::testing
