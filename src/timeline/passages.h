#pragma once
// The passage of an aspect through its orb: when the separation comes within the orb, every
// moment it is exact, when it leaves the orb, and for one that turns back before exactness the
// moment and separation of its closest approach.
//
// An aspect is followed as its deviation from exact, Wrap180(angle - level) in degrees: the
// transit body's longitude less the natal point's and the aspect, or the separation of two
// transit bodies less the aspect. The passage holds the moments at which |deviation| <= orb
// without a break. It is walked from a moment inside it, backward and forward, on whole days of
// universal time (the timeline's grid step, which moves the Moon about 15 degrees and every other
// body far less than an orb), so its ends are searched as far as they lie, up to
// kPassageSearchDays either way. Between two samples at most one turn of the angle can fall
// (turns are weeks apart), so a sign change of the deviation is one exact moment and a sample
// outside the orb follows exactly one exit; an excursion out of the orb and back within one day,
// which only a body lingering at a station at the orb's very edge could make, is not seen.
//
// Every moment is refined last in the whole hour of universal time that holds it, so the same
// passage walked from any of its moments, in any window, gives the same numbers to the bit.
#include <functional>
#include <vector>

#include "astro/moment.h"

namespace sd::timeline {

// Degrees from exact, (-180, 180]; NoValue where the positions are unknown.
using Deviation = std::function<double(astro::ChartMoment)>;

// How far beyond the moment a passage is known from its start and end are looked for: three
// years, longer than any passage of a planet to a natal point (Pluto's longest, at a station, last
// about two). Only pairs of slow planets in aspect for decades (Neptune sextile Pluto) exceed it:
// their start or end is then unknown.
inline constexpr int kPassageSearchDays = 1096;

struct Passage {
  double Orb = 0;                                 // degrees
  astro::ChartMoment Start = astro::kNoMoment;    // enters the orb; kNoMoment beyond kPassageSearchDays
  astro::ChartMoment End = astro::kNoMoment;      // leaves it; kNoMoment beyond kPassageSearchDays
  // Every exact moment, in order: one, or three round a station.
  std::vector<astro::ChartMoment> Exact;
  astro::ChartMoment Closest = astro::kNoMoment;  // does not perfect: the moment |deviation| is least
  double ClosestSeparation = astro::NoValue;      // |deviation| there, degrees

  bool Perfects() const { return !Exact.empty(); }
};

// The passage that holds `inside`, where |dev(inside)| <= orb. A passage with no exact moment has
// its closest approach filled in.
Passage PassageAround(const Deviation& dev, astro::ChartMoment inside, double orb);
// The same from a moment known to be exact: a root of dev that RootInHourNear gave. Its deviation
// is taken for 0 without being computed; the moment is listed as CanonicalRoot finds it again.
Passage PassageThrough(const Deviation& dev, astro::ChartMoment exact, double orb);

// A root of g known to lie within a second or so of r, found again in the whole hour of universal
// time that holds it (or the hour before or after, when r is at an hour's edge); r itself when no
// such hour brackets a root.
astro::ChartMoment CanonicalRoot(const Deviation& g, astro::ChartMoment r);
// The same search from a moment within an hour or so of the root: the first of the whole hours
// holding r, before it and after it whose ends bracket a root gives it, refined in that hour;
// kNoMoment when none does.
astro::ChartMoment RootInHourNear(const Deviation& g, astro::ChartMoment r);

// A turn of the deviation (its rate changes sign) within a day of `near`, refined; kNoMoment when
// there is none.
astro::ChartMoment TurnNear(const Deviation& dev, astro::ChartMoment near);

enum class Motion { kApplying, kSeparating, kStill };
// Whether |deviation| is shrinking (applying) or growing (separating) at t.
Motion MotionAt(const Deviation& dev, astro::ChartMoment t);
const char* MotionName(Motion m);

}  // namespace sd::timeline
