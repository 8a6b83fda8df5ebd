#pragma once
// What an event study groups its observations by: families of transit events (the timeline's
// events by kind, bodies, sign and angle), families of transit-to-natal aspects, and states of
// the sky on a day. Each has an id that scripts read and a title in words.
#include <array>
#include <string>
#include <vector>

#include "astro/chart_data.h"
#include "astro/moment.h"
#include "timeline/events.h"

namespace sd::model {
class TEvList;
}

namespace sd::eventstudy {

enum class FamilyKind { kTransit, kNatal, kState };

struct Family {
  std::string Id;     // "lunation:new", "aspect:5:6:120", "natal:5:0:120", "state:sign:1:4"
  std::string Title;  // "New moon", "Jupiter trine Saturn", "Jupiter trine natal Sun", "Moon in Cancer"
  FamilyKind Kind = FamilyKind::kTransit;
};

// Every family of each kind, in the order the output lists them: lunations, eclipses, stations,
// ingresses, aspects by bodies and angle; natal aspects by transit body, natal point and angle;
// the lunar half, retrogrades, then each body in each sign.
std::vector<Family> TransitFamilies();
std::vector<Family> NatalFamilies();
std::vector<Family> StateFamilies();

// The family id of a timeline event; empty for an event no family holds.
std::string FamilyIdOf(const timeline::Event& e);

// The names of the model's sections that the events of a family drive (in UTF-8, in the model's
// order, each once); none for the kinds of event no section reads.
std::vector<std::string> SectionsDriven(const std::string& id, const model::TEvList& model);

// Whether `id` is chosen by a --families item: the item is the id or a leading part of it
// ending before a ':' ("aspect", "aspect:5", "state:retrograde").
bool FamilyChosen(const std::string& id, const std::string& item);
// The first --families item that chooses no family of any kind; empty when each chooses one.
std::string ItemChoosingNothing(const std::vector<std::string>& items);

// The sky at one moment as the states read it.
struct DayState {
  bool NewHalf = false;                   // the Moon within 90 degrees of elongation from the Sun
  std::array<bool, astro::kPlanetCount> Retrograde{};  // apparent longitude decreasing
  std::array<int, astro::kPlanetCount> Sign{};   // 1..12; 0 unknown
};
DayState StateAt(astro::ChartMoment t);

// The indices into StateFamilies() of the states a day is in.
std::vector<int> StatesOf(const DayState& s);

// Names: "Sun".."Pluto", natal points also "Ascendant" and "Midheaven"; signs 1..12 "Aries"..
// "Pisces"; the angles 0 60 90 120 180 "conjunct" "sextile" "square" "trine" "opposite".
std::string BodyName(int body);
std::string SignName(int sign);
std::string AngleName(int angle);

}  // namespace sd::eventstudy
