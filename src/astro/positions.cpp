// Positions of the Sun, the Moon and the planets from the truncated perturbation series
// (coefficients in series_tables.cpp), reduced to apparent places of date.
#include "astro/positions.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "astro/angles.h"
#include "astro/calendar.h"
#include "astro/internal/positions_parts.h"
#include "astro/obliquity.h"
#include "astro/series_tables.h"
#include "astro/time_scales.h"

namespace sd::astro {
namespace {

constexpr double kTwoPi = 2.0 * kPi;
constexpr double kArcsecPerRev = 1296000.0;
// 180 x 3600 / pi arcseconds per radian, to the ten figures the nutation terms are divided by.
constexpr double kArcsecPerRad = 206264.8062;
// Light time per astronomical unit, days: 1 AU / c is 499.0 s or 0.0057755 days, rounded here
// to three figures (the system's own constant; the 0.08 % excess changes the aberration of
// about 20 arcseconds by less than 0.02).
constexpr double kLightDaysPerAu = 0.00578;
// The Earth's equatorial radius in astronomical units, for the Moon's distance from its
// parallax: the system's own constant (6378.14 km over the IAU 1976 AU is 4.26352e-5); the same
// figure in degrees is the horizontal parallax at one AU, kParallaxAtOneAu of chart.h.
constexpr double kEarthRadiusAu = 4.26346e-5;
// Ephemeris moments before this (centuries from 1900, i.e. the year 1600) take Uranus' and
// Neptune's longitude from the Keplerian elements: the series drift to arcminutes there.
constexpr double kKeplerianBefore = -3.0;
// Bound of the Kepler iteration; at the outer planets' eccentricities it settles in < 10.
constexpr int kKeplerMaxIterations = 50;

double Frac(double x) { return x - std::floor(x); }
// 2 pi frac(a + b t): an angle given in revolutions, in radians.
double RevAngle(double a, double b, double t) { return kTwoPi * Frac(a + b * t); }

bool Finite(double x) { return std::isfinite(x); }

// cos and sin of the multiples n x, n = -kMaxMultiple .. kMaxMultiple, by the addition
// theorem from one cos/sin pair; `scale` multiplies in scale^|n| (the lunar theory's
// multipliers; 1 elsewhere).
constexpr int kMaxMultiple = 16;
struct Multiples {
  double c[2 * kMaxMultiple + 1];
  double s[2 * kMaxMultiple + 1];
  double Cos(int n) const { return c[n + kMaxMultiple]; }
  double Sin(int n) const { return s[n + kMaxMultiple]; }

  void Fill(double x, int lo, int hi, double scale = 1.0) {
    const double c1 = scale * std::cos(x), s1 = scale * std::sin(x);
    c[kMaxMultiple] = 1.0;
    s[kMaxMultiple] = 0.0;
    const int top = std::min(std::max(hi, -lo), kMaxMultiple);
    for (int n = 1; n <= top; ++n) {
      const double cp = c[kMaxMultiple + n - 1], sp = s[kMaxMultiple + n - 1];
      c[kMaxMultiple + n] = cp * c1 - sp * s1;
      s[kMaxMultiple + n] = sp * c1 + cp * s1;
      c[kMaxMultiple - n] = c[kMaxMultiple + n];
      s[kMaxMultiple - n] = -s[kMaxMultiple + n];
    }
  }
};

// Series sums: DL, DB in arcsec, DR in the series' DR unit.
struct Sums {
  double dl = 0, dr = 0, db = 0;
  void Add(const double* coeff, double u, double v) {
    dl += coeff[0] * u + coeff[1] * v;
    dr += coeff[2] * u + coeff[3] * v;
    db += coeff[4] * u + coeff[5] * v;
  }
};

// Evaluates one of the perturbation series at tj: L, B in degrees, R in AU, mean ecliptic and
// equinox of the series' frame (B1950 for the series that flag precession).
PolarTriple EvaluateSeries(const series::PlanetSeriesData& s, double tj) {
  const double m_body = RevAngle(s.body_a, s.body_b, tj);
  Sums sum;
  Multiples own, other;
  for (const series::PerturberBlock& b : s.blocks) {
    const double m_pert = RevAngle(b.a, b.b, tj);
    own.Fill(m_body, b.imin, b.imax);
    other.Fill(m_pert, b.jmin, b.jmax);
    double oc = 1.0, os = 0.0;
    if (b.offset_k != 0) {
      const double off = b.offset_k * RevAngle(b.offset_a, b.offset_b, tj);
      oc = std::cos(off);
      os = std::sin(off);
    }
    double u = 0, v = 0;
    for (int k = b.first; k < b.first + b.count; ++k) {
      const series::PerturbationTerm& t = s.terms[k];
      if (t.p == 0) {
        const double ci = own.Cos(t.i), si = own.Sin(t.i);
        const double cj = other.Cos(t.j), sj = other.Sin(t.j);
        u = ci * cj - si * sj;
        v = si * cj + ci * sj;
        if (b.offset_k != 0) {
          const double uu = u * oc - v * os;
          v = v * oc + u * os;
          u = uu;
        }
      } else {
        // A time-power row repeats the argument of the row before it.
        u *= tj;
        v *= tj;
      }
      sum.Add(&t.dlc, u, v);
    }
  }
  if (!s.mixed.empty()) {
    double angle[4];
    for (int n = 0; n < 4; ++n) angle[n] = RevAngle(s.mixed_angles[n].a, s.mixed_angles[n].b, tj);
    for (const series::MixedTerm& t : s.mixed) {
      double phi = 0;
      for (int n = 0; n < 4; ++n) phi += t.k[n] * angle[n];
      const double tp = std::pow(tj, t.p);
      sum.Add(&t.dlc, tp * std::cos(phi), tp * std::sin(phi));
    }
  }
  for (const series::PeriodicTerm& p : s.long_period)
    sum.dl += p.amplitude * std::sin(kTwoPi * (p.a + p.b * tj));
  sum.dl += s.poly[0] + (s.poly[1] + s.poly[2] * tj) * tj;

  PolarTriple out;
  out.Lon = 360.0 * Frac(s.final_l[0] + m_body / kTwoPi +
                         ((s.final_l[1] + s.final_l[2] * tj) * tj + sum.dl) / kArcsecPerRev);
  out.Dist = s.final_r[0] + (s.final_r[1] + s.final_r[2] * tj) * tj + sum.dr * s.final_r[3];
  const double b_poly = s.final_b[0] + (s.final_b[1] + s.final_b[2] * tj) * tj;
  out.Lat = s.b_in_degrees ? b_poly + sum.db / 3600.0 : (b_poly + sum.db) / 3600.0;

  if (s.precess_from_1950) {
    // Rotation from the ecliptic and equinox of B1950 to those of date.
    const double d = tj + 0.5;
    const double big_pi = s.prec[0];
    const double small_pi = s.prec[1] * d;
    const double p = (s.prec[2] + s.prec[3] * d) * d;
    const double l = out.Lon * kDegToRad, b = out.Lat * kDegToRad;
    const double x = std::cos(b) * std::cos(big_pi - l);
    const double y = std::cos(small_pi) * std::cos(b) * std::sin(big_pi - l) -
                     std::sin(small_pi) * std::sin(b);
    const double z = std::sin(small_pi) * std::cos(b) * std::sin(big_pi - l) +
                     std::cos(small_pi) * std::sin(b);
    out.Lat = std::asin(std::clamp(z, -1.0, 1.0)) * kRadToDeg;
    out.Lon = 360.0 * Frac((big_pi + p - std::atan2(y, x)) / kTwoPi);
  }
  return out;
}

const series::PlanetSeriesData* SeriesOfBody(int body) {
  switch (body) {
    case kBodyMercury: return &series::kMer200;
    case kBodyVenus: return &series::kVen200;
    case kBodyMars: return &series::kMar200;
    case kBodyJupiter: return &series::kJup200;
    case kBodySaturn: return &series::kSat200;
    case kBodyUranus: return &series::kUra200;
    case kBodyNeptune: return &series::kNep200;
    case kBodyPluto: return &series::kPlu200;
    default: return nullptr;
  }
}

// Rates of heliocentric longitude, latitude (1e-4 rad/day) and radius (1e-4 AU/day) for the
// light-time and aberration terms: a few Fourier terms in the body's mean anomaly M (a, b in
// revolutions). DL: constant, cos M..cos 4M, sin M..sin 4M; DR: sin M..sin 3M;
// DB: cos M..cos 4M, sin M..sin 4M. M = 2 pi frac(a + b TJ), TJ in Julian centuries of TT from
// J2000.0, with the body constants of the series themselves (Montenbruck & Pfleger, Astronomy on
// the Personal Computer, routines MER200 ... PLU200, and SUN200's Earth). The rate
// coefficients are the system's own approximate velocities; they only scale the light time.
// On a Keplerian orbit the longitude rate is even in M and the radius rate odd, so the Earth's
// rows are 5.75 cos M and 2.87 sin M and Mars' second radius term 1.21 sin 2M; with cosine and
// sine the other way round the Earth's velocity is off by 3 % and the Sun's aberration by 0.8".
struct VelocityRow {
  double a, b;
  double dl0, dl_c[4], dl_s[4];
  double dr_s[3];
  double db_c[4], db_s[4];
};
// Index = reduction body (0 the Sun: no motion of its own).
const VelocityRow kVelocity[10] = {
    {0, 0, 0, {}, {}, {}, {}, {}},
    {0.4855407, 415.2014314, 714.00, {292.66, 71.96, 18.16, 4.61}, {0, 3.81, 2.43, 1.08},
     {55.94, 11.36, 2.60}, {73.40, 29.82, 10.22, 3.28}, {-40.44, -16.55, -5.56, -1.72}},
    {0.1400197, 162.5494552, 280.00, {3.79, 0, 0, 0}, {}, {1.37, 0, 0}, {9.54, 0, 0, 0},
     {-13.57, 0, 0, 0}},
    {0.9931266, 99.9973604, 172.00, {5.75, 0, 0, 0}, {}, {2.87, 0, 0}, {}, {}},
    {0.0538553, 53.1662736, 91.50, {17.07, 2.03, 0, 0}, {}, {12.98, 1.21, 0}, {0.83, 0, 0, 0},
     {2.80, 0, 0, 0}},
    {0.0565314, 8.4302963, 14.50, {1.41, 0, 0, 0}, {}, {3.66, 0, 0}, {}, {0.33, 0, 0, 0}},
    {0.8829867, 3.3947688, 5.84, {0.65, 0, 0, 0}, {}, {3.09, 0, 0}, {0.24, 0, 0, 0}, {}},
    {0.3967117, 1.1902849, 2.05, {0.19, 0, 0, 0}, {}, {1.86, 0, 0}, {}, {-0.03, 0, 0, 0}},
    {0.7214906, 0.6068526, 1.04, {0.02, 0, 0, 0}, {}, {0.27, 0, 0}, {}, {0.03, 0, 0, 0}},
    {0.0385795, 0.4026667, 0.69, {0.34, 0.12, 0.05, 0}, {}, {6.66, 1.64, 0}, {-0.08, 0, 0, 0},
     {-0.17, -0.09, 0, 0}},
};

struct Rates {
  double dl = 0, db = 0, dr = 0;  // rad/day, rad/day, AU/day
};

Rates VelocityOf(int body, double tj) {
  const VelocityRow& r = kVelocity[body];
  Rates out;
  if (body == kBodySun) return out;
  const double m = RevAngle(r.a, r.b, tj);
  double dl = r.dl0, dr = 0, db = 0;
  for (int k = 0; k < 4; ++k) {
    const double c = std::cos((k + 1) * m), s = std::sin((k + 1) * m);
    dl += r.dl_c[k] * c + r.dl_s[k] * s;
    db += r.db_c[k] * c + r.db_s[k] * s;
    if (k < 3) dr += r.dr_s[k] * s;
  }
  out.dl = dl * 1e-4;
  out.db = db * 1e-4;
  out.dr = dr * 1e-4;
  return out;
}

// Position and velocity (per day) of a heliocentric polar triple moving at the given rates.
void Cartesian(const PolarTriple& p, const Rates& r, Vec3& pos, Vec3& vel) {
  const double l = p.Lon * kDegToRad, b = p.Lat * kDegToRad, d = p.Dist;
  const double cl = std::cos(l), sl = std::sin(l), cb = std::cos(b), sb = std::sin(b);
  pos = {d * cb * cl, d * cb * sl, d * sb};
  vel = {r.dr * cb * cl - d * r.db * sb * cl - d * r.dl * cb * sl,
         r.dr * cb * sl - d * r.db * sb * sl + d * r.dl * cb * cl,
         r.dr * sb + d * r.db * cb};
}

double Norm(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

bool AllFinite(std::initializer_list<double> xs) {
  for (double x : xs)
    if (!Finite(x)) return false;
  return true;
}

// The Earth seen from the Sun, from the solar series' geocentric Sun.
PolarTriple EarthFromSun(const PolarTriple& sun) {
  return {NormalizeMod(sun.Lon + 180.0, 360), -sun.Lat, sun.Dist};
}

// Meeus' Uranus or Neptune; T = ephemeris centuries from 1900.
PolarTriple EvaluateKeplerian(const series::MeeusPlanetData& p, double t) {
  double el[6];
  for (int k = 0; k < 6; ++k)
    el[k] = p.el[k][0] + (p.el[k][1] + (p.el[k][2] + p.el[k][3] * t) * t) * t;
  const double mean_lon = el[0], a = el[1], e = el[2], incl = el[3], omega = el[4], node = el[5];
  const double mean_anomaly = mean_lon - omega - node;

  double angle[series::kMeeusAngleCount] = {};
  for (int k = 0; k < 4; ++k) angle[k] = series::kMeeusAux.aux[k][0] + series::kMeeusAux.aux[k][1] * t;
  for (int k = 0; k < p.derived_count; ++k) {
    double v = 0;
    for (int n = 0; n < series::kMeeusAngleCount; ++n) v += p.derived[k].k[n] * angle[n];
    angle[p.derived[k].target] = v;
  }
  const double u = series::kMeeusAux.u[0] + series::kMeeusAux.u[1] * t;

  double sums[7] = {};
  for (const series::MeeusTerm& term : p.terms) {
    double value = term.c[0] + (term.c[1] + term.c[2] * u) * u;
    for (const series::MeeusFactor& f : term.f) {
      if (f.fn == 0) continue;
      double arg = 0;
      for (int n = 0; n < series::kMeeusAngleCount; ++n) arg += f.k[n] * angle[n];
      value *= f.fn == 1 ? SinDeg(arg) : CosDeg(arg);
    }
    sums[term.qty] += value;
  }
  const double d_ml = sums[0], d_p = sums[1], d_e = sums[2], d_a = sums[3];
  const double d_lon = sums[4], d_lat = sums[5], d_r = sums[6];

  const double lon_p = mean_lon + d_ml;
  const double m_p = NormalizeMod(mean_anomaly + d_ml - d_p / e, 360);
  const double e_p = e + d_e;
  const double a_p = a + d_a;

  // Kepler's equation in degrees, E = M + e (180/pi) sin E, by fixed-point iteration.
  const double e_deg = e_p * kRadToDeg;
  double ecc_anom = m_p;
  for (int it = 0; it < kKeplerMaxIterations; ++it) {
    const double next = m_p + e_deg * SinDeg(ecc_anom);
    const bool settled = std::fabs(next - ecc_anom) <= 1e-5;
    ecc_anom = next;
    if (settled) break;
  }
  const double half = ecc_anom * kDegToRad / 2.0;
  const double v = 2.0 * std::atan(std::sqrt((1.0 + e_p) / (1.0 - e_p)) * std::tan(half)) * kRadToDeg;
  const double r = a_p * (1.0 - e_p * CosDeg(ecc_anom));
  const double u_lat = lon_p + v - m_p - node;

  PolarTriple out;
  out.Lon = NormalizeMod(node + std::atan2(CosDeg(incl) * SinDeg(u_lat), CosDeg(u_lat)) * kRadToDeg +
                             d_lon, 360);
  out.Lat = std::asin(std::clamp(SinDeg(u_lat) * SinDeg(incl), -1.0, 1.0)) * kRadToDeg + d_lat;
  out.Dist = r + d_r;
  return out;
}

}  // namespace

int ReductionBodyOfObject(int object) {
  static constexpr int kMap[10] = {-1, -1, kBodyMercury, kBodyVenus, kBodyMars, kBodyJupiter,
                                   kBodySaturn, kBodyUranus, kBodyNeptune, kBodyPluto};
  return object >= 0 && object < 10 ? kMap[object] : -1;
}

PolarTriple SunSeries(TtMoment e) {
  const double tj = e.SinceJ2000();
  if (!Finite(tj) || std::fabs(tj) > kMaxAbsMoment + 1.0) return {};
  return EvaluateSeries(series::kSun200, tj);
}

PolarTriple PlanetSeries(int body, TtMoment e) {
  const double tj = e.SinceJ2000();
  const series::PlanetSeriesData* s = SeriesOfBody(body);
  if (s == nullptr || !Finite(tj) || std::fabs(tj) > kMaxAbsMoment + 1.0) return {};
  return EvaluateSeries(*s, tj);
}

PolarTriple KeplerianOuterPlanet(int body, TtMoment e) {
  const double e1900 = e.Centuries;
  if (!Finite(e1900) || std::fabs(e1900) > kMaxAbsMoment) return {};
  if (body == kBodyUranus) return EvaluateKeplerian(series::kMeeusUranus, e1900);
  if (body == kBodyNeptune) return EvaluateKeplerian(series::kMeeusNeptune, e1900);
  return {};
}

PolarTriple MoonSeries(TtMoment e) {
  const double tj = e.SinceJ2000();
  if (!Finite(tj) || std::fabs(tj) > kMaxAbsMoment + 1.0) return {};
  const series::MoonSeriesData& m = series::kMoonSeries;

  // Long-periodic corrections of the mean arguments.
  double s_lp[7];
  for (int k = 0; k < 7; ++k) s_lp[k] = std::sin(kTwoPi * (m.lps[k].a + m.lps[k].b * tj));
  double corr[5] = {};  // L0, l, ls, F, D (arcsec)
  for (int x = 0; x < 4; ++x)
    for (int k = 0; k < 7; ++k) corr[x] += m.lpc[x][k] * s_lp[k];
  corr[4] = corr[0] - corr[2];
  double dgam = 0;
  for (const series::PeriodicTerm& g : m.dgam) dgam += g.amplitude * std::sin(kTwoPi * (g.a + g.b * tj));

  double arg[5];
  for (int x = 0; x < 5; ++x)
    arg[x] = kTwoPi * Frac(m.mean[x][0] + (m.mean[x][1] + m.mean[x][2] * tj) * tj) + corr[x] / m.arc;

  // Multiples of l, ls, F, D with their factors f^|n|.
  Multiples mult[4];
  for (int x = 0; x < 4; ++x) {
    const series::MoonMultiplier& f = m.mult[x];
    const int kmax = static_cast<int>(f.kmax);
    mult[x].Fill(arg[x + 1], -kmax, kmax, f.c0 + f.c_t * tj + f.c_dgam * dgam);
  }
  auto term = [&](const int k[4], double& c, double& s) {
    c = 1.0;
    s = 0.0;
    for (int x = 0; x < 4; ++x) {
      if (k[x] == 0) continue;
      const double mc = mult[x].Cos(k[x]), ms = mult[x].Sin(k[x]);
      const double cc = c * mc - s * ms;
      s = s * mc + c * ms;
      c = cc;
    }
  };

  double dlam = 0, ds = 0, gam1c = 0, sinpi = m.init_sinpi, n_lat = 0;
  for (const series::MoonSolarTerm& t : m.solar) {
    double c, s;
    term(t.k, c, s);
    dlam += t.coeff_l * s;
    ds += t.coeff_s * s;
    gam1c += t.coeff_g * c;
    sinpi += t.coeff_p * c;
  }
  for (const series::MoonLatitudeTerm& t : m.latitude) {
    double c, s;
    term(t.k, c, s);
    n_lat += t.coeff_n * s;
  }
  for (const series::PeriodicTerm& p : m.planetary)
    dlam += p.amplitude * std::sin(kTwoPi * (p.a + p.b * tj));

  PolarTriple out;
  out.Lon = 360.0 * Frac((arg[0] + dlam / m.arc) / kTwoPi);
  const double big_s = arg[3] + ds / m.arc;
  const double fac = m.mult[2].c0 + m.mult[2].c_dgam * dgam;
  out.Lat = (fac * (m.final_beta[0] + m.final_beta[1] + gam1c) * std::sin(big_s) -
             m.final_beta[2] * std::sin(3.0 * big_s) + n_lat) / 3600.0;
  out.Dist = m.arc / (sinpi * m.sinpi_scale);
  return out;
}

Vec3 Geocentric(int body, int mode, const PolarTriple& earth, const PolarTriple& planet,
                TtMoment e) {
  const double tj = e.SinceJ2000();
  Vec3 earth_pos, earth_vel, body_pos, body_vel;
  Cartesian(earth, VelocityOf(kBodyEarth, tj), earth_pos, earth_vel);
  if (body == kBodyEarth) return {};
  if (body != kBodySun) Cartesian(planet, VelocityOf(body, tj), body_pos, body_vel);
  Vec3 g{body_pos.x - earth_pos.x, body_pos.y - earth_pos.y, body_pos.z - earth_pos.z};
  if (mode == kAstrometric || mode == kApparent) {
    const double tau = Norm(g) * kLightDaysPerAu;
    Vec3 v = body_vel;
    if (mode == kApparent) v = {v.x - earth_vel.x, v.y - earth_vel.y, v.z - earth_vel.z};
    g = {g.x - tau * v.x, g.y - tau * v.y, g.z - tau * v.z};
  }
  return g;
}

ApparentPlace ApparentFromEcliptic(const Vec3& v, TtMoment e) {
  const double e1900 = e.Centuries;
  const double tj = e.SinceJ2000();
  if (!AllFinite({v.x, v.y, v.z, e1900}) || std::fabs(e1900) > kMaxAbsMoment + 1.0) return {};

  // Equatorial, mean equator and equinox of date. Mean obliquity of the IAU 1976 system (Lieske
  // et al. 1977; Meeus, Astronomical Algorithms, "Nutation and the Obliquity of the Ecliptic"):
  // degrees, tj in Julian centuries of TT from J2000.0.
  const double eps0 =
      (23.43929111 - (46.815 * tj + 0.00059 * tj * tj - 0.001813 * tj * tj * tj) / 3600.0) *
      kDegToRad;
  const double ce = std::cos(eps0), se = std::sin(eps0);
  double x = v.x;
  double y = ce * v.y - se * v.z;
  double z = se * v.y + ce * v.z;

  // Nutation, applied as a small rotation of the equatorial vector: the five-term series of
  // routine NUTEQU in Montenbruck & Pfleger, Astronomy on the Personal Computer, "Precession and
  // Nutation": arguments in revolutions, terms in arcseconds, tj in Julian centuries from J2000.0.
  const double ls = RevAngle(0.993133, 99.997306, tj);
  const double d = RevAngle(0.827362, 1236.853087, tj);
  const double f = RevAngle(0.259089, 1342.227826, tj);
  const double n = RevAngle(0.347346, -5.372447, tj);
  const double eps = 0.4090928 - 0.00022696 * tj;
  const double dpsi = (-17.200 * std::sin(n) - 1.319 * std::sin(2.0 * (n + f - d)) -
                       0.227 * std::sin(2.0 * (n + f)) + 0.206 * std::sin(2.0 * n) +
                       0.143 * std::sin(ls)) / kArcsecPerRad;
  const double deps = (9.203 * std::cos(n) + 0.574 * std::cos(2.0 * (n + f - d)) +
                       0.098 * std::cos(2.0 * (n + f)) - 0.090 * std::cos(2.0 * n)) / kArcsecPerRad;
  const double cn = std::cos(eps), sn = std::sin(eps);
  const double xn = x - (cn * y + sn * z) * dpsi;
  const double yn = y + x * cn * dpsi - z * deps;
  const double zn = z + x * sn * dpsi + y * deps;
  x = xn;
  y = yn;
  z = zn;

  ApparentPlace out;
  const double dist = std::sqrt(x * x + y * y + z * z);
  if (!(dist > 0.0) || !Finite(dist)) return {};
  const double alpha = std::atan2(y, x);
  const double delta = std::atan2(z, std::sqrt(x * x + y * y));

  // Ecliptic of date with the true obliquity.
  // TrueObliquity is argued in UT; this system has always handed it the ephemeris moment here,
  // and the chart's values are what they are (the difference is far below the series' error).
  const double et = TrueObliquity(ChartMoment{e1900}) * kDegToRad;
  const double ca = std::cos(alpha), sa = std::sin(alpha);
  const double cd = std::cos(delta), sd = std::sin(delta);
  const double cet = std::cos(et), set = std::sin(et);
  out.Longitude = NormalizeMod(FullCircleAtan(ca * cd, sa * cd * cet + sd * set) * kRadToDeg, 360);
  out.Latitude = ArcSinGuarded(std::clamp(sd * cet - cd * set * sa, -1.0, 1.0)) * kRadToDeg;
  out.RightAscension = NormalizeMod(alpha * kRadToDeg, 360);
  out.Declination = delta * kRadToDeg;
  out.Distance = dist;
  if (!AllFinite({out.Longitude, out.Latitude, out.RightAscension, out.Declination}))
    return {};
  return out;
}

SunResult SunPosition(ChartMoment t) {
  SunResult out;
  out.Moment = t;
  if (!UsableMoment(t)) return out;
  const TtMoment e = EphemerisMoment(t);
  const PolarTriple sun = SunSeries(e);
  if (!AllFinite({sun.Lon, sun.Lat, sun.Dist})) return out;
  const ApparentPlace ap =
      ApparentFromEcliptic(Geocentric(kBodySun, kApparent, EarthFromSun(sun), {}, e), e);
  if (!IsValue(ap.Longitude)) return out;
  out.Longitude = ap.Longitude;
  out.Latitude = ap.Latitude;
  out.RightAscension = ap.RightAscension;
  out.Declination = ap.Declination;
  out.Distance = sun.Dist;
  out.GeoLongitude = sun.Lon;
  out.GeoLatitude = sun.Lat;
  out.GeoDistance = sun.Dist;
  out.EarthHelioLongitude = sun.Lon;
  out.EarthHelioLatitude = -sun.Lat;
  return out;
}

MoonResult MoonPosition(ChartMoment t) {
  MoonResult out;
  out.Moment = t;
  if (!UsableMoment(t)) return out;
  const TtMoment e = EphemerisMoment(t);
  const PolarTriple moon = MoonSeries(e);
  if (!AllFinite({moon.Lon, moon.Lat, moon.Dist}) || !(moon.Dist > 0.0)) return out;
  const double dist_au = moon.Dist * kEarthRadiusAu;
  const double l = moon.Lon * kDegToRad, b = moon.Lat * kDegToRad;
  const Vec3 v{dist_au * std::cos(b) * std::cos(l), dist_au * std::cos(b) * std::sin(l),
               dist_au * std::sin(b)};
  const ApparentPlace ap = ApparentFromEcliptic(v, e);
  if (!IsValue(ap.Longitude)) return out;
  out.Longitude = ap.Longitude;
  out.Latitude = ap.Latitude;
  out.Distance = ap.Distance;
  out.RightAscension = ap.RightAscension;
  out.Declination = ap.Declination;

  return out;
}

double MeanLunarApogee(TtMoment e) { return NormalizeMod(334.329555 + 4069.03503 * e.Centuries + 180.0, 360); }

double MeanLunarNode(ChartMoment t) {
  const double tj = t.Centuries - 1.0000000127;
  return 125.044555 - 1934.1361849 * tj + 0.0020762 * tj * tj + tj * tj * tj / 467410 -
         tj * tj * tj * tj / 60616000;
}

PlanetResult PlanetPosition(int n, ChartMoment t, const SunResult& sun) {
  PlanetResult out;
  out.Moment = t;
  const int body = ReductionBodyOfObject(n);
  if (body < 0 || !UsableMoment(t) || !sun.Valid() || !IsValue(sun.GeoLongitude) ||
      !AllFinite({sun.GeoLongitude, sun.GeoLatitude, sun.GeoDistance}))
    return out;
  const TtMoment e = EphemerisMoment(t);
  const PolarTriple helio = PlanetSeries(body, e);
  if (!AllFinite({helio.Lon, helio.Lat, helio.Dist})) return out;
  const PolarTriple earth = EarthFromSun({sun.GeoLongitude, sun.GeoLatitude, sun.GeoDistance});
  const ApparentPlace ap =
      ApparentFromEcliptic(Geocentric(body, kApparent, earth, helio, e), e);
  if (!IsValue(ap.Longitude)) return out;
  out.HelioLongitude = helio.Lon;
  out.HelioLatitude = helio.Lat;
  out.RadiusVector = helio.Dist;
  out.Longitude = ap.Longitude;
  out.Latitude = ap.Latitude;
  out.Distance = ap.Distance;
  out.RightAscension = ap.RightAscension;
  out.Declination = ap.Declination;

  if ((body == kBodyUranus || body == kBodyNeptune) && e.Centuries < kKeplerianBefore) {
    // The series drift to arcminutes before 1600; the elements stay within about two. Only the
    // geocentric longitude is taken from them, seen from the Sun's apparent place.
    const PolarTriple k = KeplerianOuterPlanet(body, e);
    if (!AllFinite({k.Lon, k.Lat, k.Dist, sun.Longitude, sun.Distance})) return PlanetResult{t};
    const double rc = k.Dist * CosDeg(k.Lat);
    const double x = rc * CosDeg(k.Lon) + sun.Distance * CosDeg(sun.Longitude);
    const double y = rc * SinDeg(k.Lon) + sun.Distance * SinDeg(sun.Longitude);
    out.Longitude = NormalizeMod(FullCircleAtan(x, y) * kRadToDeg, 360);
  }
  return out;
}

std::vector<std::string> SeriesRangeWarnings(ChartMoment t) {
  if (!UsableMoment(t)) return {};
  // PLU200 is a fit to 1890-2100 (Montenbruck & Pfleger); outside it drifts to tenths of a
  // degree within a few years.
  const int year = DateFromMoment(t).year;
  if (year >= 1890 && year <= 2100) return {};
  return {"Pluto's positions come from a series fitted to 1890-2100; outside those years they may be "
          "off by tenths of a degree or more"};
}

}  // namespace sd::astro
