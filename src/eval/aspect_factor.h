#pragma once
// The pieces of the aspect factor that depend only on positions: the harmonic treatment of the
// measured coordinate, the aspect-in-orb test over a two-point time stencil, the close-approach
// test on longitude and latitude together, and the exact-moment test. The event loop reads the
// positions from charts and snapshots and hands them here.
#include <cstdint>

#include "astro/chart_data.h"
#include "astro/moment_snapshot.h"
#include "astro/object_set.h"

namespace sd::eval {

// Which position of an object an aspect is measured in.
enum AspectCoordinate : int {
  kCoordLongitude = 0,
  kCoordRightAscension = 1,
  kCoordHelioLongitude = 2,
  kCoordLongitudeLatitude = 3,  // along the great circle through longitude and latitude
  kCoordLatitude = 4,
  kCoordDeclination = 5,
  kCoordHelioLatitude = 6,
  kCoordPhaseAngle = 7,
  kCoordMundanePosition = 8,
  // 9..12 measure nothing: every position reads as 0.
  kCoordDeclinationLongitude = 13,  // the ecliptic longitude that has the object's declination
};

// Fixed figures of the aspect factor.
inline constexpr double kMinimumSearchOrb = 5.0;  // degrees
inline constexpr double kWideSearchOrb = 17.0;    // close approach window; exact moments at harmonic 1
inline constexpr double kWideHarmonicSearchOrb = 120.0;  // exact moments at other harmonics
inline constexpr int kCloseApproachSamples = 50;

// The position of object obj in a coordinate, before the harmonic, from a chart or a transit
// snapshot. The great-circle coordinate reads the longitude here (its latitude goes to the
// close-approach test separately). Coordinates that need planet rows give NoValue for other
// objects; the coordinates that measure nothing give 0; an object outside 0..39 or an unknown
// coordinate gives NoValue. A snapshot carries no projected-longitude row: for coordinate 13 the
// snapshot reader projects a planet's declination at moment t onto the ecliptic, on the side of
// the solstitial colure where its longitude lies (other objects read their longitude, as the
// chart's row does).
double ChartCoordinate(int coordinate, const astro::ChartData& chart, int obj);
double SnapshotCoordinate(int coordinate, const astro::MomentSnapshot& snap, int obj, astro::ChartMoment t);

// How a coordinate takes the harmonic.
enum class HarmonicTreatment {
  kReduced,    // times the harmonic, reduced into [0, 360): circular coordinates
  kUnreduced,  // times the harmonic, not reduced: latitudes and declinations
  kUnchanged,  // the great-circle coordinate takes no harmonic
  kZero,       // coordinates that measure nothing read as 0
};
HarmonicTreatment HarmonicTreatmentOf(int coordinate);

// A position in the given coordinate after the harmonic. NoValue stays NoValue (it marks an
// absent position, which must not be multiplied into a number); the coordinates that measure
// nothing give 0 for every position.
double ApplyHarmonic(int coordinate, double value, int harmonic);

// Applying (1) or separating (2): the orb at t is smaller than the orb one step before.
inline constexpr int kApplying = 1;
inline constexpr int kSeparating = 2;

// The event parameters the position tests read.
struct AspectFactorParams {
  int aspect = 0;           // aspect number 1..24
  uint8_t phase_mask = 0;   // bit 0 admits applying, bit 1 separating; 0 admits both
  double orb_limit = 1.0;   // degrees
  uint8_t side = 0;         // 0 none; 1 first ahead of or level with second; 2 second ahead
};

// Positions of the first and second object at t - step and at t, already in the measured
// coordinate and harmonic.
struct AspectStencil {
  double first_prev = 0;
  double first_now = 0;
  double second_prev = 0;
  double second_now = 0;
};

struct AspectFactorResult {
  bool hit = false;
  double strength = 0;    // 0..1 from the orb strength profile (1 for an exact passage)
  double second = 0;      // the signed orb at t (close approach: the closest distance)
  int aspect = 0;         // the aspect found
  int phase = 0;          // kApplying or kSeparating (0: not measured)
};

// Side condition, not applied to the conjunction and the opposition: with d the signed shortest
// difference second - first at t, side 1 needs d <= 0 and side 2 needs d > 0; other values
// impose nothing.
bool SideConditionMet(int aspect, uint8_t side, double first_now, double second_now);

// Phase from the signed orbs one step before and at t, and whether the mask admits it.
int AspectPhase(double orb_prev, double orb_now);
bool PhaseAdmitted(int phase, uint8_t mask);

// The aspect-in-orb test. The aspect must be found (with the detection orb: the orb limit, but
// at least kMinimumSearchOrb) at both stencil points. With a limit of kMinimumSearchOrb or more
// the strength is the profile at the orb at t. With a smaller limit, an aspect that became
// exact between the two points scores 1; otherwise it must also hold within the limit itself at
// both points, and scores the profile at the orb at t. The phase mask and the side condition
// decide the hit.
AspectFactorResult AspectInOrbTest(const AspectFactorParams& params, const AspectStencil& s);

// Great-circle distance in degrees (0..180) between two points given by longitude and latitude.
// NoValue when any input is NoValue.
double GreatCircleDistance(double lon1, double lat1, double lon2, double lat2);

// Longitude and latitude of one object at t and at t + step.
struct SkyTrack {
  double lon_now = 0;
  double lat_now = 0;
  double lon_next = 0;
  double lat_next = 0;
};

// Close approach of two objects in longitude and latitude together (the conjunction, or the
// opposition measured as 180 minus the distance) over the step from t to t + step. Fails when
// either end is farther than kWideSearchOrb. Otherwise the closest approach is the least
// distance, starting from kWideSearchOrb, at the points i/50 of the step (i = 1..50), positions
// interpolated linearly; a hit when it is below the orb limit. The result carries the closest
// approach as its second value, its profile strength and phase 0; the phase mask and the side
// condition do not apply.
AspectFactorResult CloseApproachTest(int aspect, double orb_limit, const SkyTrack& first,
                                     const SkyTrack& second);

// Positions of the two objects at t and at t + step (coordinate and harmonic applied).
struct ExactStencil {
  double first_now = 0;
  double first_next = 0;
  double second_now = 0;
  double second_next = 0;
};

// True when the signed orbs at the two ends (of aspect k between first and second) change sign
// by a passage through the exact point, and not because the nearer exact point changed sides or
// the orb jumped across the point opposite the exact one: the orb must change by the same amount
// as the separation of the two positions.
bool ExactPassage(int aspect, const ExactStencil& s);

// The exact-moment test: aspect k found at t and at t + step with the wide orb (kWideSearchOrb
// at harmonic 1, kWideHarmonicSearchOrb otherwise), passing exactly in between; strength 1, the
// side condition as in the aspect-in-orb test. The second value is the fraction of the step at
// which the orb, interpolated linearly, reaches 0.
AspectFactorResult ExactMomentTest(const AspectFactorParams& params, int harmonic,
                                   const ExactStencil& s);

// Duplicate suppression of an event whose two objects come from the same chart with the same
// qualifier: a pair (i, j) whose objects are both in both sets is visited only when i < j, so
// each unordered pair counts once and no object meets itself.
bool VisitAspectPair(bool suppress_duplicates, const astro::ObjectSet& first_set,
                     const astro::ObjectSet& second_set, int i, int j);

}  // namespace sd::eval
