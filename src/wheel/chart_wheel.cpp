#include "wheel/chart_wheel.h"

#include <utility>

#include "astro/houses.h"
#include "astro/positions.h"
#include "astro/angles.h"

namespace sd::wheel {

namespace {

double LongitudeAt(int body, ChartMoment t) {
  const SunResult sun = SunPosition(t);
  return PlanetPosition(body, t, sun).Longitude;
}

int HouseIn(const WheelInput& in, double lon) {
  if (!in.cusps_known) return 0;
  double row[kObjectCount];
  for (double& v : row) v = NoValue;
  for (int k = 0; k < 12; ++k) row[kAscendant + k] = in.cusps[k];
  return HouseOfCusps(row, lon);
}

std::vector<WheelBody> Ring(const ChartData& c, const WheelInput& houses) {
  std::vector<WheelBody> out;
  for (int n : kWheelObjects) {
    const double lon = c.Object[kLongitude][n];
    if (!IsValue(lon)) continue;
    out.push_back({n, lon, IsRetrograde(n, c.Moment), HouseIn(houses, lon)});
  }
  return out;
}

}  // namespace

bool IsRetrograde(int object, ChartMoment t) {
  if (object < kMercury || object > kPluto || !UsableMoment(t)) return false;
  const double step = DayInCenturies / 24;
  const double before = LongitudeAt(object, t - step), after = LongitudeAt(object, t + step);
  if (!IsValue(before) || !IsValue(after)) return false;
  // The shorter way round from before to after: backwards means retrograde.
  const double d = NormalizeMod(after - before, 360);
  return d > 180;
}

WheelInput NatalWheel(const ChartData& natal, int houses, std::string title) {
  WheelInput in;
  in.title = std::move(title);
  in.cusps_known = true;
  for (int k = 0; k < 12; ++k) {
    in.cusps[k] = natal.Object[kLongitude][kAscendant + k];
    if (!IsValue(in.cusps[k])) in.cusps_known = false;
  }
  in.house_system = HouseSystemName(EffectiveHouseSystem(houses, natal.Event.PlaceLatitude));
  in.natal = Ring(natal, in);
  return in;
}

void AddTransits(WheelInput& in, const ChartData& transit, std::string caption) {
  in.bi_wheel = true;
  in.transits = Ring(transit, in);
  in.transit_caption = std::move(caption);
}

}  // namespace sd::wheel
