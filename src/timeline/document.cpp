#include "timeline/document.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "astro/calendar.h"
#include "astro/observed_delta_t.h"
#include "astro/chart.h"
#include "data/cp1251.h"
#include "forecast/grid.h"
#include "forecast/report.h"
#include "model/ev_list.h"
#include "timeline/calendar.h"

namespace sd::timeline {

using forecast::CsvField;
using forecast::CsvNumber;

namespace {

using Json = nlohmann::ordered_json;

// Date and clock of t + offset hours, rounded to `unit` seconds.
astro::CivilDate Rounded(astro::ChartMoment t, double offset_hours, double unit, long long& seconds_of_day) {
  const astro::CivilDate d = astro::DateFromMoment(t + offset_hours * astro::DayInCenturies / 24 +
                                     unit / 2 * astro::SecondInCenturies);
  seconds_of_day = static_cast<long long>(std::floor(d.hours * 3600 / unit)) * static_cast<long long>(unit);
  return d;
}

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
    if (i >= 0 && i < model.Count()) titles.push_back(data::Cp1251ToUtf8(model.Event(i).Header));
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
  return std::string(e.OtherNatal ? "natal " : "") + astro::ObjectName(e.Other);
}

}  // namespace

const char* SignNameOf(int sign) { return sign >= 1 && sign <= 12 ? kSignNames[sign - 1] : ""; }

std::string EventName(const Event& e) {
  const std::string body = astro::ObjectName(e.Body);
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

namespace {

// Whether ClockDigits prints what printf's "%04d-%02d-%02d?%02lld:%02lld:%02lld" would: every
// field within its width and none negative.
bool PlainClock(const astro::CivilDate& d, long long s) {
  return d.year >= 0 && d.year <= 9999 && d.month >= 0 && d.month <= 99 && d.day >= 0 && d.day <= 99 && s >= 0 &&
         s < 100 * 3600;
}

// "YYYY-MM-DD?HH:MM[:SS]" of the date and second of the day, `between` the date and the clock:
// every event prints several of these, so they are put together digit by digit.
std::string ClockDigits(const astro::CivilDate& d, long long s, char between, bool seconds) {
  char buf[19];
  const auto put = [&buf](int at, long long n, int width) {
    for (int i = at + width - 1; i >= at; --i, n /= 10) buf[i] = static_cast<char>('0' + n % 10);
  };
  put(0, d.year, 4);
  buf[4] = '-';
  put(5, d.month, 2);
  buf[7] = '-';
  put(8, d.day, 2);
  buf[10] = between;
  put(11, s / 3600, 2);
  buf[13] = ':';
  put(14, s / 60 % 60, 2);
  buf[16] = ':';
  put(17, s % 60, 2);
  return std::string(buf, seconds ? 19 : 16);
}

}  // namespace

std::string UtcText(astro::ChartMoment t) {
  long long s = 0;
  const astro::CivilDate d = Rounded(t, 0, 1, s);
  if (PlainClock(d, s)) return ClockDigits(d, s, 'T', true) + 'Z';
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02lld:%02lld:%02lldZ", d.year, d.month, d.day,
                s / 3600, s / 60 % 60, s % 60);
  return buf;
}

std::string LocalText(astro::ChartMoment t, double zone) {
  long long s = 0;
  const astro::CivilDate d = Rounded(t, astro::HmsToDecimal(zone), 60, s);
  if (PlainClock(d, s)) return ClockDigits(d, s, ' ', false);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02lld:%02lld", d.year, d.month, d.day, s / 3600,
                s / 60 % 60);
  return buf;
}

WindowHead DayWindow(const std::string& security_utf8, double zone, int year, int month, int day,
                     int days, astro::ChartMoment natal) {
  WindowHead head;
  head.Security = security_utf8;
  head.Zone = zone;
  head.From = forecast::LocalMidnight(year, month, day, zone);
  head.To = std::min(head.From + days * astro::DayInCenturies, forecast::LocalMidnight(10000, 1, 1, zone));
  head.Warnings = forecast::PositionWarnings(natal, {head.From, head.To});
  return head;
}

const char* TimeScaleText() { return astro::kObservedDeltaTSource; }

namespace {

// JSON text laid out as dump(2) lays it out, written straight into a string: an event is printed
// for every event of a span, and building the library's tree of it first cost more than finding
// the event. Scalars are printed by the library (its escapes, its shortest numbers) except plain
// ASCII strings, which it would print as they are.
class PrettyJson {
 public:
  // `depth` levels in: the text starts where dump(2) of the enclosing document would put it.
  PrettyJson(std::string& out, int depth) : out_(out), depth_(depth) {}

  PrettyJson& Open(char bracket) {
    out_ += bracket;
    ++depth_;
    empty_ = true;
    return *this;
  }
  PrettyJson& Close(char bracket) {
    --depth_;
    if (!empty_) NewLine();
    out_ += bracket;
    empty_ = false;
    return *this;
  }
  PrettyJson& Key(const char* key) {
    Item();
    out_ += '"';
    out_ += key;
    out_ += "\": ";
    return *this;
  }
  // Before each element of an array.
  PrettyJson& Item() {
    out_ += empty_ ? "\n" : ",\n";
    out_.append(2 * static_cast<size_t>(depth_), ' ');
    empty_ = false;
    return *this;
  }
  void Null() { out_ += "null"; }
  void Bool(bool b) { out_ += b ? "true" : "false"; }
  void Int(long long n) { out_ += std::to_string(n); }
  // Not finite or NoValue: null.
  void Number(double v) {
    if (astro::IsValue(v) && std::isfinite(v))
      out_ += Json(v).dump();
    else
      Null();
  }
  void String(std::string_view s) {
    const bool plain =
        std::all_of(s.begin(), s.end(), [](char c) { return c >= ' ' && c < 0x7f && c != '"' && c != '\\'; });
    if (!plain) {
      out_ += Json(std::string(s)).dump(-1, ' ', false, Json::error_handler_t::replace);
      return;
    }
    out_ += '"';
    out_ += s;
    out_ += '"';
  }
  void Strings(const std::vector<std::string>& list) {
    Open('[');
    for (const std::string& s : list) Item().String(s);
    Close(']');
  }
  // A moment as UTC or local text, null where it is unknown.
  void Utc(astro::ChartMoment t) { astro::IsKnown(t) ? String(UtcText(t)) : Null(); }
  void Local(astro::ChartMoment t, double zone) {
    astro::IsKnown(t) ? String(LocalText(t, zone)) : Null();
  }

 private:
  void NewLine() {
    out_ += '\n';
    out_.append(2 * static_cast<size_t>(depth_), ' ');
  }
  std::string& out_;
  int depth_;
  bool empty_ = false;
};

void WritePassage(PrettyJson& j, const Passage& p, double zone) {
  j.Open('{');
  j.Key("orb").Number(p.Orb);
  j.Key("start").Utc(p.Start);
  j.Key("start_local").Local(p.Start, zone);
  j.Key("exact").Open('[');
  for (astro::ChartMoment x : p.Exact) j.Item().String(UtcText(x));
  j.Close(']');
  j.Key("end").Utc(p.End);
  j.Key("end_local").Local(p.End, zone);
  j.Key("perfects").Bool(p.Perfects());
  p.Perfects() ? j.Key("closest").Null() : j.Key("closest").Utc(p.Closest);
  p.Perfects() ? j.Key("closest_separation").Null() : j.Key("closest_separation").Number(p.ClosestSeparation);
  j.Close('}');
}

// One event of the document, `depth` levels in.
void WriteEvent(std::string& out, int depth, const WindowHead& head, const Event& e,
                const model::TEvList& model) {
  PrettyJson j(out, depth);
  const char* direction = DirectionName(e.Dir);
  j.Open('{');
  j.Key("id").String(EventId(e));
  j.Key("type").String(TypeName(e.Type));
  j.Key("moment").Number(e.Moment.Centuries);
  j.Key("utc").String(UtcText(e.Moment));
  j.Key("local").String(LocalText(e.Moment, head.Zone));
  j.Key("body").Int(e.Body);
  e.Other >= 0 ? j.Key("other").Int(e.Other) : j.Key("other").Null();
  j.Key("other_natal").Bool(e.OtherNatal);
  j.Key("aspect").Number(e.Aspect);
  e.Sign > 0 ? j.Key("sign").Int(e.Sign) : j.Key("sign").Null();
  *direction ? j.Key("direction").String(direction) : j.Key("direction").Null();
  j.Key("sections").Strings(SectionNames(e, model));
  j.Key("titles").Strings(SectionTitles(e, model));
  j.Key("name").String(EventName(e));
  j.Key("body_name").String(astro::ObjectName(e.Body));
  e.Other >= 0 ? j.Key("other_name").String(OtherName(e)) : j.Key("other_name").Null();
  e.Sign > 0 ? j.Key("sign_name").String(SignNameOf(e.Sign)) : j.Key("sign_name").Null();
  if (e.Pass)
    WritePassage(j.Key("passage"), *e.Pass, head.Zone);
  else
    j.Key("passage").Null();
  j.Close('}');
}

Json HeadJson(const WindowHead& head) {
  Json orbs = nullptr;
  if (astro::IsValue(head.Orb)) orbs = {{"orb", head.Orb}, {"moon", head.MoonOrb}};
  return {{"security", head.Security},
          {"zone", head.Zone},
          {"from", UtcText(head.From)},
          {"to", UtcText(head.To)},
          {"time_scale", TimeScaleText()},
          {"orbs", std::move(orbs)}};
}

std::string Dumped(const Json& j) { return j.dump(2, ' ', false, Json::error_handler_t::replace); }

// The members of an object as dump(2) prints them inside the document: "{\n" and "\n}" cut off.
std::string Members(const Json& object) {
  const std::string text = Dumped(object);
  return text.substr(2, text.size() - 4);
}

// Moments of a passage for people: "2026-03-18 05:21" in the zone, "?" where unknown.
std::string LocalOrUnknown(astro::ChartMoment t, double zone) {
  return astro::IsKnown(t) ? LocalText(t, zone) : std::string("?");
}

std::string UtcClock(astro::ChartMoment t) {
  if (!astro::IsKnown(t)) return "beyond the search";
  const std::string u = UtcText(t);
  return u.substr(0, 10) + " " + u.substr(11, 5) + " UTC";
}

std::string CsvRow(const WindowHead& head, const Event& e, const model::TEvList& model) {
  std::string sections;
  for (const std::string& name : SectionNames(e, model)) sections += (sections.empty() ? "" : ";") + name;
  std::string exact, start, end, perfects, closest;
  if (e.Pass) {
    for (astro::ChartMoment x : e.Pass->Exact) exact += (exact.empty() ? "" : ";") + UtcText(x);
    if (astro::IsValue(e.Pass->Start)) start = UtcText(e.Pass->Start);
    if (astro::IsValue(e.Pass->End)) end = UtcText(e.Pass->End);
    perfects = e.Pass->Perfects() ? "true" : "false";
    if (!e.Pass->Perfects()) closest = CsvNumber(e.Pass->ClosestSeparation);
  }
  return std::string(TypeName(e.Type)) + "," + CsvNumber(e.Moment.Centuries) + "," + UtcText(e.Moment) + "," +
         LocalText(e.Moment, head.Zone) + "," + std::to_string(e.Body) + "," +
         (e.Other >= 0 ? std::to_string(e.Other) : "") + "," + (e.OtherNatal ? "true" : "false") + "," +
         CsvNumber(e.Aspect) + "," + (e.Sign > 0 ? std::to_string(e.Sign) : "") + "," + DirectionName(e.Dir) +
         "," + CsvField(sections) + "," + CsvField(EventName(e)) + "," + astro::ObjectName(e.Body) + "," +
         CsvField(OtherName(e)) + "," + SignNameOf(e.Sign) + "," + EventId(e) + "," + perfects + "," + start +
         "," + exact + "," + end + "," + closest + "\n";
}

std::string TextLines(const WindowHead& head, const Event& e, const model::TEvList& model) {
  std::string out = LocalText(e.Moment, head.Zone) + "  " + EventSummary(e);
  if (e.Pass)
    out += "  in orb " + LocalOrUnknown(e.Pass->Start, head.Zone) + " .. " +
           LocalOrUnknown(e.Pass->End, head.Zone);
  out += "\n";
  for (const std::string& title : SectionTitles(e, model)) out += "                  drives: " + title + "\n";
  return out;
}

// FNV-1a, 32 bits, as eight hex digits.
std::string ShortHash(const std::string& text) {
  uint32_t h = 2166136261u;
  for (unsigned char c : text) h = (h ^ c) * 16777619u;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08x", h);
  return buf;
}

std::string IcsEvent(const WindowHead& head, const Event& e, const model::TEvList& model) {
  std::string uid = EventId(e);
  if (e.OtherNatal) uid += "-" + ShortHash(head.Security);
  std::string description = head.Security.empty() ? std::string() : head.Security + "\n";
  description += EventSummary(e) + ": " + UtcClock(e.Moment) + "\n";
  if (e.Pass) {
    description += "In orb (" + CsvNumber(e.Pass->Orb) + " degrees) from " + UtcClock(e.Pass->Start) +
                   " to " + UtcClock(e.Pass->End) + "\n";
    for (astro::ChartMoment x : e.Pass->Exact) description += "Exact: " + UtcClock(x) + "\n";
    if (!e.Pass->Perfects())
      description += "Closest: " + UtcClock(e.Pass->Closest) + ", " + CsvNumber(e.Pass->ClosestSeparation) +
                     " degrees from exact\n";
  }
  const std::vector<std::string> names = SectionNames(e, model), titles = SectionTitles(e, model);
  for (size_t i = 0; i < names.size(); ++i)
    description += "Drives: " + names[i] + (i < titles.size() && !titles[i].empty() ? " (" + titles[i] + ")" : "") + "\n";
  description += TimeScaleText();
  std::string out = IcsLine("BEGIN", "VEVENT");
  out += IcsLine("UID", IcsEscape(uid + "@stockdyn"));
  out += IcsLine("DTSTAMP", IcsUtc(head.From));
  out += IcsLine("DTSTART", IcsUtc(e.Moment));
  if (e.Pass && astro::IsValue(e.Pass->End) && IcsUtc(e.Pass->End) > IcsUtc(e.Moment))
    out += IcsLine("DTEND", IcsUtc(e.Pass->End));
  out += IcsLine("SUMMARY", IcsEscape(EventSummary(e)));
  out += IcsLine("DESCRIPTION", IcsEscape(description));
  out += IcsLine("CATEGORIES", IcsEscape(TypeName(e.Type)));
  out += IcsLine("END", "VEVENT");
  return out;
}

}  // namespace

std::string EventSummary(const Event& e) {
  const std::string name = EventName(e);
  if (e.Type != EventType::kAspect || !e.Pass) return name;
  const Passage& p = *e.Pass;
  if (!p.Perfects()) {
    char buf[64];
    std::snprintf(buf, sizeof buf, " (closest %.2f\u00b0, does not perfect)", p.ClosestSeparation);
    return name + buf;
  }
  if (p.Exact.size() == 1) return name + " (exact)";
  size_t k = 0;
  while (k + 1 < p.Exact.size() && std::fabs(p.Exact[k] - e.Moment) > 60 * astro::SecondInCenturies) ++k;
  return name + " (exact, " + std::to_string(k + 1) + " of " + std::to_string(p.Exact.size()) + ")";
}

Json EventJson(const WindowHead& head, const Event& e, const model::TEvList& model) {
  std::string text;
  WriteEvent(text, 0, head, e, model);
  return Json::parse(text);
}

Json EventsDocument(const WindowHead& head, const std::vector<Event>& events, const model::TEvList& model) {
  Json doc = HeadJson(head);
  Json list = Json::array();
  for (const Event& e : events) list.push_back(EventJson(head, e, model));
  doc["events"] = std::move(list);
  doc["warnings"] = head.Warnings;
  return doc;
}

EventsWriter::EventsWriter(const WindowHead& head, const model::TEvList& model, EventsFormat format, Sink sink)
    : head_(head), model_(model), format_(format), sink_(std::move(sink)) {
  switch (format_) {
    case EventsFormat::kJson: {
      const std::string text = Dumped(HeadJson(head_));
      sink_(text.substr(0, text.size() - 2) + ",\n  \"events\": [");
      break;
    }
    case EventsFormat::kCsv:
      sink_("type,moment,utc,local,body,other,other_natal,aspect,sign,direction,sections,name,body_name,"
            "other_name,sign_name,id,perfects,passage_start,exact,passage_end,closest_separation\n");
      break;
    case EventsFormat::kText: {
      std::string line = head_.Security + (head_.Security.empty() ? "" : ": ") + "events from " +
                         LocalText(head_.From, head_.Zone) + " to " + LocalText(head_.To, head_.Zone) +
                         " (local time, zone " + CsvNumber(head_.Zone) + "; " + TimeScaleText() + ")\n";
      if (astro::IsValue(head_.Orb))
        line += "orbs: " + CsvNumber(head_.Orb) + " degrees, the Moon " + CsvNumber(head_.MoonOrb) + "\n";
      for (const std::string& w : head_.Warnings) line += "warning: " + w + "\n";
      sink_(line);
      break;
    }
    case EventsFormat::kIcs: {
      std::string out = IcsLine("BEGIN", "VCALENDAR");
      out += IcsLine("PRODID", "-//stockdyn//transit events//EN");
      out += IcsLine("VERSION", "2.0");
      out += IcsLine("CALSCALE", "GREGORIAN");
      out += IcsLine("METHOD", "PUBLISH");
      out += IcsLine("X-WR-CALNAME", IcsEscape((head_.Security.empty() ? std::string("The sky") : head_.Security) +
                                               ": transit events"));
      out += IcsLine("X-STOCKDYN-TIME-SCALE", IcsEscape(TimeScaleText()));
      sink_(out);
      break;
    }
  }
}

// The writer hands its text over in pieces of about this many bytes: a span's chunk can hold
// thousands of events, and one string of all of them would be grown, copied and paged in anew for
// every chunk.
constexpr size_t kPieceBytes = 16384;

void EventsWriter::Add(const std::vector<Event>& events) {
  std::string out;
  out.reserve(2 * kPieceBytes);
  for (const Event& e : events) {
    if (out.size() >= kPieceBytes) {
      sink_(out);
      out.clear();
    }
    switch (format_) {
      case EventsFormat::kJson:
        out += count_ == 0 ? "\n    " : ",\n    ";
        WriteEvent(out, 2, head_, e, model_);
        break;
      case EventsFormat::kCsv: out += CsvRow(head_, e, model_); break;
      case EventsFormat::kText: out += TextLines(head_, e, model_); break;
      case EventsFormat::kIcs: out += IcsEvent(head_, e, model_); break;
    }
    ++count_;
  }
  if (!out.empty()) sink_(out);
}

void EventsWriter::Finish() {
  switch (format_) {
    case EventsFormat::kJson:
      sink_(std::string(count_ == 0 ? "]" : "\n  ]") + ",\n" + Members(Json{{"warnings", head_.Warnings}}) + "\n}\n");
      break;
    case EventsFormat::kCsv: break;
    case EventsFormat::kText: sink_(std::to_string(count_) + " events\n"); break;
    case EventsFormat::kIcs: sink_(IcsLine("END", "VCALENDAR")); break;
  }
}

namespace {

std::string Written(const WindowHead& head, const std::vector<Event>& events, const model::TEvList& model,
                    EventsFormat format) {
  std::string out;
  EventsWriter writer(head, model, format, [&out](const std::string& piece) { out += piece; });
  writer.Add(events);
  writer.Finish();
  return out;
}

}  // namespace

std::string EventsCsv(const WindowHead& head, const std::vector<Event>& events, const model::TEvList& model) {
  return Written(head, events, model, EventsFormat::kCsv);
}

std::string EventsText(const WindowHead& head, const std::vector<Event>& events, const model::TEvList& model) {
  return Written(head, events, model, EventsFormat::kText);
}

std::string EventsIcs(const WindowHead& head, const std::vector<Event>& events, const model::TEvList& model) {
  return Written(head, events, model, EventsFormat::kIcs);
}

}  // namespace sd::timeline
