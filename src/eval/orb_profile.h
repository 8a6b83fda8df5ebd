#pragma once
// The orb strength profile: how much an aspect (or any other factor measured by an orb) counts,
// from 1 at exactness down to 0 at the orb limit. The aspect, midpoint, angle, formula-point
// and time-cycle factors all grade their hits with it.

namespace sd::eval {

enum OrbProfile : int {
  kProfileLinear = 0,           // 1 - e/L
  kProfileRaisedCosine = 1,     // (cos(pi e/L) + 1) / 2
  kProfileGaussian = 2,         // exp(-u^2), u = p e/L; normalised to reach 0 at e = L
  kProfileFlattenedCosine = 3,  // (sqrt|cos w| sgn(cos w) + 1) / 2, w = pi e/L
  kProfileWavelet = 4,          // exp(-u^2) (1 - u^2): dips below 0 for u > 1
  kProfileConstant = 5,         // 1
};

// The settings the evaluation runs with; constants of the build.
inline constexpr int OrbProfileNumber = kProfileRaisedCosine;
inline constexpr double OrbProfileParameter = 2.7;
inline constexpr bool OrbProfileNormalised = true;

// Strength of a deviation x from exactness under a profile with parameter p, measured from the
// shift s (NoValue: from 0) against the limit L (degrees, or whatever unit x has):
//   e = |x - s| (|x| when s is NoValue); 0 when e > L (e = L is still inside);
//   otherwise the profile's value at e. The normalisation affects the Gaussian only.
// 0 for a profile number outside 0..5 and for a deviation that is not a number. A zero limit
// admits only e = 0, with strength 1.
double OrbStrength(int profile, double x, double p, double s, double limit, bool normalised);

// The profile with the build's settings and shift 0: (cos(pi |orb| / limit) + 1) / 2 inside.
double OrbStrength(double orb, double limit);

}  // namespace sd::eval
