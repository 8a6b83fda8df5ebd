#pragma once
// Planet-pair metrics: events scored from the metric table of metric_table.h.
#include "eval/event_frame.h"

namespace sd::eval {

// The event level: the candidate loops inside the frame of event_frame.h.

// Kind 33: the sine, cosine or radians of the pair's angle from the metric table. Model guide
// (docs/model-format.md): "Planet-pair metrics (kind 33)". Reads, by file key and field:
//   METR1  EditorByte   kept for model editors; not used
//   METR11 Form         0: strength = sine of the angle; 1: cosine; anything else: the angle itself
//                       in radians (0 to 6.28)
//   METR2  FirstPlanet  the two planets, 0 Sun .. 9 Pluto, in either order. With the table as
//                       metrics build makes it by default, the value is the longitude of the
//                       higher-numbered planet minus that of the lower (METR2=0, METR3=1: the
//                       Moon's distance ahead of the Sun, the lunar phase angle).
//   METR3  SecondPlanet the two planets, 0 Sun .. 9 Pluto, in either order. With the table as
//                       metrics build makes it by default, the value is the longitude of the
//                       higher-numbered planet minus that of the lower (METR2=0, METR3=1: the
//                       Moon's distance ahead of the Sun, the lunar phase angle).
//   METR4  Multiplier   multiplier of the angle; the product is taken round to 0..360°
//   METR5  DropTurns    1: drop the full turns first, so the angle lies in 0..360°; any other value
//                       keeps them
void ScorePlanetPairMetric(KindContext& ctx);

}  // namespace sd::eval
