#include "timeline/longitudes.h"

#include "astro/angles.h"
#include "astro/observed_delta_t.h"
#include "astro/positions.h"

namespace sd::timeline {

namespace {

// The chart reduces every longitude it keeps into [0, 360) once more; so do we, so that the
// numbers agree to the last bit.
double Reduced(double lon) { return astro::IsValue(lon) ? astro::NormalizeMod(lon, 360) : astro::NoValue; }

// Body 0..9 with the Sun of the same moment, when the body needs it and it was computed.
double LongitudeWith(int body, astro::ChartMoment t, const astro::SunResult* sun) {
  if (body < astro::kSun || body > astro::kPluto) return astro::NoValue;
  if (body == astro::kMoon) return Reduced(astro::MoonPosition(t).Longitude);
  const astro::SunResult own = sun ? astro::SunResult{} : astro::SunPosition(t);
  const astro::SunResult& s = sun ? *sun : own;
  if (body == astro::kSun) return Reduced(s.Longitude);
  return Reduced(PlanetPosition(body, t, s).Longitude);
}

}  // namespace

double TransitLongitude(int body, astro::ChartMoment t) {
  return LongitudeWith(body, astro::ForecastClockOf(t), nullptr);
}

double Separation(int a, int b, astro::ChartMoment true_ut) {
  const astro::ChartMoment t = astro::ForecastClockOf(true_ut);
  const bool sun_needed = (a != astro::kMoon && a >= astro::kSun && a <= astro::kPluto) || (b != astro::kMoon && b >= astro::kSun && b <= astro::kPluto);
  const astro::SunResult sun = sun_needed ? astro::SunPosition(t) : astro::SunResult{};
  const double la = LongitudeWith(a, t, sun_needed ? &sun : nullptr);
  const double lb = LongitudeWith(b, t, sun_needed ? &sun : nullptr);
  return astro::IsValue(la) && astro::IsValue(lb) ? la - lb : astro::NoValue;
}

BodyLongitudes TransitLongitudes(astro::ChartMoment true_ut) {
  const astro::ChartMoment t = astro::ForecastClockOf(true_ut);
  BodyLongitudes out;
  const astro::SunResult sun = astro::SunPosition(t);
  out[astro::kSun] = Reduced(sun.Longitude);
  out[astro::kMoon] = Reduced(astro::MoonPosition(t).Longitude);
  for (int n = astro::kMercury; n <= astro::kPluto; ++n)
    out[n] = Reduced(PlanetPosition(n, t, sun).Longitude);
  return out;
}

}  // namespace sd::timeline
