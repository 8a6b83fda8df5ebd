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
constexpr double kMotionStep = astro::DayInCenturies / 24;

// Longitudes of the planets 2..9 at t (index by object number; 0 and 1 unused), the Sun that
// every planet needs computed once.
std::array<double, astro::kPlanetCount> PlanetLongitudes(astro::ChartMoment t) {
  std::array<double, astro::kPlanetCount> out;
  out.fill(astro::NoValue);
  const astro::SunResult sun = astro::SunPosition(t);
  for (int n = astro::kMercury; n <= astro::kPluto; ++n) out[n] = PlanetPosition(n, t, sun).Longitude;
  return out;
}

// Backwards over the step: the shorter way round from before to after is negative.
bool Backwards(double before, double after) {
  return astro::IsValue(before) && astro::IsValue(after) && astro::NormalizeMod(after - before, 360) > 180;
}

int HouseIn(const WheelInput& in, double lon) {
  if (!in.cusps_known) return 0;
  double row[astro::kObjectCount];
  for (double& v : row) v = astro::NoValue;
  for (int k = 0; k < 12; ++k) row[astro::kAscendant + k] = in.cusps[k];
  return astro::HouseOfCusps(row, lon);
}

std::vector<WheelBody> Ring(const astro::ChartData& c, const WheelInput& houses) {
  std::array<double, astro::kPlanetCount> before, after;
  before.fill(astro::NoValue);
  after.fill(astro::NoValue);
  if (astro::UsableMoment(c.Moment)) {
    before = PlanetLongitudes(c.Moment - kMotionStep);
    after = PlanetLongitudes(c.Moment + kMotionStep);
  }
  std::vector<WheelBody> out;
  for (int n : kWheelObjects) {
    const double lon = c.Object[astro::kLongitude][n];
    if (!astro::IsValue(lon)) continue;
    const bool retrograde = n >= astro::kMercury && n <= astro::kPluto && Backwards(before[n], after[n]);
    out.push_back({n, lon, retrograde, HouseIn(houses, lon)});
  }
  return out;
}

}  // namespace

void SetWheelSwitches(astro::ChartData& chart) {
  for (auto& on : chart.ObjectOn) on = 0;
  for (int n : kWheelObjects) chart.ObjectOn[n] = 1;
  for (int k = 1; k <= 12; ++k) chart.ObjectOn[astro::CuspObject(k)] = 1;
}

bool IsRetrograde(int object, astro::ChartMoment t) {
  if (object < astro::kMercury || object > astro::kPluto || !astro::UsableMoment(t)) return false;
  return Backwards(PlanetLongitudes(t - kMotionStep)[object], PlanetLongitudes(t + kMotionStep)[object]);
}

WheelInput NatalWheel(const astro::ChartData& natal, int houses, std::string title) {
  WheelInput in;
  in.title = std::move(title);
  in.cusps_known = true;
  for (int k = 0; k < 12; ++k) {
    in.cusps[k] = natal.Object[astro::kLongitude][astro::kAscendant + k];
    if (!astro::IsValue(in.cusps[k])) in.cusps_known = false;
  }
  in.house_system = astro::HouseSystemName(astro::EffectiveHouseSystem(houses, natal.Event.PlaceLatitude));
  in.natal = Ring(natal, in);
  return in;
}

void AddTransits(WheelInput& in, const astro::ChartData& transit, std::string caption) {
  in.bi_wheel = true;
  in.transits = Ring(transit, in);
  in.transit_caption = std::move(caption);
}

}  // namespace sd::wheel
