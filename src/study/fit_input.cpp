#include "study/fit_input.h"

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "data/atomic_file.h"
#include "forecast/model_value.h"
#include "study/model_weights.h"

namespace sd::study {

std::vector<ModelSection> AcceptedSections(const std::string& path) {
  std::vector<std::string> names;
  model::TEvList list;
  list.on_section = [&](const model::SectionOutcome& s) {
    if (s.status == model::SectionOutcome::Accepted) names.push_back(s.name);
  };
  list.Load(path);
  std::vector<ModelSection> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back({names[static_cast<size_t>(i)], list.Event(i).Weight});
  return out;
}

std::unique_ptr<model::TEvList> UnitWeightModel(const std::string& text, const std::vector<ModelSection>& sections) {
  std::vector<WeightChange> ones;
  for (const ModelSection& s : sections) ones.push_back({s.Name, 1.0});
  const std::string unit = RewriteWeights(text, ones).Text;
  // The loader reads files only: the rewritten model goes through a scratch copy.
  char path[] = "/tmp/stockdyn-fit-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) throw std::runtime_error("cannot make a scratch file in /tmp");
  ::close(fd);
  std::unique_ptr<model::TEvList> m;
  try {
    data::WriteFileAtomically(path, unit);
    m = forecast::LoadModel(path);
  } catch (...) {
    ::unlink(path);
    throw;
  }
  ::unlink(path);
  return m;
}

FitInput MakeFitInput(const MidnightSeries& series, const PriceSeries& prices, const std::vector<Date>& dates, int h) {
  const int events = static_cast<int>(series.Contributions.size());
  FitInput in;
  in.Horizon = h;
  in.Dates = dates;
  in.Signals.resize(static_cast<Eigen::Index>(dates.size()), events);
  for (size_t i = 0; i < dates.size(); ++i) {
    double r = ReturnOver(prices, dates[i], h);
    for (int e = 0; e < events; ++e) {
      const double s = SignalOver(series.Contributions[static_cast<size_t>(e)], series.First, dates[i], h);
      in.Signals(static_cast<Eigen::Index>(i), e) = std::isfinite(s) ? s : 0;
      if (!std::isfinite(s)) r = NAN;
    }
    in.Returns.push_back(r);
  }
  return in;
}

}  // namespace sd::study
