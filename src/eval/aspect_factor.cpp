#include "eval/aspect_factor.h"

#include <algorithm>
#include <cmath>

#include "astro/angles.h"
#include "astro/aspects.h"
#include "astro/chart.h"
#include "eval/orb_profile.h"

namespace sd::eval {

namespace {

bool IsPlanet(int obj) { return obj >= 0 && obj < astro::kPlanetCount; }

}  // namespace

double ChartCoordinate(int coordinate, const astro::ChartData& chart, int obj) {
  if (obj < 0 || obj >= astro::kObjectCount) return astro::NoValue;
  const auto planet_row = [&](int row) { return IsPlanet(obj) ? chart.Planet[row][obj] : astro::NoValue; };
  switch (coordinate) {
    case kCoordLongitude:
    case kCoordLongitudeLatitude: return chart.Object[astro::kLongitude][obj];
    case kCoordRightAscension: return planet_row(astro::kRightAscension);
    case kCoordHelioLongitude: return chart.Object[astro::kHelioLongitude][obj];
    case kCoordLatitude: return planet_row(astro::kLatitude);
    case kCoordDeclination: return chart.Object[astro::kDeclination][obj];
    case kCoordHelioLatitude: return planet_row(astro::kHelioLatitude);
    case kCoordPhaseAngle: return planet_row(astro::kPhaseAngle);
    case kCoordMundanePosition: return planet_row(astro::kMundanePosition);
    case 9: case 10: case 11: case 12: return 0;
    case kCoordDeclinationLongitude: return chart.Object[astro::kDeclinationLongitude][obj];
    default: return astro::NoValue;
  }
}

double SnapshotCoordinate(int coordinate, const astro::MomentSnapshot& snap, int obj, astro::ChartMoment t) {
  if (obj < 0 || obj >= astro::kObjectCount) return astro::NoValue;
  const bool planet = IsPlanet(obj);
  switch (coordinate) {
    case kCoordLongitude:
    case kCoordLongitudeLatitude: return snap.Longitude(obj);
    case kCoordRightAscension: return planet ? snap.RightAscension(obj) : astro::NoValue;
    case kCoordHelioLongitude: return snap.HelioLongitude(obj);
    case kCoordLatitude: return planet ? snap.Latitude(obj) : astro::NoValue;
    case kCoordDeclination: return snap.Declination(obj);
    case kCoordHelioLatitude: return planet ? snap.HelioLatitude(obj) : astro::NoValue;
    case kCoordPhaseAngle: return planet ? snap.PhaseAngle(obj) : astro::NoValue;
    case kCoordMundanePosition: return planet ? snap.MundanePosition(obj) : astro::NoValue;
    case 9: case 10: case 11: case 12: return 0;
    case kCoordDeclinationLongitude: {
      const double lon = snap.Longitude(obj);
      if (!planet) return lon;
      const double decl = snap.Declination(obj);
      if (!astro::IsValue(lon) || !astro::IsValue(decl)) return astro::NoValue;
      return astro::DeclinationFromLongitude(decl, lon, t);
    }
    default: return astro::NoValue;
  }
}

HarmonicTreatment HarmonicTreatmentOf(int coordinate) {
  switch (coordinate) {
    case kCoordLongitude:
    case kCoordRightAscension:
    case kCoordHelioLongitude:
    case kCoordPhaseAngle:
    case kCoordMundanePosition:
    case kCoordDeclinationLongitude:
      return HarmonicTreatment::kReduced;
    case kCoordLatitude:
    case kCoordDeclination:
    case kCoordHelioLatitude:
      return HarmonicTreatment::kUnreduced;
    case kCoordLongitudeLatitude:
      return HarmonicTreatment::kUnchanged;
    default:
      return HarmonicTreatment::kZero;
  }
}

double ApplyHarmonic(int coordinate, double value, int harmonic) {
  const HarmonicTreatment t = HarmonicTreatmentOf(coordinate);
  if (t == HarmonicTreatment::kZero) return 0;
  if (!astro::IsValue(value)) return astro::NoValue;
  switch (t) {
    case HarmonicTreatment::kReduced: return astro::NormalizeMod(value * harmonic, 360);
    case HarmonicTreatment::kUnreduced: return value * harmonic;
    default: return value;
  }
}

bool SideConditionMet(int aspect, uint8_t side, double first_now, double second_now) {
  if (aspect == astro::kConjunction || aspect == astro::kOpposition) return true;
  const double d = astro::SignedDifference(second_now, first_now);
  if (side == 1) return d <= 0;
  if (side == 2) return d > 0;
  return true;
}

int AspectPhase(double orb_prev, double orb_now) {
  return std::fabs(orb_now) < std::fabs(orb_prev) ? kApplying : kSeparating;
}

bool PhaseAdmitted(int phase, uint8_t mask) { return mask == 0 || (phase & mask) != 0; }

namespace {

bool Negative(double orb) { return orb < 0; }

// The aspect search restricted to one aspect number at one stencil point.
bool Finds(int aspect, double first, double second, double orb) {
  astro::ObjectSet only;
  only.Add(aspect);
  return FirstAspectIn(only, first, second, orb) == aspect;
}

}  // namespace

AspectFactorResult AspectInOrbTest(const AspectFactorParams& params, const AspectStencil& s) {
  AspectFactorResult r;
  const int k = params.aspect;
  const double limit = params.orb_limit;
  const double detection = limit < kMinimumSearchOrb ? kMinimumSearchOrb : limit;
  if (!Finds(k, s.first_prev, s.second_prev, detection) || !Finds(k, s.first_now, s.second_now, detection))
    return r;

  const double orb_prev = astro::SignedAspectOrb(k, s.first_prev, s.second_prev);
  const double orb_now = astro::SignedAspectOrb(k, s.first_now, s.second_now);
  const bool side_ok = SideConditionMet(k, params.side, s.first_now, s.second_now);
  const int phase = AspectPhase(orb_prev, orb_now);
  const bool admitted = PhaseAdmitted(phase, params.phase_mask) && side_ok;

  r.second = orb_now;
  r.aspect = k;
  r.phase = phase;
  if (limit >= kMinimumSearchOrb) {
    r.strength = OrbStrength(orb_now, limit);
    r.hit = admitted;
  } else if (Negative(orb_prev) != Negative(orb_now)) {
    // Exact somewhere between the two points: full strength whatever the orb at t.
    r.strength = 1.0;
    r.hit = admitted;
  } else if (Finds(k, s.first_prev, s.second_prev, limit) && Finds(k, s.first_now, s.second_now, limit)) {
    r.strength = OrbStrength(orb_now, limit);
    r.hit = admitted;
  }
  if (!r.hit) r = AspectFactorResult{};
  return r;
}

double GreatCircleDistance(double lon1, double lat1, double lon2, double lat2) {
  if (!astro::IsValue(lon1) || !astro::IsValue(lat1) || !astro::IsValue(lon2) || !astro::IsValue(lat2))
    return astro::NoValue;
  // Haversine form: accurate for the small distances the close-approach test cares about.
  const double s_lat = std::sin((lat2 - lat1) * astro::kDegToRad / 2);
  const double s_lon = std::sin((lon2 - lon1) * astro::kDegToRad / 2);
  const double h =
      s_lat * s_lat + std::cos(lat1 * astro::kDegToRad) * std::cos(lat2 * astro::kDegToRad) * s_lon * s_lon;
  return 2 * std::asin(std::sqrt(std::clamp(h, 0.0, 1.0))) * astro::kRadToDeg;
}

namespace {

double ApproachDistance(int aspect, double lon1, double lat1, double lon2, double lat2) {
  const double d = GreatCircleDistance(lon1, lat1, lon2, lat2);
  if (!astro::IsValue(d)) return astro::NoValue;
  return aspect == astro::kOpposition ? 180 - d : d;
}

bool Known(const SkyTrack& t) {
  return astro::IsValue(t.lon_now) && astro::IsValue(t.lat_now) && astro::IsValue(t.lon_next) &&
         astro::IsValue(t.lat_next);
}

}  // namespace

AspectFactorResult CloseApproachTest(int aspect, double orb_limit, const SkyTrack& first,
                                     const SkyTrack& second) {
  AspectFactorResult r;
  if ((aspect != astro::kConjunction && aspect != astro::kOpposition) || !Known(first) || !Known(second))
    return r;
  const double at_now = ApproachDistance(aspect, first.lon_now, first.lat_now, second.lon_now, second.lat_now);
  const double at_next =
      ApproachDistance(aspect, first.lon_next, first.lat_next, second.lon_next, second.lat_next);
  if (!(at_now <= kWideSearchOrb) || !(at_next <= kWideSearchOrb)) return r;

  double closest = kWideSearchOrb;
  for (int i = 1; i <= kCloseApproachSamples; ++i) {
    const double f = static_cast<double>(i) / kCloseApproachSamples;
    // Longitudes go the short way round, so a pair passing 0 Aries is not swept across the circle.
    const double lon1 = astro::InterpolateAngle(f, 1, 0, first.lon_next, first.lon_now);
    const double lon2 = astro::InterpolateAngle(f, 1, 0, second.lon_next, second.lon_now);
    const double lat1 = first.lat_now + (first.lat_next - first.lat_now) * f;
    const double lat2 = second.lat_now + (second.lat_next - second.lat_now) * f;
    closest = std::min(closest, ApproachDistance(aspect, lon1, lat1, lon2, lat2));
  }
  if (!(closest < orb_limit)) return r;
  r.hit = true;
  r.strength = OrbStrength(closest, orb_limit);
  r.second = closest;
  r.aspect = aspect;
  r.phase = 0;
  return r;
}

bool ExactPassage(int aspect, const ExactStencil& s) {
  const double orb_now = astro::SignedAspectOrb(aspect, s.first_now, s.second_now);
  const double orb_next = astro::SignedAspectOrb(aspect, s.first_next, s.second_next);
  if (!astro::IsValue(orb_now) || !astro::IsValue(orb_next) || Negative(orb_now) == Negative(orb_next))
    return false;
  // How far the exact point moved relative to the second position over the step. The mirror
  // aspects reflect the first position, so both motions add; for the others the second
  // position's motion counts against the first's.
  const double moved_first = astro::SignedDifference(s.first_next, s.first_now);
  const double moved_second = astro::SignedDifference(s.second_next, s.second_now);
  const bool mirrored = aspect == astro::kAntiscion || aspect == astro::kContraAntiscion;
  const double expected = mirrored ? -(moved_first + moved_second) : moved_first - moved_second;
  return std::fabs((orb_next - orb_now) - expected) < 1e-7;
}

AspectFactorResult ExactMomentTest(const AspectFactorParams& params, int harmonic,
                                   const ExactStencil& s) {
  AspectFactorResult r;
  const int k = params.aspect;
  const double wide = harmonic == 1 ? kWideSearchOrb : kWideHarmonicSearchOrb;
  if (!Finds(k, s.first_now, s.second_now, wide) || !Finds(k, s.first_next, s.second_next, wide)) return r;
  if (!ExactPassage(k, s)) return r;
  if (!SideConditionMet(k, params.side, s.first_now, s.second_now)) return r;
  const double orb_now = astro::SignedAspectOrb(k, s.first_now, s.second_now);
  const double orb_next = astro::SignedAspectOrb(k, s.first_next, s.second_next);
  r.hit = true;
  r.strength = 1.0;
  r.second = orb_now / (orb_now - orb_next);
  r.aspect = k;
  r.phase = 0;
  return r;
}

bool VisitAspectPair(bool suppress_duplicates, const astro::ObjectSet& first_set,
                     const astro::ObjectSet& second_set, int i, int j) {
  if (suppress_duplicates && second_set.Has(i) && first_set.Has(j)) return i < j;
  return true;
}

}  // namespace sd::eval
