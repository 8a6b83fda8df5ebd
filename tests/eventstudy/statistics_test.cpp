// The arithmetic of the event study on series small enough to follow by hand.
#include "eventstudy/statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace sd::eventstudy {
namespace {

using std::chrono::days;

study::Date Day(int y, unsigned m, unsigned d) {
  return std::chrono::sys_days{std::chrono::year{y} / std::chrono::month{m} / std::chrono::day{d}};
}

std::vector<double> Noise(int n, unsigned seed) {
  std::mt19937_64 gen(seed);
  std::normal_distribution<double> step(0, 0.01);
  std::vector<double> out;
  for (int i = 0; i < n; ++i) out.push_back(step(gen));
  return out;
}

// a'_t as the definition writes it: a_{((t - 1 + o) mod N) + 1}, rows 1..N.
double RotatedByDefinition(const std::vector<double>& a, int t, int o) {
  const int n = static_cast<int>(a.size());
  return a[static_cast<size_t>((t - 1 + o) % n)];
}

TEST(MakeReturns, LogReturnsLessTheirMean) {
  const Returns r = MakeReturns({100, 110, 99, 99});
  const double r1 = std::log(1.1), r2 = std::log(0.9), mean = (r1 + r2) / 3;
  ASSERT_EQ(r.Abnormal.size(), 3u);
  EXPECT_DOUBLE_EQ(r.Mean, mean);
  EXPECT_DOUBLE_EQ(r.Abnormal[0], r1 - mean);
  EXPECT_DOUBLE_EQ(r.Abnormal[1], r2 - mean);
  EXPECT_DOUBLE_EQ(r.Abnormal[2], -mean);
  EXPECT_TRUE(MakeReturns({100}).Abnormal.empty());
}

TEST(EventDay, FirstRowOnOrAfterTheLocalDate) {
  // Monday 2001-01-08 to Friday 01-12, then Monday 01-15.
  const std::vector<study::Date> dates = {Day(2001, 1, 8),  Day(2001, 1, 9),  Day(2001, 1, 10),
                                          Day(2001, 1, 11), Day(2001, 1, 12), Day(2001, 1, 15)};
  const struct {
    study::Date local;
    int row;
  } cases[] = {
      {Day(2001, 1, 8), 0},   {Day(2001, 1, 10), 2},  {Day(2001, 1, 13), 5},  // Saturday: Monday
      {Day(2001, 1, 14), 5},  {Day(2001, 1, 15), 5},  {Day(2001, 1, 16), -1},  // after the last row
      {Day(2000, 12, 30), 0},
  };
  for (const auto& c : cases) EXPECT_EQ(EventDay(dates, c.local), c.row) << study::FormatDate(c.local);
}

TEST(WindowFits, KRowsEitherSideWithinTheReturns) {
  const struct {
    int day, k, n;
    bool fits;
  } cases[] = {{11, 10, 30, true}, {10, 10, 30, false}, {20, 10, 30, true}, {21, 10, 30, false}, {1, 0, 1, true}};
  for (const auto& c : cases) EXPECT_EQ(WindowFits(c.day, c.k, c.n), c.fits) << c.day << " " << c.k << " " << c.n;
}

TEST(WindowSums, EveryLagOfEveryRotationAsDefined) {
  const std::vector<double> a = Noise(37, 3);
  const RotatableSeries s(a);
  const std::vector<Observation> obs = {{0, 4}, {0, 20}, {0, 20}, {0, 34}};  // a day twice counts twice
  const int k = 3;
  const std::vector<int> offsets = {0, 1, 7, 33, 36};
  const auto sums = WindowSums(s, obs, k, offsets);
  ASSERT_EQ(sums.size(), offsets.size());
  for (size_t o = 0; o < offsets.size(); ++o) {
    ASSERT_EQ(sums[o].size(), 7u);
    for (int j = -k; j <= k; ++j) {
      double want = 0;
      for (const Observation& ob : obs) want += RotatedByDefinition(a, ob.Day + j, offsets[o]);
      EXPECT_NEAR(sums[o][static_cast<size_t>(j + k)], want, 1e-15) << "offset " << offsets[o] << " lag " << j;
    }
  }
}

TEST(CurveOf, MeansRunningSumAndTheFirstHLags) {
  // K = 2: lags -2..2; two observations; H = 2 sums lags 0 and 1.
  const FamilyCurve c = CurveOf({1, 2, 3, 4, 5}, 2, 2, 2);
  const std::vector<double> car = {0.5, 1.5, 3, 5, 7.5};
  EXPECT_EQ(c.Car, car);
  EXPECT_DOUBLE_EQ(c.Stat, 1.5 + 2);
  const FamilyCurve none = CurveOf({0, 0, 0}, 0, 1, 1);
  EXPECT_TRUE(std::isnan(none.Stat));
  EXPECT_TRUE(std::isnan(none.Car[1]));
}

TEST(StateSumsOf, InAndOutOfTheRunsUnderEveryRotation) {
  const std::vector<double> a = Noise(23, 5);
  const RotatableSeries s(a);
  const std::vector<eventstudy::Run> runs = {{1, 3}, {10, 11}, {18, 24}};  // rows 1-2, 10, 18-23
  for (int o : {0, 1, 5, 22}) {
    double in = 0, out = 0;
    long long days_in = 0;
    for (int t = 1; t <= 23; ++t) {
      const bool inside = t < 3 || t == 10 || t >= 18;
      (inside ? in : out) += RotatedByDefinition(a, t, o);
      days_in += inside;
    }
    const StateSums got = StateSumsOf(s, runs, o);
    EXPECT_EQ(got.DaysIn, days_in);
    EXPECT_EQ(got.DaysOut, 23 - days_in);
    EXPECT_NEAR(got.In, in, 1e-15) << o;
    EXPECT_NEAR(got.Out, out, 1e-15) << o;
    EXPECT_NEAR(got.Diff(), in / days_in - out / (23 - days_in), 1e-15) << o;
  }
  StateSums pooled = StateSumsOf(s, runs, 0);
  pooled.Add(StateSumsOf(s, {}, 0));
  EXPECT_EQ(pooled.DaysIn, 9);
  EXPECT_EQ(pooled.DaysOut, 14 + 23);
}

TEST(PermutationP, TwoSidedWithTheObservedCounted) {
  const struct {
    double observed;
    std::vector<double> null;
    double p;
  } cases[] = {
      {0.5, {0.1, -0.2, 0.3}, 0.25},  {-0.5, {0.1, 0.6, -0.5}, 0.75}, {0.0, {0, 0}, 1.0},
      {0.2, {}, NAN},                  {NAN, {0.1}, NAN},
  };
  for (const auto& c : cases) {
    const double p = PermutationP(c.observed, c.null);
    if (std::isnan(c.p))
      EXPECT_TRUE(std::isnan(p)) << c.observed;
    else
      EXPECT_DOUBLE_EQ(p, c.p) << c.observed;
  }
}

TEST(DrawRotations, SeededAndWithinTheMiddleOfTheSeries) {
  const std::vector<double> u = DrawRotations(5000, 42);
  ASSERT_EQ(u.size(), 5000u);
  double lo = 1, hi = 0, sum = 0;
  for (double x : u) lo = std::min(lo, x), hi = std::max(hi, x), sum += x;
  EXPECT_GE(lo, 0.05);
  EXPECT_LT(hi, 0.95);
  EXPECT_LT(lo, 0.06);
  EXPECT_GT(hi, 0.94);
  EXPECT_NEAR(sum / 5000, 0.5, 0.02);
  EXPECT_EQ(DrawRotations(5000, 42), u);
  EXPECT_NE(DrawRotations(10, 43), DrawRotations(10, 42));
  EXPECT_EQ(RotationOf(0.5, 101), 50);
  EXPECT_EQ(RotationOf(0.05, 100), 5);
}

TEST(Quantile, LinearBetweenOrderStatistics) {
  EXPECT_DOUBLE_EQ(Quantile({4, 1, 3, 2, 5}, 0.05), 1.2);
  EXPECT_DOUBLE_EQ(Quantile({4, 1, 3, 2, 5}, 0.95), 4.8);
  EXPECT_DOUBLE_EQ(Quantile({NAN, 2}, 0.5), 2);
  EXPECT_TRUE(std::isnan(Quantile({}, 0.5)));
}

}  // namespace
}  // namespace sd::eventstudy
