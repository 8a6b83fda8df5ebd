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

// The event level of kind 16: the candidate loop inside the frame of event_frame.h.
void ScoreKind16(KindContext& ctx);

}  // namespace sd::eval
