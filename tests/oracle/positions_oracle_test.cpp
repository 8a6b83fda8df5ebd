// Positions of the Sun, the Moon and the planets against Swiss Ephemeris (Moshier mode).
//
// The truncated series are only good to arcseconds, so every comparison has a tolerance built
// from two parts, per body and quantity:
//  * the series' own error against this reference: the largest difference measured in a
//    separate validation of the coefficient tables (300 dates in 1800-2200, 50 in 1000-1800),
//    times a margin because a sample maximum is not a bound (1.4 for the dense sample, 2.0 for
//    the sparse one), carried through the geometry of the geocentric view;
//  * the differences of the reduction models: five-term nutation, the obliquity used to return
//    to the ecliptic, aberration from approximate velocities, light deflection (not modelled
//    here).
// An error beyond its tolerance is a fault to find (a slipped coefficient, a wrong sign),
// never a reason to widen the tolerance.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "astro/chart_data.h"
#include "astro/internal/positions_parts.h"
#include "astro/positions.h"
#include "astro/time_scales.h"
#include "swe_reference.h"

namespace sd {
namespace {

using oracle::LongitudeDifference;
using oracle::SweAt;

constexpr double kArcsecPerRad = 206264.806;
constexpr double kKmPerAu = 149597870.7;

// ---- moments ---------------------------------------------------------------------------

struct Era {
  const char* name;
  double from_year, to_year;
  int count;
  double margin;  // sample maximum -> bound
  int index;      // column of the error tables: 0 for 1800-2200, 1 for 1000-1800
};
const Era kModernEra = {"1800-2200", 1800, 2200, 210, 1.4, 0};
const Era kEarlyEra = {"1000-1800", 1000, 1800, 30, 2.0, 1};

// Moments spread through the era by the golden-ratio sequence: even coverage, no clustering,
// reproducible, and a fractional day that changes from one moment to the next.
std::vector<astro::ChartMoment> MomentsOf(const Era& era) {
  std::vector<astro::ChartMoment> out;
  for (int k = 0; k < era.count; ++k) {
    const double f = std::fmod(0.5 + k * 0.6180339887498949, 1.0);
    const double year = era.from_year + (era.to_year - era.from_year) * f;
    out.emplace_back((year - 1900.0) / 100.0);
  }
  return out;
}

double YearOf(astro::ChartMoment t) { return 1900.0 + 100.0 * t.Centuries; }
bool PlutoSeriesHolds(astro::ChartMoment t) { return YearOf(t) >= 1890.0 && YearOf(t) <= 2100.0; }
// The moments at which Uranus' and Neptune's geocentric longitude comes from the elements.
bool KeplerianEra(astro::ChartMoment t) { return astro::EphemerisMoment(t).Centuries < -3.0; }

// ---- error budgets ---------------------------------------------------------------------

// Largest differences of a theory against the reference in the validation of the tables:
// longitude and latitude in arcsec, radius in 1e-6 AU (the Moon's distance in km).
struct SeriesError {
  double lon, lat, rad;
};

struct BodyBudget {
  int object;
  const char* name;
  SeriesError max_error[2];  // 1800-2200, 1000-1800
  SeriesError rms_1800;      // rms over 1800-2200
  double max_dist;           // largest geocentric distance, AU
};

const BodyBudget kBudgets[] = {
    {astro::kSun, "Sun", {{3.5, 0.2, 2.4}, {9.6, 0.2, 3.5}}, {1.4, 0.1, 1.0}, 1.017},
    {astro::kMoon, "Moon", {{8.7, 2.3, 14.5}, {175.3, 6.5, 34.6}}, {2.8, 0.7, 10.3}, 0.0028},
    {astro::kMercury, "Mercury", {{2.9, 1.5, 2.3}, {10.4, 3.2, 5.5}}, {1.2, 0.8, 1.0}, 1.49},
    {astro::kVenus, "Venus", {{1.9, 2.3, 2.2}, {6.2, 22.4, 2.9}}, {0.6, 0.7, 0.9}, 1.75},
    {astro::kMars, "Mars", {{4.6, 0.8, 12.1}, {35.3, 11.8, 106.8}}, {1.1, 0.3, 5.1}, 2.68},
    {astro::kJupiter, "Jupiter", {{7.5, 1.3, 67.1}, {21.3, 10.8, 192.7}}, {2.0, 0.5, 22.1}, 6.47},
    {astro::kSaturn, "Saturn", {{9.1, 2.5, 105.1}, {60.5, 11.3, 780.9}}, {3.0, 0.8, 41.0}, 11.1},
    {astro::kUranus, "Uranus", {{8.6, 1.7, 230.1}, {334.0, 15.0, 4109.8}}, {3.9, 0.8, 118.5}, 21.1},
    {astro::kNeptune, "Neptune", {{38.4, 2.0, 873.9}, {405.3, 9.5, 10400.5}}, {17.0, 0.8, 466.5}, 31.4},
    // Pluto's series holds for 1890-2100 only: compared inside that interval, with the
    // validation figures of that interval.
    {astro::kPluto, "Pluto", {{14.0, 2.0, 709.2}, {0, 0, 0}}, {6.1, 0.9, 465.7}, 50.3},
};

// Uranus and Neptune from the elements (1000-1600 and 1000-1800 validations, the larger).
const SeriesError kKeplerianUranus = {97.0, 12.0, 2400.2};
const SeriesError kKeplerianNeptune = {152.8, 10.4, 1115.9};

// Reduction-model differences, arcsec.
constexpr double kNutationTruncation = 0.5;   // five terms against the full series
constexpr double kObliquityMismatch = 1.1;    // TrueObliquity against the nutated J2000 obliquity
constexpr double kVelocityApproximation = 0.5;  // aberration and light time from mean motions
constexpr double kSunModel = kNutationTruncation + kObliquityMismatch + kVelocityApproximation;
// The reference bends the light of a planet in the Sun's field, 0.00407"/tan(E/2) at
// elongation E (1.75" at the limb); this system does not.
double LightDeflection(double elongation_deg) {
  return std::min(1.75, 0.00407 / std::tan(elongation_deg * astro::kPi / 360.0));
}
// Elongation (degrees) of the direction (lon, lat) from the Sun's (sun_lon, sun_lat).
double Elongation(double lon, double lat, double sun_lon, double sun_lat) {
  const double c = std::sin(lat * astro::kDegToRad) * std::sin(sun_lat * astro::kDegToRad) +
                   std::cos(lat * astro::kDegToRad) * std::cos(sun_lat * astro::kDegToRad) *
                       std::cos((lon - sun_lon) * astro::kDegToRad);
  return std::acos(std::clamp(c, -1.0, 1.0)) * astro::kRadToDeg;
}
double PlanetModel(double elongation_deg) {
  return kNutationTruncation + kObliquityMismatch + kVelocityApproximation +
         LightDeflection(elongation_deg);
}
// The lunar series fit the place with light time and aberration best; the validation measured
// against the geometric one, 0.8" apart on average.
constexpr double kMoonModel = kNutationTruncation + kObliquityMismatch + 1.0;
// Before 1600 Uranus' and Neptune's longitude is seen from the Sun's apparent place without
// the planet's own nutation (up to 19"), aberration (20.5") and light time (5").
constexpr double kSimplifiedReduction = 44.5;
// Light time (0.00578 d/AU) times the Earth's greatest speed (0.01750 AU/d), in 1e-6 AU per AU
// of distance: the reduction moves the body by the aberration as well, the reference keeps the
// light-time distance |body(t - tau) - Earth(t)|.
constexpr double kAberrationDistancePerAu = 0.00578 * 0.01750 * 1e6;
// The approximate velocities of the reduction err in the radial light-time term by this much
// (1e-6 AU) at most.
constexpr double kVelocityDistance = 2.0;
// The Moon's Earth radius (4.26346e-5 AU) against the validation's 6378.14 km: 5 km at most.
constexpr double kMoonRadiusConstantKm = 5.0;

struct Tolerance {
  double lon, lat, dist, ra, dec;  // arcsec, arcsec, 1e-6 AU
};

// Equatorial coordinates inherit the ecliptic errors; near the solstices a longitude error
// grows by up to 1.2 in right ascension (more for the Moon's and Pluto's latitudes included).
void AddEquatorial(Tolerance& t) {
  t.ra = 1.2 * t.lon + 0.5 * t.lat;
  t.dec = 0.5 * t.lon + t.lat;
}

// The view of one moment: the body's radius vector r, its geocentric distance delta and the
// Earth-Sun distance big_r (AU). A heliocentric error of the planet is seen r/delta times
// larger from the Earth, one of the Earth (the solar series) big_r/delta times, and a radial
// error of either shifts the direction by at most its size over delta.
struct View {
  double r, delta, big_r;
  double elongation;  // degrees from the Sun
};

Tolerance SeriesToGeocentric(const SeriesError& p, const SeriesError& s, double m, const View& v,
                             double model) {
  const double radial = (p.rad + s.rad) * 1e-6 * kArcsecPerRad / v.delta;
  Tolerance t{};
  t.lon = m * (p.lon * v.r / v.delta + s.lon * v.big_r / v.delta + radial) + model;
  t.lat = m * (p.lat * v.r / v.delta + s.lat * v.big_r / v.delta + radial) + model;
  t.dist = m * (p.rad + s.rad + (p.lon * v.r + s.lon * v.big_r) / kArcsecPerRad * 1e6) +
           kAberrationDistancePerAu * v.delta + kVelocityDistance;
  AddEquatorial(t);
  return t;
}

Tolerance ApparentTolerance(const BodyBudget& b, const Era& era, const View& v) {
  const double m = era.margin;
  const SeriesError& p = b.max_error[era.index];
  const SeriesError& s = kBudgets[0].max_error[era.index];
  Tolerance t{};
  if (b.object == astro::kSun) {
    t = {m * s.lon + kSunModel, m * s.lat + kSunModel, m * s.rad + 1.0, 0, 0};
  } else if (b.object == astro::kMoon) {
    t = {m * p.lon + kMoonModel, m * p.lat + kMoonModel,
         (m * p.rad + kMoonRadiusConstantKm) / kKmPerAu * 1e6, 0, 0};
  } else {
    return SeriesToGeocentric(p, s, m, v, PlanetModel(v.elongation));
  }
  AddEquatorial(t);
  return t;
}

double KeplerianLongitudeTolerance(int object, const Era& era, const View& v) {
  const SeriesError& k = object == astro::kUranus ? kKeplerianUranus : kKeplerianNeptune;
  const SeriesError& s = kBudgets[0].max_error[era.index];
  return SeriesToGeocentric(k, s, era.margin, v, PlanetModel(v.elongation) + kSimplifiedReduction)
      .lon;
}

// ---- bookkeeping of the worst differences ----------------------------------------------

// Each difference is judged against the tolerance of its own moment; the record keeps the
// largest difference and the one that came closest to (or beyond) its tolerance.
struct Worst {
  double value = 0;        // largest |difference|
  double ratio = 0;        // largest |difference| / tolerance
  double ratio_tol = 0;
  double ratio_year = 0;
  double ratio_value = 0;
  int count = 0;
  double sum_sq = 0;
  void Add(double diff, astro::ChartMoment t, double tol) {
    const double a = std::fabs(diff);
    ++count;
    sum_sq += diff * diff;
    value = std::max(value, a);
    if (!(a / tol <= ratio)) {  // NaN differences land here too
      ratio = a / tol;
      ratio_tol = tol;
      ratio_year = YearOf(t);
      ratio_value = a;
    }
  }
  double Rms() const { return count ? std::sqrt(sum_sq / count) : 0; }
};

void ExpectWithin(const Worst& w, const std::string& what) {
  EXPECT_GT(w.count, 0) << what << ": nothing compared";
  EXPECT_LE(w.ratio, 1.0) << what << ": difference " << w.ratio_value << " near the year "
                          << w.ratio_year << " beyond its tolerance " << w.ratio_tol;
  std::printf("  %-36s worst %10.2f  closest %10.2f of %9.2f (year %7.1f, n=%d)\n",
              what.c_str(), w.value, w.ratio_value, w.ratio_tol, w.ratio_year, w.count);
}

std::string Label(const char* body, const char* qty, const Era& era) {
  return std::string(body) + " " + qty + " " + era.name;
}

class PositionsOracle : public ::testing::TestWithParam<Era> {};

void PrintTo(const Era& era, std::ostream* os) { *os << era.name; }

// The series themselves, in their own frame (geometric, mean ecliptic and equinox of date):
// the tolerance is the validated accuracy alone, so a slipped coefficient shows directly.
TEST_P(PositionsOracle, SeriesMatchReferenceInTheirOwnFrame) {
  const Era& era = GetParam();
  for (const BodyBudget& b : kBudgets) {
    if (b.object == astro::kPluto && era.index != 0) continue;
    const SeriesError& v = b.max_error[era.index];
    Worst lon, lat, rad;
    for (astro::ChartMoment t : MomentsOf(era)) {
      if (b.object == astro::kPluto && !PlutoSeriesHolds(t)) continue;
      const astro::TtMoment e = astro::EphemerisMoment(t);
      const double jd = oracle::EphemerisJd(t);
      astro::PolarTriple ours;
      std::array<double, 6> ref{};
      double rad_unit = 1e6;  // 1e-6 AU
      if (b.object == astro::kSun) {
        ours = SunSeries(e);
        ref = SweAt(jd, SE_SUN, oracle::kMeanOfDateFlags);
      } else if (b.object == astro::kMoon) {
        ours = MoonSeries(e);
        // Direction against the place with light time and aberration (no nutation: the
        // series are of the mean equinox); distance against the geometric one, in km.
        ref = SweAt(jd, SE_MOON, SEFLG_MOSEPH | SEFLG_NONUT);
        ref[2] = SweAt(jd, SE_MOON, oracle::kMeanOfDateFlags)[2] * kKmPerAu;
        ours.Dist *= 6378.14;
        rad_unit = 1.0;
      } else {
        ours = PlanetSeries(astro::ReductionBodyOfObject(b.object), e);
        ref = SweAt(jd, oracle::SweBodyOfObject(b.object), oracle::kHelioMeanOfDateFlags);
      }
      lon.Add(LongitudeDifference(ours.Lon, ref[0]) * 3600.0, t, era.margin * v.lon);
      lat.Add((ours.Lat - ref[1]) * 3600.0, t, era.margin * v.lat);
      rad.Add((ours.Dist - ref[2]) * rad_unit, t, era.margin * v.rad);
    }
    ExpectWithin(lon, Label(b.name, "series lon\"", era));
    ExpectWithin(lat, Label(b.name, "series lat\"", era));
    ExpectWithin(rad, Label(b.name, b.object == astro::kMoon ? "series dist km" : "series R 1e-6AU", era));
    if (era.index == 0) {
      // The rms is a steadier figure than the maximum: a term of a few arcseconds with a
      // wrong sign lifts it although the maximum may stay inside its margin.
      EXPECT_LE(lon.Rms(), 1.25 * b.rms_1800.lon + 0.2) << b.name << " rms longitude";
      EXPECT_LE(lat.Rms(), 1.25 * b.rms_1800.lat + 0.2) << b.name << " rms latitude";
      EXPECT_LE(rad.Rms(), 1.25 * b.rms_1800.rad + 1.0) << b.name << " rms radius";
    }
  }
}

// The elements of Uranus and Neptune, heliocentric, at the moments they are used.
TEST(PositionsOracleBefore1600, KeplerianUranusNeptuneMatchReference) {
  const Era& era = kEarlyEra;
  for (int object : {astro::kUranus, astro::kNeptune}) {
    const SeriesError& v = object == astro::kUranus ? kKeplerianUranus : kKeplerianNeptune;
    Worst lon, lat, rad;
    for (astro::ChartMoment t : MomentsOf(era)) {
      if (!KeplerianEra(t)) continue;
      const astro::PolarTriple ours =
          KeplerianOuterPlanet(astro::ReductionBodyOfObject(object), astro::EphemerisMoment(t));
      const auto ref = SweAt(oracle::EphemerisJd(t), oracle::SweBodyOfObject(object),
                             oracle::kHelioMeanOfDateFlags);
      lon.Add(LongitudeDifference(ours.Lon, ref[0]) * 3600.0, t, era.margin * v.lon);
      lat.Add((ours.Lat - ref[1]) * 3600.0, t, era.margin * v.lat);
      rad.Add((ours.Dist - ref[2]) * 1e6, t, era.margin * v.rad);
    }
    const char* name = object == astro::kUranus ? "Uranus elements" : "Neptune elements";
    ExpectWithin(lon, Label(name, "lon\"", era));
    ExpectWithin(lat, Label(name, "lat\"", era));
    ExpectWithin(rad, Label(name, "R 1e-6AU", era));
  }
}

// The reduction alone: the reference's own heliocentric places of planet and Earth go through
// light time, aberration, nutation and the rotations, so only the model differences remain.
TEST_P(PositionsOracle, ReductionOfReferencePlacesGivesReferenceApparentPlaces) {
  const Era& era = GetParam();
  for (const BodyBudget& b : kBudgets) {
    if (b.object == astro::kMoon) continue;  // the Moon does not pass through the reduction
    Worst lon, lat, dist, ra, dec;
    for (astro::ChartMoment t : MomentsOf(era)) {
      const astro::TtMoment e = astro::EphemerisMoment(t);
      const double jd = oracle::EphemerisJd(t);
      const auto earth = SweAt(jd, SE_EARTH, oracle::kHelioMeanOfDateFlags);
      const astro::PolarTriple earth_triple{earth[0], earth[1], earth[2]};
      astro::PolarTriple body_triple;
      int body = astro::kBodySun;
      if (b.object != astro::kSun) {
        const auto h = SweAt(jd, oracle::SweBodyOfObject(b.object), oracle::kHelioMeanOfDateFlags);
        body_triple = {h[0], h[1], h[2]};
        body = astro::ReductionBodyOfObject(b.object);
      }
      const astro::ApparentPlace ap = ApparentFromEcliptic(
          Geocentric(body, astro::kApparent, earth_triple, body_triple, e), e);
      const int swe_body = oracle::SweBodyOfObject(b.object);
      const auto ecl = SweAt(jd, swe_body, oracle::kApparentFlags);
      const auto equ = SweAt(jd, swe_body, oracle::kApparentEquatorialFlags);
      const auto sun = SweAt(jd, SE_SUN, oracle::kApparentFlags);
      const double model = b.object == astro::kSun
                               ? kSunModel
                               : PlanetModel(Elongation(ecl[0], ecl[1], sun[0], sun[1]));
      Tolerance tol{model, model, 0, 0, 0};
      AddEquatorial(tol);
      lon.Add(LongitudeDifference(ap.Longitude, ecl[0]) * 3600.0, t, tol.lon);
      lat.Add((ap.Latitude - ecl[1]) * 3600.0, t, tol.lat);
      dist.Add((ap.Distance - ecl[2]) * 1e6, t, kAberrationDistancePerAu * ecl[2] + kVelocityDistance);
      ra.Add(LongitudeDifference(ap.RightAscension, equ[0]) * 3600.0, t, tol.ra);
      dec.Add((ap.Declination - equ[1]) * 3600.0, t, tol.dec);
    }
    ExpectWithin(lon, Label(b.name, "reduced lon\"", era));
    ExpectWithin(lat, Label(b.name, "reduced lat\"", era));
    ExpectWithin(dist, Label(b.name, "reduced dist 1e-6AU", era));
    ExpectWithin(ra, Label(b.name, "reduced RA\"", era));
    ExpectWithin(dec, Label(b.name, "reduced dec\"", era));
  }
}

struct Apparent {
  double lon, lat, dist, ra, dec;
  View view;
};

Apparent OursAt(int object, astro::ChartMoment t) {
  const astro::SunResult sun = astro::SunPosition(t);
  if (object == astro::kSun)
    return {sun.Longitude, sun.Latitude, sun.Distance, sun.RightAscension, sun.Declination, {}};
  if (object == astro::kMoon) {
    const astro::MoonResult m = astro::MoonPosition(t);
    return {m.Longitude, m.Latitude, m.Distance, m.RightAscension, m.Declination, {}};
  }
  const astro::PlanetResult p = PlanetPosition(object, t, sun);
  return {p.Longitude, p.Latitude, p.Distance, p.RightAscension, p.Declination,
          {p.RadiusVector, p.Distance, sun.Distance,
           Elongation(p.Longitude, p.Latitude, sun.Longitude, sun.Latitude)}};
}

// The whole chain as the chart uses it: apparent places of every body.
TEST_P(PositionsOracle, ApparentPlacesOfAllBodies) {
  const Era& era = GetParam();
  for (const BodyBudget& b : kBudgets) {
    if (b.object == astro::kPluto && era.index != 0) continue;
    Worst lon, lat, dist, ra, dec;
    for (astro::ChartMoment t : MomentsOf(era)) {
      if (b.object == astro::kPluto && !PlutoSeriesHolds(t)) continue;
      // Uranus' and Neptune's longitude comes from the elements then; judged separately.
      if ((b.object == astro::kUranus || b.object == astro::kNeptune) && KeplerianEra(t)) continue;
      const double jd = oracle::EphemerisJd(t);
      const Apparent o = OursAt(b.object, t);
      const Tolerance tol = ApparentTolerance(b, era, o.view);
      const int swe_body = oracle::SweBodyOfObject(b.object);
      const auto ecl = SweAt(jd, swe_body, oracle::kApparentFlags);
      const auto equ = SweAt(jd, swe_body, oracle::kApparentEquatorialFlags);
      // The Moon's distance is geometric here; the reference's apparent one carries the
      // Earth's motion during the light time (up to 40 km).
      const double ref_dist =
          b.object == astro::kMoon ? SweAt(jd, SE_MOON, oracle::kMeanOfDateFlags)[2] : ecl[2];
      lon.Add(LongitudeDifference(o.lon, ecl[0]) * 3600.0, t, tol.lon);
      lat.Add((o.lat - ecl[1]) * 3600.0, t, tol.lat);
      dist.Add((o.dist - ref_dist) * 1e6, t, tol.dist);
      ra.Add(LongitudeDifference(o.ra, equ[0]) * 3600.0, t, tol.ra);
      dec.Add((o.dec - equ[1]) * 3600.0, t, tol.dec);
    }
    if (lon.count == 0) continue;  // Uranus and Neptune of an era before 1600 only
    ExpectWithin(lon, Label(b.name, "apparent lon\"", era));
    ExpectWithin(lat, Label(b.name, "apparent lat\"", era));
    ExpectWithin(dist, Label(b.name, "distance 1e-6AU", era));
    ExpectWithin(ra, Label(b.name, "RA\"", era));
    ExpectWithin(dec, Label(b.name, "dec\"", era));
  }
}

// Before 1600 the geocentric longitude of Uranus and Neptune comes from the elements while
// their other values stay with the series.
TEST(PositionsOracleBefore1600, UranusNeptuneTakeTheirLongitudeFromTheElements) {
  const Era& era = kEarlyEra;
  for (int object : {astro::kUranus, astro::kNeptune}) {
    const BodyBudget& b = kBudgets[object];
    Worst lon, ra, dec;
    for (astro::ChartMoment t : MomentsOf(era)) {
      if (!KeplerianEra(t)) continue;
      const double jd = oracle::EphemerisJd(t);
      const Apparent o = OursAt(object, t);
      const Tolerance series_tol = ApparentTolerance(b, era, o.view);
      const auto ecl = SweAt(jd, oracle::SweBodyOfObject(object), oracle::kApparentFlags);
      const auto equ =
          SweAt(jd, oracle::SweBodyOfObject(object), oracle::kApparentEquatorialFlags);
      lon.Add(LongitudeDifference(o.lon, ecl[0]) * 3600.0, t,
              KeplerianLongitudeTolerance(object, era, o.view));
      ra.Add(LongitudeDifference(o.ra, equ[0]) * 3600.0, t, series_tol.ra);
      dec.Add((o.dec - equ[1]) * 3600.0, t, series_tol.dec);
    }
    ExpectWithin(lon, Label(b.name, "elements lon\"", era));
    ExpectWithin(ra, Label(b.name, "series RA\"", era));
    ExpectWithin(dec, Label(b.name, "series dec\"", era));
  }
}

INSTANTIATE_TEST_SUITE_P(Eras, PositionsOracle, ::testing::Values(kModernEra, kEarlyEra),
                         [](const ::testing::TestParamInfo<Era>& info) {
                           return info.param.index == 0 ? std::string("From1800To2200")
                                                        : std::string("From1000To1800");
                         });

}  // namespace
}  // namespace sd
