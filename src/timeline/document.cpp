#include "timeline/document.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "astro/calendar.h"
#include "astro/chart.h"
#include "data/cp1251.h"
#include "forecast/grid.h"
#include "forecast/report.h"
#include "model/ev_list.h"

namespace sd::timeline {

using forecast::CsvField;
using forecast::CsvNumber;

namespace {

using Json = nlohmann::ordered_json;

// Date and clock of t + offset hours, rounded to `unit` seconds.
CivilDate Rounded(ChartMoment t, double offset_hours, double unit, long long& seconds_of_day) {
  const CivilDate d = DateFromMoment(t + offset_hours * DayInCenturies / 24 +
                                     unit / 2 * SecondInCenturies);
  seconds_of_day = static_cast<long long>(std::floor(d.hours * 3600 / unit)) * static_cast<long long>(unit);
  return d;
}

Json Number(double v) { return IsValue(v) && std::isfinite(v) ? Json(v) : Json(nullptr); }

std::vector<std::string> SectionNames(const Event& e, const model::TEvList& model) {
  std::vector<std::string> names;
  for (int i : e.Drivers)
    if (i >= 0 && i < model.Count()) names.push_back(model.Event(i).Section);
  return names;
}

// The "_H" texts of the same sections, in the same order, as UTF-8.
std::vector<std::string> SectionTitles(const Event& e, const model::TEvList& model) {
  std::vector<std::string> titles;
  for (int i : e.Drivers)
    if (i >= 0 && i < model.Count()) titles.push_back(Cp1251ToUtf8(model.Event(i).Header));
  return titles;
}

constexpr const char* kSignNames[] = {"Aries", "Taurus", "Gemini",      "Cancer",    "Leo",      "Virgo",
                                       "Libra", "Scorpio", "Sagittarius", "Capricorn", "Aquarius", "Pisces"};

const char* AspectName(double angle) {
  static const struct {
    double angle;
    const char* name;
  } kNames[] = {{0, "conjunction"}, {60, "sextile"}, {90, "square"}, {120, "trine"}, {180, "opposition"}};
  for (const auto& a : kNames)
    if (angle == a.angle) return a.name;
  return "";
}

std::string OtherName(const Event& e) {
  if (e.Other < 0) return "";
  return std::string(e.OtherNatal ? "natal " : "") + ObjectName(e.Other);
}

}  // namespace

const char* SignNameOf(int sign) { return sign >= 1 && sign <= 12 ? kSignNames[sign - 1] : ""; }

std::string EventName(const Event& e) {
  const std::string body = ObjectName(e.Body);
  const std::string sign = SignNameOf(e.Sign);
  switch (e.Type) {
    case EventType::kAspect:
      return body + " " + AspectName(e.Aspect) + " " + OtherName(e);
    case EventType::kIngress:
      return body + (e.Dir == Direction::kBackward ? " backs into " : " enters ") + sign;
    case EventType::kStation:
      return body + " turns " + DirectionName(e.Dir);
    case EventType::kLunation:
      return std::string(e.Aspect == 0 ? "New" : "Full") + " Moon in " + sign;
    case EventType::kEclipse:
      return "Solar eclipse in " + sign;
  }
  return TypeName(e.Type);
}

std::string UtcText(ChartMoment t) {
  long long s = 0;
  const CivilDate d = Rounded(t, 0, 1, s);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02lld:%02lld:%02lldZ", d.year, d.month, d.day,
                s / 3600, s / 60 % 60, s % 60);
  return buf;
}

std::string LocalText(ChartMoment t, double zone) {
  long long s = 0;
  const CivilDate d = Rounded(t, HmsToDecimal(zone), 60, s);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02lld:%02lld", d.year, d.month, d.day, s / 3600,
                s / 60 % 60);
  return buf;
}

WindowHead DayWindow(const std::string& security_utf8, double zone, int year, int month, int day,
                     int days, ChartMoment natal) {
  WindowHead head;
  head.Security = security_utf8;
  head.Zone = zone;
  head.From = forecast::LocalMidnight(year, month, day, zone);
  head.To = std::min(head.From + days * DayInCenturies, forecast::LocalMidnight(10000, 1, 1, zone));
  head.Warnings = forecast::PositionWarnings(natal, {head.From, head.To});
  return head;
}

Json EventsDocument(const WindowHead& head, const std::vector<Event>& events,
                    const model::TEvList& model) {
  Json list = Json::array();
  for (const Event& e : events) {
    const char* direction = DirectionName(e.Dir);
    list.push_back({{"type", TypeName(e.Type)},
                    {"moment", e.Moment},
                    {"utc", UtcText(e.Moment)},
                    {"local", LocalText(e.Moment, head.Zone)},
                    {"body", e.Body},
                    {"other", e.Other >= 0 ? Json(e.Other) : Json(nullptr)},
                    {"other_natal", e.OtherNatal},
                    {"aspect", Number(e.Aspect)},
                    {"sign", e.Sign > 0 ? Json(e.Sign) : Json(nullptr)},
                    {"direction", *direction ? Json(direction) : Json(nullptr)},
                    {"sections", SectionNames(e, model)},
                    {"titles", SectionTitles(e, model)},
                    {"name", EventName(e)},
                    {"body_name", ObjectName(e.Body)},
                    {"other_name", e.Other >= 0 ? Json(OtherName(e)) : Json(nullptr)},
                    {"sign_name", e.Sign > 0 ? Json(SignNameOf(e.Sign)) : Json(nullptr)}});
  }
  return {{"security", head.Security},
          {"zone", head.Zone},
          {"from", UtcText(head.From)},
          {"to", UtcText(head.To)},
          {"events", std::move(list)},
          {"warnings", head.Warnings}};
}

std::string EventsCsv(const WindowHead& head, const std::vector<Event>& events,
                      const model::TEvList& model) {
  std::string out =
      "type,moment,utc,local,body,other,other_natal,aspect,sign,direction,sections,name,body_name,other_name,"
      "sign_name\n";
  for (const Event& e : events) {
    std::string sections;
    for (const std::string& name : SectionNames(e, model)) sections += (sections.empty() ? "" : ";") + name;
    out += std::string(TypeName(e.Type)) + "," + CsvNumber(e.Moment) + "," + UtcText(e.Moment) +
           "," + LocalText(e.Moment, head.Zone) + "," + std::to_string(e.Body) + "," +
           (e.Other >= 0 ? std::to_string(e.Other) : "") + "," +
           (e.OtherNatal ? "true" : "false") + "," + CsvNumber(e.Aspect) + "," +
           (e.Sign > 0 ? std::to_string(e.Sign) : "") + "," + DirectionName(e.Dir) + "," +
           CsvField(sections) + "," + CsvField(EventName(e)) + "," + ObjectName(e.Body) + "," +
           CsvField(OtherName(e)) + "," + SignNameOf(e.Sign) + "\n";
  }
  return out;
}

std::string EventsText(const WindowHead& head, const std::vector<Event>& events,
                       const model::TEvList& model) {
  std::string out = head.Security + ": " + std::to_string(events.size()) + " events from " +
                    LocalText(head.From, head.Zone) + " to " + LocalText(head.To, head.Zone) + " (local time, zone " +
                    CsvNumber(head.Zone) + ")\n";
  for (const std::string& w : head.Warnings) out += "warning: " + w + "\n";
  for (const Event& e : events) {
    out += LocalText(e.Moment, head.Zone) + "  " + EventName(e) + "\n";
    for (const std::string& title : SectionTitles(e, model)) out += "                  drives: " + title + "\n";
  }
  return out;
}

}  // namespace sd::timeline
