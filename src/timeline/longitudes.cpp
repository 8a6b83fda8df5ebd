#include "timeline/longitudes.h"

#include <bit>

#include "astro/angles.h"
#include "astro/observed_delta_t.h"

namespace sd::timeline {

namespace {

// The chart reduces every longitude it keeps into [0, 360) once more; so do we, so that the
// numbers agree to the last bit.
double Reduced(double lon) { return astro::IsValue(lon) ? astro::NormalizeMod(lon, 360) : astro::NoValue; }

bool IsBody(int body) { return body >= astro::kSun && body <= astro::kPluto; }
bool NeedsSun(int body) { return IsBody(body) && body != astro::kMoon; }

// Body 0..9 at the theories' moment t, with the Sun of the same moment when the body needs it.
double LongitudeWith(int body, astro::ChartMoment t, const astro::SunResult& sun) {
  if (!IsBody(body)) return astro::NoValue;
  if (body == astro::kMoon) return Reduced(astro::MoonPosition(t).Longitude);
  if (body == astro::kSun) return Reduced(sun.Longitude);
  return Reduced(PlanetPosition(body, t, sun).Longitude);
}

}  // namespace

double TransitLongitude(int body, astro::ChartMoment t) {
  const astro::ChartMoment clock = astro::ForecastClockOf(t);
  return LongitudeWith(body, clock, NeedsSun(body) ? astro::SunPosition(clock) : astro::SunResult{});
}

double Separation(int a, int b, astro::ChartMoment true_ut) {
  const astro::ChartMoment t = astro::ForecastClockOf(true_ut);
  const astro::SunResult sun = NeedsSun(a) || NeedsSun(b) ? astro::SunPosition(t) : astro::SunResult{};
  const double la = LongitudeWith(a, t, sun);
  const double lb = LongitudeWith(b, t, sun);
  return astro::IsValue(la) && astro::IsValue(lb) ? la - lb : astro::NoValue;
}

BodyLongitudes TransitLongitudes(astro::ChartMoment true_ut) {
  const astro::ChartMoment t = astro::ForecastClockOf(true_ut);
  const astro::SunResult sun = astro::SunPosition(t);
  BodyLongitudes out;
  for (int n = astro::kSun; n <= astro::kPluto; ++n) out[n] = LongitudeWith(n, t, sun);
  return out;
}

LongitudeCache::Held& LongitudeCache::At(astro::ChartMoment t) {
  const auto [it, added] = moments_.try_emplace(std::bit_cast<uint64_t>(t.Centuries));
  if (added) it->second.Clock = astro::ForecastClockOf(t);
  return it->second;
}

double LongitudeCache::Of(Held& h, int body) {
  if (!IsBody(body)) return astro::NoValue;
  const unsigned bit = 1u << body;
  if (h.Known & bit) {
    ++spared_;
    return h.Lon[body];
  }
  if (NeedsSun(body) && !h.HasSun) {
    h.Sun = astro::SunPosition(h.Clock);
    h.HasSun = true;
  }
  h.Lon[body] = LongitudeWith(body, h.Clock, h.Sun);
  h.Known |= bit;
  return h.Lon[body];
}

double LongitudeCache::Longitude(int body, astro::ChartMoment t) {
  return IsBody(body) ? Of(At(t), body) : astro::NoValue;
}

double LongitudeCache::Separation(int a, int b, astro::ChartMoment t) {
  if (!IsBody(a) || !IsBody(b)) return astro::NoValue;
  Held& h = At(t);
  const double la = Of(h, a);
  const double lb = Of(h, b);
  return astro::IsValue(la) && astro::IsValue(lb) ? la - lb : astro::NoValue;
}

BodyLongitudes LongitudeCache::All(astro::ChartMoment t) {
  Held& h = At(t);
  BodyLongitudes out;
  for (int n = astro::kSun; n <= astro::kPluto; ++n) out[n] = Of(h, n);
  return out;
}

}  // namespace sd::timeline
