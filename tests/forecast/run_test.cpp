#include "forecast/run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "astro/calendar.h"
#include "astro/chart.h"

namespace sd::forecast {
namespace {

TEST(ComputeForecast, TransitChartsCarryOnlyThePlanetsAndTheNodeAndTheNatalStaysAsItWas) {
  auto natal_ptr = std::make_unique<astro::ChartData>();
  auto event_ptr = std::make_unique<astro::ChartData>();
  auto transit_ptr = std::make_unique<astro::ChartData>();
  astro::ChartData& natal = *natal_ptr;
  natal.Event.Year = 1924;
  natal.Event.Month = 2;
  natal.Event.Day = 14;
  natal.Event.LocalTime = 10.0;
  natal.Event.Zone = -5.0;
  natal.Event.PlaceLatitude = 40.43;
  natal.Event.PlaceLongitude = -74.0;
  natal.ObjectOn.fill(1);
  for (int n = 10; n <= 14; ++n) natal.ObjectOn[n] = 0;
  ComputeChart(natal, astro::MomentSource::LocalClock);
  const auto before = std::make_unique<astro::ChartData>(natal);

  const std::string model = ::testing::TempDir() + "forecast_model_" + std::to_string(getpid()) + ".hyp";
  {
    // Transit Moon in any of the major aspects to the natal Sun, wide orb: it scores somewhere.
    std::ofstream(model) << "[E]\n_H=moon\n_T=2\nA0=1\nA1=1\nA2=1,2,3,4,5\nA3=0\nA4=0\nA6=10\n"
                            "[F]\n_H=cusp\n_T=2\nA0=1\nA1=18\nA2=1,2,3,4,5\nA3=0\nA4=0\nA6=30\n";
  }
  const ForecastValues fv =
      ComputeForecast({natal, *event_ptr, *transit_ptr}, model, 2026, 3, 20, kForecastSpan, -5.0, kForecastStep);
  std::filesystem::remove(model);

  ASSERT_EQ(fv.Values.size(), 41u);
  ASSERT_EQ(fv.Moments.size(), 41u);
  EXPECT_EQ(fv.Moments[40], fv.Grid.End);
  int scored = 0;
  for (double v : fv.Values) scored += v != 0.0;
  EXPECT_GT(scored, 0);

  const astro::ChartData& transit = *transit_ptr;
  for (int n = 0; n < astro::kObjectCount; ++n) {
    const bool wanted = n <= 9 || n == 30;
    EXPECT_EQ(event_ptr->ObjectOn[n], wanted ? 1 : 0) << n;
    // Only the objects switched on have positions in the transit chart: a transit Ascendant
    // never scores, however wide its orb.
    if (n == 0 || n == 1 || n == 30) {
      EXPECT_TRUE(astro::IsValue(transit.Object[astro::kLongitude][n])) << n;
    }
  }
  EXPECT_FALSE(astro::IsValue(transit.Object[astro::kLongitude][18]));
  EXPECT_EQ(transit.Moment, fv.Moments[40]);
  EXPECT_EQ(event_ptr->Event.Zone, -5.0);
  // The transit event's clock is the last moment's, local to the zone (local midnight, which
  // the packed clock may show as 24.00 of the day before).
  EXPECT_NEAR(event_ptr->Event.UniversalMoment().Centuries, fv.Moments[40].Centuries,
              astro::SecondInCenturies);
  EXPECT_EQ(std::memcmp(&natal.Object, &before->Object, sizeof natal.Object), 0);
  EXPECT_EQ(std::memcmp(&natal.Planet, &before->Planet, sizeof natal.Planet), 0);
  EXPECT_EQ(natal.ObjectOn, before->ObjectOn);
}

}  // namespace
}  // namespace sd::forecast
