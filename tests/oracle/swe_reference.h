#pragma once
// Swiss Ephemeris as the reference of the oracle tests: built-in Moshier ephemeris, no files.
// Every call is handed an ephemeris-time Julian day, so that both sides see the same instant
// whatever their Delta T.
#include <swephexp.h>

#include <array>
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "astro/time_scales.h"

namespace sd::oracle {

// Julian day (TT) of a chart moment, through this system's Delta T.
inline double EphemerisJd(astro::ChartMoment t) {
  return astro::EphemerisMoment(t).Centuries * 36525.0 + 2415020.0;
}

// Frames asked of the reference.
inline constexpr int kApparentFlags = SEFLG_MOSEPH;  // light time, aberration, deflection, nutation
inline constexpr int kApparentEquatorialFlags = SEFLG_MOSEPH | SEFLG_EQUATORIAL;
// Geometric, mean ecliptic and equinox of date: the frame of the series themselves.
inline constexpr int kMeanOfDateFlags =
    SEFLG_MOSEPH | SEFLG_TRUEPOS | SEFLG_NOABERR | SEFLG_NOGDEFL | SEFLG_NONUT;
inline constexpr int kHelioMeanOfDateFlags = kMeanOfDateFlags | SEFLG_HELCTR;

// Longitude, latitude (degrees), distance (AU) and their speeds; fails the test on an error
// or when the reference falls back to another ephemeris.
inline std::array<double, 6> SweAt(double jd_et, int body, int flags) {
  std::array<double, 6> x{};
  char err[AS_MAXCH] = {};
  const int got = swe_calc(jd_et, body, flags, x.data(), err);
  EXPECT_GE(got, 0) << "swe_calc(" << jd_et << ", " << body << "): " << err;
  EXPECT_EQ(got & SEFLG_MOSEPH, SEFLG_MOSEPH) << "reference left the Moshier ephemeris: " << err;
  return x;
}

// Swiss Ephemeris body number of chart objects 0..9.
inline int SweBodyOfObject(int object) {
  static constexpr int kMap[10] = {SE_SUN,     SE_MOON,   SE_MERCURY, SE_VENUS,   SE_MARS,
                                   SE_JUPITER, SE_SATURN, SE_URANUS,  SE_NEPTUNE, SE_PLUTO};
  return kMap[object];
}

// a - b for longitudes, in (-180, 180].
inline double LongitudeDifference(double a, double b) {
  double d = std::fmod(a - b, 360.0);
  if (d > 180.0) d -= 360.0;
  if (d <= -180.0) d += 360.0;
  return d;
}

}  // namespace sd::oracle
