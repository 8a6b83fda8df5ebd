#include "timeline/longitudes.h"

#include "astro/positions.h"

namespace sd::timeline {

namespace {

// The chart reduces every longitude it keeps into [0, 360) once more; so do we, so that the
// numbers agree to the last bit.
double Reduced(double lon) { return IsValue(lon) ? NormalizeMod(lon, 360) : NoValue; }

}  // namespace

double TransitLongitude(int body, ChartMoment t) {
  if (body < kSun || body > kPluto) return NoValue;
  if (body == kMoon) return Reduced(MoonPosition(t).Longitude);
  const SunResult sun = SunPosition(t);
  if (body == kSun) return Reduced(sun.Longitude);
  return Reduced(PlanetPosition(body, t, sun).Longitude);
}

BodyLongitudes TransitLongitudes(ChartMoment t) {
  BodyLongitudes out;
  const SunResult sun = SunPosition(t);
  out[kSun] = Reduced(sun.Longitude);
  out[kMoon] = Reduced(MoonPosition(t).Longitude);
  for (int n = kMercury; n <= kPluto; ++n) out[n] = Reduced(PlanetPosition(n, t, sun).Longitude);
  return out;
}

}  // namespace sd::timeline
