#include "astro/angles.h"
#include "astro/aspects.h"
#include "astro/numeric.h"

#include <algorithm>
#include <cmath>

namespace sd::astro {

namespace {

// Slot initialiser: the text type has no constexpr constructor, so the table is built once at
// static initialisation from plain literals.
AspectSlot Slot(const char* name, double angle, uint8_t family, double strength) {
  AspectSlot s{};
  s.Name.Set(name);
  s.Angle = angle;
  s.Family = family;
  s.Strength = strength;
  return s;
}

}  // namespace

// "\xB0" is the degree sign of the single-byte code page the names are kept in.
const AspectSlot AspectTable[kAspectSlotCount] = {
    Slot("  0\xB0", 0, 1, 1.0),
    Slot(" 60\xB0", 60, 2, 1.0),
    Slot(" 90\xB0", 90, 3, 1.0),
    Slot("120\xB0", 120, 4, 1.0),
    Slot("180\xB0", 180, 5, 1.0),
    Slot(" 30\xB0", 30, 2, 0.3),
    Slot("150\xB0", 150, 6, 1.0),
    Slot(" 45\xB0", 45, 3, 0.3),
    Slot("135\xB0", 135, 3, 0.5),
    Slot(" 72\xB0", 72, 7, 1.0),
    Slot(" 36\xB0", 36, 7, 0.5),
    Slot("144\xB0", 144, 7, 0.5),
    Slot("108\xB0", 108, 7, 0.3),
    Slot(" 51\xB0", 51.428571, 1, 0.1),  // the septile, 360 / 7 to six decimals
    Slot(" 40\xB0", 40, 1, 0.2),
    Slot(" 80\xB0", 80, 1, 0.2),
    Slot(" 20\xB0", 20, 1, 0.1),
    Slot("100\xB0", 100, 1, 0.2),
    Slot("Antis", kAntiscionCode, 1, 0.2),
    Slot("ContrAntis", kContraAntiscionCode, 1, 0.2),
    Slot(" 18\xB0", 18, 7, 0.3),
    Slot("Parallel", kParallelCode, 1, 0.2),
    Slot("ContrParal", kContraParallelCode, 1, 0.2),
    Slot("22.5\xB0", 22.5, 3, 0.3),
    Slot("  \xB0", 0, 1, 1.0),
    Slot("  \xB0", 0, 1, 1.0),
    Slot("  \xB0", 0, 1, 1.0),
    Slot("  \xB0", 0, 1, 1.0),
    Slot("  \xB0", 0, 1, 1.0),
    Slot("  \xB0", 0, 1, 1.0),
};

const AspectSlot* AspectSlotOf(int k) {
  if (k < 1 || k > kAspectSlotCount) return nullptr;
  return &AspectTable[k - 1];
}

double AspectAngle(int k) {
  const AspectSlot* s = AspectSlotOf(k);
  return s ? s->Angle : NoValue;
}

namespace {

// antis_orb < 0: the antiscia use the orb passed in.
bool Holds(double a, double b, double orb, double angle, double antis_orb) {
  if (!IsValue(a) || !IsValue(b)) return false;
  // Infinite or NaN positions cannot be reduced onto the circle; every comparison below would
  // be meaningless, so they never stand in an aspect.
  if (!std::isfinite(a) || !std::isfinite(b) || std::isnan(orb) || std::isnan(angle)) return false;
  if (angle < kAngleCodeThreshold) {
    const double g = NormalizeMod(b - a, 360);
    return std::min(std::fabs(g - angle), std::fabs(g - 360 + angle)) < orb;
  }
  const double mirror_orb = antis_orb < 0 ? orb : antis_orb;
  if (angle == kAntiscionCode) return Holds(a, NormalizeMod(180 - b, 360), mirror_orb, 0, -1);
  if (angle == kContraAntiscionCode) return Holds(a, NormalizeMod(-b, 360), mirror_orb, 0, -1);
  if (angle == kParallelCode) return std::fabs(b - a) < ParallelLimit;
  if (angle == kContraParallelCode) return std::fabs(b + a) < ParallelLimit;
  return false;
}

bool IsParallel(int k) { return k == kParallel || k == kContraParallel; }

}  // namespace

bool AspectHolds(double a, double b, double orb, double angle) {
  return Holds(a, b, orb, angle, -1);
}

bool AspectHoldsUnitAntis(double a, double b, double orb, double angle) {
  return Holds(a, b, orb, angle, 1.0);
}

bool AnyAspectIn(const ObjectSet& set, double a, double b, double orb) {
  for (int k = 1; k <= AspectCount; ++k)
    if (set.Has(k) && AspectHoldsUnitAntis(a, b, orb, AspectTable[k - 1].Angle)) return true;
  return false;
}

int FirstAspectIn(const ObjectSet& set, double a, double b, double orb) {
  for (int k = 1; k <= AspectCount; ++k)
    if (set.Has(k) && !IsParallel(k) && AspectHolds(a, b, orb, AspectTable[k - 1].Angle)) return k;
  return 0;
}

namespace {

// Of x + angle and x - angle, the one nearer to ref; x - angle on a tie.
double NearerPoint(double angle, double x, double ref) {
  const double p = NormalizeMod(x + angle, 360);
  const double m = NormalizeMod(x - angle, 360);
  return AngularDistance(m - ref) > AngularDistance(p - ref) ? p : m;
}

// |b - d| on the circle, positive when d lies ahead of b within 180.
double SignedOrbTo(double d, double b) {
  const double dist = AngularDistance(b - d);
  return IsForwardWithin180(b, d) ? dist : -dist;
}

}  // namespace

double AspectPoint(int k, double x, double ref) {
  const AspectSlot* s = AspectSlotOf(k);
  if (!s || !IsValue(x)) return NoValue;
  switch (k) {
    case kConjunction: return x;
    case kOpposition: return NormalizeMod(x + 180, 360);
    case kAntiscion: return NormalizeMod(180 - x, 360);
    case kContraAntiscion: return NormalizeMod(-x, 360);
    default: return NearerPoint(s->Angle, x, ref);
  }
}

double SignedAspectOrb(int k, double a, double b) {
  if (!AspectSlotOf(k) || !IsValue(a) || !IsValue(b)) return NoValue;
  if (k == kParallel) return b - a;
  if (k == kContraParallel) return a + b;
  return SignedOrbTo(AspectPoint(k, a, b), b);
}

double AnglePoint(double angle, double x, double ref) {
  if (!IsValue(x)) return NoValue;
  if (angle == 0) return x;
  if (angle == 180) return NormalizeMod(x + 180, 360);
  return NearerPoint(angle, x, ref);
}

double SignedAngleOrb(double angle, double a, double b) {
  if (!IsValue(a) || !IsValue(b)) return NoValue;
  return SignedOrbTo(AnglePoint(angle, a, b), b);
}

double SignedDifference(double p, double q) {
  const double d = NormalizeMod(p - q, 360);
  return d > 180 ? d - 360 : d;
}

double InterpolateAngle(double x, double x1, double x0, double y1, double y0) {
  // Two samples at the same abscissa define no line; the first sample stands, as LinearAt does.
  if (x1 == x0) return NormalizeMod(y0, 360);
  return NormalizeMod(y0 + SignedDifference(y1, y0) * (x - x0) / (x1 - x0), 360);
}

double AngleRatio(double a, double b, double c, double y1, double y0) {
  const double span = SignedDifference(b, c);
  if (span == 0 || !std::isfinite(span)) return y0;
  const double r = y0 + SignedDifference(a, c) * (y1 - y0) / span;
  return std::isfinite(r) ? r : y0;
}

bool InterceptedSign(std::span<const double, kObjectCount> lon, int house) {
  if (house < 1 || house > 12) return false;
  const double c1 = lon[CuspObject(house)];
  const double c2 = lon[CuspObject(CyclicStep(house, 12, 1))];
  if (!IsValue(c1) || !IsValue(c2)) return false;
  const int step = ((SignOf(c2) - SignOf(c1)) % 12 + 12) % 12;
  return step != 0 && step != 1 && step != 11;
}

double TriangleWeight(double p, double x) {
  double u = NormalizeMod(x, 360);
  double s = 1;
  if (u > 180) {
    s = -1;
    u -= 180;
  }
  double f = (90 - std::fabs(u - 90)) / 90;
  f = p > 0 ? std::pow(f, p) : 1.0;
  return s * f;
}

double TriangleWeight90(double p, double x) { return TriangleWeight(p, x + 90); }

}  // namespace sd::astro
