#pragma once
// Rounding helpers shared by the calendar, time and angle routines of astro/; not for callers
// outside astro/.
#include <cmath>
#include <limits>

namespace sd::astro::internal {

// Nearest integer, halves to the even neighbour (the default rounding mode).
inline double Nearest(double x) { return std::nearbyint(x); }
// The fractional part with the sign of x (toward zero), unlike the [0, 1) part of a revolution.
inline double SignedFrac(double x) { return x - std::trunc(x); }

// A double known to be a whole number, as int; out-of-range values are pinned to the int range
// so that absurd input stays defined instead of overflowing.
inline int ToInt(double x) {
  if (!(x == x)) return 0;
  constexpr double lo = std::numeric_limits<int>::min();
  constexpr double hi = std::numeric_limits<int>::max();
  if (x < lo) return std::numeric_limits<int>::min();
  if (x > hi) return std::numeric_limits<int>::max();
  return static_cast<int>(x);
}

}  // namespace sd::astro::internal
