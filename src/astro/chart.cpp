#include "astro/chart.h"

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <string>

#include "astro/angles.h"
#include "astro/ayanamsa.h"
#include "astro/calendar.h"
#include "astro/houses.h"
#include "astro/lunation.h"
#include "astro/obliquity.h"
#include "astro/positions.h"
#include "astro/sidereal_time.h"
#include "astro/time_scales.h"

namespace sd::astro {
namespace {

// Set while a chart is being computed, to refuse a computation started from inside another.
// A request has one thread, where this is the process-wide guard; the evaluation of a price
// history computes skies on several threads, and each needs only its own guard, since a
// computation shares nothing with one on another thread.
thread_local std::atomic<bool> g_chart_busy{false};

struct BusyRelease {
  ~BusyRelease() { g_chart_busy.store(false); }
};

constexpr const char* kObjectNames[kObjectCount] = {
    "Sun", "Moon", "Mercury", "Venus", "Mars", "Jupiter", "Saturn", "Uranus", "Neptune",
    "Pluto", "(unused)", "(unused)", "(unused)", "(unused)", "(unused)",
    "Moon at previous eclipse", "Moon at next eclipse", "Prenatal New Moon",
    "Ascendant", "Cusp 2", "Cusp 3", "Cusp 4", "Cusp 5", "Cusp 6", "Cusp 7", "Cusp 8",
    "Cusp 9", "Midheaven", "Cusp 11", "Cusp 12",
    "North Node", "South Node", "Perigee", "Apogee", "Composite point", "Part of Fortune",
    "Ascendant+Mars-Saturn", "Calendar point", "East Point", "Vertex"};

// The mean tropical year of 1900 in days: the system's own constant for the composite point's
// yearly rates.
constexpr double kTropicalYearDays = 365.24219879;

// Reciprocal masses (solar mass / body mass, pure numbers) for the barycentre direction: the
// Earth with the Moon, then the planets by object number. The system's own constants.
inline constexpr double kEarthMoonMassRatio = 329390;
inline constexpr double kPlanetMassRatio[kPlanetCount] = {
    0, 0, 6023650, 408523, 3098710, 1047.346, 3498.5, 22869, 19314, 3000000};

bool Usable(double x) { return IsValue(x) && std::isfinite(x); }
double Atan2Deg(double x, double y) { return FullCircleAtan(x, y) * kRadToDeg; }
double FiniteOrNoValue(double x) { return std::isfinite(x) ? x : NoValue; }

// Object numbers a formula names, outside its enclosed runs.
template <class F>
void ForEachFormulaObject(std::string_view formula, F&& visit) {
  for (size_t i = 0; i < formula.size(); ++i) {
    const auto b = static_cast<uint8_t>(formula[i]);
    if (b == kFormulaConstant || b == kFormulaRate) {
      const size_t close = formula.find(static_cast<char>(b), i + 1);
      if (close == std::string_view::npos) return;
      i = close;
    } else if (b < kFormulaPlus) {
      visit(int(b));
    }
  }
}

// A D.MMSS number between two delimiters; NoValue unless the whole run is a finite number.
double ParseRun(std::string_view run) {
  const std::string text(run);
  if (text.empty()) return NoValue;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(v)) return NoValue;
  return HmsToDecimal(v);
}

// The largest periodic term of the true node, -1.6 sin(2D - 2F) degrees (rounded from the 1.4979
// of Meeus, Astronomical Algorithms, "Position of the Moon"); D, F, the Moon's mean elongation and
// argument of latitude in degrees from Meeus, Astronomical Formulae for Calculators, "Position of
// the Moon"; e in ephemeris centuries from 1900 January 0.5.
double TrueNodeCorrection(TtMoment tt) {
  const double e = tt.Centuries;
  const double d = 350.737486 + 445267.1142 * e - 0.001436 * e * e + 0.0000019 * e * e * e;
  const double f = 11.250889 + 483202.0251 * e - 0.003211 * e * e - 0.0000003 * e * e * e;
  return 1.6 * SinDeg(2 * d - 2 * f);
}

struct Place {
  double lat = NoValue, lon = NoValue;  // decimal degrees
  bool ok = false;
};

Place PlaceOf(const ChartData& chart) {
  Place p;
  p.lat = HmsToDecimal(chart.Event.PlaceLatitude);
  p.lon = HmsToDecimal(chart.Event.PlaceLongitude);
  p.ok = std::isfinite(p.lat) && std::isfinite(p.lon) && std::fabs(p.lat) <= 90;
  return p;
}

}  // namespace

bool IsAllowedObject(int n) { return (n >= 0 && n <= 9) || (n >= 15 && n < kObjectCount); }

const char* ObjectName(int n) { return n >= 0 && n < kObjectCount ? kObjectNames[n] : ""; }

bool AllCuspsKnown(const ChartData& chart) {
  for (int k = 1; k <= 12; ++k)
    if (!IsValue(chart.Lon(CuspObject(k)))) return false;
  return true;
}

bool ChartComputationBusy() { return g_chart_busy.load(); }

EclipticPoint TopocentricAt(double lon, double lat, double dist, double theta, double eps,
                            double place_lat) {
  if (!Usable(lon) || !Usable(lat) || !Usable(dist) || !Usable(theta) || !Usable(eps) ||
      !Usable(place_lat) || dist <= 0)
    return {};
  const double sp = SinDeg(kParallaxAtOneAu / dist);
  const double h = CosDeg(lat) * CosDeg(lon) - CosDeg(place_lat) * CosDeg(theta) * sp;
  const double y = CosDeg(lat) * SinDeg(lon) -
                   (SinDeg(eps) * SinDeg(place_lat) +
                    CosDeg(eps) * CosDeg(place_lat) * SinDeg(theta)) * sp;
  const double tlon = NormalizeMod(Atan2Deg(h, y), 360);
  const double tlat =
      std::atan(CosDeg(tlon) *
                (SinDeg(lat) - (CosDeg(eps) * SinDeg(place_lat) -
                                SinDeg(eps) * CosDeg(place_lat) * SinDeg(theta)) * sp) /
                h) * kRadToDeg;
  if (!std::isfinite(tlon) || !std::isfinite(tlat)) return {};
  return {tlon, tlat};
}

EclipticPoint Topocentric(double lon, double lat, double dist, ChartMoment t, double place_lat,
                          double place_lon) {
  if (!UsableMoment(t) || !Usable(place_lon)) return {};
  return TopocentricAt(lon, lat, dist, 15.0 * LocalSiderealHours(place_lon, t), TrueObliquity(t),
                       place_lat);
}

double DeclinationFromLongitude(double decl, double ra, ChartMoment t) {
  if (!Usable(decl) || !Usable(ra) || !UsableMoment(t)) return 0;
  const double eps = TrueObliquity(t);
  // A declination beyond the ecliptic's reach is mirrored back at the solstice.
  if (decl > eps) decl = eps - (decl - eps);
  if (decl < -eps) decl = std::fabs(eps + decl) - eps;
  const double y = SinDeg(decl) / SinDeg(eps);
  const double q = SinDeg(decl) * CosDeg(eps) / SinDeg(eps);
  // Mathematically never negative once decl is within +-eps: only rounding makes it so.
  double x = std::sqrt(std::fmax(0.0, CosDeg(decl) * CosDeg(decl) - q * q));
  const double side = NormalizeMod(ra, 360);
  if (side > 90 && side < 270) x = -x;
  const double r = NormalizeMod(Atan2Deg(x, y), 360);
  return std::isfinite(r) ? r : 0;
}

double CompositeValue(std::string_view formula, const double* row, ChartMoment t) {
  double sum = 0, sign = 1;
  for (size_t i = 0; i < formula.size(); ++i) {
    const auto b = static_cast<uint8_t>(formula[i]);
    if (b == kFormulaPlus) {
      sign = 1;
    } else if (b == kFormulaMinus) {
      sign = -1;
    } else if (b == kFormulaConstant || b == kFormulaRate) {
      const size_t close = formula.find(static_cast<char>(b), i + 1);
      if (close == std::string_view::npos) return NoValue;
      double v = ParseRun(formula.substr(i + 1, close - i - 1));
      if (!IsValue(v)) return NoValue;
      if (b == kFormulaRate) {
        // A rate per tropical year, counted from 2000 January 1, 0h.
        if (!UsableMoment(t)) return NoValue;
        v *= (t - MomentFromDate(2000, 1, 1, 0)) / (kTropicalYearDays * DayInCenturies);
      }
      sum += sign * v;
      i = close;
    } else if (b < kFormulaPlus) {
      if (b >= kObjectCount || !Usable(row[b])) return NoValue;
      sum += sign * row[b];
    }
  }
  return std::isfinite(sum) ? NormalizeMod(sum, 360) : NoValue;
}

double PhaseAngle(const ChartData& chart, int n) {
  const double sun = chart.Lon(kSun);
  if (n == kSun) return Usable(sun) ? 0 : NoValue;
  if (n == kMoon) {
    const double moon = chart.Lon(kMoon);
    return Usable(sun) && Usable(moon) ? NormalizeMod(moon - sun, 360) : NoValue;
  }
  if (n < kMercury || n > kPluto) return NoValue;
  double l = chart.Object[kHelioLongitude][n];
  const double r = chart.Planet[kRadiusVector][n];
  const double b = chart.Planet[kHelioLatitude][n];
  double le = chart.Object[kHelioLongitude][kSun];
  double re = chart.Planet[kRadiusVector][kSun];
  if (!Usable(l) || !Usable(r) || !Usable(b) || !Usable(le) || !Usable(re)) return NoValue;
  double rp = r * CosDeg(b);
  if (n >= kMars) {
    std::swap(l, le);
    std::swap(rp, re);
  }
  const double g = NormalizeMod(l - le, 360);
  const double d = std::sqrt(rp * rp + re * re - 2 * rp * re * CosDeg(g));
  const double a = NormalizeMod(g + std::asin(SinDeg(g) * rp / d) * kRadToDeg, 360);
  return std::isfinite(a) ? a : NoValue;
}

int PhaseNumber(double angle) {
  if (!Usable(angle)) return 0;
  const int p = static_cast<int>(NormalizeMod(angle, 360) / 45) + 1;
  return p > 8 ? 8 : p;
}

bool ComputeChart(ChartData& chart, MomentSource source) {
  return ComputeChartWith(chart, source, kChartSettings);
}

namespace {

// One computation of a chart: the chart being filled, the settings, and what every step reads
// of the moment and the place.
struct ChartRun {
  ChartData& chart;
  const ChartSettings& st;
  ChartMoment t;
  bool t_ok;      // t is a moment the theories can take
  TtMoment e;      // the ephemeris moment of t
  Place place;
  bool angles_ok;  // moment and place give the sky's angles
  double ramc, eps;
  SunResult sun;

  // The object flags as they stand: the dependencies' until step 19, the caller's after.
  bool On(int n) const { return chart.ObjectOn[n] != 0; }
  double (&Lon())[kObjectCount] { return chart.Object[kLongitude]; }
};

void SetMoment(ChartData& chart, MomentSource source) {
  if (source == MomentSource::LocalClock) {
    chart.Moment = chart.Event.UniversalMoment();
  } else if (source == MomentSource::Moment && UsableMoment(chart.Moment)) {
    chart.Event.MoveClockTo(chart.Moment);
  }
  if (!std::isfinite(chart.Moment.Centuries)) chart.Moment = kNoMoment;
}

// 2. Everything this computation writes starts unknown.
void ClearOutputs(ChartData& chart) {
  auto& planet = chart.Planet;
  auto& object = chart.Object;
  for (int row = kLatitude; row <= kAltitude; ++row)
    for (int n = 0; n < kPlanetCount; ++n) planet[row][n] = NoValue;
  for (int n = 0; n < kPlanetCount; ++n) planet[kPhaseAngle][n] = NoValue;
  for (int row : {kLongitude, kHelioLongitude, kSiderealLongitude, kNodeDistance,
                  kDeclinationLongitude, kDeclination})
    for (int n = 0; n < kObjectCount; ++n) object[row][n] = NoValue;
}

// 3. Dependencies (the composite's first, so that points it names pull in their own).
void SwitchOnDependencies(ChartRun& r) {
  ChartData& chart = r.chart;
  if (r.On(kCompositePoint))
    ForEachFormulaObject(CompositeFormula, [&](int n) {
      if (n < kObjectCount && IsAllowedObject(n)) chart.ObjectOn[n] = 1;
    });
  if (r.On(kPartOfFortune)) chart.ObjectOn[kAscendant] = chart.ObjectOn[kMoon] = 1;
  if (r.On(kAscMarsSaturn))
    chart.ObjectOn[kMars] = chart.ObjectOn[kSaturn] = chart.ObjectOn[kAscendant] = 1;
  if (r.On(kNorthNode))
    for (int n = kSun; n <= kPluto; ++n) chart.ObjectOn[n] = 1;
}

// 4. Sun.
void FillSun(ChartRun& r) {
  auto& planet = r.chart.Planet;
  auto& object = r.chart.Object;
  const SunResult& sun = r.sun;
  if (!sun.Valid()) return;
  r.Lon()[kSun] = sun.Longitude;
  planet[kLatitude][kSun] = sun.Latitude;
  object[kDeclination][kSun] = sun.Declination;
  planet[kRightAscension][kSun] = sun.RightAscension;
  planet[kRadiusVector][kSun] = sun.Distance;
  planet[kDistance][kSun] = sun.Distance;
  planet[kHelioLatitude][kSun] = sun.EarthHelioLatitude;
  object[kHelioLongitude][kSun] = NormalizeMod(sun.Longitude + 180, 360);
}

// 5. Moon.
void FillMoon(ChartRun& r) {
  auto& planet = r.chart.Planet;
  auto& object = r.chart.Object;
  const MoonResult moon = MoonPosition(r.t);
  if (!moon.Valid()) return;
  r.Lon()[kMoon] = moon.Longitude;
  planet[kLatitude][kMoon] = moon.Latitude;
  planet[kDistance][kMoon] = moon.Distance;
  object[kDeclination][kMoon] = moon.Declination;
  planet[kRightAscension][kMoon] = moon.RightAscension;
}

// 5-7. Mean apogee and perigee, the node (mean, less the main periodic term for the true
// node), and the seven-year point in place of the perigee.
void FillNodesAndApsides(ChartRun& r) {
  if (!r.t_ok) return;
  auto& lon = r.Lon();
  const ChartMoment t = r.t;
  const TtMoment e = r.e;
  lon[kApogee] = MeanLunarApogee(e);
  lon[kPerigee] = NormalizeMod(lon[kApogee] + 180, 360);

  double node = MeanLunarNode(t);
  if (r.st.MeanNode != 1) node -= TrueNodeCorrection(e);
  lon[kNorthNode] = NormalizeMod(node, 360);
  lon[kSouthNode] = NormalizeMod(node + 180, 360);

  // The seven-year point: this program's own linear motion, 0.1408138 degrees a day from
  // 36.1333 degrees at 1800 January 1, 0h.
  if (r.st.WhiteMoon == 1 && r.On(kPerigee))
    lon[kPerigee] = (t - MomentFromDate(1800, 1, 1, 0)) / DayInCenturies * 0.1408138 + 36.13333333333;
}

// 8. Planets.
void FillPlanets(ChartRun& r) {
  auto& planet = r.chart.Planet;
  auto& object = r.chart.Object;
  for (int n = kMercury; n <= kPluto; ++n) {
    if (!r.On(n)) continue;
    const PlanetResult p = PlanetPosition(n, r.t, r.sun);
    if (!p.Valid()) continue;
    object[kHelioLongitude][n] = p.HelioLongitude;
    planet[kHelioLatitude][n] = p.HelioLatitude;
    planet[kRadiusVector][n] = p.RadiusVector;
    r.Lon()[n] = p.Longitude;
    planet[kLatitude][n] = p.Latitude;
    planet[kDistance][n] = p.Distance;
    object[kDeclination][n] = p.Declination;
    planet[kRightAscension][n] = p.RightAscension;
  }
}

// 9. Topocentric places: every planet's with the setting on, else the Moon's aside.
void FillTopocentric(ChartRun& r) {
  auto& planet = r.chart.Planet;
  auto& lon = r.Lon();
  const Place& place = r.place;
  planet[kTopoMoonRow][0] = planet[kTopoMoonRow][1] = NoValue;
  if (r.st.Topocentric == 1) {
    for (int n = kSun; n <= kPluto; ++n) {
      if (!r.On(n) || !place.ok) continue;
      const EclipticPoint p = Topocentric(lon[n], planet[kLatitude][n], planet[kDistance][n], r.t,
                                          place.lat, place.lon);
      if (!IsValue(p.Lon)) continue;
      lon[n] = p.Lon;
      planet[kLatitude][n] = p.Lat;
    }
    planet[kTopoMoonRow][0] = lon[kMoon];
    planet[kTopoMoonRow][1] = planet[kLatitude][kMoon];
  } else if (r.On(kMoon) && place.ok) {
    const EclipticPoint p = Topocentric(lon[kMoon], planet[kLatitude][kMoon],
                                        planet[kDistance][kMoon], r.t, place.lat, place.lon);
    planet[kTopoMoonRow][0] = p.Lon;
    planet[kTopoMoonRow][1] = p.Lat;
  }
}

// 10. Calendar point.
void FillCalendarPoint(ChartRun& r) {
  if (!r.On(kCalendarPoint) || !r.t_ok) return;
  const CivilDate date = DateFromMoment(r.t);
  // This program's own calendar point (no outside source): degrees from the civil date.
  const double y = date.year, m = date.month, d = date.day;
  const double s = std::sin(0.523 * (d / 30.5 + (m - 1) + 3.23 - (y - 2009) / 65));
  r.Lon()[kCalendarPoint] = 0.35 * s + (d / 30.5 + 12 * y + m - 22801) * 0.0384 - 8.64 + 180;
}

// 11. House cusps, when a cusp or a point built on the Ascendant is on.
void FillCusps(ChartRun& r) {
  bool need_cusps = r.On(kPartOfFortune) || r.On(kAscMarsSaturn);
  for (int k = 1; k <= 12; ++k) need_cusps = need_cusps || r.On(CuspObject(k));
  if (!need_cusps) return;
  double cusps[12];
  for (double& c : cusps) c = NoValue;
  ComputeCuspsWith(r.st.Houses, r.chart, cusps, r.place.lat, r.place.lon, r.t);
  for (int k = 1; k <= 12; ++k)
    r.Lon()[CuspObject(k)] = Usable(cusps[k - 1]) ? NormalizeMod(cusps[k - 1], 360) : NoValue;
}

// 12. Arabic parts: the formula is reversed at night (Sun in houses 1..6).
void FillParts(ChartRun& r) {
  auto& lon = r.Lon();
  auto part = [&](int a, int b) {
    const double asc = lon[kAscendant];
    if (!Usable(asc) || !Usable(lon[a]) || !Usable(lon[b])) return NoValue;
    const int house = HouseOf(r.chart, lon[kSun]);
    const bool day = r.st.PartsNight == 0 || (house >= 7 && house <= 12);
    return day ? asc + lon[a] - lon[b] : asc - lon[a] + lon[b];
  };
  if (r.On(kPartOfFortune)) lon[kPartOfFortune] = part(kMoon, kSun);
  if (r.On(kAscMarsSaturn)) lon[kAscMarsSaturn] = part(kMars, kSaturn);
}

// 13-14. East Point and Vertex.
void FillEastPointAndVertex(ChartRun& r) {
  if (!r.angles_ok) return;
  auto& lon = r.Lon();
  const double ramc = r.ramc, eps = r.eps;
  if (r.On(kEastPoint))
    lon[kEastPoint] = FiniteOrNoValue(Atan2Deg(-CosDeg(eps) * SinDeg(ramc), CosDeg(ramc)));
  if (r.On(kVertex)) {
    const double phi = r.place.lat;
    const double x = std::fabs(phi) < 0.1
                         ? CosDeg(eps) * SinDeg(ramc)
                         : CosDeg(eps) * SinDeg(ramc) - SinDeg(eps) * CosDeg(phi) / SinDeg(phi);
    lon[kVertex] = FiniteOrNoValue(Atan2Deg(x, -CosDeg(ramc)));
  }
}

// 15-16. Prenatal New Moon and the solar eclipses around the moment.
void FillLunations(ChartRun& r) {
  auto& lon = r.Lon();
  if (r.On(kPrenatalNewMoon)) lon[kPrenatalNewMoon] = LastNewMoon(r.t).MoonLongitude;
  if (r.On(kPrevEclipseMoon) || r.On(kNextEclipseMoon)) {
    const EclipsePlace where{r.place.ok ? r.place.lat : 0, r.place.ok ? r.place.lon : 0};
    const EclipsePair ec = EclipseSearch(r.t, EclipseSearchMode, where);
    r.chart.PrevEclipseMoment = ec.PrevMoment;
    r.chart.NextEclipseMoment = ec.NextMoment;
    lon[kPrevEclipseMoon] = ec.PrevMoonLongitude;
    lon[kNextEclipseMoon] = ec.NextMoonLongitude;
  }
}

// 17. Longitudes into [0, 360); the composite point reduces itself.
void ReduceLongitudes(ChartRun& r) {
  auto& lon = r.Lon();
  for (int n = 0; n < kObjectCount; ++n)
    if (r.On(n) && n != kCompositePoint && Usable(lon[n])) lon[n] = NormalizeMod(lon[n], 360);
}

// 18. Heliocentric cusps.
void FillHelioCusps(ChartRun& r) {
  for (int k = 1; k <= 12; ++k) {
    double& h = r.chart.Object[kHelioLongitude][CuspObject(k)];
    if (r.st.HelioCusps == 1) h = 30.0 * (k - 1);
    else if (r.st.HelioCusps == 2) h = r.Lon()[CuspObject(k)];
    else h = NoValue;
  }
}

// 20. Direction of the solar system's barycentre from the Sun, in the heliocentric row of the
// node.
void FillBarycentre(ChartRun& r) {
  auto& planet = r.chart.Planet;
  auto& object = r.chart.Object;
  const auto& lon = r.Lon();
  const double me = 1.0 / kEarthMoonMassRatio;
  double total = 1 + me, x = 0, y = 0;
  bool known = Usable(lon[kSun]) && Usable(planet[kRadiusVector][kSun]);
  if (known) {
    x = me * planet[kRadiusVector][kSun] * CosDeg(lon[kSun] + 180);
    y = me * planet[kRadiusVector][kSun] * SinDeg(lon[kSun] + 180);
  }
  for (int n = kMercury; n <= kPluto && known; ++n) {
    const double l = object[kHelioLongitude][n], rv = planet[kRadiusVector][n];
    if (!Usable(l) || !Usable(rv)) {
      known = false;
      break;
    }
    const double m = 1.0 / kPlanetMassRatio[n];
    total += m;
    x += m * rv * CosDeg(l);
    y += m * rv * SinDeg(l);
  }
  object[kHelioLongitude][kNorthNode] = known ? FiniteOrNoValue(Atan2Deg(x / total, y / total)) : NoValue;
}

// 21. Composite point.
void FillComposite(ChartRun& r) {
  if (!r.On(kCompositePoint)) return;
  auto& object = r.chart.Object;
  r.Lon()[kCompositePoint] = CompositeValue(CompositeFormula, r.Lon(), r.t);
  object[kHelioLongitude][kCompositePoint] = CompositeValue(CompositeFormula, object[kHelioLongitude], r.t);
}

// 22. Sidereal longitudes and distances from the node.
void FillSiderealAndNodeDistances(ChartRun& r) {
  auto& object = r.chart.Object;
  const auto& lon = r.Lon();
  const double ayanamsa = r.t_ok ? AyanamsaAtColumn(r.t, r.st.SiderealColumn) : NoValue;
  r.chart.Planet[kTopoMoonRow][6] = Usable(ayanamsa) ? -ayanamsa : NoValue;
  for (int n = 0; n < kObjectCount; ++n) {
    if (!Usable(lon[n])) continue;
    if (Usable(ayanamsa)) object[kSiderealLongitude][n] = lon[n] - ayanamsa;
    if (Usable(lon[kNorthNode])) object[kNodeDistance][n] = NormalizeMod(lon[n] - lon[kNorthNode], 360);
  }
}

// 23-24. Altitude (planets on) and mundane position (every planet with a place on the sky).
void FillAltitudeAndMundane(ChartRun& r) {
  auto& planet = r.chart.Planet;
  const auto& object = r.chart.Object;
  const double lat = r.place.lat;
  for (int n = kSun; n <= kPluto; ++n) {
    const double ra = planet[kRightAscension][n], dec = object[kDeclination][n];
    if (!Usable(ra) || !Usable(dec) || !r.angles_ok) continue;
    if (r.On(n) && Usable(r.Lon()[n])) {
      const double c = SinDeg(dec) * SinDeg(lat) + CosDeg(dec) * CosDeg(lat) * CosDeg(r.ramc - ra);
      planet[kAltitude][n] = FiniteOrNoValue(90 - ArcCosGuarded(c) * kRadToDeg);
    }
    const double mp = MundanePositionOf(r.ramc, lat, ra, dec);
    if (IsValue(mp)) planet[kMundanePosition][n] = NormalizeMod(mp, 360);
  }
}

// 25. Longitudes with the planets' declinations.
void FillDeclinationLongitudes(ChartRun& r) {
  auto& object = r.chart.Object;
  const auto& lon = r.Lon();
  for (int n = 0; n < kObjectCount; ++n) object[kDeclinationLongitude][n] = lon[n];
  for (int n = kSun; n <= kPluto; ++n) {
    const double dec = object[kDeclination][n], ra = r.chart.Planet[kRightAscension][n];
    if (r.On(n) && Usable(lon[n]) && Usable(dec) && Usable(ra))
      object[kDeclinationLongitude][n] = DeclinationFromLongitude(dec, ra, r.t);
  }
}

// 26. Declinations of the points on the ecliptic.
void FillPointDeclinations(ChartRun& r) {
  if (!r.t_ok) return;
  const auto& lon = r.Lon();
  for (int n : {18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, int(kPartOfFortune),
                int(kAscMarsSaturn), int(kEastPoint), int(kVertex)}) {
    if (r.On(n) && Usable(lon[n]))
      r.chart.Object[kDeclination][n] = FiniteOrNoValue(ArcSinGuarded(SinDeg(lon[n]) * SinDeg(r.eps)) * kRadToDeg);
  }
}

// Reserved rows hold nothing.
void ClearReservedRows(ChartData& chart) {
  for (int row : {1, 4, 6})
    for (int n = 0; n < kObjectCount; ++n) chart.Object[row][n] = NoValue;
  for (int n = 0; n < 10; ++n) chart.Object[10][n] = NoValue;
}

}  // namespace

bool ComputeChartWith(ChartData& chart, MomentSource source, const ChartSettings& st) {
  bool idle = false;
  if (!g_chart_busy.compare_exchange_strong(idle, true)) return false;
  BusyRelease release;

  SetMoment(chart, source);
  const ChartMoment t = chart.Moment;
  const bool t_ok = UsableMoment(t);
  const Place place = PlaceOf(chart);
  const bool angles_ok = t_ok && place.ok;
  ChartRun r{.chart = chart,
             .st = st,
             .t = t,
             .t_ok = t_ok,
             .e = t_ok ? EphemerisMoment(t) : TtMoment(NoValue),
             .place = place,
             .angles_ok = angles_ok,
             .ramc = NoValue,
             .eps = NoValue,
             .sun = {}};

  // 1. Flags: only allowed objects; the caller's set is kept for the end.
  chart.PrevEclipseMoment = chart.NextEclipseMoment = kNoMoment;
  for (int n = 0; n < kObjectCount; ++n)
    if (!IsAllowedObject(n)) chart.ObjectOn[n] = 0;
  const auto callers_flags = chart.ObjectOn;

  ClearOutputs(chart);
  SwitchOnDependencies(r);
  r.sun = SunPosition(t);
  FillSun(r);
  FillMoon(r);
  FillNodesAndApsides(r);
  FillPlanets(r);
  FillTopocentric(r);
  FillCalendarPoint(r);
  FillCusps(r);
  FillParts(r);
  r.ramc = angles_ok ? Ramc(t, chart.Event.PlaceLongitude) : NoValue;
  r.eps = t_ok ? TrueObliquity(t) : NoValue;
  FillEastPointAndVertex(r);
  FillLunations(r);
  ReduceLongitudes(r);
  FillHelioCusps(r);
  // 19. From here on the caller's flags count.
  chart.ObjectOn = callers_flags;
  FillBarycentre(r);
  FillComposite(r);
  FillSiderealAndNodeDistances(r);
  FillAltitudeAndMundane(r);
  FillDeclinationLongitudes(r);
  FillPointDeclinations(r);
  // 27. Phase angles.
  for (int n = kSun; n <= kPluto; ++n) chart.Planet[kPhaseAngle][n] = PhaseAngle(chart, n);
  ClearReservedRows(chart);
  return true;
}

}  // namespace sd::astro
