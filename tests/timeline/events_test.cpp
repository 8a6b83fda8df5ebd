// The window's events against the transit chart itself and against a brute-force scan of the
// longitudes an hour apart.
#include "timeline/events.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>

#include "astro/angles.h"
#include "astro/calendar.h"
#include "astro/chart.h"
#include "astro/observed_delta_t.h"
#include "forecast/model_value.h"
#include "model/ev_list.h"
#include "timeline/crossings.h"
#include "timeline/document.h"
#include "timeline/longitudes.h"
#include "../support/moments.h"

namespace sd::timeline {
namespace {

// The forecast's transit chart of moment t, for a natal chart in New York.
astro::ChartData TransitChart(astro::ChartMoment t) {
  astro::ChartData natal;
  natal.Event.PlaceLatitude = 40.4251;   // packed D.MMSS
  natal.Event.PlaceLongitude = -73.5957;
  auto sky = std::make_unique<forecast::TransitSky>();
  forecast::ComputeSky(forecast::TransitEvent(natal, -5), t, *sky);
  return sky->Chart;
}

// The timeline's moments are true universal time; the forecast's chart of the moment on its own
// clock that has the same ephemeris time holds the very same numbers.
TEST(TransitLongitudes, AreTheTransitChartsOwnNumbers) {
  // Moments over three centuries at an irregular step, every hour of the day met.
  for (astro::ChartMoment t{-0.5137}; t < astro::ChartMoment(2.6); t += 0.0731) {
    const astro::ChartData chart = TransitChart(astro::ForecastClockOf(t));
    const BodyLongitudes all = TransitLongitudes(t);
    for (int n = 0; n <= 9; ++n) {
      EXPECT_EQ(all[n], chart.Lon(n)) << "body " << n << " t " << t;
      EXPECT_EQ(TransitLongitude(n, t), chart.Lon(n)) << "body " << n << " t " << t;
    }
  }
  EXPECT_FALSE(astro::IsValue(TransitLongitude(10, astro::ChartMoment(1.26))));
  EXPECT_FALSE(astro::IsValue(TransitLongitude(astro::kSun, astro::ChartMoment(5000.0))));
}

// A natal chart placed by hand: objects 0..9, the Ascendant and the Midheaven.
astro::ChartData HandNatal(const double (&lon)[12]) {
  astro::ChartData natal;
  for (int i = 0; i < 12; ++i) {
    natal.ObjectOn[kNatalTargets[i]] = 1;
    natal.Object[astro::kLongitude][kNatalTargets[i]] = lon[i];
  }
  return natal;
}

using Key = std::tuple<int, int, int, bool, double>;  // type, body, other, other natal, aspect
Key KeyOf(const Event& e) {
  return {static_cast<int>(e.Type), e.Body, e.Other, e.OtherNatal, e.Aspect};
}

// The ten longitudes an hour apart over a window, and every moment at which an angle made of
// them minus a level changes sign between two samples, away from the jump at the far side of
// the circle. The moment given is the later sample's.
struct HourlyScan {
  static constexpr double kHour = astro::DayInCenturies / 24;
  astro::ChartMoment from;
  std::vector<BodyLongitudes> lon;
  HourlyScan(astro::ChartMoment f, astro::ChartMoment to) : from(f) {
    for (astro::ChartMoment t = from; t <= to + kHour / 2; t += kHour) lon.push_back(TransitLongitudes(t));
  }
  template <class Angle>
  std::vector<astro::ChartMoment> Crossings(Angle angle, double level) const {
    std::vector<astro::ChartMoment> out;
    double prev = Wrap180(angle(lon[0]) - level);
    for (size_t i = 1; i < lon.size(); ++i) {
      const double d = Wrap180(angle(lon[i]) - level);
      if ((prev < 0) != (d < 0) && std::fabs(d - prev) < 90) out.push_back(from + i * kHour);
      prev = d;
    }
    return out;
  }
};

TEST(FindEvents, MatchesAnHourlyScanOfEveryPairAndLevel) {
  const astro::ChartMoment from = astro::MomentFromDate(2026, 3, 20, 5),
                           to = from + 20 * astro::DayInCenturies;
  const astro::ChartData natal = HandNatal({84.9, 231.2, 71.0, 122.4, 100.3, 279.6, 5.1, 344.8, 194.0,
                                     130.2, 182.7, 92.5});
  const std::vector<Event> events = FindEvents(&natal, from, to);
  ASSERT_TRUE(std::is_sorted(events.begin(), events.end(),
                             [](const Event& a, const Event& b) { return a.Moment < b.Moment; }));

  std::map<Key, std::vector<astro::ChartMoment>> found, scanned;
  for (const Event& e : events) found[KeyOf(e)].push_back(e.Moment);

  const HourlyScan hourly(from, to);
  auto scan = [&](Key key, auto angle, double level) {
    for (astro::ChartMoment t : hourly.Crossings(angle, level)) scanned[key].push_back(t);
  };
  for (int b = 0; b <= 9; ++b) {
    auto body = [b](const BodyLongitudes& l) { return l[b]; };
    for (double angle : kAspectAngles) {
      for (double side : {1.0, -1.0}) {
        if (side < 0 && (angle == 0 || angle == 180)) continue;
        for (int target : kNatalTargets)
          scan({0, b, target, true, angle}, body, natal.Lon(target) + side * angle);
        for (int o = b + 1; o <= 9; ++o)
          scan({0, b, o, false, angle},
               [b, o](const BodyLongitudes& l) { return l[b] - l[o]; },
               side * angle);
      }
    }
    for (int sign = 0; sign < 12; ++sign) scan({1, b, -1, false, astro::NoValue}, body, 30.0 * sign);
  }
  for (double phase : {0.0, 180.0})
    scan({3, astro::kMoon, astro::kSun, false, phase},
         [](const BodyLongitudes& l) { return l[astro::kSun] - l[astro::kMoon]; }, phase);

  size_t compared = 0;
  for (auto& [key, moments] : scanned) {
    std::sort(moments.begin(), moments.end());
    const auto& got = found[key];
    ASSERT_EQ(got.size(), moments.size())
        << "type " << std::get<0>(key) << " body " << std::get<1>(key) << " other "
        << std::get<2>(key) << (std::get<3>(key) ? " natal" : "") << " aspect " << std::get<4>(key);
    // Each found moment lies in the hour before the sample that showed the change.
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_LE(got[i], moments[i] + astro::SecondInCenturies);
      EXPECT_GE(got[i], moments[i] - astro::DayInCenturies / 24 - astro::SecondInCenturies);
      ++compared;
    }
  }
  EXPECT_GT(compared, 100u);
  // Nothing found that the scan did not see (stations and eclipses are not scanned).
  for (const auto& [key, moments] : found) {
    if (std::get<0>(key) == 2 || std::get<0>(key) == 4) continue;
    EXPECT_EQ(moments.size(), scanned[key].size()) << "body " << std::get<1>(key);
  }
}

TEST(FindEvents, MomentsAreExactToASecond) {
  const astro::ChartMoment from = astro::MomentFromDate(2026, 3, 20, 5),
                           to = from + 20 * astro::DayInCenturies;
  const astro::ChartData natal = HandNatal({84.9, 231.2, 71.0, 122.4, 100.3, 279.6, 5.1, 344.8, 194.0,
                                     130.2, 182.7, 92.5});
  constexpr double kSecond = astro::SecondInCenturies;
  for (const Event& e : FindEvents(&natal, from, to)) {
    if (e.Type == EventType::kEclipse) continue;
    // The quantity that reaches its level, a second either side of the moment.
    auto angle = [&](astro::ChartMoment t) {
      switch (e.Type) {
        case EventType::kAspect:
          return TransitLongitude(e.Body, t) -
                 (e.OtherNatal ? natal.Lon(e.Other) : TransitLongitude(e.Other, t));
        case EventType::kLunation:
          return TransitLongitude(astro::kMoon, t) - TransitLongitude(astro::kSun, t);
        default: return TransitLongitude(e.Body, t);
      }
    };
    if (e.Type == EventType::kStation) {
      const double before = Wrap180(angle(e.Moment) - angle(e.Moment - 3600 * kSecond));
      const double after = Wrap180(angle(e.Moment + 3600 * kSecond) - angle(e.Moment));
      EXPECT_EQ(before > 0, e.Dir == Direction::kRetrograde);
      EXPECT_EQ(after > 0, e.Dir == Direction::kDirect);
      continue;
    }
    std::vector<double> levels;
    if (e.Type == EventType::kIngress) levels = {30.0 * (e.Sign - 1), 30.0 * e.Sign};
    else levels = {e.Aspect, -e.Aspect};
    bool straddles = false;
    for (double level : levels) {
      const double a = Wrap180(angle(e.Moment - kSecond) - level);
      const double b = Wrap180(angle(e.Moment + kSecond) - level);
      straddles = straddles || ((a <= 0) != (b <= 0) && std::fabs(a - b) < 1);
    }
    EXPECT_TRUE(straddles) << TypeName(e.Type) << " body " << e.Body << " other " << e.Other;
    if (e.Type == EventType::kIngress) {
      const int sign_after = astro::SignOf(angle(e.Moment + kSecond));
      EXPECT_EQ(sign_after == e.Sign, e.Dir == Direction::kForward) << "body " << e.Body;
    }
  }
}

// Mercury's direct station in [from, to], found by the timeline itself.
std::optional<Event> MercuryTurnsDirect(astro::ChartMoment from, astro::ChartMoment to) {
  for (const Event& e : FindEvents(nullptr, from, to))
    if (e.Type == EventType::kStation && e.Body == astro::kMercury && e.Dir == Direction::kDirect) return e;
  return std::nullopt;
}

// Mercury turns direct in March 2026. A natal point just above the turning longitude is
// passed twice, days apart, once retrograde and once direct; one just below, never.
TEST(FindEvents, TransitThatTouchesAndTurnsBackIsListedTwice) {
  const astro::ChartMoment from = astro::MomentFromDate(2026, 3, 1, 0),
                           to = from + 40 * astro::DayInCenturies;
  const std::optional<Event> station = MercuryTurnsDirect(from, to);
  ASSERT_TRUE(station.has_value());
  const double turn = TransitLongitude(astro::kMercury, station->Moment);

  astro::ChartData natal;
  natal.Object[astro::kLongitude][astro::kSun] = astro::NormalizeMod(turn + 0.01, 360);   // reached twice
  natal.Object[astro::kLongitude][astro::kMoon] = astro::NormalizeMod(turn - 0.01, 360);  // never reached
  natal.Object[astro::kLongitude][astro::kVenus] =
      astro::NormalizeMod(turn + 0.01 + 90, 360);  // square, other side
  std::vector<Event> conj, square, missed;
  for (const Event& e : FindEvents(&natal, from, to)) {
    if (e.Type != EventType::kAspect || e.Body != astro::kMercury || !e.OtherNatal) continue;
    if (e.Other == astro::kSun && e.Aspect == 0) conj.push_back(e);
    if (e.Other == astro::kVenus && e.Aspect == 90) square.push_back(e);
    if (e.Other == astro::kMoon && e.Aspect == 0) missed.push_back(e);
  }
  ASSERT_EQ(conj.size(), 2u);
  EXPECT_LT(conj[0].Moment, station->Moment);
  EXPECT_GT(conj[1].Moment, station->Moment);
  EXPECT_LT(conj[1].Moment - conj[0].Moment, 10 * astro::DayInCenturies);
  ASSERT_EQ(square.size(), 2u);
  EXPECT_NEAR(square[0].Moment.Centuries, conj[0].Moment.Centuries, 2 * astro::SecondInCenturies);
  EXPECT_TRUE(missed.empty());
}

// The same station with passages: the point reached twice has one passage holding both exact
// moments; the point never reached is an event of its own at Mercury's station, 0.01 degrees short.
TEST(FindEvents, PassagesOfATouchAtAStationAndOfAMiss) {
  const astro::ChartMoment from = astro::MomentFromDate(2026, 3, 1, 0),
                           to = from + 40 * astro::DayInCenturies;
  const std::optional<Event> station = MercuryTurnsDirect(from, to);
  ASSERT_TRUE(station.has_value());
  const double turn = TransitLongitude(astro::kMercury, station->Moment);
  astro::ChartData natal;
  natal.Object[astro::kLongitude][astro::kSun] = astro::NormalizeMod(turn + 0.01, 360);
  natal.Object[astro::kLongitude][astro::kMoon] = astro::NormalizeMod(turn - 0.01, 360);
  SearchOptions o;
  o.Passages = true;
  o.Transits = false;
  std::vector<Event> touch, miss;
  for (const Event& e : FindEvents(&natal, from, to, o)) {
    ASSERT_EQ(e.Type, EventType::kAspect);
    ASSERT_TRUE(e.Pass.has_value()) << EventName(e);
    if (e.Body == astro::kMercury && e.Other == astro::kSun && e.Aspect == 0) touch.push_back(e);
    if (e.Body == astro::kMercury && e.Other == astro::kMoon && e.Aspect == 0) miss.push_back(e);
  }
  ASSERT_EQ(touch.size(), 2u);
  const Passage& p = *touch[0].Pass;
  ASSERT_EQ(p.Exact.size(), 2u);
  EXPECT_EQ(p.Exact[0], touch[0].Moment);
  EXPECT_EQ(p.Exact[1], touch[1].Moment);
  EXPECT_EQ(touch[1].Pass->Start, p.Start);
  EXPECT_EQ(touch[1].Pass->End, p.End);
  EXPECT_LT(p.Start, p.Exact[0]);
  EXPECT_GT(p.End, p.Exact[1]);
  // In orb while Mercury is within a degree: it moves about a degree a day or less near a station.
  EXPECT_GT(p.End - p.Start, 4 * astro::DayInCenturies);
  for (const astro::ChartMoment edge : {p.Start, p.End})
    EXPECT_NEAR(std::fabs(Wrap180(TransitLongitude(astro::kMercury, edge) - natal.Lon(astro::kSun))), 1.0,
                1e-4);
  EXPECT_EQ(EventSummary(touch[0]), "Mercury conjunction natal Sun (exact, 1 of 2)");

  ASSERT_EQ(miss.size(), 1u);
  const Passage& m = *miss[0].Pass;
  EXPECT_FALSE(m.Perfects());
  EXPECT_EQ(miss[0].Moment, m.Closest);
  EXPECT_NEAR(m.Closest.Centuries, station->Moment.Centuries, 0.05 * astro::DayInCenturies);
  EXPECT_NEAR(m.ClosestSeparation, 0.01, 1e-3);
  EXPECT_NE(EventId(miss[0]).find("-closest-"), std::string::npos) << EventId(miss[0]);
}

// With passages an aspect's moment is one of its passage's exact moments, to the bit, and within
// a second of the moment the search refines without them; one a few seconds inside either end of a
// window is listed, one a few seconds outside is not.
TEST(FindEvents, AspectsWithPassagesTakeTheirPassagesExactMoments) {
  const double lon[12] = {84.9, 231.2, 71.0, 122.4, 100.3, 279.6, 5.1, 344.8, 194.0, 130.2, 182.7, 92.5};
  const astro::ChartData natal = HandNatal(lon);
  SearchOptions walked;
  walked.Passages = true;
  const astro::ChartMoment from = astro::MomentFromDate(2026, 3, 20, 5), to = from + 10 * astro::DayInCenturies;
  const std::vector<Event> plain = FindEvents(&natal, from, to), with = FindEvents(&natal, from, to, walked);
  int matched = 0;
  for (const Event& e : with) {
    if (e.Type != EventType::kAspect || !e.Pass->Perfects()) continue;
    EXPECT_NE(std::find(e.Pass->Exact.begin(), e.Pass->Exact.end(), e.Moment), e.Pass->Exact.end()) << EventId(e);
    const auto same = std::find_if(plain.begin(), plain.end(), [&](const Event& p) {
      return KeyOf(p) == KeyOf(e) && std::fabs(p.Moment - e.Moment) < astro::SecondInCenturies;
    });
    EXPECT_NE(same, plain.end()) << EventId(e);
    ++matched;
  }
  EXPECT_GT(matched, 50);

  const auto listed = [&](const Event& e, astro::ChartMoment a, astro::ChartMoment b) {
    for (const Event& x : FindEvents(&natal, a, b, walked))
      if (KeyOf(x) == KeyOf(e) && x.Moment == e.Moment) return true;
    return false;
  };
  const Event& moon = *std::find_if(with.begin(), with.end(), [&](const Event& e) {
    return e.Type == EventType::kAspect && e.Body == astro::kMoon && e.Moment > from + 5 * astro::DayInCenturies;
  });
  const double near = 20 * astro::SecondInCenturies, days = 2 * astro::DayInCenturies;
  EXPECT_TRUE(listed(moon, moon.Moment - days, moon.Moment + near));
  EXPECT_FALSE(listed(moon, moon.Moment - days, moon.Moment - near));
  EXPECT_TRUE(listed(moon, moon.Moment - near, moon.Moment + days));
  EXPECT_FALSE(listed(moon, moon.Moment + near, moon.Moment + days));
}

// Two windows a week and some hours apart: every aspect both hold has the same id, moment and
// passage in both, to the bit.
TEST(FindEvents, PassagesAndIdsAreTheSameInEveryWindowThatHoldsThem) {
  const double lon[12] = {84.9, 231.2, 71.0, 122.4, 100.3, 279.6, 5.1, 344.8, 194.0, 130.2, 182.7, 92.5};
  const astro::ChartData natal = HandNatal(lon);
  SearchOptions o;
  o.Passages = true;
  const astro::ChartMoment a = astro::MomentFromDate(2026, 3, 20, 5);
  const astro::ChartMoment b = a + 7.13 * astro::DayInCenturies;
  const std::vector<Event> first = FindEvents(&natal, a, a + 20 * astro::DayInCenturies, o);
  const std::vector<Event> second = FindEvents(&natal, b, b + 20 * astro::DayInCenturies, o);
  std::map<std::string, const Event*> by_id;
  for (const Event& e : second) by_id[EventId(e)] = &e;
  int compared = 0;
  for (const Event& e : first) {
    if (e.Type != EventType::kAspect || e.Moment < b + astro::DayInCenturies || e.Moment > a + 19 * astro::DayInCenturies) continue;
    const auto it = by_id.find(EventId(e));
    ASSERT_NE(it, by_id.end()) << EventId(e);
    const Event& other = *it->second;
    EXPECT_EQ(other.Moment, e.Moment) << EventId(e);
    ASSERT_TRUE(e.Pass && other.Pass);
    EXPECT_EQ(other.Pass->Start, e.Pass->Start) << EventId(e);
    EXPECT_EQ(other.Pass->End, e.Pass->End) << EventId(e);
    EXPECT_EQ(other.Pass->Exact, e.Pass->Exact) << EventId(e);
    ++compared;
  }
  EXPECT_GT(compared, 50);
}

// What is in orb at a moment is what the window's passages say, applying before exactness and
// separating after.
TEST(AspectsInOrbAt, AgreeWithTheWindowsPassages) {
  const double lon[12] = {84.9, 231.2, 71.0, 122.4, 100.3, 279.6, 5.1, 344.8, 194.0, 130.2, 182.7, 92.5};
  const astro::ChartData natal = HandNatal(lon);
  SearchOptions o;
  o.Passages = true;
  const astro::ChartMoment a = astro::MomentFromDate(2026, 3, 20, 5);
  int checked = 0;
  for (const Event& e : FindEvents(&natal, a, a + 10 * astro::DayInCenturies, o)) {
    if (e.Type != EventType::kAspect || !e.OtherNatal || e.Body < astro::kMercury || !e.Pass->Perfects() ||
        !astro::IsValue(e.Pass->Start) || !astro::IsValue(e.Pass->End))
      continue;
    const struct {
      astro::ChartMoment t;
      Motion want;
    } moments[] = {{e.Pass->Start + (e.Pass->Exact.front() - e.Pass->Start) / 2, Motion::kApplying},
                   {e.Pass->Exact.back() + (e.Pass->End - e.Pass->Exact.back()) / 2, Motion::kSeparating}};
    for (const auto& m : moments) {
      bool found = false;
      for (const InOrb& in : AspectsInOrbAt(&natal, m.t, o)) {
        if (in.Aspect.Body != e.Body || in.Aspect.Other != e.Other || !in.Aspect.OtherNatal || in.Aspect.Level != e.Level)
          continue;
        found = true;
        EXPECT_EQ(in.State, m.want) << EventName(e);
        EXPECT_LE(std::fabs(in.Separation), 1.0);
        EXPECT_EQ(in.Aspect.Pass->Start, e.Pass->Start) << EventName(e);
        EXPECT_EQ(in.Aspect.Pass->End, e.Pass->End) << EventName(e);
      }
      EXPECT_TRUE(found) << EventName(e);
      ++checked;
    }
  }
  EXPECT_GT(checked, 10);
}

TEST(FindEvents, LunationsAndEclipsesOfTheWindow) {
  // 2026: New Moon 19 March, Full Moon 2 April; a total solar eclipse on 12 August.
  const astro::ChartMoment from = astro::MomentFromDate(2026, 3, 20, 5),
                           to = from + 20 * astro::DayInCenturies;
  std::vector<Event> lunations;
  for (const Event& e : FindEvents(nullptr, from, to))
    if (e.Type == EventType::kLunation) lunations.push_back(e);
  ASSERT_EQ(lunations.size(), 1u);
  EXPECT_EQ(lunations[0].Aspect, 180);
  const astro::CivilDate d = astro::DateFromMoment(lunations[0].Moment);
  EXPECT_EQ(std::tie(d.year, d.month, d.day), std::make_tuple(2026, 4, 2));

  const astro::ChartMoment july = astro::MomentFromDate(2026, 7, 20, 0);
  std::vector<Event> eclipses;
  for (const Event& e : FindEvents(nullptr, july, july + 40 * astro::DayInCenturies))
    if (e.Type == EventType::kEclipse) eclipses.push_back(e);
  ASSERT_EQ(eclipses.size(), 1u);
  astro::ChartData chart = TransitChart(july);
  chart.ObjectOn[astro::kNextEclipseMoon] = 1;
  ASSERT_TRUE(ComputeChart(chart, astro::MomentSource::Moment));
  EXPECT_EQ(eclipses[0].Moment, astro::TrueClockOf(chart.NextEclipseMoment));
}

TEST(FindEvents, RefusesWindowsItCannotSearch) {
  const astro::ChartMoment t = astro::MomentFromDate(2026, 3, 20, 5);
  EXPECT_TRUE(FindEvents(nullptr, t, t - astro::DayInCenturies).empty());
  EXPECT_TRUE(FindEvents(nullptr, t, t + 400 * astro::DayInCenturies).empty());
  EXPECT_TRUE(FindEvents(nullptr, astro::kNoMoment, t).empty());
  EXPECT_TRUE(FindEvents(nullptr, t, astro::ChartMoment(std::nan(""))).empty());
}

// The chunks of a span joined in order.
std::vector<Event> SpanOf(const astro::ChartData* natal, astro::ChartMoment from, astro::ChartMoment to,
                          bool natal_list) {
  std::vector<Event> out;
  for (int c = 0; c < SpanChunks(from, to); ++c) {
    const SpanEvents chunk = FindSpanChunk({natal}, true, from, to, c);
    const std::vector<Event>& list = natal_list ? chunk.Natal[0] : chunk.Transit;
    out.insert(out.end(), list.begin(), list.end());
  }
  return out;
}

TEST(FindSpanChunk, JoinedChunksAreTheWindowsEvents) {
  // 300 days: three chunks, their ends inside the window.
  const double lon[12] = {10, 75.5, 130, 200.25, 250, 290, 320, 5, 45, 100, 170, 260};
  const astro::ChartData natal = HandNatal(lon);
  const astro::ChartMoment from = astro::MomentFromDate(2026, 1, 3, 7),
                           to = from + 300 * astro::DayInCenturies;
  ASSERT_EQ(SpanChunks(from, to), 3);
  std::vector<Event> window = FindEvents(&natal, from, to);
  std::vector<Event> transit = SpanOf(&natal, from, to, false), natal_only = SpanOf(&natal, from, to, true);
  ASSERT_TRUE(std::is_sorted(transit.begin(), transit.end(), [](const Event& a, const Event& b) { return a.Moment < b.Moment; }));
  std::vector<Event> joined = transit;
  joined.insert(joined.end(), natal_only.begin(), natal_only.end());
  auto key = [](const Event& e) { return std::make_tuple(e.Type, e.Body, e.OtherNatal, e.Other, e.Aspect, e.Sign, e.Dir); };
  // By kind, then moment: moments agree to a second, not to the bit, so the order of events close
  // together in time is not a fixed one.
  auto order = [&](const Event& a, const Event& b) {
    return std::tuple_cat(key(a), std::tie(a.Moment)) < std::tuple_cat(key(b), std::tie(b.Moment));
  };
  std::sort(window.begin(), window.end(), order);
  std::sort(joined.begin(), joined.end(), order);
  ASSERT_EQ(joined.size(), window.size());
  for (size_t i = 0; i < window.size(); ++i) {
    EXPECT_TRUE(key(joined[i]) == key(window[i])) << i;
    EXPECT_NEAR(joined[i].Moment.Centuries, window[i].Moment.Centuries, 2 * astro::SecondInCenturies) << i;
  }
  for (const Event& e : natal_only) EXPECT_TRUE(e.OtherNatal);
  EXPECT_EQ(SpanChunks(to, from), 0);
  EXPECT_TRUE(FindSpanChunk({&natal}, true, from, to, 3).Transit.empty());
}

TEST(FindSpanChunk, YearsLongSpansHaveEveryLunationOnceAndNoGap) {
  // Ten years from 1990: about 124 new moons, each 29.2 to 29.9 days after the one before.
  const astro::ChartMoment from = astro::MomentFromDate(1990, 1, 1, 0),
                           to = astro::MomentFromDate(2000, 1, 1, 0);
  std::vector<astro::ChartMoment> new_moons;
  int sun_ingresses = 0;
  for (const Event& e : SpanOf(nullptr, from, to, false)) {
    if (e.Type == EventType::kLunation && e.Aspect == 0) new_moons.push_back(e.Moment);
    if (e.Type == EventType::kIngress && e.Body == astro::kSun) ++sun_ingresses;
  }
  EXPECT_EQ(sun_ingresses, 120);
  ASSERT_GE(new_moons.size(), 123u);
  ASSERT_LE(new_moons.size(), 124u);
  for (size_t i = 1; i < new_moons.size(); ++i) {
    const double days = (new_moons[i] - new_moons[i - 1]) / astro::DayInCenturies;
    EXPECT_GT(days, 29.2) << i;
    EXPECT_LT(days, 29.9) << i;
  }
}

TEST(AttachDrivers, AspectEventsWhosePairAndAspectSetsHoldTheEvent) {
  const std::string path = ::testing::TempDir() + "drivers_" + std::to_string(getpid()) + ".hyp";
  std::ofstream(path, std::ios::binary)
      << "[OPTIONS]\nHEADER=t\n\n"
         "[JupiterSun]\n_H=x\n_T=2\nA0=1\nA1=5\nA2=1,2,4\nA3=0\nA4=0\n\n"        // 0: transit Jupiter, natal Sun
         "[SunJupiterBack]\n_H=x\n_T=2\nA0=0\nA1=0\nA2=2\nA3=1\nA4=5\n\n"        // 1: the same the other way round
         "[TransitPair]\n_H=x\n_T=2\nA0=1\nA1=5\nA2=2\nA3=1\nA4=0\n\n"          // 2: transit Jupiter, transit Sun
         "[Harmonic]\n_H=x\n_T=2\nA0=1\nA1=5\nA2=2\nA3=0\nA4=0\nA9=2\n\n"        // 3: not measured in longitude
         "[Lunation]\n_H=x\n_T=2\nA0=1\nA1=1\nA2=5\nA3=1\nA4=0\n\n"             // 4: Moon opposite Sun
         "[Kind]\n_H=x\n_T=3\n\n";
  model::TEvList model;
  model.Load(path);
  std::filesystem::remove(path);
  ASSERT_GE(model.Count(), 5);

  std::vector<Event> events(5);
  events[0] = {EventType::kAspect, astro::ChartMoment(1), 5, 0, true, 60, 0, Direction::kNone, {}};
  events[1] = {EventType::kAspect, astro::ChartMoment(1), 5, 0, false, 60, 0, Direction::kNone, {}};
  events[2] = {EventType::kAspect, astro::ChartMoment(1), 5, 0, true, 90, 0, Direction::kNone, {}};
  events[3] = {EventType::kLunation,
               astro::ChartMoment(1),
               astro::kMoon,
               astro::kSun,
               false,
               180,
               0,
               Direction::kNone,
               {}};
  events[4] = {
      EventType::kIngress, astro::ChartMoment(1), 5, -1, false, astro::NoValue, 3, Direction::kForward, {9}};
  AttachDrivers(model, events);
  EXPECT_EQ(events[0].Drivers, (std::vector<int>{0, 1}));
  EXPECT_EQ(events[1].Drivers, (std::vector<int>{2}));
  EXPECT_TRUE(events[2].Drivers.empty());
  EXPECT_EQ(events[3].Drivers, (std::vector<int>{4}));
  EXPECT_TRUE(events[4].Drivers.empty());
}

}  // namespace
}  // namespace sd::timeline
