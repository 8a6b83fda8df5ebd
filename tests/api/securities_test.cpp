#include "api/securities.h"

#include <gtest/gtest.h>

#include "api/zones.h"

namespace sd::api {
namespace {

TEST(FirstTradeJson, UnpacksTimesAndDegrees) {
  data::NatalRecord r;
  r.Year = 1915;
  r.Month = 11;
  r.Day = 11;
  r.LocalTime = 10.0;
  r.Zone = -5.0;
  r.Latitude = 40.4225;    // 40 deg 42 min 25 s
  r.Longitude = -74.0041;  // -74 deg 0 min 41 s
  r.PlaceText.Set("New York, NY");
  const auto j = FirstTradeJson(r);
  EXPECT_EQ(j["date"], "1915-11-11");
  EXPECT_EQ(j["time"], "10:00:00");
  EXPECT_EQ(j["zone"], -5.0);
  EXPECT_NEAR(j["latitude"].get<double>(), 40 + 42 / 60.0 + 25 / 3600.0, 1e-6);
  EXPECT_NEAR(j["longitude"].get<double>(), -(74 + 41 / 3600.0), 1e-6);
  EXPECT_EQ(j["place"], "New York, NY");
}

TEST(FindZone, AnyLetterCaseOfTheTableOnly) {
  ASSERT_TRUE(FindZone("est"));
  EXPECT_EQ(FindZone("est")->abbreviation, "EST");
  EXPECT_EQ(FindZone("MOSCOW")->abbreviation, "Moscow");
  EXPECT_DOUBLE_EQ(FindZone("IST")->hours, 5.5);
  EXPECT_DOUBLE_EQ(FindZone("NST")->hours, -3.5);
  EXPECT_FALSE(FindZone("XYZ"));
  EXPECT_FALSE(FindZone(""));
  EXPECT_FALSE(FindZone("ES"));
  EXPECT_EQ(UtcOffsetText(-3.5), "UTC-03:30");
  EXPECT_EQ(UtcOffsetText(10), "UTC+10:00");
  EXPECT_EQ(UtcOffsetText(0), "UTC+00:00");
}

}  // namespace
}  // namespace sd::api
