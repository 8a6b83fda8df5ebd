#pragma once
// The moment every routine is argued in, the "no value" marker, and the unit constants.
//
// A moment (ChartMoment) is a double: Julian centuries of 36525 days from JD 2415020.0
// (1900 January 0.5), Universal Time. The formulas follow Meeus, Astronomical Formulae for
// Calculators, with the time argument counted from 1900 January 0.5.
//
// The theories of motion are argued in Terrestrial (ephemeris) Time instead, which runs a minute
// or so ahead of UT today. That moment has a type of its own, TtMoment, made from a ChartMoment
// only by EphemerisMoment (time_scales.h), so that the compiler refuses a universal moment where
// ephemeris time is meant and the reverse.

namespace sd::astro {

using ChartMoment = double;

// A moment of Terrestrial Time: Julian centuries of TT from 1900 January 0.5 TT.
struct TtMoment {
  double Centuries;
  constexpr explicit TtMoment(double centuries) : Centuries(centuries) {}
  // Julian centuries of TT from J2000.0 (JD 2451545.0 TT), the argument of the series.
  constexpr double SinceJ2000() const { return Centuries - 1.0; }
};
inline constexpr TtMoment kJ2000{1.0};

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

}  // namespace sd::astro
