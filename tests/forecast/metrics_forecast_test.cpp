// Kind 33 in a forecast run: the planet-pair metric table of the program directory drives the
// curve, and moments the table does not cover score nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "astro/calendar.h"
#include "cli/metric_build.h"
#include "eval/metric_table.h"
#include "one_event_forecast.h"

namespace sd {
namespace {

namespace fs = std::filesystem;

constexpr double kPi = 3.14159265358979323846;

// Moon minus Sun, sine, weight 2; the multiplier and the reduction keep their defaults.
const char* const kMoonSunModel =
    "[OPTIONS]\nHEADER=metrics\n\n[MoonSun]\n_H=Moon against the Sun\n_T=33\nWEIGHT=2\n"
    "METR2=1\nMETR3=0\nMETR11=0\n";

class MetricsForecast : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("metrics_forecast_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    run_.UseProgramDir(dir_.string());
  }
  void TearDown() override { fs::remove_all(dir_); }

  // The table holds the Sun-Moon pair from the day of `first` for `days` days.
  void BuildTable(int first_year, int first_month, int first_day, int days) {
    const double q =
        (astro::MomentFromDate(first_year, first_month, first_day, 0) - eval::kMetricFirstMoment) /
        astro::DayInCenturies;
    const int first = static_cast<int>(std::lround(q));
    cli::BuildMetricsFile(eval::MetricsPathIn(dir_.string()), {{0, 1}}, {first, days});
    last_left_moment_ = eval::MetricDayMoment(first + days - 1);
  }

  // 2 sin(Moon - Sun) from the transit chart of the moment.
  double FromChart(astro::ChartMoment t) const {
    const astro::ChartData c = run_.TransitAt(t);
    return 2 * std::sin((c.Object[astro::kLongitude][1] - c.Object[astro::kLongitude][0]) * kPi / 180);
  }

  fs::path dir_;
  testing::OneEventForecast run_;
  astro::ChartMoment last_left_moment_{0};
};

TEST_F(MetricsForecast, EveryMomentScoresTheSineOfTheInterpolatedElongation) {
  BuildTable(2026, 3, 18, 26);
  const forecast::ForecastValues v = run_.Run(kMoonSunModel, 2026, 3, 20, -5.0);
  ASSERT_EQ(v.Values.size(), 41u);
  double low = 10, high = -10;
  for (size_t i = 0; i < v.Values.size(); ++i) {
    // The moments lie at 5h and 17h UT, between the table's days: a straight line between
    // two days follows the Moon to a tenth of a degree, the nearer day alone only to six.
    EXPECT_NEAR(v.Values[i], FromChart(v.Moments[i]), 0.01) << "moment " << i;
    low = std::min(low, v.Values[i]);
    high = std::max(high, v.Values[i]);
  }
  // Twenty days are most of a lunation: the curve swings through both extremes.
  EXPECT_LT(low, -1.8);
  EXPECT_GT(high, 1.8);
}

TEST_F(MetricsForecast, MomentsBeyondTheTableScoreNothing) {
  BuildTable(2026, 3, 18, 12);  // days up to March 29; the run goes on to April 9
  const forecast::ForecastValues v = run_.Run(kMoonSunModel, 2026, 3, 20, -5.0);
  ASSERT_EQ(v.Values.size(), 41u);
  int inside = 0;
  for (size_t i = 0; i < v.Values.size(); ++i) {
    if (v.Moments[i] < last_left_moment_) {
      ++inside;
      EXPECT_NEAR(v.Values[i], FromChart(v.Moments[i]), 0.01) << "moment " << i;
    } else {
      EXPECT_EQ(v.Values[i], 0.0) << "moment " << i;
    }
  }
  EXPECT_GT(inside, 10);
  EXPECT_LT(inside, 41);
}

TEST_F(MetricsForecast, WithoutAUsableTableTheEventScoresNothing) {
  // No file, then a file cut short in its second record.
  forecast::ForecastValues v = run_.Run(kMoonSunModel, 2026, 3, 20, -5.0);
  ASSERT_EQ(v.Values.size(), 41u);
  for (double x : v.Values) EXPECT_EQ(x, 0.0);

  BuildTable(2026, 3, 18, 26);
  const fs::path file = eval::MetricsPathIn(dir_.string());
  { std::ofstream(file, std::ios::binary | std::ios::app) << std::string(1000, '\0'); }
  v = run_.Run(kMoonSunModel, 2026, 3, 20, -5.0);
  ASSERT_EQ(v.Values.size(), 41u);
  for (double x : v.Values) EXPECT_EQ(x, 0.0);
}

}  // namespace
}  // namespace sd
