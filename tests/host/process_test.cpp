#include "host/process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host/clock.h"
#include "cgi/page.h"
#include "host/process.h"
#include "forecast/natal.h"
#include "host/program_dir.h"

namespace sd::host {
namespace {

TEST(StartUp, DefaultEventDataInEveryChart) {
  LocalDateTime now;
  now.year = 2027; now.month = 2; now.day = 28; now.hour = 9; now.minute = 5; now.second = 7;
  StartUp(now);
  RequestCharts& charts = ProcessCharts();
  for (const astro::ChartData* chart : {&charts.Natal, &charts.TransitEvent, &charts.Transit}) {
    const astro::ChartData& slot = *chart;
    EXPECT_EQ(slot.ChartName.Str(), "No Name 1");
    EXPECT_EQ(slot.Event.Year, 2027);
    EXPECT_EQ(slot.Event.Month, 2);
    EXPECT_EQ(slot.Event.Day, 28);
    EXPECT_DOUBLE_EQ(slot.Event.LocalTime, 9.0507);
    EXPECT_EQ(slot.Event.Zone, 3.0);
    EXPECT_EQ(slot.Event.PlaceText.View().size(), 34u);
    EXPECT_EQ(slot.Event.PlaceText.Str(), "\xCC\xEE\xF1\xEA\xE2\xE0 (7519)        55.45   37.35");
    EXPECT_EQ(slot.Event.PlaceLatitude, 55.45);
    EXPECT_EQ(slot.Event.PlaceLongitude, 37.35);
    EXPECT_EQ(slot.Event.PlaceExtra, 0.0);
  }
  CleanUp();
  EXPECT_THROW(ProcessCharts(), std::logic_error);
  CleanUp();  // a second clean-up finds nothing to free
  EXPECT_THROW(ProcessCharts(), std::logic_error);
}

TEST(StartUp, ObjectSwitchesOfTheNatalSlot) {
  StartUp(LocalNow());
  astro::ChartData& natal = ProcessCharts().Natal;
  natal.ObjectOn[12] = 5;  // 10..14 keep what they had when the natal set is switched on
  const std::set<int> on = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 18, 21, 24, 27, 30};
  const std::set<int> nine = {19, 20, 22, 23, 25, 26, 28, 29};
  for (int n = 0; n < astro::kObjectCount; ++n) {
    const int want = n == 12 ? 5 : on.count(n) ? 1 : nine.count(n) ? 9 : 0;
    EXPECT_EQ(natal.ObjectOn[static_cast<size_t>(n)], want) << n;
  }
  for (const astro::ChartData* other : {&ProcessCharts().TransitEvent, &ProcessCharts().Transit}) {
    for (int n = 0; n < astro::kObjectCount; ++n) EXPECT_EQ(other->ObjectOn[static_cast<size_t>(n)], 0);
  }
  forecast::SetNatalSwitches(natal);
  for (int n = 0; n < astro::kObjectCount; ++n) {
    const int want = n == 12 ? 5 : (n >= 10 && n <= 14) ? 0 : 1;
    EXPECT_EQ(natal.ObjectOn[static_cast<size_t>(n)], want) << n;
  }
  CleanUp();
}

TEST(StartUp, PictureNumbersVaryBetweenRuns) {
  // Seeded from a high-resolution clock and the pid: ten start-ups in a row must not all
  // draw the same first number (a seed from the seconds clock alone would).
  std::set<int> first;
  for (int i = 0; i < 10; ++i) {
    StartUp(LocalNow());
    first.insert(DrawPictureNumber());
    CleanUp();
  }
  EXPECT_GT(first.size(), 1u);
}

// The towns database as start-up opens it: from the program directory, which for this test
// program is the build directory, where the build puts a copy of the shipped data files.
TEST(StartUp, TownsDatabaseOfTheProgramDirectoryLivesUntilCleanUp) {
  StartUp(LocalNow());
  ASSERT_NE(Process().towns, nullptr);
  EXPECT_EQ(Process().towns->directory(), ProgramDir(""));
  EXPECT_FALSE(Process().towns->regions().empty());
  EXPECT_TRUE(Process().towns->data().is_open());
  CleanUp();
  EXPECT_EQ(Process().towns, nullptr);
}

}  // namespace
}  // namespace sd::host
