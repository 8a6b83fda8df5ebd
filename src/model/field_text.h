#pragma once
// Fields of an event that the model file writes as text (qualifier, price level, user wave),
// the object renumbering between the older 60-object numbering and the current one, and the
// values of a user wave.
#include <string>
#include <string_view>

#include "astro/object_set.h"
#include "model/event_def.h"

namespace sd::model {

// The object number n (0..255) in the current numbering. Mode 1 converts from the older
// numbering of 60 objects: 0..14 stay, 15..34 have no counterpart, 35..59 become 15..39, and
// anything from 60 up lies outside that numbering. Every other mode leaves numbers unchanged.
// kUnmapped (255) marks a number without counterpart.
uint8_t RenumberObject(int n, int mode);

// Rebuilds a set through RenumberObject: members 0..200 are converted, results of 255 or above
// 207 are dropped; members 201..207 never survive, in any mode.
astro::ObjectSet RenumberSet(const astro::ObjectSet& s, int mode);

// Bit n of the byte for each member n of 0..count-1.
uint8_t MaskOf(const astro::ObjectSet& s, int count);

// Qualifier from its text of "*N," tokens (cut to 255 characters); empty text: all zero.
Qualifier ParseQualifier(std::string_view text);

// Price level from words separated by ';' (runs of separators count as one):
// byte (0), real (1.0, comma accepted as decimal point), int (1), int (2).
PriceLevel ParsePriceLevel(std::string_view text);

// User wave from words separated by 0x01; each of the twelve components is three reals
// separated by 0x02.
UserWave ParseUserWave(std::string_view text);
// The text of the wave a model gets when its "UWAVE" key is missing.
const std::string& DefaultUserWaveText();

// Sum over the components of a·sin(x·z) + b·cos(x·z), x in degrees, argument in degrees.
double WaveAtAngle(const UserWave& w, double x_deg);
// The same with the argument 360·z·days/P reduced into [0, 360), where days is the span t
// (in ChartMoment units, Julian centuries) in days and P the wave's base period in days.
double WaveAtSpan(const UserWave& w, double t);

}  // namespace sd::model
