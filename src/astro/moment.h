#pragma once
// The moments every routine is argued in, the "no value" marker, and the unit constants.
//
// A moment of Universal Time (ChartMoment) is Julian centuries of 36525 days from JD 2415020.0
// (1900 January 0.5) UT. The formulas follow Meeus, Astronomical Formulae for Calculators, with
// the time argument counted from 1900 January 0.5.
//
// The theories of motion are argued in Terrestrial (ephemeris) Time instead, which runs a minute
// or so ahead of UT today. That moment has a type of its own, TtMoment, made from a ChartMoment
// only by EphemerisMoment (time_scales.h). Both wrap a double and convert to nothing implicitly,
// so that the compiler refuses a universal moment where ephemeris time is meant, a bare number
// where a moment is meant, and the reverse. A ChartMoment's arithmetic is the one that has a
// meaning: a moment plus or minus a span of centuries is a moment, the difference of two moments
// is a span. Each operator does exactly the one double operation it names, so a computation
// written with moments gives the same bits as the same computation written with doubles.
#include <cmath>
#include <compare>

namespace sd::astro {

// A moment of Universal Time: Julian centuries of UT from 1900 January 0.5 UT.
struct ChartMoment {
  double Centuries;
  // Uninitialised, as a double would be; ChartMoment{} is the epoch itself.
  ChartMoment() = default;
  constexpr explicit ChartMoment(double centuries) : Centuries(centuries) {}

  constexpr ChartMoment& operator+=(double centuries) {
    Centuries += centuries;
    return *this;
  }
  constexpr ChartMoment& operator-=(double centuries) {
    Centuries -= centuries;
    return *this;
  }
  friend constexpr ChartMoment operator+(ChartMoment t, double centuries) {
    return ChartMoment(t.Centuries + centuries);
  }
  friend constexpr ChartMoment operator+(double centuries, ChartMoment t) {
    return ChartMoment(centuries + t.Centuries);
  }
  friend constexpr ChartMoment operator-(ChartMoment t, double centuries) {
    return ChartMoment(t.Centuries - centuries);
  }
  // The span from b to a, in centuries.
  friend constexpr double operator-(ChartMoment a, ChartMoment b) { return a.Centuries - b.Centuries; }
  constexpr auto operator<=>(const ChartMoment&) const = default;
};

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
// The moment not computed / not given.
inline constexpr ChartMoment kNoMoment{NoValue};
inline bool IsValue(ChartMoment t) { return t.Centuries != NoValue; }
// Given and a finite number: a moment the calendar can name.
inline bool IsKnown(ChartMoment t) { return IsValue(t) && std::isfinite(t.Centuries); }

// Halfway between a and b, computed as (a + b) / 2.
inline constexpr ChartMoment Midpoint(ChartMoment a, ChartMoment b) {
  return ChartMoment((a.Centuries + b.Centuries) / 2);
}

// The Julian Day (UT) of a moment, and the moment of a Julian Day.
inline constexpr double JulianDay(ChartMoment t) { return t.Centuries * 36525.0 + 2415020.0; }
inline constexpr ChartMoment MomentFromJulianDay(double jd) {
  return ChartMoment((jd - 2415020.0) / 36525.0);
}

// One day in centuries: this decimal value, not the exact 1/36525. Every number of days or
// hours added to a moment goes through it.
inline constexpr double DayInCenturies = 2.737850787e-05;
// One second in centuries.
inline constexpr double SecondInCenturies = 3.16880878125e-10;

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kDegToRad = kPi / 180.0;
inline constexpr double kRadToDeg = 180.0 / kPi;

}  // namespace sd::astro
