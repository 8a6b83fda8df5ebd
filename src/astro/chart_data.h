#pragma once
// The chart record: the event data of one moment and place, and the positions of up to
// 40 chart objects in several coordinate systems. ComputeChart (chart.h) fills it.
#include <array>
#include <cstdint>

#include "astro/calendar.h"
#include "astro/short_text.h"

namespace sd::astro {

inline constexpr int kObjectCount = 40;   // object numbers 0..39
inline constexpr int kPlanetCount = 10;   // 0..9 Sun, Moon, Mercury .. Pluto

// Object numbers.
enum ObjectNumber : int {
  kSun = 0, kMoon = 1, kMercury = 2, kVenus = 3, kMars = 4,
  kJupiter = 5, kSaturn = 6, kUranus = 7, kNeptune = 8, kPluto = 9,
  // 10..14 are never computed
  kPrevEclipseMoon = 15, kNextEclipseMoon = 16, kPrenatalNewMoon = 17,
  kAscendant = 18,        // cusps 1..12 are 18..29
  kMidheaven = 27,
  kNorthNode = 30, kSouthNode = 31, kPerigee = 32, kApogee = 33,
  kCompositePoint = 34, kPartOfFortune = 35, kAscMarsSaturn = 36, kCalendarPoint = 37,
  kEastPoint = 38, kVertex = 39,
};
inline constexpr int CuspObject(int k) { return kAscendant + k - 1; }  // cusp k = 1..12

// Rows of the object table (40 columns).
enum ObjectRow : int {
  kLongitude = 0,             // geocentric ecliptic longitude of date, tropical, [0, 360)
  kHelioLongitude = 2,
  kSiderealLongitude = 3,
  kNodeDistance = 5,
  kDeclinationLongitude = 7,
  kDeclination = 9,
  kObjectRowCount = 11,       // rows 1, 4, 6, 8, 10 reserved
};

// Rows of the planet table (10 columns).
enum PlanetRow : int {
  kLatitude = 0,
  kRightAscension = 1,
  kDistance = 2,
  kHelioLatitude = 3,
  kRadiusVector = 4,
  kMundanePosition = 5,
  kAltitude = 7,
  kPhaseAngle = 8,
  kTopoMoonRow = 10,          // entries 0, 1: topocentric Moon; entry 6: NegAyanamsa
  kPlanetRowCount = 11,
};

// The event block: the fields from Year to PlaceExtra, copied as one unit by the natal
// database and the forecast run.
struct EventBlock {
  int32_t Year = 1;
  int32_t Month = 1;
  int32_t Day = 1;
  double LocalTime = 0;        // packed H.MMSS
  double Zone = 0;             // packed hours east of Greenwich
  ShortText<78> PlaceText;
  double PlaceLatitude = 0;    // packed D.MMSS, north positive
  double PlaceLongitude = 0;   // packed D.MMSS, east positive
  double PlaceExtra = 0;       // carried unchanged

  // The universal moment of the local date, clock and zone.
  ChartMoment UniversalMoment() const {
    return MomentFromLocal(Year, Month, Day, LocalTime, Zone);
  }
  // Date and clock from a local date (LocalFromMoment in this event's zone); the zone is kept.
  void SetLocalClock(const CivilDate& local) {
    Year = local.year; Month = local.month; Day = local.day; LocalTime = local.hours_hms;
  }
  // Date and clock of moment t in this event's zone.
  void MoveClockTo(ChartMoment t) { SetLocalClock(LocalFromMoment(t, Zone)); }
};

struct ChartData {
  ChartMoment Moment = kNoMoment;
  EventBlock Event;
  ShortText<255> ChartName;
  std::array<int16_t, kObjectCount> ObjectOn{};
  double Object[kObjectRowCount][kObjectCount];
  double Planet[kPlanetRowCount][kPlanetCount];
  ChartMoment PrevEclipseMoment = kNoMoment;
  ChartMoment NextEclipseMoment = kNoMoment;

  ChartData() { Clear(); }
  // Every position NoValue.
  void Clear() {
    for (auto& row : Object) for (double& v : row) v = NoValue;
    for (auto& row : Planet) for (double& v : row) v = NoValue;
  }
  double& Lon(int obj) { return Object[kLongitude][obj]; }
  double Lon(int obj) const { return Object[kLongitude][obj]; }
};

}  // namespace sd::astro
