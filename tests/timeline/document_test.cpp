// The printed form of the events: clock texts and the JSON and CSV of a small fixed list.
#include "timeline/document.h"

#include <gtest/gtest.h>

#include "astro/calendar.h"
#include "model/ev_list.h"

namespace sd::timeline {
namespace {

TEST(EventText, ClockTextsRoundAcrossMinuteAndDay) {
  struct Case {
    double hours;  // universal time of 31 December 2025
    double zone;   // packed hours east
    const char* utc;
    const char* local;
  };
  const Case cases[] = {
      {23 + 59.0 / 60 + 59.6 / 3600, 0, "2026-01-01T00:00:00Z", "2026-01-01 00:00"},
      {23 + 59.0 / 60 + 29.4 / 3600, 0, "2025-12-31T23:59:29Z", "2025-12-31 23:59"},
      {3 + 30.0 / 60, -5, "2025-12-31T03:30:00Z", "2025-12-30 22:30"},
      {20.5, 5.3, "2025-12-31T20:30:00Z", "2026-01-01 02:00"},  // 5:30 east
  };
  for (const Case& c : cases) {
    const ChartMoment t = MomentFromDate(2025, 12, 31, c.hours);
    EXPECT_EQ(UtcText(t), c.utc);
    EXPECT_EQ(LocalText(t, c.zone), c.local);
  }
}

TEST(EventText, DocumentFieldsNullWhereTheEventHasNone) {
  const model::TEvList no_model;
  const ChartMoment t = MomentFromDate(2026, 3, 20, 12);
  WindowHead head{"IBM Corp", -5, t, t + DayInCenturies, {}};
  std::vector<Event> events(2);
  events[0] = {EventType::kIngress, t, kMars, -1, false, NoValue, 2, Direction::kBackward, {}};
  events[1] = {EventType::kAspect, t, kMoon, kAscendant, true, 120, 0, Direction::kNone, {7}};
  const auto doc = EventsDocument(head, events, no_model);
  EXPECT_EQ(doc["from"], "2026-03-20T12:00:00Z");
  EXPECT_EQ(doc["to"], "2026-03-21T12:00:00Z");
  const auto& ingress = doc["events"][0];
  EXPECT_EQ(ingress["type"], "ingress");
  EXPECT_TRUE(ingress["other"].is_null());
  EXPECT_TRUE(ingress["aspect"].is_null());
  EXPECT_EQ(ingress["sign"], 2);
  EXPECT_EQ(ingress["direction"], "backward");
  const auto& aspect = doc["events"][1];
  EXPECT_EQ(aspect["other"], kAscendant);
  EXPECT_EQ(aspect["other_natal"], true);
  EXPECT_TRUE(aspect["sign"].is_null());
  EXPECT_TRUE(aspect["direction"].is_null());
  EXPECT_TRUE(aspect["sections"].empty());  // an index the model does not have names nothing
  EXPECT_EQ(aspect["local"], "2026-03-20 07:00");

  const std::string csv = EventsCsv(head, events, no_model);
  EXPECT_NE(csv.find("\ningress,"), std::string::npos);
  EXPECT_NE(csv.find(",2026-03-20T12:00:00Z,2026-03-20 07:00,4,,false,,2,backward,,Mars backs into Taurus,Mars,,Taurus\n"),
            std::string::npos)
      << csv;
  EXPECT_NE(csv.find(",1,18,true,120,,,,Moon trine natal Ascendant,Moon,natal Ascendant,\n"), std::string::npos) << csv;
  EXPECT_EQ(ingress["sign_name"], "Taurus");
  EXPECT_TRUE(ingress["other_name"].is_null());
  EXPECT_EQ(aspect["other_name"], "natal Ascendant");
  EXPECT_TRUE(aspect["sign_name"].is_null());
}

// Each kind of event named as a reader says it, in the JSON, the CSV and the text alike.
TEST(EventText, EveryKindIsNamedAsAReaderSaysIt) {
  const ChartMoment t = MomentFromDate(2026, 3, 20, 12);
  const struct {
    Event event;
    const char* name;
  } cases[] = {
      {{EventType::kAspect, t, kSun, kSaturn, false, 90, 0, Direction::kNone, {}}, "Sun square Saturn"},
      {{EventType::kAspect, t, kMoon, kMidheaven, true, 0, 0, Direction::kNone, {}}, "Moon conjunction natal Midheaven"},
      {{EventType::kAspect, t, kVenus, kJupiter, true, 60, 0, Direction::kNone, {}}, "Venus sextile natal Jupiter"},
      {{EventType::kAspect, t, kMars, kPluto, false, 180, 0, Direction::kNone, {}}, "Mars opposition Pluto"},
      {{EventType::kIngress, t, kSun, -1, false, NoValue, 1, Direction::kForward, {}}, "Sun enters Aries"},
      {{EventType::kIngress, t, kMercury, -1, false, NoValue, 12, Direction::kBackward, {}}, "Mercury backs into Pisces"},
      {{EventType::kStation, t, kMercury, -1, false, NoValue, 0, Direction::kRetrograde, {}}, "Mercury turns retrograde"},
      {{EventType::kStation, t, kSaturn, -1, false, NoValue, 0, Direction::kDirect, {}}, "Saturn turns direct"},
      {{EventType::kLunation, t, kMoon, kSun, false, 0, 1, Direction::kNone, {}}, "New Moon in Aries"},
      {{EventType::kLunation, t, kMoon, kSun, false, 180, 7, Direction::kNone, {}}, "Full Moon in Libra"},
      {{EventType::kEclipse, t, kMoon, kSun, false, 0, 6, Direction::kNone, {}}, "Solar eclipse in Virgo"},
  };
  const model::TEvList no_model;
  const WindowHead head{"IBM Corp", 0, t, t + DayInCenturies, {}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(EventName(c.event), c.name);
    EXPECT_EQ(EventsDocument(head, {c.event}, no_model)["events"][0]["name"], c.name);
    EXPECT_NE(EventsText(head, {c.event}, no_model).find("2026-03-20 12:00  " + std::string(c.name) + "\n"),
              std::string::npos);
  }
}

}  // namespace
}  // namespace sd::timeline
