#pragma once
// The JSON form of a chart that `stockdyn chart` prints.
#include <string>

#include "astro/chart_data.h"

namespace sd::cli {

// {"moment", "prev_eclipse_moment", "next_eclipse_moment", "objects": 40 entries}; every
// NoValue (and anything not finite) is null.
std::string ChartJson(const ChartData& chart);

}  // namespace sd::cli
