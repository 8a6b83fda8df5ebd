#pragma once
// Small numeric helpers of tables and grids: cyclic stepping through 1..count, the straight line
// through two points, the nearest index of a value on an evenly spaced grid.
#include "astro/moment.h"

namespace sd::astro {

// Direction 255 steps back (1 wraps to count), 1 steps forward (count wraps to 1), else current.
int CyclicStep(int current, int count, int direction);

// The value at x of the straight line through (x0, y0) and (x1, y1); y0 when x1 == x0.
double LinearAt(double x, double x1, double x0, double y1, double y0);
// The same line where the values are moments (a moment interpolated between two) or where the
// abscissae are (a value read between two moments): the very arithmetic of the line on centuries.
inline ChartMoment LinearAt(double x, double x1, double x0, ChartMoment y1, ChartMoment y0) {
  return ChartMoment(LinearAt(x, x1, x0, y1.Centuries, y0.Centuries));
}
inline double LinearAt(ChartMoment x, ChartMoment x1, ChartMoment x0, double y1, double y0) {
  return LinearAt(x.Centuries, x1.Centuries, x0.Centuries, y1, y0);
}
// first + nearest((value - v_low) * (last - first) / (v_high - v_low)), halves to even;
// first when v_high == v_low.
int GridIndex(int first, int last, double value, double v_high, double v_low);

}  // namespace sd::astro
