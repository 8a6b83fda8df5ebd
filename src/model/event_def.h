#pragma once
// The event definition: one astrological factor of a model, as the event parser fills it from
// a model-file section and the evaluation reads it. The record is a packed fixed layout: a part
// common to all kinds, the kind byte, then 342 bytes in which every kind lays out its own fields
// one after the other. The kinds overlay one another in those bytes, and a field whose default
// is "kept" inherits whatever the previous event (of any kind) left there, so every offset below
// matters and is pinned by static_asserts. The fields of the kinds that score are named for what
// they hold, their model-file key beside each (the parser's table, keywords.cpp, maps the keys);
// the kinds that never score keep the keys' names. What each key means is in the model guide,
// docs/model-format.md.
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "astro/object_set.h"
#include "astro/short_text.h"

namespace sd::model {

inline constexpr int kKindCount = 44;        // kinds 0..43
inline constexpr int kKindPartBytes = 342;
inline constexpr uint8_t kUnmapped = 255;    // an object number with no place in the numbering

#pragma pack(push, 1)

// Sign / house / ruled-house / motion condition on one object (tested by QualifierTest).
struct Qualifier {
  uint8_t Signs[16];        // bits 1..12: signs
  uint8_t Houses[16];       // bits 1..12: houses
  uint8_t RuledHouses[16];  // bits 1..12: houses whose cusp sign the object rules
  uint8_t HouseSource;      // 0..49; non-zero: cusps from the transit snapshot
  uint8_t RuledSource;      // 0..49; likewise for the ruled-house cusps
  uint8_t Motion;           // 0 none, 1 direct, 2 retrograde
  uint8_t AllConditions;    // 1: every condition must hold; 0: any one
  uint8_t Negate;           // 1: the ruled-house condition is inverted

  static bool Bit(const uint8_t* set, int n) { return (set[n >> 3] >> (n & 7)) & 1; }
  static void SetBit(uint8_t* set, int n) { set[n >> 3] |= static_cast<uint8_t>(1u << (n & 7)); }
  static bool Empty(const uint8_t* set) {
    for (int i = 0; i < 16; ++i)
      if (set[i]) return false;
    return true;
  }
};

struct PriceLevel {
  uint8_t B;
  double R;
  int32_t I1;
  int32_t I2;
};

struct WaveComponent {
  float A, B, Z;  // a·sin(x·z) + b·cos(x·z)
};

struct UserWave {
  uint8_t B0;
  double Period;            // days
  uint8_t Bytes[9];
  WaveComponent Comp[12];
};

struct EvKind0 {
  uint8_t Chart;             // P0
  astro::ObjectSet Objects;  // P1
  astro::ObjectSet Houses;   // P2
  astro::ObjectSet Signs;    // P3
  uint8_t Coordinate;        // P4
  uint8_t CuspChart;         // P5
  uint8_t IngressDirection;  // P6
};
struct EvKind1 {
  uint8_t Chart;             // V0
  astro::ObjectSet Objects;  // V1
  uint8_t SpeedClasses;      // V2
  uint8_t Acceleration;      // V3
  uint8_t Motion;            // V4
  uint8_t Coordinate;        // V5
};
struct EvKind2 {
  uint8_t FirstChart;         // A0
  astro::ObjectSet First;     // A1
  Qualifier FirstQualifier;   // A11
  astro::ObjectSet Aspects;   // A2
  uint8_t SecondChart;        // A3
  astro::ObjectSet Second;    // A4
  Qualifier SecondQualifier;  // A44
  uint8_t Phases;             // A5
  double Orb;                 // A6
  uint8_t Coordinate;         // V7
  uint8_t Side;               // A8
  uint8_t Harmonic;           // A9
  uint8_t MeanMotion;         // A55
};
struct EvKind3 {
  uint8_t PairChart;               // M0
  astro::ObjectSet FirstMembers;   // M1
  astro::ObjectSet SecondMembers;  // M2
  astro::ObjectSet Aspects;        // M3
  uint8_t ThirdChart;              // M4
  astro::ObjectSet Third;          // M5
  double Orb;                      // M6
  uint8_t Coordinate;              // M7
  uint8_t Harmonic;                // M8
};
struct EvKind4 { uint8_t C0; astro::ObjectSet C1, C2; uint8_t C3; double C4, C5; };
struct EvKind5 { uint8_t V1; astro::ObjectSet V2; uint8_t V3; double V4, V5; uint8_t V6; };
struct EvKind6 { uint8_t D1, D2; astro::ObjectSet D3; uint8_t D4; double D5, D6; uint8_t D7; };
struct EvKind7 {
  uint8_t Object;           // F0
  uint8_t Chart;            // F1
  astro::ObjectSet Phases;  // F2
  astro::ObjectSet Thirds;  // F3
};
struct EvKind8 {
  uint8_t FirstChart;       // AN1
  astro::ObjectSet First;   // AN2
  uint8_t SecondChart;      // AN3
  astro::ObjectSet Second;  // AN4
  double Target;            // AN5
  double Orb;               // AN6
  uint8_t Combination;      // AN61
  uint8_t Coordinate;       // AN7
  uint8_t Phases;           // AN8
};
struct EvKind9 {
  uint8_t Chart;             // O1
  astro::ObjectSet Planets;  // O2
  astro::ObjectSet Points;   // O3
  double Orb;                // O4
};
struct EvKind10 {
  uint8_t F1; astro::ObjectSet F2; Qualifier F2A; uint8_t F3; astro::ObjectSet F4, F5; double F6; uint8_t F7;
};
struct EvKind11 {
  uint8_t TestedChart;      // LR1
  astro::ObjectSet Tested;  // LR2
  uint8_t ReferenceChart;   // LR3
  uint8_t Reference;        // LR4
  uint8_t Side;             // LR5
  double Orb;               // LR6
};
struct EvKind12 {
  uint8_t TestedChart;      // BT1
  astro::ObjectSet Tested;  // BT2
  uint8_t ReferenceChart;   // BT3
  uint8_t FirstReference;   // BT4
  uint8_t SecondReference;  // BT5
  double LargestArc;        // BT6
};
struct EvKind13 { uint8_t CT0, CT1; astro::ObjectSet CT2; uint8_t CT3, CT4, CT5; double CT6; int32_t CT7; };
struct EvKind14 {
  uint8_t Mode;                // DAY1
  astro::ObjectSet Weekdays;   // DAY2
  astro::ObjectSet MonthDays;  // DAY3
  astro::ObjectSet Months;     // DAY4
  int32_t WindowStart;         // DAY5
  int32_t WindowEnd;           // DAY6
};
struct EvKind15 {
  uint8_t Chart;              // VC0
  astro::ObjectSet Aspected;  // VC1
  astro::ObjectSet Aspects;   // VC2
};
struct EvKind16 {
  uint8_t Object1;             // PT1
  uint8_t Object2;             // PT2
  uint8_t Object3;             // PT3
  uint8_t Object4;             // PT35
  uint8_t Code1;               // PT4
  uint8_t Code2;               // PT5
  uint8_t Code3;               // PT6
  uint8_t Code4;               // PT65
  double Constant;             // PT100
  astro::ObjectSet Aspects;    // PT7
  astro::ObjectSet Aspecting;  // PT8
  uint8_t Charts;              // PT9
  double Orb;                  // PT10
  uint8_t Harmonic;            // PT11
  uint8_t Coordinate;          // PT12
};
struct EvKind17 {
  uint8_t Chart;      // FPB1
  uint8_t Reference;  // FPB2
  uint8_t Trailing;   // FPB3
};
struct EvKind18 {
  uint8_t Mode;             // IPL4
  astro::ObjectSet Houses;  // IPL5
  uint8_t ObjectChart;      // IPL1
  uint8_t Object;           // IPL2
  uint8_t HouseChart;       // IPL3
};
struct EvKind19 {
  uint8_t Chart;   // ZR1
  uint8_t First;   // ZR2
  uint8_t Second;  // ZR3
};
struct EvKind20 {
  uint8_t Chart;        // HR1
  uint8_t FirstHouse;   // HR2
  uint8_t SecondHouse;  // HR3
};
struct EvKind21 {
  uint8_t RulerChart;        // RS1
  uint8_t CuspChart;         // RS1A
  uint8_t House;             // RS2
  uint8_t Test;              // RS3
  astro::ObjectSet Signs;    // RS4
  astro::ObjectSet Houses;   // RS5
  uint8_t Direction;         // RS6
  uint8_t SecondHouse;       // RS7
  astro::ObjectSet Aspects;  // RS8
  double Orb;                // RS9
  uint8_t Dignity;           // RS10
};
struct EvKind22 { uint8_t MM1, MM2; astro::ShortText<15> MM3; double MM4; uint8_t MM5; };
struct EvKind23 {
  uint8_t Chart;             // IS1
  uint8_t Harmonic;          // IS2
  astro::ObjectSet Objects;  // IS3
  uint8_t Count;             // IS4
  double Width;              // IS5
  double Centre;             // IS6
  uint8_t Heliocentric;      // IS7
};
struct EvKind24 {
  uint8_t Chart;             // PD1
  uint8_t DignityBy;         // PD2
  uint8_t Dignity;           // PD3
  astro::ObjectSet Objects;  // PD4
};
struct EvKind25 { uint8_t MA1, MA2; astro::ObjectSet MA3, MA3A; Qualifier MA4; astro::ObjectSet MA5; };
struct EvKind26 { uint8_t ATA1; int32_t ATA2[70]; astro::ObjectSet ATA3; uint8_t ATA4; astro::ObjectSet ATA5; double ATA6; };
struct EvKind27 {
  uint8_t ZA1; astro::ObjectSet ZA2; Qualifier ZA3; uint8_t ZA4; astro::ObjectSet ZA5; Qualifier ZA6;
  uint8_t ZA7, ZA8; astro::ObjectSet ZA9;
};
struct EvKind29 {
  uint8_t Mode;        // TST1
  double FirstYears;   // TST2
  double SecondYears;  // TST3
};
struct EvKind30 {
  uint8_t NEV1, NEV2; double NEV3, NEV4; uint8_t NEV5, NEV6, NEV7, NEV8; double NEV9;
};
struct EvKind31 {
  uint8_t NUMANGL1, NUMANGL2, NUMANGL3, NUMANGL4, NUMANGL5, NUMANGL6, NUMANGL7;
  double NUMANGL8, NUMANGL9;
};
struct EvKind32 { uint8_t PL_HOURS2, PL_HOURS3; astro::ObjectSet PL_HOURS1; };
struct EvKind33 {
  uint8_t EditorByte;    // METR1
  uint8_t Form;          // METR11
  uint8_t FirstPlanet;   // METR2
  uint8_t SecondPlanet;  // METR3
  double Multiplier;     // METR4
  uint8_t DropTurns;     // METR5
};
struct EvKind34 { int32_t PRICE0; uint8_t PRICE2; int32_t PRICE5; PriceLevel PRICE3; };
struct EvKind35 {
  int32_t PRICE1; PriceLevel PRICE3, PRICE5, PRICE7; int32_t PRICE8, PRICE9, PRICE10;
};
struct EvKind36 {
  uint8_t PRICE1, PRICE2, PRICE3, PRICE4, PRICE5, PRICE6, PRICE7, PRICE8;
  uint8_t PRICE_1[10];  // "PRICE_1_1".."PRICE_1_10"
};
struct EvKind37 { int32_t PR_M0, PR_M1; astro::ObjectSet PR_M2; };
struct EvKind39 {
  int32_t Mode;   // IMPORTANT_T1
  double Moment;  // IMPORTANT_T2
};
struct EvKind40 {
  double Period;       // INTERACT_1
  double TargetPhase;  // INTERACT_2
  double Orb;          // INTERACT_3
  uint8_t Shape;       // INTERACT_4
};
struct EvKind41 {
  UserWave Wave;  // UWAVE
};
struct EvKind42 { uint8_t U_R_1, U_R_2, U_R_3, U_R_4; astro::ObjectSet U_R_5; uint8_t U_R_6; };
struct EvKind43 { int32_t I_1; double I_2; astro::ObjectSet I_3; int32_t I_4; };

union EvKindPart {
  EvKindPart() : Raw{} {}
  uint8_t Raw[kKindPartBytes];
  EvKind0 k0; EvKind1 k1; EvKind2 k2; EvKind3 k3; EvKind4 k4; EvKind5 k5; EvKind6 k6;
  EvKind7 k7; EvKind8 k8; EvKind9 k9; EvKind10 k10; EvKind11 k11; EvKind12 k12; EvKind13 k13;
  EvKind14 k14; EvKind15 k15; EvKind16 k16; EvKind17 k17; EvKind18 k18; EvKind19 k19;
  EvKind20 k20; EvKind21 k21; EvKind22 k22; EvKind23 k23; EvKind24 k24; EvKind25 k25;
  EvKind26 k26; EvKind27 k27; EvKind29 k29; EvKind30 k30; EvKind31 k31; EvKind32 k32;
  EvKind33 k33; EvKind34 k34; EvKind35 k35; EvKind36 k36; EvKind37 k37; EvKind39 k39;
  EvKind40 k40; EvKind41 k41; EvKind42 k42; EvKind43 k43;
};

struct EventDef {
  uint8_t CM;          // "_CM"
  int32_t C;           // "_C"
  int32_t GrInd;       // group number, 1..49999 or 0
  double Probab;
  int32_t COF;         // "_COF"
  uint8_t Work1;
  uint8_t UVL1;        // use flag
  uint8_t Work2[5];
  int32_t VVal[7];     // "VVal1".."VVal7"
  uint8_t Kind;        // "_T"
  EvKindPart K;
};

#pragma pack(pop)

static_assert(std::is_trivially_copyable_v<EventDef>, "events are copied as raw bytes");

static_assert(sizeof(Qualifier) == 53);
static_assert(sizeof(PriceLevel) == 17);
static_assert(sizeof(UserWave) == 162);
static_assert(sizeof(EvKind26) == kKindPartBytes, "the largest kind fills the kind part exactly");
static_assert(sizeof(EvKindPart) == kKindPartBytes);
static_assert(offsetof(EventDef, VVal) == 28);
static_assert(offsetof(EventDef, Kind) == 56);
static_assert(offsetof(EventDef, K) == 57);
static_assert(sizeof(EventDef) == 399);

}  // namespace sd::model
