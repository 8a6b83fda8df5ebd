#include "forecast/model_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "astro/chart.h"
#include "forecast/natal.h"
#include "forecast/run.h"
#include "../support/moments.h"

namespace sd::forecast {
namespace {

// A natal chart computed as a request computes it.
std::unique_ptr<astro::ChartData> Natal(int year, int month, int day, double clock) {
  auto n = std::make_unique<astro::ChartData>();
  n->Event.Year = year;
  n->Event.Month = month;
  n->Event.Day = day;
  n->Event.LocalTime = clock;
  n->Event.Zone = -5.0;
  n->Event.PlaceLatitude = 40.43;
  n->Event.PlaceLongitude = -74.0;
  SetNatalSwitches(*n);
  ComputeChart(*n, astro::MomentSource::LocalClock);
  return n;
}

// The shipped model: every family of kinds the forecast scores.
class ShippedModel : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    model_ = LoadModel(std::string(STOCKDYN_SOURCE_DIR) + "/assets/stock.hyp").release();
  }
  static void TearDownTestSuite() { delete model_; }
  static const model::TEvList& Model() { return *model_; }
  static model::TEvList* model_;
};
model::TEvList* ShippedModel::model_ = nullptr;

TEST_F(ShippedModel, ValueAtAnyMomentIsTheRunsValueAtTheGridMoments) {
  ASSERT_GT(Model().Count(), 0);
  const auto natal = Natal(1924, 2, 14, 10.0);
  auto event = std::make_unique<astro::ChartData>();
  auto transit = std::make_unique<astro::ChartData>();
  const ForecastValues run = ComputeForecast({*natal, *event, *transit}, Model(), 2026, 3, 20,
                                             kForecastSpan, -5.0, kForecastStep);
  ASSERT_EQ(run.Values.size(), 41u);

  Forecaster f(Model(), *natal, -5.0, nullptr);
  // Backwards, so that nothing of an earlier moment can carry over.
  for (int i = 40; i >= 0; --i) EXPECT_EQ(f.ValueAt(run.Moments[i]), run.Values[i]) << i;
  int moving = 0;
  for (int i = 1; i <= 40; ++i) moving += run.Values[i] != run.Values[i - 1];
  EXPECT_GT(moving, 20) << "a curve that hardly moves shows nothing";
}

TEST_F(ShippedModel, ContributionsNameTheirSectionsAndSumToTheValue) {
  const auto natal = Natal(1924, 2, 14, 10.0);
  Forecaster f(Model(), *natal, -5.0, nullptr);
  std::vector<astro::ChartMoment> moments;
  const ForecastGrid g = MakeForecastGrid(2026, 3, 20, kForecastSpan, -5.0, kForecastStep);
  for (int i = 0; i <= g.N; ++i) moments.push_back(g.At(i));
  const auto rows = f.At(moments, true);
  ASSERT_EQ(rows.size(), moments.size());
  std::set<std::string> sections;
  for (const auto& row : rows) {
    double sum = 0;
    for (const Contribution& c : row.Contributions) {
      EXPECT_NE(c.Value, 0.0);
      EXPECT_EQ(c.Weight, Model().Event(c.Event).Weight);
      sum += c.Value;
      sections.insert(Model().Event(c.Event).Section);
    }
    EXPECT_NEAR(sum, row.Value, 1e-9) << row.Moment;
    // Without contributions the same value.
    EXPECT_EQ(f.ValueAt(row.Moment), row.Value);
  }
  EXPECT_GT(sections.size(), 3u);
  EXPECT_EQ(sections.count(""), 0u);
}

// A sky depends on the place and the zone, not on the natal moment: one sky serves another
// natal chart of the same place exactly as that chart's own forecast would compute it.
TEST_F(ShippedModel, OneSkyServesEveryNatalChartOfThePlace) {
  const auto a = Natal(1924, 2, 14, 10.0);
  const auto b = Natal(1961, 7, 3, 15.3);
  const astro::ChartMoment t = MakeForecastGrid(2026, 3, 20, kForecastSpan, -5.0, kForecastStep).At(7);
  auto sky = std::make_unique<TransitSky>();
  ComputeSky(TransitEvent(*a, -5.0), t, *sky);
  Forecaster fb(Model(), *b, -5.0, nullptr);
  EXPECT_EQ(ModelValue(Model(), *b, *sky, -5.0, nullptr), fb.ValueAt(t));
}

// Evaluation spreads moments over threads; each thread computing its own charts must get
// what one thread gets.
TEST_F(ShippedModel, ThreadsComputeTheSameValues) {
  const auto natal = Natal(1924, 2, 14, 10.0);
  std::vector<astro::ChartMoment> moments;
  for (int i = 0; i < 24; ++i) moments.emplace_back(1.26 + i * 0.37 * astro::DayInCenturies);
  Forecaster one(Model(), *natal, -5.0, nullptr);
  std::vector<double> expected;
  for (astro::ChartMoment t : moments) expected.push_back(one.ValueAt(t));

  std::vector<double> got(moments.size(), NAN);
  std::vector<std::thread> workers;
  for (int w = 0; w < 3; ++w) {
    workers.emplace_back([&, w] {
      Forecaster f(Model(), *natal, -5.0, nullptr);
      for (size_t i = w; i < moments.size(); i += 3) got[i] = f.ValueAt(moments[i]);
    });
  }
  for (auto& t : workers) t.join();
  for (size_t i = 0; i < moments.size(); ++i) EXPECT_EQ(got[i], expected[i]) << i;
}

}  // namespace
}  // namespace sd::forecast
