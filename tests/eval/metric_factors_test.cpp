// Kind 33: the strength an event draws from the planet-pair metric table.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "../model/model_fixture.h"
#include "astro/chart_data.h"
#include "astro/moment_snapshot.h"
#include "eval/event_frame.h"
#include "eval/metric_table.h"
#include "metric_file.h"
#include "model/ev_list.h"

namespace sd::eval {
namespace {

constexpr double kPi = 3.14159265358979323846;
double Rad(double deg) { return deg * kPi / 180; }

astro::ChartMoment Day(double d) { return kMetricFirstMoment + d * astro::DayInCenturies; }

// A table whose pair 2-5 holds the same value on every day, and the event inputs of a moment
// inside it; charts are empty (kind 33 reads none).
class MetricEvent : public ::testing::Test {
 protected:
  void Table(double value) {
    file_.Write({{2, 5, [value](int) { return value; }}});
    table_ = std::make_unique<TPlanetary_T>(file_.path());
    ASSERT_EQ(table_->State(), TPlanetary_T::Source::kMapped) << table_->Problem();
  }

  EventResult Evaluate(const std::string& keys, const TPlanetary_T* table,
                       astro::ChartMoment t = Day(80000.3)) {
    model::TEvList model;
    model::testing::LoadText(model, "[E]\n_H=pair wave\n_T=33\nWEIGHT=1\n" + keys);
    EXPECT_EQ(model.Count(), 1) << keys;
    if (model.Count() != 1) return {};
    EventInputs in;
    for (auto& p : in.Transit) p = &snap_;
    for (auto& p : in.Natal) p = natal_.get();
    in.Moment = t;
    in.Metrics = table;
    return EvaluateEvent(model.Event(0).Def, in);
  }

  testing::ScratchFile file_;
  std::unique_ptr<TPlanetary_T> table_;
  astro::MomentSnapshot snap_{};
  std::unique_ptr<astro::ChartData> natal_ = std::make_unique<astro::ChartData>();
};

TEST_F(MetricEvent, StrengthIsTheSineCosineOrAngleOfTheScaledValue) {
  struct Case {
    double value;
    const char* keys;
    double strength;
    const char* why;
  };
  const Case cases[] = {
      {135, "METR4=2\nMETR11=0\n", -1.0, "sin 270"},
      {135, "METR4=2\nMETR11=1\n", std::cos(Rad(270)), "cos 270"},
      {135, "METR4=2\nMETR11=2\n", Rad(270), "the angle itself, in radians"},
      {135, "METR11=7\n", Rad(135), "any other selector: the angle; METR4 defaults to 1"},
      {-30, "METR11=0\n", -0.5, "a negative value is taken into one turn: sin 330"},
      {60, "METR4=-1\nMETR11=1\n", 0.5, "a negative multiplier: cos 300"},
      {40, "", std::sin(Rad(40)), "defaults: multiplier 1, sine, reduced"},
      {400, "METR4=0\nMETR11=1\n", 1.0, "multiplier 0: cos 0"},
      // METR5 (default 1) drops the full turns before the multiplier; 0 keeps them.
      {495, "METR4=1.5\nMETR5=1\n", std::sin(Rad(202.5)), "495 -> 135, times 1.5"},
      {495, "METR4=1.5\nMETR5=0\n", std::sin(Rad(22.5)), "742.5 -> 22.5"},
      {-225, "METR4=0.5\nMETR5=0\nMETR11=2\n", Rad(247.5), "-112.5 -> 247.5"},
      {-225, "METR4=0.5\nMETR5=1\nMETR11=2\n", Rad(67.5), "-225 -> 135, half: 67.5"},
  };
  for (const Case& c : cases) {
    Table(c.value);
    for (const char* pair : {"METR2=2\nMETR3=5\n", "METR2=5\nMETR3=2\n"}) {
      const EventResult r = Evaluate(pair + std::string(c.keys), table_.get());
      EXPECT_EQ(r.Hits, 1) << c.why;
      EXPECT_NEAR(static_cast<double>(r.Graded), c.strength, 1e-12) << c.why;
    }
  }
}

TEST_F(MetricEvent, NoHitWithoutATableAValueOrAFiniteAngle) {
  Table(135);
  struct Case {
    const char* keys;
    const TPlanetary_T* table;
    astro::ChartMoment t;
    const char* why;
  };
  const TPlanetary_T empty;
  const Case cases[] = {
      {"METR2=2\nMETR3=5\n", nullptr, Day(80000.3), "no table instance"},
      {"METR2=2\nMETR3=5\n", &empty, Day(80000.3), "an empty table"},
      {"METR2=2\nMETR3=6\n", table_.get(), Day(80000.3), "a pair without a record"},
      {"METR2=2\nMETR3=12\n", table_.get(), Day(80000.3), "a planet beyond 9"},
      {"METR2=2\nMETR3=5\n", table_.get(), Day(0.5), "before the table's first usable day"},
      {"METR2=2\nMETR3=5\n", table_.get(), Day(kMetricSamples - 0.5), "after its last"},
      {"METR2=2\nMETR3=5\nMETR4=1e308\nMETR5=0\n", table_.get(), Day(80000.3),
       "a product beyond the doubles"},
  };
  for (const Case& c : cases) {
    const EventResult r = Evaluate(c.keys, c.table, c.t);
    EXPECT_EQ(r.Hits, 0) << c.why;
    EXPECT_EQ(static_cast<double>(r.Graded), 0.0) << c.why;
  }
}

}  // namespace
}  // namespace sd::eval
