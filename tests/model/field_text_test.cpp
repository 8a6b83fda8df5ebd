#include "model/field_text.h"

#include <gtest/gtest.h>

#include <cmath>

#include "astro/moment.h"

namespace sd::model {
namespace {

// Fields of the packed records may sit at odd addresses: "+field" hands gtest a copy instead of
// a reference to a misaligned number.

std::vector<int> Bits(const uint8_t* set) {
  std::vector<int> v;
  for (int n = 0; n < 128; ++n)
    if (Qualifier::Bit(set, n)) v.push_back(n);
  return v;
}

TEST(QualifierText, Tokens) {
  const struct {
    std::string text;
    std::vector<int> signs, houses, ruled;
    int house_src, ruled_src, motion, all, negate;
  } cases[] = {
      {"*3,*15,*27,*101,", {3}, {3}, {3}, 1, 0, 0, 0, 0},
      {"", {}, {}, {}, 0, 0, 0, 0, 0},
      {"*1,*12,*13,*24,*25,*36,", {1, 12}, {1, 12}, {1, 12}, 0, 0, 0, 0, 0},
      // The smallest index wins; *100, names index 0 and leaves 0.
      {"*105,*102,*151,*160,*202,*201,", {}, {}, {}, 2, 1, 1, 0, 0},
      {"*210,*215,", {}, {}, {}, 0, 0, 0, 1, 1},
      // A token needs both its star and its comma: "13," inside "*113," is not "*13,".
      {"*113,*7", {}, {}, {}, 13, 0, 0, 0, 0},
      {"*0,*37,*149,*203,*211,", {}, {}, {}, 49, 0, 0, 0, 0},
      {"junk*4,more", {4}, {}, {}, 0, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    Qualifier q = ParseQualifier(c.text);
    EXPECT_EQ(Bits(q.Signs), c.signs) << c.text;
    EXPECT_EQ(Bits(q.Houses), c.houses) << c.text;
    EXPECT_EQ(Bits(q.RuledHouses), c.ruled) << c.text;
    EXPECT_EQ(q.HouseSource, c.house_src) << c.text;
    EXPECT_EQ(q.RuledSource, c.ruled_src) << c.text;
    EXPECT_EQ(q.Motion, c.motion) << c.text;
    EXPECT_EQ(q.AllConditions, c.all) << c.text;
    EXPECT_EQ(q.Negate, c.negate) << c.text;
  }
}

TEST(QualifierText, OnlyTheFirst255CharactersCount) {
  std::string text(253, ' ');
  Qualifier cut = ParseQualifier(text + "*5,");  // the comma is character 256
  EXPECT_TRUE(Bits(cut.Signs).empty());
  Qualifier fits = ParseQualifier(text.substr(1) + "*5,");
  EXPECT_EQ(Bits(fits.Signs), std::vector<int>{5});
}

TEST(PriceLevelText, WordsAndDefaults) {
  const struct { const char* text; int b; double r; int i1, i2; } cases[] = {
      {"", 0, 1.0, 1, 2},
      {"3;0,5;7;8", 3, 0.5, 7, 8},
      {";;3;;;2.5;;", 3, 2.5, 1, 2},  // runs of separators count as one
      {"x;y;z;w", 0, 1.0, 1, 2},
      {"258;1e2;-4", 2, 100.0, -4, 2},
  };
  for (const auto& c : cases) {
    PriceLevel p = ParsePriceLevel(c.text);
    EXPECT_EQ(+p.B, c.b) << c.text;
    EXPECT_EQ(+p.R, c.r) << c.text;
    EXPECT_EQ(+p.I1, c.i1) << c.text;
    EXPECT_EQ(+p.I2, c.i2) << c.text;
  }
}

TEST(UserWaveText, DefaultTextGivesTheBuiltInWave) {
  UserWave w = ParseUserWave(DefaultUserWaveText());
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
  for (double x : {0.0, 45.0, 123.0}) {
    EXPECT_EQ(WaveAtAngle(w, x), 0.0);
    EXPECT_EQ(WaveAtSpan(w, x * astro::DayInCenturies), 0.0);
  }
}

TEST(UserWaveText, FieldsAndComponents) {
  std::string t = "7\x01" "12,5\x01" "1\x01" "2\x01" "3\x01" "4\x01" "5\x01" "6\x01" "7\x01" "8\x01" "300\x01";
  t += "2\x02" "0\x02" "3\x01";   // component 1: a=2, b=0, z=3
  t += "\x02" "1\x01";             // component 2: a default, b=1, z default
  UserWave w = ParseUserWave(t);
  EXPECT_EQ(w.B0, 7);
  EXPECT_EQ(+w.Period, 12.5);
  const uint8_t bytes[9] = {1, 2, 3, 4, 5, 6, 7, 8, 44};
  EXPECT_EQ(std::memcmp(w.Bytes, bytes, 9), 0);
  WaveComponent c0 = w.Comp[0], c1 = w.Comp[1], c2 = w.Comp[2];
  EXPECT_EQ(+c0.A, 2.0f);
  EXPECT_EQ(+c0.Z, 3.0f);
  EXPECT_EQ(+c1.A, 0.0f);
  EXPECT_EQ(+c1.B, 1.0f);
  EXPECT_EQ(+c1.Z, 1.0f);
  EXPECT_EQ(+c2.Z, 1.0f);

  // Present text with missing fields: the nine bytes default to 0, not to the built-in wave.
  UserWave s = ParseUserWave("1");
  EXPECT_EQ(s.B0, 1);
  EXPECT_EQ(+s.Period, 30.0);
  EXPECT_EQ(s.Bytes[1], 0);
}

TEST(UserWaveValues, AngleAndSpan) {
  UserWave w = ParseUserWave(DefaultUserWaveText());
  w.Comp[0] = {2.0f, 0.0f, 3.0f};   // 2 sin(3x)
  w.Comp[1] = {0.0f, 1.0f, 1.0f};   // cos(x)
  EXPECT_NEAR(WaveAtAngle(w, 30.0), 2.0 * 1.0 + std::cos(30.0 * astro::kDegToRad), 1e-12);
  EXPECT_NEAR(WaveAtAngle(w, 0.0), 1.0, 1e-12);
  // Period 30 days: after 10 days the first component's argument is 360·3·10/30 = 360 → 0,
  // the second's 120 degrees.
  EXPECT_NEAR(WaveAtSpan(w, 10 * astro::DayInCenturies), std::cos(120.0 * astro::kDegToRad), 1e-6);
  EXPECT_NEAR(WaveAtSpan(w, -10 * astro::DayInCenturies), std::cos(120.0 * astro::kDegToRad), 1e-6);
  EXPECT_NEAR(WaveAtSpan(w, 2.5 * astro::DayInCenturies), 2.0 * std::sin(90.0 * astro::kDegToRad) +
                                                       std::cos(30.0 * astro::kDegToRad), 1e-6);
  // A zero period has no phase: the wave gives 0 rather than a NaN.
  w.Period = 0.0;
  EXPECT_EQ(WaveAtSpan(w, 10 * astro::DayInCenturies), 0.0);
}

TEST(Renumbering, ObjectTable) {
  const struct { int n, mode, want; } cases[] = {
      {0, 1, 0}, {14, 1, 14}, {15, 1, 255}, {34, 1, 255}, {35, 1, 15}, {59, 1, 39},
      {60, 1, 255}, {254, 1, 255}, {20, 0, 20}, {255, 0, 255}, {300, 0, 44}, {-1, 0, 255},
      {40, 3, 40},
  };
  for (const auto& c : cases) EXPECT_EQ(RenumberObject(c.n, c.mode), c.want) << c.n << " " << c.mode;
}

}  // namespace
}  // namespace sd::model
