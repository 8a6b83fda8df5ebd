#pragma once
// Factors of the moment alone: a cycle of fixed period in days (kind 40), a fixed threshold
// moment (kind 39) and thresholds counted in years from the first trade (kind 29). None reads a
// position; they give the forecast curve waves and steps of its own.
#include "astro/moment.h"
#include "eval/event_frame.h"
#include "model/event_def.h"

namespace sd::eval {

// The origin of every time cycle: 1900 January 1, 0h UT (half a day after the moment origin).
ChartMoment TimeCycleEpoch();

// The tropical year the year thresholds count in, days.
inline constexpr double kTropicalYearDays = 365.24219879;

// Phase in degrees [0, 360) of a cycle of `period_days` at t: the number of whole and partial
// periods elapsed since the epoch, times 360, reduced.
double TimeCyclePhase(ChartMoment t, double period_days);

struct TimeFactorResult {
  bool hit = false;
  double strength = 0;
  double second = 0;
};

// Kind 40: in phase when the signed difference target - phase (in (-180, 180]) is at most the
// orb; the strength is the raised cosine ("INTERACT_4" 0) or the wavelet (1) of that difference
// against the orb, 0 for any other shape; the second value is the difference. A period that is
// not above 0 counts in bars of a price series, which no path of this program has: no hit.
TimeFactorResult TimeCycleTest(ChartMoment t, const model::EvKind40& ev);

// Kind 39: direction 0 hits up to and at the threshold moment, 1 after it; strength 1.
TimeFactorResult ThresholdTest(ChartMoment t, const model::EvKind39& ev);

// Kind 29: mode 0 up to the first threshold, 1 after it, 2 after the first up to the second;
// thresholds in tropical years after the natal moment.
bool YearsSinceNatalTest(ChartMoment t, ChartMoment natal, const model::EvKind29& ev);

// The event level of kinds 40, 39, 29: the candidate loop inside the frame of event_frame.h.
void ScoreKind40(KindContext& ctx);
void ScoreKind39(KindContext& ctx);
void ScoreKind29(KindContext& ctx);

}  // namespace sd::eval
