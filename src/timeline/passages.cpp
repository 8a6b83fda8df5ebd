#include "timeline/passages.h"

#include <algorithm>
#include <cmath>

#include "timeline/crossings.h"

namespace sd::timeline {

namespace {

// The walk's step: the timeline's grid step, one day.
constexpr double kStep = astro::DayInCenturies;
constexpr double kHour = astro::DayInCenturies / 24;
// Half the interval of the central difference that gives the rate of the deviation.
constexpr double kRateHalfStep = astro::DayInCenturies / 48;
// A deviation this small at the moment a walk starts from is that exact moment itself (the
// Moon covers it in about a millisecond).
constexpr double kExactThere = 1e-7;
// Exact moments closer than this are one (found from both sides of the moment walked from).
constexpr double kSameMoment = 60 * astro::SecondInCenturies;

bool Known(double x) { return astro::IsValue(x) && std::isfinite(x); }
int SignOf(double x) { return x > 0 ? 1 : (x < 0 ? -1 : 0); }

// Degrees per century; the sign is what matters.
double Rate(const Deviation& dev, astro::ChartMoment t) {
  const double before = dev(t - kRateHalfStep), after = dev(t + kRateHalfStep);
  if (!Known(before) || !Known(after)) return astro::NoValue;
  return Wrap180(after - before) / (2 * kRateHalfStep);
}

// The number k of the first whole step k * kStep of the walk's grid strictly beyond t in
// direction dir; the samples are computed from k, never accumulated, so that they are the same
// numbers whatever moment a walk starts from.
long long FirstStep(astro::ChartMoment t, int dir) {
  const double c = t.Centuries;
  long long k = static_cast<long long>(dir < 0 ? std::floor(c / kStep) : std::ceil(c / kStep));
  if (dir < 0 && static_cast<double>(k) * kStep >= c) --k;
  if (dir > 0 && static_cast<double>(k) * kStep <= c) ++k;
  return k;
}

// The root of g in [lo, hi] (g changes sign there), canonical. Over a day every deviation is
// nearly straight, so the straight line's root is usually within the hour of the true one and
// needs no refinement of its own first.
astro::ChartMoment RootBetween(const Deviation& g, astro::ChartMoment lo, double glo, astro::ChartMoment hi,
                               double ghi) {
  const astro::ChartMoment guess = glo == ghi ? astro::Midpoint(lo, hi) : lo + (hi - lo) * glo / (glo - ghi);
  const astro::ChartMoment direct = RootInHourNear(g, guess);
  if (astro::IsValue(direct)) return direct;
  const astro::ChartMoment r = RefineRoot(g, lo, glo, hi, ghi);
  return astro::IsValue(r) ? CanonicalRoot(g, r) : astro::kNoMoment;
}

struct Side {
  astro::ChartMoment Edge = astro::kNoMoment;
  std::vector<astro::ChartMoment> Exact;
  astro::ChartMoment LeastAt = astro::kNoMoment;
  double Least = astro::NoValue;
};

// From `inside` (deviation d0, 0 at an exact moment) in direction dir until the deviation leaves
// the orb or the search bound is passed.
Side Walk(const Deviation& dev, astro::ChartMoment inside, double d0, double orb, int dir) {
  Side side;
  side.LeastAt = inside;
  side.Least = std::fabs(d0);
  astro::ChartMoment prev = inside;
  double dprev = d0;
  const long long first = FirstStep(inside, dir);
  for (long long i = 0; i <= kPassageSearchDays; ++i) {
    const astro::ChartMoment t(static_cast<double>(first + dir * i) * kStep);
    const double d = dev(t);
    if (!Known(d)) return side;
    const astro::ChartMoment lo = dir < 0 ? t : prev, hi = dir < 0 ? prev : t;
    const double dlo = dir < 0 ? d : dprev, dhi = dir < 0 ? dprev : d;
    if (dprev != 0 && d != 0 && SignOf(d) != SignOf(dprev)) {
      const astro::ChartMoment r = RootBetween(dev, lo, dlo, hi, dhi);
      if (astro::IsValue(r)) side.Exact.push_back(r);
    } else if (d == 0) {
      side.Exact.push_back(t);
    }
    if (std::fabs(d) > orb) {
      const double s = d > 0 ? 1 : -1;
      const Deviation beyond = [&dev, s, orb](astro::ChartMoment m) {
        const double v = dev(m);
        return Known(v) ? s * v - orb : astro::NoValue;
      };
      side.Edge = RootBetween(beyond, lo, s * dlo - orb, hi, s * dhi - orb);
      return side;
    }
    if (std::fabs(d) < side.Least) side.Least = std::fabs(d), side.LeastAt = t;
    prev = t;
    dprev = d;
  }
  return side;
}

}  // namespace

astro::ChartMoment RootInHourNear(const Deviation& g, astro::ChartMoment r) {
  const astro::ChartMoment a0(std::floor(r.Centuries / kHour) * kHour);
  for (const astro::ChartMoment a : {a0, a0 - kHour, a0 + kHour}) {
    const double ga = g(a), gb = g(a + kHour);
    if (!Known(ga) || !Known(gb)) continue;
    if ((ga <= 0 && gb >= 0) || (ga >= 0 && gb <= 0)) return RefineRoot(g, a, ga, a + kHour, gb);
  }
  return astro::kNoMoment;
}

astro::ChartMoment CanonicalRoot(const Deviation& g, astro::ChartMoment r) {
  if (!astro::IsKnown(r)) return r;
  const astro::ChartMoment found = RootInHourNear(g, r);
  return astro::IsValue(found) ? found : r;
}

astro::ChartMoment TurnNear(const Deviation& dev, astro::ChartMoment near) {
  const Deviation rate = [&dev](astro::ChartMoment t) { return Rate(dev, t); };
  const astro::ChartMoment at[3] = {near - kStep, near, near + kStep};
  double r[3];
  for (int i = 0; i < 3; ++i) r[i] = rate(at[i]);
  for (int i = 0; i < 2; ++i) {
    if (!Known(r[i]) || !Known(r[i + 1]) || SignOf(r[i]) == SignOf(r[i + 1])) continue;
    const astro::ChartMoment t = RefineRoot(rate, at[i], r[i], at[i + 1], r[i + 1]);
    return astro::IsValue(t) ? CanonicalRoot(rate, t) : astro::kNoMoment;
  }
  return astro::kNoMoment;
}

namespace {

// The passage that holds `inside`, where the deviation is d0.
Passage PassageFrom(const Deviation& dev, astro::ChartMoment inside, double d0, double orb) {
  Passage p;
  p.Orb = orb;
  if (!Known(d0) || std::fabs(d0) > orb) return p;
  if (std::fabs(d0) < kExactThere) {
    p.Exact.push_back(CanonicalRoot(dev, inside));
    d0 = 0;
  }
  const Side before = Walk(dev, inside, d0, orb, -1);
  const Side after = Walk(dev, inside, d0, orb, +1);
  p.Start = before.Edge;
  p.End = after.Edge;
  p.Exact.insert(p.Exact.end(), before.Exact.begin(), before.Exact.end());
  p.Exact.insert(p.Exact.end(), after.Exact.begin(), after.Exact.end());
  std::sort(p.Exact.begin(), p.Exact.end());
  p.Exact.erase(std::unique(p.Exact.begin(), p.Exact.end(),
                            [](astro::ChartMoment a, astro::ChartMoment b) { return b - a < kSameMoment; }),
                p.Exact.end());
  if (p.Perfects()) return p;
  const astro::ChartMoment least = before.Least <= after.Least ? before.LeastAt : after.LeastAt;
  const astro::ChartMoment turn = TurnNear(dev, least);
  const double at = astro::IsValue(turn) ? dev(turn) : astro::NoValue;
  p.Closest = Known(at) ? turn : least;
  p.ClosestSeparation = std::fabs(Known(at) ? at : dev(least));
  return p;
}

}  // namespace

Passage PassageAround(const Deviation& dev, astro::ChartMoment inside, double orb) {
  return PassageFrom(dev, inside, dev(inside), orb);
}

Passage PassageThrough(const Deviation& dev, astro::ChartMoment exact, double orb) {
  return PassageFrom(dev, exact, 0, orb);
}

Motion MotionAt(const Deviation& dev, astro::ChartMoment t) {
  const double d = dev(t), r = Rate(dev, t);
  if (!Known(d) || !Known(r) || d * r == 0) return Motion::kStill;
  return d * r < 0 ? Motion::kApplying : Motion::kSeparating;
}

const char* MotionName(Motion m) {
  switch (m) {
    case Motion::kApplying: return "applying";
    case Motion::kSeparating: return "separating";
    case Motion::kStill: return "stationary";
  }
  return "";
}

}  // namespace sd::timeline
