#include "eval/time_factors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "astro/calendar.h"
#include "astro/chart_data.h"
#include "astro/moment_snapshot.h"
#include "eval/event_frame.h"

namespace sd::eval {
namespace {

// 1900 January 1, 0h UT: JD 2415020.5, half a day after the moment origin.
constexpr astro::ChartMoment kEpoch{0.5 * astro::DayInCenturies};

astro::ChartMoment DaysAfterEpoch(double days) { return kEpoch + days * astro::DayInCenturies; }

model::EvKind40 Cycle(double period, double target, double orb, uint8_t shape = 0) {
  model::EvKind40 ev{};
  ev.Period = period;
  ev.TargetPhase = target;
  ev.Orb = orb;
  ev.Shape = shape;
  return ev;
}

double RaisedCosine(double d, double orb) { return (std::cos(astro::kPi * d / orb) + 1) / 2; }

TEST(TimeCycle, EpochIsTheFirstOfJanuary1900) {
  EXPECT_NEAR(TimeCycleEpoch().Centuries, kEpoch.Centuries, 1e-15);
  const astro::CivilDate d = astro::DateFromMoment(TimeCycleEpoch() + 1e-9);
  EXPECT_EQ(d.year, 1900);
  EXPECT_EQ(d.month, 1);
  EXPECT_EQ(d.day, 1);
}

TEST(TimeCycle, EveryWholePeriodStartsAtPhaseZeroWithFullStrength) {
  for (double period : {30.0, 91.3125, 7.0}) {
    for (int k : {0, 1, 1000, 1700, -3}) {
      const astro::ChartMoment t = DaysAfterEpoch(k * period);
      const double phase = TimeCyclePhase(t, period);
      EXPECT_NEAR(std::min(phase, 360 - phase), 0, 1e-6) << period << " " << k;
      const TimeFactorResult r = TimeCycleTest(t, Cycle(period, 0, 5));
      EXPECT_TRUE(r.hit);
      EXPECT_NEAR(r.strength, 1.0, 1e-9);
    }
  }
}

// A 30-day cycle aiming at 90 degrees with an orb of 10 is in phase from 6.67 to 8.33 days after
// each cycle start.
TEST(TimeCycle, ThirtyDayCycleAtNinetyDegreesPlusMinusTen) {
  struct Case { double day_in_cycle; bool hit; };
  const Case cases[] = {
      {6.6, false}, {6.7, true}, {7.5, true}, {8.0, true}, {8.3, true}, {8.4, false},
      {0.0, false}, {22.5, false},  // phase 270: the opposite point
  };
  for (int cycle : {0, 1500}) {
    for (const Case& c : cases) {
      const astro::ChartMoment t = DaysAfterEpoch(cycle * 30 + c.day_in_cycle);
      const TimeFactorResult r = TimeCycleTest(t, Cycle(30, 90, 10));
      EXPECT_EQ(r.hit, c.hit) << cycle << " " << c.day_in_cycle;
      if (!c.hit) continue;
      const double d = 90 - 12 * c.day_in_cycle;  // twelve degrees a day
      EXPECT_NEAR(r.second, d, 1e-4) << c.day_in_cycle;
      EXPECT_NEAR(r.strength, RaisedCosine(d, 10), 1e-5) << c.day_in_cycle;
    }
  }
}

TEST(TimeCycle, OrbEdgeIsAHitWithNothingLeft) {
  // At the epoch the phase is exactly 0, so a target of 10 lies exactly on an orb of 10.
  const astro::ChartMoment t = TimeCycleEpoch();
  for (uint8_t shape : {0, 1}) {
    const TimeFactorResult r = TimeCycleTest(t, Cycle(36, 10, 10, shape));
    EXPECT_TRUE(r.hit) << int(shape);
    EXPECT_EQ(r.second, 10);
    EXPECT_NEAR(r.strength, 0, 1e-12) << int(shape);
    const TimeFactorResult before = TimeCycleTest(t, Cycle(36, -10, 10, shape));
    EXPECT_TRUE(before.hit);
    EXPECT_EQ(before.second, -10);
  }
  EXPECT_FALSE(TimeCycleTest(t, Cycle(36, 10, 9.99)).hit);
  EXPECT_FALSE(TimeCycleTest(t, Cycle(36, 10.01, 10)).hit);
}

TEST(TimeCycle, ShapesAndTheSignOfTheDifference) {
  const astro::ChartMoment t = DaysAfterEpoch(36 * 5 + 9.5);  // phase 95: five degrees past the target
  const TimeFactorResult cosine = TimeCycleTest(t, Cycle(36, 90, 10, 0));
  const TimeFactorResult wavelet = TimeCycleTest(t, Cycle(36, 90, 10, 1));
  const TimeFactorResult other = TimeCycleTest(t, Cycle(36, 90, 10, 2));
  EXPECT_NEAR(cosine.second, -5, 1e-6);
  EXPECT_NEAR(cosine.strength, 0.5, 1e-6);
  EXPECT_NEAR(wavelet.strength, std::exp(-0.25) * 0.75, 1e-6);
  EXPECT_TRUE(other.hit);
  EXPECT_EQ(other.strength, 0.0);
  // The target across 0: phase 355 against a target of 5 is 10 degrees short.
  const TimeFactorResult wrap = TimeCycleTest(DaysAfterEpoch(36 * 7 + 35.5), Cycle(36, 5, 12));
  EXPECT_TRUE(wrap.hit);
  EXPECT_NEAR(wrap.second, 10, 1e-6);
}

TEST(TimeCycle, PeriodsThatAreNotAboveZeroAndAbsentMomentsNeverHit) {
  const astro::ChartMoment t = DaysAfterEpoch(100);
  EXPECT_FALSE(TimeCycleTest(t, Cycle(0, 0, 180)).hit);
  EXPECT_FALSE(TimeCycleTest(t, Cycle(-30, 0, 180)).hit);
  EXPECT_FALSE(TimeCycleTest(t, Cycle(NAN, 0, 180)).hit);
  EXPECT_FALSE(TimeCycleTest(astro::kNoMoment, Cycle(30, 0, 180)).hit);
}

TEST(Threshold, DirectionsAtAndAfterTheThreshold) {
  const astro::ChartMoment threshold{1.26};
  const double step = astro::DayInCenturies / 2;
  struct Case { int32_t direction; astro::ChartMoment t; bool hit; };
  const Case cases[] = {
      {0, threshold - step, true},  {0, threshold, true},  {0, threshold + step, false},
      {1, threshold - step, false}, {1, threshold, false}, {1, threshold + step, true},
      {1, threshold + 100 * step, true},
      {2, threshold - step, false}, {2, threshold + step, false},
      {-1, threshold - step, false},
      {0, astro::kNoMoment, false},        {1, astro::kNoMoment, false},
  };
  for (const Case& c : cases) {
    model::EvKind39 ev{};
    ev.Mode = c.direction;
    ev.Moment = threshold.Centuries;
    const TimeFactorResult r = ThresholdTest(c.t, ev);
    EXPECT_EQ(r.hit, c.hit) << c.direction << " " << (c.t - threshold) / step;
    EXPECT_EQ(r.strength, c.hit ? 1.0 : 0.0);
  }
}

TEST(YearsSinceNatal, WindowsInTropicalYears) {
  const astro::ChartMoment natal = astro::MomentFromDate(1990, 6, 15, 14.5);
  const double year = 365.24219879 * astro::DayInCenturies;
  const double hour = astro::DayInCenturies / 24;
  struct Case { uint8_t mode; double first, second, years_after; bool hit; };
  const Case cases[] = {
      // After ten years, and not before.
      {1, 10, 0, 10 - 1 / 365.0, false}, {1, 10, 0, 10 + 1 / 365.0, true}, {1, 10, 0, 30, true},
      // Only in the second year after the first trade.
      {2, 1, 2, 0.5, false}, {2, 1, 2, 1.01, true}, {2, 1, 2, 1.99, true}, {2, 1, 2, 2.01, false},
      // Up to the first year.
      {0, 1, 0, -3, true}, {0, 1, 0, 0.99, true}, {0, 1, 0, 1.01, false},
      {3, 1, 2, 1.5, false}, {255, 1, 2, 1.5, false},
  };
  for (const Case& c : cases) {
    model::EvKind29 ev{};
    ev.Mode = c.mode;
    ev.FirstYears = c.first;
    ev.SecondYears = c.second;
    EXPECT_EQ(YearsSinceNatalTest(natal + c.years_after * year, natal, ev), c.hit)
        << int(c.mode) << " " << c.years_after;
  }
  // The thresholds themselves: mode 0 and the upper end of mode 2 include them, mode 1 and the
  // lower end of mode 2 do not. An hour either side tells the year length apart from 365.25.
  model::EvKind29 ev{};
  ev.FirstYears = 10;
  ev.SecondYears = 20;
  const astro::ChartMoment ten = natal + 10 * year;
  ev.Mode = 1;
  EXPECT_FALSE(YearsSinceNatalTest(ten - hour, natal, ev));
  EXPECT_TRUE(YearsSinceNatalTest(ten + hour, natal, ev));
  ev.Mode = 0;
  EXPECT_TRUE(YearsSinceNatalTest(ten - hour, natal, ev));
  EXPECT_FALSE(YearsSinceNatalTest(ten + hour, natal, ev));
  ev.Mode = 2;
  EXPECT_FALSE(YearsSinceNatalTest(ten - hour, natal, ev));
  EXPECT_TRUE(YearsSinceNatalTest(natal + 20 * year - hour, natal, ev));
  EXPECT_FALSE(YearsSinceNatalTest(natal + 20 * year + hour, natal, ev));
  // Absent moments never hit.
  ev.Mode = 0;
  EXPECT_FALSE(YearsSinceNatalTest(natal, astro::kNoMoment, ev));
  EXPECT_FALSE(YearsSinceNatalTest(astro::kNoMoment, natal, ev));
}

// ---- through the event level ------------------------------------------------------------

class TimeEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    natal_ = std::make_unique<astro::ChartData>();
    for (auto& p : in_.Transit) p = &snap_;
    for (auto& p : in_.Natal) p = natal_.get();
    in_.NatalMoment = astro::MomentFromDate(2000, 1, 3, 15.5);
    in_.GridStepDays = 0.5;
  }
  EventResult Run(const model::EventDef& def, astro::ChartMoment t) {
    in_.Moment = t;
    return EvaluateEvent(def, in_);
  }

  std::unique_ptr<astro::ChartData> natal_;
  astro::MomentSnapshot snap_;
  EventInputs in_;
};

TEST_F(TimeEvents, CycleAddsItsStrength) {
  model::EventDef def{};
  def.Kind = 40;
  def.K.k40 = Cycle(36, 90, 10);
  const EventResult r = Run(def, DaysAfterEpoch(36 * 40 + 9.5));  // phase 95
  EXPECT_EQ(r.Hits, 1);
  EXPECT_NEAR(static_cast<double>(r.Graded), 0.5, 1e-6);
  def.CM = 1;  // "_CM" does not change the value
  const EventResult cm = Run(def, DaysAfterEpoch(36 * 40 + 9.5));
  EXPECT_NEAR(static_cast<double>(cm.Graded), 0.5, 1e-6);
  EXPECT_EQ(Run(def, DaysAfterEpoch(36 * 40 + 20)).Hits, 0);
}

TEST_F(TimeEvents, ThresholdIsAStepOfOne) {
  model::EventDef def{};
  def.Kind = 39;
  def.K.k39.Mode = 1;
  def.K.k39.Moment = 1.26;
  EXPECT_EQ(Run(def, astro::ChartMoment(1.26)).Hits, 0);
  const EventResult after = Run(def, astro::ChartMoment(1.26 + astro::DayInCenturies));
  EXPECT_EQ(after.Hits, 1);
  EXPECT_EQ(after.Graded, 1.0);
}

TEST_F(TimeEvents, YearsCountFromTheNatalMoment) {
  model::EventDef def{};
  def.Kind = 29;
  def.K.k29.Mode = 2;
  def.K.k29.FirstYears = 1;
  def.K.k29.SecondYears = 2;
  const double year = 365.24219879 * astro::DayInCenturies;
  const EventResult in_second_year = Run(def, in_.NatalMoment + 1.5 * year);
  EXPECT_EQ(in_second_year.Hits, 1);
  EXPECT_EQ(in_second_year.Graded, 1.0);
  EXPECT_EQ(Run(def, in_.NatalMoment + 0.5 * year).Hits, 0);
  // The same moment for a security listed a year earlier lies in its third year.
  const astro::ChartMoment t = in_.NatalMoment + 1.5 * year;
  in_.NatalMoment -= year;
  EXPECT_EQ(Run(def, t).Hits, 0);
}

}  // namespace
}  // namespace sd::eval
