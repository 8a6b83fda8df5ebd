#include "eval/weighted_sum.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "astro/calendar.h"
#include "astro/moment_snapshot.h"
#include "eval/event_frame.h"
#include "model/keywords.h"

namespace sd::eval {
namespace {

// ---- the natal stencil ------------------------------------------------------------------

TEST(ExtrapolateNatal, AnglesGoTheShortWayAcrossZero) {
  auto at = std::make_unique<astro::ChartData>(), after = std::make_unique<astro::ChartData>();
  auto before = std::make_unique<astro::ChartData>(), after2 = std::make_unique<astro::ChartData>();
  at->Moment = astro::ChartMoment(1.0);
  after->Moment = astro::ChartMoment(1.0 + astro::DayInCenturies);
  at->Object[astro::kLongitude][4] = 359.0;
  after->Object[astro::kLongitude][4] = 1.0;
  at->Planet[astro::kRightAscension][2] = 1.0;  // moving backwards across 0
  after->Planet[astro::kRightAscension][2] = 359.0;
  at->Object[astro::kHelioLongitude][5] = 180.0;
  after->Object[astro::kHelioLongitude][5] = 181.0;
  at->Planet[astro::kLatitude][1] = 1.0;  // plain numbers, no reduction
  after->Planet[astro::kLatitude][1] = -2.0;
  at->Object[astro::kLongitude][7] = 10.0;  // unknown at t + delta: stays
  at->Object[astro::kDeclination][0] = 23.0;  // not extrapolated: a copy
  after->Object[astro::kDeclination][0] = 20.0;
  at->Object[astro::kHelioLongitude][20] = 100.0;  // only the planets' helio longitudes move
  after->Object[astro::kHelioLongitude][20] = 110.0;

  ExtrapolateNatal(*at, *after, *before, *after2);
  struct Case { double got_before, want_before, got_after2, want_after2; const char* what; };
  const Case cases[] = {
      {before->Object[astro::kLongitude][4], 357, after2->Object[astro::kLongitude][4], 3, "longitude"},
      {before->Planet[astro::kRightAscension][2], 3, after2->Planet[astro::kRightAscension][2], 357, "ra"},
      {before->Object[astro::kHelioLongitude][5], 179, after2->Object[astro::kHelioLongitude][5], 182,
       "helio"},
      {before->Planet[astro::kLatitude][1], 4, after2->Planet[astro::kLatitude][1], -5, "latitude"},
      {before->Object[astro::kLongitude][7], 10, after2->Object[astro::kLongitude][7], 10, "unknown later"},
      {before->Object[astro::kDeclination][0], 23, after2->Object[astro::kDeclination][0], 23, "declination"},
      {before->Object[astro::kHelioLongitude][20], 100, after2->Object[astro::kHelioLongitude][20], 100,
       "cusp"},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(c.got_before, c.want_before, 1e-9) << c.what;
    EXPECT_NEAR(c.got_after2, c.want_after2, 1e-9) << c.what;
  }
  EXPECT_EQ(before->Object[astro::kLongitude][9], astro::NoValue);
  EXPECT_NEAR(before->Moment.Centuries, 1.0 - astro::DayInCenturies, 1e-15);
  EXPECT_NEAR(after2->Moment.Centuries, 1.0 + 2 * astro::DayInCenturies, 1e-15);
}

TEST(ExtrapolateNatal, TheSameChartTwiceGivesFourEqualCharts) {
  auto at = std::make_unique<astro::ChartData>();
  auto before = std::make_unique<astro::ChartData>(), after2 = std::make_unique<astro::ChartData>();
  at->Moment = astro::ChartMoment(0.5);
  for (int o = 0; o < astro::kObjectCount; ++o) at->Object[astro::kLongitude][o] = o * 9.0 + 0.5;
  for (int p = 0; p < astro::kPlanetCount; ++p) at->Planet[astro::kLatitude][p] = p - 4.5;
  ExtrapolateNatal(*at, *at, *before, *after2);
  for (const astro::ChartData* c : {before.get(), after2.get()}) {
    EXPECT_EQ(c->Moment, at->Moment);
    for (int o = 0; o < astro::kObjectCount; ++o)
      EXPECT_EQ(c->Object[astro::kLongitude][o], at->Object[astro::kLongitude][o]);
    for (int p = 0; p < astro::kPlanetCount; ++p)
      EXPECT_EQ(c->Planet[astro::kLatitude][p], at->Planet[astro::kLatitude][p]);
  }
}

// ---- the model level on small models ----------------------------------------------------

// A natal chart and a transit snapshot with a few objects placed by hand; everything else absent.
class ModelValue : public ::testing::Test {
 protected:
  void SetUp() override {
    natal_ = std::make_unique<astro::ChartData>();
    natal_->Moment = astro::MomentFromDate(1990, 1, 1, 12);
    transit_ = std::make_unique<astro::ChartData>();
    transit_->Moment = astro::MomentFromDate(2026, 3, 20, 5);
    path_ = ::testing::TempDir() + "model_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".hyp";
  }
  void TearDown() override { std::filesystem::remove(path_); }

  void Natal(int obj, double lon) {
    natal_->ObjectOn[obj] = 1;
    natal_->Object[astro::kLongitude][obj] = lon;
  }
  void Transit(int obj, double lon) { transit_->Object[astro::kLongitude][obj] = lon; }

  double Value(const std::string& model_text, EvaluationMode mode = GradedMode,
               ExplanationList* explain = nullptr, double step_days = 0.5) {
    { std::ofstream(path_, std::ios::binary) << model_text; }
    model::TEvList model;
    model.Load(path_);
    FillSnapshot(snap_, *transit_);
    ModelInputs in;
    for (auto& p : in.Transit) p = &snap_;
    in.NatalAt = natal_.get();
    in.NatalAfter = natal_.get();
    in.Moment = transit_->Moment;
    in.GridStepDays = step_days;
    in.Mode = mode;
    return EvaluateModel(model, in, explain);
  }

  std::unique_ptr<astro::ChartData> natal_, transit_;
  astro::MomentSnapshot snap_;
  std::string path_;
};

double RaisedCosine(double orb, double limit) { return (std::cos(astro::kPi * orb / limit) + 1) / 2; }

// Transit Sun square natal Moon.
const char* const kSunSquareMoon =
    "[E]\n_H=sun square moon\n_T=2\nWEIGHT=2\nA0=1\nA1=0\nA2=3\nA3=0\nA4=1\nA6=2\n";

TEST_F(ModelValue, EmptyModelsAndModelsWithoutEventsAreZero) {
  Transit(0, 10);
  Natal(1, 100.5);
  EXPECT_EQ(Value(""), 0.0);
  EXPECT_EQ(Value("[OPTIONS]\nHEADER=nothing\n"), 0.0);
}

TEST_F(ModelValue, GradedAndCountModes) {
  Transit(0, 10);
  Natal(1, 100.5);
  EXPECT_NEAR(Value(kSunSquareMoon, GradedMode), 2 * RaisedCosine(0.5, 2), 1e-9);
  EXPECT_NEAR(Value(kSunSquareMoon, CountMode), 2.0, 1e-12);
  // Out of orb: nothing in either mode.
  Natal(1, 103);
  EXPECT_EQ(Value(kSunSquareMoon, GradedMode), 0.0);
  EXPECT_EQ(Value(kSunSquareMoon, CountMode), 0.0);
}

TEST_F(ModelValue, EventsAddUpWithTheirWeights) {
  Transit(0, 10);
  Natal(1, 100.5);
  Natal(3, 10);
  const std::string model = std::string(kSunSquareMoon) +
      "[F]\n_H=sun conjunct venus\n_T=2\nWEIGHT=-3\nA0=1\nA1=0\nA2=1\nA3=0\nA4=3\nA6=5\n";
  EXPECT_NEAR(Value(model), 2 * RaisedCosine(0.5, 2) - 3 * 1.0, 1e-9);
}

TEST_F(ModelValue, WeightZeroAddsNothingAndIsExplainedOnlyWhenAsked) {
  Transit(0, 10);
  Natal(1, 100.5);
  const std::string model =
      "[E]\n_H=silent\n_T=2\nWEIGHT=0\nA0=1\nA1=0\nA2=3\nA3=0\nA4=1\nA6=2\n";
  EXPECT_EQ(Value(model), 0.0);
  ExplanationList explain;
  explain.push_back({99, 1.0});  // cleared first
  EXPECT_EQ(Value(model, GradedMode, &explain), 0.0);
  ASSERT_EQ(explain.size(), 1u);
  EXPECT_EQ(explain[0].EventIndex, 0);
  EXPECT_NEAR(explain[0].Value, RaisedCosine(0.5, 2), 1e-9);
}

TEST_F(ModelValue, SamePairIsScoredOnceFromTheSameChart) {
  Transit(0, 10);
  Transit(1, 10.5);
  const std::string same =
      "[E]\n_H=lights\n_T=2\nA0=1\nA1=0,1\nA2=1\nA3=1\nA4=0,1\nA6=2\n";
  EXPECT_NEAR(Value(same, CountMode), 1.0, 1e-12);
  // Different qualifiers (both pass): every ordered pair counts, each object with itself too.
  const std::string different =
      "[E]\n_H=lights\n_T=2\nA0=1\nA1=0,1\nA11=*1,\nA2=1\nA3=1\nA4=0,1\nA44=*1,*2,\nA6=2\n";
  EXPECT_NEAR(Value(different, CountMode), 4.0, 1e-12);
}

TEST_F(ModelValue, ApplyingNeedsMotionAcrossTheStencil) {
  Transit(0, 10);
  Natal(1, 100.5);
  const std::string applying =
      "[E]\n_H=applying\n_T=2\nA0=1\nA1=0\nA2=3\nA3=0\nA4=1\nA5=0\nA6=2\n";
  const std::string separating =
      "[E]\n_H=separating\n_T=2\nA0=1\nA1=0\nA2=3\nA3=0\nA4=1\nA5=1\nA6=2\n";
  // Identical stencil points: the orb does not shrink.
  EXPECT_EQ(Value(applying, CountMode), 0.0);
  EXPECT_EQ(Value(separating, CountMode), 1.0);
  // With mean motions the Sun moves towards the exact square.
  EXPECT_EQ(Value(std::string(applying) + "A55=1\n", CountMode), 1.0);
  EXPECT_EQ(Value(std::string(separating) + "A55=1\n", CountMode), 0.0);
}

TEST_F(ModelValue, MoonCrossingTheAspectScoresFullStrength) {
  // Moon 12 degrees a day, half a day per step: from 91 to 97 across the natal Sun at 95.
  Transit(1, 97);
  Natal(0, 95);
  const std::string model =
      "[E]\n_H=moon on sun\n_T=2\nA0=1\nA1=1\nA2=1\nA3=0\nA4=0\nA6=1\nA55=1\n";
  EXPECT_NEAR(Value(model), 1.0, 1e-12);
  // Without the mean-motion stencil the orb of 2 at t is simply too wide.
  EXPECT_EQ(Value("[E]\n_H=moon on sun\n_T=2\nA0=1\nA1=1\nA2=1\nA3=0\nA4=0\nA6=1\n"), 0.0);
}

TEST_F(ModelValue, HarmonicsAndOrbsAsTheEventSetsThem) {
  // Transit Sun against natal Moon, one aspect, in count mode: does the event score?
  struct Case { double sun, moon; const char* keys; int hits; const char* why; };
  const Case cases[] = {
      {10, 100, "A2=1\nA6=1\nA9=4\n", 1, "10 and 100 are one point in the fourth harmonic"},
      {10, 100, "A2=1\nA6=1\n", 0, "no conjunction in the first"},
      {10, 103, "A2=3\nA6=1\n", 0, "3 degrees: found by the 5-degree search, outside orb 1"},
      {10, 103, "A2=3\nA6=4\n", 1, "the same inside orb 4"},
      {10, 105.5, "A2=3\nA6=6\n", 1, "an orb of 6 searches with 6"},
      {10, 106, "A2=3\nA6=6\n", 0, "the orb itself is outside"},
      {10, 100.5, "A2=3\nA6=1\nA8=1\n", 0, "side 1: the Moon is ahead of the Sun"},
      {10, 100.5, "A2=3\nA6=1\nA8=2\n", 1, "side 2: the Moon is ahead of the Sun"},
      {10, 10, "A2=1\nA6=1\nV7=9\n", 0, "coordinate 9 has no Sun and no Moon"},
      {10, 100.5, "A2=3\nA6=1\nV7=2\n", 0, "heliocentric: the natal Moon has no such position"},
  };
  for (const Case& c : cases) {
    Transit(0, c.sun);
    Natal(1, c.moon);
    const std::string model =
        std::string("[E]\n_H=x\n_T=2\nA0=1\nA1=0\nA3=0\nA4=1\n") + c.keys;
    EXPECT_EQ(Value(model, CountMode), c.hits) << c.why;
  }
}

TEST_F(ModelValue, AbsentObjectsAreSkipped) {
  Transit(0, 10);
  Natal(1, 100.5);
  natal_->ObjectOn[1] = 0;  // the natal Moon is not in the chart
  EXPECT_EQ(Value(kSunSquareMoon, CountMode), 0.0);
  natal_->ObjectOn[1] = 1;
  Transit(0, astro::NoValue);  // nor the transit Sun
  EXPECT_EQ(Value(kSunSquareMoon, CountMode), 0.0);
}

TEST_F(ModelValue, KindsThatNeverScoreContributeNothing) {
  Transit(0, 10);
  Natal(1, 100.5);
  for (int kind : {4, 5, 6, 10, 13, 22, 25, 26, 27, 28, 30, 31, 32, 34, 35, 36, 37, 38, 42, 43, 44, 200}) {
    const std::string model = "[E]\n_H=x\n_T=" + std::to_string(kind) + "\nWEIGHT=7\n";
    ExplanationList explain;
    EXPECT_EQ(Value(model, GradedMode, &explain), 0.0) << kind;
    EXPECT_EQ(Value(model, CountMode), 0.0) << kind;
    EXPECT_TRUE(explain.empty()) << kind;
    EXPECT_FALSE(ScoringOf(kind).scored) << kind;
  }
  EXPECT_TRUE(ScoringOf(2).scored);
}

TEST(KindScoring, ModelCheckAndEvaluationAgreeOnWhatScores) {
  // `model check` tells authors which events never score; it must say what the evaluation does.
  for (int kind = 0; kind < model::kKindCount; ++kind)
    EXPECT_EQ(model::Kind(kind).scored, ScoringOf(kind).scored) << kind;
}

}  // namespace
}  // namespace sd::eval
