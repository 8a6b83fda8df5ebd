// The search's cache of longitudes against computing each number again.
#include "timeline/longitudes.h"
#include "../support/moments.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <iterator>

namespace sd::timeline {
namespace {

uint64_t Bits(double x) { return std::bit_cast<uint64_t>(x); }

// Asked once or again, bodies before or after the Sun their reduction needs, numbers or not, the
// cache hands back the very bits the functions it stands for compute.
TEST(LongitudeCache, HandsBackTheComputedNumbersToTheBit) {
  const std::vector<astro::ChartMoment> moments = testing_support::Moments(
      {-0.5137, 0.2618, 1.26, 1.26 + astro::SecondInCenturies, 2.5999, 5000.0, astro::NoValue});
  const int others[] = {astro::kSun, astro::kMoon, astro::kMars, astro::kPluto, -1, 10};
  LongitudeCache cache;
  for (const bool downward : {true, false}) {
    for (const astro::ChartMoment t : moments) {
      SCOPED_TRACE(t);
      for (int i = 0; i <= 11; ++i) {
        const int body = downward ? 10 - i : i - 1;
        EXPECT_EQ(Bits(cache.Longitude(body, t)), Bits(TransitLongitude(body, t))) << body;
        for (const int other : others)
          EXPECT_EQ(Bits(cache.Separation(body, other, t)), Bits(Separation(body, other, t)))
              << body << " " << other;
      }
      const BodyLongitudes all = cache.All(t), fresh = TransitLongitudes(t);
      for (int n = 0; n < astro::kPlanetCount; ++n) EXPECT_EQ(Bits(all[n]), Bits(fresh[n])) << n;
    }
  }
  EXPECT_EQ(cache.Moments(), std::size(moments));
  // The second round is answered from what the first kept: every body at every moment.
  EXPECT_GE(cache.Spared(), static_cast<long long>(std::size(moments)) * astro::kPlanetCount * 10);
}

}  // namespace
}  // namespace sd::timeline
