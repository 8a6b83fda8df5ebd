#pragma once
// The position pieces of the sign, house, mutual-reception and midpoint factors: which sets an
// object's sign and house satisfy, which way an ingress goes, whether two objects receive each
// other, and the midpoint of a pair. The event loops (signs_factors.cpp) read the charts and
// hand the positions here.
#include "astro/object_set.h"
#include "eval/event_frame.h"

namespace sd::eval {

// Coordinates a position event may read ("P4"). The others read nothing.
inline constexpr int kPositionLongitude = 0;
inline constexpr int kPositionRightAscension = 1;
inline constexpr int kPositionHelioLongitude = 2;
inline constexpr int kPositionMundane = 8;
inline constexpr int kPositionSidereal = 10;

// Whether a position event may ask for houses in this coordinate: only longitudes (tropical or
// sidereal, the house always found from the tropical one) have houses; in ingress mode the
// mundane position too.
bool PositionHousesAllowed(int coordinate, bool ingress_mode);

// The four rules that join the sign and the house condition: with neither set given every
// object succeeds; with one set given its condition decides; with both, either one suffices.
bool SignOrHouseSucceeds(bool signs_given, bool sign_match, bool houses_given, bool house_match);

// +1 when the step from sign (or house) `from` to `to` goes forward round the circle of twelve,
// -1 when it goes back: the signed shortest difference 30 to - 30 from, with 180 counted as
// forward. So 12 -> 1 is forward and 1 -> 12 backward.
int IngressDirection(int from, int to);

// What one position event finds for one object: the sign (0 when no sign set is given) and the
// house (0 when none is asked or the cusps are unknown).
struct PlacementAt {
  int sign = 0;
  int house = 0;
};

// The ingress found over one step, in sign or house (the house wins when both change into a
// wanted one); direction 0 when there was none.
struct IngressFound {
  bool sign = false;
  bool house = false;
  int direction = 0;
};
// Sign and house at the two ends of the step; a change counts when it ends in a wanted member.
IngressFound FindIngress(const PlacementAt& now, const PlacementAt& next, const astro::ObjectSet& signs,
                         const astro::ObjectSet& houses);

// Direction filter of ingress mode: 0 admits any, 1 forward ingresses only, 2 backward only.
bool IngressDirectionAdmitted(int filter, int direction);

// True when b rules the sign of a's longitude and a rules the sign of b's (sign rulers: Mars
// Aries, Venus Taurus and Libra, Mercury Gemini and Virgo, Moon Cancer, Sun Leo, Pluto Scorpio,
// Jupiter Sagittarius, Saturn Capricorn, Uranus Aquarius, Neptune Pisces). False when either
// longitude is NoValue.
bool InMutualReception(int a, double lon_a, int b, double lon_b);

// Midpoint of x and y (degrees) on the shorter arc between them: (x + y) / 2, turned half a
// circle when it lies more than 90 degrees from y. 350 and 10 give 0; 0 and 180 give 90.
// NoValue when either is NoValue.
double NearerMidpoint(double x, double y);
// The nearer midpoint times the harmonic, reduced into [0, 360); harmonic 1 is the nearer
// midpoint itself.
double HarmonicMidpoint(double x, double y, int harmonic);

// The engine's harmonic-midpoint mode (a constant of the build): the pair's midpoint is taken
// first and then multiplied by the harmonic. Off, the two positions would be multiplied first
// and their nearer midpoint taken.
inline constexpr bool kHarmonicMidpointMode = true;

// The midpoint of a pair in a measured coordinate (the aspect factor's coordinate numbers,
// positions before the harmonic) under either harmonic-midpoint mode. Coordinates that measure
// nothing give 0.
double PairMidpoint(int coordinate, double x, double y, int harmonic, bool harmonic_midpoint_mode);

// The event level: the candidate loops inside the frame of event_frame.h.

// Kind 0: each object in one of the wanted signs or houses adds 1. Model guide (docs/model-
// format.md): "Positions in signs and houses (kind 0)". Reads, by file key and field:
//   P0 Chart            chart of the objects: 0 natal, 1 transit
//   P1 Objects          objects (0..39)
//   P2 Houses           wanted houses 1..12; empty: the house does not matter
//   P3 Signs            wanted signs 1 (Aries) .. 12 (Pisces); empty: the sign does not matter
//   P4 Coordinate       position: 0 longitude, 1 right ascension (Sun..Pluto), 2 heliocentric
//                       longitude, 8 mundane position (Sun..Pluto), 10 sidereal longitude. Other
//                       numbers read no position, and the event never scores.
//   P5 CuspChart        cusps of the houses: 0 natal, 1 transit
//   P6 IngressDirection with _CM=1: 0 any ingress, 1 forward ingresses only, 2 backward
//                       (retrograde) only
void ScoreSignsAndHouses(KindContext& ctx);

// Kind 19: 1 when the two objects receive each other by sign. Model guide (docs/model-format.md):
// "Mutual reception (kind 19)". Reads, by file key and field:
//   ZR1 Chart  chart: 0 natal, 1 transit
//   ZR2 First  the two objects
//   ZR3 Second the two objects
void ScoreMutualReception(KindContext& ctx);

// Kind 3: each third object in aspect to the midpoint of a pair adds its strength. Model guide
// (docs/model-format.md): "Midpoints (kind 3)". Reads, by file key and field:
//   M0 PairChart     chart of the pair: 0 natal, 1 transit
//   M1 FirstMembers  first and second members of the pair
//   M2 SecondMembers first and second members of the pair
//   M3 Aspects       aspect numbers (as for kind 2); 1 puts the third object on the midpoint, 5
//                    opposite it
//   M4 ThirdChart    chart of the third object
//   M5 Third         third objects
//   M6 Orb           orb in degrees, used as given (there is no 5° search as in kind 2)
//   M7 Coordinate    coordinate, as V7 of kind 2
//   M8 Harmonic      harmonic: the midpoint and the third object are both multiplied by it
void ScoreMidpoints(KindContext& ctx);

}  // namespace sd::eval
