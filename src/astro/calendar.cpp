// Moments, calendar, time scales and angle helpers. Formulas after Meeus, Astronomical
// Formulae for Calculators, with the time argument counted from 1900 January 0.5.
#include "astro/calendar.h"

#include <array>
#include <cstdint>
#include <cmath>
#include <limits>

namespace sd {
namespace {

// Nearest integer, halves to the even neighbour (the default rounding mode).
double Nearest(double x) { return std::nearbyint(x); }
// The fractional part with the sign of x (toward zero), unlike the [0, 1) part of a revolution.
double SignedFrac(double x) { return x - std::trunc(x); }

// A double known to be a whole number, as int; out-of-range values are pinned to the int range
// so that absurd input stays defined instead of overflowing.
int ToInt(double x) {
  if (!(x == x)) return 0;
  constexpr double lo = std::numeric_limits<int>::min();
  constexpr double hi = std::numeric_limits<int>::max();
  if (x < lo) return std::numeric_limits<int>::min();
  if (x > hi) return std::numeric_limits<int>::max();
  return static_cast<int>(x);
}

struct DeltaTEntry {
  uint16_t year;
  float seconds;
};

// Observed ET - UT, seconds, at the listed years (figures of their time: within 2 s of the later
// reductions in Espenak & Meeus, Five Millennium Canon of Solar Eclipses). Years strictly inside
// the table interpolate; the rest use the parabola of DeltaT below.
constexpr std::array<DeltaTEntry, 18> kDeltaTTable = {{
    {1900, -4.22f}, {1905, 3.036f}, {1910, 10.174f}, {1915, 15.799f}, {1920, 19.756f},
    {1925, 22.0f},  {1930, 23.0f},  {1935, 23.0f},   {1940, 24.0f},   {1945, 26.0f},
    {1950, 29.0f},  {1955, 31.0f},  {1960, 33.0f},   {1965, 36.0f},   {1970, 40.0f},
    {1975, 46.0f},  {1977, 49.0f},  {1981, 52.0f},
}};

// ---- sidereal-zodiac offsets ------------------------------------------------------------
//
// Every column is a constant offset plus the general precession in longitude,
// p(t) = 5029.0966" t + 1.11113" t^2 - 0.000006" t^3, t in centuries from J2000; so a column
// is fixed by its value at J2000. Columns 0..3 have published end rows (-1500 and +3500) that
// the precession alone misses by up to 35": each of them takes its first row's value plus the
// precession since, plus a correction linear in t that makes the last row exact too. The
// other columns are the J2000 values of well-known variants.
constexpr int kAyanamsaRows = 201;
constexpr int kAyanamsaColumns = 18;
constexpr double kAyanamsaFirstT = -33.989637;
constexpr double kAyanamsaLastT = 15.9996851;

// General precession in longitude, Lieske et al. (1977, A&A 58, 1), as in Meeus, Astronomical
// Algorithms, "Precession": arcseconds -> degrees; t_j2000 in Julian centuries from J2000.0.
// Quoted first and last rows of columns 0..3, degrees; the table holds them exactly (to
// single precision).
constexpr int kAyanamsaQuotedColumns = 4;
constexpr double kAyanamsaEndRows[2][kAyanamsaQuotedColumns] = {
    {-23.7827, -24.666, -20.7134, -26.112},
    {45.762, 44.8787, 48.8312, 43.4326},
};

double GeneralPrecessionDeg(double t_j2000) {
  const double t = t_j2000;
  return (5029.0966 * t + 1.11113 * t * t - 0.000006 * t * t * t) / 3600.0;
}

// Offset of each column at J2000, degrees.
std::array<double, kAyanamsaColumns> AyanamsaOffsetsAtJ2000() {
  std::array<double, kAyanamsaColumns> off{};
  // 0 Fagan-Bradley, 1 Lahiri, 2 De Luce, 3 Raman come from their quoted rows
  // (kAyanamsaEndRows, see AyanamsaTable); then:
  off[4] = 20.0575;   // Usha-Shashi
  off[5] = 23.7602;   // Krishnamurti
  off[6] = 28.3597;   // Djwhal Khul
  off[7] = 22.4788;   // Sri Yukteshwar
  off[8] = 22.7621;   // J. N. Bhasin
  off[9] = 20.2478;   // Hipparchos
  off[10] = 19.9930;  // Sassanian
  off[11] = 26.8464;  // Galactic Centre at 0 Sagittarius
  off[12] = 0.0;      // J2000: no offset at J2000
  off[13] = -GeneralPrecessionDeg(-1.0);  // J1900: no offset at 1900
  off[14] = -GeneralPrecessionDeg(-0.5);  // B1950: no offset at 1950
  off[15] = 20.8951;  // Suryasiddhanta
  off[16] = 23.8427;  // Spica at 0 Libra
  off[17] = 24.7894;  // Aldebaran at 15 Taurus
  return off;
}

struct AyanamsaRow {
  double moment;
  float value[kAyanamsaColumns];
};

// The table is stored as single-precision values, as the engine has always held it; rows are
// spread evenly between the two end moments (about a quarter century apart).
const std::array<AyanamsaRow, kAyanamsaRows>& AyanamsaTable() {
  static const std::array<AyanamsaRow, kAyanamsaRows> table = [] {
    std::array<AyanamsaRow, kAyanamsaRows> t{};
    const auto off = AyanamsaOffsetsAtJ2000();
    for (int i = 0; i < kAyanamsaRows; ++i) {
      t[i].moment = kAyanamsaFirstT + (kAyanamsaLastT - kAyanamsaFirstT) * i / (kAyanamsaRows - 1);
      const double p = GeneralPrecessionDeg(t[i].moment - 1.0);
      for (int c = 0; c < kAyanamsaColumns; ++c) t[i].value[c] = static_cast<float>(off[c] + p);
      // Columns with quoted end rows: first row + precession since + the linear correction,
      // counted in rows so that row 0 and the last row are the quoted values themselves.
      const double p_first = GeneralPrecessionDeg(kAyanamsaFirstT - 1.0);
      const double p_last = GeneralPrecessionDeg(kAyanamsaLastT - 1.0);
      const double along = static_cast<double>(i) / (kAyanamsaRows - 1);
      for (int c = 0; c < kAyanamsaQuotedColumns; ++c) {
        const double first = kAyanamsaEndRows[0][c], last = kAyanamsaEndRows[1][c];
        const double miss = (last - first) - (p_last - p_first);
        const double value = i == kAyanamsaRows - 1 ? last : first + (p - p_first) + along * miss;
        t[i].value[c] = static_cast<float>(value);
      }
    }
    return t;
  }();
  return table;
}

}  // namespace

// ---- calendar ---------------------------------------------------------------------------

// Julian Day of a calendar date, Meeus, Astronomical Formulae for Calculators, "Julian Day and
// Calendar Date" (the Gregorian correction 2 - A + A/4 from 1582 October 15); days -> moment.
ChartMoment MomentFromDate(int year, int month, int day, double hours) {
  double yr = year;
  if (yr < 0) yr += 1;  // -1 denotes 1 BC, astronomical year 0
  const double day_frac = day + hours / 24.0;
  // The calendar is decided on the unshifted date. 1582 October 15, 0h belongs to the Gregorian
  // calendar; the margin keeps the rounding of the decimal key from sending it back to the
  // Julian one (which would put 4 and 15 October eleven days apart instead of one).
  const bool gregorian = yr + month * 0.01 + day_frac * 0.0001 > 1582.1015 - 1e-9;
  double y = yr, m = month;
  if (month <= 2) {
    y = yr - 1;
    m = month + 12;
  }
  double jd = (y >= 0) ? std::trunc(365.25 * y) : std::trunc(365.25 * y - 0.75);
  jd += std::trunc(30.6001 * (m + 1)) + day_frac + 1720994.5;
  if (gregorian) {
    const double a = std::trunc(y / 100.0);
    jd += 2 - a + std::trunc(a / 4.0);
  }
  return (jd - 2415020.0) / 36525.0;
}

// The inverse of the same chapter's formula (Meeus, Astronomical Formulae for Calculators).
CivilDate DateFromMoment(ChartMoment t) {
  CivilDate out;
  if (t == NoValue || !std::isfinite(t)) return out;
  const double jd = t * 36525.0 + 2415020.0 + 0.5;
  const double z = std::trunc(jd);
  const double f = jd - z;
  double a = z;
  if (z >= 2299161) {
    const double alpha = std::trunc((z - 1867216.25) / 36524.25);
    a = z + 1 + alpha - std::trunc(alpha / 4.0);
  }
  const double b = a + 1524;
  const double k = std::trunc((b - 122.1) / 365.25);
  const double d = std::trunc(365.25 * k);
  const double e = std::trunc((b - d) / 30.6001);
  const double dd = b - d - std::trunc(30.6001 * e) + f;
  const double month = (e >= 13.5) ? e - 13 : e - 1;
  double year = (month > 2.5) ? k - 4716 : k - 4715;
  if (year < 0) year -= 1;  // astronomical -1 is 2 BC
  out.year = ToInt(year);
  out.month = ToInt(month);
  out.day = ToInt(std::trunc(dd));
  out.hours = SignedFrac(dd) * 24.0;
  out.hours_hms = DecimalToHms(out.hours);
  return out;
}

double HmsToDecimal(double x) {
  const double s = x < 0 ? -1.0 : 1.0;
  const double v = Nearest(std::fabs(x) * 10000.0) / 10000.0;
  const double h = std::trunc(v);
  const double m = std::trunc(Nearest(SignedFrac(v) * 100.0 * 10000.0) / 10000.0);
  const double sec = Nearest(v * 10000.0 - h * 10000.0 - m * 100.0);
  return s * (h + m / 60.0 + sec / 3600.0);
}

double DecimalToHms(double x) {
  const double s = x < 0 ? -1.0 : 1.0;
  const double v = Nearest(std::fabs(x) * 10000.0) / 10000.0;
  const double h = std::trunc(v);
  const double m = std::trunc(Nearest(SignedFrac(v) * 60.0 * 10000.0) / 10000.0);
  const double sec =
      Nearest((v * 3600.0 * 10000.0 - h * 3600.0 * 10000.0 - m * 60.0 * 10000.0) / 10000.0);
  return s * (h + m / 100.0 + sec / 10000.0);
}

ChartMoment MomentFromLocal(int year, int month, int day, double local_time_hms,
                            double zone_hms) {
  return MomentFromDate(year, month, day, HmsToDecimal(local_time_hms)) -
         HmsToDecimal(zone_hms) * DayInCenturies / 24.0;
}

CivilDate LocalFromMoment(ChartMoment t, double zone_hms) {
  return DateFromMoment(t + HmsToDecimal(zone_hms) * DayInCenturies / 24.0);
}

// ---- time scales ------------------------------------------------------------------------

double DeltaT(ChartMoment t) {
  const double year = Nearest(t * 100.0) + 1900.0;
  const auto& tab = kDeltaTTable;
  if (year > tab.front().year && year < tab.back().year) {
    for (size_t i = 0; i + 1 < tab.size(); ++i) {
      if (tab[i].year <= year && year < tab[i + 1].year) {
        const double seconds = (t * 100.0 + 1900.0 - tab[i].year) *
                                   (double(tab[i + 1].seconds) - tab[i].seconds) /
                                   (tab[i + 1].year - tab[i].year) +
                               tab[i].seconds;
        return seconds * SecondInCenturies;
      }
    }
  }
  // Meeus, Astronomical Formulae for Calculators, "Ephemeris Time and Universal Time": minutes,
  // t in centuries from 1900 January 0.5 (UT); less 29 s by this program's own choice.
  const double minutes = 0.41 + 1.2053 * t + 0.4992 * t * t;
  return minutes * DayInCenturies / 1440.0 - 29.0 * SecondInCenturies;
}

double EphemerisMoment(ChartMoment t) { return t + DeltaT(t); }

double LocalSiderealHours(double lon_deg, ChartMoment t) {
  const double h = DateFromMoment(t).hours;
  // Newcomb's mean sidereal time, Meeus, Astronomical Formulae for Calculators, "Sidereal Time at
  // Greenwich": hours; t in centuries of UT from 1900 January 0.5, h the clock hours of UT.
  return NormalizeMod(6.6460659 + 2400.051262 * t + 0.00002581 * t * t + lon_deg / 15.0 + h, 24);
}

double Ramc(ChartMoment t, double lon_hms) {
  return 15.0 * LocalSiderealHours(HmsToDecimal(lon_hms), t);
}

double TrueObliquity(ChartMoment t) {
  // Meeus, Astronomical Formulae for Calculators: Newcomb's mean obliquity ("Solar Coordinates")
  // and the largest nutation term in obliquity, 9.21" cos of the Moon's node ("Nutation"):
  // degrees, the node in degrees, t in centuries from 1900 January 0.5 (taken here in UT).
  const double node = 259.1833 - 1934.142 * t + 0.002078 * t * t;
  return 23.452294 - 0.0130125 * t - 0.00000164 * t * t + 0.000000503 * t * t * t +
         (9.21 + 0.00091 * t) * CosDeg(node) / 3600.0;
}

double AyanamsaAtColumn(ChartMoment t, int column) {
  if (column < 0 || column >= kAyanamsaColumns || !std::isfinite(t)) return NoValue;
  const auto& tab = AyanamsaTable();
  if (t <= tab.front().moment) return tab.front().value[column];
  if (t >= tab.back().moment) return tab.back().value[column];
  for (int i = 0; i + 1 < kAyanamsaRows; ++i) {
    const auto& a = tab[i];
    const auto& b = tab[i + 1];
    if ((t - a.moment) * (t - b.moment) <= 0)
      return LinearAt(t, b.moment, a.moment, b.value[column], a.value[column]);
  }
  return NoValue;
}

double AyanamsaAt(ChartMoment t) { return AyanamsaAtColumn(t, AyanamsaColumn); }

// ---- angle helpers ----------------------------------------------------------------------

double NormalizeMod(double x, int n) {
  const double r = x - n * std::floor(x / n);
  // A tiny negative x lands on n after rounding; the range is half-open.
  return (r >= n || r < 0) ? 0.0 : r;
}

double SinDeg(double deg) { return std::sin(deg * kDegToRad); }
double CosDeg(double deg) { return std::cos(deg * kDegToRad); }

double ArcSinGuarded(double x) {
  if (x == 1.0) return kPi / 2;
  if (x == -1.0) return -kPi / 2;
  return std::atan(x / std::sqrt(1.0 - x * x));
}

double ArcCosGuarded(double x) {
  if (x == 0.0) return kPi / 2;
  return FullCircleAtan(x, std::sqrt(1.0 - x * x));
}

double FullCircleAtan(double x, double y) {
  const double e = (x == 0.0) ? kPi / 2 : std::fabs(std::atan(y / x));
  if (x > 0 && y >= 0) return e;
  if (x <= 0 && y >= 0) return kPi - e;
  if (x <= 0 && y < 0) return kPi + e;
  if (x > 0 && y < 0) return 2 * kPi - e;
  return std::numeric_limits<double>::quiet_NaN();  // NaN input
}

double AngularDistance(double x) {
  const double d = NormalizeMod(x, 360);
  return d <= 180.0 ? d : 360.0 - d;
}

bool IsForwardWithin180(double a, double b) { return NormalizeMod(b - a, 360) <= 180.0; }

bool IsBetween(double a, double b, double d) {
  const bool from_d = IsForwardWithin180(d, a);
  const double o = from_d ? d : a;
  const double p = from_d ? a : d;
  return NormalizeMod(p - o, 360) >= NormalizeMod(b - o, 360);
}

int SignOf(double lon) {
  const double s = std::trunc(lon / 30.0);
  if (s == 12.0) return 1;
  return ToInt(s) == std::numeric_limits<int>::max() ? 0 : ToInt(s) + 1;
}

int SiderealSignOf(ChartMoment t, double lon) {
  const double ay = AyanamsaAt(t);
  if (ay == NoValue) return 0;
  return SignOf(NormalizeMod(lon - ay, 360));
}

int CyclicStep(int current, int count, int direction) {
  if (direction == 255) return current <= 1 ? count : current - 1;
  if (direction == 1) return current >= count ? 1 : current + 1;
  return current;
}

double LinearAt(double x, double x1, double x0, double y1, double y0) {
  if (x1 == x0) return y0;
  return y0 + (y1 - y0) * (x - x0) / (x1 - x0);
}

int GridIndex(int first, int last, double value, double v_high, double v_low) {
  if (v_high == v_low) return first;
  const double k = Nearest((value - v_low) * (last - first) / (v_high - v_low));
  if (!std::isfinite(k)) return first;
  return ToInt(first + k);
}

}  // namespace sd
