#pragma once
// Interceptions and crowds within one chart, on the longitude rows of rulership_factors.h.
// Events of kinds 18 and 23 score through these.
#include "astro/object_set.h"
#include "eval/event_frame.h"
#include "eval/rulership_factors.h"

namespace sd::eval {

// Whether longitude x stands in a sign that neither cusp bounding its house lies in, the
// houses taken from `houses`. False when x is absent or any cusp is.
bool InSignInterceptedInItsHouse(RowView houses, double x);

// How many members (0..39) of `objects` have a present value strictly less than width / 2
// from centre.
int CountNearCentre(RowView values, const astro::ObjectSet& objects, double centre, double width);
// The first centre among 0.0, 0.1, .. 359.9 degrees around which at least `minimum` members
// crowd, or NoValue when none does.
double FirstCrowdedCentre(RowView values, const astro::ObjectSet& objects, int minimum, double width);

// The event level: the candidate loops inside the frame of event_frame.h.

// Kind 18: 1 when the object stands in an intercepted sign, or a wanted house holds one. Model
// guide (docs/model-format.md): "Interceptions and clusters (kinds 18, 23)". Reads, by file key
// and field:
//   IPL4 Mode        mode: 0 one object, 1 a set of houses; anything else never scores
//   IPL5 Houses      mode 1: the houses 1..12 to look in
//   IPL1 ObjectChart mode 0: chart of the object
//   IPL2 Object      mode 0: the object
//   IPL3 HouseChart  chart of the houses (both modes)
void ScoreInterception(KindContext& ctx);

// Kind 23: 1 when enough objects crowd into the sector. Model guide (docs/model-format.md):
// "Interceptions and clusters (kinds 18, 23)". Reads, by file key and field:
//   IS1 Chart        chart
//   IS2 Harmonic     harmonic: positions are multiplied by it first. Write IS2=1 for plain
//                    longitudes: 0 puts every object on 0°.
//   IS3 Objects      objects that count (0..39)
//   IS4 Count        how many of them must crowd together (0 always scores)
//   IS5 Width        width of the sector in degrees
//   IS6 Centre       centre of the sector in degrees; IS6=1e10 searches the whole circle
//   IS7 Heliocentric 0 geocentric longitudes; 1 heliocentric longitudes of the Sun (standing for
//                    the Earth) and Mercury..Pluto, never the Moon; anything else never scores
void ScoreCluster(KindContext& ctx);

}  // namespace sd::eval
