#pragma once
// Positions of the Sun, the Moon and the planets Mercury..Pluto at one moment.
//
// Theories of motion: the truncated perturbation series of Montenbruck & Pfleger
// (Astronomy on the Personal Computer) for the Sun, the planets and the Moon; for Uranus and
// Neptune before 1600 (E < -3) the Keplerian elements with perturbations of Meeus
// (Astronomical Formulae for Calculators) give the geocentric longitude.
//
// Every routine takes the chart's universal moment T (ChartMoment) and evaluates the series
// at the ephemeris moment E = EphemerisMoment(T); the series' own time argument is
// TJ = E - 1, Julian centuries of ephemeris time from J2000.
//
// Chain of a planet: heliocentric series (mean ecliptic and equinox of date)
//   -> geocentric vector with light time and aberration (velocity approximations)
//   -> equatorial with the mean obliquity -> nutation applied in equatorial coordinates
//   -> right ascension, declination, distance
//   -> ecliptic of date with the true obliquity (TrueObliquity(E)).
//
// Units: degrees for angles, astronomical units for distances (the Moon's too).
// A value that cannot be computed (T not finite, |T| beyond kMaxAbsMoment, a NoValue moment)
// is NoValue; nothing here throws, loops without bound or keeps state between calls.
#include <string>
#include <vector>

#include <cmath>

#include "astro/moment.h"

namespace sd::astro {

// Moments farther than this many centuries from 1900 are refused (every field NoValue): there
// the arguments of the series lose their precision. The series keep every orbit plausible from
// about 1300 BC to AD 6400 only; between that and this limit they run on, ever less true.
inline constexpr double kMaxAbsMoment = 1000.0;
// True for a moment the theories take: a finite value within kMaxAbsMoment of 1900.
inline bool UsableMoment(ChartMoment t) {
  return IsKnown(t) && std::fabs(t.Centuries) <= kMaxAbsMoment;
}

// SunPosition's results. Fields not computed hold NoValue.
struct SunResult {
  ChartMoment Moment = kNoMoment;  // the universal moment it was computed for
  // Apparent place: light time, aberration and nutation applied.
  double Longitude = NoValue;      // ecliptic of date, [0, 360)
  double Latitude = NoValue;
  double RightAscension = NoValue; // [0, 360)
  double Declination = NoValue;
  double Distance = NoValue;       // Earth-Sun distance, AU
  // Geometric geocentric triple of the solar series (mean ecliptic and equinox of date).
  double GeoLongitude = NoValue;   // [0, 360)
  double GeoLatitude = NoValue;
  double GeoDistance = NoValue;    // AU
  // The Earth seen from the Sun: longitude = GeoLongitude, latitude = -GeoLatitude
  // (the chart replaces the longitude by Longitude + 180).
  double EarthHelioLongitude = NoValue;
  double EarthHelioLatitude = NoValue;

  bool Valid() const { return IsValue(Longitude); }
};

// The Moon's mean apogee at ephemeris moment e, [0, 360):
// L' - M' + 180 of Meeus, Astronomical Formulae for Calculators, "Position of the Moon" (the
// Moon's mean longitude less its mean anomaly is the mean perigee). The linear formula leaves out
// the quadratic term, 0.0103 degrees a century squared.
double MeanLunarApogee(TtMoment e);

// Mean longitude of the Moon's ascending node at universal moment t, degrees, not reduced:
// Meeus, Astronomical Algorithms (1991), "Position of the Moon", in Julian centuries from J2000.0,
// counted here from the universal moment and from this system's own epoch 1.0000000127 (40
// seconds after J2000.0). The chart's node; the nutation term of the obliquity keeps its own
// (obliquity.cpp says why).
double MeanLunarNode(ChartMoment t);

// MoonPosition's results.
struct MoonResult {
  ChartMoment Moment = kNoMoment;
  double Longitude = NoValue;      // apparent, ecliptic of date, [0, 360)
  double Latitude = NoValue;
  double Distance = NoValue;       // AU (about 0.00257)
  double RightAscension = NoValue;
  double Declination = NoValue;

  bool Valid() const { return IsValue(Longitude); }
};

// PlanetPosition's results.
struct PlanetResult {
  ChartMoment Moment = kNoMoment;
  // Heliocentric, mean ecliptic and equinox of date, geometric.
  double HelioLongitude = NoValue; // [0, 360)
  double HelioLatitude = NoValue;
  double RadiusVector = NoValue;   // AU
  // Apparent geocentric place.
  double Longitude = NoValue;      // ecliptic of date, [0, 360)
  double Latitude = NoValue;
  double Distance = NoValue;       // AU
  double RightAscension = NoValue;
  double Declination = NoValue;

  bool Valid() const { return IsValue(Longitude); }
};

// The Sun at universal moment t.
SunResult SunPosition(ChartMoment t);

// The Moon at universal moment t.
MoonResult MoonPosition(ChartMoment t);

// Chart object n = 2..9 (Mercury..Pluto) at universal moment t.
// `sun` must be SunPosition(t) of the same moment: it supplies the Earth's position (and, for
// Uranus and Neptune before 1600, the Sun's apparent longitude and distance). A Sun of another
// moment gives the planet as seen from where the Earth was then; an invalid Sun or an object
// number outside 2..9 gives a result of NoValue throughout.
PlanetResult PlanetPosition(int n, ChartMoment t, const SunResult& sun);

// The bodies whose series is used outside the years it was fitted to at moment t, each as a
// sentence a user can read ("Pluto's positions come from a series fitted to 1890-2100; ..."),
// the same words whatever the moment, so that callers can say it once. Empty where
// every series holds. Positions are still given there: the programs say so, they do not refuse.
std::vector<std::string> SeriesRangeWarnings(ChartMoment t);

}  // namespace sd::astro
