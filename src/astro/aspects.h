#pragma once
// Aspects: the table of the defined angular relations between two chart positions, and the
// primitives the factor tests use to decide whether two positions stand in an aspect, which one,
// where the exact aspect point lies and how far a position is from it.
//
// Positions are degrees: ecliptic (or other circular) longitudes for the ordinary aspects and the
// antiscia, declinations for the parallels. A position equal to NoValue never stands in an aspect.
#include <cstddef>
#include <cstdint>
#include <span>

#include "astro/chart_data.h"
#include "astro/object_set.h"
#include "astro/short_text.h"

namespace sd::astro {

// ---- the aspect table --------------------------------------------------------------------

// Angle codes of the aspects that are not a plain separation in longitude.
inline constexpr double kAntiscionCode = 1000;        // b mirrored at the solstice axis
inline constexpr double kContraAntiscionCode = 2000;  // b mirrored at the equinox axis
inline constexpr double kParallelCode = 3000;         // equal declinations
inline constexpr double kContraParallelCode = 4000;   // opposite declinations
// Angles at or above this are codes, never separations.
inline constexpr double kAngleCodeThreshold = 500;

#pragma pack(push, 1)
// One 28-byte slot of the aspect table.
struct AspectSlot {
  ShortText<10> Name;  // 8-bit text; the degree sign is byte 0xB0
  double Angle;        // degrees, or one of the codes above
  uint8_t Family;      // 1..7
  double Strength;     // factor the factor tests apply to their orbs
};
#pragma pack(pop)
static_assert(sizeof(AspectSlot) == 28);

inline constexpr int kAspectSlotCount = 30;  // slots numbered 1..30
inline constexpr uint8_t AspectCount = 24;   // slots 1..24 are defined; 25..30 are never tested

// Aspect numbers with a meaning of their own in the primitives.
enum AspectNumber : int {
  kConjunction = 1,
  kOpposition = 5,
  kAntiscion = 19,
  kContraAntiscion = 20,
  kParallel = 22,
  kContraParallel = 23,
};

// The fixed orb of the declination aspects (parallel, contra-parallel): 1/6 degree.
inline constexpr double ParallelLimit = 1.0 / 6.0;

// Slot k - 1 holds aspect k.
extern const AspectSlot AspectTable[kAspectSlotCount];

// The slot of aspect k (1..30); nullptr outside that range.
const AspectSlot* AspectSlotOf(int k);
// Angle (or code) of aspect k; NoValue outside 1..30.
double AspectAngle(int k);

// ---- whether two positions stand in an aspect ------------------------------------------

// True when b stands in the aspect of the given angle (or code) to a within orb (strictly).
// Ordinary angles: the separation NormalizeMod(b - a, 360) differs from angle, or from
// 360 - angle, by less than orb. Antiscion: b mirrored to 180 - b is conjunct a within orb.
// Contra-antiscion: b mirrored to -b is conjunct a. Parallel: |b - a| < ParallelLimit and
// contra-parallel: |b + a| < ParallelLimit (a, b declinations; the orb passed is not used).
// Other codes, NoValue positions and non-finite arithmetic give false.
bool AspectHolds(double a, double b, double orb, double angle);
// The same, except that the two antiscia always use an orb of 1 degree.
bool AspectHoldsUnitAntis(double a, double b, double orb, double angle);

// True when some aspect 1..AspectCount of the set holds between a and b (AspectHoldsUnitAntis).
bool AnyAspectIn(const ObjectSet& set, double a, double b, double orb);
// The first aspect number 1..AspectCount of the set that holds (AspectHolds), never the
// parallels 22 and 23; 0 when none holds.
int FirstAspectIn(const ObjectSet& set, double a, double b, double orb);

// ---- exact points and signed orbs -------------------------------------------------------

// The exact point in aspect k to x that is nearest to ref, degrees [0, 360). The conjunction is
// x itself, the opposition x + 180, the antiscion 180 - x, the contra-antiscion -x; any other
// aspect is x + angle or x - angle, whichever is nearer to ref (x - angle on a tie).
// NoValue when x is NoValue or k lies outside 1..30.
double AspectPoint(int k, double x, double ref);
// Deviation of b from the exact aspect k to a, degrees: |b - exact point| (0..180), positive
// when the exact point lies ahead of b (within 180), negative when it lies behind. For the
// parallel it is b - a, for the contra-parallel a + b. NoValue when a or b is NoValue or k
// lies outside 1..30.
double SignedAspectOrb(int k, double a, double b);
// The same two for an arbitrary angle: 0 is x itself, 180 the opposite point, any other angle
// the nearer of x + angle and x - angle to ref.
double AnglePoint(double angle, double x, double ref);
double SignedAngleOrb(double angle, double a, double b);

// p - q reduced into (-180, 180]: positive when p lies ahead of q within 180 degrees.
double SignedDifference(double p, double q);

// The longitude at x on the line through (x0, y0) and (x1, y1), taking the shorter way round
// the circle from y0 to y1; [0, 360). y0 (reduced) when x1 == x0.
double InterpolateAngle(double x, double x1, double x0, double y1, double y0);
// y0 + SignedDifference(a, c) * (y1 - y0) / SignedDifference(b, c): where a lies between c and b,
// carried over to the range y0..y1. y0 when b and c coincide.
double AngleRatio(double a, double b, double c, double y1, double y0);

// True when a whole sign lies inside the house (1..12): the cusp of the house and the cusp of
// the next house lie in signs that are neither equal nor neighbours. lon is a longitude row of
// 40 objects (cusps are objects 18..29). False when either cusp is NoValue or the house is
// outside 1..12.
bool InterceptedSign(std::span<const double, kObjectCount> lon, int house);

// A signed triangle wave over the circle: u = NormalizeMod(x, 360); 0 at 0 and 180, +1 at 90,
// -1 at 270, linear between; raised to the power p (on its magnitude) when p > 0, and +-1
// everywhere when p <= 0.
double TriangleWeight(double p, double x);
// TriangleWeight(p, x + 90): +1 at 0, -1 at 180.
double TriangleWeight90(double p, double x);

}  // namespace sd::astro
