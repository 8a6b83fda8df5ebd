#pragma once
// House cusps and house membership.
//
// Twelve house systems divide the ecliptic for one moment and place. Every cusp is an ecliptic
// longitude of date in degrees; cusp 1 is the Ascendant, cusp 10 the Midheaven. The sidereal
// time behind them is the mean sidereal time of LocalSiderealHours (sidereal_time.h), the obliquity
// the true obliquity of date; both are taken at the universal moment T.
//
// Quadrant systems (0..4) are undefined or degenerate inside the polar circles; there the
// computation switches to the twelve East Points (system 9). This program runs as a server
// with nobody to ask, so the replacement chooser always answers 9 and the polar mode is fixed
// to "use system 9 for this computation": no process-wide setting ever changes.
#include "astro/chart_data.h"

namespace sd::astro {

enum HouseSystemNumber : int {
  kTopocentricHouses = 0,
  kPlacidus = 1,
  kRegiomontanus = 2,
  kCampanus = 3,
  kKoch = 4,
  kEqualFromAscendant = 5,
  kEqualFromMidheaven = 6,
  kSolarHouses = 7,
  kEastPointHouses = 8,
  kTwelveEastPoints = 9,
  kMorinus = 10,
  kWholeSign = 11,
  kHouseSystemCount = 12,
};

// The system every chart uses. A constant of the build.
inline constexpr int HouseSystem = kPlacidus;
// |latitude| beyond this, compared in the stored D.MMSS form, is polar (66.0001 is, 66.0 is not).
inline constexpr double PolarLimit = 66.0;
// 0: ask the chooser for a replacement system; 1: use system 9 for the one computation.
inline constexpr int PolarMode = 1;
// 0: a longitude is in the house whose cusp arc holds it; 1: in the house whose cusp shares
// its sign.
inline constexpr int HouseMembershipMode = 0;

// The name the program shows for a system, or "" outside 0..11.
const char* HouseSystemName(int system);

// The polar replacement chooser. With no operator to ask, it answers system 9 at once (the
// one that needs no latitude), which is also what polar mode 1 does.
int ChooseHouseSystem();

// The system actually used for a stored (D.MMSS) latitude: `system` itself, or 9 when the
// place is polar and `system` is a quadrant system.
int EffectiveHouseSystem(int system, double stored_latitude);

// Cusps 1..12 of the chart's house system (with the polar fallback) into cusps[0..11], in
// degrees, not reduced into [0, 360). lat, lon: geographic latitude and east longitude in
// decimal degrees; t: universal moment. Systems 7, 8 and 9 also read the chart: the Sun's
// Longitude (7) and the event block's local clock (8, 9); the polar test reads the event's
// stored latitude.
// Input that cannot give a house circle (t not a finite moment within the range of the
// theories, latitude not finite or beyond +-90, longitude not finite, a Sun of NoValue for
// system 7) gives twelve NoValue cusps. Every search is bounded; a Placidus cusp whose search
// finds no solution is NoValue.
void ComputeCusps(const ChartData& chart, double cusps[12], double lat, double lon,
                  ChartMoment t);
// The same with a given system (tests and tools); a number outside 0..11 leaves cusps as
// they are. The polar fallback applies.
void ComputeCuspsWith(int system, const ChartData& chart, double cusps[12], double lat,
                      double lon, ChartMoment t);

// House 1..12 holding longitude x (degrees) by the chart's cusps (objects 18..29), or 0 when
// any cusp is NoValue or x is not a finite value. Both ends of a house's arc belong to it and the
// houses are tried from 1 to 12, so a longitude exactly on cusp 1 is in house 1 and one exactly
// on cusp i of 2..12 in house i - 1, whose arc ends there.
int HouseOf(const ChartData& chart, double x);
// The same on a copied longitude row of kObjectCount entries (cusps at 18..29).
int HouseOfCusps(const double* longitude_row, double x);

}  // namespace sd::astro
