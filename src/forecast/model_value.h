#pragma once
// The model's value at any moment for one natal chart, and each event's share of it.
//
// v(t) depends on t alone: the model reads the transit chart of t (computed at the natal
// place, in the zone) and the natal chart, and keeps nothing between moments. So a sky can be
// computed once and read by every natal chart of the same place, and moments can be taken in
// any order and on any thread.
#include <memory>
#include <string>
#include <vector>

#include "astro/chart_data.h"
#include "astro/moment_snapshot.h"
#include "model/ev_list.h"

namespace sd::eval {
class TPlanetary_T;
}

namespace sd::forecast {

// The evaluation's view of the grid: each moment's neighbours lie half a day away.
inline constexpr double kGridStepDays = 0.5;

// The sky of one moment as the model reads it: the transit chart and its packed snapshot.
struct TransitSky {
  astro::ChartMoment Moment = astro::kNoMoment;
  astro::ChartData Chart;
  astro::MomentSnapshot Snapshot{};
};

// The transit event of a natal chart: its event block (so its place) with the zone of the
// request, and only the Sun to Pluto and the north node switched on. It depends on the natal
// place, not on the natal moment.
astro::ChartData TransitEvent(const astro::ChartData& natal, double zone);

// The transit chart of moment t for that event, and its snapshot.
void ComputeSky(const astro::ChartData& transit_event, astro::ChartMoment t, TransitSky& out);

// One event's share of a model value: its weight times its graded value at the moment.
struct Contribution {
  int Event = 0;  // index in the model (model.Event(i).Section names it)
  double Weight = 0;
  double Value = 0;
};

// The model value of `natal` against `sky` (zone packed hours east; `metrics` the planet-pair
// table, null for none). With `contributions`, it receives every event with a non-zero value;
// their values sum to the result (up to rounding). `step_days` is the spacing of the grid the
// moment belongs to, which motion factors read.
double ModelValue(const model::TEvList& model, const astro::ChartData& natal, const TransitSky& sky,
                  double zone, const eval::TPlanetary_T* metrics,
                  std::vector<Contribution>* contributions = nullptr,
                  double step_days = kGridStepDays);

// One natal chart and zone: the value at any moment, each sky computed once per call.
class Forecaster {
 public:
  // Keeps references: the model, the natal chart and the table must outlive it.
  Forecaster(const model::TEvList& model, const astro::ChartData& natal, double zone,
             const eval::TPlanetary_T* metrics);

  // The model value at moment t.
  double ValueAt(astro::ChartMoment t);

  struct Row {
    astro::ChartMoment Moment = astro::kNoMoment;
    double Value = 0;
    std::vector<Contribution> Contributions;  // empty unless asked for
  };
  // The values at the moments, in their order; with `with_contributions` each event's share.
  std::vector<Row> At(const std::vector<astro::ChartMoment>& moments, bool with_contributions);

 private:
  const model::TEvList& model_;
  const astro::ChartData& natal_;
  double zone_;
  const eval::TPlanetary_T* metrics_;
  astro::ChartData event_;
  std::unique_ptr<TransitSky> sky_;
};

// The model's file name in the program directory.
inline constexpr const char* kModelFileName = "stock.hyp";

// Loads a model file as the forecast reads it (no section prefix, no limit). A missing or
// unreadable file throws DataFileError; a model without an accepted event loads, with one line
// on stderr (model::LoadRunModel).
std::unique_ptr<model::TEvList> LoadModel(const std::string& path);

}  // namespace sd::forecast
