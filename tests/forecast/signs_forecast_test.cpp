// Sign and house positions, mutual reception and midpoints in the forecast run: a model of one
// event scores at each moment what the transit chart of that moment says it should.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>

#include "astro/angles.h"
#include "astro/ayanamsa.h"
#include "astro/chart_data.h"
#include "one_event_forecast.h"
#include "zodiac_expect.h"

namespace sd {
namespace {

using testing::House;
using testing::OneEventForecast;
using testing::Sign;

// ---- the expectations, worked out here from plain geometry ----------------------------------

// The midpoint on the shorter arc, as the direction of the sum of the two unit vectors.
double Midpoint(double x, double y) {
  const double r = astro::kPi / 180;
  return astro::NormalizeMod(std::atan2(std::sin(x * r) + std::sin(y * r), std::cos(x * r) + std::cos(y * r)) / r, 360);
}

// Strength of a position `orb` degrees from exactness within `limit`.
double Strength(double orb, double limit) {
  return orb < limit ? (std::cos(astro::kPi * orb / limit) + 1) / 2 : 0;
}

bool Has(const std::set<int>& s, int n) { return s.count(n) != 0; }

// Runs the model and checks every moment against expect(transit chart); returns the values.
std::vector<double> Check(OneEventForecast& f, const std::string& model, int y, int m, int d,
                          const std::function<double(const astro::ChartData&)>& expect) {
  const forecast::ForecastValues v = f.Run(model, y, m, d, 0.0);
  EXPECT_EQ(v.Values.size(), 41u);
  for (size_t i = 0; i < v.Values.size(); ++i) {
    const astro::ChartData transit = f.TransitAt(v.Moments[i]);
    EXPECT_NEAR(v.Values[i], expect(transit), 1e-6) << "moment " << i;
  }
  return v.Values;
}

// How many different values the run took: a check over a constant curve shows little.
size_t Distinct(const std::vector<double>& values) {
  std::set<long long> s;
  for (double v : values) s.insert(std::llround(v * 1e6));
  return s.size();
}

// ---- kind 0 ---------------------------------------------------------------------------------

TEST(SignsForecast, TransitObjectsInSigns) {
  OneEventForecast f;
  const std::set<int> signs = {1, 2, 3};
  const auto values = Check(f, "[E]\n_H=x\n_T=0\nWEIGHT=1.5\nP0=1\nP1=1,2,3,4\nP3=1,2,3\n", 2026, 4, 1,
                            [&](const astro::ChartData& t) {
                              int n = 0;
                              for (int obj : {astro::kMoon, astro::kMercury, astro::kVenus, astro::kMars})
                                n += Has(signs, Sign(t.Lon(obj)));
                              return 1.5 * n;
                            });
  EXPECT_GE(Distinct(values), 2u);
}

TEST(SignsForecast, TransitPlanetsInNatalHousesOrSigns) {
  OneEventForecast f;
  const astro::ChartData& natal = f.Natal();
  const std::set<int> houses = {1, 2, 3, 4, 5, 6}, signs = {5};
  const auto values = Check(
      f, "[E]\n_H=x\n_T=0\nP0=1\nP1=0,1,2,3,4,5,6,7,8,9\nP2=1,2,3,4,5,6\nP3=5\nP5=0\n", 2026, 4, 1,
      [&](const astro::ChartData& t) {
        int n = 0;
        for (int obj = 0; obj <= 9; ++obj)
          n += Has(houses, House(natal, t.Lon(obj))) || Has(signs, Sign(t.Lon(obj)));
        return static_cast<double>(n);
      });
  EXPECT_GE(Distinct(values), 2u);
  // The transit chart has no cusps of its own: houses from it never match.
  Check(f, "[E]\n_H=x\n_T=0\nP0=1\nP1=0,1,2,3,4,5,6,7,8,9\nP2=1,2,3,4,5,6,7,8,9,10,11,12\nP5=1\n", 2026, 4, 1,
        [&](const astro::ChartData& t) {
          int n = 0;
          for (int obj = 0; obj <= 9; ++obj) n += House(t, t.Lon(obj)) != 0;
          return static_cast<double>(n);
        });
}

TEST(SignsForecast, SiderealSignsOfTheMoon) {
  OneEventForecast f;
  const auto values = Check(f, "[E]\n_H=x\n_T=0\nP0=1\nP1=1\nP3=1,2,3,4,5,6\nP4=10\n", 2026, 4, 1,
                            [&](const astro::ChartData& t) {
                              const double sidereal = t.Lon(astro::kMoon) - astro::AyanamsaAt(t.Moment);
                              return Sign(sidereal) <= 6 ? 1.0 : 0.0;
                            });
  EXPECT_GE(Distinct(values), 2u);
}

TEST(SignsForecast, NatalObjectsStandStill) {
  OneEventForecast f;
  const astro::ChartData& natal = f.Natal();
  // The natal Sun, Moon and Ascendant, wanted in the signs they occupy and one more.
  const std::set<int> signs = {Sign(natal.Lon(astro::kSun)), Sign(natal.Lon(astro::kAscendant)), 12};
  double expected = 0;
  for (int obj : {astro::kSun, astro::kMoon, astro::kAscendant}) expected += Has(signs, Sign(natal.Lon(obj)));
  std::string keys = "P3=";
  for (int s : signs) keys += std::to_string(s) + ",";
  Check(f, "[E]\n_H=x\n_T=0\nP0=0\nP1=0,1,18\n" + keys + "\n", 2026, 4, 1,
        [&](const astro::ChartData&) { return expected; });
}

TEST(SignsForecast, IngressesNeedTwoDifferentMoments) {
  OneEventForecast f;
  // The forecast hands one snapshot for every stencil point: nothing ever changes sign. With no
  // sets every present object scores (the Ascendant is not in the transit chart).
  Check(f, "[E]\n_H=x\n_T=0\n_CM=1\nP0=1\nP1=0,1,18\n", 2026, 4, 1,
        [](const astro::ChartData&) { return 2.0; });
  Check(f, "[E]\n_H=x\n_T=0\n_CM=1\nP0=1\nP1=0,1\nP3=1,2,3,4,5,6,7,8,9,10,11,12\n", 2026, 4, 1,
        [](const astro::ChartData&) { return 0.0; });
}

// ---- kind 19 --------------------------------------------------------------------------------

TEST(SignsForecast, SunAndMoonInMutualReception) {
  OneEventForecast f;
  // Sun in Cancer (the Moon's) and Moon in Leo (the Sun's), some time in July.
  const auto values = Check(
      f, "[E]\n_H=x\n_T=19\nWEIGHT=2\nZR1=1\nZR2=1\nZR3=0\n", 2026, 7, 1, [](const astro::ChartData& t) {
        return Sign(t.Lon(astro::kSun)) == 4 && Sign(t.Lon(astro::kMoon)) == 5 ? 2.0 : 0.0;
      });
  EXPECT_EQ(Distinct(values), 2u);
}

// ---- kind 3 ---------------------------------------------------------------------------------

TEST(SignsForecast, TransitMoonOnTheNatalSunMoonAxis) {
  OneEventForecast f;
  const astro::ChartData& natal = f.Natal();
  const double mid = Midpoint(natal.Lon(astro::kSun), natal.Lon(astro::kMoon));
  const auto values = Check(f, "[E]\n_H=x\n_T=3\nM0=0\nM1=0\nM2=1\nM3=1,5\nM4=1\nM5=1\nM6=8\n", 2026, 4, 1,
                            [&](const astro::ChartData& t) {
                              const double moon = t.Lon(astro::kMoon);
                              return Strength(astro::AngularDistance(moon - mid), 8) +
                                     Strength(astro::AngularDistance(moon - mid - 180), 8);
                            });
  EXPECT_GE(Distinct(values), 3u);
  // The second harmonic: midpoint and Moon both doubled.
  Check(f, "[E]\n_H=x\n_T=3\nM0=0\nM1=0\nM2=1\nM3=1\nM4=1\nM5=1\nM6=8\nM8=2\n", 2026, 4, 1,
        [&](const astro::ChartData& t) {
          return Strength(astro::AngularDistance(2 * t.Lon(astro::kMoon) - 2 * mid), 8);
        });
  // Exact passages need the Moon to move within the step; the forecast's stencil stands still.
  Check(f, "[E]\n_H=x\n_T=3\n_CM=1\nM0=0\nM1=0\nM2=1\nM3=1,5\nM4=1\nM5=1\nM6=8\n", 2026, 4, 1,
        [](const astro::ChartData&) { return 0.0; });
}

TEST(SignsForecast, TransitMoonOnTheTransitSunMercuryMidpoint) {
  OneEventForecast f;
  const auto values = Check(f, "[E]\n_H=x\n_T=3\nWEIGHT=-1\nM0=1\nM1=0\nM2=2\nM3=1\nM4=1\nM5=1\nM6=12\n",
                            2026, 4, 1, [&](const astro::ChartData& t) {
                              const double mid = Midpoint(t.Lon(astro::kSun), t.Lon(astro::kMercury));
                              return -Strength(astro::AngularDistance(t.Lon(astro::kMoon) - mid), 12);
                            });
  EXPECT_GE(Distinct(values), 2u);
}

// ---- the shipped model ------------------------------------------------------------------------

// The text of one section of the shipped model.
std::string ShippedSection(const std::string& name) {
  std::ifstream in(std::string(STOCKDYN_SOURCE_DIR) + "/assets/stock.hyp", std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string text = ss.str();
  const size_t at = text.find("[" + name + "]");
  if (at == std::string::npos) return "";
  const size_t end = text.find("\n[", at);
  return text.substr(at, end == std::string::npos ? std::string::npos : end + 1 - at);
}

// Each event is run alone over twenty days chosen so that its configuration comes or goes, and
// scored from what its header says it means.
TEST(SignsForecast, ShippedEventsScoreAsTheirHeadersSay) {
  OneEventForecast f;
  const astro::ChartData& natal = f.Natal();
  struct Case {
    const char* section;
    int y, m, d;
    std::function<double(const astro::ChartData&)> expect;
  };
  const double sun_moon = Midpoint(natal.Lon(astro::kSun), natal.Lon(astro::kMoon));
  const double sun_jupiter = Midpoint(natal.Lon(astro::kSun), natal.Lon(astro::kJupiter));
  const Case cases[] = {
      {"JupiterEarthSigns", 2024, 5, 15,  // Jupiter leaves Taurus for Gemini
       [](const astro::ChartData& t) {
         const int s = Sign(t.Lon(astro::kJupiter));
         return s == 2 || s == 6 || s == 10 ? 0.5 : 0.0;
       }},
      {"MarsInFallOrDetriment", 2024, 8, 25,  // Mars enters Cancer
       [](const astro::ChartData& t) {
         const int s = Sign(t.Lon(astro::kMars));
         return s == 4 || s == 7 ? -0.5 : 0.0;
       }},
      {"MoonInScorpioCapricorn", 2026, 4, 1,
       [](const astro::ChartData& t) {
         const int s = Sign(t.Lon(astro::kMoon));
         return s == 8 || s == 10 ? -0.25 : 0.0;
       }},
      {"SaturnNatalMoneyHouses", 2031, 5, 1,  // Saturn reaches the natal second house
       [&](const astro::ChartData& t) {
         const int h = House(natal, t.Lon(astro::kSaturn));
         return h == 2 || h == 8 ? -0.75 : 0.0;
       }},
      {"VenusMarsReception", 2030, 4, 25,  // Mars enters Taurus while Venus is in Aries
       [](const astro::ChartData& t) {
         // Each in a sign the other rules: Mars rules Aries, Venus Taurus and Libra.
         const int v = Sign(t.Lon(astro::kVenus)), m = Sign(t.Lon(astro::kMars));
         return v == 1 && (m == 2 || m == 7) ? 0.5 : 0.0;
       }},
      {"TJupiterNatalSunMoonMidpoint", 2023, 3, 25,  // Jupiter crosses the natal midpoint
       [&](const astro::ChartData& t) {
         return Strength(astro::AngularDistance(t.Lon(astro::kJupiter) - sun_moon), 1.5);
       }},
      {"TSaturnNatalSunJupiterMidpoint", 2033, 9, 1,  // Saturn reaches the far end of the axis
       [&](const astro::ChartData& t) {
         const double s = t.Lon(astro::kSaturn);
         return -(Strength(astro::AngularDistance(s - sun_jupiter), 1.5) +
                  Strength(astro::AngularDistance(s - sun_jupiter - 180), 1.5));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.section);
    const std::string section = ShippedSection(c.section);
    ASSERT_FALSE(section.empty());
    const auto values = Check(f, section, c.y, c.m, c.d, c.expect);
    EXPECT_GE(Distinct(values), 2u);
  }
}

}  // namespace
}  // namespace sd
