#pragma once
// The timeline of a window: the exact moments of the transits the forecast's model reads, found
// on the transit chart's own theories of motion at moments of true universal time (Delta T from
// observation, longitudes.h), and for each aspect, when asked, its passage through the orb.
#include <bitset>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "astro/chart_data.h"
#include "astro/moment.h"
#include "timeline/passages.h"

namespace sd::model {
class TEvList;
}

namespace sd::timeline {

enum class EventType { kAspect, kIngress, kStation, kLunation, kEclipse };
enum class Direction { kNone, kForward, kBackward, kRetrograde, kDirect };

struct Event {
  EventType Type = EventType::kAspect;
  astro::ChartMoment Moment = astro::kNoMoment;
  int Body = -1;            // transit body 0..9 (lunations and eclipses: the Moon)
  int Other = -1;           // the other object (natal 0..9, 18, 27 or transit 0..9); -1 none
  bool OtherNatal = false;
  double Aspect = astro::NoValue;  // 0, 60, 90, 120 or 180 degrees; NoValue when not an aspect
  int Sign = 0;                    // ingress: the sign entered; lunation, eclipse: the Moon's; 0 none
  Direction Dir = Direction::kNone;
  std::vector<int> Drivers; // indices of the model's aspect events that read this one
  // Aspects: the angle's value when exact, [0, 360): the aspect, or 360 less it on the other
  // side (natal aspects: measured from the natal point).
  double Level = astro::NoValue;
  // Aspects, when passages are asked for. An aspect that comes within the orb and turns back
  // before exactness is an event of its own, at its closest approach, with a passage that does
  // not perfect.
  std::optional<Passage> Pass = std::nullopt;
};

// What a search looks for.
struct SearchOptions {
  // The transit events: ingresses, stations, lunations, eclipses and the transit bodies' aspects
  // to one another. Off, only aspects to the natal charts are found.
  bool Transits = true;
  bool Passages = false;
  // Orbs of the passages, degrees: the Moon's (the transit Moon, or the Moon of a pair) and the
  // others'. At most kMaxOrb, so that the orbs of neighbouring aspects never meet.
  double Orb = 1, MoonOrb = 1;
  // Kinds looked for, a bit (1 << EventType) each.
  unsigned Kinds = 0x1f;
  // Transit bodies 0..9: an event is kept when its body, or either body of a pair, is among them
  // (lunations and eclipses: the Sun or the Moon).
  std::bitset<astro::kPlanetCount> Bodies = std::bitset<astro::kPlanetCount>().set();
  // Natal points the transits are measured against (object numbers of kNatalTargets).
  std::bitset<astro::kObjectCount> Points;

  SearchOptions();
  bool Wants(int type) const { return (Kinds >> type) & 1u; }
  double OrbOf(int body, int other, bool other_natal) const {
    return body == astro::kMoon || (!other_natal && other == astro::kMoon) ? MoonOrb : Orb;
  }
};
inline constexpr double kMaxOrb = 10;

// Natal objects the transits are measured against: the planets, the Ascendant, the Midheaven.
inline constexpr int kNatalTargets[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, astro::kAscendant, astro::kMidheaven};
// Aspects looked for; all but the conjunction and the opposition on either side.
inline constexpr double kAspectAngles[] = {0, 60, 90, 120, 180};
// The grid the longitudes are sampled on. The Moon moves about 15 degrees in it, far less than
// half a turn; two turns of one body or pair are weeks apart, more than two steps.
inline constexpr double kGridStep = astro::DayInCenturies;
// Windows longer than this are refused.
inline constexpr int kMaxWindowDays = 366;

// Every event in [from, to], by moment (ties in a fixed order of kind and bodies). `natal`
// may be null: no transit-to-natal aspects then. The model's drivers are not filled in.
std::vector<Event> FindEvents(const astro::ChartData* natal, astro::ChartMoment from, astro::ChartMoment to);
std::vector<Event> FindEvents(const astro::ChartData* natal, astro::ChartMoment from, astro::ChartMoment to,
                              const SearchOptions& options);

// A span of any length is searched in chunks of this many days, each on its own grid, so that
// the work and the memory of one chunk do not grow with the span.
inline constexpr int kSpanChunkDays = 128;

// The events of one chunk of a span: the transit events (when asked) and, for each natal chart
// asked for, its transit-to-natal aspects; each list by moment.
struct SpanEvents {
  std::vector<Event> Transit;
  std::vector<std::vector<Event>> Natal;  // one per natal chart, in the order given
};

// How many chunks [from, to] is cut into (0 for an unusable span).
int SpanChunks(astro::ChartMoment from, astro::ChartMoment to);

// Chunk `chunk` (0-based) of [from, to]: the chunks are disjoint and together hold every event of
// the span exactly once, so their lists joined in chunk order are the span's, by moment. Chunks
// are independent of each other and may be searched on different threads. Null natal charts
// get empty lists.
SpanEvents FindSpanChunk(const std::vector<const astro::ChartData*>& natals, bool transits,
                         astro::ChartMoment from, astro::ChartMoment to, int chunk);
// The same with the options' kinds, bodies, points and passages (their Transits replaces
// `transits`).
SpanEvents FindSpanChunk(const std::vector<const astro::ChartData*>& natals, const SearchOptions& options,
                         astro::ChartMoment from, astro::ChartMoment to, int chunk);

// The events of [from, to], chunk by chunk (SpanChunks of them): each chunk's transit and natal
// (null: none) events merged by moment and handed to `take`, so that a span of any length costs
// time in proportion to its length and memory of one chunk.
void ForEachChunk(const astro::ChartData* natal, const SearchOptions& options, astro::ChartMoment from,
                  astro::ChartMoment to, const std::function<void(std::vector<Event>&)>& take);

// An aspect in orb at one moment, with its passage.
struct InOrb {
  Event Aspect;          // Moment: the moment asked about
  double Separation = astro::NoValue;  // signed degrees from exact then
  Motion State = Motion::kStill;
};
// Every aspect of the transit bodies to the natal chart (null: none) and, with the options'
// Transits, to one another, that is within its orb at t; by body, then other.
std::vector<InOrb> AspectsInOrbAt(const astro::ChartData* natal, astro::ChartMoment t,
                                  const SearchOptions& options);

// "aspect-jupiter-trine-natal-sun-20260320T1432Z": kind, bodies, aspect and the moment
// (the exact or closest one) to the minute, UTC. The same event has the same id in every window
// that holds it.
std::string EventId(const Event& e);

// The model's aspect events (kind 2, measured in longitude, harmonic 1) that read each event:
// the pair's charts and objects in the event's two object sets (either way round) and the
// aspect in its aspect set. Lunations are the Moon's aspects to the Sun.
void AttachDrivers(const model::TEvList& model, std::vector<Event>& events);

// Aspect number of the aspect table for an angle of kAspectAngles; 0 for any other.
int AspectNumberOf(double angle);

const char* TypeName(EventType t);
// "" for kNone.
const char* DirectionName(Direction d);

}  // namespace sd::timeline
