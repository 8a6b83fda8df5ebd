#pragma once
// Small numeric helpers of tables and grids: cyclic stepping through 1..count, the straight line
// through two points, the nearest index of a value on an evenly spaced grid.

namespace sd::astro {

// Direction 255 steps back (1 wraps to count), 1 steps forward (count wraps to 1), else current.
int CyclicStep(int current, int count, int direction);

// The value at x of the straight line through (x0, y0) and (x1, y1); y0 when x1 == x0.
double LinearAt(double x, double x1, double x0, double y1, double y0);
// first + nearest((value - v_low) * (last - first) / (v_high - v_low)), halves to even;
// first when v_high == v_low.
int GridIndex(int first, int last, double value, double v_high, double v_low);

}  // namespace sd::astro
