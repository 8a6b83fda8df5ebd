#include "eval/user_wave_factors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "astro/moment.h"
#include "model/field_text.h"
#include "one_moment.h"

namespace sd::eval {
namespace {

using testing::EventOfKind;
using testing::OneMoment;

struct Comp { double a, b, z; };

// The text a model file carries in "UWAVE": eleven fields, then the components, each field
// closed by 0x01 and the three reals of a component joined by 0x02.
std::string WaveText(int mode, double period, std::vector<int> bytes, std::vector<Comp> comps) {
  std::string t = std::to_string(mode) + '\x01' + std::to_string(period) + '\x01';
  bytes.resize(9, 0);
  for (int b : bytes) t += std::to_string(b) + '\x01';
  for (const Comp& c : comps)
    t += std::to_string(c.a) + '\x02' + std::to_string(c.b) + '\x02' + std::to_string(c.z) + '\x01';
  return t;
}

model::UserWave Wave(int mode, double period, std::vector<int> bytes, std::vector<Comp> comps) {
  return model::ParseUserWave(WaveText(mode, period, std::move(bytes), std::move(comps)));
}

double SinD(double d) { return std::sin(d * astro::kPi / 180); }
double CosD(double d) { return std::cos(d * astro::kPi / 180); }

// A snapshot whose rows each hold their own values for the Sun, the Moon and Mars.
class WaveMoment : public ::testing::Test {
 protected:
  void SetUp() override {
    astro::ChartData& c = m_.TransitChart();
    m_.Transit(astro::kSun, 40);
    m_.Transit(astro::kMoon, 130);
    m_.Transit(astro::kMars, 250);
    c.Object[astro::kHelioLongitude][astro::kMars] = 200;
    c.Planet[astro::kMundanePosition][astro::kMars] = 75;
    c.Planet[astro::kPhaseAngle][astro::kMars] = 33;
  }
  WaveResult At(const model::UserWave& w) {
    EventResult r = m_.Run(Event(w));
    WaveResult out;
    out.hit = r.Hits == 1;
    out.strength = static_cast<double>(r.Graded);
    EXPECT_LE(r.Hits, 1);
    return out;
  }
  static model::EventDef Event(const model::UserWave& w) {
    model::EventDef def = EventOfKind(41);
    def.K.k41.Wave = w;
    return def;
  }
  OneMoment m_;
};

TEST_F(WaveMoment, DefaultWaveIsZeroButHitsWhileSunAndMoonAreKnown) {
  const model::UserWave w = model::ParseUserWave(model::DefaultUserWaveText());
  WaveResult r = At(w);
  EXPECT_TRUE(r.hit);
  EXPECT_EQ(r.strength, 0.0);
  m_.Transit(astro::kMoon, astro::NoValue);
  EXPECT_FALSE(At(w).hit);
}

TEST_F(WaveMoment, AngleWaveFromTheChosenRowAndCoefficients) {
  struct Case { std::vector<int> bytes; double x; const char* what; };
  const Case cases[] = {
      {{0, 1, 0, 0, 0, astro::kSun}, 40, "Sun"},
      {{0, 255, 1, 0, 0, astro::kMoon, astro::kSun}, 270, "Sun - Moon"},
      {{0, 1, 255, 0, 0, astro::kMoon, astro::kSun}, 90, "Moon - Sun"},
      {{0, 2, 0, 0, 3, astro::kMars, 0, 0, astro::kMoon}, 170, "2 Mars + 3 Moon"},
      {{0, 0, 0, 1, 0, astro::kPluto, astro::kPluto, astro::kSun},
       40,
       "zero coefficients skip absent objects"},
      {{1, 1, 0, 0, 0, astro::kMars}, 200, "heliocentric"},
      {{2, 1, 0, 0, 0, astro::kMars}, 75, "mundane"},
      {{3, 254, 0, 0, 0, astro::kMars}, 294, "phase angle, coefficient -2"},
  };
  for (const Case& c : cases) {
    const WaveResult r = At(Wave(0, 30, c.bytes, {{1, 0, 1}, {0, 0.5, 3}}));
    ASSERT_TRUE(r.hit) << c.what;
    EXPECT_NEAR(r.strength, SinD(c.x) + 0.5 * CosD(3 * c.x), 1e-6) << c.what;
  }
}

TEST_F(WaveMoment, AnObjectWithoutValueLeavesNoAngle) {
  struct Case { std::vector<int> bytes; const char* what; };
  const Case cases[] = {
      {{0, 1, 1, 0, 0, astro::kSun, astro::kPluto}, "absent planet"},
      {{2, 1, 0, 0, 0, astro::kSun}, "the Sun has no mundane position here"},
      {{2, 1, 0, 0, 0, astro::kAscendant}, "beyond the planet rows"},
      {{0, 1, 0, 0, 0, 45}, "no such object"},
      {{4, 1, 0, 0, 0, astro::kSun}, "no such coordinate"},
  };
  for (const Case& c : cases) EXPECT_FALSE(At(Wave(0, 30, c.bytes, {{1, 1, 1}})).hit) << c.what;
}

TEST_F(WaveMoment, TimeWaveFollowsTheDaysSinceTheMomentOrigin) {
  const model::UserWave w = Wave(1, 30, {}, {{0, 1, 1}});
  const model::UserWave two = Wave(1, 7.5, {}, {{2, 0, 1}, {0, -1, 2}});
  for (double day : {0.0, 7.5, 45000.25, 46100.5, 46101.0}) {
    const astro::ChartMoment t(day * astro::DayInCenturies);
    EventResult r = m_.Run(Event(w), t);
    ASSERT_EQ(r.Hits, 1);
    EXPECT_NEAR(static_cast<double>(r.Graded), CosD(360 * std::fmod(day, 30) / 30), 1e-6) << day;
    const double turn = 360 * std::fmod(day, 7.5) / 7.5;
    EXPECT_NEAR(static_cast<double>(m_.Run(Event(two), t).Graded), 2 * SinD(turn) - CosD(2 * turn), 1e-6)
        << day;
  }
  // Positions play no part.
  m_.Transit(astro::kSun, astro::NoValue);
  EXPECT_EQ(m_.Run(Event(w), astro::ChartMoment(0.0)).Hits, 1);
}

TEST_F(WaveMoment, UnknownModeHitsWithNothing) {
  const WaveResult r = At(Wave(2, 30, {0, 1, 0, 0, 0, astro::kSun}, {{1, 1, 1}}));
  EXPECT_TRUE(r.hit);
  EXPECT_EQ(r.strength, 0.0);
}

}  // namespace
}  // namespace sd::eval
