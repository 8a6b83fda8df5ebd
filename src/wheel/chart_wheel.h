#pragma once
// The wheel of a computed chart: which objects it shows and where, read from the chart's
// longitude row (the numbers `stockdyn chart` prints), their houses by the natal cusps, and
// whether each is retrograde at the chart's moment.
#include <string>

#include "astro/chart_data.h"
#include "astro/moment.h"
#include "wheel/wheel.h"

namespace sd::wheel {

// The objects a ring shows, in drawing order: Sun .. Pluto and the north node.
inline constexpr int kWheelObjects[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 30};

// Switches on exactly what a wheel shows (its objects and the cusps 18..29) and nothing else: the
// eclipse and lunation searches of a full chart cost far more than the wheel itself, and these
// objects come out the same whatever else is on.
void SetWheelSwitches(astro::ChartData& chart);

// True when the geocentric longitude of body 2..9 decreases at universal moment t (judged over
// an hour either side). The Sun and the Moon never are; other objects are reported direct.
bool IsRetrograde(int object, astro::ChartMoment t);

// The natal ring, cusps and house system of a computed chart. `houses` is the house system
// the chart was computed with (before the polar fallback, which is applied here for the name).
// Objects whose longitude is NoValue are left out.
WheelInput NatalWheel(const astro::ChartData& natal, int houses, std::string title);

// Makes `in` a bi-wheel with the transits of a computed transit chart in the outer ring, each
// placed in the natal houses of `in`.
void AddTransits(WheelInput& in, const astro::ChartData& transit, std::string caption);

}  // namespace sd::wheel
