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
    case FieldType::Set: case FieldType::SetRenum: return ObjectSet::kBytes;
    case FieldType::Qualifier: return sizeof(Qualifier);
    case FieldType::PriceLevel: return sizeof(PriceLevel);
    case FieldType::Text15: return 16;
    case FieldType::Ints70: return 70 * 4;
    case FieldType::UserWave: return sizeof(UserWave);
  }
  return 0;
}

namespace {

const ObjectSet kSet123{1, 2, 3};
const ObjectSet kSetSunPlanets{0, 2, 3, 4, 5, 6, 7, 8, 9};
const ObjectSet kSet1to5 = ObjectSet::Range(1, 5);
const ObjectSet kSetMoon{1};
const ObjectSet kSet0to9 = ObjectSet::Range(0, 9);

// A field with a fixed number default, a kept default, a fixed set default.
#define FX(S, m, T, v) {#m, FieldType::T, offsetof(S, m), false, v, nullptr}
#define KP(S, m, T) {#m, FieldType::T, offsetof(S, m), true, 0, nullptr}
#define FS(S, m, T, set) {#m, FieldType::T, offsetof(S, m), false, 0, set}

const FieldSpec k0[] = {FX(EvKind0, P0, Byte, 0), FS(EvKind0, P1, SetRenum, nullptr),
                        FS(EvKind0, P2, Set, nullptr), FS(EvKind0, P3, Set, nullptr),
                        FX(EvKind0, P4, Byte, 0), FX(EvKind0, P5, Byte, 0), FX(EvKind0, P6, Byte, 0)};
const FieldSpec k1[] = {FX(EvKind1, V0, Byte, 0), FS(EvKind1, V1, SetRenum, nullptr),
                        FS(EvKind1, V2, Mask3, nullptr), FS(EvKind1, V3, Mask2, nullptr),
                        FS(EvKind1, V4, Mask2, nullptr), FX(EvKind1, V5, Byte, 0)};
const FieldSpec k2[] = {FX(EvKind2, A0, Byte, 0), FS(EvKind2, A1, SetRenum, nullptr),
                        FS(EvKind2, A11, Qualifier, nullptr), FS(EvKind2, A2, Set, nullptr),
                        FX(EvKind2, A3, Byte, 0), FS(EvKind2, A4, SetRenum, nullptr),
                        FS(EvKind2, A44, Qualifier, nullptr), FS(EvKind2, A5, Mask2, nullptr),
                        FX(EvKind2, A6, Real, 1.0), FX(EvKind2, V7, Byte, 0), FX(EvKind2, A8, Byte, 0),
                        FX(EvKind2, A9, Byte, 1), FX(EvKind2, A55, Byte, 0)};
const FieldSpec k3[] = {FX(EvKind3, M0, Byte, 0), FS(EvKind3, M1, SetRenum, nullptr),
                        FS(EvKind3, M2, SetRenum, nullptr), FS(EvKind3, M3, Set, nullptr),
                        FX(EvKind3, M4, Byte, 0), FS(EvKind3, M5, SetRenum, nullptr),
                        FX(EvKind3, M6, Real, 1.0), FX(EvKind3, M7, Byte, 0), FX(EvKind3, M8, Byte, 1)};
const FieldSpec k4[] = {FX(EvKind4, C0, Byte, 0), FS(EvKind4, C1, SetRenum, nullptr),
                        FS(EvKind4, C2, Set, nullptr), FX(EvKind4, C3, Byte, 0),
                        FX(EvKind4, C4, Real, 0.0), FX(EvKind4, C5, Real, 0.0)};
const FieldSpec k5[] = {FX(EvKind5, V1, Byte, 0), FS(EvKind5, V2, SetRenum, nullptr),
                        FX(EvKind5, V3, Byte, 0), FX(EvKind5, V4, Real, 0.0),
                        FX(EvKind5, V5, Real, 0.0), FX(EvKind5, V6, Byte, 2)};
const FieldSpec k6[] = {FX(EvKind6, D1, Byte, 0), FX(EvKind6, D2, Object, 0),
                        FS(EvKind6, D3, SetRenum, nullptr), FX(EvKind6, D4, Byte, 0),
                        FX(EvKind6, D5, Real, 0.0), FX(EvKind6, D6, Real, 0.0), FX(EvKind6, D7, Byte, 2)};
const FieldSpec k7[] = {FX(EvKind7, F0, Object, 1), FX(EvKind7, F1, Byte, 0),
                        FS(EvKind7, F2, Set, nullptr), FS(EvKind7, F3, Set, &kSet123)};
const FieldSpec k8[] = {FX(EvKind8, AN1, Byte, 0), FS(EvKind8, AN2, SetRenum, nullptr),
                        FX(EvKind8, AN3, Byte, 0), FS(EvKind8, AN4, SetRenum, nullptr),
                        FX(EvKind8, AN5, Real, 0.0), FX(EvKind8, AN6, Real, 1.0),
                        FX(EvKind8, AN61, Byte, 0), FX(EvKind8, AN7, Byte, 0), FS(EvKind8, AN8, Mask2, nullptr)};
const FieldSpec k9[] = {FX(EvKind9, O1, Byte, 0), FS(EvKind9, O2, SetRenum, nullptr),
                        FS(EvKind9, O3, Set, nullptr), FX(EvKind9, O4, Real, 1.0)};
const FieldSpec k10[] = {FX(EvKind10, F1, Byte, 0), FS(EvKind10, F2, SetRenum, nullptr),
                         FS(EvKind10, F2A, Qualifier, nullptr), FX(EvKind10, F3, Byte, 0),
                         FS(EvKind10, F4, SetRenum, nullptr), FS(EvKind10, F5, Set, nullptr),
                         FX(EvKind10, F6, Real, 1.0), FX(EvKind10, F7, Byte, 0)};
const FieldSpec k11[] = {FX(EvKind11, LR1, Byte, 0), FS(EvKind11, LR2, SetRenum, nullptr),
                         FX(EvKind11, LR3, Byte, 0), FX(EvKind11, LR4, Object, 0),
                         FX(EvKind11, LR5, Byte, 0), FX(EvKind11, LR6, Real, 1.0)};
const FieldSpec k12[] = {FX(EvKind12, BT1, Byte, 0), FS(EvKind12, BT2, SetRenum, nullptr),
                         FX(EvKind12, BT3, Byte, 0), FX(EvKind12, BT4, Object, 0),
                         FX(EvKind12, BT5, Object, 0), FX(EvKind12, BT6, Real, 1.0)};
const FieldSpec k13[] = {FX(EvKind13, CT0, Byte, 0), FX(EvKind13, CT1, Byte, 0),
                         FS(EvKind13, CT2, SetRenum, nullptr), FX(EvKind13, CT3, Byte, 0),
                         FX(EvKind13, CT4, Object, 0), FX(EvKind13, CT5, Byte, 0),
                         FX(EvKind13, CT6, Real, 1.0), FX(EvKind13, CT7, Int, 1)};
const FieldSpec k14[] = {FX(EvKind14, DAY1, Byte, 0), FS(EvKind14, DAY2, Set, nullptr),
                         FS(EvKind14, DAY3, Set, nullptr), FS(EvKind14, DAY4, Set, nullptr),
                         FX(EvKind14, DAY5, Int, 0), FX(EvKind14, DAY6, Int, 59)};
const FieldSpec k15[] = {FX(EvKind15, VC0, Byte, 1), FS(EvKind15, VC1, Set, &kSetSunPlanets),
                         FS(EvKind15, VC2, Set, &kSet1to5)};
const FieldSpec k16[] = {KP(EvKind16, PT1, Object), KP(EvKind16, PT2, Object),
                         KP(EvKind16, PT3, Object), KP(EvKind16, PT35, Object),
                         KP(EvKind16, PT4, Byte), KP(EvKind16, PT5, Byte),
                         KP(EvKind16, PT6, Byte), KP(EvKind16, PT65, Byte),
                         FX(EvKind16, PT100, Real, 0.0), KP(EvKind16, PT7, Set),
                         KP(EvKind16, PT8, SetRenum), KP(EvKind16, PT9, Byte),
                         FX(EvKind16, PT10, Real, 4.0), KP(EvKind16, PT11, Byte),
                         KP(EvKind16, PT12, Byte)};
const FieldSpec k17[] = {KP(EvKind17, FPB1, Byte), KP(EvKind17, FPB2, Object), KP(EvKind17, FPB3, Object)};
const FieldSpec k18[] = {FX(EvKind18, IPL4, Byte, 0), FS(EvKind18, IPL5, Set, &kSetMoon),
                         KP(EvKind18, IPL1, Byte), KP(EvKind18, IPL2, Object), KP(EvKind18, IPL3, Byte)};
const FieldSpec k19[] = {KP(EvKind19, ZR1, Byte), KP(EvKind19, ZR2, Object), KP(EvKind19, ZR3, Object)};
const FieldSpec k20[] = {KP(EvKind20, HR1, Byte), KP(EvKind20, HR2, Byte), KP(EvKind20, HR3, Byte)};
const FieldSpec k21[] = {KP(EvKind21, RS1, Byte), KP(EvKind21, RS1A, Byte), KP(EvKind21, RS2, Byte),
                         KP(EvKind21, RS3, Byte), KP(EvKind21, RS4, Set), KP(EvKind21, RS5, Set),
                         KP(EvKind21, RS6, Byte), KP(EvKind21, RS7, Byte), KP(EvKind21, RS8, Set),
                         KP(EvKind21, RS9, Real), KP(EvKind21, RS10, Byte)};
const FieldSpec k22[] = {KP(EvKind22, MM1, Byte), KP(EvKind22, MM2, Byte), KP(EvKind22, MM3, Text15),
                         KP(EvKind22, MM4, Real), KP(EvKind22, MM5, Byte)};
const FieldSpec k23[] = {KP(EvKind23, IS1, Byte), KP(EvKind23, IS2, Byte), KP(EvKind23, IS3, SetRenum),
                         KP(EvKind23, IS4, Byte), KP(EvKind23, IS5, Real), KP(EvKind23, IS6, Real),
                         KP(EvKind23, IS7, Byte)};
const FieldSpec k24[] = {KP(EvKind24, PD1, Byte), KP(EvKind24, PD2, Byte), KP(EvKind24, PD3, Byte),
                         KP(EvKind24, PD4, SetRenum)};
const FieldSpec k25[] = {KP(EvKind25, MA1, Byte), KP(EvKind25, MA2, Byte), KP(EvKind25, MA3, SetRenum),
                         KP(EvKind25, MA3A, SetRenum), FS(EvKind25, MA4, Qualifier, nullptr),
                         KP(EvKind25, MA5, Set)};
const FieldSpec k26[] = {KP(EvKind26, ATA1, Byte), KP(EvKind26, ATA2, Ints70), KP(EvKind26, ATA3, Set),
                         KP(EvKind26, ATA4, Byte), KP(EvKind26, ATA5, SetRenum), KP(EvKind26, ATA6, Real)};
const FieldSpec k27[] = {KP(EvKind27, ZA1, Byte), KP(EvKind27, ZA2, SetRenum),
                         FS(EvKind27, ZA3, Qualifier, nullptr), KP(EvKind27, ZA4, Byte),
                         KP(EvKind27, ZA5, SetRenum), FS(EvKind27, ZA6, Qualifier, nullptr),
                         KP(EvKind27, ZA7, Byte), KP(EvKind27, ZA8, Byte), KP(EvKind27, ZA9, Set)};
const FieldSpec k29[] = {KP(EvKind29, TST1, Byte), KP(EvKind29, TST2, Real), KP(EvKind29, TST3, Real)};
const FieldSpec k30[] = {KP(EvKind30, NEV1, Byte), KP(EvKind30, NEV2, Byte), KP(EvKind30, NEV3, Real),
                         KP(EvKind30, NEV4, Real), KP(EvKind30, NEV5, Byte), KP(EvKind30, NEV6, Object),
                         KP(EvKind30, NEV7, Object), KP(EvKind30, NEV8, Byte), KP(EvKind30, NEV9, Real)};
const FieldSpec k31[] = {KP(EvKind31, NUMANGL1, Byte), KP(EvKind31, NUMANGL2, Object),
                         KP(EvKind31, NUMANGL3, Object), KP(EvKind31, NUMANGL4, Byte),
                         FX(EvKind31, NUMANGL5, Byte, 0), FX(EvKind31, NUMANGL6, Byte, 0),
                         FX(EvKind31, NUMANGL7, Byte, 1), FX(EvKind31, NUMANGL8, Real, 1.0),
                         FX(EvKind31, NUMANGL9, Real, 0.0)};
// Read order differs from the layout for kinds 32 and 34.
const FieldSpec k32[] = {KP(EvKind32, PL_HOURS1, Set), FX(EvKind32, PL_HOURS2, Byte, 0),
                         FX(EvKind32, PL_HOURS3, Byte, 1)};
const FieldSpec k33[] = {FX(EvKind33, METR1, Byte, 0), FX(EvKind33, METR11, Byte, 0),
                         FX(EvKind33, METR2, Byte, 0), FX(EvKind33, METR3, Byte, 0),
                         FX(EvKind33, METR4, Real, 1.0), FX(EvKind33, METR5, Byte, 1)};
const FieldSpec k34[] = {KP(EvKind34, PRICE0, Int), KP(EvKind34, PRICE2, Byte),
                         FS(EvKind34, PRICE3, PriceLevel, nullptr), KP(EvKind34, PRICE5, Int)};
const FieldSpec k35[] = {KP(EvKind35, PRICE1, Int), FS(EvKind35, PRICE3, PriceLevel, nullptr),
                         FS(EvKind35, PRICE5, PriceLevel, nullptr), FS(EvKind35, PRICE7, PriceLevel, nullptr),
                         FX(EvKind35, PRICE8, Int, -1), FX(EvKind35, PRICE9, Int, -1),
                         FX(EvKind35, PRICE10, Int, 0)};
#define P1(i) {"PRICE_1_" #i, FieldType::Byte, offsetof(EvKind36, PRICE_1) + (i) - 1, true, 0, nullptr}
const FieldSpec k36[] = {KP(EvKind36, PRICE1, Byte), KP(EvKind36, PRICE2, Byte), KP(EvKind36, PRICE3, Byte),
                         KP(EvKind36, PRICE4, Byte), KP(EvKind36, PRICE5, Byte), KP(EvKind36, PRICE6, Byte),
                         KP(EvKind36, PRICE7, Byte), KP(EvKind36, PRICE8, Bool),
                         P1(1), P1(2), P1(3), P1(4), P1(5), P1(6), P1(7), P1(8), P1(9), P1(10)};
#undef P1
const FieldSpec k37[] = {FX(EvKind37, PR_M0, Int, 0), KP(EvKind37, PR_M1, Int),
                         FS(EvKind37, PR_M2, Set, nullptr)};
const FieldSpec k39[] = {KP(EvKind39, IMPORTANT_T1, Int), KP(EvKind39, IMPORTANT_T2, Real)};
const FieldSpec k40[] = {KP(EvKind40, INTERACT_1, Real), KP(EvKind40, INTERACT_2, Real),
                         KP(EvKind40, INTERACT_3, Real), FX(EvKind40, INTERACT_4, Byte, 0)};
const FieldSpec k41[] = {FS(EvKind41, UWAVE, UserWave, nullptr)};
const FieldSpec k42[] = {KP(EvKind42, U_R_1, Byte), KP(EvKind42, U_R_2, Byte), KP(EvKind42, U_R_3, Byte),
                         KP(EvKind42, U_R_4, Byte), KP(EvKind42, U_R_5, Set), FX(EvKind42, U_R_6, Byte, 0)};
const FieldSpec k43[] = {KP(EvKind43, I_1, Int), KP(EvKind43, I_2, Real),
                         FS(EvKind43, I_3, Set, &kSet0to9), FX(EvKind43, I_4, Int, 1)};

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
