#include "forecast/natal.h"

#include "astro/chart.h"
#include "data/natal_db.h"

namespace sd::forecast {

void SetNatalSwitches(ChartData& chart) {
  for (int n = 0; n < kObjectCount; ++n) {
    if (n <= kPluto || n >= kPrevEclipseMoon) chart.ObjectOn[n] = 1;
  }
}

bool LoadNatalChart(const std::string& dir, std::string_view security, ChartData& natal) {
  const bool found = LookupNatal(dir + kNatalFileName, security, natal);
  SetNatalSwitches(natal);
  ComputeChart(natal, MomentSource::LocalClock);
  return found;
}

}  // namespace sd::forecast
