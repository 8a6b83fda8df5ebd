#pragma once
// The civil calendar: calendar dates and clock times <-> moments, the packed H.MMSS clock, and
// the local clock of a time zone. Julian calendar up to 1582-10-04, Gregorian after.
#include "astro/moment.h"

namespace sd::astro {

struct CivilDate {
  int year = 1;           // astronomical year 0 comes back as 0, negative years are BC (-1 = 1 BC)
  int month = 1;
  int day = 1;
  double hours = 0;       // decimal hours
  double hours_hms = 0;   // the same clock time packed as H.MMSS
};

// Whether the date is a day of this calendar: Julian leap years up to 1582 (astronomical year
// count: 0 is 1 BC, -1 is 2 BC), Gregorian after. The ten days 1582-10-05 .. 1582-10-14 that the
// reform skipped are no dates: MomentFromDate would give them moments of the days after.
bool IsCalendarDate(int year, int month, int day);

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

}  // namespace sd::astro
