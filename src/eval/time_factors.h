#pragma once
// Factors of the moment alone: a cycle of fixed period in days (kind 40), a fixed threshold
// moment (kind 39) and thresholds counted in years from the first trade (kind 29). None reads a
// position; they give the forecast curve waves and steps of its own.
#include "astro/moment.h"
#include "eval/event_frame.h"
#include "model/event_def.h"

namespace sd::eval {

// The origin of every time cycle: 1900 January 1, 0h UT (half a day after the moment origin).
astro::ChartMoment TimeCycleEpoch();

// The tropical year the year thresholds count in, days.
inline constexpr double kTropicalYearDays = 365.24219879;

// Phase in degrees [0, 360) of a cycle of `period_days` at t: the number of whole and partial
// periods elapsed since the epoch, times 360, reduced.
double TimeCyclePhase(astro::ChartMoment t, double period_days);

struct TimeFactorResult {
  bool hit = false;
  double strength = 0;
  double second = 0;
};

// Kind 40: in phase when the signed difference target - phase (in (-180, 180]) is at most the
// orb; the strength is the raised cosine ("INTERACT_4" 0) or the wavelet (1) of that difference
// against the orb, 0 for any other shape; the second value is the difference. A period that is
// not above 0 counts in bars of a price series, which no path of this program has: no hit.
TimeFactorResult TimeCycleTest(astro::ChartMoment t, const model::EvKind40& ev);

// Kind 39: direction 0 hits up to and at the threshold moment, 1 after it; strength 1.
TimeFactorResult ThresholdTest(astro::ChartMoment t, const model::EvKind39& ev);

// Kind 29: mode 0 up to the first threshold, 1 after it, 2 after the first up to the second;
// thresholds in tropical years after the natal moment.
bool YearsSinceNatalTest(astro::ChartMoment t, astro::ChartMoment natal, const model::EvKind29& ev);

// The event level: the candidate loops inside the frame of event_frame.h.

// Kind 40: the strength of the cycle's phase near its target. Model guide (docs/model-format.md):
// "Time cycle (kind 40)". Reads, by file key and field:
//   INTERACT_1 Period      period in days; 0 or less never scores
//   INTERACT_2 TargetPhase target phase in degrees (0: the start of each cycle)
//   INTERACT_3 Orb         orb in degrees; 180 takes in every phase, which makes the event a smooth
//                          wave (1 + cos(phase - target)) / 2
//   INTERACT_4 Shape       shape: 0 raised cosine, 1 wavelet
void ScoreTimeCycle(KindContext& ctx);

// Kind 39: 1 on one side of a fixed moment. Model guide (docs/model-format.md): "Time threshold
// (kind 39)". Reads, by file key and field:
//   IMPORTANT_T1 Mode   0: up to and at the moment; 1: after it; anything else never scores
//   IMPORTANT_T2 Moment the moment in Julian centuries of 36525 days from 1900 January 0.5 (noon UT
//                       on 31 December 1899), universal time: 1.26 is 2026-01-01 0h UT
void ScoreTimeThreshold(KindContext& ctx);

// Kind 29: 1 before, after or between the thresholds. Model guide (docs/model-format.md): "Years
// since the first trade (kind 29)". Reads, by file key and field:
//   TST1 Mode        0: up to the first threshold; 1: after it; 2: after the first and up to the
//                    second; anything else never scores
//   TST2 FirstYears  first threshold in years (fractions allowed)
//   TST3 SecondYears second threshold in years (mode 2)
void ScoreYearsSinceFirstTrade(KindContext& ctx);

}  // namespace sd::eval
