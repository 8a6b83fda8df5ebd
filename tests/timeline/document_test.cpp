// The printed form of the events: clock texts and the JSON and CSV of a small fixed list.
#include "timeline/document.h"

#include <gtest/gtest.h>

#include "astro/calendar.h"
#include "model/ev_list.h"
#include "timeline/passages.h"
#include "../support/scratch_dir.h"

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
    const astro::ChartMoment t = astro::MomentFromDate(2025, 12, 31, c.hours);
    EXPECT_EQ(UtcText(t), c.utc);
    EXPECT_EQ(LocalText(t, c.zone), c.local);
  }
  // Years before 1 AD print with their sign, as printf's %04d prints them.
  EXPECT_EQ(UtcText(astro::MomentFromDate(-43, 3, 15, 12.5)), "-043-03-15T12:30:00Z");
  EXPECT_EQ(LocalText(astro::MomentFromDate(-43, 3, 15, 3), -5), "-043-03-14 22:00");
  EXPECT_EQ(UtcText(astro::MomentFromDate(0, 1, 1, 3)), "0000-01-01T03:00:00Z");
}

TEST(EventText, DocumentFieldsNullWhereTheEventHasNone) {
  const model::TEvList no_model;
  const astro::ChartMoment t = astro::MomentFromDate(2026, 3, 20, 12);
  WindowHead head{"IBM Corp", -5, t, t + astro::DayInCenturies, {}};
  std::vector<Event> events(2);
  events[0] = {EventType::kIngress, t, astro::kMars, -1, false, astro::NoValue, 2, Direction::kBackward, {}};
  events[1] = {EventType::kAspect, t, astro::kMoon, astro::kAscendant, true, 120, 0, Direction::kNone, {7}};
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
  EXPECT_EQ(aspect["other"], astro::kAscendant);
  EXPECT_EQ(aspect["other_natal"], true);
  EXPECT_TRUE(aspect["sign"].is_null());
  EXPECT_TRUE(aspect["direction"].is_null());
  EXPECT_TRUE(aspect["sections"].empty());  // an index the model does not have names nothing
  EXPECT_EQ(aspect["local"], "2026-03-20 07:00");

  const std::string csv = EventsCsv(head, events, no_model);
  EXPECT_NE(csv.find("\ningress,"), std::string::npos);
  EXPECT_NE(csv.find(",2026-03-20T12:00:00Z,2026-03-20 07:00,4,,false,,2,backward,,Mars backs into Taurus,Mars,,Taurus,"
                     "ingress-mars-2-20260320T1200Z,,,,,\n"),
            std::string::npos)
      << csv;
  EXPECT_NE(csv.find(",1,18,true,120,,,,Moon trine natal Ascendant,Moon,natal Ascendant,,"
                     "aspect-moon-trine-natal-ascendant-20260320T1200Z,,,,,\n"), std::string::npos) << csv;
  EXPECT_EQ(ingress["sign_name"], "Taurus");
  EXPECT_TRUE(ingress["other_name"].is_null());
  EXPECT_EQ(aspect["other_name"], "natal Ascendant");
  EXPECT_TRUE(aspect["sign_name"].is_null());
}

// Each kind of event named as a reader says it, in the JSON, the CSV and the text alike.
TEST(EventText, EveryKindIsNamedAsAReaderSaysIt) {
  const astro::ChartMoment t = astro::MomentFromDate(2026, 3, 20, 12);
  const struct {
    Event event;
    const char* name;
  } cases[] = {
      {{EventType::kAspect, t, astro::kSun, astro::kSaturn, false, 90, 0, Direction::kNone, {}},
       "Sun square Saturn"},
      {{EventType::kAspect, t, astro::kMoon, astro::kMidheaven, true, 0, 0, Direction::kNone, {}},
       "Moon conjunction natal Midheaven"},
      {{EventType::kAspect, t, astro::kVenus, astro::kJupiter, true, 60, 0, Direction::kNone, {}},
       "Venus sextile natal Jupiter"},
      {{EventType::kAspect, t, astro::kMars, astro::kPluto, false, 180, 0, Direction::kNone, {}},
       "Mars opposition Pluto"},
      {{EventType::kIngress, t, astro::kSun, -1, false, astro::NoValue, 1, Direction::kForward, {}},
       "Sun enters Aries"},
      {{EventType::kIngress, t, astro::kMercury, -1, false, astro::NoValue, 12, Direction::kBackward, {}},
       "Mercury backs into Pisces"},
      {{EventType::kStation, t, astro::kMercury, -1, false, astro::NoValue, 0, Direction::kRetrograde, {}},
       "Mercury turns retrograde"},
      {{EventType::kStation, t, astro::kSaturn, -1, false, astro::NoValue, 0, Direction::kDirect, {}},
       "Saturn turns direct"},
      {{EventType::kLunation, t, astro::kMoon, astro::kSun, false, 0, 1, Direction::kNone, {}},
       "New Moon in Aries"},
      {{EventType::kLunation, t, astro::kMoon, astro::kSun, false, 180, 7, Direction::kNone, {}},
       "Full Moon in Libra"},
      {{EventType::kEclipse, t, astro::kMoon, astro::kSun, false, 0, 6, Direction::kNone, {}},
       "Solar eclipse in Virgo"},
  };
  const model::TEvList no_model;
  const WindowHead head{"IBM Corp", 0, t, t + astro::DayInCenturies, {}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(EventName(c.event), c.name);
    EXPECT_EQ(EventsDocument(head, {c.event}, no_model)["events"][0]["name"], c.name);
    EXPECT_NE(EventsText(head, {c.event}, no_model).find("2026-03-20 12:00  " + std::string(c.name) + "\n"),
              std::string::npos);
  }
}

// A window's events with passages: one perfecting three times, one not perfecting, one whose end
// lies beyond the search.
std::vector<Event> PassageEvents(astro::ChartMoment t) {
  std::vector<Event> events(3);
  events[0] = {EventType::kAspect, t, astro::kPluto, astro::kSun, true, 90, 0, Direction::kNone, {}};
  events[0].Level = 90;
  Passage triple;
  triple.Orb = 2;
  triple.Start = t - 60 * astro::DayInCenturies;
  triple.Exact = {t - 30 * astro::DayInCenturies, t, t + 40 * astro::DayInCenturies};
  triple.End = t + 90 * astro::DayInCenturies;
  events[0].Pass = triple;
  events[1] = {EventType::kAspect,
               t + astro::DayInCenturies,
               astro::kMars,
               astro::kJupiter,
               false,
               120,
               0,
               Direction::kNone,
               {}};
  events[1].Level = 240;
  Passage miss;
  miss.Orb = 1;
  miss.Start = t;
  miss.End = t + 2 * astro::DayInCenturies;
  miss.Closest = t + astro::DayInCenturies;
  miss.ClosestSeparation = 0.25;
  events[1].Pass = miss;
  events[2] = {EventType::kAspect, t + 2 * astro::DayInCenturies, astro::kNeptune, astro::kPluto, false, 60, 0, Direction::kNone, {}};
  events[2].Level = 300;
  Passage endless;
  endless.Orb = 1;
  endless.Exact = {t + 2 * astro::DayInCenturies};
  events[2].Pass = endless;
  return events;
}

TEST(EventText, PassagesInTheDocument) {
  const model::TEvList no_model;
  const astro::ChartMoment t = astro::MomentFromDate(2026, 3, 20, 12);
  WindowHead head{"IBM Corp", -5, t, t + 20 * astro::DayInCenturies, {}};
  head.Orb = 2;
  head.MoonOrb = 1;
  const auto doc = EventsDocument(head, PassageEvents(t), no_model);
  EXPECT_EQ(doc["orbs"]["orb"], 2.0);
  EXPECT_NE(doc["time_scale"].get<std::string>().find("Delta T from observation"), std::string::npos);
  const auto& triple = doc["events"][0];
  EXPECT_EQ(triple["id"], "aspect-pluto-square-natal-sun-20260320T1200Z");
  EXPECT_EQ(triple["passage"]["exact"].size(), 3u);
  EXPECT_EQ(triple["passage"]["exact"][1], "2026-03-20T12:00:00Z");
  EXPECT_EQ(triple["passage"]["start"], "2026-01-19T12:00:00Z");
  EXPECT_EQ(triple["passage"]["end_local"], "2026-06-18 07:00");
  EXPECT_EQ(triple["passage"]["perfects"], true);
  EXPECT_TRUE(triple["passage"]["closest"].is_null());
  const auto& miss = doc["events"][1];
  EXPECT_EQ(miss["id"], "aspect-mars-trine-jupiter-closest-20260321T1200Z");
  EXPECT_EQ(miss["passage"]["perfects"], false);
  EXPECT_EQ(miss["passage"]["closest_separation"], 0.25);
  EXPECT_EQ(miss["passage"]["closest"], "2026-03-21T12:00:00Z");
  const auto& endless = doc["events"][2];
  EXPECT_TRUE(endless["passage"]["start"].is_null());
  EXPECT_TRUE(endless["passage"]["end_local"].is_null());
  EXPECT_EQ(EventSummary(PassageEvents(t)[0]), "Pluto square natal Sun (exact, 2 of 3)");
  EXPECT_EQ(EventSummary(PassageEvents(t)[1]), "Mars trine Jupiter (closest 0.25\u00b0, does not perfect)");
}

// Written piece by piece, the documents are the bytes of the whole ones; an empty list too.
TEST(EventsWriter, StreamedJsonIsTheWholeDocument) {
  const model::TEvList no_model;
  const astro::ChartMoment t = astro::MomentFromDate(2026, 3, 20, 12);
  WindowHead head{"IBM Corp", -5, t, t + 20 * astro::DayInCenturies, {"the window: a warning"}};
  const std::vector<Event> all = PassageEvents(t);
  for (const size_t n : {size_t{0}, size_t{1}, size_t{3}}) {
    SCOPED_TRACE(n);
    const std::vector<Event> events(all.begin(), all.begin() + static_cast<long>(n));
    std::string streamed;
    EventsWriter writer(head, no_model, EventsFormat::kJson, [&streamed](const std::string& s) { streamed += s; });
    // One by one, as chunks of a span hand them over.
    for (const Event& e : events) writer.Add({e});
    writer.Finish();
    const auto doc = EventsDocument(head, events, no_model);
    EXPECT_EQ(streamed, doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n");
  }
}

// The streamed JSON as a reader gets it, byte for byte: the library's layout and number forms,
// empty lists, nulls, a passage that perfects and one that does not, and a title in the model's
// Cyrillic code page with quotes in it, printed as UTF-8 with the quotes escaped.
TEST(EventsWriter, JsonBytesOfEveryKindOfField) {
  testing_support::ScratchDir dir;
  model::TEvList model;
  model.Load(dir.Write("m.hyp", "[OPTIONS]\nHEADER=t\n\n[MoonSun]\n_H=\xcb\xf3\xed\xe0 \"\xf1\xee\xeb\xed\xf6\xe5\"\n"
                                "_T=2\nA0=1\nA1=1\nA2=5\nA3=1\nA4=0\n\n"));
  ASSERT_EQ(model.Count(), 1);
  const astro::ChartMoment t = astro::MomentFromDate(2026, 4, 2, 2.2);
  WindowHead head{"IBM Corp", -5, t - astro::DayInCenturies, t + astro::DayInCenturies, {}};
  head.Orb = 1;
  head.MoonOrb = 1;
  std::vector<Event> events(3);
  events[0] = {EventType::kIngress, t - 0.3 * astro::DayInCenturies, astro::kMars, -1, false, astro::NoValue, 2,
               Direction::kForward, {}};
  events[1] = {EventType::kAspect, t, astro::kMoon, astro::kSun, false, 180, 0, Direction::kNone, {0}};
  events[1].Level = 180;
  Passage exact;
  exact.Orb = 1;
  exact.Start = t - 0.08 * astro::DayInCenturies;
  exact.Exact = {t};
  exact.End = t + 0.08 * astro::DayInCenturies;
  events[1].Pass = exact;
  events[2] = {EventType::kAspect, t + 0.5 * astro::DayInCenturies, astro::kVenus, astro::kMidheaven, true, 60, 0,
               Direction::kNone, {}};
  events[2].Level = 300;
  Passage miss;
  miss.Orb = 1;
  miss.Start = t + 0.1 * astro::DayInCenturies;
  miss.Closest = t + 0.5 * astro::DayInCenturies;
  miss.ClosestSeparation = 0.125;
  events[2].Pass = miss;

  std::string text;
  EventsWriter writer(head, model, EventsFormat::kJson, [&text](const std::string& s) { text += s; });
  writer.Add(events);
  writer.Finish();
  const size_t from = text.find("  \"events\": ["), to = text.find("  \"warnings\"");
  ASSERT_NE(from, std::string::npos);
  ASSERT_NE(to, std::string::npos);
  EXPECT_EQ(text.substr(from, to - from), R"(  "events": [
    {
      "id": "ingress-mars-2-20260401T1900Z",
      "type": "ingress",
      "moment": 1.2624857403604877,
      "utc": "2026-04-01T19:00:00Z",
      "local": "2026-04-01 14:00",
      "body": 4,
      "other": null,
      "other_natal": false,
      "aspect": null,
      "sign": 2,
      "direction": "forward",
      "sections": [],
      "titles": [],
      "name": "Mars enters Taurus",
      "body_name": "Mars",
      "other_name": null,
      "sign_name": "Taurus",
      "passage": null
    },
    {
      "id": "aspect-moon-opposition-sun-20260402T0212Z",
      "type": "aspect",
      "moment": 1.2624939539128486,
      "utc": "2026-04-02T02:12:00Z",
      "local": "2026-04-01 21:12",
      "body": 1,
      "other": 0,
      "other_natal": false,
      "aspect": 180.0,
      "sign": null,
      "direction": null,
      "sections": [
        "MoonSun"
      ],
      "titles": [
        "Луна \"солнце\""
      ],
      "name": "Moon opposition Sun",
      "body_name": "Moon",
      "other_name": "Sun",
      "sign_name": null,
      "passage": {
        "orb": 1.0,
        "start": "2026-04-02T00:16:48Z",
        "start_local": "2026-04-01 19:17",
        "exact": [
          "2026-04-02T02:12:00Z"
        ],
        "end": "2026-04-02T04:07:12Z",
        "end_local": "2026-04-01 23:07",
        "perfects": true,
        "closest": null,
        "closest_separation": null
      }
    },
    {
      "id": "aspect-venus-sextile-natal-midheaven-closest-20260402T1412Z",
      "type": "aspect",
      "moment": 1.2625076431667837,
      "utc": "2026-04-02T14:12:00Z",
      "local": "2026-04-02 09:12",
      "body": 3,
      "other": 27,
      "other_natal": true,
      "aspect": 60.0,
      "sign": null,
      "direction": null,
      "sections": [],
      "titles": [],
      "name": "Venus sextile natal Midheaven",
      "body_name": "Venus",
      "other_name": "natal Midheaven",
      "sign_name": null,
      "passage": {
        "orb": 1.0,
        "start": "2026-04-02T04:36:00Z",
        "start_local": "2026-04-01 23:36",
        "exact": [],
        "end": null,
        "end_local": null,
        "perfects": false,
        "closest": "2026-04-02T14:12:00Z",
        "closest_separation": 0.125
      }
    }
  ],
)");
  EXPECT_EQ(EventJson(head, events[1], model)["titles"][0],
            "\u041b\u0443\u043d\u0430 \"\u0441\u043e\u043b\u043d\u0446\u0435\"");
}

TEST(EventsWriter, CalendarHasOneEventEachWithItsPassage) {
  const model::TEvList no_model;
  const astro::ChartMoment t = astro::MomentFromDate(2026, 3, 20, 12);
  const WindowHead head{"Smith, Jones; Soci\xc3\xa9t\xc3\xa9", -5, t, t + 20 * astro::DayInCenturies, {}};
  std::vector<Event> events = PassageEvents(t);
  Event ingress = {EventType::kIngress, t, astro::kSun,         -1, false,
                   astro::NoValue,      1, Direction::kForward, {}};
  events.push_back(ingress);
  const std::string ics = EventsIcs(head, events, no_model);
  // Every line ends in CRLF, none is longer than 75 octets, no bare LF.
  size_t at = 0, lines = 0;
  std::vector<std::string> unfolded;
  while (at < ics.size()) {
    const size_t end = ics.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    const std::string line = ics.substr(at, end - at);
    EXPECT_LE(line.size(), 75u);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    if (!line.empty() && line[0] == ' ') unfolded.back() += line.substr(1);
    else unfolded.push_back(line);
    at = end + 2;
    ++lines;
  }
  auto count = [&](const std::string& prefix) {
    size_t n = 0;
    for (const std::string& l : unfolded) n += l.rfind(prefix, 0) == 0;
    return n;
  };
  EXPECT_EQ(unfolded.front(), "BEGIN:VCALENDAR");
  EXPECT_EQ(unfolded.back(), "END:VCALENDAR");
  EXPECT_EQ(count("BEGIN:VEVENT"), 4u);
  EXPECT_EQ(count("DTSTAMP:20260320T120000Z"), 4u);
  // DTEND where a passage ends: the triple and the miss, not the endless one nor the ingress.
  EXPECT_EQ(count("DTEND:"), 2u);
  EXPECT_EQ(count("DTEND:20260618T120000Z"), 1u);
  EXPECT_EQ(count("SUMMARY:Pluto square natal Sun (exact\\, 2 of 3)"), 1u);
  EXPECT_EQ(count("SUMMARY:Sun enters Aries"), 1u);
  EXPECT_EQ(count("X-WR-CALNAME:Smith\\, Jones\\; Soci\xc3\xa9t\xc3\xa9: transit events"), 1u);
  // A natal event's UID carries the security, a transit one's does not.
  EXPECT_EQ(count("UID:aspect-pluto-square-natal-sun-20260320T1200Z-"), 1u);
  EXPECT_EQ(count("UID:aspect-mars-trine-jupiter-closest-20260321T1200Z@stockdyn"), 1u);
  EXPECT_EQ(count("DESCRIPTION:Smith\\, Jones\\; Soci\xc3\xa9t\xc3\xa9\\n"), 4u);
}

}  // namespace
}  // namespace sd::timeline
