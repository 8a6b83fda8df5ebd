// House ruler events (kind 21) scored through the event frame on charts placed by hand.
#include <gtest/gtest.h>

#include <memory>

#include "astro/calendar.h"
#include "astro/moment_snapshot.h"
#include "eval/event_frame.h"

namespace sd::eval {
namespace {

constexpr int kSun = 0, kMoon = 1, kMercury = 2, kVenus = 3, kMars = 4, kJupiter = 5, kSaturn = 6,
              kUranus = 7, kNeptune = 8, kPluto = 9;

// Equal houses from 5 Aries: cusp k at 5 + 30 (k - 1), so the rulers of houses 1..12 are Mars,
// Venus, Mercury, the Moon, the Sun, Mercury, Venus, Pluto, Jupiter, Saturn, Uranus, Neptune.
void EqualCusps(astro::ChartData& c) {
  for (int k = 1; k <= 12; ++k) c.Object[astro::kLongitude][astro::CuspObject(k)] = 5.0 + 30.0 * (k - 1);
}

// Natal planets: sign, house (of the equal cusps) and dignity noted per planet.
struct Placement {
  int planet;
  double at, after;  // longitude at t and at t + delta
};
constexpr Placement kNatal[] = {
    {kSun, 300, 301},      // Capricorn, house 10
    {kMoon, 100, 90},      // Cancer, house 4; moving backwards between the stencil charts
    {kMercury, 200, 199},  // Libra, house 7; backwards
    {kVenus, 41, 41},      // Taurus (rules it), house 2; standing still
    {kMars, 130, 129},     // Leo, house 5; backwards
    {kJupiter, 275, 276},  // Capricorn (its fall), house 10; forwards
    {kSaturn, 0.5, 359.5}, // Aries (its fall), house 12; backwards across 0
    {kUranus, 315, 316},   // Aquarius (rules it), house 11
    {kNeptune, 345, 346},  // Pisces (rules it), house 12
    {kPluto, 215, 215},    // exactly on cusp 8, Scorpio (rules it)
};

class HouseRulers : public ::testing::Test {
 protected:
  void SetUp() override {
    natal_ = std::make_unique<astro::ChartData>();
    natal_after_ = std::make_unique<astro::ChartData>();
    natal_->Moment = natal_after_->Moment = astro::MomentFromDate(1990, 1, 1, 12);
    for (astro::ChartData* c : {natal_.get(), natal_after_.get()}) {
      EqualCusps(*c);
      for (int n = 0; n < astro::kObjectCount; ++n) c->ObjectOn[n] = 1;
    }
    // Transit snapshots where nothing is known until a test places it.
    const auto nothing = std::make_unique<astro::ChartData>();
    FillSnapshot(transit_, *nothing);
    FillSnapshot(transit_after_, *nothing);
    for (const Placement& p : kNatal) {
      natal_->Object[astro::kLongitude][p.planet] = p.at;
      natal_after_->Object[astro::kLongitude][p.planet] = p.after;
    }
  }

  int Hits(const model::EvKind21& ev) {
    model::EventDef def{};
    def.Kind = 21;
    def.K.k21 = ev;
    EventInputs in;
    in.Transit[kBefore] = in.Transit[kAt] = &transit_;
    in.Transit[kAfter] = in.Transit[kAfter2] = &transit_after_;
    in.Natal[kBefore] = in.Natal[kAt] = natal_.get();
    in.Natal[kAfter] = in.Natal[kAfter2] = natal_after_.get();
    in.Moment = astro::MomentFromDate(2026, 3, 20, 0);
    in.GridStepDays = 0.5;
    in.NatalMoment = natal_->Moment;
    const EventResult r = EvaluateEvent(def, in);
    EXPECT_EQ(r.Graded, r.Hits) << "one hit adds 1";
    return r.Hits;
  }

  std::unique_ptr<astro::ChartData> natal_, natal_after_;
  astro::MomentSnapshot transit_, transit_after_;
};

// Natal rulers against natal cusps.
model::EvKind21 Natal(int house, int sub) {
  model::EvKind21 ev{};
  ev.RulerChart = 0;
  ev.CuspChart = 0;
  ev.House = static_cast<uint8_t>(house);
  ev.Test = static_cast<uint8_t>(sub);
  return ev;
}

struct Case {
  const char* what;
  model::EvKind21 ev;
  int hits;
};

model::EvKind21 Signs(int house, astro::ObjectSet signs) {
  model::EvKind21 ev = Natal(house, 0);
  ev.Signs = signs;
  return ev;
}
model::EvKind21 Houses(int house, astro::ObjectSet houses) {
  model::EvKind21 ev = Natal(house, 1);
  ev.Houses = houses;
  return ev;
}
model::EvKind21 Motion(int house, int direction) {
  model::EvKind21 ev = Natal(house, 2);
  ev.Direction = static_cast<uint8_t>(direction);
  return ev;
}
model::EvKind21 Aspect(int house, int second, astro::ObjectSet aspects, double orb) {
  model::EvKind21 ev = Natal(house, 3);
  ev.SecondHouse = static_cast<uint8_t>(second);
  ev.Aspects = aspects;
  ev.Orb = orb;
  return ev;
}
model::EvKind21 Dignity(int house, int sub, int dignity) {
  model::EvKind21 ev = Natal(house, sub);
  ev.Dignity = static_cast<uint8_t>(dignity);
  return ev;
}

TEST_F(HouseRulers, EverySubTestOnNatalCharts) {
  const Case cases[] = {
      {"ruler of 1 (Mars) in Leo", Signs(1, {5}), 1},
      {"ruler of 1 not in Aries", Signs(1, {1}), 0},
      {"ruler of 4 (Moon) in Cancer", Signs(4, {4, 11}), 1},
      {"no sign asked", Signs(1, {}), 0},
      {"ruler of 1 in house 5", Houses(1, {5}), 1},
      {"ruler of 1 not in house 1", Houses(1, {1, 2, 3, 4, 6}), 0},
      // The house search takes the first house whose arc holds the position, ends included.
      {"ruler of 8 (Pluto) exactly on cusp 8 counts in house 7", Houses(8, {7}), 1},
      {"and not in house 8", Houses(8, {8}), 0},
      {"ruler of 10 (Saturn at 0.5) in house 12", Houses(10, {12}), 1},
      {"ruler of 1 retrograde", Motion(1, 0), 1},
      {"ruler of 1 not direct", Motion(1, 1), 0},
      {"any value but 0 asks for direct", Motion(9, 7), 1},
      {"ruler of 9 (Jupiter) not retrograde", Motion(9, 0), 0},
      {"retrograde across 0 Aries (Saturn, ruler of 10)", Motion(10, 0), 1},
      {"standing still is neither retrograde", Motion(2, 0), 0},
      {"nor direct", Motion(2, 1), 0},
      {"the Moon is skipped however it moves", Motion(4, 0), 0},
      {"the Sun is skipped however it moves", Motion(5, 1), 0},
      {"rulers of 1 and 2 square (Mars 130, Venus 41)", Aspect(1, 2, {3}, 1.5), 1},
      {"the order of the houses does not matter", Aspect(2, 1, {3}, 1.5), 1},
      {"one degree off misses an orb of exactly 1", Aspect(1, 2, {3}, 1.0), 0},
      {"not a trine", Aspect(1, 2, {4}, 1.5), 0},
      {"a house with itself", Aspect(1, 1, {1, 2, 3, 4, 5}, 10), 0},
      {"one planet ruling both houses never meets itself", Aspect(3, 6, {1}, 10), 0},
      {"rulers of 1 and 11 (Mars 130, Uranus 315) opposite within 5.1", Aspect(1, 11, {5}, 5.1), 1},
      {"but not within 5", Aspect(1, 11, {5}, 5.0), 0},
      {"second house out of range", Aspect(1, 0, {1, 2, 3, 4, 5}, 180), 0},
      {"ruler of 2 (Venus) rules its sign", Dignity(2, 4, 0), 1},
      {"and is not exalted there", Dignity(2, 4, 1), 0},
      {"ruler of 9 (Jupiter) in its fall", Dignity(9, 4, 3), 1},
      {"ruler of 8 (Scorpio: Pluto alone) in Scorpio", Dignity(8, 4, 0), 1},
      {"ruler of 1 (Mars in Leo) has no sign dignity", Dignity(1, 4, 0), 0},
      {"ruler of 2 in house 2 rules that house", Dignity(2, 5, 0), 1},
      {"ruler of 10 (Saturn) in house 12 (Pisces sets): nothing", Dignity(10, 5, 3), 0},
      {"ruler of 12 (Neptune) in house 12 rules it", Dignity(12, 5, 0), 1},
      {"equal houses intercept no sign", Natal(1, 6), 0},
      {"every sign", Signs(1, astro::ObjectSet::Range(1, 12)), 1},
      {"house 0 names no cusp", Signs(0, astro::ObjectSet::Range(1, 12)), 0},
      {"house 13 names no cusp", Signs(13, astro::ObjectSet::Range(1, 12)), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(Hits(c.ev), c.hits) << c.what;

  model::EvKind21 beyond = Signs(1, astro::ObjectSet::Range(1, 12));
  beyond.Test = 7;
  EXPECT_EQ(Hits(beyond), 0) << "no sub-test 7";
}

TEST_F(HouseRulers, InterceptedSign) {
  // Taurus holds no cusp: house 1 runs from 0 Aries to 5 Gemini.
  const double cusps[12] = {0, 65, 90, 120, 150, 180, 210, 245, 270, 300, 330, 350};
  for (int k = 1; k <= 12; ++k) natal_->Object[astro::kLongitude][astro::CuspObject(k)] = cusps[k - 1];
  natal_->Object[astro::kLongitude][kMars] = 45;  // Taurus: the ruler of house 1 stands in it
  EXPECT_EQ(Hits(Natal(1, 6)), 1);
  natal_->Object[astro::kLongitude][kMars] = 66;  // Gemini holds cusp 2
  EXPECT_EQ(Hits(Natal(1, 6)), 0);
  // An absent ruler stands in no sign at all, least of all an intercepted one.
  natal_->Object[astro::kLongitude][kMars] = astro::NoValue;
  EXPECT_EQ(Hits(Natal(1, 6)), 0);
  natal_->Object[astro::kLongitude][kMars] = 45;
  natal_->Object[astro::kLongitude][astro::CuspObject(7)] =
      astro::NoValue;  // interception needs all twelve cusps
  EXPECT_EQ(Hits(Natal(1, 6)), 0);
}

TEST_F(HouseRulers, AbsentCuspOrRulerNeverHits) {
  // Mars, ruler of house 1, in Aries and in house 1, retrograde, 31 degrees behind Venus.
  natal_->Object[astro::kLongitude][kMars] = 10;
  natal_after_->Object[astro::kLongitude][kMars] = 9;
  const model::EvKind21 evs[] = {Signs(1, astro::ObjectSet::Range(1, 12)),
                                 Houses(1, astro::ObjectSet::Range(1, 12)),
                                 Motion(1, 0),
                                 Aspect(1, 2, {6}, 2),
                                 Dignity(1, 4, 0),
                                 Dignity(1, 5, 0)};
  for (const auto& ev : evs) EXPECT_EQ(Hits(ev), 1) << "sub-test " << int(ev.Test);

  natal_->Object[astro::kLongitude][astro::CuspObject(1)] = astro::NoValue;
  for (const auto& ev : evs) EXPECT_EQ(Hits(ev), 0) << "no cusp, sub-test " << int(ev.Test);

  natal_->Object[astro::kLongitude][astro::CuspObject(1)] = 5;
  natal_->Object[astro::kLongitude][kMars] = astro::NoValue;
  natal_after_->Object[astro::kLongitude][kMars] = astro::NoValue;
  for (const auto& ev : evs) EXPECT_EQ(Hits(ev), 0) << "no ruler, sub-test " << int(ev.Test);

  // The Ascendant switched off in the chart of the cusps fails the event's condition.
  natal_->Object[astro::kLongitude][kMars] = 10;
  natal_after_->Object[astro::kLongitude][kMars] = 9;
  natal_->ObjectOn[astro::kAscendant] = 0;
  for (const auto& ev : evs) EXPECT_EQ(Hits(ev), 0) << "no Ascendant, sub-test " << int(ev.Test);
}

TEST_F(HouseRulers, TransitRulersAndTransitCusps) {
  // Transit Mars in Leo and moving forwards; the Moon in Leo. The snapshot has no cusps.
  transit_.SetLongitude(kMars, 135);
  transit_after_.SetLongitude(kMars, 136);
  transit_.SetLongitude(kMoon, 140);
  transit_after_.SetLongitude(kMoon, 146);

  model::EvKind21 ev = Signs(1, {5});
  ev.RulerChart = 1;  // transit rulers of natal house 1 (Mars)
  EXPECT_EQ(Hits(ev), 1);
  ev.Signs = {1};
  EXPECT_EQ(Hits(ev), 0) << "the natal Mars would not count";

  model::EvKind21 motion = Motion(1, 1);
  motion.RulerChart = 1;
  EXPECT_EQ(Hits(motion), 1) << "transit Mars direct between the transit snapshots";
  motion.Direction = 0;
  EXPECT_EQ(Hits(motion), 0);
  transit_after_.SetLongitude(kMars, 135);
  motion.Direction = 1;
  EXPECT_EQ(Hits(motion), 0) << "one snapshot at both points: no motion";

  // Cusps from the snapshot: none there, so nothing hits.
  model::EvKind21 own = Signs(1, {5});
  own.RulerChart = 1;
  own.CuspChart = 1;
  EXPECT_EQ(Hits(own), 0);
  // With transit cusps from 95 (Cancer rising: the Moon rules house 1).
  for (int k = 1; k <= 12; ++k) transit_.SetLongitude(astro::CuspObject(k), 95.0 + 30.0 * (k - 1));
  EXPECT_EQ(Hits(own), 1) << "the transit Moon in Leo";
  transit_.SetLongitude(kMoon, 100);
  EXPECT_EQ(Hits(own), 0) << "the transit Moon in Cancer";
  own.Test = 1;
  own.Houses = {1};
  EXPECT_EQ(Hits(own), 1) << "the transit Moon in transit house 1";

  // A selector that names no chart of the evaluation.
  model::EvKind21 far = Signs(1, astro::ObjectSet::Range(1, 12));
  far.RulerChart = 2;
  EXPECT_EQ(Hits(far), 0);
}

}  // namespace
}  // namespace sd::eval
