#include "study/fit_input.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <random>
#include <sstream>

#include "astro/chart.h"
#include "forecast/natal.h"

namespace sd::study {
namespace {

using std::chrono::days;

Date D(int y, unsigned m, unsigned d) { return std::chrono::sys_days{std::chrono::year{y} / m / d}; }

constexpr double kZone = -5.0;

astro::ChartData NatalChart() {
  astro::ChartData n;
  n.Event.Year = 1924;
  n.Event.Month = 2;
  n.Event.Day = 14;
  n.Event.LocalTime = 10.0;
  n.Event.Zone = kZone;
  n.Event.PlaceLatitude = 40.43;
  n.Event.PlaceLongitude = -74.0;
  forecast::SetNatalSwitches(n);
  ComputeChart(n, astro::MomentSource::LocalClock);
  return n;
}

double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
  Eigen::Map<const Eigen::VectorXd> x(a.data(), static_cast<Eigen::Index>(a.size()));
  Eigen::Map<const Eigen::VectorXd> y(b.data(), static_cast<Eigen::Index>(b.size()));
  const Eigen::VectorXd xc = x.array() - x.mean(), yc = y.array() - y.mean();
  return xc.dot(yc) / (xc.norm() * yc.norm());
}

// Prices that follow a known mix of the shipped model's own events: the columns the command
// builds must give the mix back, and the mix must predict the years the fit did not see.
TEST(FitInput, ShippedModelEventsMixedWithKnownWeightsComeBack) {
  const std::string path = std::string(STOCKDYN_SOURCE_DIR) + "/assets/stock.hyp";
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  const std::vector<ModelSection> sections = AcceptedSections(path);
  ASSERT_GT(sections.size(), 10u);
  const auto unit = UnitWeightModel(text.str(), sections);
  ASSERT_EQ(unit->Count(), static_cast<int>(sections.size()));
  for (int e = 0; e < unit->Count(); ++e) EXPECT_EQ(unit->Event(e).Weight, 1.0) << sections[static_cast<size_t>(e)].Name;

  const int h = 5;
  const Date first = D(1995, 1, 1), last = D(1998, 12, 31);
  MidnightInputs mi;
  mi.Model = unit.get();
  mi.Zone = kZone;
  mi.First = first;
  mi.Last = last + days{h + 1};
  mi.Threads = 2;
  const MidnightSeries series = ComputeMidnightSeries(mi, {NatalChart()}, true).front();
  ASSERT_EQ(series.Contributions.size(), sections.size());

  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> pick(-2, 2);
  std::vector<double> truth;
  for (size_t e = 0; e < sections.size(); ++e) truth.push_back(pick(rng));

  // A price every day, its log the mix at the next midnight: the return over h days from d is
  // then exactly the mix's change from t0(d) to t0(d + h).
  PriceSeries prices;
  for (Date d = first; d <= last; d += days{1}) {
    double x = 0;
    for (size_t e = 0; e < truth.size(); ++e) x += truth[e] * SeriesAt(series.Contributions[e], series.First, d + days{1});
    prices.Dates.push_back(d);
    prices.Prices.push_back(std::exp(4.0 + 0.01 * x));
  }
  const FitInput in = MakeFitInput(series, prices, EvaluationDates(prices, first, last), h);

  FitOptions o;
  o.TrainFrom = first;
  o.TrainTo = D(1997, 12, 31);
  o.TestFrom = D(1998, 1, 1);
  o.TestTo = last;
  o.Permutations = 199;
  const FitResult r = Fit(in, o);
  ASSERT_GE(r.Fitted.size(), 10u) << "too few events move over the span to test anything";
  std::vector<double> fitted, planted;
  for (int e : r.Fitted) {
    fitted.push_back(r.Weights[static_cast<size_t>(e)]);
    planted.push_back(truth[static_cast<size_t>(e)]);
  }
  for (int e : r.Constant) EXPECT_EQ(r.Weights[static_cast<size_t>(e)], 0.0);
  EXPECT_GE(Correlation(fitted, planted), 0.99);
  EXPECT_GT(r.InSample.Ic, 0.95);
  EXPECT_GT(r.Test.Ic, 0.9);
  EXPECT_LE(r.Test.PValue, 0.01);
  EXPECT_GT(r.Test.HitRate, 0.8);
}

}  // namespace
}  // namespace sd::study
