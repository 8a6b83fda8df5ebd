#include "eval/orb_profile.h"

#include <gtest/gtest.h>

#include <cmath>

#include "astro/moment.h"

namespace sd::eval {
namespace {

TEST(OrbStrength, EveryProfileInsideAndAtTheLimit) {
  struct Case { int profile; double x, p, s, limit; bool normalised; double expected; const char* what; };
  const Case cases[] = {
      {kProfileLinear, 0.5, 2.7, 0, 1, true, 0.5, "linear, half way"},
      {kProfileLinear, -0.25, 2.7, 0, 1, true, 0.75, "linear, negative orb"},
      {kProfileRaisedCosine, 0, 2.7, 0, 2, true, 1, "cosine, exact"},
      {kProfileRaisedCosine, 1, 2.7, 0, 2, true, 0.5, "cosine, half the orb"},
      {kProfileRaisedCosine, 1, 2.7, 0, 3, true, 0.75, "cosine, a third of the orb"},
      {kProfileRaisedCosine, 2, 2.7, 0, 2, true, 0, "cosine, at the limit"},
      {kProfileGaussian, 0.5, 2, 0, 1, false, 0.36787944117144233, "bell, raw"},
      {kProfileGaussian, 0.5, 2, 0, 1, true, 0.3560857401120277, "bell, normalised"},
      {kProfileGaussian, 1, 2, 0, 1, true, 0, "normalised bell reaches 0 at the limit"},
      {kProfileGaussian, 0, 2, 0, 1, true, 1, "normalised bell is 1 at exactness"},
      {kProfileGaussian, 0.5, 0, 0, 1, true, 1, "flat bell"},
      {kProfileFlattenedCosine, 1, 2.7, 0, 3, true, 0.8535533905932737, "flattened, first third"},
      {kProfileFlattenedCosine, 2, 2.7, 0, 3, true, 0.1464466094067262, "flattened, second third"},
      {kProfileFlattenedCosine, 1.5, 2.7, 0, 3, true, 0.5, "flattened, half way"},
      {kProfileWavelet, 0.2, 2.7, 0, 1, true, 0.5292224775423893, "wavelet"},
      {kProfileWavelet, 0.5, 2.7, 0, 1, true, -0.13293343080274153, "wavelet below zero past u = 1"},
      {kProfileConstant, 0.99, 2.7, 0, 1, true, 1, "constant inside"},
      {kProfileConstant, 1.01, 2.7, 0, 1, true, 0, "constant outside"},
      {kProfileRaisedCosine, 3, 2.7, 2, 2, true, 0.5, "measured from the shift"},
      {kProfileRaisedCosine, 1, 2.7, 2, 2, true, 0.5, "below the shift"},
      {kProfileRaisedCosine, 3, 2.7, astro::NoValue, 2, true, 0, "no shift: from 0, outside"},
      {kProfileRaisedCosine, 2.0001, 2.7, 0, 2, true, 0, "just outside"},
      {kProfileRaisedCosine, 0, 2.7, 0, 0, true, 1, "zero limit admits exactness"},
      {kProfileRaisedCosine, 0.001, 2.7, 0, 0, true, 0, "zero limit, anything else outside"},
      {kProfileRaisedCosine, astro::NoValue, 2.7, 0, 5, true, 0, "missing orb"},
      {kProfileRaisedCosine, NAN, 2.7, 0, 5, true, 0, "orb not a number"},
      {6, 0, 2.7, 0, 1, true, 0, "profile number beyond the table"},
      {-1, 0, 2.7, 0, 1, true, 0, "negative profile number"},
  };
  for (const Case& c : cases) {
    const double got = OrbStrength(c.profile, c.x, c.p, c.s, c.limit, c.normalised);
    // The square root of the flattened cosine magnifies the rounding of cos(pi/2) to 1e-8.
    EXPECT_NEAR(got, c.expected, 1e-8) << c.what;
    EXPECT_FALSE(std::isnan(got)) << c.what;
  }
}

TEST(OrbStrength, BuildSettingsGiveTheRaisedCosineFromZero) {
  struct Case { double orb, limit, expected; };
  for (const Case& c : {Case{0, 1, 1}, Case{0.5, 1, 0.5}, Case{-0.5, 1, 0.5}, Case{1, 1, 0},
                        Case{1.0001, 1, 0}, Case{2.5, 5, 0.5}, Case{-5, 5, 0}})
    EXPECT_NEAR(OrbStrength(c.orb, c.limit), c.expected, 1e-12) << c.orb << " / " << c.limit;
}

// Every profile falls from exactness to the limit, and none leaves 0..1 except the wavelet's
// negative lobe.
TEST(OrbStrength, ProfilesFallMonotonically) {
  for (int profile = kProfileLinear; profile <= kProfileConstant; ++profile) {
    double last = 2;
    for (double e = 0; e <= 4; e += 0.01) {
      const double v = OrbStrength(profile, e, 2.7, 0, 4, true);
      if (profile == kProfileWavelet && e > 4 / 2.7) continue;  // past its minimum it rises again
      EXPECT_LE(v, last + 1e-15) << profile << " at " << e;
      EXPECT_LE(v, 1.0) << profile;
      if (profile != kProfileWavelet) {
        EXPECT_GE(v, -1e-15) << profile << " at " << e;
      }
      last = v;
    }
  }
}

}  // namespace
}  // namespace sd::eval
