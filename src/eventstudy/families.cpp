#include "eventstudy/families.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include <cstdlib>
#include <sstream>

#include "astro/angles.h"
#include "data/cp1251.h"
#include "model/ev_list.h"
#include "timeline/crossings.h"
#include "timeline/longitudes.h"

namespace sd::eventstudy {

namespace {

constexpr int kAngles[] = {0, 60, 90, 120, 180};
constexpr int kFirstPlanet = astro::kMercury;  // the first body that turns retrograde

std::string Num(int v) { return std::to_string(v); }

}  // namespace

std::string BodyName(int body) {
  static constexpr const char* kNames[] = {"Sun",     "Moon",   "Mercury", "Venus",   "Mars",
                                           "Jupiter", "Saturn", "Uranus",  "Neptune", "Pluto"};
  if (body >= 0 && body < astro::kPlanetCount) return kNames[body];
  if (body == astro::kAscendant) return "Ascendant";
  if (body == astro::kMidheaven) return "Midheaven";
  return "object " + Num(body);
}

std::string SignName(int sign) {
  static constexpr const char* kNames[] = {"Aries", "Taurus",  "Gemini",      "Cancer",
                                           "Leo",   "Virgo",   "Libra",       "Scorpio",
                                           "Sagittarius", "Capricorn", "Aquarius", "Pisces"};
  return sign >= 1 && sign <= 12 ? kNames[sign - 1] : "sign " + Num(sign);
}

std::string AngleName(int angle) {
  switch (angle) {
    case 0: return "conjunct";
    case 60: return "sextile";
    case 90: return "square";
    case 120: return "trine";
    case 180: return "opposite";
  }
  return "at " + Num(angle) + " degrees to";
}

std::vector<Family> TransitFamilies() {
  std::vector<Family> out = {{"lunation:new", "New moon", FamilyKind::kTransit},
                             {"lunation:full", "Full moon", FamilyKind::kTransit},
                             {"eclipse:solar", "Solar eclipse", FamilyKind::kTransit}};
  for (int b = kFirstPlanet; b <= astro::kPluto; ++b) {
    out.push_back({"station:" + Num(b) + ":retrograde", BodyName(b) + " turns retrograde", FamilyKind::kTransit});
    out.push_back({"station:" + Num(b) + ":direct", BodyName(b) + " turns direct", FamilyKind::kTransit});
  }
  for (int b = astro::kSun; b <= astro::kPluto; ++b)
    for (int s = 1; s <= 12; ++s)
      out.push_back({"ingress:" + Num(b) + ":" + Num(s), BodyName(b) + " enters " + SignName(s), FamilyKind::kTransit});
  for (int a = astro::kSun; a <= astro::kPluto; ++a)
    for (int b = a + 1; b <= astro::kPluto; ++b)
      for (int angle : kAngles)
        out.push_back({"aspect:" + Num(a) + ":" + Num(b) + ":" + Num(angle),
                       BodyName(a) + " " + AngleName(angle) + " " + BodyName(b), FamilyKind::kTransit});
  return out;
}

std::vector<Family> NatalFamilies() {
  std::vector<Family> out;
  for (int b = astro::kSun; b <= astro::kPluto; ++b)
    for (int p : timeline::kNatalTargets)
      for (int angle : kAngles)
        out.push_back({"natal:" + Num(b) + ":" + Num(p) + ":" + Num(angle),
                       BodyName(b) + " " + AngleName(angle) + " natal " + BodyName(p), FamilyKind::kNatal});
  return out;
}

std::vector<Family> StateFamilies() {
  std::vector<Family> out = {
      {"state:lunar:new-half", "Moon within 90 degrees of the Sun (the new-moon half)", FamilyKind::kState}};
  for (int b = kFirstPlanet; b <= astro::kPluto; ++b)
    out.push_back({"state:retrograde:" + Num(b), BodyName(b) + " retrograde", FamilyKind::kState});
  for (int b = astro::kSun; b <= astro::kPluto; ++b)
    for (int s = 1; s <= 12; ++s)
      out.push_back({"state:sign:" + Num(b) + ":" + Num(s), BodyName(b) + " in " + SignName(s), FamilyKind::kState});
  return out;
}

std::string FamilyIdOf(const timeline::Event& e) {
  using timeline::EventType;
  const int angle = std::isfinite(e.Aspect) ? static_cast<int>(std::lround(e.Aspect)) : -1;
  switch (e.Type) {
    case EventType::kLunation:
      return angle == 0 ? "lunation:new" : angle == 180 ? "lunation:full" : "";
    case EventType::kEclipse:
      return "eclipse:solar";
    case EventType::kStation:
      if (e.Dir != timeline::Direction::kRetrograde && e.Dir != timeline::Direction::kDirect) return "";
      return "station:" + Num(e.Body) + ":" + timeline::DirectionName(e.Dir);
    case EventType::kIngress:
      return "ingress:" + Num(e.Body) + ":" + Num(e.Sign);
    case EventType::kAspect:
      if (angle < 0 || e.Other < 0) return "";
      if (e.OtherNatal) return "natal:" + Num(e.Body) + ":" + Num(e.Other) + ":" + Num(angle);
      return "aspect:" + Num(std::min(e.Body, e.Other)) + ":" + Num(std::max(e.Body, e.Other)) + ":" + Num(angle);
  }
  return "";
}

std::vector<std::string> SectionsDriven(const std::string& id, const model::TEvList& model) {
  std::vector<int> n;
  std::string kind;
  std::stringstream in(id);
  std::getline(in, kind, ':');
  std::string part;
  while (std::getline(in, part, ':')) n.push_back(std::atoi(part.c_str()));
  timeline::Event e;
  if (kind == "lunation") {
    e.Type = timeline::EventType::kLunation;
    e.Body = astro::kMoon;
    e.Other = astro::kSun;
    e.Aspect = id == "lunation:new" ? 0 : 180;
  } else if ((kind == "aspect" || kind == "natal") && n.size() == 3) {
    e.Type = timeline::EventType::kAspect;
    e.Body = n[0];
    e.Other = n[1];
    e.OtherNatal = kind == "natal";
    e.Aspect = n[2];
  } else {
    return {};
  }
  std::vector<timeline::Event> one = {e};
  timeline::AttachDrivers(model, one);
  std::vector<std::string> names;
  for (int i : one[0].Drivers) {
    const std::string name = data::Cp1251ToUtf8(model.Event(i).Section);
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  return names;
}

bool FamilyChosen(const std::string& id, const std::string& item) {
  if (item.empty() || id.compare(0, item.size(), item) != 0) return false;
  return id.size() == item.size() || id[item.size()] == ':';
}

std::string ItemChoosingNothing(const std::vector<std::string>& items) {
  std::vector<Family> catalogue = TransitFamilies();
  for (const auto& more : {NatalFamilies(), StateFamilies()}) catalogue.insert(catalogue.end(), more.begin(), more.end());
  for (const std::string& item : items)
    if (std::none_of(catalogue.begin(), catalogue.end(), [&](const Family& f) { return FamilyChosen(f.Id, item); }))
      return item;
  return "";
}

DayState StateAt(astro::ChartMoment t) {
  DayState s;
  // The rate over two hours: no planet's station is so sharp that the sign of the change misleads.
  constexpr double kHalfSpan = astro::DayInCenturies / 24;
  const timeline::BodyLongitudes now = timeline::TransitLongitudes(t);
  const timeline::BodyLongitudes before = timeline::TransitLongitudes(t - kHalfSpan);
  const timeline::BodyLongitudes after = timeline::TransitLongitudes(t + kHalfSpan);
  if (astro::IsValue(now[astro::kMoon]) && astro::IsValue(now[astro::kSun]))
    s.NewHalf = std::fabs(timeline::Wrap180(now[astro::kMoon] - now[astro::kSun])) < 90;
  for (int b = astro::kSun; b <= astro::kPluto; ++b) {
    if (!astro::IsValue(now[b])) continue;
    s.Sign[b] = astro::SignOf(now[b]);
    if (astro::IsValue(before[b]) && astro::IsValue(after[b])) s.Retrograde[b] = timeline::Wrap180(after[b] - before[b]) < 0;
  }
  return s;
}

std::vector<int> StatesOf(const DayState& s) {
  std::vector<int> in;
  if (s.NewHalf) in.push_back(0);
  for (int b = kFirstPlanet; b <= astro::kPluto; ++b)
    if (s.Retrograde[b]) in.push_back(1 + b - kFirstPlanet);
  const int first_sign_state = 1 + astro::kPluto - kFirstPlanet + 1;
  for (int b = astro::kSun; b <= astro::kPluto; ++b)
    if (s.Sign[b] >= 1 && s.Sign[b] <= 12) in.push_back(first_sign_state + b * 12 + s.Sign[b] - 1);
  return in;
}

}  // namespace sd::eventstudy
