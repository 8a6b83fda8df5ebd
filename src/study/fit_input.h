#pragma once
// The columns a fit regresses on: each event of a model with weight 1, its contribution at every
// local midnight, and its change over the horizon at every evaluation date.
#include <memory>
#include <string>
#include <vector>

#include "model/ev_list.h"
#include "study/evaluate.h"
#include "study/fit.h"
#include "study/prices.h"

namespace sd::study {

struct ModelSection {
  std::string Name;   // as the model loader names it
  double Weight = 0;  // as the file gives it
};

// The accepted events of a model file, in the loader's order.
std::vector<ModelSection> AcceptedSections(const std::string& path);

// The model of `text` (the file's bytes) with every event's weight 1: its contributions are the
// events' own values, whatever weights the file gives (a weight of 0 would hide an event).
std::unique_ptr<model::TEvList> UnitWeightModel(const std::string& text, const std::vector<ModelSection>& sections);

// Each event's signal over h days at every evaluation date, from the per-midnight contributions
// of `series` (computed with the unit-weight model), and the return over h days. A date without
// the whole signal gets no return, so it is no pair.
FitInput MakeFitInput(const MidnightSeries& series, const PriceSeries& prices, const std::vector<Date>& dates, int h);

}  // namespace sd::study
