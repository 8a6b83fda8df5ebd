#pragma once
// Moments, civil calendar, time scales, sidereal time, obliquity, sidereal-zodiac offset and
// the small angle helpers every other routine uses.
//
// A moment (ChartMoment) is a double: Julian centuries of 36525 days from JD 2415020.0
// (1900 January 0.5), Universal Time. The formulas follow Meeus, Astronomical Formulae for
// Calculators, with the time argument counted from 1900 January 0.5.

namespace sd {

using ChartMoment = double;

// Not computed / not given. Compared exactly.
inline constexpr double NoValue = 1e10;
inline bool IsValue(double x) { return x != NoValue; }

// One day in centuries: this decimal value, not the exact 1/36525. Every number of days or
// hours added to a moment goes through it.
inline constexpr double DayInCenturies = 2.737850787e-05;
// One second in centuries.
inline constexpr double SecondInCenturies = 3.16880878125e-10;

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kDegToRad = kPi / 180.0;
inline constexpr double kRadToDeg = 180.0 / kPi;

// ---- calendar ---------------------------------------------------------------------------

struct CivilDate {
  int year = 1;           // astronomical year 0 comes back as 0, negative years are BC (-1 = 1 BC)
  int month = 1;
  int day = 1;
  double hours = 0;       // decimal hours
  double hours_hms = 0;   // the same clock time packed as H.MMSS
};

// year, month, day and decimal hours -> moment. Julian calendar up to 1582-10-04, Gregorian after.
ChartMoment MomentFromDate(int year, int month, int day, double hours);
// Inverse of MomentFromDate. NoValue gives 1 January of year 1, 0 h.
CivilDate DateFromMoment(ChartMoment t);

// Packed H.MMSS <-> decimal hours (or degrees). Minutes or seconds rounding to 60 are not carried.
double HmsToDecimal(double hms);
double DecimalToHms(double x);

// Local clock and zone (both packed H.MMSS, the zone in hours east of Greenwich) -> universal
// moment: UT = local time - zone.
ChartMoment MomentFromLocal(int year, int month, int day, double local_time_hms, double zone_hms);
// The date and clock of moment t in the zone zone_hms (packed hours east of Greenwich).
CivilDate LocalFromMoment(ChartMoment t, double zone_hms);

// ---- time scales and the rotating Earth -------------------------------------------------

// Ephemeris time minus universal time, in centuries.
double DeltaT(ChartMoment t);
// t + DeltaT(t): the argument of every theory of motion.
double EphemerisMoment(ChartMoment t);

// Mean local sidereal time in hours [0, 24) at east longitude lon_deg (decimal degrees).
double LocalSiderealHours(double lon_deg, ChartMoment t);
// Right ascension of the meridian in degrees, at the packed (H.MMSS) east longitude lon_hms.
double Ramc(ChartMoment t, double lon_hms);

// True obliquity of the ecliptic in degrees (mean obliquity plus nutation in obliquity).
double TrueObliquity(ChartMoment t);

// Offset of the sidereal zodiac in degrees, column AyanamsaColumn of the offset table.
double AyanamsaAt(ChartMoment t);
// The column in force (0..17). A constant of the build.
inline constexpr int AyanamsaColumn = 1;
// Same, for any column (0..17); tests and tools.
double AyanamsaAtColumn(ChartMoment t, int column);

// ---- angle helpers (degrees unless said) -----------------------------------------------

// x reduced into [0, n) for either sign; whole multiples of n give 0.
double NormalizeMod(double x, int n);
double SinDeg(double deg);
double CosDeg(double deg);
// Radians. +1 gives +pi/2 and -1 gives -pi/2 exactly.
double ArcSinGuarded(double x);
// Radians. 0 gives pi/2.
double ArcCosGuarded(double x);
// Angle of the vector (x, y) in radians, in [0, 2 pi).
double FullCircleAtan(double x, double y);
// Distance 0..180 of a difference of two longitudes.
double AngularDistance(double x);
// True when b lies at most 180 degrees forward of a.
bool IsForwardWithin180(double a, double b);
// True when b lies on the shorter arc between a and d.
bool IsBetween(double a, double b, double d);
// Sign 1..12 of a tropical longitude.
int SignOf(double lon);
// Sign 1..12 in the sidereal zodiac at moment t.
int SiderealSignOf(ChartMoment t, double lon);
// Direction 255 steps back (1 wraps to count), 1 steps forward (count wraps to 1), else current.
int CyclicStep(int current, int count, int direction);

// The value at x of the straight line through (x0, y0) and (x1, y1); y0 when x1 == x0.
double LinearAt(double x, double x1, double x0, double y1, double y0);
// first + nearest((value - v_low) * (last - first) / (v_high - v_low)), halves to even;
// first when v_high == v_low.
int GridIndex(int first, int last, double value, double v_high, double v_low);

}  // namespace sd
