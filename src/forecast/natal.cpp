#include "forecast/natal.h"

#include "astro/chart.h"
#include "data/natal_db.h"

namespace sd::forecast {

void SetNatalSwitches(astro::ChartData& chart) {
  for (int n = 0; n < astro::kObjectCount; ++n) {
    if (n <= astro::kPluto || n >= astro::kPrevEclipseMoon) chart.ObjectOn[n] = 1;
  }
}

bool LoadNatalChart(const std::string& dir, std::string_view security, astro::ChartData& natal) {
  const bool found = data::LookupNatal(dir + data::kNatalFileName, security, natal);
  SetNatalSwitches(natal);
  ComputeChart(natal, astro::MomentSource::LocalClock);
  return found;
}

}  // namespace sd::forecast
