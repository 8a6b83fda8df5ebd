#include "timeline/events.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <tuple>

#include "astro/angles.h"
#include "astro/aspects.h"
#include "astro/calendar.h"
#include "astro/chart.h"
#include "astro/lunation.h"
#include "astro/observed_delta_t.h"
#include "model/ev_list.h"
#include "timeline/crossings.h"
#include "timeline/longitudes.h"

namespace sd::timeline {

namespace {

// The ten bodies at every grid moment.
struct Samples {
  std::vector<astro::ChartMoment> Grid;
  std::vector<BodyLongitudes> Lon;

  std::vector<double> Of(int body) const {
    std::vector<double> v(Grid.size());
    for (size_t i = 0; i < Grid.size(); ++i) v[i] = Lon[i][body];
    return v;
  }
  std::vector<double> Difference(int a, int b) const {
    std::vector<double> v(Grid.size());
    for (size_t i = 0; i < Grid.size(); ++i)
      v[i] = astro::IsValue(Lon[i][a]) && astro::IsValue(Lon[i][b]) ? Lon[i][a] - Lon[i][b] : astro::NoValue;
    return v;
  }
};

// The grid reaches a step beyond either end, so that a turn close to an end is seen.
Samples Sample(LongitudeCache& cache, astro::ChartMoment from, astro::ChartMoment to) {
  Samples s;
  const int steps = static_cast<int>(std::ceil((to - from) / kGridStep)) + 2;
  for (int i = 0; i <= steps; ++i) {
    const astro::ChartMoment t = from + (i - 1) * kGridStep;
    s.Grid.push_back(t);
    s.Lon.push_back(cache.All(t));
  }
  return s;
}

AngleOfTime BodyAngle(LongitudeCache& cache, int body) {
  return [&cache, body](astro::ChartMoment t) { return cache.Longitude(body, t); };
}

AngleOfTime PairAngle(LongitudeCache& cache, int a, int b) {
  return [&cache, a, b](astro::ChartMoment t) { return cache.Separation(a, b, t); };
}

// The levels of the aspects: 0 and 180 once, the others on either side.
std::vector<double> AspectLevels() {
  std::vector<double> out;
  for (double a : kAspectAngles) {
    out.push_back(a);
    if (a != 0 && a != 180) out.push_back(360 - a);
  }
  return out;
}

double AspectOfLevel(double level) { return level > 180 ? 360 - level : level; }

void AddAspects(const std::vector<Crossing>& found, int body, int other, bool natal,
                std::vector<Event>& out) {
  for (const Crossing& c : found) {
    Event e;
    e.Type = EventType::kAspect;
    e.Moment = c.Moment;
    e.Body = body;
    e.Other = other;
    e.OtherNatal = natal;
    e.Aspect = AspectOfLevel(c.Level);
    e.Level = c.Level;
    out.push_back(e);
  }
}

// Degrees from exact of an aspect whose angle f reaches `level` (with the natal point's longitude
// already in it) when exact.
Deviation DeviationOf(const AngleOfTime& f, double level) {
  return [f, level](astro::ChartMoment t) {
    const double v = f(t);
    return astro::IsValue(v) && std::isfinite(v) ? Wrap180(v - level) : astro::NoValue;
  };
}

// The same for the aspect at `level` (0..360) of an angle measured from `shift` degrees (the
// natal point's longitude; 0 for a pair).
Deviation AspectDeviation(const AngleOfTime& f, double level, double shift) {
  return DeviationOf(f, astro::NormalizeMod(level + shift, 360));
}

// Closer to a window's end than this, an aspect's moment is refined on its piece of the track.
constexpr double kNearTheEnd = 60 * astro::SecondInCenturies;

// The exact moments of aspects whose passages are walked, found straight in their hours. The
// walk lists every exact moment as the root in the whole hour that holds it, refined there, and
// the event takes that moment; so the moment is found that way at once, from the hours at and
// beside the straight line's moment on its piece, instead of being refined on the piece first and
// then again. It falls back to the piece (NoValue) when none of those hours holds the piece's
// root, and within kNearTheEnd of the window's ends, where the refined moment decides, as it
// always has, whether the event is in the window.
CrossingMoment ExactInItsHour(const AngleOfTime& f, const std::vector<double>& levels, double shift,
                              astro::ChartMoment from, astro::ChartMoment to) {
  return [&f, &levels, shift, from, to](int index, astro::ChartMoment a, astro::ChartMoment b,
                                        astro::ChartMoment guess) {
    const double level = levels[static_cast<size_t>(index)];
    const astro::ChartMoment r = RootInHourNear(AspectDeviation(f, level, shift), guess);
    if (!astro::IsValue(r) || r < a || r > b) return astro::kNoMoment;
    if (std::fabs(r - from) < kNearTheEnd || std::fabs(r - to) < kNearTheEnd) return astro::kNoMoment;
    return r;
  };
}

// The passages of the aspects of one angle: each exact moment found gets the passage that holds
// it (walked once for all its exact moments) and its moment from there, so that it is the same in
// every window; each turn of the angle in [from, to] within the orb of an aspect that it does not
// reach makes an event of its own at the closest approach. `shift` is the natal point's longitude
// (0 for a pair); `template_event` gives the body, other and natal flag; the events from `first`
// on are those of `found`, in its order.
void AddPassages(const AngleOfTime& f, const Track& track, const std::vector<double>& levels,
                 double shift, double orb, astro::ChartMoment from, astro::ChartMoment to,
                 const Event& template_event, const std::vector<Crossing>& found,
                 std::vector<Event>& events, size_t first) {
  std::vector<std::pair<double, Passage>> walked;  // by level
  for (size_t i = first; i < events.size(); ++i) {
    Event& e = events[i];
    const Deviation dev = AspectDeviation(f, e.Level, shift);
    const Passage* known = nullptr;
    for (const auto& [level, p] : walked)
      if (level == e.Level && astro::IsValue(p.Start) && astro::IsValue(p.End) &&
          e.Moment >= p.Start - astro::SecondInCenturies && e.Moment <= p.End + astro::SecondInCenturies)
        known = &p;
    if (!known) {
      // A moment found in its hour is exact: its deviation need not be computed again.
      const bool exact = found[i - first].FirstTry;
      walked.emplace_back(e.Level,
                          exact ? PassageThrough(dev, e.Moment, orb) : PassageAround(dev, e.Moment, orb));
      known = &walked.back().second;
    }
    e.Pass = *known;
    // The exact moment of the passage nearest the one the grid found.
    astro::ChartMoment nearest = e.Moment;
    for (astro::ChartMoment x : known->Exact)
      if (std::fabs(x - e.Moment) < std::fabs(nearest - e.Moment) || nearest == e.Moment) nearest = x;
    if (std::fabs(nearest - e.Moment) < 0.5 * astro::DayInCenturies) e.Moment = nearest;
  }
  for (const Turn& turn : track.Turns) {
    if (turn.Moment < from || turn.Moment > to) continue;
    for (double level : levels) {
      const Deviation dev = AspectDeviation(f, level, shift);
      const double d = dev(turn.Moment);
      if (!astro::IsValue(d) || d == 0 || std::fabs(d) > orb) continue;
      Passage p = PassageAround(dev, turn.Moment, orb);
      if (p.Perfects() || !astro::IsValue(p.Closest) || p.Closest < from || p.Closest > to) continue;
      // A passage that wavers (three turns in the orb) is listed once, at its closest turn.
      if (std::fabs(p.Closest - turn.Moment) > 0.5 * astro::DayInCenturies) continue;
      Event e = template_event;
      e.Type = EventType::kAspect;
      e.Moment = p.Closest;
      e.Aspect = AspectOfLevel(level);
      e.Level = level;
      e.Pass = std::move(p);
      events.push_back(std::move(e));
    }
  }
}

bool Wanted(const SearchOptions& o, EventType t) { return o.Wants(static_cast<int>(t)); }

void FindBodyEvents(LongitudeCache& cache, const Samples& s, int body,
                    const std::vector<const astro::ChartData*>& natals, const SearchOptions& o,
                    const std::vector<double>& levels, astro::ChartMoment from, astro::ChartMoment to,
                    std::vector<std::vector<Event>>& natal_out, std::vector<Event>& out) {
  const bool own = o.Bodies.test(static_cast<size_t>(body));
  const bool transits = o.Transits && own;
  const bool natal_aspects = own && Wanted(o, EventType::kAspect);
  if (!transits && !natal_aspects) return;
  const AngleOfTime f = BodyAngle(cache, body);
  const Track track = BuildTrack(f, s.Grid, s.Of(body));

  // Stations: the planets' turns. The Sun and the Moon never turn.
  if (transits && Wanted(o, EventType::kStation) && body >= astro::kMercury)
    for (const Turn& turn : track.Turns) {
      if (turn.Moment < from || turn.Moment > to) continue;
      Event e;
      e.Type = EventType::kStation;
      e.Moment = turn.Moment;
      e.Body = body;
      e.Dir = turn.Maximum ? Direction::kRetrograde : Direction::kDirect;
      out.push_back(e);
    }

  static constexpr double kSignCusps[] = {0, 30, 60, 90, 120, 150, 180, 210, 240, 270, 300, 330};
  if (transits && Wanted(o, EventType::kIngress))
    for (const Crossing& c : FindCrossings(f, track, kSignCusps, from, to)) {
      Event e;
      e.Type = EventType::kIngress;
      e.Moment = c.Moment;
      e.Body = body;
      // Forward across a cusp enters the sign that begins there; backward, the one before it.
      e.Sign = c.Rising ? astro::SignOf(c.Level) : astro::SignOf(astro::NormalizeMod(c.Level - 15, 360));
      e.Dir = c.Rising ? Direction::kForward : Direction::kBackward;
      out.push_back(e);
    }

  if (!natal_aspects) return;
  for (size_t n = 0; n < natals.size(); ++n) {
    const astro::ChartData* natal = natals[n];
    if (!natal) continue;
    for (int target : kNatalTargets) {
      if (!o.Points.test(static_cast<size_t>(target))) continue;
      const double at = natal->Lon(target);
      if (!astro::IsValue(at) || !std::isfinite(at)) continue;
      std::vector<double> shifted;
      for (double level : levels) shifted.push_back(astro::NormalizeMod(level + at, 360));
      std::vector<Crossing> found =
          FindCrossings(f, track, shifted, from, to,
                        o.Passages ? ExactInItsHour(f, levels, at, from, to) : nullptr);
      // The level found is known by its place: taking the natal longitude off again could
      // leave 119.99999999999997 of a trine.
      for (Crossing& c : found) c.Level = levels[c.Index];
      const size_t first = natal_out[n].size();
      AddAspects(found, body, target, true, natal_out[n]);
      if (o.Passages) {
        Event like;
        like.Body = body;
        like.Other = target;
        like.OtherNatal = true;
        AddPassages(f, track, levels, at, o.OrbOf(body, target, true), from, to, like, found,
                    natal_out[n], first);
      }
    }
  }
}

void FindPairEvents(LongitudeCache& cache, const Samples& s, int a, int b, const SearchOptions& o,
                    const std::vector<double>& levels, astro::ChartMoment from, astro::ChartMoment to,
                    std::vector<Event>& out) {
  const bool aspects = Wanted(o, EventType::kAspect) && (o.Bodies.test(static_cast<size_t>(a)) ||
                                                          o.Bodies.test(static_cast<size_t>(b)));
  const bool lunations = Wanted(o, EventType::kLunation) && a == astro::kSun && b == astro::kMoon &&
                         (o.Bodies.test(astro::kSun) || o.Bodies.test(astro::kMoon));
  if (!aspects && !lunations) return;
  const AngleOfTime f = PairAngle(cache, a, b);
  const Track track = BuildTrack(f, s.Grid, s.Difference(a, b));
  // The lunations are the crossings of 0 and 180 as refined on the track.
  const bool exact_first = aspects && o.Passages && !lunations;
  const std::vector<Crossing> found =
      FindCrossings(f, track, levels, from, to,
                    exact_first ? ExactInItsHour(f, levels, 0, from, to) : nullptr);
  if (aspects) {
    const size_t first = out.size();
    AddAspects(found, a, b, false, out);
    if (o.Passages) {
      Event like;
      like.Body = a;
      like.Other = b;
      AddPassages(f, track, levels, 0, o.OrbOf(a, b, false), from, to, like, found, out, first);
    }
  }
  if (!lunations) return;
  // The Sun's aspects to the Moon are measured Sun minus Moon; the conjunction and opposition
  // are also the lunations.
  for (const Crossing& c : found) {
    if (c.Level != 0 && c.Level != 180) continue;
    Event e;
    e.Type = EventType::kLunation;
    e.Moment = c.Moment;
    e.Body = astro::kMoon;
    e.Other = astro::kSun;
    e.Aspect = c.Level;
    e.Sign = astro::SignOf(cache.Longitude(astro::kMoon, c.Moment));
    out.push_back(e);
  }
}

// The solar eclipses of the window, as a chart at a moment finds the next one. The search runs on
// the forecast's clock; its moments are taken back to true universal time.
void FindEclipses(astro::ChartMoment from, astro::ChartMoment to, std::vector<Event>& out) {
  astro::ChartMoment t = astro::ForecastClockOf(from);
  // Solar eclipses come at most five a year.
  for (int guard = 0; guard < 2 * kMaxWindowDays / 29 + 2; ++guard) {
    const astro::EclipsePair ec = astro::EclipseSearch(t);
    const astro::ChartMoment moment = astro::TrueClockOf(ec.NextMoment);
    if (!astro::IsValue(moment) || moment > to) return;
    Event e;
    e.Type = EventType::kEclipse;
    e.Moment = moment;
    e.Body = astro::kMoon;
    e.Other = astro::kSun;
    e.Aspect = 0;
    e.Sign = astro::IsValue(ec.NextMoonLongitude) ? astro::SignOf(ec.NextMoonLongitude) : 0;
    out.push_back(e);
    // The next search starts past this New Moon, well before the next one.
    t = ec.NextMoment + 2 * astro::DayInCenturies;
  }
}

void SortEvents(std::vector<Event>& events) {
  std::stable_sort(events.begin(), events.end(), [](const Event& x, const Event& y) {
    return std::tie(x.Moment, x.Type, x.Body, x.OtherNatal, x.Other) <
           std::tie(y.Moment, y.Type, y.Body, y.OtherNatal, y.Other);
  });
}

bool UsableWindow(astro::ChartMoment from, astro::ChartMoment to) {
  return astro::IsKnown(from) && astro::IsKnown(to) && to >= from;
}

// One window of at most kMaxWindowDays: the transit events (when asked) and each natal chart's.
void FindWindow(const std::vector<const astro::ChartData*>& natals, const SearchOptions& o,
                astro::ChartMoment from, astro::ChartMoment to, std::vector<Event>& out,
                std::vector<std::vector<Event>>& natal_out) {
  natal_out.assign(natals.size(), {});
  LongitudeCache cache;
  const Samples s = Sample(cache, from, to);
  const std::vector<double> levels = AspectLevels();
  for (int body = astro::kSun; body <= astro::kPluto; ++body) {
    FindBodyEvents(cache, s, body, natals, o, levels, from, to, natal_out, out);
    if (o.Transits)
      for (int other = body + 1; other <= astro::kPluto; ++other)
        FindPairEvents(cache, s, body, other, o, levels, from, to, out);
  }
  if (o.Transits && Wanted(o, EventType::kEclipse) &&
      (o.Bodies.test(astro::kSun) || o.Bodies.test(astro::kMoon)))
    FindEclipses(from, to, out);
  SortEvents(out);
  for (auto& list : natal_out) SortEvents(list);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

int AspectNumberOf(double angle) {
  for (int k = 1; k <= 5; ++k)
    if (astro::AspectAngle(k) == angle) return k;
  return 0;
}

SearchOptions::SearchOptions() {
  for (int target : kNatalTargets) Points.set(static_cast<size_t>(target));
}

std::vector<Event> FindEvents(const astro::ChartData* natal, astro::ChartMoment from, astro::ChartMoment to) {
  return FindEvents(natal, from, to, SearchOptions());
}

std::vector<Event> FindEvents(const astro::ChartData* natal, astro::ChartMoment from, astro::ChartMoment to,
                              const SearchOptions& options) {
  std::vector<Event> out;
  if (!UsableWindow(from, to) || to - from > (kMaxWindowDays + 1) * astro::DayInCenturies) return out;
  std::vector<std::vector<Event>> natal_out;
  const std::vector<const astro::ChartData*> natals = {natal};
  FindWindow(natals, options, from, to, out, natal_out);
  out.insert(out.end(), natal_out[0].begin(), natal_out[0].end());
  SortEvents(out);
  return out;
}

int SpanChunks(astro::ChartMoment from, astro::ChartMoment to) {
  if (!UsableWindow(from, to)) return 0;
  return std::max(1, static_cast<int>(std::ceil((to - from) / (kSpanChunkDays * astro::DayInCenturies))));
}

SpanEvents FindSpanChunk(const std::vector<const astro::ChartData*>& natals, bool transits,
                         astro::ChartMoment from, astro::ChartMoment to, int chunk) {
  SearchOptions o;
  o.Transits = transits;
  return FindSpanChunk(natals, o, from, to, chunk);
}

SpanEvents FindSpanChunk(const std::vector<const astro::ChartData*>& natals, const SearchOptions& options,
                         astro::ChartMoment from, astro::ChartMoment to, int chunk) {
  SpanEvents out;
  const int chunks = SpanChunks(from, to);
  if (chunk < 0 || chunk >= chunks) {
    out.Natal.assign(natals.size(), {});
    return out;
  }
  const astro::ChartMoment a = from + chunk * kSpanChunkDays * astro::DayInCenturies;
  const bool last = chunk == chunks - 1;
  const astro::ChartMoment b = last ? to : from + (chunk + 1) * kSpanChunkDays * astro::DayInCenturies;
  FindWindow(natals, options, a, b, out.Transit, out.Natal);
  // The chunks are closed intervals that share their ends: a moment on a shared end belongs to
  // the later chunk.
  auto before_end = [&](std::vector<Event>& list) {
    if (last) return;
    list.erase(std::remove_if(list.begin(), list.end(), [&](const Event& e) { return e.Moment >= b; }),
               list.end());
  };
  before_end(out.Transit);
  for (auto& list : out.Natal) before_end(list);
  return out;
}

void ForEachChunk(const astro::ChartData* natal, const SearchOptions& options, astro::ChartMoment from,
                  astro::ChartMoment to, const std::function<void(std::vector<Event>&)>& take) {
  const std::vector<const astro::ChartData*> natals = {natal};
  for (int c = 0, n = SpanChunks(from, to); c < n; ++c) {
    SpanEvents chunk = FindSpanChunk(natals, options, from, to, c);
    std::vector<Event>& events = chunk.Transit;
    events.insert(events.end(), std::make_move_iterator(chunk.Natal[0].begin()),
                  std::make_move_iterator(chunk.Natal[0].end()));
    SortEvents(events);
    take(events);
  }
}

std::vector<InOrb> AspectsInOrbAt(const astro::ChartData* natal, astro::ChartMoment t,
                                  const SearchOptions& o) {
  std::vector<InOrb> out;
  if (!astro::IsKnown(t) || !Wanted(o, EventType::kAspect)) return out;
  const std::vector<double> levels = AspectLevels();
  LongitudeCache cache;
  auto consider = [&](const AngleOfTime& f, double shift, const Event& like, double orb) {
    for (double level : levels) {
      const Deviation dev = AspectDeviation(f, level, shift);
      const double d = dev(t);
      if (!astro::IsValue(d) || std::fabs(d) > orb) continue;
      InOrb in;
      in.Aspect = like;
      in.Aspect.Type = EventType::kAspect;
      in.Aspect.Moment = t;
      in.Aspect.Aspect = AspectOfLevel(level);
      in.Aspect.Level = level;
      in.Aspect.Pass = PassageAround(dev, t, orb);
      in.Separation = d;
      in.State = MotionAt(dev, t);
      out.push_back(std::move(in));
    }
  };
  for (int body = astro::kSun; body <= astro::kPluto; ++body) {
    const bool own = o.Bodies.test(static_cast<size_t>(body));
    if (natal && own)
      for (int target : kNatalTargets) {
        const double at = natal->Lon(target);
        if (!o.Points.test(static_cast<size_t>(target)) || !astro::IsValue(at) || !std::isfinite(at))
          continue;
        Event like;
        like.Body = body;
        like.Other = target;
        like.OtherNatal = true;
        consider(BodyAngle(cache, body), at, like, o.OrbOf(body, target, true));
      }
    if (o.Transits)
      for (int other = body + 1; other <= astro::kPluto; ++other) {
        if (!own && !o.Bodies.test(static_cast<size_t>(other))) continue;
        Event like;
        like.Body = body;
        like.Other = other;
        consider(PairAngle(cache, body, other), 0, like, o.OrbOf(body, other, false));
      }
  }
  return out;
}

std::string EventId(const Event& e) {
  std::string id = TypeName(e.Type);
  switch (e.Type) {
    case EventType::kAspect: {
      static const char* const kAspectWords[] = {"conjunction", "sextile", "square", "trine", "opposition"};
      const int k = AspectNumberOf(e.Aspect);
      id += "-" + Lower(astro::ObjectName(e.Body)) + "-" + (k >= 1 ? kAspectWords[k - 1] : "aspect") + "-" +
            (e.OtherNatal ? "natal-" : "") + Lower(astro::ObjectName(e.Other));
      if (e.Pass && !e.Pass->Perfects()) id += "-closest";
      break;
    }
    case EventType::kIngress:
      id += "-" + Lower(astro::ObjectName(e.Body)) + "-" + std::to_string(e.Sign);
      break;
    case EventType::kStation:
      id += "-" + Lower(astro::ObjectName(e.Body)) + "-" + DirectionName(e.Dir);
      break;
    case EventType::kLunation: id += e.Aspect == 0 ? "-new" : "-full"; break;
    case EventType::kEclipse: id += "-solar"; break;
  }
  // The minute of the moment as printed (rounded to the second), not the nearest minute: a moment
  // found a few milliseconds apart in two windows keeps its minute unless it sits on its edge.
  const astro::CivilDate d = astro::DateFromMoment(e.Moment + 0.5 * astro::SecondInCenturies);
  const long long minutes = static_cast<long long>(std::floor(d.hours * 3600)) / 60;
  char buf[32];
  std::snprintf(buf, sizeof buf, "-%04d%02d%02dT%02lld%02lldZ", d.year, d.month, d.day, minutes / 60,
                minutes % 60);
  return id + buf;
}

void AttachDrivers(const model::TEvList& model, std::vector<Event>& events) {
  constexpr int kNatalChart = 0, kTransitChart = 1;
  for (Event& e : events) {
    e.Drivers.clear();
    const bool aspect_like = e.Type == EventType::kAspect || e.Type == EventType::kLunation;
    const int k = aspect_like ? AspectNumberOf(e.Aspect) : 0;
    if (k == 0) continue;
    const int other_chart = e.OtherNatal ? kNatalChart : kTransitChart;
    for (int i = 0; i < model.Count(); ++i) {
      const model::EventDef& d = model.Event(i).Def;
      if (d.Kind != 2) continue;
      const model::EvKind2& a = d.K.k2;
      if ((a.Coordinate != 0 && a.Coordinate != 3) || a.Harmonic != 1 || !a.Aspects.Has(k)) continue;
      const bool forward = a.FirstChart == kTransitChart && a.First.Has(e.Body) && a.SecondChart == other_chart &&
                           a.Second.Has(e.Other);
      const bool backward = a.SecondChart == kTransitChart && a.Second.Has(e.Body) && a.FirstChart == other_chart &&
                            a.First.Has(e.Other);
      if (forward || backward) e.Drivers.push_back(i);
    }
  }
}

const char* TypeName(EventType t) {
  switch (t) {
    case EventType::kAspect: return "aspect";
    case EventType::kIngress: return "ingress";
    case EventType::kStation: return "station";
    case EventType::kLunation: return "lunation";
    case EventType::kEclipse: return "eclipse";
  }
  return "";
}

const char* DirectionName(Direction d) {
  switch (d) {
    case Direction::kForward: return "forward";
    case Direction::kBackward: return "backward";
    case Direction::kRetrograde: return "retrograde";
    case Direction::kDirect: return "direct";
    case Direction::kNone: return "";
  }
  return "";
}

}  // namespace sd::timeline
