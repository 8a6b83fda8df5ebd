#pragma once
// Zodiac dignities: which planets rule, are exalted, in detriment or in fall in each sign; the
// rulers of the signs, terms and decans under five schemes; and where a moving position crosses
// into the next segment of a scheme.
//
// Planets are chart object numbers (0 Sun .. 9 Pluto); signs are 1..12 from Aries; longitudes
// are tropical degrees.
#include <span>

#include "astro/chart_data.h"
#include "astro/object_set.h"

namespace sd::astro {

// The four dignity sets of one sign (sets of object numbers).
struct SignDignitySets {
  ObjectSet RulerSet;
  ObjectSet ExaltationSet;
  ObjectSet DetrimentSet;
  ObjectSet FallSet;
};
// Entry sign - 1 holds sign 1..12.
extern const SignDignitySets DignitySets[12];

// Dignity codes, in the order in which they are tested (the first that applies wins).
enum Dignity : int {
  kDignityFall = 3,
  kDignityDetriment = 2,
  kDignityExaltation = 1,
  kDignityRuler = 0,
  kDignityNone = -1,
};

// The dignity of the planet in the sign of longitude x: fall, else detriment, else exaltation,
// else rulership, else none. A longitude outside the twelve signs, or a planet number outside
// 0..207, gives kDignityNone.
int SignDignity(int planet, double x);
// The same, with the sets indexed by the house of x among the cusps of the longitude row
// (objects 18..29) instead of the sign. Cusps not computed, or x missing, give kDignityNone.
int HouseDignity(int planet, std::span<const double, kObjectCount> lon, double x);
// The dignity of the planet under the sets of one sign 1..12 or house 1..12 (the common core of
// the two above); kDignityNone outside 1..12.
int DignityInSets(int planet, int index);

// True when all twelve cusps of the row are known and none of them lies in the sign of x.
bool InInterceptedSign(std::span<const double, kObjectCount> lon, double x);

// Dignity schemes: each divides the circle into segments with a ruling planet (0..6).
enum DignityScheme : int {
  kSchemeSignRulers = 0,
  kSchemeSignDetriments = 1,
  kSchemeTermsFirst = 2,
  kSchemeTermsSecond = 3,
  kSchemeDecans = 4,
  kSchemeCount = 5,
};

// The planet of the scheme's segment with lo <= x < hi. 0 when x lies outside [0, 360) or the
// scheme is unknown.
int SchemeRuler(int scheme, double x);
// The first segment boundary of the scheme, in ascending order from 0, that lies on the shorter
// arc between from and to (ends included): where a position moving from `from` to `to` enters a
// new segment. NoValue when there is none, the scheme is unknown, or either end is NoValue.
double SchemeBoundaryBetween(int scheme, double from, double to);

}  // namespace sd::astro
