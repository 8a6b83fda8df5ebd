#include "study/fit.h"

#include <gtest/gtest.h>

#include <random>

namespace sd::study {
namespace {

using std::chrono::days;
using Ymd = std::chrono::year_month_day;

FitDate D(int y, unsigned m, unsigned d) { return FitDate(Ymd{std::chrono::year(y), std::chrono::month(m), std::chrono::day(d)}); }

// Event contributions that move like sky cycles: each a wave of its own period and phase, some
// switched on only part of the time, one that never changes.
constexpr int kEvents = 8;
double Contribution(int e, FitDate d) {
  const double t = static_cast<double>(d.time_since_epoch().count());
  if (e == kEvents - 1) return 0.7;  // constant: must be left out
  const double period = 11.0 + 37.0 * e;
  double v = std::sin(2 * M_PI * t / period + e);
  if (e % 3 == 2) v = v > 0.3 ? v : 0;  // an aspect within orb only part of the time
  return v;
}

// Trading days (Monday to Friday) from `from` to `to`, returns over `horizon` days built from
// the true weights (plus noise of the given size), or a random walk when weights are empty.
struct Market {
  std::vector<FitDate> dates;
  std::vector<double> log_price;
};

FitInput Build(const Market& m, int horizon) {
  FitInput in;
  in.Horizon = horizon;
  for (size_t i = 1; i < m.dates.size(); ++i) {
    const FitDate d = m.dates[i];
    in.Dates.push_back(d);
    // The return: last price before d to the last price on or before d + h - 1.
    const FitDate end = d + days(horizon - 1);
    size_t a = i;
    while (a + 1 < m.dates.size() && m.dates[a + 1] <= end) ++a;
    const bool defined = end <= m.dates.back();
    in.Returns.push_back(defined ? m.log_price[a] - m.log_price[i - 1] : NAN);
  }
  in.Signals.resize(static_cast<Eigen::Index>(in.Dates.size()), kEvents);
  for (size_t i = 0; i < in.Dates.size(); ++i)
    for (int e = 0; e < kEvents; ++e)
      in.Signals(static_cast<Eigen::Index>(i), e) = Contribution(e, in.Dates[i] + days(horizon)) - Contribution(e, in.Dates[i]);
  return in;
}

// Prices whose daily log change follows the model with `weights` (the value from midnight to
// midnight, moved to the close), plus Gaussian noise of size `noise`.
Market MakeMarket(const std::vector<double>& weights, double noise, uint64_t seed, FitDate from, FitDate to) {
  Market m;
  std::mt19937_64 rng(seed);
  std::normal_distribution<double> g(0, 1);
  double p = 4.0;
  auto value = [&](FitDate d) {
    double v = 0;
    for (int e = 0; e < kEvents && !weights.empty(); ++e) v += weights[static_cast<size_t>(e)] * Contribution(e, d);
    return v;
  };
  FitDate last_close{};
  for (FitDate d = from; d <= to; d += days(1)) {
    const unsigned wd = std::chrono::weekday(d).c_encoding();
    if (wd == 0 || wd == 6) continue;
    if (!m.dates.empty()) p += value(d + days(1)) - value(last_close + days(1)) + noise * g(rng);
    m.dates.push_back(d);
    m.log_price.push_back(p);
    last_close = d;
  }
  return m;
}

FitOptions Spans() {
  FitOptions o;
  o.TrainFrom = D(1991, 1, 1);
  o.TrainTo = D(1996, 12, 31);
  o.TestFrom = D(1997, 1, 1);
  o.TestTo = D(2000, 12, 31);
  o.Permutations = 199;
  return o;
}

const std::vector<double> kTrue = {0.02, -0.015, 0.01, 0.005, -0.02, 0.008, -0.004, 0.03};

double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
  Eigen::Map<const Eigen::VectorXd> x(a.data(), static_cast<Eigen::Index>(a.size()));
  Eigen::Map<const Eigen::VectorXd> y(b.data(), static_cast<Eigen::Index>(b.size()));
  const Eigen::VectorXd xc = x.array() - x.mean(), yc = y.array() - y.mean();
  return xc.dot(yc) / (xc.norm() * yc.norm());
}

TEST(Fit, PlantedWeightsComeBackInProportionAndPredictTheTestSpan) {
  const Market m = MakeMarket(kTrue, 0, 1, D(1991, 1, 1), D(2000, 12, 31));
  const FitInput in = Build(m, 5);
  const FitResult r = Fit(in, Spans());
  EXPECT_EQ(r.Constant, std::vector<int>{kEvents - 1});
  EXPECT_EQ(r.Fitted.size(), static_cast<size_t>(kEvents - 1));
  EXPECT_EQ(r.Weights[kEvents - 1], 0);
  EXPECT_EQ(r.PenaltiesTried, static_cast<int>(DefaultPenalties().size()));
  const std::vector<double> fitted(r.Weights.begin(), r.Weights.end() - 1);
  const std::vector<double> truth(kTrue.begin(), kTrue.end() - 1);
  EXPECT_GE(Correlation(fitted, truth), 0.99);
  EXPECT_GT(r.InSample.Ic, 0.9);
  EXPECT_GT(r.Test.Ic, 0.9);
  EXPECT_LE(r.Test.PValue, 0.01);
  EXPECT_GT(r.Test.HitRate, 0.8);
  // The training span ends with the last date whose five-day window ends in 1996.
  EXPECT_GT(r.TrainPairs, 1400);
}

TEST(Fit, RandomWalkFindsNothingOutOfSample) {
  int small_p = 0;
  for (uint64_t seed = 1; seed <= 6; ++seed) {
    const Market m = MakeMarket({}, 0.01, seed, D(1991, 1, 1), D(2000, 12, 31));
    FitOptions o = Spans();
    const FitResult r = Fit(Build(m, 5), o);
    EXPECT_LT(std::abs(r.Test.Ic), 0.1) << seed;
    small_p += r.Test.PValue < 0.05;
  }
  EXPECT_LE(small_p, 2);
}

// Prices after the training span are changed (even wildly): the weights, the penalty and the
// in-sample figures stay exactly the same.
TEST(Fit, NothingAfterTheTrainingSpanEntersTheFit) {
  const FitOptions o = Spans();
  const Market m = MakeMarket(kTrue, 0.01, 3, D(1991, 1, 1), D(2000, 12, 31));
  Market changed = m;
  std::mt19937_64 rng(99);
  std::normal_distribution<double> g(0, 1);
  for (size_t i = 0; i < changed.dates.size(); ++i)
    if (changed.dates[i] > o.TrainTo) changed.log_price[i] += 0.5 * g(rng);
  const FitResult a = Fit(Build(m, 5), o);
  const FitResult b = Fit(Build(changed, 5), o);
  EXPECT_EQ(a.Weights, b.Weights);
  EXPECT_EQ(a.Model.Lambda, b.Model.Lambda);
  EXPECT_EQ(a.Model.Intercept, b.Model.Intercept);
  EXPECT_EQ(a.TrainPairs, b.TrainPairs);
  EXPECT_NE(a.Test.Ic, b.Test.Ic);  // the change did reach the test span

  // Walk-forward blocks: a block's fit sees only dates before it.
  FitOptions f = o;
  f.Folds = 4;
  FitInput late_changed = Build(m, 5);
  const FitResult fa = Fit(late_changed, f);
  for (size_t i = 0; i < late_changed.Dates.size(); ++i)
    if (late_changed.Dates[i] >= fa.Folds.back().From && std::isfinite(late_changed.Returns[i]))
      late_changed.Returns[i] = 0.3 * g(rng);
  const FitResult fb = Fit(late_changed, f);
  ASSERT_EQ(fa.Folds.size(), 4u);
  for (size_t k = 0; k + 1 < fa.Folds.size(); ++k) EXPECT_EQ(fa.Folds[k].Stats.Ic, fb.Folds[k].Stats.Ic) << k;
  EXPECT_EQ(fa.Folds.back().Lambda, fb.Folds.back().Lambda);
}

TEST(Fit, WalkForwardBlocksCoverTheSpanInOrder) {
  const Market m = MakeMarket(kTrue, 0.002, 4, D(1991, 1, 1), D(2000, 12, 31));
  FitOptions o = Spans();
  o.Folds = 3;
  o.Ridge = 0.01;
  const FitResult r = Fit(Build(m, 5), o);
  EXPECT_EQ(r.PenaltiesTried, 1);
  EXPECT_EQ(r.Model.Lambda, 0.01);
  ASSERT_EQ(r.Folds.size(), 3u);
  int pairs = 0;
  for (size_t k = 0; k < r.Folds.size(); ++k) {
    EXPECT_LE(r.Folds[k].From, r.Folds[k].To);
    if (k > 0) {
      EXPECT_GT(r.Folds[k].From, r.Folds[k - 1].To);
    }
    EXPECT_GT(r.Folds[k].Stats.Ic, 0.5) << k;
    EXPECT_EQ(r.Folds[k].Lambda, 0.01);
    pairs += r.Folds[k].Stats.Pairs;
  }
  EXPECT_EQ(r.FoldsJoined.Pairs, pairs);
  EXPECT_GT(r.FoldsJoined.Ic, 0.5);
}

TEST(Fit, RefusesSpansThatOverlapOrAreTooShort) {
  const Market m = MakeMarket(kTrue, 0.01, 5, D(1991, 1, 1), D(1992, 12, 31));
  const FitInput in = Build(m, 5);
  FitOptions overlap = Spans();
  overlap.TestFrom = overlap.TrainTo;
  EXPECT_THROW(Fit(in, overlap), std::invalid_argument);
  FitOptions short_span = Spans();
  short_span.TrainTo = D(1991, 1, 20);
  short_span.TestFrom = D(1991, 2, 1);
  EXPECT_THROW(Fit(in, short_span), std::invalid_argument);
  FitOptions negative = Spans();
  negative.Ridge = -1;
  EXPECT_THROW(Fit(in, negative), std::invalid_argument);
}

TEST(SignalStatistics, PairsWithoutNumbersAreDroppedAndZerosAreNoHits) {
  std::vector<double> s, r, scaled;
  for (int i = 0; i < 200; ++i) {
    s.push_back(std::sin(i * 0.37));
    r.push_back(i % 7 == 0 ? 0 : -s.back());
    scaled.push_back(3 * s.back() + 1);
  }
  const SignalStats same = SignalStatistics(s, scaled, 99, 20, 1);
  EXPECT_DOUBLE_EQ(same.Ic, 1.0);
  EXPECT_DOUBLE_EQ(same.PValue, 1.0 / 100);  // no rotation matches a perfect ranking
  // Zeros on either side are no hit and no miss: s(0) = 0 and every seventh return is 0.
  const SignalStats opposite = SignalStatistics(s, r, 0, 20, 1);
  EXPECT_EQ(opposite.HitPairs, 200 - 29);
  EXPECT_EQ(opposite.Hits, 0);
  EXPECT_DOUBLE_EQ(opposite.HitRate, 0);
  EXPECT_LT(opposite.Ic, -0.9);
  EXPECT_TRUE(std::isnan(opposite.PValue));
  EXPECT_TRUE(std::isnan(SignalStatistics(std::vector<double>(30, 1.0), r, 99, 20, 1).PValue));
  std::vector<double> gap = s;
  gap[5] = NAN;
  EXPECT_EQ(SignalStatistics(gap, r, 0, 20, 1).Pairs, 199);
  EXPECT_EQ(SignalStatistics(gap, r, 0, 20, 1).HitPairs, 200 - 29 - 1);
}

}  // namespace
}  // namespace sd::study
