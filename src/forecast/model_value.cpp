#include "forecast/model_value.h"

#include "astro/calendar.h"
#include "astro/chart.h"
#include "eval/weighted_sum.h"

namespace sd::forecast {

namespace {

// Objects of the transit chart: the Sun to Pluto and the north node.
constexpr int kTransitObjects[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, astro::kNorthNode};

}  // namespace

astro::ChartData TransitEvent(const astro::ChartData& natal, double zone) {
  astro::ChartData event = natal;
  event.ObjectOn.fill(0);
  for (int n : kTransitObjects) event.ObjectOn[n] = 1;
  event.Event.Zone = zone;
  return event;
}

void ComputeSky(const astro::ChartData& transit_event, astro::ChartMoment t, TransitSky& out) {
  astro::ChartData& chart = out.Chart;
  chart.Event = transit_event.Event;
  chart.Event.MoveClockTo(t);
  chart.ObjectOn = transit_event.ObjectOn;
  chart.Moment = t;
  ComputeChart(chart, astro::MomentSource::Moment);
  FillSnapshot(out.Snapshot, chart);
  out.Moment = t;
}

double ModelValue(const model::TEvList& model, const astro::ChartData& natal, const TransitSky& sky,
                  double zone, const eval::TPlanetary_T* metrics,
                  std::vector<Contribution>* contributions, double step_days) {
  eval::ModelInputs in;
  // One moment's sky in all four places: the forecast never looks at its neighbours' skies.
  for (auto& p : in.Transit) p = &sky.Snapshot;
  in.NatalAt = &natal;
  in.NatalAfter = &natal;
  in.GridStepDays = step_days;
  in.Mode = eval::GradedMode;
  // Calendar events judge the weekday and the clock on the request's own local days.
  in.Options.ZoneHours = astro::HmsToDecimal(zone);
  in.Metrics = metrics;
  in.Moment = sky.Moment;
  if (!contributions) return eval::EvaluateModel(model, in);

  eval::ExplanationList explained;
  const double value = eval::EvaluateModel(model, in, &explained);
  contributions->clear();
  for (const auto& e : explained) {
    const double weight = model.Event(e.EventIndex).Weight;
    const double share = weight * e.Value;
    if (share != 0.0) contributions->push_back({e.EventIndex, weight, share});
  }
  return value;
}

Forecaster::Forecaster(const model::TEvList& model, const astro::ChartData& natal, double zone,
                       const eval::TPlanetary_T* metrics)
    : model_(model),
      natal_(natal),
      zone_(zone),
      metrics_(metrics),
      event_(TransitEvent(natal, zone)),
      sky_(std::make_unique<TransitSky>()) {}

double Forecaster::ValueAt(astro::ChartMoment t) {
  ComputeSky(event_, t, *sky_);
  return ModelValue(model_, natal_, *sky_, zone_, metrics_);
}

std::vector<Forecaster::Row> Forecaster::At(const std::vector<astro::ChartMoment>& moments,
                                            bool with_contributions) {
  std::vector<Row> rows;
  rows.reserve(moments.size());
  for (astro::ChartMoment t : moments) {
    ComputeSky(event_, t, *sky_);
    Row row;
    row.Moment = t;
    row.Value = ModelValue(model_, natal_, *sky_, zone_, metrics_,
                           with_contributions ? &row.Contributions : nullptr);
    rows.push_back(std::move(row));
  }
  return rows;
}

std::unique_ptr<model::TEvList> LoadModel(const std::string& path) {
  auto model = std::make_unique<model::TEvList>();
  model::LoadRunModel(*model, path);
  return model;
}

}  // namespace sd::forecast
