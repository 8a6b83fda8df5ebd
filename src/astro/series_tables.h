#pragma once
// Coefficient tables of the theories of motion (data only; positions.cpp evaluates them).
// The figures are those of Montenbruck & Pfleger's truncated series (SUN200, MER200 ...
// PLU200, MOON) and of Meeus' elements and perturbations of Uranus and Neptune;
// series_tables.cpp is written by tools/gen_series_tables.py.
//
// Angles "in revolutions" (a, b) stand for 2 pi frac(a + b TJ) radians, TJ in Julian
// centuries of ephemeris time from J2000.
#include <span>

namespace sd::astro::series {

// A constant pair (a, b) in revolutions and revolutions per century.
struct RevolutionPair {
  double a, b;
};

// One row of a perturber block: argument i M_body + j M_perturber (+ the block's offset),
// times TJ^p; DL += dlc cos + dls sin (arcsec), DR likewise (in the series' DR unit),
// DB likewise (arcsec).
struct PerturbationTerm {
  int i, j, p;
  double dlc, dls, drc, drs, dbc, dbs;
};

// The rows of one perturber: terms[first .. first + count) of the series, with the range of
// the multiples i and j that occur. offset_k != 0 adds offset_k times the mean anomaly
// (offset_a, offset_b) to every argument of the block.
struct PerturberBlock {
  double a, b;
  double offset_a, offset_b;
  int offset_k;
  int first, count;
  int imin, imax, jmin, jmax;
};

// A term in up to four angles (the series' mixed angles), times TJ^p.
struct MixedTerm {
  int k[4];
  int p;
  double dlc, dls, drc, drs, dbc, dbs;
};

// amplitude * sin 2 pi (a + b TJ).
struct PeriodicTerm {
  double amplitude, a, b;
};

struct PlanetSeriesData {
  const char* routine;
  double body_a, body_b;                 // the body's own mean anomaly, revolutions
  std::span<const PerturbationTerm> terms;
  std::span<const PerturberBlock> blocks;
  RevolutionPair mixed_angles[4];        // unused slots are (0, 0)
  std::span<const MixedTerm> mixed;
  std::span<const PeriodicTerm> long_period;  // added to DL, arcsec
  double poly[3];                        // DL += poly[0] + poly[1] TJ + poly[2] TJ^2 (arcsec)
  double final_l[3];                     // L0 (rev), c1 (arcsec/cy), c2 (arcsec/cy^2)
  double final_r[4];                     // r0, r1, r2 (AU), DR unit (AU)
  double final_b[3];                     // b0, b1, b2 in arcsec, or degrees when b_in_degrees
  bool b_in_degrees;
  bool precess_from_1950;                // the result is of B1950 and needs precession
  double prec[4];                        // Pi0, k1, p1, p2 (radians)
};

// Sun (geocentric), Mercury .. Pluto (heliocentric).
extern const PlanetSeriesData kSun200, kMer200, kVen200, kMar200, kJup200, kSat200, kUra200,
    kNep200, kPlu200;

// ---- Moon ----------------------------------------------------------------------------

// Solar row: multiples p, q, r, s of l, ls, F, D.
struct MoonSolarTerm {
  double coeff_l, coeff_s, coeff_g, coeff_p;  // arcsec (coeff_g pure number times arcsec)
  int k[4];
};
struct MoonLatitudeTerm {
  double coeff_n;  // arcsec
  int k[4];
};
struct MoonMultiplier {
  double c0, c_t, c_dgam;
  double kmax;
};

struct MoonSeriesData {
  double arc;                      // arcsec per radian as the theory uses it
  double mean[5][3];               // L0, l, ls, F, D: a + b TJ + c TJ^2 (revolutions)
  RevolutionPair lps[7];           // long-periodic arguments S1..S7
  double lpc[4][7];                // corrections of L0, l, ls, F from S1..S7 (arcsec)
  PeriodicTerm dgam[3];
  MoonMultiplier mult[4];          // l, ls, F, D
  double init_sinpi;               // arcsec
  std::span<const MoonSolarTerm> solar;
  std::span<const MoonLatitudeTerm> latitude;
  std::span<const PeriodicTerm> planetary;  // added to the longitude, arcsec
  double final_beta[3];            // g0, g1, k3 (arcsec)
  double sinpi_scale;
};

extern const MoonSeriesData kMoonSeries;

// ---- Uranus and Neptune by elements --------------------------------------------------

// Named angles: P, Q, S, G (auxiliary), W, H (shared derived), zeta, eta, theta (per planet).
inline constexpr int kMeeusAngleCount = 9;

struct MeeusFactor {
  int fn;                          // 0 none (1), 1 sine, 2 cosine
  int k[kMeeusAngleCount];         // multiples of the named angles
};
// qty: 0 dML, 1 dP, 2 de, 3 da, 4 dlon, 5 dlat, 6 dr; value (c0 + c1 u + c2 u^2) f1 f2.
struct MeeusTerm {
  int qty;
  double c[3];
  MeeusFactor f[2];
};
struct MeeusDerived {
  int target;                      // index of the angle it defines
  int k[kMeeusAngleCount];         // in terms of earlier angles
};
struct MeeusPlanetData {
  double el[6][4];                 // L, a, e, i, omega, node: c0 + c1 T + c2 T^2 + c3 T^3
  MeeusDerived derived[5];         // evaluated in order
  int derived_count;
  std::span<const MeeusTerm> terms;
};
struct MeeusAuxData {
  double aux[4][2];                // P, Q, S, G: c0 + c1 T (degrees)
  double u[2];                     // u = c0 + c1 T
};

extern const MeeusPlanetData kMeeusUranus, kMeeusNeptune;
extern const MeeusAuxData kMeeusAux;

}  // namespace sd::astro::series
