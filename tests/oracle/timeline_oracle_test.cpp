// The timeline's moments against the same moments found on Swiss Ephemeris positions (Moshier
// mode, run on this system's Delta T so that only the theories of motion differ).
//
// A moment found on positions that are off by e arcseconds is off by e / v, v the rate at which
// the quantity moves; the bounds below are those e per body, so each comparison has the
// tolerance of its own speed. Stations are compared on the rate of motion itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>

#include "astro/angles.h"
#include "astro/calendar.h"
#include "astro/chart.h"
#include "astro/time_scales.h"
#include "swe_reference.h"
#include "timeline/crossings.h"
#include "timeline/events.h"
#include "timeline/longitudes.h"

namespace sd::timeline {
namespace {

using oracle::EphemerisJd;
using oracle::SweBodyOfObject;

// Largest apparent-longitude difference from the reference, arcsec, over AD 1950-2050 (measured
// every 3.7 days: 2.2, 3.1, 3.3, 6.8, 7.2, 3.3, 5.9, 7.0, 21.2, 9.4), with a fifth to spare.
constexpr double kLongitudeBound[10] = {3, 4, 4, 8, 9, 4, 7, 9, 26, 12};
constexpr double kSecondsPerDay = 86400;

double SweLongitude(int body, ChartMoment t) {
  double x[6];
  char err[AS_MAXCH];
  if (swe_calc(EphemerisJd(t), SweBodyOfObject(body), SEFLG_MOSEPH | SEFLG_SPEED, x, err) < 0)
    return NoValue;
  return x[0];
}
double SweSpeed(int body, ChartMoment t) {  // degrees a day
  double x[6];
  char err[AS_MAXCH];
  if (swe_calc(EphemerisJd(t), SweBodyOfObject(body), SEFLG_MOSEPH | SEFLG_SPEED, x, err) < 0)
    return NoValue;
  return x[3];
}

// The angle an event is about, on the reference's positions: its value and its rate (deg/day).
struct Angle {
  double value, rate;
};
Angle SweAngle(const Event& e, const ChartData& natal, ChartMoment t) {
  switch (e.Type) {
    case EventType::kAspect:
      if (e.OtherNatal)
        return {SweLongitude(e.Body, t) - natal.Lon(e.Other), SweSpeed(e.Body, t)};
      return {SweLongitude(e.Body, t) - SweLongitude(e.Other, t),
              SweSpeed(e.Body, t) - SweSpeed(e.Other, t)};
    case EventType::kLunation:
      return {SweLongitude(kMoon, t) - SweLongitude(kSun, t), SweSpeed(kMoon, t) - SweSpeed(kSun, t)};
    default: return {SweLongitude(e.Body, t), SweSpeed(e.Body, t)};
  }
}
double OwnAngle(const Event& e, const ChartData& natal, ChartMoment t) {
  switch (e.Type) {
    case EventType::kAspect:
      return TransitLongitude(e.Body, t) -
             (e.OtherNatal ? natal.Lon(e.Other) : TransitLongitude(e.Other, t));
    case EventType::kLunation: return TransitLongitude(kMoon, t) - TransitLongitude(kSun, t);
    default: return TransitLongitude(e.Body, t);
  }
}

// The level of the event: which side of an aspect, which cusp of an ingress.
double LevelOf(const Event& e, const ChartData& natal) {
  const double v = OwnAngle(e, natal, e.Moment);
  if (e.Type == EventType::kIngress) return 30.0 * std::round(NormalizeMod(v, 360) / 30);
  return std::fabs(Wrap180(v - e.Aspect)) <= std::fabs(Wrap180(v + e.Aspect)) ? e.Aspect : -e.Aspect;
}

// Newton's steps on the reference from the timeline's moment; NoValue when they wander off.
ChartMoment SweMoment(const Event& e, const ChartData& natal, double level) {
  ChartMoment t = e.Moment;
  for (int i = 0; i < 12; ++i) {
    const Angle a = SweAngle(e, natal, t);
    const double dt = -Wrap180(a.value - level) / a.rate * DayInCenturies;
    t += dt;
    if (std::fabs(t - e.Moment) > 3 * DayInCenturies) return NoValue;
    if (std::fabs(dt) < 0.01 * SecondInCenturies) return t;
  }
  return NoValue;
}

// The reference's station: where its speed changes sign, by bisection within three days.
ChartMoment SweStation(int body, ChartMoment near) {
  ChartMoment a = near - 3 * DayInCenturies, b = near + 3 * DayInCenturies;
  double va = SweSpeed(body, a);
  if ((va > 0) == (SweSpeed(body, b) > 0)) return NoValue;
  for (int i = 0; i < 60 && b - a > 0.01 * SecondInCenturies; ++i) {
    const ChartMoment m = (a + b) / 2;
    const double vm = SweSpeed(body, m);
    if ((vm > 0) == (va > 0)) a = m, va = vm;
    else b = m;
  }
  return (a + b) / 2;
}

struct Worst {
  double seconds = 0, ratio = 0;
  int count = 0;
};

class TimelineOracle : public ::testing::Test {
 protected:
  void SetUp() override { swe_set_delta_t_userdef(DeltaT(MomentFromDate(2026, 1, 1, 0)) * 36525.0); }
  void TearDown() override { swe_set_delta_t_userdef(SE_DELTAT_AUTOMATIC); }

  // Compares every crossing event; `what` names the kind in the summary.
  void CompareCrossings(const std::vector<Event>& events, const ChartData& natal) {
    std::map<std::string, Worst> worst;
    for (const Event& e : events) {
      if (e.Type == EventType::kStation || e.Type == EventType::kEclipse) continue;
      // Delta T set once per run is right to a few hundredths of a second over the window.
      swe_set_delta_t_userdef(DeltaT(e.Moment) * 36525.0);
      const double level = LevelOf(e, natal);
      const Angle at = SweAngle(e, natal, e.Moment);
      const int a = e.Type == EventType::kLunation ? kMoon : e.Body;
      const int b = e.Type == EventType::kLunation ? kSun : (e.OtherNatal ? -1 : e.Other);
      const double bound = kLongitudeBound[a] + (b >= 0 ? kLongitudeBound[b] : 0);
      const double tolerance = bound / 3600 / std::fabs(at.rate) * kSecondsPerDay + 1;
      // Too slow to be found by the reference's Newton steps: a transit lingering at a station.
      if (std::fabs(at.rate) < 0.02) continue;
      const ChartMoment ref = SweMoment(e, natal, level);
      ASSERT_TRUE(IsValue(ref)) << TypeName(e.Type) << " body " << e.Body << " other " << e.Other;
      const double diff = std::fabs(ref - e.Moment) / SecondInCenturies;
      EXPECT_LE(diff, tolerance) << TypeName(e.Type) << " body " << e.Body << " other "
                                 << e.Other << " aspect " << e.Aspect;
      Worst& w = worst[std::string(TypeName(e.Type)) + (e.OtherNatal ? " to natal" : "")];
      w.seconds = std::max(w.seconds, diff);
      w.ratio = std::max(w.ratio, diff / tolerance);
      ++w.count;
    }
    for (const auto& [what, w] : worst)
      std::printf("%-16s %5d compared, worst %8.1f s, worst share of tolerance %.2f\n",
                  what.c_str(), w.count, w.seconds, w.ratio);
  }
};

TEST_F(TimelineOracle, IngressesLunationsAndTransitAspectsOfAYear) {
  const ChartMoment from = MomentFromDate(2026, 1, 1, 0);
  const ChartData none;
  std::vector<Event> events = FindEvents(nullptr, from, from + 365 * DayInCenturies);
  int lunations = 0, ingresses = 0;
  for (const Event& e : events) {
    lunations += e.Type == EventType::kLunation;
    ingresses += e.Type == EventType::kIngress;
  }
  EXPECT_GE(lunations, 24);
  EXPECT_GE(ingresses, 13 * 12);
  CompareCrossings(events, none);
}

TEST_F(TimelineOracle, AspectsToANatalChart) {
  ChartData natal;
  const double lon[12] = {84.9, 231.2, 71.0, 122.4, 100.3, 279.6, 5.1, 344.8, 194.0, 130.2,
                          182.7, 92.5};
  for (int i = 0; i < 12; ++i) natal.Object[kLongitude][kNatalTargets[i]] = lon[i];
  const ChartMoment from = MomentFromDate(2026, 3, 20, 5);
  std::vector<Event> events = FindEvents(&natal, from, from + 120 * DayInCenturies);
  std::erase_if(events, [](const Event& e) { return !e.OtherNatal; });
  EXPECT_GT(events.size(), 300u);
  CompareCrossings(events, natal);
}

// A station's moment is where the speed vanishes; an error dv of the speed moves it by dv / a,
// a the acceleration there, which is small for the outer planets: hours for Mercury, a day or
// more for Pluto.
TEST_F(TimelineOracle, StationsOfFiveYears) {
  const ChartMoment from = MomentFromDate(2024, 1, 1, 0);
  double worst_hours[10] = {};
  int count = 0;
  for (int year = 0; year < 5; ++year) {
    const ChartMoment start = from + year * 365 * DayInCenturies;
    for (const Event& e : FindEvents(nullptr, start, start + 365 * DayInCenturies)) {
      if (e.Type != EventType::kStation) continue;
      const ChartMoment ref = SweStation(e.Body, e.Moment);
      ASSERT_TRUE(IsValue(ref)) << "body " << e.Body;
      const double hours = std::fabs(ref - e.Moment) / DayInCenturies * 24;
      // Acceleration at the station (deg/day^2), from the reference.
      const double acc = std::fabs(SweSpeed(e.Body, ref + DayInCenturies) -
                                   SweSpeed(e.Body, ref - DayInCenturies)) / 2;
      // A speed error of 1"/day at most (positions oracle bounds, differentiated).
      const double tolerance = 1.0 / 3600 / acc * 24 + 0.01;
      EXPECT_LE(hours, tolerance) << "body " << e.Body;
      worst_hours[e.Body] = std::max(worst_hours[e.Body], hours);
      ++count;
    }
  }
  EXPECT_GT(count, 40);
  std::printf("stations compared: %d; worst difference, hours:", count);
  for (int b = kMercury; b <= kPluto; ++b) std::printf(" %s %.2f", ObjectName(b), worst_hours[b]);
  std::printf("\n");
}

}  // namespace
}  // namespace sd::timeline
