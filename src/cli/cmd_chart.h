#pragma once
// The JSON form of a chart that `stockdyn chart` prints.
#include <string>

#include "astro/chart.h"

namespace sd::cli {

// {"moment", "prev_eclipse_moment", "next_eclipse_moment", "house_system", "settings",
// "objects": 40 entries}; every NoValue (and anything not finite) is null. The settings are those
// the chart was computed with.
std::string ChartJson(const astro::ChartData& chart, const astro::ChartSettings& settings);

}  // namespace sd::cli
