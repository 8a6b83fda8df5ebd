// Family ids of timeline events, the choosing of families, and the states of the sky on a day.
#include "eventstudy/families.h"

#include <gtest/gtest.h>

#include <set>

#include "astro/calendar.h"

namespace sd::eventstudy {
namespace {

using timeline::Direction;
using timeline::Event;
using timeline::EventType;

TEST(FamilyIdOf, EachKindOfEvent) {
  auto make = [](EventType type, int body, int other, bool natal, double aspect, int sign, Direction dir) {
    Event e;
    e.Type = type;
    e.Body = body;
    e.Other = other;
    e.OtherNatal = natal;
    e.Aspect = aspect;
    e.Sign = sign;
    e.Dir = dir;
    return e;
  };
  const struct {
    Event e;
    const char* id;
  } cases[] = {
      {make(EventType::kLunation, astro::kMoon, astro::kSun, false, 0, 4, Direction::kNone), "lunation:new"},
      {make(EventType::kLunation, astro::kMoon, astro::kSun, false, 180, 10, Direction::kNone),
       "lunation:full"},
      {make(EventType::kEclipse, astro::kMoon, astro::kSun, false, 0, 4, Direction::kNone), "eclipse:solar"},
      {make(EventType::kStation, astro::kMercury, -1, false, astro::NoValue, 0, Direction::kRetrograde),
       "station:2:retrograde"},
      {make(EventType::kStation, astro::kPluto, -1, false, astro::NoValue, 0, Direction::kDirect),
       "station:9:direct"},
      {make(EventType::kIngress, astro::kMars, -1, false, astro::NoValue, 1, Direction::kForward),
       "ingress:4:1"},
      {make(EventType::kIngress, astro::kMars, -1, false, astro::NoValue, 12, Direction::kBackward),
       "ingress:4:12"},
      {make(EventType::kAspect, astro::kJupiter, astro::kSaturn, false, 120, 0, Direction::kNone),
       "aspect:5:6:120"},
      {make(EventType::kAspect, astro::kJupiter, astro::kSun, true, 120, 0, Direction::kNone),
       "natal:5:0:120"},
      {make(EventType::kAspect, astro::kMars, astro::kMidheaven, true, 90, 0, Direction::kNone),
       "natal:4:27:90"},
      {make(EventType::kLunation, astro::kMoon, astro::kSun, false, 90, 0, Direction::kNone), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FamilyIdOf(c.e), c.id);
}

TEST(Families, CatalogueIdsAreUniqueAndTitled) {
  std::set<std::string> ids;
  size_t count = 0;
  for (const auto& list : {TransitFamilies(), NatalFamilies(), StateFamilies()})
    for (const Family& f : list) {
      ids.insert(f.Id);
      ++count;
      EXPECT_FALSE(f.Title.empty()) << f.Id;
    }
  EXPECT_EQ(ids.size(), count);
  // 2 lunations, 1 eclipse, 8 x 2 stations, 10 x 12 ingresses, 45 x 5 aspects.
  EXPECT_EQ(TransitFamilies().size(), 3u + 16 + 120 + 225);
  EXPECT_EQ(NatalFamilies().size(), 10u * 12 * 5);
  EXPECT_EQ(StateFamilies().size(), 1u + 8 + 120);
  EXPECT_EQ(NatalFamilies()[0].Title, "Sun conjunct natal Sun");
  bool found = false;
  for (const Family& f : NatalFamilies()) found = found || (f.Id == "natal:5:0:120" && f.Title == "Jupiter trine natal Sun");
  EXPECT_TRUE(found);
}

TEST(FamilyChosen, WholeIdsOrLeadingPartsEndingAtAColon) {
  const struct {
    const char* id;
    const char* item;
    bool chosen;
  } cases[] = {
      {"aspect:5:6:120", "aspect", true},   {"aspect:5:6:120", "aspect:5", true},
      {"aspect:5:6:120", "aspect:5:6:120", true}, {"aspect:5:6:120", "aspect:5:6:12", false},
      {"aspect:5:6:120", "asp", false},     {"state:retrograde:2", "state:retrograde", true},
      {"lunation:new", "lunation:full", false}, {"lunation:new", "", false},
  };
  for (const auto& c : cases) EXPECT_EQ(FamilyChosen(c.id, c.item), c.chosen) << c.id << " " << c.item;
}

TEST(StatesOf, IndicesNameTheStatesTheDayIsIn) {
  DayState s;
  s.NewHalf = true;
  s.Retrograde[astro::kMercury] = true;
  s.Retrograde[astro::kPluto] = true;
  for (int b = 0; b < astro::kPlanetCount; ++b) s.Sign[b] = 1 + (b * 5) % 12;
  const std::vector<Family> all = StateFamilies();
  std::set<std::string> got;
  for (int i : StatesOf(s)) got.insert(all[static_cast<size_t>(i)].Id);
  std::set<std::string> want = {"state:lunar:new-half", "state:retrograde:2", "state:retrograde:9"};
  for (int b = 0; b < astro::kPlanetCount; ++b)
    want.insert("state:sign:" + std::to_string(b) + ":" + std::to_string(1 + (b * 5) % 12));
  EXPECT_EQ(got, want);
}

TEST(StateAt, TheSkyOfKnownDays) {
  // 2000-01-06 18:14 UT new moon, 2000-01-21 04:40 UT full moon (a total lunar eclipse); Mercury
  // retrograde from 2000-02-21 to 2000-03-14; the Sun enters Aries about 2000-03-20 07:35 UT.
  const DayState new_moon = StateAt(astro::MomentFromDate(2000, 1, 6, 18));
  const DayState full_moon = StateAt(astro::MomentFromDate(2000, 1, 21, 5));
  EXPECT_TRUE(new_moon.NewHalf);
  EXPECT_FALSE(full_moon.NewHalf);
  EXPECT_EQ(new_moon.Sign[astro::kSun], 10);  // Capricorn
  EXPECT_TRUE(StateAt(astro::MomentFromDate(2000, 3, 1, 12)).Retrograde[astro::kMercury]);
  EXPECT_FALSE(StateAt(astro::MomentFromDate(2000, 4, 1, 12)).Retrograde[astro::kMercury]);
  EXPECT_FALSE(new_moon.Retrograde[astro::kSun]);
  EXPECT_EQ(StateAt(astro::MomentFromDate(2000, 3, 20, 6)).Sign[astro::kSun], 12);
  EXPECT_EQ(StateAt(astro::MomentFromDate(2000, 3, 20, 9)).Sign[astro::kSun], 1);
}

}  // namespace
}  // namespace sd::eventstudy
