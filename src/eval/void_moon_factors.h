#pragma once
// The void-of-course Moon (kind 15): the Moon completes none of the wanted aspects before it
// leaves its sign, judged by extrapolating the Moon and every aspect point linearly from their
// longitudes at t and t + step.
#include "astro/object_set.h"
#include "eval/event_frame.h"

namespace sd::eval {

// Whether the Moon (m0 at t, m1 at t + step) reaches the aspect point (p0, p1) before it leaves
// its present sign. The point must lie within 30 degrees of the Moon, the meeting (by linear
// extrapolation of their separation) must not lie in the past, the Moon must still be in its
// sign there, and the point's degree within its sign must not be below the Moon's.
bool WillPerfect(double p0, double p1, double m0, double m1);

// Longitudes of one object at t and t + step.
struct LongitudePair {
  double now;
  double next;
};

// The Moon is void of course: it moves at most 30 degrees over the step and perfects none of the
// points of the wanted aspects (conjunction: the object itself; opposition: 180 degrees on;
// every other aspect of the table up to the defined count except the antiscia and the parallels:
// both sides) of the wanted objects 0..39 other than itself. `objects[n]` gives the longitudes
// of object n; an object without a longitude offers no point.
bool MoonIsVoid(const LongitudePair& moon, const LongitudePair objects[40], const astro::ObjectSet& wanted,
                const astro::ObjectSet& aspects);

// The event level: the candidate loops inside the frame of event_frame.h.

// Kind 15: 1 when the Moon completes none of the wanted aspects before it leaves its sign. Model
// guide (docs/model-format.md): "Void-of-course Moon (kind 15)". Reads, by file key and field:
//   VC0 Chart    chart: 0 natal, 1 transit; any other value never scores
//   VC1 Aspected objects the Moon may aspect; the Moon itself is left out
//   VC2 Aspects  aspect numbers (the table under Aspects); 19, 20, 22, 23 and numbers above 24
//                offer no point
void ScoreVoidOfCourseMoon(KindContext& ctx);

}  // namespace sd::eval
