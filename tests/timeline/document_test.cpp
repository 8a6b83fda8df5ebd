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
  EXPECT_NE(csv.find(",2026-03-20T12:00:00Z,2026-03-20 07:00,4,,false,,2,backward,\n"), std::string::npos) << csv;
  EXPECT_NE(csv.find(",1,18,true,120,,,\n"), std::string::npos) << csv;
}

}  // namespace
}  // namespace sd::timeline
