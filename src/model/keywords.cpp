#include "model/keywords.h"

#include <cstddef>

#include "model/event_def.h"

namespace sd::model {

int FieldSize(FieldType t) {
  switch (t) {
    case FieldType::Byte: case FieldType::Bool: case FieldType::Object:
    case FieldType::Mask3: case FieldType::Mask2: return 1;
    case FieldType::Int: return 4;
    case FieldType::Real: return 8;
    case FieldType::Set: case FieldType::SetRenum: return astro::ObjectSet::kBytes;
    case FieldType::Qualifier: return sizeof(Qualifier);
    case FieldType::PriceLevel: return sizeof(PriceLevel);
    case FieldType::Text15: return 16;
    case FieldType::Ints70: return 70 * 4;
    case FieldType::UserWave: return sizeof(UserWave);
  }
  return 0;
}

namespace {

const astro::ObjectSet kSet123{1, 2, 3};
const astro::ObjectSet kSetSunPlanets{0, 2, 3, 4, 5, 6, 7, 8, 9};
const astro::ObjectSet kSet1to5 = astro::ObjectSet::Range(1, 5);
const astro::ObjectSet kSetMoon{1};
const astro::ObjectSet kSet0to9 = astro::ObjectSet::Range(0, 9);

// A field with a fixed number default, a kept default, a fixed set default: the key as the
// model file writes it, the field of the kind's record it fills (named for what it means).
#define FX(key, S, m, T, v) {key, FieldType::T, offsetof(S, m), false, v, nullptr}
#define KP(key, S, m, T) {key, FieldType::T, offsetof(S, m), true, 0, nullptr}
#define FS(key, S, m, T, set) {key, FieldType::T, offsetof(S, m), false, 0, set}

const FieldSpec k0[] = {
    FX("P0", EvKind0, Chart, Byte, 0),
    FS("P1", EvKind0, Objects, SetRenum, nullptr),
    FS("P2", EvKind0, Houses, Set, nullptr),
    FS("P3", EvKind0, Signs, Set, nullptr),
    FX("P4", EvKind0, Coordinate, Byte, 0),
    FX("P5", EvKind0, CuspChart, Byte, 0),
    FX("P6", EvKind0, IngressDirection, Byte, 0),
};
const FieldSpec k1[] = {
    FX("V0", EvKind1, Chart, Byte, 0),
    FS("V1", EvKind1, Objects, SetRenum, nullptr),
    FS("V2", EvKind1, SpeedClasses, Mask3, nullptr),
    FS("V3", EvKind1, Acceleration, Mask2, nullptr),
    FS("V4", EvKind1, Motion, Mask2, nullptr),
    FX("V5", EvKind1, Coordinate, Byte, 0),
};
const FieldSpec k2[] = {
    FX("A0", EvKind2, FirstChart, Byte, 0),
    FS("A1", EvKind2, First, SetRenum, nullptr),
    FS("A11", EvKind2, FirstQualifier, Qualifier, nullptr),
    FS("A2", EvKind2, Aspects, Set, nullptr),
    FX("A3", EvKind2, SecondChart, Byte, 0),
    FS("A4", EvKind2, Second, SetRenum, nullptr),
    FS("A44", EvKind2, SecondQualifier, Qualifier, nullptr),
    FS("A5", EvKind2, Phases, Mask2, nullptr),
    FX("A6", EvKind2, Orb, Real, 1.0),
    FX("V7", EvKind2, Coordinate, Byte, 0),
    FX("A8", EvKind2, Side, Byte, 0),
    FX("A9", EvKind2, Harmonic, Byte, 1),
    FX("A55", EvKind2, MeanMotion, Byte, 0),
};
const FieldSpec k3[] = {
    FX("M0", EvKind3, PairChart, Byte, 0),
    FS("M1", EvKind3, FirstMembers, SetRenum, nullptr),
    FS("M2", EvKind3, SecondMembers, SetRenum, nullptr),
    FS("M3", EvKind3, Aspects, Set, nullptr),
    FX("M4", EvKind3, ThirdChart, Byte, 0),
    FS("M5", EvKind3, Third, SetRenum, nullptr),
    FX("M6", EvKind3, Orb, Real, 1.0),
    FX("M7", EvKind3, Coordinate, Byte, 0),
    FX("M8", EvKind3, Harmonic, Byte, 1),
};
const FieldSpec k4[] = {
    FX("C0", EvKind4, C0, Byte, 0),
    FS("C1", EvKind4, C1, SetRenum, nullptr),
    FS("C2", EvKind4, C2, Set, nullptr),
    FX("C3", EvKind4, C3, Byte, 0),
    FX("C4", EvKind4, C4, Real, 0.0),
    FX("C5", EvKind4, C5, Real, 0.0),
};
const FieldSpec k5[] = {
    FX("V1", EvKind5, V1, Byte, 0),
    FS("V2", EvKind5, V2, SetRenum, nullptr),
    FX("V3", EvKind5, V3, Byte, 0),
    FX("V4", EvKind5, V4, Real, 0.0),
    FX("V5", EvKind5, V5, Real, 0.0),
    FX("V6", EvKind5, V6, Byte, 2),
};
const FieldSpec k6[] = {
    FX("D1", EvKind6, D1, Byte, 0),
    FX("D2", EvKind6, D2, Object, 0),
    FS("D3", EvKind6, D3, SetRenum, nullptr),
    FX("D4", EvKind6, D4, Byte, 0),
    FX("D5", EvKind6, D5, Real, 0.0),
    FX("D6", EvKind6, D6, Real, 0.0),
    FX("D7", EvKind6, D7, Byte, 2),
};
const FieldSpec k7[] = {
    FX("F0", EvKind7, Object, Object, 1),
    FX("F1", EvKind7, Chart, Byte, 0),
    FS("F2", EvKind7, Phases, Set, nullptr),
    FS("F3", EvKind7, Thirds, Set, &kSet123),
};
const FieldSpec k8[] = {
    FX("AN1", EvKind8, FirstChart, Byte, 0),
    FS("AN2", EvKind8, First, SetRenum, nullptr),
    FX("AN3", EvKind8, SecondChart, Byte, 0),
    FS("AN4", EvKind8, Second, SetRenum, nullptr),
    FX("AN5", EvKind8, Target, Real, 0.0),
    FX("AN6", EvKind8, Orb, Real, 1.0),
    FX("AN61", EvKind8, Combination, Byte, 0),
    FX("AN7", EvKind8, Coordinate, Byte, 0),
    FS("AN8", EvKind8, Phases, Mask2, nullptr),
};
const FieldSpec k9[] = {
    FX("O1", EvKind9, Chart, Byte, 0),
    FS("O2", EvKind9, Planets, SetRenum, nullptr),
    FS("O3", EvKind9, Points, Set, nullptr),
    FX("O4", EvKind9, Orb, Real, 1.0),
};
const FieldSpec k10[] = {
    FX("F1", EvKind10, F1, Byte, 0),
    FS("F2", EvKind10, F2, SetRenum, nullptr),
    FS("F2A", EvKind10, F2A, Qualifier, nullptr),
    FX("F3", EvKind10, F3, Byte, 0),
    FS("F4", EvKind10, F4, SetRenum, nullptr),
    FS("F5", EvKind10, F5, Set, nullptr),
    FX("F6", EvKind10, F6, Real, 1.0),
    FX("F7", EvKind10, F7, Byte, 0),
};
const FieldSpec k11[] = {
    FX("LR1", EvKind11, TestedChart, Byte, 0),
    FS("LR2", EvKind11, Tested, SetRenum, nullptr),
    FX("LR3", EvKind11, ReferenceChart, Byte, 0),
    FX("LR4", EvKind11, Reference, Object, 0),
    FX("LR5", EvKind11, Side, Byte, 0),
    FX("LR6", EvKind11, Orb, Real, 1.0),
};
const FieldSpec k12[] = {
    FX("BT1", EvKind12, TestedChart, Byte, 0),
    FS("BT2", EvKind12, Tested, SetRenum, nullptr),
    FX("BT3", EvKind12, ReferenceChart, Byte, 0),
    FX("BT4", EvKind12, FirstReference, Object, 0),
    FX("BT5", EvKind12, SecondReference, Object, 0),
    FX("BT6", EvKind12, LargestArc, Real, 1.0),
};
const FieldSpec k13[] = {
    FX("CT0", EvKind13, CT0, Byte, 0),
    FX("CT1", EvKind13, CT1, Byte, 0),
    FS("CT2", EvKind13, CT2, SetRenum, nullptr),
    FX("CT3", EvKind13, CT3, Byte, 0),
    FX("CT4", EvKind13, CT4, Object, 0),
    FX("CT5", EvKind13, CT5, Byte, 0),
    FX("CT6", EvKind13, CT6, Real, 1.0),
    FX("CT7", EvKind13, CT7, Int, 1),
};
const FieldSpec k14[] = {
    FX("DAY1", EvKind14, Mode, Byte, 0),
    FS("DAY2", EvKind14, Weekdays, Set, nullptr),
    FS("DAY3", EvKind14, MonthDays, Set, nullptr),
    FS("DAY4", EvKind14, Months, Set, nullptr),
    FX("DAY5", EvKind14, WindowStart, Int, 0),
    FX("DAY6", EvKind14, WindowEnd, Int, 59),
};
const FieldSpec k15[] = {
    FX("VC0", EvKind15, Chart, Byte, 1),
    FS("VC1", EvKind15, Aspected, Set, &kSetSunPlanets),
    FS("VC2", EvKind15, Aspects, Set, &kSet1to5),
};
const FieldSpec k16[] = {
    KP("PT1", EvKind16, Object1, Object),
    KP("PT2", EvKind16, Object2, Object),
    KP("PT3", EvKind16, Object3, Object),
    KP("PT35", EvKind16, Object4, Object),
    KP("PT4", EvKind16, Code1, Byte),
    KP("PT5", EvKind16, Code2, Byte),
    KP("PT6", EvKind16, Code3, Byte),
    KP("PT65", EvKind16, Code4, Byte),
    FX("PT100", EvKind16, Constant, Real, 0.0),
    KP("PT7", EvKind16, Aspects, Set),
    KP("PT8", EvKind16, Aspecting, SetRenum),
    KP("PT9", EvKind16, Charts, Byte),
    FX("PT10", EvKind16, Orb, Real, 4.0),
    KP("PT11", EvKind16, Harmonic, Byte),
    KP("PT12", EvKind16, Coordinate, Byte),
};
const FieldSpec k17[] = {
    KP("FPB1", EvKind17, Chart, Byte),
    KP("FPB2", EvKind17, Reference, Object),
    KP("FPB3", EvKind17, Trailing, Object),
};
const FieldSpec k18[] = {
    FX("IPL4", EvKind18, Mode, Byte, 0),
    FS("IPL5", EvKind18, Houses, Set, &kSetMoon),
    KP("IPL1", EvKind18, ObjectChart, Byte),
    KP("IPL2", EvKind18, Object, Object),
    KP("IPL3", EvKind18, HouseChart, Byte),
};
const FieldSpec k19[] = {
    KP("ZR1", EvKind19, Chart, Byte),
    KP("ZR2", EvKind19, First, Object),
    KP("ZR3", EvKind19, Second, Object),
};
const FieldSpec k20[] = {
    KP("HR1", EvKind20, Chart, Byte),
    KP("HR2", EvKind20, FirstHouse, Byte),
    KP("HR3", EvKind20, SecondHouse, Byte),
};
const FieldSpec k21[] = {
    KP("RS1", EvKind21, RulerChart, Byte),
    KP("RS1A", EvKind21, CuspChart, Byte),
    KP("RS2", EvKind21, House, Byte),
    KP("RS3", EvKind21, Test, Byte),
    KP("RS4", EvKind21, Signs, Set),
    KP("RS5", EvKind21, Houses, Set),
    KP("RS6", EvKind21, Direction, Byte),
    KP("RS7", EvKind21, SecondHouse, Byte),
    KP("RS8", EvKind21, Aspects, Set),
    KP("RS9", EvKind21, Orb, Real),
    KP("RS10", EvKind21, Dignity, Byte),
};
const FieldSpec k22[] = {
    KP("MM1", EvKind22, MM1, Byte),
    KP("MM2", EvKind22, MM2, Byte),
    KP("MM3", EvKind22, MM3, Text15),
    KP("MM4", EvKind22, MM4, Real),
    KP("MM5", EvKind22, MM5, Byte),
};
const FieldSpec k23[] = {
    KP("IS1", EvKind23, Chart, Byte),
    KP("IS2", EvKind23, Harmonic, Byte),
    KP("IS3", EvKind23, Objects, SetRenum),
    KP("IS4", EvKind23, Count, Byte),
    KP("IS5", EvKind23, Width, Real),
    KP("IS6", EvKind23, Centre, Real),
    KP("IS7", EvKind23, Heliocentric, Byte),
};
const FieldSpec k24[] = {
    KP("PD1", EvKind24, Chart, Byte),
    KP("PD2", EvKind24, DignityBy, Byte),
    KP("PD3", EvKind24, Dignity, Byte),
    KP("PD4", EvKind24, Objects, SetRenum),
};
const FieldSpec k25[] = {
    KP("MA1", EvKind25, MA1, Byte),
    KP("MA2", EvKind25, MA2, Byte),
    KP("MA3", EvKind25, MA3, SetRenum),
    KP("MA3A", EvKind25, MA3A, SetRenum),
    FS("MA4", EvKind25, MA4, Qualifier, nullptr),
    KP("MA5", EvKind25, MA5, Set),
};
const FieldSpec k26[] = {
    KP("ATA1", EvKind26, ATA1, Byte),
    KP("ATA2", EvKind26, ATA2, Ints70),
    KP("ATA3", EvKind26, ATA3, Set),
    KP("ATA4", EvKind26, ATA4, Byte),
    KP("ATA5", EvKind26, ATA5, SetRenum),
    KP("ATA6", EvKind26, ATA6, Real),
};
const FieldSpec k27[] = {
    KP("ZA1", EvKind27, ZA1, Byte),
    KP("ZA2", EvKind27, ZA2, SetRenum),
    FS("ZA3", EvKind27, ZA3, Qualifier, nullptr),
    KP("ZA4", EvKind27, ZA4, Byte),
    KP("ZA5", EvKind27, ZA5, SetRenum),
    FS("ZA6", EvKind27, ZA6, Qualifier, nullptr),
    KP("ZA7", EvKind27, ZA7, Byte),
    KP("ZA8", EvKind27, ZA8, Byte),
    KP("ZA9", EvKind27, ZA9, Set),
};
const FieldSpec k29[] = {
    KP("TST1", EvKind29, Mode, Byte),
    KP("TST2", EvKind29, FirstYears, Real),
    KP("TST3", EvKind29, SecondYears, Real),
};
const FieldSpec k30[] = {
    KP("NEV1", EvKind30, NEV1, Byte),
    KP("NEV2", EvKind30, NEV2, Byte),
    KP("NEV3", EvKind30, NEV3, Real),
    KP("NEV4", EvKind30, NEV4, Real),
    KP("NEV5", EvKind30, NEV5, Byte),
    KP("NEV6", EvKind30, NEV6, Object),
    KP("NEV7", EvKind30, NEV7, Object),
    KP("NEV8", EvKind30, NEV8, Byte),
    KP("NEV9", EvKind30, NEV9, Real),
};
const FieldSpec k31[] = {
    KP("NUMANGL1", EvKind31, NUMANGL1, Byte),
    KP("NUMANGL2", EvKind31, NUMANGL2, Object),
    KP("NUMANGL3", EvKind31, NUMANGL3, Object),
    KP("NUMANGL4", EvKind31, NUMANGL4, Byte),
    FX("NUMANGL5", EvKind31, NUMANGL5, Byte, 0),
    FX("NUMANGL6", EvKind31, NUMANGL6, Byte, 0),
    FX("NUMANGL7", EvKind31, NUMANGL7, Byte, 1),
    FX("NUMANGL8", EvKind31, NUMANGL8, Real, 1.0),
    FX("NUMANGL9", EvKind31, NUMANGL9, Real, 0.0),
};
// Read order differs from the layout for kinds 32 and 34.
const FieldSpec k32[] = {
    KP("PL_HOURS1", EvKind32, PL_HOURS1, Set),
    FX("PL_HOURS2", EvKind32, PL_HOURS2, Byte, 0),
    FX("PL_HOURS3", EvKind32, PL_HOURS3, Byte, 1),
};
const FieldSpec k33[] = {
    FX("METR1", EvKind33, EditorByte, Byte, 0),
    FX("METR11", EvKind33, Form, Byte, 0),
    FX("METR2", EvKind33, FirstPlanet, Byte, 0),
    FX("METR3", EvKind33, SecondPlanet, Byte, 0),
    FX("METR4", EvKind33, Multiplier, Real, 1.0),
    FX("METR5", EvKind33, DropTurns, Byte, 1),
};
const FieldSpec k34[] = {
    KP("PRICE0", EvKind34, PRICE0, Int),
    KP("PRICE2", EvKind34, PRICE2, Byte),
    FS("PRICE3", EvKind34, PRICE3, PriceLevel, nullptr),
    KP("PRICE5", EvKind34, PRICE5, Int),
};
const FieldSpec k35[] = {
    KP("PRICE1", EvKind35, PRICE1, Int),
    FS("PRICE3", EvKind35, PRICE3, PriceLevel, nullptr),
    FS("PRICE5", EvKind35, PRICE5, PriceLevel, nullptr),
    FS("PRICE7", EvKind35, PRICE7, PriceLevel, nullptr),
    FX("PRICE8", EvKind35, PRICE8, Int, -1),
    FX("PRICE9", EvKind35, PRICE9, Int, -1),
    FX("PRICE10", EvKind35, PRICE10, Int, 0),
};
#define P1(i) {"PRICE_1_" #i, FieldType::Byte, offsetof(EvKind36, PRICE_1) + (i) - 1, true, 0, nullptr}
const FieldSpec k36[] = {
    KP("PRICE1", EvKind36, PRICE1, Byte),
    KP("PRICE2", EvKind36, PRICE2, Byte),
    KP("PRICE3", EvKind36, PRICE3, Byte),
    KP("PRICE4", EvKind36, PRICE4, Byte),
    KP("PRICE5", EvKind36, PRICE5, Byte),
    KP("PRICE6", EvKind36, PRICE6, Byte),
    KP("PRICE7", EvKind36, PRICE7, Byte),
    KP("PRICE8", EvKind36, PRICE8, Bool),
    P1(1),
    P1(2),
    P1(3),
    P1(4),
    P1(5),
    P1(6),
    P1(7),
    P1(8),
    P1(9),
    P1(10),
};
#undef P1
const FieldSpec k37[] = {
    FX("PR_M0", EvKind37, PR_M0, Int, 0),
    KP("PR_M1", EvKind37, PR_M1, Int),
    FS("PR_M2", EvKind37, PR_M2, Set, nullptr),
};
const FieldSpec k39[] = {
    KP("IMPORTANT_T1", EvKind39, Mode, Int),
    KP("IMPORTANT_T2", EvKind39, Moment, Real),
};
const FieldSpec k40[] = {
    KP("INTERACT_1", EvKind40, Period, Real),
    KP("INTERACT_2", EvKind40, TargetPhase, Real),
    KP("INTERACT_3", EvKind40, Orb, Real),
    FX("INTERACT_4", EvKind40, Shape, Byte, 0),
};
const FieldSpec k41[] = {FS("UWAVE", EvKind41, Wave, UserWave, nullptr)};
const FieldSpec k42[] = {
    KP("U_R_1", EvKind42, U_R_1, Byte),
    KP("U_R_2", EvKind42, U_R_2, Byte),
    KP("U_R_3", EvKind42, U_R_3, Byte),
    KP("U_R_4", EvKind42, U_R_4, Byte),
    KP("U_R_5", EvKind42, U_R_5, Set),
    FX("U_R_6", EvKind42, U_R_6, Byte, 0),
};
const FieldSpec k43[] = {
    KP("I_1", EvKind43, I_1, Int),
    KP("I_2", EvKind43, I_2, Real),
    FS("I_3", EvKind43, I_3, Set, &kSet0to9),
    FX("I_4", EvKind43, I_4, Int, 1),
};

#undef FX
#undef KP
#undef FS

// Kinds without a factor test here, or whose test never succeeds, carry scored = false.
const KindSpec kKinds[kKindCount] = {
    {"sign and house", k0, true},         {"speed", k1, true},
    {"aspect", k2, true},            {"midpoint", k3, true},
    {"C", k4, false},                {"V", k5, false},
    {"D", k6, false},                {"phase", k7, true},
    {"angle", k8, true},             {"orbit point", k9, true},
    {"F", k10, false},               {"behind or ahead", k11, true},
    {"between", k12, true},          {"CT", k13, false},
    {"calendar", k14, true},         {"void Moon", k15, true},
    {"formula point", k16, true},    {"nearest behind", k17, true},
    {"intercepted", k18, true},      {"sign reception", k19, true},
    {"house reception", k20, true},  {"house ruler", k21, true},
    {"MM", k22, false},              {"cluster", k23, true},
    {"dignity", k24, true},          {"MA", k25, false},
    {"ATA", k26, false},             {"ZA", k27, false},
    {"empty", {}, false},            {"years since", k29, true},
    {"barycentre", k30, false},      {"NUMANGL", k31, false},
    {"planetary hours", k32, false}, {"metrics", k33, true},
    {"price", k34, false},           {"price", k35, false},
    {"price", k36, false},           {"price", k37, false},
    {"empty", {}, false},            {"time threshold", k39, true},
    {"time cycle", k40, true},       {"user wave", k41, true},
    {"U_R", k42, false},             {"I", k43, false},
};

const KindSpec kNoKind{"unknown", {}, false};

}  // namespace

const KindSpec& Kind(int kind) {
  return kind >= 0 && kind < kKindCount ? kKinds[kind] : kNoKind;
}

const char* KindName(int kind) { return Kind(kind).name; }

}  // namespace sd::model
