#pragma once
// The two filters every candidate of an event passes before its factor test: the event
// condition (are the candidate's objects present in the charts the event names, and usable in
// its coordinate?) and the object qualifier (sign, house, ruled-house and motion conditions).
// Both read the charts in place and allocate nothing.
#include <span>

#include "astro/chart_data.h"
#include "astro/moment_snapshot.h"
#include "astro/object_set.h"
#include "model/event_def.h"

namespace sd::model {

// The event definition with the candidate filled in, as the evaluation hands it to the
// condition test and the factor test.
struct FactorRecord {
  EventDef Def;          // Def.Kind is the factor kind
  // The members of the kind's set keys that form the candidate, in the order of those keys:
  // kind 0 "P1"; 1 "V1"; 2 "A1", "A4"; 3 "M1", "M2", "M5"; 4 "C1"; 5 "V2"; 6 "D3"; 8 "AN2",
  // "AN4"; 9 "O2"; 10 "F2"; 11 "LR2"; 12 "BT2"; 13 "CT2"; 16 "PT8"; 24 "PD4"; 26 "ATA5";
  // 27 "ZA2", "ZA5". Object keys ("D2", "F0", "LR4", ...) are read from Def itself.
  uint8_t Obj[3] = {};
  astro::ObjectSet Second;      // kind 10: the second objects built from "F4"
};

// Transit snapshots in the order the evaluation passes them; chart selector k >= 1 names
// entry k - 1. A selector beyond the list names no chart: nothing is present there.
using Snapshots = std::span<const astro::MomentSnapshot* const>;

// Which objects have a value in a coordinate (the coordinate is taken modulo 128):
// 0, 5, 10 all; 1, 3, 4, 6, 8, 13 the planets 0..9; 2 the Sun, Mercury..Pluto, the node (30)
// and the composite point (34); 7, 11 Moon..Pluto; 9 Mercury..Pluto; 12 the Sun and
// Mercury..Pluto; any other coordinate none.
bool CoordinateAllows(int coordinate, int object);
// CoordinateAllows for every member below 40 of the set.
bool CoordinateAllowsAll(int coordinate, const astro::ObjectSet& objects);

bool QualifierActive(const Qualifier& q);
// Byte-equal, or both inactive.
bool QualifiersEqual(const Qualifier& a, const Qualifier& b);

// Present in chart k: natal (k = 0) when its ObjectOn flag is set, transit snapshot k when
// its longitude there is known.
bool PresentInChart(int object, int chart, Snapshots snaps, const astro::ChartData& natal);
// Present in mode m: 0 natal, 1 the first snapshot; any other mode asks for nothing.
bool PresentInMode(int object, int mode, Snapshots snaps, const astro::ChartData& natal);

bool EventCondition(const FactorRecord& rec, Snapshots snaps, const astro::ChartData& natal);

// Whether object n in chart k satisfies qualifier q. The companion snapshots and chart give
// the object's longitude at the other moment of the motion condition.
bool QualifierTest(int object, int chart, const Qualifier& q, int coordinate,
                   Snapshots companion_snaps, Snapshots snaps, const astro::ChartData& companion_natal,
                   const astro::ChartData& natal);

}  // namespace sd::model
