#pragma once
// The user wave of an event of kind 41 at one moment.
#include "astro/moment.h"
#include "astro/moment_snapshot.h"
#include "eval/event_frame.h"
#include "model/event_def.h"

namespace sd::eval {

struct WaveResult {
  bool hit = false;
  double strength = 0;  // the wave's value
  double second = 0;    // the angle the angle wave was taken at; 1 for the time wave
};

// Mode 0: the wave at x = Σ cₖ·(coordinate of object oₖ in `transit`), reduced into [0, 360);
// no hit when an object with a non-zero coefficient has no value there. Mode 1: the wave at
// the span from the moment origin to t. Any other mode: a hit of value 0.
WaveResult UserWaveAt(const model::UserWave& w, const MomentSnapshot& transit, ChartMoment t);

// The event level of kind 41: the candidate loop inside the frame of event_frame.h.
void ScoreKind41(KindContext& ctx);

}  // namespace sd::eval
