// Time-cycle and time-threshold events (kinds 40, 39, 29).
#include "eval/time_factors.h"

#include <cmath>

#include "astro/angles.h"
#include "astro/aspects.h"
#include "astro/calendar.h"
#include "eval/event_frame.h"
#include "eval/orb_profile.h"

namespace sd::eval {

namespace {

// The cycle's own profile: parameter 1 and no shift, whatever the aspect settings are.
constexpr double kCycleProfileParameter = 1.0;

int CycleProfile(uint8_t shape) {
  switch (shape) {
    case 0: return kProfileRaisedCosine;
    case 1: return kProfileWavelet;
    default: return -1;  // a shape without a profile: the hit counts with strength 0
  }
}

}  // namespace

astro::ChartMoment TimeCycleEpoch() { return astro::MomentFromDate(1900, 1, 1, 0.0); }

double TimeCyclePhase(astro::ChartMoment t, double period_days) {
  return astro::NormalizeMod((t - TimeCycleEpoch()) * 360.0 / (period_days * astro::DayInCenturies), 360);
}

TimeFactorResult TimeCycleTest(astro::ChartMoment t, const model::EvKind40& ev) {
  TimeFactorResult r;
  const double period = ev.Period;
  const double orb = ev.Orb;
  if (!astro::IsValue(t) || !(period > 0) || !std::isfinite(period) || std::isnan(ev.TargetPhase)) return r;
  const double d = astro::SignedDifference(ev.TargetPhase, TimeCyclePhase(t, period));
  if (!(std::fabs(d) <= orb)) return r;
  r.hit = true;
  r.second = d;
  const int profile = CycleProfile(ev.Shape);
  if (profile >= 0)
    r.strength = OrbStrength(profile, d, kCycleProfileParameter, astro::NoValue, orb, OrbProfileNormalised);
  return r;
}

TimeFactorResult ThresholdTest(astro::ChartMoment t, const model::EvKind39& ev) {
  TimeFactorResult r;
  if (!astro::IsValue(t)) return r;
  const astro::ChartMoment threshold(ev.Moment);
  if (ev.Mode == 0) r.hit = t <= threshold;
  else if (ev.Mode == 1) r.hit = t > threshold;
  if (r.hit) r.strength = 1.0;
  return r;
}

bool YearsSinceNatalTest(astro::ChartMoment t, astro::ChartMoment natal, const model::EvKind29& ev) {
  if (!astro::IsValue(t) || !astro::IsValue(natal)) return false;
  const double year = kTropicalYearDays * astro::DayInCenturies;
  const astro::ChartMoment first = natal + ev.FirstYears * year;
  const astro::ChartMoment second = natal + ev.SecondYears * year;
  switch (ev.Mode) {
    case 0: return t <= first;
    case 1: return t > first;
    case 2: return first < t && t <= second;
    default: return false;
  }
}

void ScoreTimeCycle(KindContext& ctx) {
  if (!ctx.Admit({})) return;
  const TimeFactorResult r = TimeCycleTest(ctx.In->Moment, ctx.Def().K.k40);
  if (r.hit) ctx.Hit(r.strength);
}

void ScoreTimeThreshold(KindContext& ctx) {
  if (!ctx.Admit({})) return;
  const TimeFactorResult r = ThresholdTest(ctx.In->Moment, ctx.Def().K.k39);
  if (r.hit) ctx.Hit(r.strength);
}

// Decided by the event level alone: no condition test. A hit also counts 1 in both sums.
void ScoreYearsSinceFirstTrade(KindContext& ctx) {
  if (YearsSinceNatalTest(ctx.In->Moment, ctx.In->NatalMoment, ctx.Def().K.k29)) ctx.Hit(1.0);
}

}  // namespace sd::eval
