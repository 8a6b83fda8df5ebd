#include <cstring>

#include "eval/event_frame.h"
#include "eval/angle_factors.h"
#include "eval/aspect_events.h"
#include "eval/calendar_factors.h"
#include "eval/cluster_factors.h"
#include "eval/formula_factors.h"
#include "eval/house_ruler_factors.h"
#include "eval/metric_factors.h"
#include "eval/orbit_point_factors.h"
#include "eval/phase_factors.h"
#include "eval/relative_factors.h"
#include "eval/rulership_factors.h"
#include "eval/signs_factors.h"
#include "eval/speed_factors.h"
#include "eval/time_factors.h"
#include "eval/user_wave_factors.h"
#include "eval/void_moon_factors.h"

namespace sd::eval {

namespace {

using KindFn = void (*)(KindContext&);

struct KindEntry {
  KindFn fn;                // null: the kind never scores
  bool graded_by_strength;  // one hit adds its strength (true) or 1 (false)
};

// By kind number. Kinds without a function: no factor test is defined for them (4, 5, 6, 10,
// 13, 25, 27, 30, 31, 32, 42, 43), or they never hit (22, 26, 28, 34..38: a price series or an
// external ephemeris flag that this system never has).
constexpr KindEntry kKinds[model::kKindCount] = {
    /* 0 */ {ScoreSignsAndHouses, false},
    /* 1 */ {ScoreSpeedAndStations, false},
    /* 2 */ {ScoreAspects, true},
    /* 3 */ {ScoreMidpoints, true},
    /* 4 */ {nullptr, false},
    /* 5 */ {nullptr, false},
    /* 6 */ {nullptr, false},
    /* 7 */ {ScorePhase, false},
    /* 8 */ {ScoreAngles, true},
    /* 9 */ {ScoreOrbitPoints, false},
    /* 10 */ {nullptr, true},
    /* 11 */ {ScoreBehindOrAhead, false},
    /* 12 */ {ScoreBetween, false},
    /* 13 */ {nullptr, true},
    /* 14 */ {ScoreCalendar, false},
    /* 15 */ {ScoreVoidOfCourseMoon, false},
    /* 16 */ {ScoreFormulaPoint, true},
    /* 17 */ {ScoreTrailingPlanet, false},
    /* 18 */ {ScoreInterception, false},
    /* 19 */ {ScoreMutualReception, false},
    /* 20 */ {ScoreHousesInMutualReception, false},
    /* 21 */ {ScoreHouseRuler, false},
    /* 22 */ {nullptr, false},
    /* 23 */ {ScoreCluster, false},
    /* 24 */ {ScoreDignity, false},
    /* 25 */ {nullptr, false},
    /* 26 */ {nullptr, true},
    /* 27 */ {nullptr, false},
    /* 28 */ {nullptr, false},
    /* 29 */ {ScoreYearsSinceFirstTrade, false},
    /* 30 */ {nullptr, true},
    /* 31 */ {nullptr, true},
    /* 32 */ {nullptr, true},
    /* 33 */ {ScorePlanetPairMetric, true},
    /* 34 */ {nullptr, true},
    /* 35 */ {nullptr, true},
    /* 36 */ {nullptr, true},
    /* 37 */ {nullptr, true},
    /* 38 */ {nullptr, true},
    /* 39 */ {ScoreTimeThreshold, true},
    /* 40 */ {ScoreTimeCycle, true},
    /* 41 */ {ScoreUserWave, true},
    /* 42 */ {nullptr, true},
    /* 43 */ {nullptr, true},
};

}  // namespace

KindScoring ScoringOf(int kind) {
  if (kind < 0 || kind >= model::kKindCount) return {false, false};
  return {kKinds[kind].fn != nullptr, kKinds[kind].graded_by_strength};
}

bool KindContext::Admit(std::initializer_list<int> objects) {
  int n = 0;
  for (int o : objects)
    if (n < 3) Factor.Obj[n++] = static_cast<uint8_t>(o);
  const astro::MomentSnapshot* snaps[] = {In->Transit[kAt]};
  return model::EventCondition(Factor, snaps, *In->Natal[kAt]);
}

bool KindContext::Qualifies(int object, int chart, const model::Qualifier& q, int coordinate) const {
  const astro::MomentSnapshot* companion[] = {In->Transit[kAfter]};
  const astro::MomentSnapshot* snaps[] = {In->Transit[kAt]};
  return model::QualifierTest(object, chart, q, coordinate, companion, snaps, *In->Natal[kAfter],
                              *In->Natal[kAt]);
}

void KindContext::Hit(double strength) {
  ++Result.Hits;
  Result.Graded += graded_by_strength_ ? strength : 1.0;
}

EventResult EvaluateEvent(const model::EventDef& def, const EventInputs& in) {
  if (def.Kind >= model::kKindCount) return {};
  const KindEntry& entry = kKinds[def.Kind];
  if (!entry.fn) return {};
  KindContext ctx(def, in, entry.graded_by_strength);
  entry.fn(ctx);
  return ctx.Result;
}

}  // namespace sd::eval
