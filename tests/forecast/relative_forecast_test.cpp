// Relative positions, phases and user waves through the forecast run: each model holds one
// event, and the expected value at every grid moment comes from that moment's transit chart.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "astro/chart_data.h"
#include "astro/moment.h"
#include "one_event_forecast.h"

namespace sd {
namespace {

using testing::OneEventForecast;

// The forecast of the New Moon of 19 March 2026 and the Full Moon of 2 April.
constexpr int kYear = 2026, kMonth = 3, kDay = 15;
constexpr double kZone = -5.0;

// x - y in (-180, 180].
double Ahead(double x, double y) {
  double d = std::fmod(x - y, 360.0);
  if (d > 180) d -= 360;
  if (d <= -180) d += 360;
  return d;
}

double Elongation(const astro::ChartData& c, int obj) {
  double e = std::fmod(c.Lon(obj) - c.Lon(astro::kSun), 360.0);
  return e < 0 ? e + 360 : e;
}

double Cos(double deg) { return std::cos(deg * astro::kPi / 180); }

// Runs the model and compares every grid value with expected(transit chart of the moment).
// Returns how many moments had a non-zero value and whether the values changed over the run,
// so that a test can show that the event is not simply on or off throughout.
struct Seen {
  int nonzero = 0;
  bool varies = false;
};
Seen ExpectValues(OneEventForecast& f, const std::string& model,
                 const std::function<double(const astro::ChartData&)>& expected, double tolerance = 1e-9) {
  const forecast::ForecastValues v = f.Run(model, kYear, kMonth, kDay, kZone);
  EXPECT_EQ(v.Values.size(), 41u);
  Seen seen;
  for (size_t i = 0; i < v.Values.size(); ++i) {
    const astro::ChartData transit = f.TransitAt(v.Moments[i]);
    EXPECT_NEAR(v.Values[i], expected(transit), tolerance) << "moment " << i << "\n" << model;
    seen.nonzero += v.Values[i] != 0;
    seen.varies |= v.Values[i] != v.Values[0];
  }
  return seen;
}

TEST(RelativeForecast, TransitPlanetsBehindOrAheadOfTheNatalSun) {
  OneEventForecast f;
  const double sun = f.Natal().Lon(astro::kSun);
  for (int side : {0, 1}) {
    const std::string model = "[E]\n_H=near the natal sun\n_T=11\nWEIGHT=2\nLR1=1\n"
                              "LR2=0,1,2,3,4,5,6,7,8,9\nLR3=0\nLR4=0\nLR5=" +
                              std::to_string(side) + "\nLR6=30\n";
    const Seen seen = ExpectValues(f, model, [&](const astro::ChartData& t) {
      int hits = 0;
      for (int p = astro::kSun; p <= astro::kPluto; ++p) {
        const double d = Ahead(t.Lon(p), sun);
        hits += side == 0 ? (d <= 0 && d > -30) : (d > 0 && d < 30);
      }
      return 2.0 * hits;
    });
    EXPECT_TRUE(seen.varies) << side;
  }
}

TEST(RelativeForecast, TransitMoonBetweenTheTransitSunAndMercury) {
  OneEventForecast f;
  // The Moon's own chart holds the references too: it is tested, they are not.
  const std::string model =
      "[E]\n_H=moon between\n_T=12\nWEIGHT=-1.5\nBT1=1\nBT2=0,1,2\nBT3=1\nBT4=0\nBT5=2\nBT6=30\n";
  const Seen seen = ExpectValues(f, model, [](const astro::ChartData& t) {
    const double span = Ahead(t.Lon(astro::kMercury), t.Lon(astro::kSun));
    const double u = Ahead(t.Lon(astro::kMoon), t.Lon(astro::kSun));
    const bool between = span >= 0 ? (u >= 0 && u <= span) : (u <= 0 && u >= span);
    return between && std::fabs(span) < 30 ? -1.5 : 0.0;
  });
  EXPECT_GT(seen.nonzero, 0);
  EXPECT_TRUE(seen.varies);
}

TEST(RelativeForecast, LunarPhasesAndThirds) {
  OneEventForecast f;
  struct Case { const char* phases; const char* thirds; std::function<bool(double)> in; };
  const Case cases[] = {
      {"1,5", "", [](double e) { return e < 45 || (e >= 180 && e < 225); }},
      {"1,2,3,4,5,6,7,8", "2", [](double e) { return std::fmod(e, 45) >= 15 && std::fmod(e, 45) < 30; }},
      {"8", "3", [](double e) { return e >= 345; }},
  };
  for (const Case& c : cases) {
    std::string model = std::string("[E]\n_H=moon phase\n_T=7\nWEIGHT=0.75\nF0=1\nF1=1\nF2=") +
                        c.phases + "\n";
    if (*c.thirds) model += std::string("F3=") + c.thirds + "\n";
    const Seen seen = ExpectValues(f, model, [&](const astro::ChartData& t) {
      return c.in(Elongation(t, astro::kMoon)) ? 0.75 : 0.0;
    });
    EXPECT_TRUE(seen.varies) << c.phases << " / " << c.thirds;
  }
}

TEST(RelativeForecast, MercuryPhaseThirds) {
  OneEventForecast f;
  for (int third = 1; third <= 3; ++third) {
    const std::string model = "[E]\n_H=mercury phase\n_T=7\nWEIGHT=1\nF0=2\nF1=1\n"
                              "F2=1,2,3,4,5,6,7,8\nF3=" + std::to_string(third) + "\n";
    const Seen seen = ExpectValues(f, model, [&](const astro::ChartData& t) {
      const double a = t.Planet[astro::kPhaseAngle][astro::kMercury];
      return static_cast<int>(a / 15) % 3 + 1 == third ? 1.0 : 0.0;
    });
    EXPECT_TRUE(seen.varies) << third;
  }
}

TEST(RelativeForecast, TimeWaveIsTheCosineOfTheDaysSinceTheOrigin) {
  OneEventForecast f;
  const std::string model = std::string("[E]\n_H=thirty days\n_T=41\nWEIGHT=3\nUWAVE=1\x01" "30\x01") +
                            "0\x01" "0\x01" "0\x01" "0\x01" "0\x01" "0\x01" "0\x01" "0\x01" "0\x01" +
                            "0\x02" "1\x02" "1\x01\n";
  const forecast::ForecastValues v = f.Run(model, kYear, kMonth, kDay, kZone);
  ASSERT_EQ(v.Values.size(), 41u);
  for (size_t i = 0; i < v.Values.size(); ++i) {
    const double days = v.Moments[i].Centuries / astro::DayInCenturies;
    EXPECT_NEAR(v.Values[i], 3 * Cos(360 * std::fmod(days, 30) / 30), 1e-6) << i;
  }
}

TEST(RelativeForecast, DefaultWaveIsZeroEverywhere) {
  OneEventForecast f;
  ExpectValues(f, "[E]\n_H=default wave\n_T=41\nWEIGHT=5\n", [](const astro::ChartData&) { return 0.0; });
}

// ---- the shipped model -----------------------------------------------------------------

// The section `name` of the shipped model, as its own one-event model.
std::string ShippedSection(const std::string& name) {
  std::ifstream in(std::string(STOCKDYN_SOURCE_DIR) + "/assets/stock.hyp", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t start = text.find("[" + name + "]");
  if (start == std::string::npos) return {};
  const size_t end = text.find("\n[", start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end + 1 - start);
}

TEST(ShippedLunarEvents, MoonPhaseEventsScoreInTheirPhase) {
  OneEventForecast f;
  struct Case { const char* section; double weight, from, to; };
  const Case cases[] = {
      {"NewMoonPhase", 0.5, 0, 45},    // "first phase (New Moon to crescent): new buying"
      {"FullMoonPhase", -0.5, 180, 225},  // "fifth phase (Full Moon to disseminating)"
  };
  for (const Case& c : cases) {
    const std::string model = ShippedSection(c.section);
    ASSERT_NE(model.find("_T=7"), std::string::npos) << c.section;
    const Seen seen = ExpectValues(f, model, [&](const astro::ChartData& t) {
      const double e = Elongation(t, astro::kMoon);
      return e >= c.from && e < c.to ? c.weight : 0.0;
    });
    EXPECT_TRUE(seen.varies) << c.section;
  }
}

TEST(ShippedLunarEvents, LunarWaveIsHighNearNewMoonAndLowNearFullMoon) {
  OneEventForecast f;
  const std::string model = ShippedSection("LunarWave");
  ASSERT_NE(model.find("_T=41"), std::string::npos);
  ExpectValues(
      f, model, [](const astro::ChartData& t) { return 0.5 * Cos(Elongation(t, astro::kMoon)); }, 1e-6);

  // The header's promise, at the grid moments nearest the New and the Full Moon.
  const forecast::ForecastValues v = f.Run(model, kYear, kMonth, kDay, kZone);
  double near_new = 360, near_full = 360, at_new = 0, at_full = 0;
  for (size_t i = 0; i < v.Values.size(); ++i) {
    const double e = Elongation(f.TransitAt(v.Moments[i]), astro::kMoon);
    const double to_new = std::fmin(e, 360 - e), to_full = std::fabs(e - 180);
    if (to_new < near_new) near_new = to_new, at_new = v.Values[i];
    if (to_full < near_full) near_full = to_full, at_full = v.Values[i];
  }
  ASSERT_LT(near_new, 10);
  ASSERT_LT(near_full, 10);
  EXPECT_GT(at_new, 0.45);
  EXPECT_LT(at_full, -0.45);
}

}  // namespace
}  // namespace sd
