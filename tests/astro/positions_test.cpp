// Positions of the Sun, the Moon and the planets: input that cannot be computed, the
// explicit Sun, the switch of theories before 1600, and physical bounds over a millennium.
// (Accuracy against an independent ephemeris is the business of tests/oracle.)
#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "astro/calendar.h"
#include "astro/chart_data.h"
#include "astro/internal/positions_parts.h"
#include "astro/positions.h"
#include "astro/time_scales.h"

namespace sd::astro {
namespace {

constexpr double kArcsec = 1.0 / 3600.0;

double LonDiff(double a, double b) {
  double d = std::fmod(a - b, 360.0);
  if (d > 180.0) d -= 360.0;
  if (d <= -180.0) d += 360.0;
  return d;
}

// ---- what cannot be computed -------------------------------------------------------------

class UnusableMoment : public ::testing::TestWithParam<double> {};

TEST_P(UnusableMoment, GivesNoValueEverywhere) {
  const ChartMoment t{GetParam()};
  const SunResult s = SunPosition(t);
  for (double v : {s.Longitude, s.Latitude, s.RightAscension, s.Declination, s.Distance,
                   s.GeoLongitude, s.GeoLatitude, s.GeoDistance, s.EarthHelioLongitude,
                   s.EarthHelioLatitude})
    EXPECT_EQ(v, NoValue);
  EXPECT_FALSE(s.Valid());

  const MoonResult m = MoonPosition(t);
  for (double v : {m.Longitude, m.Latitude, m.Distance, m.RightAscension, m.Declination})
    EXPECT_EQ(v, NoValue);

  // Even with a good Sun of another moment the planet is not computed.
  const SunResult good_sun = SunPosition(ChartMoment(1.0));
  for (int n = kMercury; n <= kPluto; ++n) {
    const PlanetResult p = PlanetPosition(n, t, good_sun);
    for (double v : {p.HelioLongitude, p.HelioLatitude, p.RadiusVector, p.Longitude, p.Latitude,
                     p.Distance, p.RightAscension, p.Declination})
      EXPECT_EQ(v, NoValue) << "object " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Moments, UnusableMoment,
    ::testing::Values(std::numeric_limits<double>::quiet_NaN(),
                      std::numeric_limits<double>::infinity(),
                      -std::numeric_limits<double>::infinity(), NoValue, -NoValue, 1e300,
                      kMaxAbsMoment * 1.01, -kMaxAbsMoment * 1.01));

TEST(PlanetPosition, ObjectsOtherThanThePlanetsGiveNoValue) {
  const SunResult sun = SunPosition(ChartMoment(1.0));
  for (int n : {-1, int{kSun}, int{kMoon}, 10, int{kNorthNode}, 39, 1000}) {
    const PlanetResult p = PlanetPosition(n, ChartMoment(1.0), sun);
    EXPECT_EQ(p.Longitude, NoValue) << n;
    EXPECT_EQ(p.HelioLongitude, NoValue) << n;
    EXPECT_EQ(p.RightAscension, NoValue) << n;
  }
}

TEST(PlanetPosition, AnUncomputedSunGivesNoValue) {
  const SunResult never_computed;
  const SunResult unusable = SunPosition(ChartMoment(std::numeric_limits<double>::quiet_NaN()));
  for (const SunResult& sun : {never_computed, unusable}) {
    const PlanetResult p = PlanetPosition(kMars, ChartMoment(1.0), sun);
    EXPECT_EQ(p.Longitude, NoValue);
    EXPECT_EQ(p.Distance, NoValue);
    EXPECT_EQ(p.HelioLongitude, NoValue);
  }
}

TEST(SeriesBlocks, BodiesWithoutASeriesGiveNoValue) {
  for (int body : {int{kBodySun}, int{kBodyEarth}, -1, 10}) EXPECT_EQ(PlanetSeries(body, kJ2000).Lon, NoValue);
  for (int body : {kBodyMercury, kBodySaturn, kBodyPluto})
    EXPECT_EQ(KeplerianOuterPlanet(body, TtMoment(-5.0)).Lon, NoValue);
  EXPECT_EQ(ApparentFromEcliptic(Vec3{}, kJ2000).Longitude, NoValue);  // no direction at all
  EXPECT_EQ(ApparentFromEcliptic(Vec3{std::numeric_limits<double>::quiet_NaN(), 1, 0}, kJ2000).Longitude,
            NoValue);
}

// ---- the moment J2000 ------------------------------------------------------------------

// TJ = 0: every series argument is its constant term alone. The figures are those of an
// independent ephemeris (Swiss Ephemeris, Moshier mode) at JD 2451545.0 TT, geometric, mean
// ecliptic and equinox of date; the series hold them to their accuracy of a few arcseconds.
TEST(SeriesBlocks, ConstantTermsGiveTheJ2000Positions) {
  struct Case {
    const char* name;
    PolarTriple got;
    double lon, lat, dist, lon_tol_arcsec;
  };
  const Case cases[] = {
      {"Sun", SunSeries(kJ2000), 280.37783, 0.000232, 0.983328, 5},
      {"Mercury", PlanetSeries(kBodyMercury, kJ2000), 253.78292, -3.02277, 0.466471, 5},
      {"Mars", PlanetSeries(kBodyMars, kJ2000), 359.44730, -1.41967, 1.391207, 6},
      {"Jupiter", PlanetSeries(kBodyJupiter, kJ2000), 36.29453, -1.17457, 4.965386, 10},
      {"Neptune", PlanetSeries(kBodyNeptune, kJ2000), 303.92883, 0.24199, 30.120607, 40},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(LonDiff(c.got.Lon, c.lon), 0.0, c.lon_tol_arcsec * kArcsec) << c.name;
    EXPECT_NEAR(c.got.Lat, c.lat, 5 * kArcsec) << c.name;
    EXPECT_NEAR(c.got.Dist, c.dist, 1e-3 * c.dist) << c.name;
  }
  // The lunar theory against the same ephemeris (its place with light time and aberration,
  // without nutation; geometric distance 402446.9 km).
  const PolarTriple moon = MoonSeries(kJ2000);
  EXPECT_NEAR(LonDiff(moon.Lon, 223.31876), 0.0, 10 * kArcsec);
  EXPECT_NEAR(moon.Lat, 5.17095, 5 * kArcsec);
  EXPECT_NEAR(moon.Dist * 6378.14, 402446.9, 20.0);
}

TEST(MeanLunarApogee, OppositeTheMeanPerigeeOfJ2000) {
  // Mean lunar perigee 83.3532 at J2000 (ephemeris moment 1); the apogee is opposite.
  const double a = MeanLunarApogee(kJ2000);
  EXPECT_NEAR(LonDiff(a, 83.3532 + 180.0), 0.0, 0.015);
  for (double e : {-30.0, 1.0, 30.0}) {
    EXPECT_GE(MeanLunarApogee(TtMoment(e)), 0.0);
    EXPECT_LT(MeanLunarApogee(TtMoment(e)), 360.0);
  }
}

// ---- the Sun is an argument, not hidden state ------------------------------------------

TEST(PlanetPosition, UsesTheSunItIsGiven) {
  const ChartMoment t{1.2};
  const SunResult sun = SunPosition(t);
  const SunResult day_before = SunPosition(t - DayInCenturies);
  const PlanetResult mars = PlanetPosition(kMars, t, sun);
  // Planets computed with other Suns in between change nothing.
  PlanetPosition(kJupiter, t - 0.3, SunPosition(t - 0.3));
  const PlanetResult stale = PlanetPosition(kMars, t, day_before);
  const PlanetResult again = PlanetPosition(kMars, t, sun);
  EXPECT_EQ(again.Longitude, mars.Longitude);
  EXPECT_EQ(again.Distance, mars.Distance);
  // A Sun a day old puts the observer 2.6 million km back along the Earth's orbit: Mars is seen
  // from there (its heliocentric place is its own and stays).
  EXPECT_GT(std::fabs(LonDiff(stale.Longitude, mars.Longitude)), 0.05);
  EXPECT_EQ(stale.HelioLongitude, mars.HelioLongitude);
}

// ---- reduction ---------------------------------------------------------------------------

TEST(Geocentric, EarthIsAtTheOriginAndTheSunOpposite) {
  const PolarTriple earth{100.0, 0.0, 1.0};
  const Vec3 e = Geocentric(kBodyEarth, kApparent, earth, earth, kJ2000);
  EXPECT_EQ(e.x, 0.0);
  EXPECT_EQ(e.y, 0.0);
  EXPECT_EQ(e.z, 0.0);
  const Vec3 sun = Geocentric(kBodySun, kGeometric, earth, {}, kJ2000);
  EXPECT_NEAR(std::atan2(sun.y, sun.x) * kRadToDeg + 360.0, 280.0, 1e-12);
  EXPECT_NEAR(std::hypot(sun.x, sun.y), 1.0, 1e-15);
}

// The apparent Sun lags the geometric one by the aberration, 20.5" / R, and moves with the
// nutation in longitude, at most 19.6" either way: a reversed or missing aberration falls out
// of the band.
TEST(SunPosition, ApparentLagsGeometricByTheAberration) {
  for (double t : {-8.0, -3.3, 0.0, 0.5, 0.97, 1.0, 1.26, 2.9}) {
    const SunResult s = SunPosition(ChartMoment(t));
    const double lag = LonDiff(s.Longitude, s.GeoLongitude) * 3600.0;
    const double aberration = -20.496 / s.Distance;
    EXPECT_NEAR(lag, aberration, 19.6 + 0.5) << "T = " << t;
    EXPECT_EQ(s.EarthHelioLongitude, s.GeoLongitude);
    EXPECT_EQ(s.EarthHelioLatitude, -s.GeoLatitude);
  }
}

// Before 1600 Uranus' and Neptune's geocentric longitude comes from the elements, everything
// else from the series; after it the longitude is the series' as well.
TEST(PlanetPosition, ElementsGiveTheOuterLongitudesBefore1600) {
  struct Case {
    double year;
    bool elements;
  };
  for (const Case& c : {Case{1000.0, true}, Case{1599.5, true}, Case{1600.5, false}, Case{1900.0, false}}) {
    const ChartMoment t = MomentFromDate(static_cast<int>(c.year), 7, 1, 0.0);
    const TtMoment e = EphemerisMoment(t);
    const SunResult sun = SunPosition(t);
    for (int object : {kUranus, kNeptune}) {
      const int body = ReductionBodyOfObject(object);
      const PlanetResult p = PlanetPosition(object, t, sun);
      const PolarTriple series = PlanetSeries(body, e);
      const ApparentPlace from_series = ApparentFromEcliptic(
          Geocentric(body, kApparent, {sun.GeoLongitude + 180.0, -sun.GeoLatitude, sun.GeoDistance},
                     series, e),
          e);
      const std::string what = std::to_string(c.year) + " object " + std::to_string(object);
      EXPECT_EQ(p.RightAscension, from_series.RightAscension) << what;
      EXPECT_EQ(p.HelioLongitude, series.Lon) << what;
      const double diff = std::fabs(LonDiff(p.Longitude, from_series.Longitude));
      if (c.elements) {
        // Two theories: they differ, but by no more than their errors (arcminutes).
        EXPECT_GT(diff, 0.1 * kArcsec) << what;
        EXPECT_LT(diff, 15.0 / 60.0) << what;
      } else {
        EXPECT_LT(diff, 1e-9) << what;
      }
    }
  }
}

// ---- physical bounds over 1000-2200 ------------------------------------------------------

struct Bounds {
  int object;
  double min_dist, max_dist;  // geocentric, AU
  double max_abs_lat;         // geocentric, degrees
  double min_r, max_r;        // heliocentric, AU (planets)
};

// Orbit sizes over 1000-2200 (the Earth's orbit was a little more eccentric, the obliquity up
// to 23.57 degrees in 1000): perihelion and aphelion distances, closest and farthest approach,
// inclinations seen from the Earth (with small margins).
const Bounds kBounds[] = {
    {kSun, 0.9828, 1.0172, 0.001, 0, 0},
    {kMoon, 0.00238, 0.00272, 5.31, 0, 0},
    {kMercury, 0.54, 1.47, 5.0, 0.307, 0.467},
    {kVenus, 0.26, 1.74, 8.9, 0.718, 0.729},
    {kMars, 0.37, 2.68, 7.0, 1.381, 1.667},
    {kJupiter, 3.93, 6.46, 1.7, 4.94, 5.46},
    {kSaturn, 7.96, 11.10, 2.9, 8.96, 10.12},
    {kUranus, 17.25, 21.11, 0.85, 18.27, 20.11},
    {kNeptune, 28.78, 31.34, 1.95, 29.79, 30.34},
    {kPluto, 28.6, 50.4, 17.8, 29.6, 49.4},
};

TEST(Positions, StayWithinTheirOrbitsFrom1000To2200) {
  int checked = 0;
  for (double t = -9.0; t <= 3.0; t += 0.0123) {  // about every 16 months
    const SunResult sun = SunPosition(ChartMoment(t));
    const MoonResult moon = MoonPosition(ChartMoment(t));
    for (const Bounds& b : kBounds) {
      // Pluto's series holds for 1890-2100 only.
      if (b.object == kPluto && (t < -0.1 || t > 2.0)) continue;
      double lon, lat, ra, dec, dist;
      if (b.object == kSun) {
        lon = sun.Longitude, lat = sun.Latitude, ra = sun.RightAscension, dec = sun.Declination,
        dist = sun.Distance;
      } else if (b.object == kMoon) {
        lon = moon.Longitude, lat = moon.Latitude, ra = moon.RightAscension,
        dec = moon.Declination, dist = moon.Distance;
      } else {
        const PlanetResult p = PlanetPosition(b.object, ChartMoment(t), sun);
        lon = p.Longitude, lat = p.Latitude, ra = p.RightAscension, dec = p.Declination,
        dist = p.Distance;
        EXPECT_GE(p.RadiusVector, b.min_r) << b.object << " at T = " << t;
        EXPECT_LE(p.RadiusVector, b.max_r) << b.object << " at T = " << t;
        EXPECT_GE(p.HelioLongitude, 0.0);
        EXPECT_LT(p.HelioLongitude, 360.0);
      }
      const std::string what = "object " + std::to_string(b.object) + " at T = " + std::to_string(t);
      EXPECT_GE(lon, 0.0) << what;
      EXPECT_LT(lon, 360.0) << what;
      EXPECT_GE(ra, 0.0) << what;
      EXPECT_LT(ra, 360.0) << what;
      EXPECT_LE(std::fabs(lat), b.max_abs_lat) << what;
      EXPECT_LE(std::fabs(dec), 23.6 + b.max_abs_lat) << what;
      EXPECT_GE(dist, b.min_dist) << what;
      EXPECT_LE(dist, b.max_dist) << what;
      ++checked;
    }
  }
  EXPECT_GT(checked, 0);
}

}  // namespace
}  // namespace sd::astro
