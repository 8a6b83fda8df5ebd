#pragma once
// The event level: the frame every event kind runs in. One `KindContext` lives for one event
// at one moment; the kind's function loops over its candidates, asks `Admit` before every
// factor test and reports each success with `Hit`.
//
// Each scored kind has a scorer named for what it scores (`void ScoreAspects(KindContext&)`) in
// its family's own source, declared in that source's header above the list of the model-file keys
// it reads, the field each fills and what it means; the dispatch table (event_frame.cpp) names the
// scorer of each kind number and says whether one hit adds 1 or the strength to the graded value. What each kind scores and the keys it
// reads are in the model guide, docs/model-format.md, under the kind's number.
#include <cstdint>
#include <initializer_list>

#include "astro/chart_data.h"
#include "astro/moment_snapshot.h"
#include "eval/weighted_sum.h"
#include "model/conditions.h"
#include "model/event_def.h"

namespace sd::eval {

// What every event of one moment sees.
struct EventInputs {
  const astro::MomentSnapshot* Transit[4] = {};  // by StencilPoint
  const astro::ChartData* Natal[4] = {};  // by StencilPoint: extrapolated, at, at + delta, extrapolated
  astro::ChartMoment Moment = astro::kNoMoment;
  double DeltaDays = 0;                   // natal stencil step
  double GridStepDays = 0;                // transit stencil step
  astro::ChartMoment NatalMoment = astro::kNoMoment;
  PassThroughOptions Options;
  const TPlanetary_T* Metrics = nullptr;  // null: no table
};

// The sums an event hands back to the model level.
struct EventResult {
  int Hits = 0;
  long double Graded = 0;
};

class KindContext {
 public:
  KindContext(const model::EventDef& def, const EventInputs& in, bool graded_by_strength)
      : In(&in), graded_by_strength_(graded_by_strength) {
    Factor.Def = def;
  }

  // The factor record: a private copy of the event's definition, with the current candidate
  // written in by Admit.
  model::FactorRecord Factor;
  const model::EventDef& Def() const { return Factor.Def; }
  // The charts the tests read. A kind that builds its own stencil (private copies of the
  // charts) points this at them for the rest of the event.
  const EventInputs* In;
  EventResult Result;

  const astro::MomentSnapshot& TransitAt(StencilPoint p) const { return *In->Transit[p]; }
  const astro::ChartData& NatalAt(StencilPoint p) const { return *In->Natal[p]; }

  // Writes the candidate's objects (in the order of the kind's set keys, see FactorRecord)
  // into the factor record and runs the event condition test on the transit snapshot and the
  // natal chart at t: false means skip the candidate.
  bool Admit(std::initializer_list<int> objects);
  // The object qualifier test of one object of the candidate: chart selector (0 natal, 1 the
  // moment's transit snapshot), the qualifier, and the coordinate the kind measures in. The
  // motion condition compares with t + step.
  bool Qualifies(int object, int chart, const model::Qualifier& q, int coordinate) const;

  // One success of the factor test, of the given strength.
  void Hit(double strength);

 private:
  bool graded_by_strength_;
};

// Evaluates one event (a private copy of its definition) at the moment of `in`.
EventResult EvaluateEvent(const model::EventDef& def, const EventInputs& in);

// Whether the evaluation can ever score the kind, and whether one hit adds its strength
// (true) or 1 (false) to the graded value.
struct KindScoring {
  bool scored;
  bool graded_by_strength;
};
KindScoring ScoringOf(int kind);

}  // namespace sd::eval
