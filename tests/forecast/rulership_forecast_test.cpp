// One event of each order, rulership, dignity, interception and cluster kind run through the
// forecast, against what the transit and natal charts of the same moments say.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>
#include <string>

#include "astro/dignities.h"
#include "one_event_forecast.h"
#include "zodiac_expect.h"

namespace sd {
namespace {

using Row = double[astro::kObjectCount];
using testing::House;
using testing::Sign;

bool Known(double x) { return x != astro::NoValue; }

// Degrees from q forward to p, in [0, 360).
double Forward(double q, double p) {
  double d = std::fmod(p - q, 360.0);
  return d < 0 ? d + 360.0 : d;
}

// The planet nearest behind r: the smallest backward distance in (0, 180], the lower number
// first.
int NearestBehind(const Row& lon, int r) {
  int best = -1;
  double best_back = 1000;
  for (int i = 0; i < astro::kPlanetCount; ++i) {
    if (i == r || !Known(lon[i])) continue;
    const double back = Forward(lon[i], lon[r]);
    if (back > 0 && back <= 180 && back < best_back) {
      best = i;
      best_back = back;
    }
  }
  return best;
}

bool Rules(int planet, int sign) { return astro::DignitySets[sign - 1].RulerSet.Has(planet); }

bool InMutualReception(const Row& lon, int a, int b) {
  auto ruler_in = [&](int cusp_house, int house) {
    for (int p = 0; p < astro::kPlanetCount; ++p)
      if (Known(lon[p]) && Rules(p, Sign(lon[astro::kAscendant + cusp_house - 1])) &&
          House(lon, lon[p]) == house)
        return true;
    return false;
  };
  return ruler_in(a, b) && ruler_in(b, a);
}

// A whole sign inside house h: the signs on its two cusps are neither equal nor neighbours.
bool HouseHoldsWholeSign(const Row& lon, int h) {
  const int s1 = Sign(lon[astro::kAscendant + h - 1]), s2 = Sign(lon[astro::kAscendant + h % 12]);
  const int step = (s2 - s1 + 12) % 12;
  return step >= 2 && step <= 10;
}

bool ObjectInWholeSignOfItsHouse(const Row& houses, double x) {
  const int h = House(houses, x);
  if (h == 0) return false;
  return Sign(x) != Sign(houses[astro::kAscendant + h - 1]) &&
         Sign(x) != Sign(houses[astro::kAscendant + h % 12]);
}

// Whether `minimum` of the given planets fit inside an open sector of the width around some
// centre 0.0, 0.1, .. 359.9.
bool Crowded(const double (&v)[astro::kPlanetCount], int minimum, double width) {
  for (int i = 0; i < 3600; ++i) {
    const double c = i / 10.0;
    int n = 0;
    for (double x : v)
      if (Known(x) && std::fabs(std::remainder(x - c, 360.0)) < width / 2) ++n;
    if (n >= minimum) return true;
  }
  return false;
}

void CopyRow(const astro::ChartData& c, int row, Row& out) {
  for (int n = 0; n < astro::kObjectCount; ++n) out[n] = c.Object[row][n];
}

class RulershipForecast : public ::testing::Test {
 protected:
  // Runs the one-event model and compares every grid value with `expect`, computed from the
  // transit chart of the moment. Returns the values seen, so that a test can tell that its
  // event does not score the same at every moment.
  std::set<double> Check(const std::string& event_keys, const std::function<double(const astro::ChartData&)>& expect) {
    return Compare(event_keys, [&](astro::ChartMoment t) { return expect(run_.TransitAt(t)); });
  }
  // The same for an event that reads only the natal chart: one value at every moment.
  void CheckConstant(const std::string& event_keys, double want) {
    Compare(event_keys, [&](astro::ChartMoment) { return want; });
  }

  std::set<double> Compare(const std::string& event_keys,
                           const std::function<double(astro::ChartMoment)>& expect) {
    const std::string model = "[E]\n_H=one event\nWEIGHT=1\n" + event_keys;
    const forecast::ForecastValues v = run_.Run(model, 2026, 3, 2, 0.0);
    EXPECT_EQ(v.Moments.size(), 41u);
    EXPECT_EQ(v.Values.size(), v.Moments.size());
    std::set<double> seen;
    for (size_t i = 0; i < v.Moments.size() && i < v.Values.size(); ++i) {
      EXPECT_EQ(v.Values[i], expect(v.Moments[i])) << event_keys << " at moment " << i;
      seen.insert(v.Values[i]);
    }
    return seen;
  }

  testing::OneEventForecast run_;
};

TEST_F(RulershipForecast, NearestPlanetBehindTheTransitMoon) {
  std::set<double> seen;
  for (int e : {astro::kSun, astro::kMercury, astro::kVenus, astro::kMars, astro::kJupiter, astro::kSaturn}) {
    seen.merge(Check("_T=17\nFPB1=1\nFPB2=1\nFPB3=" + std::to_string(e) + "\n",
                           [&](const astro::ChartData& t) {
                             Row lon;
                             CopyRow(t, astro::kLongitude, lon);
                             return NearestBehind(lon, astro::kMoon) == e ? 1.0 : 0.0;
                           }));
  }
  EXPECT_EQ(seen, (std::set<double>{0.0, 1.0}));
}

TEST_F(RulershipForecast, TransitPlanetsExaltedBySign) {
  const std::set<double> seen = Check("_T=24\nPD1=1\nPD2=0\nPD3=1\nPD4=0,1,2,3,4,5,6,7,8,9\n", [](const astro::ChartData& t) {
    int n = 0;
    for (int p = 0; p < astro::kPlanetCount; ++p)
      n += astro::SignDignity(p, t.Object[astro::kLongitude][p]) == astro::kDignityExaltation;
    return static_cast<double>(n);
  });
  EXPECT_GE(seen.size(), 2u);
}

TEST_F(RulershipForecast, TransitPlanetsExaltedInNatalHousesNeedTheirOwnChart) {
  // The selector names one chart for planets and houses; the transit chart has no houses, so
  // a dignity by house of the transits never scores, while the natal one scores throughout.
  Check("_T=24\nPD1=1\nPD2=1\nPD3=1\nPD4=0,1,2,3,4,5,6,7,8,9\n", [](const astro::ChartData&) { return 0.0; });
  Row natal;
  CopyRow(run_.Natal(), astro::kLongitude, natal);
  double want = 0;
  for (int p = 0; p < astro::kPlanetCount; ++p)
    want += astro::DignityInSets(p, House(natal, natal[p])) == astro::kDignityExaltation;
  EXPECT_GT(want, 0) << "some natal planet should be exalted by house";
  CheckConstant("_T=24\nPD1=0\nPD2=1\nPD3=1\nPD4=0,1,2,3,4,5,6,7,8,9\n", want);
}

TEST_F(RulershipForecast, HousesInMutualReceptionOfTheNatalChart) {
  Row natal;
  CopyRow(run_.Natal(), astro::kLongitude, natal);
  int found = 0;
  for (int a = 1; a <= 12; ++a)
    for (int b = a + 1; b <= 12; ++b) {
      const double want = InMutualReception(natal, a, b) ? 1.0 : 0.0;
      found += want != 0;
      CheckConstant("_T=20\nHR1=0\nHR2=" + std::to_string(a) + "\nHR3=" + std::to_string(b) + "\n", want);
    }
  EXPECT_GT(found, 0) << "the natal chart should hold a pair of houses in reception";
}

TEST_F(RulershipForecast, TransitMoonInAnInterceptedNatalSign) {
  Row natal;
  CopyRow(run_.Natal(), astro::kLongitude, natal);
  const std::set<double> seen =
      Check("_T=18\nIPL4=0\nIPL1=1\nIPL2=1\nIPL3=0\n", [&](const astro::ChartData& t) {
        return ObjectInWholeSignOfItsHouse(natal, t.Object[astro::kLongitude][astro::kMoon]) ? 1.0 : 0.0;
      });
  EXPECT_EQ(seen, (std::set<double>{0.0, 1.0}));
}

TEST_F(RulershipForecast, InterceptedNatalHouses) {
  Row natal;
  CopyRow(run_.Natal(), astro::kLongitude, natal);
  int found = 0;
  for (int h = 1; h <= 12; ++h) {
    const double want = HouseHoldsWholeSign(natal, h) ? 1.0 : 0.0;
    found += want != 0;
    CheckConstant("_T=18\nIPL4=1\nIPL5=" + std::to_string(h) + "\nIPL1=0\nIPL2=0\nIPL3=0\n", want);
  }
  EXPECT_GT(found, 0) << "the natal chart should have a house holding a whole sign";
}

TEST_F(RulershipForecast, TransitPlanetsCrowdingIntoASector) {
  struct Case { const char* keys; int row; int minimum; double width; };
  const Case cases[] = {
      {"IS4=6\nIS5=30\nIS6=1e10\nIS7=0\n", astro::kLongitude, 6, 30},
      {"IS4=3\nIS5=20\nIS6=1e10\nIS7=1\n", astro::kHelioLongitude, 3, 20},
  };
  for (const Case& c : cases) {
    const std::set<double> seen = Check(std::string("_T=23\nIS1=1\nIS2=1\nIS3=0,1,2,3,4,5,6,7,8,9\n") + c.keys,
                           [&](const astro::ChartData& t) {
                             double v[astro::kPlanetCount];
                             for (int p = 0; p < astro::kPlanetCount; ++p) v[p] = t.Object[c.row][p];
                             if (c.row == astro::kHelioLongitude) v[astro::kMoon] = astro::NoValue;
                             return Crowded(v, c.minimum, c.width) ? 1.0 : 0.0;
                           });
    EXPECT_EQ(seen, (std::set<double>{0.0, 1.0})) << c.keys;
  }
}

}  // namespace
}  // namespace sd
