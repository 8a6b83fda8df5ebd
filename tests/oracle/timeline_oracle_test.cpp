// The timeline's moments against the same moments found on Swiss Ephemeris positions (Moshier
// mode, at universal time through the reference's own Delta T: both sides claim true universal
// time, so a fault of either Delta T shows as well as one of the theories).
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
#include "swe_reference.h"
#include "timeline/crossings.h"
#include "timeline/document.h"
#include "timeline/events.h"
#include "timeline/longitudes.h"

namespace sd::timeline {
namespace {

using oracle::SweBodyOfObject;

// Julian day (UT) of a moment: the reference adds its own Delta T.
double UtJd(astro::ChartMoment t) { return astro::JulianDay(t); }

// Largest apparent-longitude difference from the reference, arcsec, over AD 1950-2050 (measured
// every 3.7 days: 2.2, 3.1, 3.3, 6.8, 7.2, 3.3, 5.9, 7.0, 21.2, 9.4), with a fifth to spare.
constexpr double kLongitudeBound[10] = {3, 4, 4, 8, 9, 4, 7, 9, 26, 12};
constexpr double kSecondsPerDay = 86400;

double SweLongitude(int body, astro::ChartMoment t) {
  double x[6];
  char err[AS_MAXCH];
  if (swe_calc_ut(UtJd(t), SweBodyOfObject(body), SEFLG_MOSEPH | SEFLG_SPEED, x, err) < 0)
    return astro::NoValue;
  return x[0];
}
double SweSpeed(int body, astro::ChartMoment t) {  // degrees a day
  double x[6];
  char err[AS_MAXCH];
  if (swe_calc_ut(UtJd(t), SweBodyOfObject(body), SEFLG_MOSEPH | SEFLG_SPEED, x, err) < 0)
    return astro::NoValue;
  return x[3];
}

// The angle an event is about, on the reference's positions: its value and its rate (deg/day).
struct Angle {
  double value, rate;
};
Angle SweAngle(const Event& e, const astro::ChartData& natal, astro::ChartMoment t) {
  switch (e.Type) {
    case EventType::kAspect:
      if (e.OtherNatal)
        return {SweLongitude(e.Body, t) - natal.Lon(e.Other), SweSpeed(e.Body, t)};
      return {SweLongitude(e.Body, t) - SweLongitude(e.Other, t),
              SweSpeed(e.Body, t) - SweSpeed(e.Other, t)};
    case EventType::kLunation:
      return {SweLongitude(astro::kMoon, t) - SweLongitude(astro::kSun, t),
              SweSpeed(astro::kMoon, t) - SweSpeed(astro::kSun, t)};
    default: return {SweLongitude(e.Body, t), SweSpeed(e.Body, t)};
  }
}
double OwnAngle(const Event& e, const astro::ChartData& natal, astro::ChartMoment t) {
  switch (e.Type) {
    case EventType::kAspect:
      return TransitLongitude(e.Body, t) -
             (e.OtherNatal ? natal.Lon(e.Other) : TransitLongitude(e.Other, t));
    case EventType::kLunation: return TransitLongitude(astro::kMoon, t) - TransitLongitude(astro::kSun, t);
    default: return TransitLongitude(e.Body, t);
  }
}

// The level of the event: which side of an aspect, which cusp of an ingress.
double LevelOf(const Event& e, const astro::ChartData& natal) {
  const double v = OwnAngle(e, natal, e.Moment);
  if (e.Type == EventType::kIngress) return 30.0 * std::round(astro::NormalizeMod(v, 360) / 30);
  return std::fabs(Wrap180(v - e.Aspect)) <= std::fabs(Wrap180(v + e.Aspect)) ? e.Aspect : -e.Aspect;
}

// Newton's steps on the reference from `start` to where the angle is `level`; NoValue when they
// wander off.
astro::ChartMoment SweMomentNear(const Event& e, const astro::ChartData& natal, double level,
                                 astro::ChartMoment start) {
  astro::ChartMoment t = start;
  for (int i = 0; i < 20; ++i) {
    const Angle a = SweAngle(e, natal, t);
    const double dt = -Wrap180(a.value - level) / a.rate * astro::DayInCenturies;
    t += dt;
    if (std::fabs(t - start) > 3 * astro::DayInCenturies) return astro::kNoMoment;
    if (std::fabs(dt) < 0.01 * astro::SecondInCenturies) return t;
  }
  return astro::kNoMoment;
}
astro::ChartMoment SweMoment(const Event& e, const astro::ChartData& natal, double level) {
  return SweMomentNear(e, natal, level, e.Moment);
}

// The reference's station: where its speed changes sign, by bisection within three days.
astro::ChartMoment SweStation(int body, astro::ChartMoment near) {
  astro::ChartMoment a = near - 3 * astro::DayInCenturies, b = near + 3 * astro::DayInCenturies;
  double va = SweSpeed(body, a);
  if ((va > 0) == (SweSpeed(body, b) > 0)) return astro::kNoMoment;
  for (int i = 0; i < 60 && b - a > 0.01 * astro::SecondInCenturies; ++i) {
    const astro::ChartMoment m = astro::Midpoint(a, b);
    const double vm = SweSpeed(body, m);
    if ((vm > 0) == (va > 0)) a = m, va = vm;
    else b = m;
  }
  return astro::Midpoint(a, b);
}

struct Worst {
  double seconds = 0, ratio = 0;
  int count = 0;
};

// The position bound of the angle of an event, arcseconds.
double BoundOf(const Event& e) {
  const int a = e.Type == EventType::kLunation ? astro::kMoon : e.Body;
  const int b = e.Type == EventType::kLunation ? astro::kSun : (e.OtherNatal ? -1 : e.Other);
  return kLongitudeBound[a] + (b >= 0 ? kLongitudeBound[b] : 0);
}

class TimelineOracle : public ::testing::Test {
 protected:
  void SetUp() override { swe_set_delta_t_userdef(SE_DELTAT_AUTOMATIC); }

  // Compares a passage's start, end and exact moments with the reference's: each the moment the
  // reference's angle is at the orb's edge (or exact), found from the timeline's by Newton's
  // steps, within the position bound over the rate there. Returns the worst share of tolerance.
  double ComparePassage(const Event& e, const astro::ChartData& natal) {
    const Passage& p = *e.Pass;
    // The angle's value at the aspect, and either edge of the orb.
    const double level = LevelOf(e, natal);
    double worst = 0;
    auto compare = [&](astro::ChartMoment own, double target, const char* what) {
      const Angle at = SweAngle(e, natal, own);
      if (std::fabs(at.rate) < 0.002) return;  // lingering at a station: no Newton's steps there
      const astro::ChartMoment ref = SweMomentNear(e, natal, target, own);
      ASSERT_TRUE(astro::IsValue(ref)) << EventName(e) << " " << what;
      const double tolerance = BoundOf(e) / 3600 / std::fabs(at.rate) * kSecondsPerDay + 1;
      const double diff = std::fabs(ref - own) / astro::SecondInCenturies;
      EXPECT_LE(diff, tolerance) << EventName(e) << " " << what << " " << UtcText(own);
      worst = std::max(worst, diff / tolerance);
    };
    for (astro::ChartMoment x : p.Exact) compare(x, level, "exact");
    // The side of the orb each edge is on: the deviation's sign there.
    for (const auto& [edge, what] : {std::pair{p.Start, "start"}, std::pair{p.End, "end"}}) {
      if (!astro::IsValue(edge)) continue;
      const double d = Wrap180(OwnAngle(e, natal, edge) - level);
      compare(edge, level + (d > 0 ? p.Orb : -p.Orb), what);
    }
    return worst;
  }

  // Compares every crossing event; `what` names the kind in the summary.
  void CompareCrossings(const std::vector<Event>& events, const astro::ChartData& natal) {
    std::map<std::string, Worst> worst;
    for (const Event& e : events) {
      if (e.Type == EventType::kStation || e.Type == EventType::kEclipse) continue;
      const double level = LevelOf(e, natal);
      const Angle at = SweAngle(e, natal, e.Moment);
      const double bound = BoundOf(e);
      const double tolerance = bound / 3600 / std::fabs(at.rate) * kSecondsPerDay + 1;
      // Too slow to be found by the reference's Newton steps: a transit lingering at a station.
      if (std::fabs(at.rate) < 0.02) continue;
      const astro::ChartMoment ref = SweMoment(e, natal, level);
      ASSERT_TRUE(astro::IsValue(ref)) << TypeName(e.Type) << " body " << e.Body << " other " << e.Other;
      const double diff = std::fabs(ref - e.Moment) / astro::SecondInCenturies;
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
  const astro::ChartMoment from = astro::MomentFromDate(2026, 1, 1, 0);
  const astro::ChartData none;
  std::vector<Event> events = FindEvents(nullptr, from, from + 365 * astro::DayInCenturies);
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
  astro::ChartData natal;
  const double lon[12] = {84.9, 231.2, 71.0, 122.4, 100.3, 279.6, 5.1, 344.8, 194.0, 130.2,
                          182.7, 92.5};
  for (int i = 0; i < 12; ++i) natal.Object[astro::kLongitude][kNatalTargets[i]] = lon[i];
  const astro::ChartMoment from = astro::MomentFromDate(2026, 3, 20, 5);
  std::vector<Event> events = FindEvents(&natal, from, from + 120 * astro::DayInCenturies);
  std::erase_if(events, [](const Event& e) { return !e.OtherNatal; });
  EXPECT_GT(events.size(), 300u);
  CompareCrossings(events, natal);
}

// The passages of a natal chart's aspects over two months, transit aspects to one another
// included: every start, end and exact moment.
TEST_F(TimelineOracle, PassageStartsEndsAndExactMoments) {
  astro::ChartData natal;
  const double lon[12] = {84.9, 231.2, 71.0, 122.4, 100.3, 279.6, 5.1, 344.8, 194.0, 130.2,
                          182.7, 92.5};
  for (int i = 0; i < 12; ++i) natal.Object[astro::kLongitude][kNatalTargets[i]] = lon[i];
  SearchOptions o;
  o.Passages = true;
  const astro::ChartMoment from = astro::MomentFromDate(2026, 3, 20, 5);
  int count = 0;
  double worst = 0;
  for (const Event& e : FindEvents(&natal, from, from + 60 * astro::DayInCenturies, o)) {
    if (!e.Pass) continue;
    worst = std::max(worst, ComparePassage(e, natal));
    ++count;
  }
  EXPECT_GT(count, 300);
  std::printf("passages compared: %d, worst share of tolerance %.2f\n", count, worst);
}

// The stations of a body in `days` days from `from`, by the timeline.
std::vector<Event> StationsOf(int body, astro::ChartMoment from, int days) {
  std::vector<Event> out;
  for (const Event& e : FindEvents(nullptr, from, from + days * astro::DayInCenturies))
    if (e.Type == EventType::kStation && e.Body == body) out.push_back(e);
  return out;
}

// Passages of one transit body's aspects to the natal Sun alone.
SearchOptions OneBodyToNatalSun(int body) {
  SearchOptions o;
  o.Passages = true;
  o.Transits = false;
  o.Bodies.reset();
  o.Bodies.set(static_cast<size_t>(body));
  o.Points.reset();
  o.Points.set(astro::kSun);
  return o;
}

// Pluto's loop of 2026 about a point midway between its two stations: direct it reaches the point,
// turns retrograde and reaches it again, turns direct and reaches it a third time, never leaving
// an orb of three quarters of the loop. Found with the timeline, checked on the reference.
TEST_F(TimelineOracle, RetrogradeTriplePassage) {
  const astro::ChartMoment year = astro::MomentFromDate(2026, 1, 1, 0);
  const std::vector<Event> stations = StationsOf(astro::kPluto, year, 365);
  ASSERT_EQ(stations.size(), 2u);
  ASSERT_EQ(stations[0].Dir, Direction::kRetrograde);
  const double lr = TransitLongitude(astro::kPluto, stations[0].Moment);
  const double ld = TransitLongitude(astro::kPluto, stations[1].Moment);
  const double loop = std::fabs(Wrap180(lr - ld));
  astro::ChartData natal;
  natal.Object[astro::kLongitude][astro::kSun] = astro::NormalizeMod(ld + Wrap180(lr - ld) / 2, 360);
  SearchOptions o = OneBodyToNatalSun(astro::kPluto);
  o.Orb = 0.75 * loop;
  std::vector<Event> found;
  for (const Event& e : FindEvents(&natal, year, year + 365 * astro::DayInCenturies, o))
    if (e.Other == astro::kSun && e.Aspect == 0) found.push_back(e);
  ASSERT_FALSE(found.empty());
  const Passage& p = *found[0].Pass;
  ASSERT_EQ(p.Exact.size(), 3u) << "loop " << loop << " degrees";
  EXPECT_LT(p.Exact[0], stations[0].Moment);
  EXPECT_GT(p.Exact[1], stations[0].Moment);
  EXPECT_LT(p.Exact[1], stations[1].Moment);
  EXPECT_GT(p.Exact[2], stations[1].Moment);
  EXPECT_LE(ComparePassage(found[0], natal), 1.0);
  std::printf("Pluto conjunct %.3f: in orb %.2f from %s, exact %s, %s, %s, to %s\n", natal.Lon(astro::kSun),
              o.Orb, UtcText(p.Start).c_str(), UtcText(p.Exact[0]).c_str(), UtcText(p.Exact[1]).c_str(),
              UtcText(p.Exact[2]).c_str(), UtcText(p.End).c_str());
}

// Jupiter's retrograde station of November 2025, 0.4 degrees short of a point: in orb for weeks,
// never exact; closest at the station.
TEST_F(TimelineOracle, PassageThatTurnsBackShortOfExactness) {
  const astro::ChartMoment from = astro::MomentFromDate(2025, 10, 1, 0);
  const std::vector<Event> stations = StationsOf(astro::kJupiter, from, 120);
  ASSERT_EQ(stations.size(), 1u);
  ASSERT_EQ(stations[0].Dir, Direction::kRetrograde);
  astro::ChartData natal;
  natal.Object[astro::kLongitude][astro::kSun] =
      astro::NormalizeMod(TransitLongitude(astro::kJupiter, stations[0].Moment) + 0.4, 360);
  const SearchOptions o = OneBodyToNatalSun(astro::kJupiter);
  std::vector<Event> found;
  for (const Event& e : FindEvents(&natal, from, from + 120 * astro::DayInCenturies, o))
    if (e.Other == astro::kSun && e.Aspect == 0) found.push_back(e);
  ASSERT_EQ(found.size(), 1u);
  const Passage& p = *found[0].Pass;
  EXPECT_FALSE(p.Perfects());
  EXPECT_EQ(found[0].Moment, p.Closest);
  EXPECT_LE(ComparePassage(found[0], natal), 1.0);
  // The closest approach is the reference's station, within the stations' tolerance, and its
  // separation the reference's there within the position bound.
  const astro::ChartMoment ref = SweStation(astro::kJupiter, p.Closest);
  ASSERT_TRUE(astro::IsValue(ref));
  const double acc = std::fabs(SweSpeed(astro::kJupiter, ref + astro::DayInCenturies) - SweSpeed(astro::kJupiter, ref - astro::DayInCenturies)) / 2;
  EXPECT_LE(std::fabs(ref - p.Closest) / astro::DayInCenturies * 24, 1.0 / 3600 / acc * 24 + 0.01);
  EXPECT_NEAR(p.ClosestSeparation,
              std::fabs(Wrap180(SweLongitude(astro::kJupiter, ref) - natal.Lon(astro::kSun))),
              kLongitudeBound[astro::kJupiter] / 3600.0);
  std::printf("Jupiter conjunct %.3f: in orb from %s to %s, closest %s at %.4f degrees\n",
              natal.Lon(astro::kSun), UtcText(p.Start).c_str(), UtcText(p.End).c_str(),
              UtcText(p.Closest).c_str(), p.ClosestSeparation);
}

// A station's moment is where the speed vanishes; an error dv of the speed moves it by dv / a,
// a the acceleration there, which is small for the outer planets: hours for Mercury, a day or
// more for Pluto.
TEST_F(TimelineOracle, StationsOfFiveYears) {
  const astro::ChartMoment from = astro::MomentFromDate(2024, 1, 1, 0);
  double worst_hours[10] = {};
  int count = 0;
  for (int year = 0; year < 5; ++year) {
    const astro::ChartMoment start = from + year * 365 * astro::DayInCenturies;
    for (const Event& e : FindEvents(nullptr, start, start + 365 * astro::DayInCenturies)) {
      if (e.Type != EventType::kStation) continue;
      const astro::ChartMoment ref = SweStation(e.Body, e.Moment);
      ASSERT_TRUE(astro::IsValue(ref)) << "body " << e.Body;
      const double hours = std::fabs(ref - e.Moment) / astro::DayInCenturies * 24;
      // Acceleration at the station (deg/day^2), from the reference.
      const double acc = std::fabs(SweSpeed(e.Body, ref + astro::DayInCenturies) -
                                   SweSpeed(e.Body, ref - astro::DayInCenturies)) / 2;
      // A speed error of 1"/day at most (positions oracle bounds, differentiated).
      const double tolerance = 1.0 / 3600 / acc * 24 + 0.01;
      EXPECT_LE(hours, tolerance) << "body " << e.Body;
      worst_hours[e.Body] = std::max(worst_hours[e.Body], hours);
      ++count;
    }
  }
  EXPECT_GT(count, 40);
  std::printf("stations compared: %d; worst difference, hours:", count);
  for (int b = astro::kMercury; b <= astro::kPluto; ++b)
    std::printf(" %s %.2f", astro::ObjectName(b), worst_hours[b]);
  std::printf("\n");
}

}  // namespace
}  // namespace sd::timeline
