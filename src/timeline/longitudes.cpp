#include "timeline/longitudes.h"

#include "astro/angles.h"
#include "astro/observed_delta_t.h"
#include "astro/positions.h"

namespace sd::timeline {

namespace {

// The chart reduces every longitude it keeps into [0, 360) once more; so do we, so that the
// numbers agree to the last bit.
double Reduced(double lon) { return IsValue(lon) ? NormalizeMod(lon, 360) : NoValue; }

// Body 0..9 with the Sun of the same moment, when the body needs it and it was computed.
double LongitudeWith(int body, ChartMoment t, const SunResult* sun) {
  if (body < kSun || body > kPluto) return NoValue;
  if (body == kMoon) return Reduced(MoonPosition(t).Longitude);
  const SunResult own = sun ? SunResult{} : SunPosition(t);
  const SunResult& s = sun ? *sun : own;
  if (body == kSun) return Reduced(s.Longitude);
  return Reduced(PlanetPosition(body, t, s).Longitude);
}

}  // namespace

double TransitLongitude(int body, ChartMoment t) {
  return LongitudeWith(body, ForecastClockOf(t), nullptr);
}

double Separation(int a, int b, ChartMoment true_ut) {
  const ChartMoment t = ForecastClockOf(true_ut);
  const bool sun_needed = (a != kMoon && a >= kSun && a <= kPluto) || (b != kMoon && b >= kSun && b <= kPluto);
  const SunResult sun = sun_needed ? SunPosition(t) : SunResult{};
  const double la = LongitudeWith(a, t, sun_needed ? &sun : nullptr);
  const double lb = LongitudeWith(b, t, sun_needed ? &sun : nullptr);
  return IsValue(la) && IsValue(lb) ? la - lb : NoValue;
}

BodyLongitudes TransitLongitudes(ChartMoment true_ut) {
  const ChartMoment t = ForecastClockOf(true_ut);
  BodyLongitudes out;
  const SunResult sun = SunPosition(t);
  out[kSun] = Reduced(sun.Longitude);
  out[kMoon] = Reduced(MoonPosition(t).Longitude);
  for (int n = kMercury; n <= kPluto; ++n) out[n] = Reduced(PlanetPosition(n, t, sun).Longitude);
  return out;
}

}  // namespace sd::timeline
