#include "cgi/forecast.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <filesystem>
#include <fstream>
#include <string>

#include "astro/calendar.h"
#include "astro/chart.h"
#include "render/canvas.h"

namespace sd {
namespace {

// Hours since midnight UT of the moment's civil date.
double UtHours(ChartMoment t) { return DateFromMoment(t).hours; }

TEST(ForecastGrid, StartsAtLocalMidnightAsUniversalTime) {
  struct Case { double zone; int y, m, d; double hours; };
  const Case cases[] = {
      {-5.0, 2026, 3, 20, 5.0},   // EST: 05:00 UT the same day
      {9.3, 2026, 3, 19, 14.5},   // ACST 9 h 30: 14:30 UT the day before
      {0.0, 2026, 3, 20, 0.0},
      {-10.3, 2026, 3, 20, 10.5},  // HST -10 h 30
  };
  for (const Case& c : cases) {
    const ForecastGrid g = MakeForecastGrid(2026, 3, 20, kForecastSpan, c.zone, kForecastStep);
    const CivilDate d = DateFromMoment(g.Start);
    EXPECT_EQ(d.year, c.y) << c.zone;
    EXPECT_EQ(d.month, c.m) << c.zone;
    EXPECT_EQ(d.day, c.d) << c.zone;
    EXPECT_NEAR(d.hours, c.hours, 1e-6) << c.zone;
  }
}

TEST(ForecastGrid, FortyOneMomentsHalfADayApartOverTwentyDays) {
  const ForecastGrid g = MakeForecastGrid(2026, 3, 20, kForecastSpan, -5.0, kForecastStep);
  ASSERT_EQ(g.N, 40);
  EXPECT_EQ(g.At(0), g.Start);
  EXPECT_EQ(g.At(40), g.End);
  for (int i = 1; i <= g.N; ++i)
    EXPECT_NEAR((g.At(i) - g.At(i - 1)) / DayInCenturies, 0.5, 1e-9) << i;
  // The last moment is local midnight twenty days later: 05:00 UT on 9 April.
  const CivilDate last = DateFromMoment(g.At(40));
  EXPECT_EQ(last.month, 4);
  EXPECT_EQ(last.day, 9);
  EXPECT_NEAR(UtHours(g.At(40)), 5.0, 1e-6);
}

TEST(ForecastGrid, DegenerateStepsGiveNoEndlessGrid) {
  EXPECT_EQ(MakeForecastGrid(2026, 3, 20, kForecastSpan, 0, 0.0).N, -1);
  EXPECT_EQ(MakeForecastGrid(2026, 3, 20, kForecastSpan, 0, NAN).N, -1);
  EXPECT_EQ(MakeForecastGrid(2026, 3, 20, kForecastSpan, 0, 1e-300).N, -1);
  // A step longer than the span: the start alone.
  const ForecastGrid one = MakeForecastGrid(2026, 3, 20, kForecastSpan, 0, 2 * kForecastSpan);
  EXPECT_EQ(one.N, 0);
  EXPECT_EQ(one.At(0), one.Start);
  // A negative span counts down: truncation towards zero.
  EXPECT_EQ(MakeForecastGrid(2026, 3, 20, -kForecastSpan, 0, kForecastStep).N, -40);
}

TEST(ComputeForecast, TransitChartsCarryOnlyThePlanetsAndTheNodeAndTheNatalStaysAsItWas) {
  auto slots = std::make_unique<ChartSlotArray>();
  ChartData& natal = (*slots)[0];
  natal.Event.Year = 1924;
  natal.Event.Month = 2;
  natal.Event.Day = 14;
  natal.Event.LocalTime = 10.0;
  natal.Event.Zone = -5.0;
  natal.Event.PlaceLatitude = 40.43;
  natal.Event.PlaceLongitude = -74.0;
  natal.ObjectOn.fill(1);
  for (int n = 10; n <= 14; ++n) natal.ObjectOn[n] = 0;
  ComputeChart(natal, 0);
  const auto before = std::make_unique<ChartData>(natal);

  const std::string model = ::testing::TempDir() + "forecast_model_" + std::to_string(getpid()) + ".hyp";
  {
    // Transit Moon in any of the major aspects to the natal Sun, wide orb: it scores somewhere.
    std::ofstream(model) << "[E]\n_H=moon\n_T=2\nA0=1\nA1=1\nA2=1,2,3,4,5\nA3=0\nA4=0\nA6=10\n"
                            "[F]\n_H=cusp\n_T=2\nA0=1\nA1=18\nA2=1,2,3,4,5\nA3=0\nA4=0\nA6=30\n";
  }
  const ForecastValues fv =
      ComputeForecast(*slots, model, 2026, 3, 20, kForecastSpan, -5.0, kForecastStep);
  std::filesystem::remove(model);

  ASSERT_EQ(fv.Values.size(), 41u);
  ASSERT_EQ(fv.Moments.size(), 41u);
  EXPECT_EQ(fv.Moments[40], fv.Grid.End);
  int scored = 0;
  for (double v : fv.Values) scored += v != 0.0;
  EXPECT_GT(scored, 0);

  const ChartData& transit = (*slots)[4];
  for (int n = 0; n < kObjectCount; ++n) {
    const bool wanted = n <= 9 || n == 30;
    EXPECT_EQ((*slots)[2].ObjectOn[n], wanted ? 1 : 0) << n;
    // Only the objects switched on have positions in the transit chart: a transit Ascendant
    // never scores, however wide its orb.
    if (n == 0 || n == 1 || n == 30) EXPECT_TRUE(IsValue(transit.Object[kLongitude][n])) << n;
  }
  EXPECT_FALSE(IsValue(transit.Object[kLongitude][18]));
  EXPECT_EQ(transit.Moment, fv.Moments[40]);
  EXPECT_EQ((*slots)[2].Event.Zone, -5.0);
  // The transit event's clock is the last moment's, local to the zone (local midnight, which
  // the packed clock may show as 24.00 of the day before).
  EXPECT_NEAR(MomentFromLocal((*slots)[2].Event.Clock()), fv.Moments[40], SecondInCenturies);
  EXPECT_EQ(std::memcmp(&natal.Object, &before->Object, sizeof natal.Object), 0);
  EXPECT_EQ(std::memcmp(&natal.Planet, &before->Planet, sizeof natal.Planet), 0);
  EXPECT_EQ(natal.ObjectOn, before->ObjectOn);
}

class PublishPicture : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::path(::testing::TempDir()) /
           ("publish_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  int FileCount() const {
    int n = 0;
    for (auto& e : std::filesystem::directory_iterator(dir_)) n += e.is_regular_file();
    return n;
  }
  std::filesystem::path dir_;
};

std::string FirstBytes(const std::string& path, size_t n) {
  std::ifstream f(path, std::ios::binary);
  std::string s(n, '\0');
  f.read(s.data(), static_cast<std::streamsize>(n));
  s.resize(static_cast<size_t>(f.gcount()));
  return s;
}

TEST_F(PublishPicture, ATakenNameIsNeverReplaced) {
  render::Canvas raster(8, 4);
  raster.FillRect({0, 0, 7, 3}, render::kWhite);
  {
    std::ofstream other(Path("3_20_sc_stock_dyn_7.gif"));
    other << "another request's picture";
  }
  int drawn = 0;
  const std::string got = PublishPictureExclusive(raster, Path("3_20_sc_stock_dyn_7.gif"), [&] {
    ++drawn;
    return Path(drawn == 1 ? "3_20_sc_stock_dyn_7.gif" : "3_20_sc_stock_dyn_8.gif");
  });
  EXPECT_EQ(got, Path("3_20_sc_stock_dyn_8.gif"));
  EXPECT_EQ(drawn, 2);
  EXPECT_EQ(FirstBytes(Path("3_20_sc_stock_dyn_7.gif"), 100), "another request's picture");
  EXPECT_EQ(FirstBytes(got, 4), "GIF8");
  EXPECT_EQ(FileCount(), 2);  // no temporary file is left behind
}

TEST_F(PublishPicture, GivesUpAfterBoundedAttemptsLeavingNothing) {
  render::Canvas raster(4, 4);
  { std::ofstream(Path("taken.gif")) << "x"; }
  int drawn = 0;
  const std::string got = PublishPictureExclusive(raster, Path("taken.gif"), [&] {
    ++drawn;
    return Path("taken.gif");
  });
  EXPECT_EQ(got, "");
  EXPECT_EQ(drawn, kPictureNameAttempts - 1);
  EXPECT_EQ(FileCount(), 1);
}

TEST_F(PublishPicture, AMissingDirectoryFailsQuietly) {
  render::Canvas raster(4, 4);
  EXPECT_EQ(PublishPictureExclusive(raster, Path("no/such/dir/p.gif"), [] { return std::string(); }),
            "");
}

}  // namespace
}  // namespace sd
