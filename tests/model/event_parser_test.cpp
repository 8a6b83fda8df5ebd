#include "model/event_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "model/ev_list.h"
#include "model/field_text.h"
#include "model/keywords.h"
#include "model_fixture.h"

namespace sd::model {
namespace {

// Fields of the packed records may sit at odd addresses: "+field" hands gtest a copy instead of
// a reference to a misaligned number.

using testing::LoadText;
using testing::ModelFile;

// Parses the sections of `text` in order into one shared buffer, as the loader does.
struct Parsed {
  std::vector<ParsedEvent> results;
  std::vector<EventDef> defs;  // the buffer after each section
};
Parsed ParseAll(const std::string& text, int mode = 0) {
  ModelFile f(text);
  data::TSpecIniFile ini(f.path());
  data::StringList names;
  ini.ReadSections(names);
  EventDef buffer{};
  Parsed p;
  for (const auto& n : names) {
    ParsedEvent r;
    ParseEvent(buffer, ini, n, mode, r);
    p.results.push_back(r);
    p.defs.push_back(buffer);
  }
  return p;
}
EventDef One(const std::string& keys, int mode = 0, bool expect_accepted = true) {
  Parsed p = ParseAll("[e]\n_H=e\n" + keys, mode);
  EXPECT_EQ(p.results.at(0).accepted, expect_accepted) << keys;
  return p.defs.at(0);
}

template <typename T>
T At(const EventDef& d, size_t kind_offset) {
  T v;
  std::memcpy(&v, d.K.Raw + kind_offset, sizeof v);
  return v;
}

TEST(EventParser, CommonPart) {
  EventDef d = One("_CM=257\n_C=-3\n_COF=0x20\nVVal1=1\nVVal7=-7\nUVL1=0\nGrInd=77\nProbab=0,25\n");
  EXPECT_EQ(d.CM, 1);  // low eight bits
  EXPECT_EQ(+d.C, -3);
  EXPECT_EQ(+d.COF, 32);
  EXPECT_EQ(+d.VVal[0], 1);
  EXPECT_EQ(+d.VVal[1], 0);
  EXPECT_EQ(+d.VVal[6], -7);
  EXPECT_EQ(d.UVL1, 0);  // the parser reads it; only the loader forces it on
  EXPECT_EQ(+d.GrInd, 77);
  EXPECT_EQ(+d.Probab, 0.25);

  EventDef e = One("");
  EXPECT_EQ(+e.COF, 100);
  EXPECT_EQ(e.UVL1, 1);
  EXPECT_EQ(e.Kind, 0);
}

TEST(EventParser, GroupNumberOutsideItsRangeIsZero) {
  const struct { const char* text; int32_t stored; } cases[] = {
      {"1", 1}, {"49999", 49999}, {"50000", 0}, {"0", 0}, {"-5", 0}, {"x", 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(+One(std::string("GrInd=") + c.text + "\n").GrInd, c.stored) << c.text;
}

TEST(EventParser, OutValuesAndHeader) {
  Parsed p = ParseAll("[a]\n_H=Header text\nWEIGHT=1.5\n[b]\n_T=3\n");
  EXPECT_TRUE(p.results[0].accepted);
  EXPECT_EQ(p.results[0].header, "Header text");
  EXPECT_EQ(p.results[0].weight, 1.5);
  EXPECT_EQ(p.results[0].orb_prop, astro::NoValue);
  EXPECT_FALSE(p.results[1].accepted);
  EXPECT_EQ(p.results[1].why, Rejection::NoHeader);
  // Nothing of a rejected header-less section reaches the buffer.
  EXPECT_EQ(p.defs[1].Kind, 0);
}

TEST(EventParser, KindsWithoutKeysReadOnlyTheCommonPart) {
  for (int kind : {28, 38, 44, 200}) {
    // The preceding kind-0 event leaves P0 = 9 in the first byte of the kind part.
    Parsed p = ParseAll("[a]\n_H=a\n_T=0\nP0=9\n[b]\n_H=b\n_T=" + std::to_string(kind) +
                        "\nP0=3\nHR1=4\n");
    EXPECT_TRUE(p.results[1].accepted) << kind;
    EXPECT_EQ(p.defs[1].Kind, kind);
    EXPECT_EQ(p.defs[1].K.Raw[0], 9) << kind;
    EXPECT_EQ(std::memcmp(p.defs[0].K.Raw, p.defs[1].K.Raw, kKindPartBytes), 0) << kind;
  }
}

TEST(EventParser, FieldsLandAtPackedOffsets) {
  // Offsets counted by hand from the field sizes: byte 1, set 26, qualifier 53, real 8.
  EventDef d = One("_T=2\nA0=1\nA3=2\nA6=2.5\nV7=13\nA9=3\nA55=1\n");
  EXPECT_EQ(d.K.Raw[0], 1);
  EXPECT_EQ(d.K.Raw[106], 2);                // A3 after A0, A1, A11, A2
  EXPECT_EQ(At<double>(d, 187), 2.5);        // A6 after A4, A44, A5
  EXPECT_EQ(d.K.Raw[195], 13);               // V7
  EXPECT_EQ(d.K.Raw[197], 3);                // A9
  EXPECT_EQ(d.K.Raw[198], 1);                // A55

  EventDef k26 = One("_T=26\nATA1=4\nATA2=5 6\nATA4=8\nATA6=-1\n");
  EXPECT_EQ(k26.K.Raw[0], 4);
  EXPECT_EQ(At<int32_t>(k26, 1), 5);
  EXPECT_EQ(At<int32_t>(k26, 5), 6);
  EXPECT_EQ(k26.K.Raw[307], 8);              // after 70 ints and a set
  EXPECT_EQ(At<double>(k26, 334), -1.0);     // the last eight bytes of the kind part

  EventDef k16 = One("_T=16\nPT8=4\nPT10=2\nPT12=5\n");
  EXPECT_EQ(At<double>(k16, 69), 2.0);
  EXPECT_EQ(k16.K.Raw[78], 5);

  EventDef k35 = One("_T=35\nPRICE1=-9\nPRICE7=3;0,5;7;8\nPRICE10=11\n");
  EXPECT_EQ(At<int32_t>(k35, 0), -9);
  EXPECT_EQ(k35.K.Raw[38], 3);               // PRICE7 byte after two 17-byte levels
  EXPECT_EQ(At<double>(k35, 39), 0.5);
  EXPECT_EQ(At<int32_t>(k35, 47), 7);
  EXPECT_EQ(At<int32_t>(k35, 63), 11);

  EventDef k34 = One("_T=34\nPRICE0=1\nPRICE2=2\nPRICE5=3\nPRICE3=4\n");
  EXPECT_EQ(At<int32_t>(k34, 5), 3);         // PRICE5 is laid out before PRICE3
  EXPECT_EQ(k34.K.Raw[9], 4);

  EventDef k32 = One("_T=32\nPL_HOURS1=3\nPL_HOURS2=7\n");
  EXPECT_EQ(k32.K.Raw[0], 7);
  EXPECT_EQ(k32.K.Raw[1], 1);                // PL_HOURS3 default
  EXPECT_EQ(k32.K.Raw[2], 1u << 3);          // the set follows the two bytes
}

TEST(EventParser, KeptDefaultsInheritAcrossKinds) {
  // A kind-26 event leaves ATA1 and the first integer of ATA2 in the first five bytes; a
  // kind-19 event without keys takes its three bytes from there.
  Parsed p = ParseAll("[a]\n_H=a\n_T=26\nATA1=3\nATA2=258\n[b]\n_H=b\n_T=19\n");
  ASSERT_TRUE(p.results[1].accepted);
  EXPECT_EQ(p.defs[1].K.k19.Chart, 3);
  EXPECT_EQ(p.defs[1].K.k19.First, 2);  // 258 = 0x0102, low byte first
  EXPECT_EQ(p.defs[1].K.k19.Second, 1);

  // Two kind-20 events: the second without "HR1" keeps the first one's.
  Parsed q = ParseAll("[a]\n_H=a\n_T=20\nHR1=5\nHR2=6\n[b]\n_H=b\n_T=20\nHR2=9\n");
  EXPECT_EQ(q.defs[1].K.k20.Chart, 5);
  EXPECT_EQ(q.defs[1].K.k20.FirstHouse, 9);

  // Fixed defaults do not inherit: a second kind-0 event without P4 has 0 there again.
  Parsed r = ParseAll("[a]\n_H=a\n_T=0\nP4=6\n[b]\n_H=b\n_T=0\n");
  EXPECT_EQ(r.defs[1].K.k0.Coordinate, 0);

  // A kept real inherits the eight bytes a byte and most of another real left behind.
  Parsed s = ParseAll("[a]\n_H=a\n_T=29\nTST1=1\nTST2=2.5\n[b]\n_H=b\n_T=40\nINTERACT_2=1\n");
  ASSERT_TRUE(s.results[1].accepted);
  EXPECT_EQ(std::memcmp(s.defs[1].K.Raw, s.defs[0].K.Raw, 8), 0);
  EXPECT_NE(+s.defs[1].K.k40.Period, 0.0);

  // A kept set shifted by one byte: kind 24's PD4 starts one byte before kind 21's RS4, so
  // RS4 = {1, 2} (byte 0x06) reads back as members 9 and 10.
  Parsed t = ParseAll("[a]\n_H=a\n_T=21\nRS4=1 2\n[b]\n_H=b\n_T=24\n");
  EXPECT_EQ(t.defs[1].K.k24.Objects, (astro::ObjectSet{9, 10}));
}

TEST(EventParser, KeptDefaultsStartFromZeroInEachLoad) {
  TEvList list;
  LoadText(list, "[a]\n_H=a\n_T=20\nHR1=5\n");
  LoadText(list, "[b]\n_H=b\n_T=20\n");
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Event(1).Def.K.k20.Chart, 0);
}

TEST(EventParser, RenumberedSets) {
  const struct { int mode; const char* text; astro::ObjectSet want; } cases[] = {
      {0, "3, 205", {3}},
      {0, "0 39 200 201 207", {0, 39, 200}},
      {1, "0 14 15 34 35 59 60 200", {0, 14, 15, 39}},
      {2, "20 205", {20}},  // other modes number as mode 0
  };
  for (const auto& c : cases) {
    EventDef d = One(std::string("_T=0\nP1=") + c.text + "\nP2=3, 205\n", c.mode);
    EXPECT_EQ(d.K.k0.Objects, c.want) << c.mode << " " << c.text;
    EXPECT_EQ(d.K.k0.Houses, (astro::ObjectSet{3, 205})) << "plain sets are not renumbered";
  }
}

TEST(EventParser, ObjectKeys) {
  EXPECT_EQ(One("_T=7\n").K.k7.Object, 1);
  EXPECT_EQ(One("_T=7\n", 1).K.k7.Object, 1);
  EXPECT_EQ(One("_T=7\nF0=40\n", 1).K.k7.Object, 20);
  EXPECT_EQ(One("_T=7\nF0=20\n", 0).K.k7.Object, 20);
  EXPECT_EQ(One("_T=7\nF0=300\n", 0).K.k7.Object, 44);  // low eight bits

  Parsed p = ParseAll("[e]\n_H=e\n_T=7\nF0=20\nF1=4\n", 1);
  EXPECT_FALSE(p.results[0].accepted);
  EXPECT_EQ(p.results[0].why, Rejection::UnmappedObject);
  EXPECT_EQ(p.results[0].bad_key, "F0");
  EXPECT_EQ(p.results[0].bad_value, 20);
  EXPECT_EQ(p.defs[0].K.k7.Chart, 0) << "keys after the unmappable object are not read";

  EXPECT_FALSE(ParseAll("[e]\n_H=e\n_T=7\nF0=60\n", 1).results[0].accepted);
  EXPECT_FALSE(ParseAll("[e]\n_H=e\n_T=7\nF0=255\n", 0).results[0].accepted);
  EXPECT_FALSE(ParseAll("[e]\n_H=e\n_T=7\nF0=-1\n", 0).results[0].accepted);
}

TEST(EventParser, ReadingStopsAtTheFirstUnmappableObject) {
  // Kind 12: BT4 unmappable, so BT5 and BT6 keep what the buffer held.
  Parsed p = ParseAll(
      "[a]\n_H=a\n_T=12\nBT4=2\nBT5=3\nBT6=9\n"
      "[b]\n_H=b\n_T=12\nBT1=1\nBT4=20\nBT5=4\nBT6=7\n", 1);
  EXPECT_TRUE(p.results[0].accepted);
  EXPECT_FALSE(p.results[1].accepted);
  EXPECT_EQ(p.defs[1].K.k12.TestedChart, 1);
  EXPECT_EQ(p.defs[1].K.k12.FirstReference, kUnmapped);
  EXPECT_EQ(p.defs[1].K.k12.SecondReference, 3);
  EXPECT_EQ(+p.defs[1].K.k12.LargestArc, 9.0);

  // Kind 16 checks each object before the next key.
  Parsed q = ParseAll("[e]\n_H=e\n_T=16\nPT1=1\nPT2=25\nPT3=2\nPT8=1\n", 1);
  EXPECT_FALSE(q.results[0].accepted);
  EXPECT_EQ(q.results[0].bad_key, "PT2");
  EXPECT_EQ(q.defs[0].K.k16.Object3, 0);
}

TEST(EventParser, FormulaPointNeedsPT8) {
  Parsed p = ParseAll("[e]\n_H=e\n_T=16\nPT9=3\n");
  EXPECT_FALSE(p.results[0].accepted);
  EXPECT_EQ(p.results[0].why, Rejection::EmptyObjectSet);
  EXPECT_EQ(p.defs[0].K.k16.Charts, 0) << "PT9 is read only after a non-empty PT8";
  // A PT8 that renumbering empties counts as empty.
  EXPECT_FALSE(ParseAll("[e]\n_H=e\n_T=16\nPT8=20\n", 1).results[0].accepted);
  EventDef d = One("_T=16\nPT1=4\nPT8=1 2\nPT9=3\n");
  EXPECT_EQ(d.K.k16.Charts, 3);
  EXPECT_EQ(+d.K.k16.Orb, 4.0);
  EXPECT_EQ(d.K.k16.Aspecting, (astro::ObjectSet{1, 2}));
}

TEST(EventParser, InterceptedSignAcceptance) {
  // IPL2 must map only when IPL4 is 0.
  Parsed a = ParseAll("[e]\n_H=e\n_T=18\nIPL4=1\nIPL2=20\nIPL3=5\n", 1);
  EXPECT_TRUE(a.results[0].accepted);
  EXPECT_EQ(a.defs[0].K.k18.Object, kUnmapped);
  EXPECT_EQ(a.defs[0].K.k18.HouseChart, 5) << "IPL3 is still read";
  Parsed b = ParseAll("[e]\n_H=e\n_T=18\nIPL4=0\nIPL2=20\nIPL3=5\n", 1);
  EXPECT_FALSE(b.results[0].accepted);
  EXPECT_EQ(b.defs[0].K.k18.HouseChart, 0);
  EventDef c = One("_T=18\nIPL2=2\n");
  EXPECT_EQ(c.K.k18.Houses, (astro::ObjectSet{1}));
}

TEST(EventParser, Masks) {
  EventDef d = One("_T=1\nV2=0, 2, 5\nV3=1 2\nV4=\n");
  EXPECT_EQ(d.K.k1.SpeedClasses, 5);
  EXPECT_EQ(d.K.k1.Acceleration, 2);
  EXPECT_EQ(+d.K.k1.Motion, 0);
  EXPECT_EQ(One("_T=2\nA5=0 1 2\n").K.k2.Phases, 3);
  EXPECT_EQ(One("_T=8\nAN8=1\n").K.k8.Phases, 2);
}

TEST(EventParser, FixedSetDefaults) {
  EXPECT_EQ(One("_T=7\n").K.k7.Thirds, (astro::ObjectSet{1, 2, 3}));
  EventDef d = One("_T=15\n");
  EXPECT_EQ(d.K.k15.Chart, 1);
  EXPECT_EQ(d.K.k15.Aspected, (astro::ObjectSet{0, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(d.K.k15.Aspects, astro::ObjectSet::Range(1, 5));
  EXPECT_EQ(One("_T=43\n").K.k43.I_3, astro::ObjectSet::Range(0, 9));
  EXPECT_EQ(+One("_T=43\n").K.k43.I_4, 1);
}

TEST(EventParser, QualifierKeys) {
  EventDef d = One("_T=2\nA11=*3,*15,*27,*101,\nA44=\n");
  Qualifier q = d.K.k2.FirstQualifier;
  EXPECT_TRUE(Qualifier::Bit(q.Signs, 3));
  EXPECT_TRUE(Qualifier::Bit(q.Houses, 3));
  EXPECT_TRUE(Qualifier::Bit(q.RuledHouses, 3));
  EXPECT_EQ(q.HouseSource, 1);
  Qualifier empty = d.K.k2.SecondQualifier;
  Qualifier zero{};
  EXPECT_EQ(std::memcmp(&empty, &zero, sizeof zero), 0);
}

TEST(EventParser, PriceBytesFollowPRICE8) {
  EventDef on = One("_T=36\nPRICE8=1\nPRICE_1_1=4\nPRICE_1_5=9\n");
  for (int i = 0; i < 10; ++i) EXPECT_EQ(on.K.k36.PRICE_1[i], 4) << i;

  // Without PRICE_1_1 each byte keeps its own kept value.
  Parsed p = ParseAll(
      "[a]\n_H=a\n_T=36\nPRICE_1_1=1\nPRICE_1_2=2\nPRICE_1_10=10\n"
      "[b]\n_H=b\n_T=36\nPRICE8=1\n");
  EXPECT_EQ(p.defs[1].K.k36.PRICE_1[0], 1);
  EXPECT_EQ(p.defs[1].K.k36.PRICE_1[1], 2);
  EXPECT_EQ(p.defs[1].K.k36.PRICE_1[9], 10);

  EventDef off = One("_T=36\nPRICE8=0\nPRICE_1_1=4\nPRICE_1_5=9\n");
  EXPECT_EQ(off.K.k36.PRICE_1[0], 4);
  EXPECT_EQ(off.K.k36.PRICE_1[1], 0);
  EXPECT_EQ(off.K.k36.PRICE_1[4], 9);
}

TEST(EventParser, TextAndIntegerArrayFields) {
  EventDef d = One("_T=22\nMM3=ABCDEFGHIJKLMNOPQRST\nMM4=2,5\n");
  EXPECT_EQ(d.K.k22.MM3.Str(), "ABCDEFGHIJKLMNO");
  EXPECT_EQ(+d.K.k22.MM4, 2.5);

  Parsed p = ParseAll("[a]\n_H=a\n_T=26\nATA2=1 2 3\n[b]\n_H=b\n_T=26\nATA2=7 x\n");
  EXPECT_EQ(+p.defs[1].K.k26.ATA2[0], 7);
  EXPECT_EQ(+p.defs[1].K.k26.ATA2[1], 2) << "a malformed word keeps the kept default";
  EXPECT_EQ(+p.defs[1].K.k26.ATA2[2], 3);
  EXPECT_EQ(+p.defs[1].K.k26.ATA2[69], 0);
}

TEST(EventParser, UserWaveKey) {
  EventDef d = One("_T=41\n");
  UserWave w = d.K.k41.Wave;
  EXPECT_EQ(w.B0, 0);
  EXPECT_EQ(+w.Period, 30.0);
  const uint8_t bytes[9] = {0, 255, 1, 0, 0, 1, 0, 0, 0};
  EXPECT_EQ(std::memcmp(w.Bytes, bytes, 9), 0);
  for (int k = 0; k < 12; ++k) {
    WaveComponent c = w.Comp[k];
    EXPECT_EQ(+c.A, 0.0f);
    EXPECT_EQ(+c.B, 0.0f);
    EXPECT_EQ(+c.Z, 1.0f);
  }
}

// Each kind's fields, taken in the order of their places, follow one another without a gap
// from the first byte of the kind part; the totals are counted by hand from the field types.
TEST(KeywordTable, KindLayoutsArePackedInOrder) {
  const int total[kKindCount] = {82, 31, 199, 116, 70, 45, 46, 54, 73, 61, 142, 38, 38, 43, 87,
                                 53, 79, 3, 30, 3, 3, 93, 27, 46, 29, 133, 342, 188, 0, 17,
                                 30, 23, 28, 13, 26, 67, 18, 34, 0, 12, 25, 162, 31, 42};
  for (int kind = 0; kind < kKindCount; ++kind) {
    std::vector<FieldSpec> fields(Kind(kind).fields.begin(), Kind(kind).fields.end());
    std::sort(fields.begin(), fields.end(),
              [](const FieldSpec& a, const FieldSpec& b) { return a.offset < b.offset; });
    int at = 0;
    for (const FieldSpec& f : fields) {
      EXPECT_EQ(f.offset, at) << "kind " << kind << " " << f.key;
      at = f.offset + FieldSize(f.type);
    }
    EXPECT_EQ(at, total[kind]) << "kind " << kind;
  }
  // Where reading and layout orders differ, the layout order.
  auto layout = [](int kind) {
    std::vector<FieldSpec> fields(Kind(kind).fields.begin(), Kind(kind).fields.end());
    std::sort(fields.begin(), fields.end(),
              [](const FieldSpec& a, const FieldSpec& b) { return a.offset < b.offset; });
    std::vector<std::string> keys;
    for (const auto& f : fields) keys.push_back(f.key);
    return keys;
  };
  EXPECT_EQ(layout(32), (std::vector<std::string>{"PL_HOURS2", "PL_HOURS3", "PL_HOURS1"}));
  EXPECT_EQ(layout(34), (std::vector<std::string>{"PRICE0", "PRICE2", "PRICE5", "PRICE3"}));
  EXPECT_EQ(layout(18), (std::vector<std::string>{"IPL4", "IPL5", "IPL1", "IPL2", "IPL3"}));
}

TEST(KeywordTable, EveryKindFitsItsPartAndKeysAreDistinct) {
  for (int kind = 0; kind < kKindCount; ++kind) {
    const KindSpec& spec = Kind(kind);
    int end = 0;
    for (size_t i = 0; i < spec.fields.size(); ++i) {
      const FieldSpec& f = spec.fields[i];
      end = std::max(end, f.offset + FieldSize(f.type));
      for (size_t j = 0; j < i; ++j) {
        EXPECT_STRNE(f.key, spec.fields[j].key) << kind;
        // No two fields of a kind share bytes.
        const FieldSpec& g = spec.fields[j];
        bool apart = f.offset + FieldSize(f.type) <= g.offset || g.offset + FieldSize(g.type) <= f.offset;
        EXPECT_TRUE(apart) << kind << " " << f.key << " " << g.key;
      }
    }
    EXPECT_LE(end, kKindPartBytes) << kind;
  }
  EXPECT_EQ(Kind(28).fields.size(), 0u);
  EXPECT_EQ(Kind(38).fields.size(), 0u);
  EXPECT_STREQ(KindName(44), "unknown");
}

}  // namespace
}  // namespace sd::model
