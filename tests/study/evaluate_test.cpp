#include "study/evaluate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "astro/chart.h"
#include "forecast/model_value.h"
#include "forecast/natal.h"

namespace sd::study {
namespace {

using std::chrono::days;

Date D(int y, unsigned m, unsigned d) { return std::chrono::sys_days{std::chrono::year{y} / m / d}; }

// Three events of the fast bodies against the natal chart: a curve that moves from day to day.
constexpr const char* kSmallModel =
    "[OPTIONS]\nHEADER=Small\nNObjMod=0\nSTYLE=0\nCycType=1\nMinRange=-10\nMaxRange=10\n"
    "Brad_CountGroups=1\nBrad_Headers=All Events;\nBrad_Weights=1;\nBrad_UseWeights=1;\n"
    "Brad_WeightsMin=-10;\nBrad_WeightsMax=10;\n\n"
    "[TMoonNatalSun]\n_H=Moon and natal Sun\n_T=2\nWEIGHT=1.0\nA0=1\nA1=1\nA2=1,2,3,4,5\nA3=0\nA4=0\nA6=8\n\n"
    "[TMercuryNatalMoon]\n_H=Mercury and natal Moon\n_T=2\nWEIGHT=-1.0\nA0=1\nA1=2\nA2=1,3,5\nA3=0\nA4=1\nA6=6\n\n"
    "[TSunNatalVenus]\n_H=Sun and natal Venus\n_T=2\nWEIGHT=0.5\nA0=1\nA1=0\nA2=1,2,4\nA3=0\nA4=3\nA6=5\n";

constexpr double kZone = -5.0;

class Evaluation : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const auto path = std::filesystem::temp_directory_path() / ("sd_eval_model_" + std::to_string(::getpid()) + ".hyp");
    std::ofstream(path) << kSmallModel;
    model_ = forecast::LoadModel(path.string()).release();
    std::filesystem::remove(path);
    natal_ = new astro::ChartData();
    natal_->Event.Year = 1924;
    natal_->Event.Month = 2;
    natal_->Event.Day = 14;
    natal_->Event.LocalTime = 10.0;
    natal_->Event.Zone = -5.0;
    natal_->Event.PlaceLatitude = 40.43;
    natal_->Event.PlaceLongitude = -74.0;
    forecast::SetNatalSwitches(*natal_);
    ComputeChart(*natal_, astro::MomentSource::LocalClock);
  }
  static void TearDownTestSuite() {
    delete model_;
    delete natal_;
  }
  static MidnightSeries Series(Date first, Date last, int threads, bool contributions) {
    MidnightInputs in;
    in.Model = model_;
    in.Zone = kZone;
    in.First = first;
    in.Last = last;
    in.Threads = threads;
    return ComputeMidnightSeries(in, {*natal_}, contributions).front();
  }
  static model::TEvList* model_;
  static astro::ChartData* natal_;
};
model::TEvList* Evaluation::model_ = nullptr;
astro::ChartData* Evaluation::natal_ = nullptr;

TEST(Returns, FollowTheLastPriceDatesAroundTheWindow) {
  PriceSeries p;
  // Mon 3rd .. Mon 10th January 2000 without Thursday the 6th.
  p.Dates = {D(2000, 1, 3), D(2000, 1, 4), D(2000, 1, 5), D(2000, 1, 7), D(2000, 1, 10)};
  p.Prices = {10, 11, 12, 15, 20};
  struct Case {
    Date d;
    int h;
    double want;  // NaN: undefined
  } cases[] = {
      {D(2000, 1, 4), 1, std::log(11.0 / 10)},
      {D(2000, 1, 7), 1, std::log(15.0 / 12)},   // b skips the missing Thursday
      {D(2000, 1, 7), 3, std::log(15.0 / 12)},   // a: last price on or before Sunday the 9th
      {D(2000, 1, 7), 4, std::log(20.0 / 12)},
      {D(2000, 1, 4), 7, std::log(20.0 / 10)},   // d + h - 1 = the last price date
      {D(2000, 1, 4), 8, NAN},                   // one day beyond it
      {D(2000, 1, 3), 1, NAN},                   // no earlier price
      {D(2000, 1, 8), 2, std::log(15.0 / 15)},   // a Saturday: b is Friday, a is Friday
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(FormatDate(c.d) + " h=" + std::to_string(c.h));
    const double r = ReturnOver(p, c.d, c.h);
    if (std::isnan(c.want))
      EXPECT_TRUE(std::isnan(r)) << r;
    else
      EXPECT_DOUBLE_EQ(r, c.want);
  }
  const auto dates = EvaluationDates(p, D(2000, 1, 1), D(2000, 1, 7));
  ASSERT_EQ(dates.size(), 3u);  // the first price date has no earlier one; the 10th is after `to`
  EXPECT_EQ(dates.front(), D(2000, 1, 4));
  EXPECT_EQ(dates.back(), D(2000, 1, 7));
}

TEST_F(Evaluation, MidnightValuesAreTheForecastsValuesAndTheirContributionsSumToThem) {
  const Date first = D(2000, 3, 1);
  const MidnightSeries one = Series(first, D(2000, 3, 20), 1, true);
  const MidnightSeries two = Series(first, D(2000, 3, 20), 2, true);
  forecast::Forecaster f(*model_, *natal_, kZone, nullptr);
  ASSERT_EQ(one.Values.size(), 20u);
  ASSERT_EQ(model_->Count(), 3);
  int moving = 0;
  for (size_t i = 1; i < one.Values.size(); ++i) moving += one.Values[i] != one.Values[i - 1];
  ASSERT_GT(moving, 10) << "a curve that hardly moves tests nothing";
  ASSERT_EQ(one.Contributions.size(), static_cast<size_t>(model_->Count()));
  for (size_t i = 0; i < one.Values.size(); ++i) {
    const Date d = first + days{static_cast<int>(i)};
    EXPECT_EQ(one.Values[i], f.ValueAt(MidnightOf(d, kZone))) << FormatDate(d);
    EXPECT_EQ(one.Values[i], two.Values[i]);  // threads change nothing
    double sum = 0;
    for (const auto& c : one.Contributions) sum += c[i];
    EXPECT_NEAR(sum, one.Values[i], 1e-9);
  }
  // The signal is the forecast's change from row 0 to row 2h.
  EXPECT_DOUBLE_EQ(SignalOver(one.Values, first, first + days{3}, 5), one.Values[8] - one.Values[3]);
  EXPECT_TRUE(std::isnan(SignalOver(one.Values, first, first + days{16}, 5)));
}

// Prices whose log is the model's own curve one midnight ahead: R_h(d) = s_h(d) exactly.
TEST_F(Evaluation, APlantedSignalGivesICOneAndTheFloorOfP) {
  const Date first = D(2001, 1, 1), last = D(2001, 9, 30);
  forecast::Forecaster f(*model_, *natal_, kZone, nullptr);
  PriceSeries prices;
  for (Date d = first; d <= last; d += days{1}) {
    prices.Dates.push_back(d);
    prices.Prices.push_back(std::exp(0.01 * f.ValueAt(MidnightOf(d + days{1}, kZone)) + 3));
  }
  EvaluationOptions o;
  o.Permutations = 199;
  o.Threads = 2;
  const auto ev = Evaluate(*model_, *natal_, kZone, nullptr, prices, first, last, o);
  ASSERT_EQ(ev.Horizons.size(), 5u);
  for (const auto& h : ev.Horizons) {
    SCOPED_TRACE(h.Days);
    EXPECT_EQ(h.Pairs, static_cast<int>(ev.Dates.size()) - h.Days + 1);
    EXPECT_NEAR(h.Ic, 1.0, 1e-9);
    EXPECT_DOUBLE_EQ(h.P, 1.0 / 200);
    EXPECT_DOUBLE_EQ(h.PHolm, 5.0 / 200);
    EXPECT_GT(h.Spread, 0);
    EXPECT_DOUBLE_EQ(h.Hits.Rate(), 1.0);
  }
  ASSERT_EQ(ev.Events.size(), 3u);
  EXPECT_EQ(ev.Events[0].Section, "TMoonNatalSun");
  EXPECT_EQ(ev.Events[2].Weight, 0.5);
}

// Random-walk prices against a fixed model curve: the test must say p < 0.05 about one time in twenty.
TEST_F(Evaluation, RandomWalksGiveSmallPValuesAtTheirNominalRate) {
  const Date first = D(2002, 1, 1), last = D(2002, 12, 31);
  const MidnightSeries truth = Series(first, last + days{21}, 2, true);
  EvaluationOptions o;
  o.Permutations = 199;
  o.Threads = 2;
  const int seeds = 400;
  std::vector<int> below(o.Horizons.size(), 0);
  int tested = 0;
  for (int seed = 0; seed < seeds; ++seed) {
    std::mt19937_64 gen(1000 + seed);
    std::normal_distribution<double> step(0, 0.015);
    PriceSeries p;
    double logp = 4;
    for (Date d = first - days{1}; d <= last + days{20}; d += days{1}) {
      const unsigned wd = std::chrono::weekday{d}.c_encoding();
      if (wd == 0 || wd == 6) continue;
      logp += step(gen);
      p.Dates.push_back(d);
      p.Prices.push_back(std::exp(logp));
    }
    o.Seed = static_cast<uint64_t>(seed);
    const auto ev = Assess(*model_, truth, {}, p, EvaluationDates(p, first, last), o);
    for (size_t k = 0; k < ev.Horizons.size(); ++k) {
      ASSERT_FALSE(std::isnan(ev.Horizons[k].P));
      below[k] += ev.Horizons[k].P < 0.05;
    }
    ++tested;
  }
  for (size_t k = 0; k < below.size(); ++k) {
    const double share = static_cast<double>(below[k]) / tested;
    // Four standard errors of a binomial share around 5 % with 400 draws: 0.05 +- 0.044.
    EXPECT_GT(share, 0.006) << o.Horizons[k] << " days";
    EXPECT_LT(share, 0.094) << o.Horizons[k] << " days";
    std::printf("horizon %d days: share of p < 0.05 = %.3f\n", o.Horizons[k], share);
  }
}

TEST_F(Evaluation, RandomNatalChartsAreJudgedLikeTheTrueOne) {
  const Date first = D(2003, 1, 1), last = D(2003, 4, 30);
  PriceSeries p;
  std::mt19937_64 gen(5);
  std::normal_distribution<double> step(0, 0.02);
  double logp = 3;
  for (Date d = first - days{1}; d <= last; d += days{1}) {
    logp += step(gen);
    p.Dates.push_back(d);
    p.Prices.push_back(std::exp(logp));
  }
  EvaluationOptions o;
  o.Permutations = 99;
  o.RandomNatal = 3;
  o.Horizons = {1, 5};
  o.Threads = 2;
  const auto ev = Evaluate(*model_, *natal_, kZone, nullptr, p, first, last, o);

  const auto moments = DrawNatalMoments(natal_->Moment, 3, o.Seed);
  ASSERT_EQ(moments.size(), 3u);
  for (astro::ChartMoment t : moments) EXPECT_LE(std::fabs(t - natal_->Moment), 0.5);
  EXPECT_EQ(moments, DrawNatalMoments(natal_->Moment, 3, o.Seed));

  // One random chart recomputed on its own gives the IC the evaluation reported for it.
  MidnightInputs in;
  in.Model = model_;
  in.Zone = kZone;
  MidnightRange(ev.Dates, p, 5, in.First, in.Last);
  const astro::ChartData second = NatalAt(*natal_, moments[1]);
  const auto alone = ComputeMidnightSeries(in, {second}, false).front();
  for (const auto& h : ev.Horizons) {
    ASSERT_TRUE(h.HasRandom);
    ASSERT_EQ(h.Random.Ics.size(), 3u);
    const HorizonPairs pairs = MakePairs(alone.Values, alone.First, p, ev.Dates, h.Days);
    EXPECT_DOUBLE_EQ(h.Random.Ics[1], Spearman(pairs.Signal, pairs.Return));
    EXPECT_EQ(h.Random.Charts, 3);
    int below = 0;
    for (double ic : h.Random.Ics) below += ic < h.Ic;
    EXPECT_DOUBLE_EQ(h.Random.Percentile, 100.0 * below / 3);
  }
  // The natal chart at its own moment is the natal chart.
  const astro::ChartData same = NatalAt(*natal_, natal_->Moment);
  EXPECT_EQ(same.Object[astro::kLongitude][astro::kMoon], natal_->Object[astro::kLongitude][astro::kMoon]);
}

}  // namespace
}  // namespace sd::study
