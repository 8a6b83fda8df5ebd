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
};

// Mode 0: the wave at x = Σ cₖ·(coordinate of object oₖ in `transit`), reduced into [0, 360);
// no hit when an object with a non-zero coefficient has no value there. Mode 1: the wave at
// the span from the moment origin to t. Any other mode: a hit of value 0.
WaveResult UserWaveAt(const model::UserWave& w, const astro::MomentSnapshot& transit, astro::ChartMoment t);

// The event level: the candidate loops inside the frame of event_frame.h.

// Kind 41: the value of the wave. Model guide (docs/model-format.md): "Relative positions, phases
// and the user wave". Reads, by file key and field:
//   UWAVE Wave see the guide
void ScoreUserWave(KindContext& ctx);

}  // namespace sd::eval
