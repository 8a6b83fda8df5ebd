#pragma once
// The natal chart a forecast is made for.
#include <string>
#include <string_view>

#include "astro/chart_data.h"

namespace sd::forecast {

// Switches the natal chart is computed with: every object that can be computed (0..9 and
// 15..39) on; 10..14 keep what they had.
void SetNatalSwitches(astro::ChartData& chart);

// The first record of dir + "Nyse.mil" whose name matches `security` (see LookupNatal) gives
// the chart its event data and name; without a match the chart keeps what it held (the default
// event data of start-up). Then the chart is computed with every computable object. Returns
// whether the security was found; a missing or unreadable database throws.
bool LoadNatalChart(const std::string& dir, std::string_view security, astro::ChartData& natal);

}  // namespace sd::forecast
