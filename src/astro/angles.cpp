// Angle helpers.
#include "astro/angles.h"

#include <cmath>
#include <limits>

#include "astro/internal/rounding.h"

namespace sd::astro {

using internal::ToInt;

double NormalizeMod(double x, int n) {
  const double r = x - n * std::floor(x / n);
  // A tiny negative x lands on n after rounding; the range is half-open.
  return (r >= n || r < 0) ? 0.0 : r;
}

double SinDeg(double deg) { return std::sin(deg * kDegToRad); }
double CosDeg(double deg) { return std::cos(deg * kDegToRad); }

double ArcSinGuarded(double x) {
  if (x == 1.0) return kPi / 2;
  if (x == -1.0) return -kPi / 2;
  return std::atan(x / std::sqrt(1.0 - x * x));
}

double ArcCosGuarded(double x) {
  if (x == 0.0) return kPi / 2;
  return FullCircleAtan(x, std::sqrt(1.0 - x * x));
}

double FullCircleAtan(double x, double y) {
  const double e = (x == 0.0) ? kPi / 2 : std::fabs(std::atan(y / x));
  if (x > 0 && y >= 0) return e;
  if (x <= 0 && y >= 0) return kPi - e;
  if (x <= 0 && y < 0) return kPi + e;
  if (x > 0 && y < 0) return 2 * kPi - e;
  return std::numeric_limits<double>::quiet_NaN();  // NaN input
}

double AngularDistance(double x) {
  const double d = NormalizeMod(x, 360);
  return d <= 180.0 ? d : 360.0 - d;
}

bool IsForwardWithin180(double a, double b) { return NormalizeMod(b - a, 360) <= 180.0; }

bool IsBetween(double a, double b, double d) {
  const bool from_d = IsForwardWithin180(d, a);
  const double o = from_d ? d : a;
  const double p = from_d ? a : d;
  return NormalizeMod(p - o, 360) >= NormalizeMod(b - o, 360);
}

int SignOf(double lon) {
  const double s = std::trunc(lon / 30.0);
  if (s == 12.0) return 1;
  return ToInt(s) == std::numeric_limits<int>::max() ? 0 : ToInt(s) + 1;
}

}  // namespace sd::astro
