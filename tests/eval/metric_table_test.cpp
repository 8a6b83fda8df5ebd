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
#include "metric_file.h"

namespace sd::eval {
namespace {

using testing::RecordSpec;
using testing::ScratchFile;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Samples that are not on one straight line, so that a neighbour taken for another shows.
double Zigzag(int i) { return (i % 7) * 100.0 + i * 0.001; }

astro::ChartMoment Day(double d) { return kMetricFirstMoment + d * astro::DayInCenturies; }

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
      {0.0, astro::NoValue, "the first sample is never a left point"},
      {0.99, astro::NoValue, "still day 0"},
      {-0.5, astro::NoValue, "half a day before the table: truncated to day 0"},
      {-400.0, astro::NoValue, "long before the table"},
      {static_cast<double>(last), astro::NoValue, "the last sample is never a left point"},
      {last + 3.5, astro::NoValue, "after the table"},
      {1e9, astro::NoValue, "far beyond any day number"},
  };
  for (const Case& c : cases) {
    const double v = t.Value(0, 1, Day(c.day));
    if (c.expected == astro::NoValue) {
      EXPECT_EQ(v, astro::NoValue) << c.why;
    } else {
      EXPECT_NEAR(v, c.expected, 1e-6) << c.why;
    }
  }
  for (double x : {astro::NoValue, kNaN, std::numeric_limits<double>::infinity(),
                   -std::numeric_limits<double>::infinity()})
    EXPECT_EQ(t.Value(0, 1, astro::ChartMoment(x)), astro::NoValue) << x;
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
    EXPECT_EQ(t.Value(p.a, p.b, Day(50)), astro::NoValue) << p.a << "-" << p.b;
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
  EXPECT_EQ(t.Value(0, 1, Day(49.5)), astro::NoValue);
  EXPECT_EQ(t.Value(0, 1, Day(50.5)), astro::NoValue);
  EXPECT_EQ(t.Value(0, 1, Day(59.5)), astro::NoValue);
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
    EXPECT_EQ(t.Value(0, 1, Day(100)), astro::NoValue) << c.what;
    EXPECT_EQ(t.Problem().empty(), c.state != TPlanetary_T::Source::kRejected) << c.what;
  }

  TPlanetary_T missing(::testing::TempDir() + "no_such_dir/Metrics.dat");
  EXPECT_EQ(missing.State(), TPlanetary_T::Source::kNone);
  EXPECT_EQ(missing.Value(0, 1, Day(100)), astro::NoValue);

  TPlanetary_T directory(::testing::TempDir());
  EXPECT_EQ(directory.State(), TPlanetary_T::Source::kRejected);
  EXPECT_EQ(directory.Value(0, 1, Day(100)), astro::NoValue);
}

TEST(MetricTable, PathInTheProgramDirectory) {
  EXPECT_EQ(MetricsPathIn("/srv/www/Exe/"), "/srv/www/Exe/Metrics.dat");
  EXPECT_EQ(MetricsPathIn("/srv/www/Exe"), "/srv/www/Exe/Metrics.dat");
  EXPECT_EQ(MetricsPathIn(""), "Metrics.dat");
}

}  // namespace
}  // namespace sd::eval
