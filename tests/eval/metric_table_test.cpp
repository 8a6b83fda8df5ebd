// The planet-pair metric table: lookups at the edges of the table, pair order, repeated pairs,
// files that cannot be used; and the builder's series read back through the table.
#include "eval/metric_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <stdexcept>

#include "astro/angles.h"
#include "astro/positions.h"
#include "eval/metric_build.h"
#include "metric_file.h"

namespace sd::eval {
namespace {

using testing::RecordSpec;
using testing::ScratchFile;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Samples that are not on one straight line, so that a neighbour taken for another shows.
double Zigzag(int i) { return (i % 7) * 100.0 + i * 0.001; }

ChartMoment Day(double d) { return kMetricFirstMoment + d * DayInCenturies; }

TEST(MetricTable, LookupsAtTheEdgesAndBetweenDays) {
  ScratchFile f;
  f.Write({{0, 1, Zigzag}});
  TPlanetary_T t(f.path());
  ASSERT_EQ(t.State(), TPlanetary_T::Source::kMapped) << t.Problem();
  const int last = kMetricSamples - 1;  // 119999

  struct Case {
    double day;
    double expected;
    const char* why;
  };
  const Case cases[] = {
      {1.0, Zigzag(1), "day 1 is the first usable left point"},
      {1.25, Zigzag(1) + 0.25 * (Zigzag(2) - Zigzag(1)), "a quarter into day 1"},
      {5.5, (Zigzag(5) + Zigzag(6)) / 2, "between two days"},
      {6.0, Zigzag(6), "on a sample: the sample itself"},
      {6.999, Zigzag(6) + 0.999 * (Zigzag(7) - Zigzag(6)), "just before the next day"},
      {last - 1.0, Zigzag(last - 1), "the last usable left point"},
      {last - 0.5, (Zigzag(last - 1) + Zigzag(last)) / 2, "between the last two samples"},
      {0.0, NoValue, "the first sample is never a left point"},
      {0.99, NoValue, "still day 0"},
      {-0.5, NoValue, "half a day before the table: truncated to day 0"},
      {-400.0, NoValue, "long before the table"},
      {static_cast<double>(last), NoValue, "the last sample is never a left point"},
      {last + 3.5, NoValue, "after the table"},
      {1e9, NoValue, "far beyond any day number"},
  };
  for (const Case& c : cases) {
    const double v = t.Value(0, 1, Day(c.day));
    if (c.expected == NoValue) {
      EXPECT_EQ(v, NoValue) << c.why;
    } else {
      EXPECT_NEAR(v, c.expected, 1e-6) << c.why;
    }
  }
  for (double x : {NoValue, kNaN, std::numeric_limits<double>::infinity(),
                   -std::numeric_limits<double>::infinity()})
    EXPECT_EQ(t.Value(0, 1, x), NoValue) << x;
}

TEST(MetricTable, EitherOrderOfThePairAndOnlyPairsThatHaveARecord) {
  ScratchFile f;
  f.Write({{3, 8, Zigzag}, {5, 2, [](int i) { return -2.0 * i; }}});
  TPlanetary_T t(f.path());
  ASSERT_EQ(t.Records(), 2);
  for (double d : {2.0, 77.3, 100000.6}) {
    EXPECT_EQ(t.Value(3, 8, Day(d)), t.Value(8, 3, Day(d))) << d;
    EXPECT_EQ(t.Value(2, 5, Day(d)), t.Value(5, 2, Day(d))) << d;
    EXPECT_NEAR(t.Value(2, 5, Day(d)), -2.0 * d, 1e-6) << d;
  }
  struct Pair {
    int a, b;
  };
  for (Pair p : {Pair{0, 1}, Pair{3, 3}, Pair{2, 8}, Pair{-1, 3}, Pair{3, 10}, Pair{100, 8}})
    EXPECT_EQ(t.Value(p.a, p.b, Day(50)), NoValue) << p.a << "-" << p.b;
}

TEST(MetricTable, ALaterRecordOfAPairReplacesTheEarlierOne) {
  ScratchFile f;
  f.Write({{0, 4, [](int) { return 11.0; }},
           {1, 2, [](int) { return 22.0; }},
           {4, 0, [](int) { return 33.0; }}});  // the same pair, the other way round
  TPlanetary_T t(f.path());
  EXPECT_EQ(t.Records(), 3);
  EXPECT_DOUBLE_EQ(t.Value(0, 4, Day(10)), 33.0);
  EXPECT_DOUBLE_EQ(t.Value(4, 0, Day(10)), 33.0);
  EXPECT_DOUBLE_EQ(t.Value(1, 2, Day(10)), 22.0);
}

TEST(MetricTable, FullTurnsInTheSeriesInterpolateThroughZero) {
  // The difference runs 350, 370, 390 ...: halfway from day 10 to 11 it is 360, not the
  // 180 a table of reduced angles (350, 10) would give.
  ScratchFile f;
  f.Write({{0, 1, [](int i) { return 350.0 + 20.0 * (i - 10); }}});
  TPlanetary_T t(f.path());
  EXPECT_NEAR(t.Value(0, 1, Day(10.5)), 360.0, 1e-6);
  EXPECT_NEAR(t.Value(0, 1, Day(10.75)), 365.0, 1e-6);
  EXPECT_NEAR(t.Value(0, 1, Day(1000.5)), 350.0 + 20 * 990.5, 1e-6);
}

TEST(MetricTable, SamplesThatAreNotNumbersGiveNoValueOnlyWhereTheyAreUsed) {
  ScratchFile f;
  f.Write({{0, 1, [](int i) { return i == 50 ? kNaN : i == 60 ? INFINITY : 1.0 * i; }}});
  TPlanetary_T t(f.path());
  EXPECT_EQ(t.Value(0, 1, Day(49.5)), NoValue);
  EXPECT_EQ(t.Value(0, 1, Day(50.5)), NoValue);
  EXPECT_EQ(t.Value(0, 1, Day(59.5)), NoValue);
  EXPECT_NEAR(t.Value(0, 1, Day(48.5)), 48.5, 1e-6);
  EXPECT_NEAR(t.Value(0, 1, Day(51.5)), 51.5, 1e-6);
}

TEST(MetricTable, FilesThatCannotBeUsedLeaveTheTableEmpty) {
  const std::string one = testing::RecordBytes({0, 1, Zigzag});
  struct Case {
    const char* what;
    std::vector<RecordSpec> records;
    std::string tail;
    TPlanetary_T::Source state;
  };
  const Case cases[] = {
      {"empty file", {}, "", TPlanetary_T::Source::kNone},
      {"a record cut short", {}, one.substr(0, one.size() - 1), TPlanetary_T::Source::kRejected},
      {"a whole record then a few bytes", {{0, 1, Zigzag}}, "xyz", TPlanetary_T::Source::kRejected},
      {"only the pair numbers", {}, one.substr(0, 8), TPlanetary_T::Source::kRejected},
      {"planet 10", {{0, 1, Zigzag}, {10, 2, Zigzag}}, "", TPlanetary_T::Source::kRejected},
      {"planet -1", {{-1, 2, Zigzag}}, "", TPlanetary_T::Source::kRejected},
  };
  for (const Case& c : cases) {
    ScratchFile f;
    f.Write(c.records, c.tail);
    TPlanetary_T t(f.path());
    EXPECT_EQ(t.State(), c.state) << c.what;
    EXPECT_EQ(t.Records(), 0) << c.what;
    EXPECT_EQ(t.Value(0, 1, Day(100)), NoValue) << c.what;
    EXPECT_EQ(t.Problem().empty(), c.state != TPlanetary_T::Source::kRejected) << c.what;
  }

  TPlanetary_T missing(::testing::TempDir() + "no_such_dir/Metrics.dat");
  EXPECT_EQ(missing.State(), TPlanetary_T::Source::kNone);
  EXPECT_EQ(missing.Value(0, 1, Day(100)), NoValue);

  TPlanetary_T directory(::testing::TempDir());
  EXPECT_EQ(directory.State(), TPlanetary_T::Source::kRejected);
  EXPECT_EQ(directory.Value(0, 1, Day(100)), NoValue);
}

TEST(MetricTable, PathInTheProgramDirectory) {
  EXPECT_EQ(MetricsPathIn("/srv/www/Exe/"), "/srv/www/Exe/Metrics.dat");
  EXPECT_EQ(MetricsPathIn("/srv/www/Exe"), "/srv/www/Exe/Metrics.dat");
  EXPECT_EQ(MetricsPathIn(""), "Metrics.dat");
}

// ---- the builder -----------------------------------------------------------------------

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
       {350, 10, NoValue, 30},
       {350, 370, NoValue, 30}},
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
    const ChartMoment x = MetricDayMoment(day);
    const SunResult sun = SunPosition(x);
    const double moon = MoonPosition(x).Longitude;
    const double mercury = PlanetPosition(2, x, sun).Longitude;
    const double mars = PlanetPosition(4, x, sun).Longitude;
    EXPECT_NEAR(NormalizeMod(t.Value(0, 1, x), 360), NormalizeMod(moon - sun.Longitude, 360), 1e-9)
        << day;
    EXPECT_NEAR(NormalizeMod(t.Value(1, 0, x), 360), NormalizeMod(moon - sun.Longitude, 360), 1e-9)
        << day;
    EXPECT_NEAR(NormalizeMod(t.Value(2, 4, x), 360), NormalizeMod(mercury - mars, 360), 1e-9)
        << day;
  }
  // The Moon gains about 12 degrees a day on the Sun: over the span it goes round more than
  // once, and the unwrapped series keeps every turn.
  const double first = t.Value(0, 1, MetricDayMoment(span.FirstDay + 1));
  const double end = t.Value(0, 1, MetricDayMoment(span.FirstDay + span.Days - 2));
  EXPECT_GT(end - first, 360.0);
  EXPECT_LT(end - first, 37 * 15.5);
  // Outside the computed span there is nothing.
  EXPECT_EQ(t.Value(0, 1, MetricDayMoment(span.FirstDay - 1)), NoValue);
  EXPECT_EQ(t.Value(0, 1, MetricDayMoment(span.FirstDay + span.Days - 1) + DayInCenturies / 2),
            NoValue);
  EXPECT_EQ(t.Value(0, 1, MetricDayMoment(50000)), NoValue);
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
}  // namespace sd::eval
