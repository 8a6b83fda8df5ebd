#include "astro/dignities.h"

#include <cmath>
#include <vector>

#include "astro/angles.h"
#include "astro/houses.h"

namespace sd::astro {

const SignDignitySets DignitySets[12] = {
    // RulerSet               ExaltationSet           DetrimentSet  FallSet
    {{kMars}, {kSun}, {kVenus}, {kSaturn}},                  // Aries
    {{kVenus}, {kMoon}, {kMars}, {kMars}},                   // Taurus
    {{kMercury}, {}, {kJupiter}, {kJupiter}},                // Gemini
    {{kMoon}, {kJupiter, kNeptune}, {kSaturn}, {kMars}},     // Cancer
    {{kSun}, {kPluto}, {kSaturn}, {kSaturn}},                // Leo
    {{kMercury}, {kMercury}, {kJupiter}, {kVenus}},          // Virgo
    {{kVenus}, {kSaturn}, {kMars}, {kSun}},                  // Libra
    {{kPluto}, {kUranus}, {kVenus}, {kMoon}},                // Scorpio
    {{kJupiter}, {}, {kMercury}, {kMercury}},                // Sagittarius
    {{kSaturn}, {kMars}, {kMoon}, {kJupiter}},               // Capricorn
    {{kUranus}, {kMercury, kNeptune}, {kMoon}, {kMoon}},     // Aquarius
    {{kNeptune}, {kVenus}, {kMercury}, {kMercury}},          // Pisces
};

int DignityInSets(int planet, int index) {
  if (index < 1 || index > 12 || planet < 0 || planet > ObjectSet::kMaxMember) return kDignityNone;
  const SignDignitySets& s = DignitySets[index - 1];
  if (s.FallSet.Has(planet)) return kDignityFall;
  if (s.DetrimentSet.Has(planet)) return kDignityDetriment;
  if (s.ExaltationSet.Has(planet)) return kDignityExaltation;
  if (s.RulerSet.Has(planet)) return kDignityRuler;
  return kDignityNone;
}

int SignDignity(int planet, double x) {
  // A position that is not a finite number has no sign (and would overflow the sign arithmetic).
  if (!std::isfinite(x) || std::fabs(x) > 1e12) return kDignityNone;
  return DignityInSets(planet, SignOf(x));
}

int HouseDignity(int planet, std::span<const double, kObjectCount> lon, double x) {
  // A missing position has no house, even though NoValue itself is a finite number.
  if (!IsValue(x)) return kDignityNone;
  return DignityInSets(planet, HouseOfCusps(lon.data(), x));
}

bool InInterceptedSign(std::span<const double, kObjectCount> lon, double x) {
  // A missing position has no sign; it must not read as lying in a sign that holds no cusp.
  if (!IsValue(x) || !std::isfinite(x)) return false;
  for (int k = 1; k <= 12; ++k)
    if (!IsValue(lon[CuspObject(k)])) return false;
  const int sign = SignOf(x);
  for (int k = 1; k <= 12; ++k)
    if (SignOf(lon[CuspObject(k)]) == sign) return false;
  return true;
}

namespace {

// One term: where it ends within its sign (degrees 1..30) and the planet that rules it.
struct Term {
  int end;
  int planet;
};
using SignTerms = Term[5];

const SignTerms kTermsFirst[12] = {
    {{6, kJupiter}, {12, kVenus}, {20, kMercury}, {25, kMars}, {30, kSaturn}},   // Aries
    {{8, kVenus}, {14, kMercury}, {22, kJupiter}, {27, kSaturn}, {30, kMars}},   // Taurus
    {{6, kMercury}, {12, kJupiter}, {17, kVenus}, {24, kMars}, {30, kSaturn}},   // Gemini
    {{7, kMars}, {13, kVenus}, {19, kMercury}, {26, kJupiter}, {30, kSaturn}},   // Cancer
    {{6, kJupiter}, {11, kVenus}, {18, kSaturn}, {24, kMercury}, {30, kMars}},   // Leo
    {{7, kMercury}, {17, kVenus}, {21, kJupiter}, {28, kMars}, {30, kSaturn}},   // Virgo
    {{6, kSaturn}, {14, kMercury}, {21, kJupiter}, {28, kVenus}, {30, kMars}},   // Libra
    {{7, kMars}, {11, kVenus}, {19, kMercury}, {24, kJupiter}, {30, kSaturn}},   // Scorpio
    {{12, kJupiter}, {17, kVenus}, {21, kMercury}, {26, kSaturn}, {30, kMars}},  // Sagittarius
    {{7, kMercury}, {14, kJupiter}, {22, kVenus}, {26, kSaturn}, {30, kMars}},   // Capricorn
    {{7, kMercury}, {13, kVenus}, {20, kJupiter}, {25, kMars}, {30, kSaturn}},   // Aquarius
    {{12, kVenus}, {16, kJupiter}, {19, kMercury}, {28, kMars}, {30, kSaturn}},  // Pisces
};

const SignTerms kTermsSecond[12] = {
    {{6, kJupiter}, {14, kVenus}, {21, kMercury}, {26, kMars}, {30, kSaturn}},   // Aries
    {{8, kVenus}, {15, kMercury}, {22, kJupiter}, {26, kSaturn}, {30, kMars}},   // Taurus
    {{7, kMercury}, {14, kJupiter}, {21, kVenus}, {25, kSaturn}, {30, kMars}},   // Gemini
    {{6, kMars}, {13, kJupiter}, {20, kMercury}, {27, kVenus}, {30, kSaturn}},   // Cancer
    {{6, kSaturn}, {13, kMercury}, {19, kVenus}, {25, kJupiter}, {30, kMars}},   // Leo
    {{7, kMercury}, {13, kVenus}, {18, kJupiter}, {24, kSaturn}, {30, kMars}},   // Virgo
    {{6, kSaturn}, {11, kVenus}, {19, kJupiter}, {24, kVenus}, {30, kMars}},     // Libra
    {{6, kMars}, {14, kJupiter}, {21, kVenus}, {27, kMercury}, {30, kSaturn}},   // Scorpio
    {{8, kJupiter}, {14, kVenus}, {19, kMercury}, {25, kSaturn}, {30, kMars}},   // Sagittarius
    {{6, kVenus}, {12, kMercury}, {19, kJupiter}, {25, kMars}, {30, kSaturn}},   // Capricorn
    {{6, kSaturn}, {12, kMercury}, {20, kVenus}, {25, kJupiter}, {30, kMars}},   // Aquarius
    {{8, kVenus}, {14, kJupiter}, {20, kMercury}, {26, kMars}, {30, kSaturn}},   // Pisces
};

// Sign rulers of the first scheme: the classical seven, so Scorpio and Pisces go to Mars and
// Aquarius to Saturn.
const int kSignRulers[12] = {kMars,  kVenus,   kMercury, kMoon,   kSun,    kMercury,
                             kVenus, kMars,    kJupiter, kSaturn, kSaturn, kMars};
const int kSignDetriments[12] = {kVenus, kMars,    kJupiter, kSaturn, kSaturn, kJupiter,
                                 kMars,  kVenus,   kMercury, kMoon,   kSun,    kMercury};
// Decans from 0 Aries repeat this order of the seven classical planets.
const int kDecanOrder[7] = {kMars, kSun, kVenus, kMercury, kMoon, kSaturn, kJupiter};

// A segment [lo, hi) of a scheme and its planet. Bounds are whole degrees, so the comparisons
// with a longitude are exact.
struct Segment {
  int lo;
  int hi;
  int planet;
};

std::vector<Segment> SignSegments(const int (&rulers)[12]) {
  std::vector<Segment> v;
  for (int s = 0; s < 12; ++s) v.push_back({30 * s, 30 * s + 30, rulers[s]});
  return v;
}

std::vector<Segment> TermSegments(const SignTerms (&terms)[12]) {
  std::vector<Segment> v;
  for (int s = 0; s < 12; ++s) {
    int lo = 30 * s;
    for (const Term& t : terms[s]) {
      v.push_back({lo, 30 * s + t.end, t.planet});
      lo = 30 * s + t.end;
    }
  }
  return v;
}

std::vector<Segment> DecanSegments() {
  std::vector<Segment> v;
  for (int d = 0; d < 36; ++d) v.push_back({10 * d, 10 * d + 10, kDecanOrder[d % 7]});
  return v;
}

// The segments of a scheme in ascending order; empty for an unknown scheme.
const std::vector<Segment>& SegmentsOf(int scheme) {
  static const std::vector<Segment> kSchemes[kSchemeCount] = {
      SignSegments(kSignRulers), SignSegments(kSignDetriments), TermSegments(kTermsFirst),
      TermSegments(kTermsSecond), DecanSegments()};
  static const std::vector<Segment> kNone;
  return scheme >= 0 && scheme < kSchemeCount ? kSchemes[scheme] : kNone;
}

}  // namespace

int SchemeRuler(int scheme, double x) {
  for (const Segment& s : SegmentsOf(scheme))
    if (s.lo <= x && x < s.hi) return s.planet;
  return 0;
}

double SchemeBoundaryBetween(int scheme, double from, double to) {
  if (!IsValue(from) || !IsValue(to) || !std::isfinite(from) || !std::isfinite(to)) return NoValue;
  for (const Segment& s : SegmentsOf(scheme))
    if (IsBetween(from, s.lo, to)) return s.lo;
  return NoValue;
}

}  // namespace sd::astro
