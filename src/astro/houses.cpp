#include "astro/houses.h"

#include <cmath>

#include "astro/angles.h"
#include "astro/numeric.h"
#include "astro/obliquity.h"
#include "astro/positions.h"
#include "astro/sidereal_time.h"

namespace sd::astro {
namespace {

constexpr const char* kHouseSystemNames[kHouseSystemCount] = {
    "TOPOCENTR",        "PLACIDUS", "REGIMONT",      "CAMPANUS",
    "KOCH",             "EQUAL HOUSES ASC", "EQUAL HOUSES MC", "SOLAR",
    "30-EP",            "1 DAY - 12 EP", "MORINUS",  "WHOLE HOUSE",
};

// Placidus search: first step and the step below which a bracketed root is accepted (degrees).
constexpr double kPlacidusFirstStep = 10.0;
constexpr double kPlacidusFinalStep = 0.0005;
// A semi-arc never exceeds 180 degrees where the system is defined; past this the search
// gives up (polar-like input) instead of walking on.
constexpr double kPlacidusMaxArc = 360.0;
constexpr int kPlacidusMaxSteps = 2000;

// One sidereal day in mean solar days, 1 - 1 / Y with Y the mean tropical year of 1900 in days
// (the system's own year length, as in the chart's rates): twelve East Points are spread over it.
constexpr double kSiderealDayFraction = 1.0 - 1.0 / 365.24219879;

// Angle of the vector (x, y) in degrees, [0, 360).
double Atan2Deg(double x, double y) { return FullCircleAtan(x, y) * kRadToDeg; }
double TanDeg(double d) { return std::tan(d * kDegToRad); }

bool IsQuadrantSystem(int system) { return system >= kTopocentricHouses && system <= kKoch; }

// Longitude where a house circle meets the ecliptic: a is the circle's ascension on the
// equator, tan_pole_term the tangent of its pole height times the sine factor of the system
// (tan(latitude) alone for the Ascendant).
double AscensionalCusp(double a, double eps, double tan_pole_term) {
  return Atan2Deg(CosDeg(eps) * CosDeg(a) - SinDeg(eps) * tan_pole_term, SinDeg(a));
}

// East Point of the event's local clock moment shifted by `offset` centuries.
double EastPoint(const ChartData& chart, double lon, double offset) {
  const ChartMoment t = chart.Event.UniversalMoment() + offset;
  if (!UsableMoment(t)) return NoValue;
  const double theta = 15.0 * LocalSiderealHours(lon, t);
  const double eps = TrueObliquity(t);
  return NormalizeMod(Atan2Deg(-SinDeg(theta) * CosDeg(eps), CosDeg(theta)), 360);
}

// Placidus: the right ascension offset x (degrees) of the cusp at trisection fraction f of the
// semi-arc, the smallest x >= 0 where a sin(R + f x) + cos x changes sign. NoValue when none
// is found within a full circle.
double PlacidusArc(double a, double ramc, double f) {
  auto g = [&](double x) { return a * SinDeg(ramc + f * x) + std::cos(x * kDegToRad); };
  double x = 0, step = kPlacidusFirstStep;
  double gx = g(x);
  if (gx == 0) return x;
  for (int i = 0; i < kPlacidusMaxSteps; ++i) {
    const double next = x + step;
    const double gn = g(next);
    const double product = gx * gn;
    if (!std::isfinite(product)) return NoValue;
    if (gn == 0) return next;
    if (product < 0) {
      step /= 2;  // the root lies inside: stay, look closer
      if (step <= kPlacidusFinalStep) return x;
    } else {
      x = next;
      gx = gn;
      if (x > kPlacidusMaxArc) return NoValue;
    }
  }
  return NoValue;
}

void Fill(double cusps[12], double v) {
  for (int k = 0; k < 12; ++k) cusps[k] = v;
}

// What every system reads of the moment and place: the right ascension of the meridian (from
// the sidereal time at Greenwich plus the east longitude), the true obliquity and tan(latitude),
// all in degrees.
struct CuspSky {
  ChartMoment t;
  double lat, lon;
  double ramc, eps, tan_phi;
};

// Offset of house k from the meridian: k = 1 gives 90, k = 10 gives 360.
double HouseOffset(int k) { return 30.0 * k + 60.0; }

void TopocentricCusps(const CuspSky& s, double cusps[12]) {
  const double ramc = s.ramc, eps = s.eps, lat = s.lat;
  const double p1 = CosDeg(eps), p2 = SinDeg(ramc) * SinDeg(eps), p3 = -SinDeg(eps) * CosDeg(ramc);
  for (int k = 1; k <= 6; ++k) {
    const double u = k - 1;
    const double v = s.tan_phi * (1 - u / 3);
    const double norm = std::sqrt(v * v + 1);
    const double q1 = v / norm, q2 = -CosDeg(30 * u) / norm, q3 = SinDeg(30 * u) / norm;
    double w1 = q2 * p3 - q3 * p2, w2 = q3 * p1 - q1 * p3, w3 = q1 * p2 - q2 * p1;
    const bool flip = k == 1 ? w3 < 0 : w1 * SinDeg(lat) - w2 * CosDeg(lat) > 0;
    if (flip) w1 = -w1, w2 = -w2, w3 = -w3;
    double c = Atan2Deg(-SinDeg(ramc) * w3 - CosDeg(ramc) * w2,
                        CosDeg(eps) * CosDeg(ramc) * w3 - CosDeg(eps) * SinDeg(ramc) * w2 +
                            SinDeg(eps) * w1);
    // Near the polar circle the orientation test above can pick the opposite end of the
    // intersection; the cusps follow one another forward, each less than half a circle past
    // the previous one, so take the end that does.
    if (k > 1 && NormalizeMod(c - cusps[k - 2], 360) >= 180) c += 180;
    cusps[k - 1] = c;
    cusps[k + 5] = c + 180;
  }
}

void PlacidusCusps(const CuspSky& s, double cusps[12]) {
  const double a = s.tan_phi * TanDeg(s.eps);
  for (int k = 7; k <= 12; ++k) {
    const double f = (k - 10) / 3.0;
    const double x = PlacidusArc(a, s.ramc, f);
    if (!IsValue(x)) {
      cusps[k - 1] = cusps[k - 7] = NoValue;
      continue;
    }
    const double ra = s.ramc + f * x;
    cusps[k - 1] = Atan2Deg(CosDeg(ra) * CosDeg(s.eps), SinDeg(ra));
    cusps[k - 7] = cusps[k - 1] + 180;
  }
}

void RegiomontanusCusps(const CuspSky& s, double cusps[12]) {
  for (int k = 1; k <= 12; ++k) {
    const double h = HouseOffset(k);
    cusps[k - 1] = AscensionalCusp(s.ramc + h, s.eps, s.tan_phi * SinDeg(h));
  }
}

void CampanusCusps(const CuspSky& s, double cusps[12]) {
  for (int k = 1; k <= 12; ++k) {
    const double h = HouseOffset(k);
    const double f = Atan2Deg(CosDeg(h), CosDeg(s.lat) * SinDeg(h));
    cusps[k - 1] = AscensionalCusp(s.ramc + f, s.eps, s.tan_phi * SinDeg(f));
  }
}

void KochCusps(const CuspSky& s, double cusps[12]) {
  const double ad = ArcSinGuarded(s.tan_phi * TanDeg(s.eps) * SinDeg(s.ramc)) * kRadToDeg;
  for (int k = 1; k <= 12; ++k) {
    const double h = NormalizeMod(30.0 * k + 60.0, 360);
    const double g = h >= 180 ? h / 90 - 3 : h / 90 - 1;
    const double sign = h >= 180 ? -1.0 : 1.0;
    cusps[k - 1] = AscensionalCusp(s.ramc + h + g * ad, s.eps, sign * s.tan_phi);
  }
}

// Equal houses from the Ascendant, or from 0 degrees of the Ascendant's sign (whole signs).
void EqualFromAscendantCusps(const CuspSky& s, bool whole_signs, double cusps[12]) {
  const double asc = AscensionalCusp(s.ramc + 90, s.eps, s.tan_phi);
  const double first = whole_signs ? 30.0 * std::trunc(asc / 30) : asc;
  for (int k = 1; k <= 12; ++k) cusps[k - 1] = first + 30.0 * (k - 1);
}

void EqualFromMidheavenCusps(const CuspSky& s, double cusps[12]) {
  const double theta = 15.0 * LocalSiderealHours(s.lon, s.t);
  const double mc = NormalizeMod(Atan2Deg(CosDeg(s.eps) * CosDeg(theta), SinDeg(theta)), 360);
  for (int k = 1; k <= 12; ++k) cusps[k - 1] = NormalizeMod(mc + 30.0 * (k - 10), 360);
}

void SolarCusps(const ChartData& chart, double cusps[12]) {
  const double sun = chart.Lon(kSun);
  if (!IsValue(sun) || !std::isfinite(sun)) {
    Fill(cusps, NoValue);
    return;
  }
  for (int k = 1; k <= 12; ++k) cusps[k - 1] = sun + 30.0 * (k - 1);
}

void EastPointCusps(const ChartData& chart, double lon, double cusps[12]) {
  const double ep = EastPoint(chart, lon, 0);
  for (int k = 1; k <= 12; ++k) cusps[k - 1] = IsValue(ep) ? NormalizeMod(ep + 30.0 * (k - 1), 360) : NoValue;
}

// The East Points of twelve moments spread over one sidereal day from the event's clock.
void TwelveEastPointsCusps(const ChartData& chart, double lon, double cusps[12]) {
  for (int k = 1; k <= 12; ++k)
    cusps[k - 1] = EastPoint(chart, lon, kSiderealDayFraction * DayInCenturies * (k - 1) / 12);
}

void MorinusCusps(const CuspSky& s, double cusps[12]) {
  for (int k = 1; k <= 12; ++k) {
    const double a = s.ramc + HouseOffset(k);
    cusps[k - 1] = Atan2Deg(CosDeg(a), CosDeg(s.eps) * SinDeg(a));
  }
}

}  // namespace

const char* HouseSystemName(int system) {
  return system >= 0 && system < kHouseSystemCount ? kHouseSystemNames[system] : "";
}

int ChooseHouseSystem() { return kTwelveEastPoints; }

int EffectiveHouseSystem(int system, double stored_latitude) {
  if (IsQuadrantSystem(system) && std::fabs(stored_latitude) > PolarLimit) {
    if (PolarMode == 0) {
      const int chosen = ChooseHouseSystem();
      if (chosen >= kEqualFromAscendant && chosen <= kMorinus) return chosen;
      return system;
    }
    return kTwelveEastPoints;
  }
  return system;
}

void ComputeCusps(const ChartData& chart, double cusps[12], double lat, double lon,
                  ChartMoment t) {
  ComputeCuspsWith(HouseSystem, chart, cusps, lat, lon, t);
}

void ComputeCuspsWith(int requested, const ChartData& chart, double cusps[12], double lat,
                      double lon, ChartMoment t) {
  if (requested < 0 || requested >= kHouseSystemCount) return;
  const int system = EffectiveHouseSystem(requested, chart.Event.PlaceLatitude);
  if (!UsableMoment(t) || !std::isfinite(lat) || std::fabs(lat) > 90 || !std::isfinite(lon)) {
    Fill(cusps, NoValue);
    return;
  }
  const CuspSky sky{t, lat, lon, 15.0 * LocalSiderealHours(0, t) + lon, TrueObliquity(t), TanDeg(lat)};
  switch (system) {
    case kTopocentricHouses: TopocentricCusps(sky, cusps); break;
    case kPlacidus: PlacidusCusps(sky, cusps); break;
    case kRegiomontanus: RegiomontanusCusps(sky, cusps); break;
    case kCampanus: CampanusCusps(sky, cusps); break;
    case kKoch: KochCusps(sky, cusps); break;
    case kEqualFromAscendant: EqualFromAscendantCusps(sky, false, cusps); break;
    case kWholeSign: EqualFromAscendantCusps(sky, true, cusps); break;
    case kEqualFromMidheaven: EqualFromMidheavenCusps(sky, cusps); break;
    case kSolarHouses: SolarCusps(chart, cusps); break;
    case kEastPointHouses: EastPointCusps(chart, lon, cusps); break;
    case kTwelveEastPoints: TwelveEastPointsCusps(chart, lon, cusps); break;
    case kMorinus: MorinusCusps(sky, cusps); break;
  }
  for (int k = 0; k < 12; ++k)
    if (!std::isfinite(cusps[k])) cusps[k] = NoValue;
}

int HouseOfCusps(const double* row, double x) {
  for (int i = 1; i <= 12; ++i)
    if (!IsValue(row[CuspObject(i)])) return 0;
  if (!IsValue(x) || !std::isfinite(x)) return 0;
  if (HouseMembershipMode == 1) {
    for (int i = 1; i <= 12; ++i)
      if (SignOf(row[CuspObject(i)]) == SignOf(NormalizeMod(x, 360))) return i;
    return 0;
  }
  const double lon = NormalizeMod(x, 360);
  for (int i = 1; i <= 12; ++i) {
    const double here = row[CuspObject(i)];
    const double next = row[CuspObject(CyclicStep(i, 12, 1))];
    if (IsBetween(next, lon, here)) return i;
  }
  return 0;
}

int HouseOf(const ChartData& chart, double x) { return HouseOfCusps(chart.Object[kLongitude], x); }

}  // namespace sd::astro
