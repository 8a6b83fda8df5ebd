#pragma once
// The forecast of a day: the model's value at every moment of the grid (the picture of it is
// drawn by render/forecast_picture.h).
#include <string>
#include <vector>

#include "astro/chart_data.h"
#include "forecast/grid.h"
#include "forecast/model_value.h"
#include "model/ev_list.h"

namespace sd::eval {
class TPlanetary_T;
}

namespace sd::forecast {

// The charts a run works on: the natal chart (read only), the transit event (the natal
// record with the transit objects, the zone, and the clock of the moment last computed) and
// the transit chart of the moment last computed. A request keeps them in its chart slots 0, 2
// and 4, and the run leaves the last two as they were at its last moment.
struct ForecastCharts {
  const astro::ChartData& Natal;
  astro::ChartData& TransitEvent;
  astro::ChartData& Transit;
};

// What the run computed.
struct ForecastValues {
  ForecastGrid Grid;
  std::vector<astro::ChartMoment> Moments;
  std::vector<double> Values;  // NoValue where the model has no value
};

// Evaluates the model at every moment of the grid of the day (span and step in centuries,
// zone packed hours east). `metrics` is the planet-pair metric table the events read (none:
// they score nothing). With `contributions`, it receives each moment's event contributions
// (see ModelValue), one list per moment, from the same evaluation as the value.
ForecastValues ComputeForecast(const ForecastCharts& charts, const model::TEvList& model,
                               int year, int month, int day, double span, double zone,
                               double step, const eval::TPlanetary_T* metrics = nullptr,
                               std::vector<std::vector<Contribution>>* contributions = nullptr);

// The same with the model loaded from a file first.
ForecastValues ComputeForecast(const ForecastCharts& charts, const std::string& model_path,
                               int year, int month, int day, double span, double zone,
                               double step, const eval::TPlanetary_T* metrics = nullptr);

}  // namespace sd::forecast
