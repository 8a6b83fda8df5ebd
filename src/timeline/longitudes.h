#pragma once
// Apparent geocentric longitudes of the transit bodies 0..9 from the transit chart's theories,
// without the rest of the chart (houses, nodes, points), at moments of true universal time: the
// theories are handed the same ephemeris moment through Delta T from observation
// (astro/observed_delta_t.h), not through the forecast's Delta T, so that a moment listed here is
// the moment on the clock. A forecast chart at the same clock moment stands about a minute of time
// (65 s in 2026) further along.
#include <array>
#include <cstdint>
#include <unordered_map>

#include "astro/chart_data.h"
#include "astro/moment.h"
#include "astro/positions.h"

namespace sd::timeline {

using BodyLongitudes = std::array<double, astro::kPlanetCount>;

// Longitude of body 0..9 at true universal moment t, [0, 360); NoValue where the chart has none
// (a moment outside the theories' range, a body number outside 0..9).
double TransitLongitude(int body, astro::ChartMoment t);

// TransitLongitude(a, t) - TransitLongitude(b, t), not reduced; NoValue when either is. The Sun,
// which every planet's reduction needs, is computed once.
double Separation(int a, int b, astro::ChartMoment t);

// All ten at once; the Sun, which every planet's reduction needs, is computed once.
BodyLongitudes TransitLongitudes(astro::ChartMoment t);

// The same three, each body at each moment computed once and kept: a search asks for one body at
// one moment many times over (the grid's whole days, the same day again for every aspect of the
// body walked through its orb, the hours either side of a root tried from both of its brackets,
// the rate of a pair beside that of each of its bodies), and every planet needs the Sun of its
// moment too. The numbers are those of the functions above to the last bit: a moment is known by
// its exact value, and nothing is interpolated.
//
// One cache belongs to one search (one window, or one chunk of a span) and is dropped with it, so
// its memory is that of the moments the search looked at; it is not for sharing between threads.
class LongitudeCache {
 public:
  // A 20-day window with its passages asks about 1300 moments, a chunk of a span about 8000.
  LongitudeCache() { moments_.reserve(2048); }
  double Longitude(int body, astro::ChartMoment t);
  double Separation(int a, int b, astro::ChartMoment t);
  BodyLongitudes All(astro::ChartMoment t);

  // Moments held, and computations of a body at a moment (the Sun's for a planet not counted)
  // that were spared because the moment was held: how much the cache earns.
  size_t Moments() const { return moments_.size(); }
  long long Spared() const { return spared_; }

 private:
  struct Held {
    astro::ChartMoment Clock = astro::kNoMoment;  // the moment handed to the theories
    bool HasSun = false;
    astro::SunResult Sun;
    unsigned Known = 0;  // a bit per body of Lon
    BodyLongitudes Lon{};
  };
  Held& At(astro::ChartMoment t);
  double Of(Held& h, int body);

  std::unordered_map<uint64_t, Held> moments_;  // by the bits of the moment
  long long spared_ = 0;
};

}  // namespace sd::timeline
