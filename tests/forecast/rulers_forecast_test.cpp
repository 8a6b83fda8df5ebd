// House ruler (kind 21) and orbit point (kind 9) events in a forecast run: each model holds
// one event, and its value at every grid moment is worked out here from the natal chart and
// the transit chart of that moment.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "one_event_forecast.h"
#include "zodiac_expect.h"

namespace sd {
namespace {

using testing::House;
using testing::Sign;

constexpr double kWeight = 2.5;
constexpr int kYear = 2026, kMonth = 3, kDay = 2;
constexpr double kZone = -5.0;

// The planet ruling each sign 1..12 (modern rulers: Pluto Scorpio, Uranus Aquarius, Neptune
// Pisces).
constexpr int kRulerOfSign[13] = {-1, 4, 3, 2, 1, 0, 2, 3, 9, 5, 6, 7, 8};

double Wrap(double x) { return x - 360.0 * std::floor(x / 360.0); }
double Cusp(const astro::ChartData& c, int house) { return c.Object[astro::kLongitude][17 + house]; }
int RulerOfHouse(const astro::ChartData& c, int house) { return kRulerOfSign[Sign(Cusp(c, house))]; }

std::string Event(int kind, const std::string& keys) {
  return "[Event]\n_H=one event\n_T=" + std::to_string(kind) + "\nWEIGHT=2.5\n" + keys;
}

class RulersForecast : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { forecast_ = new testing::OneEventForecast(); }
  static void TearDownTestSuite() {
    delete forecast_;
    forecast_ = nullptr;
  }

  // Runs the model and compares every grid value with weight x the hits `expected` counts from
  // the transit chart of the moment. Returns how many distinct values the run gave.
  static int RunAndCompare(const std::string& model,
                           const std::function<int(const astro::ChartData&)>& expected) {
    const forecast::ForecastValues v = forecast_->Run(model, kYear, kMonth, kDay, kZone);
    EXPECT_EQ(v.Values.size(), 41u);
    std::vector<double> seen;
    for (size_t i = 0; i < v.Values.size(); ++i) {
      const astro::ChartData transit = forecast_->TransitAt(v.Moments[i]);
      EXPECT_DOUBLE_EQ(v.Values[i], kWeight * expected(transit)) << "moment " << i << "\n" << model;
      if (std::find(seen.begin(), seen.end(), v.Values[i]) == seen.end()) seen.push_back(v.Values[i]);
    }
    return static_cast<int>(seen.size());
  }

  static const astro::ChartData& Natal() { return forecast_->Natal(); }

  // A natal house whose ruler is the fastest planet available: the Moon when one of the cusps
  // lies in Cancer, otherwise the next fastest.
  static int FastRuledHouse() {
    for (int planet : {1, 2, 3, 0, 4})
      for (int h = 1; h <= 12; ++h)
        if (RulerOfHouse(Natal(), h) == planet) return h;
    return 1;
  }

  static testing::OneEventForecast* forecast_;
};

testing::OneEventForecast* RulersForecast::forecast_ = nullptr;

TEST_F(RulersForecast, NatalChartHasTheCuspsAndHelioLongitudes) {
  for (int h = 1; h <= 12; ++h) ASSERT_NE(Cusp(Natal(), h), astro::NoValue) << h;
  for (int p = 2; p <= 9; ++p) ASSERT_NE(Natal().Object[astro::kHelioLongitude][p], astro::NoValue) << p;
}

TEST_F(RulersForecast, TransitRulerOfANatalHouseBySignAndByHouse) {
  const int h = FastRuledHouse();
  const int ruler = RulerOfHouse(Natal(), h);
  const std::string house = "RS1=1\nRS1A=0\nRS2=" + std::to_string(h) + "\n";

  const int by_sign = RunAndCompare(
      Event(21, house + "RS3=0\nRS4=1,2,3,4,5,6\n"),
      [&](const astro::ChartData& t) { return Sign(t.Object[astro::kLongitude][ruler]) <= 6 ? 1 : 0; });
  const int by_house =
      RunAndCompare(Event(21, house + "RS3=1\nRS5=1,2,3,4,5,6\n"), [&](const astro::ChartData& t) {
        return House(Natal(), t.Object[astro::kLongitude][ruler]) <= 6 ? 1 : 0;
      });
  if (ruler == 1) {
    // Twenty days of the Moon cross both halves of the zodiac and of the houses.
    EXPECT_EQ(by_sign, 2);
    EXPECT_EQ(by_house, 2);
  }
}

TEST_F(RulersForecast, TransitRulersOfTwoNatalHousesInAspect) {
  const int h = FastRuledHouse();
  const int h2 = (h + 2) % 12 + 1;  // three houses on
  const int a = RulerOfHouse(Natal(), h), b = RulerOfHouse(Natal(), h2);
  const std::string keys = "RS1=1\nRS1A=0\nRS2=" + std::to_string(h) + "\nRS3=3\nRS7=" +
                           std::to_string(h2) + "\nRS8=1,2,3,4,5\nRS9=8\n";
  RunAndCompare(Event(21, keys), [&](const astro::ChartData& t) {
    if (a == b) return 0;
    const double sep =
        std::fabs(Wrap(t.Object[astro::kLongitude][a] - t.Object[astro::kLongitude][b] + 180) - 180);
    for (double angle : {0.0, 60.0, 90.0, 120.0, 180.0})
      if (std::fabs(sep - angle) < 8) return 1;
    return 0;
  });
}

TEST_F(RulersForecast, WhatTheTransitSnapshotCannotTell) {
  // One snapshot serves as the moment and as the next moment: no ruler moves.
  for (const char* dir : {"0", "1"})
    RunAndCompare(Event(21, "RS1=1\nRS1A=0\nRS2=1\nRS3=2\nRS6=" + std::string(dir) + "\n"),
                  [](const astro::ChartData&) { return 0; });
  // The transit chart has no cusps, so a house of the transits has no ruler.
  RunAndCompare(Event(21, "RS1=1\nRS1A=1\nRS2=1\nRS3=0\nRS4=1,2,3,4,5,6,7,8,9,10,11,12\n"),
                [](const astro::ChartData&) { return 0; });
}

// The orbit points of planet 2..9 at moment t, own figures: perihelion and ascending node at
// 1950 January 0.5 and their drift per century.
double OrbitPoint(int planet, int point, astro::ChartMoment t) {
  static const double kElements[10][4] = {
      {}, {},
      {76.67, 0.1597694444, 47.74, -0.1255916667},   {130.86, 0.0081805556, 76.23, -0.2782194444},
      {335.13, 0.4429861111, 49.16, -0.2950277778},  {13.3, -0.0080416667, 99.78, 0.0018361111},
      {91.53, 0.0261916667, 113.48, 0.0017222222},   {172.06, -0.0992305556, 73.7, 0.0368388889},
      {38.31, -10.3815472222, 131.23, 0.0025594444}, {222.91, -1.0469638889, 109.63, 0.0005888889},
  };
  const double* e = kElements[planet];
  const double tp = t.Centuries - 0.5;
  const double base = point < 2 ? e[0] + e[1] * tp : e[2] + e[3] * tp;
  return Wrap(base + (point % 2 == 1 ? 180 : 0));
}

int OrbitHits(const astro::ChartData& chart, astro::ChartMoment t, double orb) {
  int hits = 0;
  for (int point = 0; point < 4; ++point)
    for (int p = 2; p <= 9; ++p) {
      const double d = std::fabs(Wrap(chart.Object[astro::kHelioLongitude][p] - OrbitPoint(p, point, t) + 180) - 180);
      if (d < orb) ++hits;
    }
  return hits;
}

TEST_F(RulersForecast, TransitPlanetsNearTheirOrbitPoints) {
  const int distinct = RunAndCompare(Event(9, "O1=1\nO2=2,3,4,5,6,7,8,9\nO3=0,1,2,3\nO4=12\n"),
                                     [](const astro::ChartData& t) { return OrbitHits(t, t.Moment, 12); });
  // Mercury alone runs some eighty degrees in twenty days, past at least one of its points.
  EXPECT_GE(distinct, 2);
}

TEST_F(RulersForecast, NatalPlanetsNearTheirOrbitPoints) {
  // The natal orbit points and positions do not move: one value throughout.
  const int natal_hits = OrbitHits(Natal(), Natal().Moment, 30);
  RunAndCompare(Event(9, "O1=0\nO2=2,3,4,5,6,7,8,9\nO3=0,1,2,3\nO4=30\n"),
                [&](const astro::ChartData&) { return natal_hits; });
}

TEST_F(RulersForecast, NoCrossingWithoutMotion) {
  // The crossing test compares the moment with the next one, which the run gives the same
  // snapshot: only a planet standing exactly on its point could count.
  RunAndCompare(Event(9, "O1=1\nO2=2,3,4,5,6,7,8,9\nO3=0,1,2,3\nO4=0\n"),
                [](const astro::ChartData&) { return 0; });
}

// ---- the shipped model's events of these kinds ------------------------------------------

// The section `name` of the shipped model, as a model of its own.
std::string ShippedSection(const std::string& name) {
  std::ifstream in(std::string(STOCKDYN_SOURCE_DIR) + "/assets/stock.hyp", std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  const std::string text = all.str();
  const size_t start = text.find("[" + name + "]");
  if (start == std::string::npos) return {};
  const size_t end = text.find("\n[", start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end + 1 - start);
}

double SectionWeight(const std::string& section) {
  const size_t at = section.find("WEIGHT=");
  return at == std::string::npos ? 0 : std::stod(section.substr(at + 7));
}

TEST_F(RulersForecast, ShippedRulersOfIncomeAndGains) {
  // "Transit rulers of the natal second and eleventh houses conjunct, sextile or trine".
  const std::string section = ShippedSection("RulersOfIncomeAndGains");
  ASSERT_FALSE(section.empty());
  const double weight = SectionWeight(section);
  EXPECT_GT(weight, 0) << "a favourable factor";
  const int a = RulerOfHouse(Natal(), 2), b = RulerOfHouse(Natal(), 11);
  // For the test's natal chart these are Mercury and Uranus, sextile about 2026 April 15.
  const forecast::ForecastValues v = forecast_->Run(section, 2026, 4, 5, kZone);
  ASSERT_EQ(v.Values.size(), 41u);
  const auto zeros = std::count(v.Values.begin(), v.Values.end(), 0.0);
  EXPECT_GT(zeros, 0);
  EXPECT_LT(zeros, 41);
  for (size_t i = 0; i < v.Values.size(); ++i) {
    const astro::ChartData t = forecast_->TransitAt(v.Moments[i]);
    const double sep =
        std::fabs(Wrap(t.Object[astro::kLongitude][a] - t.Object[astro::kLongitude][b] + 180) - 180);
    int hit = 0;
    for (double angle : {0.0, 60.0, 120.0})
      if (a != b && std::fabs(sep - angle) < 4) hit = 1;
    EXPECT_DOUBLE_EQ(v.Values[i], weight * hit) << "moment " << i << ", separation " << sep;
  }
}

TEST_F(RulersForecast, ShippedInnerPlanetsAtPerihelion) {
  // "Mercury, Venus or Mars near perihelion (heliocentric)": within a few degrees.
  const std::string section = ShippedSection("InnerPlanetsAtPerihelion");
  ASSERT_FALSE(section.empty());
  const double weight = SectionWeight(section);
  EXPECT_NE(weight, 0);
  // Mercury passes its perihelion about 2026 February 19.
  const forecast::ForecastValues v = forecast_->Run(section, 2026, 2, 10, kZone);
  ASSERT_EQ(v.Values.size(), 41u);
  EXPECT_NE(std::count(v.Values.begin(), v.Values.end(), 0.0), 41) << "Mercury never scored";
  for (size_t i = 0; i < v.Values.size(); ++i) {
    const astro::ChartData t = forecast_->TransitAt(v.Moments[i]);
    int near = 0;
    for (int p : {2, 3, 4}) {
      const double d =
          std::fabs(Wrap(t.Object[astro::kHelioLongitude][p] - OrbitPoint(p, 0, v.Moments[i]) + 180) - 180);
      near += d < 5;
    }
    EXPECT_DOUBLE_EQ(v.Values[i], weight * near) << "moment " << i;
  }
}

}  // namespace
}  // namespace sd
