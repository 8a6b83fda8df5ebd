#pragma once
// House rulers: the rulers of a house of one chart against the positions of another.
#include "eval/event_frame.h"

namespace sd::eval {

// The event level: the candidate loops inside the frame of event_frame.h.

// Kind 21: 1 when the ruler of the house passes the test. Model guide (docs/model-format.md):
// "House rulers (kind 21)". Reads, by file key and field:
//   RS1  RulerChart  chart of the ruler's position: 0 natal, 1 transit
//   RS1A CuspChart   chart of the cusps: 0 natal, 1 transit. The transit chart has no cusps, so
//                    RS1A=1 never scores in a forecast.
//   RS2  House       the house 1..12 whose ruler is tested; any other number never scores
//   RS3  Test        the test, 0..6 (below); any other number never scores
//   RS4  Signs       test 0: signs 1..12
//   RS5  Houses      test 1: houses 1..12, among the cusps of RS1A
//   RS6  Direction   test 2: 0 retrograde, any other value direct
//   RS7  SecondHouse test 3: the second house 1..12
//   RS8  Aspects     test 3: aspect numbers (as for kind 2)
//   RS9  Orb         test 3: orb in degrees (strictly within)
//   RS10 Dignity     tests 4 and 5: the dignity, 0 rules, 1 exalted, 2 detriment, 3 fall
void ScoreHouseRuler(KindContext& ctx);

}  // namespace sd::eval
