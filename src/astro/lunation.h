#pragma once
// New Moons, solar eclipses and mundane positions.
//
// New Moons start from the mean-lunation formula of Meeus (Astronomical Formulae for
// Calculators, lunation numbers k counted from 1900 January) and are refined on the apparent
// longitudes of positions.h. Eclipses are judged by the share of the Sun's disc the Moon
// covers as seen from places on the Earth. Every search has a fixed bound; what cannot be
// computed or is not found within the bound is NoValue.
#include "astro/moment.h"

namespace sd::astro {

// Eclipse search settings, constants of the build.
// Mode 1: at the New Moon moment, over a grid of places covering the globe.
// Mode 0: at the chart's place, over moments around the New Moon, with the Sun up.
inline constexpr int EclipseSearchMode = 1;
// Least share of the Sun's disc, per cent, that the Moon must cover.
inline constexpr double EclipsePercent = 50;

// Approximate universal moment of New Moon number k (lunation numbers as in LastNewMoon);
// `t` is the moment whose centuries enter the secular terms. The mean-lunation formula gives
// ephemeris time; DeltaT is taken off. kNoMoment for a non-finite input.
ChartMoment ApproximateNewMoon(double k, ChartMoment t);
// Lunation number of the first approximate New Moon at or before t: floor(t / year * 12.3685).
double LunationNumberAt(ChartMoment t);
// Moment near `approx` where the Moon's apparent longitude equals the Sun's, by two secant
// steps (over +-1 h, then +-12 min). kNoMoment when the positions cannot be computed.
ChartMoment RefineNewMoon(ChartMoment approx);

struct NewMoon {
  ChartMoment Moment = kNoMoment;
  double MoonLongitude = NoValue;
};
// The New Moon that precedes t, or one within two hours of t on either side (prenatal
// lunation). When no refined New Moon qualifies the moment is t itself.
NewMoon LastNewMoon(ChartMoment t);

// Where mode 0 looks from (decimal degrees, east and north positive).
struct EclipsePlace {
  double Lat = 0;
  double Lon = 0;
};

// Share (per cent, 0..100) of the Sun's disc covered by the Moon at separation `sep` of the
// centres, for solar radius r_sun and lunar radius r_moon (degrees). Lens of two discs of the
// Sun's size, so it stays a share of the Sun; 0 once the discs no longer overlap.
double CoveredPercent(double sep, double r_sun, double r_moon);

// True when at moment t some place of the grid (mode 1) or the chart's place at moments
// around t (mode 0) sees at least EclipsePercent of the Sun covered.
bool EclipseTest(ChartMoment t, int mode = EclipseSearchMode, const EclipsePlace& place = {});

struct EclipsePair {
  ChartMoment PrevMoment = kNoMoment;  // last solar eclipse at or before t
  double PrevMoonLongitude = NoValue;
  ChartMoment NextMoment = kNoMoment;  // first solar eclipse at or after t
  double NextMoonLongitude = NoValue;
};
// The solar eclipses around t: the lunations whose approximate New Moon passes EclipseTest,
// by their refined moments. Each walk tries a fixed number of lunations (201 back, 202
// forward in mode 1; 5001 and 5002 in mode 0); a walk that finds none leaves NoValue.
EclipsePair EclipseSearch(ChartMoment t, int mode = EclipseSearchMode,
                          const EclipsePlace& place = {});

// Mundane position (degrees, before reduction into [0, 360)) of a body at right ascension ra
// and declination decl, for RAMC ramc and geographic latitude lat. A body on the upper
// meridian is at 270; for a body on the celestial equator seen from the terrestrial equator
// the position is 270 minus the hour angle. NoValue when no position is found or an input is
// not finite.
double MundanePositionOf(double ramc, double lat, double ra, double decl);

}  // namespace sd::astro
