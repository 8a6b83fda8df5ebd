#pragma once
#include "eval/event_frame.h"
// Formula point factors (kind 16): a sensitive point built as a weighted sum of up to four object
// positions plus a constant (Ascendant + Moon - Sun, means, thirds), scored by the aspects other
// objects make to it.
#include <cstdint>

namespace sd::eval {

inline constexpr int kFormulaTerms = 4;

// The coefficient of a code of the formula: 0 gives 1, 1 gives -1, 2 gives 0, 3 gives 1/2,
// 4 gives -1/2, 5 gives 1/3, 6 gives -1/3. Any other code gives 0: the term is left out.
double FormulaCoefficient(int code);

// True for the coordinates a formula point can be built in: 0 longitude, 1 right ascension,
// 2 heliocentric longitude (circular), 4 latitude, 5 declination (plain numbers).
bool FormulaCoordinate(int coordinate);

// The point: the sum of coefficient(codes[m]) x positions[m] plus the constant, reduced into
// [0, 360) for the circular coordinates and left as it is for latitude and declination. A term
// whose coefficient is 0 is not read, so its object need not be known. NoValue when a term that
// counts has no position, or the coordinate cannot carry a point.
double FormulaPoint(int coordinate, const double (&positions)[kFormulaTerms],
                    const uint8_t (&codes)[kFormulaTerms], double constant);

// The event level: the candidate loops inside the frame of event_frame.h.

// Kind 16: each aspect of an object to the formula's point adds its strength. Model guide
// (docs/model-format.md): "Formula points (kind 16)". Reads, by file key and field:
//   PT1   Object1    the four objects of the formula
//   PT2   Object2    the four objects of the formula
//   PT3   Object3    the four objects of the formula
//   PT35  Object4    the four objects of the formula
//   PT4   Code1      their coefficient codes: 0 +1, 1 −1, 2 0 (term left out), 3 +½, 4 −½, 5 +⅓, 6
//                    −⅓
//   PT5   Code2      their coefficient codes: 0 +1, 1 −1, 2 0 (term left out), 3 +½, 4 −½, 5 +⅓, 6
//                    −⅓
//   PT6   Code3      their coefficient codes: 0 +1, 1 −1, 2 0 (term left out), 3 +½, 4 −½, 5 +⅓, 6
//                    −⅓
//   PT65  Code4      their coefficient codes: 0 +1, 1 −1, 2 0 (term left out), 3 +½, 4 −½, 5 +⅓, 6
//                    −⅓
//   PT100 Constant   constant in degrees added to the sum
//   PT7   Aspects    aspect numbers (as kind 2)
//   PT8   Aspecting  objects aspecting the point; required (an empty PT8 rejects the event)
//   PT9   Charts     charts: 0 point transit, objects natal; 1 point natal, objects transit; 2 both
//                    transit; 3 both natal
//   PT10  Orb        orb in degrees
//   PT11  Harmonic   harmonic: point and objects are multiplied by it; write PT11=1 for plain
//                    positions
//   PT12  Coordinate coordinate: 0 longitude, 1 right ascension, 2 heliocentric longitude, 4
//                    latitude, 5 declination; any other scores nothing
void ScoreFormulaPoint(KindContext& ctx);

}  // namespace sd::eval
