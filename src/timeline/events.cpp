#include "timeline/events.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "astro/angles.h"
#include "astro/aspects.h"
#include "astro/lunation.h"
#include "model/ev_list.h"
#include "timeline/crossings.h"
#include "timeline/longitudes.h"

namespace sd::timeline {

namespace {

// The ten bodies at every grid moment.
struct Samples {
  std::vector<ChartMoment> Grid;
  std::vector<BodyLongitudes> Lon;

  std::vector<double> Of(int body) const {
    std::vector<double> v(Grid.size());
    for (size_t i = 0; i < Grid.size(); ++i) v[i] = Lon[i][body];
    return v;
  }
  std::vector<double> Difference(int a, int b) const {
    std::vector<double> v(Grid.size());
    for (size_t i = 0; i < Grid.size(); ++i)
      v[i] = IsValue(Lon[i][a]) && IsValue(Lon[i][b]) ? Lon[i][a] - Lon[i][b] : NoValue;
    return v;
  }
};

// The grid reaches a step beyond either end, so that a turn close to an end is seen.
Samples Sample(ChartMoment from, ChartMoment to) {
  Samples s;
  const int steps = static_cast<int>(std::ceil((to - from) / kGridStep)) + 2;
  for (int i = 0; i <= steps; ++i) {
    const ChartMoment t = from + (i - 1) * kGridStep;
    s.Grid.push_back(t);
    s.Lon.push_back(TransitLongitudes(t));
  }
  return s;
}

AngleOfTime BodyAngle(int body) {
  return [body](ChartMoment t) { return TransitLongitude(body, t); };
}

AngleOfTime PairAngle(int a, int b) {
  return [a, b](ChartMoment t) { return Separation(a, b, t); };
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
    out.push_back(e);
  }
}

void FindBodyEvents(const Samples& s, int body, const std::vector<const ChartData*>& natals,
                    bool transits, const std::vector<double>& levels, ChartMoment from,
                    ChartMoment to, std::vector<std::vector<Event>>& natal_out,
                    std::vector<Event>& out) {
  const AngleOfTime f = BodyAngle(body);
  const Track track = BuildTrack(f, s.Grid, s.Of(body));

  // Stations: the planets' turns. The Sun and the Moon never turn.
  if (transits && body >= kMercury)
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
  if (transits)
    for (const Crossing& c : FindCrossings(f, track, kSignCusps, from, to)) {
      Event e;
      e.Type = EventType::kIngress;
      e.Moment = c.Moment;
      e.Body = body;
      // Forward across a cusp enters the sign that begins there; backward, the one before it.
      e.Sign = c.Rising ? SignOf(c.Level) : SignOf(NormalizeMod(c.Level - 15, 360));
      e.Dir = c.Rising ? Direction::kForward : Direction::kBackward;
      out.push_back(e);
    }

  for (size_t n = 0; n < natals.size(); ++n) {
    const ChartData* natal = natals[n];
    if (!natal) continue;
    for (int target : kNatalTargets) {
      const double at = natal->Lon(target);
      if (!IsValue(at) || !std::isfinite(at)) continue;
      std::vector<double> shifted;
      for (double level : levels) shifted.push_back(NormalizeMod(level + at, 360));
      std::vector<Crossing> found = FindCrossings(f, track, shifted, from, to);
      // The level found is known by its place: taking the natal longitude off again could
      // leave 119.99999999999997 of a trine.
      for (Crossing& c : found) c.Level = levels[c.Index];
      AddAspects(found, body, target, true, natal_out[n]);
    }
  }
}

void FindPairEvents(const Samples& s, int a, int b, const std::vector<double>& levels,
                    ChartMoment from, ChartMoment to, std::vector<Event>& out) {
  const AngleOfTime f = PairAngle(a, b);
  const Track track = BuildTrack(f, s.Grid, s.Difference(a, b));
  const std::vector<Crossing> found = FindCrossings(f, track, levels, from, to);
  AddAspects(found, a, b, false, out);
  if (a != kSun || b != kMoon) return;
  // The Sun's aspects to the Moon are measured Sun minus Moon; the conjunction and opposition
  // are also the lunations.
  for (const Crossing& c : found) {
    if (c.Level != 0 && c.Level != 180) continue;
    Event e;
    e.Type = EventType::kLunation;
    e.Moment = c.Moment;
    e.Body = kMoon;
    e.Other = kSun;
    e.Aspect = c.Level;
    e.Sign = SignOf(TransitLongitude(kMoon, c.Moment));
    out.push_back(e);
  }
}

// The solar eclipses of the window, as a chart at a moment finds the next one.
void FindEclipses(ChartMoment from, ChartMoment to, std::vector<Event>& out) {
  ChartMoment t = from;
  // Solar eclipses come at most five a year.
  for (int guard = 0; guard < 2 * kMaxWindowDays / 29 + 2; ++guard) {
    const EclipsePair ec = EclipseSearch(t);
    if (!IsValue(ec.NextMoment) || ec.NextMoment > to) return;
    Event e;
    e.Type = EventType::kEclipse;
    e.Moment = ec.NextMoment;
    e.Body = kMoon;
    e.Other = kSun;
    e.Aspect = 0;
    e.Sign = IsValue(ec.NextMoonLongitude) ? SignOf(ec.NextMoonLongitude) : 0;
    out.push_back(e);
    // The next search starts past this New Moon, well before the next one.
    t = ec.NextMoment + 2 * DayInCenturies;
  }
}

void SortEvents(std::vector<Event>& events) {
  std::stable_sort(events.begin(), events.end(), [](const Event& x, const Event& y) {
    return std::tie(x.Moment, x.Type, x.Body, x.OtherNatal, x.Other) <
           std::tie(y.Moment, y.Type, y.Body, y.OtherNatal, y.Other);
  });
}

bool UsableWindow(ChartMoment from, ChartMoment to) {
  return IsValue(from) && IsValue(to) && std::isfinite(from) && std::isfinite(to) && to >= from;
}

// One window of at most kMaxWindowDays: the transit events (when asked) and each natal chart's.
void FindWindow(const std::vector<const ChartData*>& natals, bool transits, ChartMoment from,
                ChartMoment to, std::vector<Event>& out, std::vector<std::vector<Event>>& natal_out) {
  natal_out.assign(natals.size(), {});
  const Samples s = Sample(from, to);
  const std::vector<double> levels = AspectLevels();
  for (int body = kSun; body <= kPluto; ++body) {
    FindBodyEvents(s, body, natals, transits, levels, from, to, natal_out, out);
    if (transits)
      for (int other = body + 1; other <= kPluto; ++other)
        FindPairEvents(s, body, other, levels, from, to, out);
  }
  if (transits) FindEclipses(from, to, out);
  SortEvents(out);
  for (auto& list : natal_out) SortEvents(list);
}

}  // namespace

int AspectNumberOf(double angle) {
  for (int k = 1; k <= 5; ++k)
    if (AspectAngle(k) == angle) return k;
  return 0;
}

std::vector<Event> FindEvents(const ChartData* natal, ChartMoment from, ChartMoment to) {
  std::vector<Event> out;
  if (!UsableWindow(from, to) || to - from > (kMaxWindowDays + 1) * DayInCenturies) return out;
  std::vector<std::vector<Event>> natal_out;
  const std::vector<const ChartData*> natals = {natal};
  FindWindow(natals, true, from, to, out, natal_out);
  out.insert(out.end(), natal_out[0].begin(), natal_out[0].end());
  SortEvents(out);
  return out;
}

int SpanChunks(ChartMoment from, ChartMoment to) {
  if (!UsableWindow(from, to)) return 0;
  return std::max(1, static_cast<int>(std::ceil((to - from) / (kSpanChunkDays * DayInCenturies))));
}

SpanEvents FindSpanChunk(const std::vector<const ChartData*>& natals, bool transits, ChartMoment from,
                         ChartMoment to, int chunk) {
  SpanEvents out;
  const int chunks = SpanChunks(from, to);
  if (chunk < 0 || chunk >= chunks) {
    out.Natal.assign(natals.size(), {});
    return out;
  }
  const ChartMoment a = from + chunk * kSpanChunkDays * DayInCenturies;
  const bool last = chunk == chunks - 1;
  const ChartMoment b = last ? to : from + (chunk + 1) * kSpanChunkDays * DayInCenturies;
  FindWindow(natals, transits, a, b, out.Transit, out.Natal);
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
      if ((a.V7 != 0 && a.V7 != 3) || a.A9 != 1 || !a.A2.Has(k)) continue;
      const bool forward = a.A0 == kTransitChart && a.A1.Has(e.Body) && a.A3 == other_chart &&
                           a.A4.Has(e.Other);
      const bool backward = a.A3 == kTransitChart && a.A4.Has(e.Body) && a.A0 == other_chart &&
                            a.A1.Has(e.Other);
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
