#pragma once
// The moment every routine is argued in, the "no value" marker, and the unit constants.
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

}  // namespace sd
