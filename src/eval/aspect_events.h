#pragma once
// Aspect events: the object loops of kind 2 and the positions each pair is measured in;
// the position tests themselves are in aspect_factor.h.
#include "eval/event_frame.h"

namespace sd::eval {

// The event level: the candidate loops inside the frame of event_frame.h.

// Kind 2: each aspect in orb between a first and a second object adds its strength, (cos(180 orb /
// limit) + 1) / 2. Model guide (docs/model-format.md): "Aspects (kind 2)". Reads, by file key and
// field:
//   A0  FirstChart      chart of the first objects: 0 natal, 1 transit
//   A1  First           first objects (0..39)
//   A11 FirstQualifier  condition on each first object
//   A2  Aspects         aspect numbers (below)
//   A3  SecondChart     chart of the second objects
//   A4  Second          second objects
//   A44 SecondQualifier condition on each second object
//   A5  Phases          phase filter: 0 applying only, 1 separating only, both or empty: either
//   A6  Orb             orb limit in degrees
//   V7  Coordinate      coordinate: 0 longitude, 1 right ascension, 2 heliocentric longitude, 3
//                       longitude and latitude together (conjunction and opposition measured on the
//                       sphere), 4 latitude, 5 declination, 6 heliocentric latitude, 7 phase angle,
//                       8 mundane position, 13 longitude of equal declination. 1, 3, 4, 6, 7, 8 and
//                       13 (projected) exist for the Sun..Pluto only.
//   A8  Side            side: 0 any; 1 the first object ahead of (or level with) the second; 2 the
//                       second ahead. Not applied to conjunctions and oppositions.
//   A9  Harmonic        harmonic: positions are multiplied by it first (A9=4 turns squares into
//                       conjunctions)
//   A55 MeanMotion      1: judge motion from the mean daily motions of the objects instead of the
//                       neighbouring grid moments
void ScoreAspects(KindContext& ctx);

}  // namespace sd::eval
