#include "eval/orb_profile.h"

#include <cmath>

#include "astro/moment.h"

namespace sd::eval {

double OrbStrength(int profile, double x, double p, double s, double limit, bool normalised) {
  const double e = astro::IsValue(s) ? std::fabs(x - s) : std::fabs(x);
  if (std::isnan(e) || std::isnan(limit) || e > limit) return 0;
  if (profile < kProfileLinear || profile > kProfileConstant) return 0;
  // Only e = 0 reaches here with a zero limit; every profile is 1 at exactness, and the
  // ratios below would be 0/0.
  if (limit <= 0) return 1;
  const double u = p * e / limit;
  const double w = astro::kPi * e / limit;
  switch (profile) {
    case kProfileLinear:
      return 1 - e / limit;
    case kProfileRaisedCosine:
      return (std::cos(w) + 1) * 0.5;
    case kProfileGaussian: {
      const double g = std::exp(-u * u);
      if (!normalised) return g;
      const double floor = std::exp(-p * p);
      // p = 0 makes the bell flat: nothing to normalise against.
      return floor < 1 ? (g - floor) / (1 - floor) : 1;
    }
    case kProfileFlattenedCosine: {
      const double c = std::cos(w);
      return (std::sqrt(std::fabs(c)) * (c >= 0 ? 1 : -1) + 1) * 0.5;
    }
    case kProfileWavelet:
      return std::exp(-u * u) * (1 - u * u);
    default:  // kProfileConstant
      return 1;
  }
}

double OrbStrength(double orb, double limit) {
  return OrbStrength(OrbProfileNumber, orb, OrbProfileParameter, 0, limit, OrbProfileNormalised);
}

}  // namespace sd::eval
