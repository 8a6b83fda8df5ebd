#include "forecast/run.h"

#include <memory>

#include "astro/calendar.h"
#include "forecast/model_value.h"

namespace sd::forecast {

ForecastValues ComputeForecast(const ForecastCharts& charts, const model::TEvList& model,
                               int year, int month, int day, double span, double zone,
                               double step, const eval::TPlanetary_T* metrics,
                               std::vector<std::vector<Contribution>>* contributions) {
  ForecastValues out;
  if (contributions) contributions->clear();
  out.Grid = MakeForecastGrid(year, month, day, span, zone, step);
  charts.TransitEvent = TransitEvent(charts.Natal, zone);
  if (out.Grid.N < 0) return out;

  // One sky, reused for every moment.
  auto sky = std::make_unique<TransitSky>();
  out.Moments.reserve(static_cast<size_t>(out.Grid.N) + 1);
  out.Values.reserve(static_cast<size_t>(out.Grid.N) + 1);
  for (int i = 0; i <= out.Grid.N; ++i) {
    const astro::ChartMoment t = out.Grid.At(i);
    charts.TransitEvent.Event.MoveClockTo(t);
    ComputeSky(charts.TransitEvent, t, *sky);
    out.Moments.push_back(t);
    std::vector<Contribution>* shares = nullptr;
    if (contributions) shares = &contributions->emplace_back();
    out.Values.push_back(
        ModelValue(model, charts.Natal, *sky, zone, metrics, shares, step / astro::DayInCenturies));
  }
  charts.Transit = sky->Chart;
  return out;
}

ForecastValues ComputeForecast(const ForecastCharts& charts, const std::string& model_path,
                               int year, int month, int day, double span, double zone,
                               double step, const eval::TPlanetary_T* metrics) {
  const auto model = LoadModel(model_path);
  return ComputeForecast(charts, *model, year, month, day, span, zone, step, metrics);
}

}  // namespace sd::forecast
