#include "cli/metric_build.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <stdexcept>

#include "astro/angles.h"
#include "astro/positions.h"
#include "eval/metric_table.h"
#include "../eval/metric_file.h"

namespace sd::cli {
namespace {

using eval::kMetricRecordBytes;
using eval::kMetricSamples;
using eval::MetricDayMoment;
using eval::TPlanetary_T;
using eval::testing::ScratchFile;

TEST(MetricPairs, ParsesListsAndRefusesWhatIsNotAPairOfPlanets) {
  struct Case {
    const char* text;
    std::vector<MetricPair> pairs;
  };
  const Case good[] = {
      {"0-1", {{0, 1}}},
      {"0-1,9-2,4-5", {{0, 1}, {9, 2}, {4, 5}}},
  };
  for (const Case& c : good) {
    std::vector<MetricPair> out;
    std::string error;
    EXPECT_TRUE(ParseMetricPairs(c.text, out, error)) << c.text << ": " << error;
    EXPECT_EQ(out, c.pairs) << c.text;
  }
  for (const char* bad : {"", "0", "0-", "-1", "0-1,", ",0-1", "0-10", "a-b", "0-1-2", "3-3",
                          "0-1,1-0", "0-1,2-3,0-1", "0 -1", "0--1"}) {
    std::vector<MetricPair> out;
    std::string error;
    EXPECT_FALSE(ParseMetricPairs(bad, out, error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

TEST(MetricPairs, TheDefaultIsEveryPairOfDifferentPlanetsOnce) {
  const std::vector<MetricPair> all = AllMetricPairs();
  EXPECT_EQ(all.size(), 45u);
  bool seen[10][10] = {};
  for (const MetricPair& p : all) {
    ASSERT_LT(p.A, p.B);
    EXPECT_FALSE(seen[p.A][p.B]);
    seen[p.A][p.B] = true;
  }
}

TEST(UnwrappedDifference, FirstSampleInOneTurnThenStepsOfLessThanHalfATurn) {
  struct Case {
    const char* what;
    std::vector<double> a, b, expected;
  };
  const Case cases[] = {
      {"b overtakes a through 0", {0, 0, 0, 0}, {350, 355, 5, 15}, {350, 355, 365, 375}},
      {"b falls back through 0", {0, 0, 0}, {10, 5, 355}, {10, 5, -5}},
      {"a negative first difference is taken into [0, 360)", {20, 20}, {0, 10}, {340, 350}},
      {"a moving a turn and a half ahead of b",
       {0, 170, 340, 150},
       {0, 0, 0, 0},
       {0, -170, -340, -510}},
      {"an unknown day starts the series afresh",
       {0, 0, 0, 0},
       {350, 10, astro::NoValue, 30},
       {350, 370, astro::NoValue, 30}},
  };
  for (const Case& c : cases) {
    const std::vector<double> got = UnwrappedDifference(c.a, c.b);
    ASSERT_EQ(got.size(), c.expected.size()) << c.what;
    for (size_t k = 0; k < got.size(); ++k)
      EXPECT_NEAR(got[k], c.expected[k], 1e-9) << c.what << " at " << k;
  }
}

// A short span of the real series, read back through the table.
TEST(MetricBuild, WrittenTableReadsBackAsTheDifferenceOfTheLongitudes) {
  ScratchFile f;
  const MetricSpan span{82600, 40};  // March and April 2026
  int calls = 0, last_done = 0;
  BuildMetricsFile(f.path(), {{0, 1}, {4, 2}}, span, [&](int done, int total) {
    ++calls;
    EXPECT_EQ(total, span.Days);
    EXPECT_GT(done, last_done);
    last_done = done;
  });
  EXPECT_GT(calls, 0);
  EXPECT_EQ(last_done, span.Days);
  EXPECT_EQ(std::filesystem::file_size(f.path()), 2 * kMetricRecordBytes);

  TPlanetary_T t(f.path());
  ASSERT_EQ(t.State(), TPlanetary_T::Source::kMapped) << t.Problem();
  for (int day = span.FirstDay + 1; day < span.FirstDay + span.Days - 1; day += 7) {
    const astro::ChartMoment x = MetricDayMoment(day);
    const astro::SunResult sun = astro::SunPosition(x);
    const double moon = astro::MoonPosition(x).Longitude;
    const double mercury = PlanetPosition(2, x, sun).Longitude;
    const double mars = PlanetPosition(4, x, sun).Longitude;
    EXPECT_NEAR(astro::NormalizeMod(t.Value(0, 1, x), 360), astro::NormalizeMod(moon - sun.Longitude, 360),
                1e-9)
        << day;
    EXPECT_NEAR(astro::NormalizeMod(t.Value(1, 0, x), 360), astro::NormalizeMod(moon - sun.Longitude, 360),
                1e-9)
        << day;
    EXPECT_NEAR(astro::NormalizeMod(t.Value(2, 4, x), 360), astro::NormalizeMod(mercury - mars, 360), 1e-9)
        << day;
  }
  // The Moon gains about 12 degrees a day on the Sun: over the span it goes round more than
  // once, and the unwrapped series keeps every turn.
  const double first = t.Value(0, 1, MetricDayMoment(span.FirstDay + 1));
  const double end = t.Value(0, 1, MetricDayMoment(span.FirstDay + span.Days - 2));
  EXPECT_GT(end - first, 360.0);
  EXPECT_LT(end - first, 37 * 15.5);
  // Outside the computed span there is nothing.
  EXPECT_EQ(t.Value(0, 1, MetricDayMoment(span.FirstDay - 1)), astro::NoValue);
  EXPECT_EQ(t.Value(0, 1, MetricDayMoment(span.FirstDay + span.Days - 1) + astro::DayInCenturies / 2),
            astro::NoValue);
  EXPECT_EQ(t.Value(0, 1, MetricDayMoment(50000)), astro::NoValue);
}

TEST(MetricBuild, AFailedBuildLeavesTheOldFileAndNoTemporary) {
  namespace fs = std::filesystem;
  const fs::path dir =
      fs::path(::testing::TempDir()) / ("metrics_build_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string out = (dir / "Metrics.dat").string();
  { std::ofstream(out, std::ios::binary) << "old"; }
  // A failure in the middle of the computation.
  EXPECT_THROW(BuildMetricsFile(out, {{0, 1}}, {100, 30},
                                [](int done, int) {
                                  if (done >= 10) throw std::runtime_error("stop");
                                }),
               std::runtime_error);
  // Pairs and spans the table cannot hold.
  EXPECT_THROW(BuildMetricsFile(out, {{0, 10}}, {100, 3}), MetricBuildError);
  EXPECT_THROW(BuildMetricsFile(out, {{0, 1}}, {kMetricSamples - 2, 3}), MetricBuildError);
  EXPECT_THROW(BuildMetricsFile(out, {{0, 1}}, {-1, 3}), MetricBuildError);
  // A directory that does not exist.
  EXPECT_THROW(BuildMetricsFile((dir / "none" / "Metrics.dat").string(), {{0, 1}}, {100, 3}),
               MetricBuildError);

  std::ifstream in(out, std::ios::binary);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "old");
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++entries;
  EXPECT_EQ(entries, 1) << "a temporary file was left behind";
  fs::remove_all(dir);
}

}  // namespace
}  // namespace sd::cli
