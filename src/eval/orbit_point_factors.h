#pragma once
// The fixed points of the heliocentric orbits of Mercury..Pluto and the orbit point test of
// kind 9 events.
#include "astro/chart_data.h"
#include "eval/event_frame.h"

namespace sd::eval {

enum OrbitPoint : int {
  kPerihelion = 0,
  kAphelion = 1,
  kAscendingNode = 2,
  kDescendingNode = 3,
  kOrbitPointCount = 4,
};

// Heliocentric ecliptic longitude, degrees in [0, 360), of orbit point `point` of planet 2..9
// at moment t (Julian centuries from 1900 January 0.5). The points drift linearly in the
// centuries from 1950 January 0.5. NoValue for any other planet or point, or a moment of
// NoValue.
double OrbitPointLongitude(int planet, int point, astro::ChartMoment t);

// Whether a planet at heliocentric longitude `now` (and `next` one step later) meets the orbit
// point at longitude p: with orb > 0, closer than orb (strictly); with orb 0, p lies on the
// shorter arc from now to next, ends included; a negative orb never meets. Any NoValue input
// never meets.
bool MeetsOrbitPoint(double now, double next, double p, double orb);

// The event level: the candidate loops inside the frame of event_frame.h.

// Kind 9: each planet at one of the wanted points of its own orbit adds 1. Model guide
// (docs/model-format.md): "Orbit points (kind 9)". Reads, by file key and field:
//   O1 Chart   chart: 0 natal, 1 transit
//   O2 Planets planets; only Mercury to Pluto (2..9) have orbit points, other objects never score
//   O3 Points  points: 0 perihelion, 1 aphelion, 2 ascending node, 3 descending node; other numbers
//              score nothing
//   O4 Orb     orb in degrees, strictly within; 0 asks for a crossing instead; a negative orb never
//              scores
void ScoreOrbitPoints(KindContext& ctx);

}  // namespace sd::eval
