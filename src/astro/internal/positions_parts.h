#pragma once
// The steps behind positions.h, for positions.cpp and for the tests that check each step alone:
// the series of each body, the Keplerian outer planets, and the reduction from heliocentric
// vectors to apparent places. Only positions.cpp and the tests of these steps include it.
#include "astro/positions.h"

namespace sd::astro {

// A position in polar form: longitude, latitude (degrees), distance (AU or Earth radii).
struct PolarTriple {
  double Lon = NoValue;
  double Lat = NoValue;
  double Dist = NoValue;
};

// Bodies of the geocentric reduction.
enum ReductionBody : int {
  kBodySun = 0, kBodyMercury = 1, kBodyVenus = 2, kBodyEarth = 3, kBodyMars = 4,
  kBodyJupiter = 5, kBodySaturn = 6, kBodyUranus = 7, kBodyNeptune = 8, kBodyPluto = 9,
};
// Chart object 2..9 -> reduction body (1, 2, 4..9); -1 for any other object.
int ReductionBodyOfObject(int object);

// Geometric geocentric Sun (L, B in degrees, R in AU), mean ecliptic and equinox of date.
PolarTriple SunSeries(TtMoment e);
// Heliocentric planet (reduction body 1, 2, 4..9), mean ecliptic and equinox of date;
// all NoValue for any other body.
PolarTriple PlanetSeries(int body, TtMoment e);
// Moon: longitude, latitude (mean equinox of date, without nutation) and distance in Earth
// radii.
PolarTriple MoonSeries(TtMoment e);
// Heliocentric Uranus (body 7) or Neptune (body 8) from the Keplerian elements with
// perturbations.
PolarTriple KeplerianOuterPlanet(int body, TtMoment e);

// Reduction modes.
enum ReductionMode : int { kGeometric = 0, kAstrometric = 1, kApparent = 2 };

// Rectangular ecliptic vector.
struct Vec3 {
  double x = 0, y = 0, z = 0;
};

// Geocentric ecliptic vector (AU) of `body` from its heliocentric triple and the Earth's
// heliocentric triple, with light time (mode 1) or light time and aberration (mode 2).
Vec3 Geocentric(int body, int mode, const PolarTriple& earth, const PolarTriple& planet,
                TtMoment e);

// Apparent equatorial and ecliptic coordinates of a geocentric ecliptic vector (mean equinox
// of date) at ephemeris moment e.
struct ApparentPlace {
  double Longitude = NoValue;
  double Latitude = NoValue;
  double RightAscension = NoValue;
  double Declination = NoValue;
  double Distance = NoValue;
};
ApparentPlace ApparentFromEcliptic(const Vec3& geocentric, TtMoment e);

}  // namespace sd::astro
