// Calendar dates and the clock.
#include "astro/calendar.h"

#include <cmath>

#include "astro/internal/rounding.h"

namespace sd::astro {

using internal::Nearest;
using internal::SignedFrac;
using internal::ToInt;

bool IsCalendarDate(int year, int month, int day) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1) return false;
  const bool leap = year <= 1582 ? ((year % 4) + 4) % 4 == 0
                                 : (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (day > (month == 2 && leap ? 29 : kDays[month - 1])) return false;
  return !(year == 1582 && month == 10 && day >= 5 && day <= 14);
}

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
  return MomentFromJulianDay(jd);
}

// The inverse of the same chapter's formula (Meeus, Astronomical Formulae for Calculators).
CivilDate DateFromMoment(ChartMoment t) {
  CivilDate out;
  if (!IsKnown(t)) return out;
  const double jd = JulianDay(t) + 0.5;
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

}  // namespace sd::astro
