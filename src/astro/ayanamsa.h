#pragma once
// The sidereal zodiac: its offset from the tropical one (the ayanamsa) by a table of columns,
// one per variant, and the sidereal sign of a longitude.
#include "astro/moment.h"

namespace sd::astro {

// Offset of the sidereal zodiac in degrees, column AyanamsaColumn of the offset table.
double AyanamsaAt(ChartMoment t);
// The column in force (0..17). A constant of the build.
inline constexpr int AyanamsaColumn = 1;
// Same, for any column (0..17); tests and tools.
double AyanamsaAtColumn(ChartMoment t, int column);
// Sign 1..12 in the sidereal zodiac at moment t.
int SiderealSignOf(ChartMoment t, double lon);

}  // namespace sd::astro
