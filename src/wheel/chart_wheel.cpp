#include "wheel/chart_wheel.h"

#include <array>
#include <utility>
#include <vector>

#include "astro/houses.h"
#include "astro/positions.h"
#include "astro/angles.h"

namespace sd::wheel {

namespace {

// The step either side of the moment over which the motion is judged.
constexpr double kMotionStep = DayInCenturies / 24;

// Longitudes of the planets 2..9 at t (index by object number; 0 and 1 unused), the Sun that
// every planet needs computed once.
std::array<double, kPlanetCount> PlanetLongitudes(ChartMoment t) {
  std::array<double, kPlanetCount> out;
  out.fill(NoValue);
  const SunResult sun = SunPosition(t);
  for (int n = kMercury; n <= kPluto; ++n) out[n] = PlanetPosition(n, t, sun).Longitude;
  return out;
}

// Backwards over the step: the shorter way round from before to after is negative.
bool Backwards(double before, double after) {
  return IsValue(before) && IsValue(after) && NormalizeMod(after - before, 360) > 180;
}

int HouseIn(const WheelInput& in, double lon) {
  if (!in.cusps_known) return 0;
  double row[kObjectCount];
  for (double& v : row) v = NoValue;
  for (int k = 0; k < 12; ++k) row[kAscendant + k] = in.cusps[k];
  return HouseOfCusps(row, lon);
}

std::vector<WheelBody> Ring(const ChartData& c, const WheelInput& houses) {
  std::array<double, kPlanetCount> before, after;
  before.fill(NoValue);
  after.fill(NoValue);
  if (UsableMoment(c.Moment)) {
    before = PlanetLongitudes(c.Moment - kMotionStep);
    after = PlanetLongitudes(c.Moment + kMotionStep);
  }
  std::vector<WheelBody> out;
  for (int n : kWheelObjects) {
    const double lon = c.Object[kLongitude][n];
    if (!IsValue(lon)) continue;
    const bool retrograde = n >= kMercury && n <= kPluto && Backwards(before[n], after[n]);
    out.push_back({n, lon, retrograde, HouseIn(houses, lon)});
  }
  return out;
}

}  // namespace

void SetWheelSwitches(ChartData& chart) {
  for (auto& on : chart.ObjectOn) on = 0;
  for (int n : kWheelObjects) chart.ObjectOn[n] = 1;
  for (int k = 1; k <= 12; ++k) chart.ObjectOn[CuspObject(k)] = 1;
}

bool IsRetrograde(int object, ChartMoment t) {
  if (object < kMercury || object > kPluto || !UsableMoment(t)) return false;
  return Backwards(PlanetLongitudes(t - kMotionStep)[object], PlanetLongitudes(t + kMotionStep)[object]);
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
