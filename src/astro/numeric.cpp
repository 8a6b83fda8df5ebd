// Small numeric helpers.
#include "astro/numeric.h"

#include <cmath>

#include "astro/internal/rounding.h"

namespace sd::astro {

using internal::Nearest;
using internal::ToInt;

int CyclicStep(int current, int count, int direction) {
  if (direction == 255) return current <= 1 ? count : current - 1;
  if (direction == 1) return current >= count ? 1 : current + 1;
  return current;
}

double LinearAt(double x, double x1, double x0, double y1, double y0) {
  if (x1 == x0) return y0;
  return y0 + (y1 - y0) * (x - x0) / (x1 - x0);
}

int GridIndex(int first, int last, double value, double v_high, double v_low) {
  if (v_high == v_low) return first;
  const double k = Nearest((value - v_low) * (last - first) / (v_high - v_low));
  if (!std::isfinite(k)) return first;
  return ToInt(first + k);
}

}  // namespace sd::astro
