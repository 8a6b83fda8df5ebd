// The wheel of a computed chart: positions, houses and house system as the chart holds them,
// and the retrograde marks against the published stations of the planets.
#include "wheel/chart_wheel.h"

#include <gtest/gtest.h>

#include "astro/calendar.h"
#include "astro/chart.h"
#include "astro/houses.h"

namespace sd::wheel {
namespace {

TEST(IsRetrograde, AgreesWithThePublishedStations) {
  struct Case {
    int body;
    int y, m, d;
    bool retrograde;
  };
  // Stations from almanacs: Mercury retrograde 2024-04-01 .. 04-25; Venus 2025-03-01 .. 04-12;
  // Mars 2024-12-06 .. 2025-02-23; Jupiter 2024-10-09 .. 2025-02-04; Saturn 2024-06-29 .. 11-15;
  // Pluto 2024-05-02 .. 10-11. The Sun and the Moon never go backwards.
  const Case cases[] = {
      {2, 2024, 4, 10, true},   {2, 2024, 5, 20, false}, {3, 2025, 3, 20, true},
      {3, 2025, 5, 1, false},   {4, 2025, 1, 10, true},  {4, 2025, 4, 1, false},
      {5, 2024, 11, 20, true},  {5, 2024, 6, 1, false},  {6, 2024, 8, 1, true},
      {6, 2024, 12, 20, false}, {9, 2024, 7, 1, true},   {9, 2024, 12, 1, false},
      {0, 2024, 7, 1, false},   {1, 2024, 7, 1, false},  {30, 2024, 7, 1, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsRetrograde(c.body, astro::MomentFromDate(c.y, c.m, c.d, 12)), c.retrograde)
        << "body " << c.body << " on " << c.y << "-" << c.m << "-" << c.d;
  EXPECT_FALSE(IsRetrograde(2, astro::kNoMoment));
}

astro::ChartData Computed(int y, int m, int d, double clock, double lat_hms, double lon_hms) {
  astro::ChartData c;
  c.Event.Year = y;
  c.Event.Month = m;
  c.Event.Day = d;
  c.Event.LocalTime = clock;
  c.Event.Zone = -5;
  c.Event.PlaceLatitude = lat_hms;
  c.Event.PlaceLongitude = lon_hms;
  for (int n = 0; n < astro::kObjectCount; ++n) c.ObjectOn[n] = astro::IsAllowedObject(n) ? 1 : 0;
  EXPECT_TRUE(ComputeChart(c, astro::MomentSource::LocalClock));
  return c;
}

TEST(NatalWheel, TakesTheChartsLongitudesCuspsAndHouses) {
  const astro::ChartData c = Computed(2026, 3, 20, 12.0, 40.4245, -74.0022);
  const WheelInput in = NatalWheel(c, astro::kPlacidus, "x");
  EXPECT_EQ(in.house_system, "PLACIDUS");
  ASSERT_TRUE(in.cusps_known);
  for (int k = 0; k < 12; ++k) EXPECT_EQ(in.cusps[k], c.Object[astro::kLongitude][astro::CuspObject(k + 1)]);
  ASSERT_EQ(in.natal.size(), std::size(kWheelObjects));
  for (std::size_t i = 0; i < in.natal.size(); ++i) {
    const WheelBody& b = in.natal[i];
    EXPECT_EQ(b.object, kWheelObjects[i]);
    EXPECT_EQ(b.longitude, c.Object[astro::kLongitude][b.object]);  // bit for bit
    EXPECT_EQ(b.house, HouseOf(c, b.longitude));
    EXPECT_EQ(b.retrograde, IsRetrograde(b.object, c.Moment));
  }
  EXPECT_FALSE(in.bi_wheel);
}

TEST(NatalWheel, PolarPlaceNamesTheFallbackSystem) {
  const astro::ChartData c = Computed(2026, 3, 20, 12.0, 69.3900, 18.5700);  // Tromso
  EXPECT_EQ(NatalWheel(c, astro::kPlacidus, "x").house_system, HouseSystemName(astro::kTwelveEastPoints));
  EXPECT_EQ(NatalWheel(c, astro::kEqualFromAscendant, "x").house_system,
            HouseSystemName(astro::kEqualFromAscendant));
}

TEST(AddTransits, PlacesTheTransitsInTheNatalHouses) {
  const astro::ChartData natal = Computed(1990, 6, 1, 9.3, 40.4245, -74.0022);
  const astro::ChartData sky = Computed(2026, 3, 20, 12.0, 0, 0);
  WheelInput in = NatalWheel(natal, astro::kPlacidus, "x");
  AddTransits(in, sky, "Transits");
  EXPECT_TRUE(in.bi_wheel);
  ASSERT_EQ(in.transits.size(), std::size(kWheelObjects));
  for (const WheelBody& b : in.transits) {
    EXPECT_EQ(b.longitude, sky.Object[astro::kLongitude][b.object]);
    EXPECT_EQ(b.house, HouseOf(natal, b.longitude));
  }
}

TEST(NatalWheel, LeavesOutWhatTheChartDoesNotHave) {
  astro::ChartData c = Computed(2026, 3, 20, 12.0, 40.4245, -74.0022);
  c.Object[astro::kLongitude][astro::kPluto] = astro::NoValue;
  c.Object[astro::kLongitude][astro::CuspObject(5)] = astro::NoValue;
  const WheelInput in = NatalWheel(c, astro::kPlacidus, "x");
  EXPECT_EQ(in.natal.size(), std::size(kWheelObjects) - 1);
  for (const WheelBody& b : in.natal) {
    EXPECT_NE(b.object, astro::kPluto);
    EXPECT_EQ(b.house, 0);
  }
  EXPECT_FALSE(in.cusps_known);
}

}  // namespace
}  // namespace sd::wheel
