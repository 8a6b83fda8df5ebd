#include "astro/dignities.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <set>

namespace sd::astro {
namespace {

TEST(SignDignity, FirstMatchingSetWins) {
  struct Case { int planet; double x; int expected; const char* what; };
  const Case cases[] = {
      {kMercury, 170, kDignityExaltation, "Virgo: exaltation wins over rulership"},
      {kMercury, 345, kDignityFall, "Pisces: fall wins over detriment"},
      {kSun, 100, kDignityNone, "Cancer: nothing"},
      {kMars, 35, kDignityFall, "Taurus: fall and detriment, fall wins"},
      {kVenus, 40, kDignityRuler, "Taurus ruler"},
      {kMoon, 40, kDignityExaltation, "Taurus exaltation"},
      {kNeptune, 100, kDignityExaltation, "Cancer has two exalted planets"},
      {kJupiter, 100, kDignityExaltation, "the other one"},
      {kNeptune, 330, kDignityRuler, "Pisces ruler is Neptune"},
      {kPluto, 220, kDignityRuler, "Scorpio ruler is Pluto"},
      {kUranus, 220, kDignityExaltation, "Scorpio exaltation"},
      {kMoon, 315, kDignityFall, "Aquarius: detriment and fall"},
      {kSaturn, 275, kDignityRuler, "Capricorn"},
      {kMars, 29.999, kDignityRuler, "last of Aries"},
      {kMars, 30, kDignityFall, "first of Taurus"},
      {kSaturn, 359.999, kDignityNone, "last of Pisces"},
      {kSaturn, 0, kDignityFall, "first of Aries"},
      {kSun, 360, kDignityExaltation, "360 counts as Aries"},
      {kSun, 390, kDignityNone, "beyond the circle: no sign"},
      {kSun, NoValue, kDignityNone, "position missing"},
      {kSun, NAN, kDignityNone, "position not a number"},
      {kVenus, INFINITY, kDignityNone, "position infinite"},
      {kPartOfFortune, 40, kDignityNone, "an object in no set"},
      {207, 40, kDignityNone, "largest member, in no set"},
      {208, 40, kDignityNone, "not a member number"},
      {-1, 40, kDignityNone, "negative planet"},
  };
  for (const Case& c : cases) EXPECT_EQ(SignDignity(c.planet, c.x), c.expected) << c.what;
}

TEST(HouseDignity, HouseStandsInForTheSign) {
  // Houses start 15 degrees into each sign, so house and sign differ for half of every sign.
  std::array<double, kObjectCount> lon;
  lon.fill(NoValue);
  for (int k = 1; k <= 12; ++k) lon[CuspObject(k)] = 15 + 30 * (k - 1);
  struct Case { int planet; double x; int expected; const char* what; };
  const Case cases[] = {
      {kMars, 20, kDignityRuler, "house 1 takes the sets of Aries"},
      {kMars, 40, kDignityRuler, "still house 1, although Taurus by sign"},
      {kMars, 50, kDignityFall, "house 2 takes the sets of Taurus"},
      {kMars, 10, kDignityNone, "house 12: Pisces sets"},
      {kNeptune, 10, kDignityRuler, "house 12: Pisces ruler"},
      {kSun, 15, kDignityExaltation, "on the first cusp"},
      {kSun, NoValue, kDignityNone, "position missing"},
  };
  for (const Case& c : cases) EXPECT_EQ(HouseDignity(c.planet, lon, c.x), c.expected) << c.what;
  lon[CuspObject(5)] = NoValue;
  EXPECT_EQ(HouseDignity(kMars, lon, 20), kDignityNone) << "cusps not computed";
}

TEST(DignityInSets, IndexOutsideTwelveIsNone) {
  EXPECT_EQ(DignityInSets(kMars, 1), kDignityRuler);
  EXPECT_EQ(DignityInSets(kMars, 0), kDignityNone);
  EXPECT_EQ(DignityInSets(kMars, 13), kDignityNone);
}

TEST(InInterceptedSign, SignWithoutCusp) {
  // Taurus and Scorpio hold no cusp.
  const double cusps[12] = {10, 70, 95, 125, 155, 185, 190, 250, 275, 305, 335, 355};
  std::array<double, kObjectCount> lon;
  lon.fill(NoValue);
  for (int k = 1; k <= 12; ++k) lon[CuspObject(k)] = cusps[k - 1];
  struct Case { double x; bool expected; };
  for (const Case& c : {Case{45, true}, Case{225, true}, Case{30, true}, Case{59.99, true},
                        Case{60, false}, Case{10, false}, Case{355, false}, Case{0, false},
                        Case{NoValue, false}, Case{NAN, false}})
    EXPECT_EQ(InInterceptedSign(lon, c.x), c.expected) << c.x;
  lon[CuspObject(7)] = NoValue;
  EXPECT_FALSE(InInterceptedSign(lon, 45)) << "a missing cusp means unknown houses";
}

TEST(SchemeRuler, SegmentsAndTheirBounds) {
  struct Case { int scheme; double x; int expected; const char* what; };
  const Case cases[] = {
      {kSchemeSignRulers, 350, kMars, "Pisces goes to Mars"},
      {kSchemeSignRulers, 0, kMars, "Aries"},
      {kSchemeSignRulers, 210, kMars, "Scorpio goes to Mars"},
      {kSchemeSignRulers, 300, kSaturn, "Aquarius goes to Saturn"},
      {kSchemeSignRulers, 100, kMoon, "Cancer"},
      {kSchemeSignRulers, 359.9999, kMars, "last of Pisces"},
      {kSchemeSignDetriments, 0, kVenus, "Aries detriment"},
      {kSchemeSignDetriments, 300, kSun, "Aquarius detriment"},
      {kSchemeSignDetriments, 270, kMoon, "Capricorn detriment"},
      {kSchemeTermsFirst, 5.999, kJupiter, "end of the first term"},
      {kSchemeTermsFirst, 6, kVenus, "a term starts at its lower bound"},
      {kSchemeTermsFirst, 240, kJupiter, "Sagittarius opens with Jupiter"},
      {kSchemeTermsFirst, 359, kSaturn, "last term"},
      {kSchemeTermsSecond, 190, kVenus, "Libra 10"},
      {kSchemeTermsSecond, 195, kJupiter, "Libra 15"},
      {kSchemeTermsSecond, 200, kVenus, "Libra 20: Venus again"},
      {kSchemeTermsSecond, 205, kMars, "Libra 25"},
      {kSchemeTermsSecond, 120, kSaturn, "Leo opens with Saturn"},
      {kSchemeDecans, 15, kSun, "second decan of Aries"},
      {kSchemeDecans, 0, kMars, "first decan"},
      {kSchemeDecans, 60, kJupiter, "seventh decan"},
      {kSchemeDecans, 70, kMars, "the order repeats"},
      {kSchemeDecans, 355, kMars, "last decan"},
      {kSchemeSignRulers, 360, 0, "360 is outside"},
      {kSchemeDecans, -0.001, 0, "negative is outside"},
      {kSchemeTermsFirst, NoValue, 0, "missing position"},
      {kSchemeTermsFirst, NAN, 0, "not a number"},
      {5, 10, 0, "unknown scheme"},
      {-1, 10, 0, "negative scheme"},
  };
  for (const Case& c : cases) EXPECT_EQ(SchemeRuler(c.scheme, c.x), c.expected) << c.what;
}

// Published totals of the first term table: Jupiter 79, Venus 82, Mercury 76, Mars 66,
// Saturn 57 degrees. Any mistyped end degree or planet changes them.
TEST(SchemeRuler, FirstTermTableTotals) {
  std::map<int, double> degrees;
  for (double x = 0.25; x < 360; x += 0.5) degrees[SchemeRuler(kSchemeTermsFirst, x)] += 0.5;
  const std::map<int, double> expected = {
      {kMercury, 76}, {kVenus, 82}, {kMars, 66}, {kJupiter, 79}, {kSaturn, 57}};
  EXPECT_EQ(degrees, expected);
}

// Every sign of a term table gives each of the five planets one term; the second table gives
// Venus two terms in Libra and none to Mercury there.
TEST(SchemeRuler, EachPlanetOneTermPerSign) {
  for (int scheme : {kSchemeTermsFirst, kSchemeTermsSecond}) {
    for (int sign = 0; sign < 12; ++sign) {
      std::multiset<int> terms;
      int last = -1;
      for (double x = 30 * sign + 0.25; x < 30 * sign + 30; x += 0.5) {
        const int p = SchemeRuler(scheme, x);
        if (p != last) terms.insert(p);
        last = p;
      }
      std::multiset<int> expected = {kMercury, kVenus, kMars, kJupiter, kSaturn};
      if (scheme == kSchemeTermsSecond && sign == 6) expected = {kVenus, kVenus, kMars, kJupiter, kSaturn};
      EXPECT_EQ(terms, expected) << "scheme " << scheme << " sign " << sign + 1;
    }
  }
}

TEST(SchemeBoundaryBetween, FirstBoundaryOnTheShorterArc) {
  struct Case { int scheme; double from, to, expected; const char* what; };
  const Case cases[] = {
      {kSchemeSignRulers, 355, 5, 0, "crossing into Aries"},
      {kSchemeTermsFirst, 5, 7, 6, "a term boundary"},
      {kSchemeSignRulers, 10, 20, NoValue, "inside one sign"},
      {kSchemeSignRulers, 25, 35, 30, "forward"},
      {kSchemeSignRulers, 35, 25, 30, "backward (retrograde) motion"},
      {kSchemeSignRulers, 30, 40, 30, "start on the boundary counts"},
      {kSchemeSignRulers, 20, 30, 30, "end on the boundary counts"},
      {kSchemeSignDetriments, 89, 91, 90, "the detriment scheme uses the sign boundaries"},
      {kSchemeDecans, 15, 45, 20, "several boundaries: the lowest"},
      {kSchemeDecans, 345, 25, 0, "ascending order from 0 across the wrap"},
      {kSchemeDecans, 345, 355, 350, "decan boundary"},
      {kSchemeSignRulers, 10, 200, 0, "more than half a turn apart: the shorter arc runs back"},
      {kSchemeTermsSecond, 185, 192, 186, "second term table"},
      {kSchemeTermsSecond, 187, 190, NoValue, "inside a term of the second table"},
      {7, 5, 7, NoValue, "unknown scheme"},
      {kSchemeSignRulers, NoValue, 5, NoValue, "missing start"},
      {kSchemeSignRulers, 355, NoValue, NoValue, "missing end"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SchemeBoundaryBetween(c.scheme, c.from, c.to), c.expected) << c.what;
}

}  // namespace
}  // namespace sd::astro
