// Speed, angle and formula-point events in the forecast run: a model of one event gives, at every
// moment of the run, the value worked out here from that moment's transit chart and the natal
// chart. On the forecast grid the neighbouring stencil points are the moment itself, so nothing
// moves within a step.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "astro/chart_data.h"
#include "astro/moment.h"
#include "one_event_forecast.h"

namespace sd {
namespace {

constexpr int kYear = 2026, kMonth = 3, kDay = 10;  // the Sun reaches 0 Aries on the 20th
constexpr double kZone = 0;

std::string Model(const std::string& event_keys) {
  return "[OPTIONS]\r\nHEADER=one event\r\nNObjMod=0\r\n\r\n[Event]\r\n_H=the event under test\r\n" +
         event_keys;
}

// Longitude difference b - a folded into [-180, 180].
double Folded(double d) { return std::remainder(d, 360.0); }

double RaisedCosine(double dev, double limit) {
  const double e = std::fabs(dev);
  return e > limit ? 0 : (std::cos(astro::kPi * e / limit) + 1) / 2;
}

double Lon(const astro::ChartData& c, int obj) { return c.Object[astro::kLongitude][obj]; }

using Expectation = std::function<double(const astro::ChartData& transit, const astro::ChartData& natal)>;

class MotionForecast : public ::testing::Test {
 protected:
  // Runs the model and compares every moment with the expectation; returns the expected values.
  std::vector<double> Check(const std::string& keys, const Expectation& expect) {
    const forecast::ForecastValues v = forecast_.Run(Model(keys), kYear, kMonth, kDay, kZone);
    EXPECT_EQ(v.Moments.size(), 41u);
    std::vector<double> expected;
    for (size_t i = 0; i < v.Moments.size() && i < v.Values.size(); ++i) {
      const astro::ChartData transit = forecast_.TransitAt(v.Moments[i]);
      expected.push_back(expect(transit, forecast_.Natal()));
      EXPECT_NEAR(v.Values[i], expected.back(), 1e-6) << keys << "moment " << i;
    }
    return expected;
  }
  // The expected series must tell a working factor from one that always or never scores.
  static void ExpectHitsAndMisses(const std::vector<double>& e) {
    EXPECT_TRUE(std::any_of(e.begin(), e.end(), [](double x) { return x == 0; }));
    EXPECT_TRUE(std::any_of(e.begin(), e.end(), [](double x) { return x > 0.05; }));
  }

  testing::OneEventForecast forecast_;
};

// ---- speed and stations -------------------------------------------------------------------

TEST_F(MotionForecast, SpeedEventsSeeTheTransitsStandingStill) {
  const std::string planets = "_T=1\r\nV0=1\r\nV1=0,1,2,3,4,5,6,7,8,9\r\n";
  struct Case { std::string keys; double value; };
  const Case cases[] = {
      {planets + "WEIGHT=1\r\nV4=1\r\n", 10},      // every planet retrograde
      {planets + "WEIGHT=-2\r\nV4=1\r\n", -20},
      {planets + "WEIGHT=1\r\nV4=0\r\n", 0},       // none direct
      {planets + "WEIGHT=1\r\nV2=0\r\nV3=1\r\n", 10},  // slow and not speeding up
      {planets + "WEIGHT=1\r\nV2=1,2\r\n", 0},
      {"_T=1\r\nV0=1\r\nV1=0,1,30\r\nWEIGHT=1\r\nV2=2\r\n", 1},  // only the node is fast
      {planets + "WEIGHT=1\r\n_CM=1\r\nV3=0,1\r\nV4=0,1\r\n", 0},  // no station, no turn
      {"_T=1\r\nV0=0\r\nV1=0,1,2,3,4,5,6,7,8,9\r\nWEIGHT=1\r\n", 0},  // natal: no step
  };
  for (const Case& c : cases)
    Check(c.keys, [&](const astro::ChartData&, const astro::ChartData&) { return c.value; });
}

// ---- angles ----------------------------------------------------------------------------------

TEST_F(MotionForecast, TheSunAgainstTheAriesPoint) {
  const auto e = Check("_T=8\r\nWEIGHT=1\r\nAN1=1\r\nAN2=0\r\nAN3=1\r\nAN4=0\r\nAN5=0\r\nAN6=5\r\n",
                       [](const astro::ChartData& t, const astro::ChartData&) {
                         return RaisedCosine(Folded(Lon(t, astro::kSun)), 5);
                       });
  ExpectHitsAndMisses(e);
}

TEST_F(MotionForecast, TransitMoonPastTheNatalSun) {
  const std::string keys =
      "_T=8\r\nWEIGHT=1.5\r\nAN1=0\r\nAN2=0\r\nAN3=1\r\nAN4=1\r\nAN5=90\r\nAN6=30\r\n";
  const auto expect = [](const astro::ChartData& t, const astro::ChartData& n) {
    return 1.5 * RaisedCosine(Folded(Lon(t, astro::kMoon) - Lon(n, astro::kSun) - 90), 30);
  };
  ExpectHitsAndMisses(Check(keys, expect));
  Check(keys + "AN8=1\r\n", expect);  // separating only: every hit here is
  // Applying only: nothing moves within a step, so nothing applies.
  Check(keys + "AN8=0\r\n", [](const astro::ChartData&, const astro::ChartData&) { return 0.0; });
}

TEST_F(MotionForecast, MidpointOfTheTransitSunAndMoon) {
  const auto e = Check(
      "_T=8\r\nWEIGHT=1\r\nAN1=1\r\nAN2=0\r\nAN3=1\r\nAN4=1\r\nAN5=0\r\nAN6=40\r\nAN61=1\r\n",
      [](const astro::ChartData& t, const astro::ChartData&) {
        // Halfway along the shorter arc from the Sun to the Moon.
        const double mid = Lon(t, astro::kSun) + Folded(Lon(t, astro::kMoon) - Lon(t, astro::kSun)) / 2;
        return RaisedCosine(Folded(mid), 40);
      });
  ExpectHitsAndMisses(e);
}

// The separation of Mercury and Venus on the sphere, from their longitudes and latitudes.
TEST_F(MotionForecast, SeparationOfTwoTransitPlanets) {
  const auto unit = [](const astro::ChartData& c, int p) {
    const double lon = Lon(c, p) * astro::kDegToRad, lat = c.Planet[astro::kLatitude][p] * astro::kDegToRad;
    return std::vector<double>{std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
  };
  const auto e = Check(
      "_T=8\r\nWEIGHT=1\r\nAN1=1\r\nAN2=2\r\nAN3=1\r\nAN4=3\r\nAN5=0\r\nAN6=180\r\nAN7=9\r\n",
      [&](const astro::ChartData& t, const astro::ChartData&) {
        const std::vector<double> a = unit(t, astro::kMercury), b = unit(t, astro::kVenus);
        const double cross = std::hypot(a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                                        a[0] * b[1] - a[1] * b[0]);
        const double sep = std::atan2(cross, a[0] * b[0] + a[1] * b[1] + a[2] * b[2]) * astro::kRadToDeg;
        return RaisedCosine(sep, 180);
      });
  EXPECT_GT(*std::max_element(e.begin(), e.end()) - *std::min_element(e.begin(), e.end()), 1e-4);
}

// ---- formula points --------------------------------------------------------------------------

// Natal Ascendant + Moon - Sun, met by the transiting Moon in conjunction or opposition.
TEST_F(MotionForecast, TransitMoonToNatalAscendantPlusMoonMinusSun) {
  const std::string keys =
      "_T=16\r\nWEIGHT=1\r\nPT1=18\r\nPT2=1\r\nPT3=0\r\nPT35=4\r\nPT4=0\r\nPT5=0\r\nPT6=1\r\n"
      "PT65=2\r\nPT7=1,5\r\nPT8=1\r\nPT9=1\r\nPT11=1\r\nPT12=0\r\n";
  for (const double orb : {8.0, 3.0}) {
    const auto e = Check(keys + "PT10=" + std::to_string(orb) + "\r\n", [orb](const astro::ChartData& t,
                                                                              const astro::ChartData& n) {
      const double point = Lon(n, astro::kAscendant) + Lon(n, astro::kMoon) - Lon(n, astro::kSun);
      const double conj = Folded(Lon(t, astro::kMoon) - point);
      const double opp = Folded(Lon(t, astro::kMoon) - point - 180);
      return RaisedCosine(conj, orb) + RaisedCosine(opp, orb);
    });
    ExpectHitsAndMisses(e);
  }
}

// The mean of the transit Sun and Moon (not their nearer midpoint), met by any transit planet.
TEST_F(MotionForecast, TransitPlanetsToTheMeanOfSunAndMoon) {
  const auto e = Check(
      "_T=16\r\nWEIGHT=1\r\nPT1=0\r\nPT2=1\r\nPT3=2\r\nPT35=3\r\nPT4=3\r\nPT5=3\r\nPT6=2\r\n"
      "PT65=2\r\nPT7=1\r\nPT8=2,3,4,5,6,7,8,9\r\nPT9=2\r\nPT10=10\r\nPT11=1\r\nPT12=0\r\n",
      [](const astro::ChartData& t, const astro::ChartData&) {
        const double mean = (Lon(t, astro::kSun) + Lon(t, astro::kMoon)) / 2;
        double sum = 0;
        for (int p = astro::kMercury; p <= astro::kPluto; ++p)
          sum += RaisedCosine(Folded(Lon(t, p) - mean), 10);
        return sum;
      });
  ExpectHitsAndMisses(e);
}

}  // namespace
}  // namespace sd
