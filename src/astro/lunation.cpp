#include "astro/lunation.h"

#include <cmath>

#include "astro/angles.h"
#include "astro/chart.h"
#include "astro/numeric.h"
#include "astro/obliquity.h"
#include "astro/positions.h"
#include "astro/sidereal_time.h"
#include "astro/time_scales.h"

namespace sd::astro {
namespace {

constexpr double kHour = DayInCenturies / 24;
// A New Moon this close to the chart's moment is taken even when it lies just after it. The
// system's own constant: two hours in Julian centuries (2 / 24 / 36525, rounded).
constexpr double kNewMoonWindow = 2.2815423225e-6;

// Secant refinement: the two prescribed steps, then a few more only while the Moon is still
// visibly off the Sun (epochs where the mean-lunation start is hours away from the theory's
// conjunction).
constexpr double kSecondStepHalfWidth = kHour / 5;  // 12 minutes
constexpr double kConvergedElongation = 1e-3;       // degrees, about 2 s of the Moon's motion
constexpr int kExtraSecantSteps = 6;
// A "New Moon" farther than this from conjunction is no New Moon.
constexpr double kMaxElongation = 0.5;

// Eclipse grid of places: longitude 360 i / 122, latitude -90 + 180 j / 71 (about 3 by 2.5
// degrees, covering the whole globe).
constexpr int kGridLongitudes = 122;
constexpr int kGridLatitudes = 71;
// A place seeing the Moon this far from the Sun ends the grid scan: no eclipse here can reach
// the required share anywhere.
constexpr double kGridGiveUpSeparation = 2.5;

// Mode 0: moments over +-1.45 h around the New Moon, 19 of them (37 for near-total shares).
constexpr double kLocalHalfSpan = 1.45 * kHour;

constexpr int kBackwardLunations[2] = {5001, 201};  // by search mode 0, 1
constexpr int kForwardLunations[2] = {5002, 202};

// Apparent disc radii in degrees, small-angle form: radius (km) times degrees per radian, over
// the distance in km. The system's own constants: kilometres per astronomical unit as it defines
// them (149587870; the IAU 1976 value is 149597870, so the discs come out 0.007 % larger).
constexpr double kKmPerAu = 149587870;
// The Sun's radius, 696000 km, times 180 / pi: km-degrees.
constexpr double kSunRadiusFactor = 39877862.54110529533;
// The Moon's radius, 1738 km, times 180 / pi: km-degrees.
constexpr double kMoonRadiusFactor = 99580.064793737073686;

constexpr int kMundaneFalsePositionLimit = 1000;
constexpr int kMundaneNewtonSteps = 10;

bool Usable(double x) { return IsValue(x) && std::isfinite(x); }

// Moon minus Sun apparent longitude, (-180, 180]; NoValue when either is unknown.
double Elongation(ChartMoment t) {
  const SunResult sun = SunPosition(t);
  const MoonResult moon = MoonPosition(t);
  if (!sun.Valid() || !moon.Valid()) return NoValue;
  const double e = NormalizeMod(moon.Longitude - sun.Longitude + 180, 360) - 180;
  return e == -180 ? 180 : e;
}

// Zero of the elongation on the line through t - half and t + half.
ChartMoment SecantStep(ChartMoment t, double half) {
  const double e0 = Elongation(t - half), e1 = Elongation(t + half);
  if (!IsValue(e0) || !IsValue(e1)) return kNoMoment;
  return LinearAt(0, e1, e0, t + half, t - half);
}

struct SunMoon {
  SunResult sun;
  MoonResult moon;
  double r_sun = 0, r_moon = 0;
  bool ok = false;
};
SunMoon SunMoonAt(ChartMoment t) {
  SunMoon s;
  s.sun = SunPosition(t);
  s.moon = MoonPosition(t);
  s.ok = s.sun.Valid() && s.moon.Valid() && Usable(s.sun.Distance) && Usable(s.moon.Distance) &&
         s.sun.Distance > 0 && s.moon.Distance > 0;
  if (s.ok) {
    s.r_sun = kSunRadiusFactor / (s.sun.Distance * kKmPerAu);
    s.r_moon = kMoonRadiusFactor / (s.moon.Distance * kKmPerAu);
  }
  return s;
}

// Separation of the topocentric Moon from the Sun, degrees, at a place whose local sidereal
// angle is theta; NoValue on failure.
double TopocentricSeparation(const SunMoon& s, double theta, double eps, double lat) {
  const EclipticPoint m =
      TopocentricAt(s.moon.Longitude, s.moon.Latitude, s.moon.Distance, theta, eps, lat);
  if (!IsValue(m.Lon)) return NoValue;
  const double c = std::fabs(CosDeg(m.Lon - s.sun.Longitude) * CosDeg(m.Lat - s.sun.Latitude));
  return std::acos(std::fmin(c, 1.0)) * kRadToDeg;
}

// The grid scan asks for the topocentric separation at thousands of places of one moment.
// TopocentricAt's parallax correction, written out as vectors, needs trigonometry only of the
// place's latitude and sidereal angle; and the separation's two cosines follow from the
// corrected vector (h, y, z) by algebra:
//   cos(lon' - lon_sun) = (h cos lon_sun + y sin lon_sun) / rho,   rho = sqrt(h^2 + y^2)
//   cos(lat' - lat_sun) = (rho cos lat_sun + z sin lat_sun) / sqrt(rho^2 + z^2)
// (lon' = atan2(y, h), lat' = atan(z / rho)). Same numbers as TopocentricSeparation to
// rounding, a few multiplications per place instead of some sixteen sines and arctangents.
struct GridMoment {
  double a, b, c;              // Moon direction: cos b cos l, cos b sin l, sin b
  double sp;                   // sine of the Moon's horizontal parallax
  double sin_eps, cos_eps;
  double cl_sun, sl_sun, cb_sun, sb_sun;
};

// |cos(dlon) cos(dlat)| at a place: latitude by its sine and cosine, sidereal angle by its.
double GridSeparationCosine(const GridMoment& g, double sin_phi, double cos_phi, double sin_th,
                            double cos_th) {
  const double h = g.a - cos_phi * cos_th * g.sp;
  const double y = g.b - (g.sin_eps * sin_phi + g.cos_eps * cos_phi * sin_th) * g.sp;
  const double z = g.c - (g.cos_eps * sin_phi - g.sin_eps * cos_phi * sin_th) * g.sp;
  const double rho2 = h * h + y * y;
  const double rho = std::sqrt(rho2);
  const double cos_dlon = (h * g.cl_sun + y * g.sl_sun) / rho;
  const double cos_dlat = (rho * g.cb_sun + z * g.sb_sun) / std::sqrt(rho2 + z * z);
  return std::fabs(cos_dlon * cos_dlat);
}

bool GridTest(ChartMoment t) {
  const SunMoon s = SunMoonAt(t);
  if (!s.ok) return false;
  const double theta0 = 15.0 * LocalSiderealHours(0, t);
  const double eps = TrueObliquity(t);
  if (!Usable(theta0) || !Usable(eps)) return false;

  GridMoment g;
  g.a = CosDeg(s.moon.Latitude) * CosDeg(s.moon.Longitude);
  g.b = CosDeg(s.moon.Latitude) * SinDeg(s.moon.Longitude);
  g.c = SinDeg(s.moon.Latitude);
  g.sp = SinDeg(kParallaxAtOneAu / s.moon.Distance);
  g.sin_eps = SinDeg(eps);
  g.cos_eps = CosDeg(eps);
  g.cl_sun = CosDeg(s.sun.Longitude);
  g.sl_sun = SinDeg(s.sun.Longitude);
  g.cb_sun = CosDeg(s.sun.Latitude);
  g.sb_sun = SinDeg(s.sun.Latitude);

  double sin_phi[kGridLatitudes], cos_phi[kGridLatitudes];
  for (int j = 0; j < kGridLatitudes; ++j) {
    const double lat = -90.0 + 180.0 * j / kGridLatitudes;
    sin_phi[j] = SinDeg(lat);
    cos_phi[j] = CosDeg(lat);
  }
  // Beyond 2.5 degrees the scan gives up; a separation is worth its arccosine only where the
  // discs can overlap at all.
  const double give_up_cos = CosDeg(kGridGiveUpSeparation);
  const double overlap_cos = CosDeg(s.r_sun + s.r_moon);
  for (int i = 0; i < kGridLongitudes; ++i) {
    const double theta = theta0 + 360.0 * i / kGridLongitudes;
    const double sin_th = SinDeg(theta), cos_th = CosDeg(theta);
    for (int j = 0; j < kGridLatitudes; ++j) {
      const double c = GridSeparationCosine(g, sin_phi[j], cos_phi[j], sin_th, cos_th);
      if (!std::isfinite(c) || c < give_up_cos) return false;
      if (c <= overlap_cos) continue;
      const double sep = std::acos(std::fmin(c, 1.0)) * kRadToDeg;
      if (CoveredPercent(sep, s.r_sun, s.r_moon) >= EclipsePercent) return true;
    }
  }
  return false;
}

// The chosen form of "the Sun is up": the geometric altitude of the Sun's centre is positive.
bool SunAboveHorizon(const SunResult& sun, double theta, double lat) {
  const double sin_alt = SinDeg(sun.Declination) * SinDeg(lat) +
                         CosDeg(sun.Declination) * CosDeg(lat) * CosDeg(theta - sun.RightAscension);
  return sin_alt > 0;
}

bool LocalTest(ChartMoment t, const EclipsePlace& place) {
  if (!Usable(place.Lat) || !Usable(place.Lon) || std::fabs(place.Lat) > 90) return false;
  const int moments = EclipsePercent > 94 ? 37 : 19;
  for (int i = 0; i < moments; ++i) {
    const ChartMoment ti = t - kLocalHalfSpan + 2 * kLocalHalfSpan * i / (moments - 1);
    const SunMoon s = SunMoonAt(ti);
    if (!s.ok) continue;
    const double theta = 15.0 * LocalSiderealHours(place.Lon, ti);
    if (!SunAboveHorizon(s.sun, theta, place.Lat)) continue;
    const double sep = TopocentricSeparation(s, theta, TrueObliquity(ti), place.Lat);
    if (IsValue(sep) && CoveredPercent(sep, s.r_sun, s.r_moon) >= EclipsePercent) return true;
  }
  return false;
}

}  // namespace

// 12.3685 lunations a year, counted from 1900 January as the k of Meeus, Astronomical Formulae for
// Calculators, "Phases of the Moon"; the year is the system's own 365.2558 days; t in Julian
// centuries of universal time from 1900 January 0.5.
double LunationNumberAt(ChartMoment t) {
  if (!IsKnown(t)) return NoValue;
  return std::floor(t.Centuries / (DayInCenturies * 365.2558) * 12.3685);
}

// Meeus' mean New Moon with the periodic terms (Astronomical Formulae for Calculators, "Phases of
// the Moon"): Julian Day of ephemeris time, k lunations from 1900 January, f = k / 1236.85 and t
// in centuries from 1900 January 0.5; M, M', F in degrees.
ChartMoment ApproximateNewMoon(double k, ChartMoment at) {
  if (!Usable(k) || !IsKnown(at)) return kNoMoment;
  const double t = at.Centuries;
  const double f = k / 1236.85;
  const double m = 359.2242 + 29.10535608 * k - 0.0000333 * f * f - 0.00000347 * f * f * f;
  const double mm = 306.0253 + 385.81691806 * k + 0.0107306 * f * f + 0.00001236 * f * f * f;
  const double ff = 21.2964 + 390.67050646 * k - 0.0016528 * f * f - 0.00000239 * f * f * f;
  const double jd = 2415020.75933 + 29.53058868 * k + 0.0001178 * t * t -
                    0.000000155 * t * t * t +
                    0.00033 * SinDeg(166.56 + 132.87 * t - 0.009173 * t * t) +
                    (0.1734 - 0.000393 * f) * SinDeg(m) + 0.0021 * SinDeg(2 * m) -
                    0.4068 * SinDeg(mm) + 0.0161 * SinDeg(2 * mm) - 0.0004 * SinDeg(3 * mm) +
                    0.0104 * SinDeg(2 * ff) - 0.0051 * SinDeg(m + mm) - 0.0074 * SinDeg(m - mm) +
                    0.0004 * SinDeg(2 * ff + m) - 0.0004 * SinDeg(2 * ff - m) -
                    0.0006 * SinDeg(2 * ff + mm) + 0.0010 * SinDeg(2 * ff - mm) +
                    0.0005 * SinDeg(m + 2 * mm);
  // The formula counts ephemeris time; the theories take universal time and add DeltaT
  // themselves. Minutes today, but days in antiquity, where a New Moon on the ephemeris clock
  // would put the Moon many degrees from the Sun and no eclipse test could ever pass.
  // DeltaT is taken at the ephemeris moment read as universal time: it changes by well under a
  // second between the two.
  const double ephemeris = (jd - 2415020.0) / 36525.0;
  if (!Usable(ephemeris)) return kNoMoment;
  const ChartMoment moment(ephemeris - DeltaT(ChartMoment(ephemeris)));
  return IsKnown(moment) ? moment : kNoMoment;
}

ChartMoment RefineNewMoon(ChartMoment approx) {
  if (!UsableMoment(approx)) return kNoMoment;
  ChartMoment t = SecantStep(approx, kHour);
  if (!UsableMoment(t)) return kNoMoment;
  t = SecantStep(t, kSecondStepHalfWidth);
  if (!UsableMoment(t)) return kNoMoment;
  double e = Elongation(t);
  for (int i = 0; i < kExtraSecantSteps && IsValue(e) && std::fabs(e) > kConvergedElongation;
       ++i) {
    t = SecantStep(t, kSecondStepHalfWidth);
    if (!UsableMoment(t)) return kNoMoment;
    e = Elongation(t);
  }
  if (!IsValue(e) || std::fabs(e) > kMaxElongation) return kNoMoment;
  return t;
}

NewMoon LastNewMoon(ChartMoment t) {
  if (!UsableMoment(t)) return {};
  const double k0 = LunationNumberAt(t);
  ChartMoment n[4];
  for (int i = 0; i < 4; ++i) n[i] = RefineNewMoon(ApproximateNewMoon(k0 - 1 + i, t));

  ChartMoment chosen = kNoMoment;
  for (int i = 0; i < 4 && !IsValue(chosen); ++i)
    if (IsValue(n[i]) && std::fabs(n[i] - t) <= kNewMoonWindow) chosen = n[i];
  for (int i = 0; i < 3 && !IsValue(chosen); ++i)
    if (IsValue(n[i]) && IsValue(n[i + 1]) && n[i] <= t && t < n[i + 1]) chosen = n[i];
  if (!IsValue(chosen)) chosen = t;

  const MoonResult moon = MoonPosition(chosen);
  return {chosen, moon.Valid() ? moon.Longitude : NoValue};
}

double CoveredPercent(double sep, double r_sun, double r_moon) {
  if (!(r_sun > 0) || !(r_moon > 0) || !(sep >= 0)) return 0;
  if (!(r_sun + r_moon > sep) || sep >= 2 * r_sun) return 0;
  const double lens = 2 * r_sun * r_sun * std::acos(sep / (2 * r_sun)) -
                      sep * std::sqrt(r_sun * r_sun - sep * sep / 4);
  return 100 * lens / (kPi * r_sun * r_sun);
}

bool EclipseTest(ChartMoment t, int mode, const EclipsePlace& place) {
  if (!UsableMoment(t)) return false;
  return mode == 0 ? LocalTest(t, place) : GridTest(t);
}

EclipsePair EclipseSearch(ChartMoment t, int mode, const EclipsePlace& place) {
  EclipsePair out;
  if (!UsableMoment(t)) return out;
  const double k0 = LunationNumberAt(t);
  const int m = mode == 0 ? 0 : 1;

  for (int i = 0; i < kBackwardLunations[m]; ++i) {
    const ChartMoment approx = ApproximateNewMoon(k0 + 1 - i, t);
    if (!EclipseTest(approx, mode, place)) continue;
    const ChartMoment refined = RefineNewMoon(approx);
    if (IsValue(refined) && refined <= t) {
      const MoonResult moon = MoonPosition(refined);
      out.PrevMoment = refined;
      out.PrevMoonLongitude = moon.Valid() ? moon.Longitude : NoValue;
      break;
    }
  }
  for (int i = 0; i < kForwardLunations[m]; ++i) {
    const ChartMoment approx = ApproximateNewMoon(k0 + i, t);
    if (!EclipseTest(approx, mode, place)) continue;
    const ChartMoment refined = RefineNewMoon(approx);
    if (IsValue(refined) && refined >= t) {
      const MoonResult moon = MoonPosition(refined);
      out.NextMoment = refined;
      out.NextMoonLongitude = moon.Valid() ? moon.Longitude : NoValue;
      break;
    }
  }
  return out;
}

// Roots of f(x) = sin(x + H) + c0 + m x (x in degrees) bracket by bracket, by false position.
double MundanePositionOf(double ramc, double lat, double ra, double decl) {
  if (!Usable(ramc) || !Usable(lat) || !Usable(ra) || !Usable(decl)) return NoValue;
  const double h = ramc - ra;
  const double sin_altitude = CosDeg(h) * CosDeg(lat) * CosDeg(decl) + SinDeg(decl) * SinDeg(lat);
  const bool above = sin_altitude > 0;
  // On the horizon both ends of the search range are roots and rounding would pick one: the
  // rising point is 0 and the setting point 180, as the positions on either side approach.
  if (std::fabs(sin_altitude) < 1e-12 && std::fabs(CosDeg(lat)) > 1e-9)
    return SinDeg(h) < 0 ? 0.0 : 180.0;
  const double v = SinDeg(decl) * SinDeg(lat) / CosDeg(lat) / CosDeg(decl);
  if (!std::isfinite(v)) return NoValue;

  if (std::fabs(v) <= kPi / 2) {
    const double m = above ? v / 90 : -v / 90;
    const double c0 = above ? 0 : 2 * v;
    const double lo = above ? -90 : 90, hi = above ? 90 : 270;
    auto f = [&](double x) { return SinDeg(x + h) + c0 + m * x; };

    // Stationary points of f split the range into monotonic pieces.
    const double l = ArcCosGuarded(-m * 180 / kPi) * kRadToDeg;
    double x1 = 360 * std::floor((h + hi) / 360 - l / 360) - h + l;
    double x2 = 360 * std::floor(l / 360 + (h + hi) / 360) - h - l;
    const bool c1 = lo < x1 && x1 <= hi, c2 = lo < x2 && x2 <= hi;
    double ends[4] = {lo, hi, hi, hi};
    int count = 2;
    if (c1 && c2) {
      ends[1] = std::fmin(x1, x2), ends[2] = std::fmax(x1, x2), ends[3] = hi, count = 4;
    } else if (c1 || c2) {
      ends[1] = c1 ? x1 : x2, ends[2] = hi, count = 3;
    }

    for (int s = 0; s + 1 < count; ++s) {
      double a = ends[s], b = ends[s + 1];
      double fa = f(a), fb = f(b);
      if (!(fa * fb < 0)) continue;
      double d = a;
      for (int it = 0; it < kMundaneFalsePositionLimit; ++it) {
        d = (b * fa - a * fb) / (fa - fb);
        const double fd = f(d);
        if (!std::isfinite(fd) || std::fabs(fd) < 1e-10) break;
        if (fb * fd <= 0) {
          a = d, fa = fd;
        } else {
          b = d, fb = fd;
        }
      }
      // The first root found is the position; later pieces are not needed.
      return std::isfinite(d) ? NormalizeMod(d - 90, 360) : NoValue;
    }
    return NoValue;
  }

  // Circumpolar-like case: Newton-type iteration on B x - k - sin(x - w) = 0 (radians).
  double w = NormalizeMod(ra - ramc + 270, 360);
  double d = decl;
  bool rule1;
  if (v > 0) {
    rule1 = w > 180;
    if (rule1) w -= 180, d = -decl;
  } else {
    rule1 = w <= 180;
    if (!rule1) w -= 180, d = -decl;
  }
  const double k = std::tan(d * kDegToRad) * std::tan(lat * kDegToRad);
  const double bb = 2 * k / kPi;
  const double wr = w * kDegToRad;
  double x = rule1 ? (wr - k) / (1 - bb) : (w <= 90 ? kPi : 0.0);
  for (int i = 0; i < kMundaneNewtonSteps; ++i) {
    const double ff = bb * x - k - std::sin(x - wr);
    const double g = std::cos(x - wr) - bb;
    x = x + ff / g + std::sin(x - wr) * 0.5 * ff * ff / (g * g * g);
  }
  if (!std::isfinite(x)) return NoValue;
  return x * kRadToDeg + (above ? 180 : 0);
}

}  // namespace sd::astro
