#include "eval/mean_motion.h"

#include <array>

#include "astro/angles.h"

namespace sd::eval {

double MeanDailyMotion(int object) {
  return object >= 0 && object < astro::kPlanetCount ? MeanDailyMotionTable[object] : 0.0;
}

double MeanMotionLongitude(int object, double lon, double days) {
  if (!astro::IsValue(lon)) return astro::NoValue;
  return astro::NormalizeMod(lon + MeanDailyMotion(object) * days, 360);
}

void MeanMotionStencil(std::span<const double, astro::kObjectCount> at_t, double step_days,
                       std::span<double, astro::kObjectCount> prev,
                       std::span<double, astro::kObjectCount> next,
                       std::span<double, astro::kObjectCount> next2) {
  for (int n = 0; n < astro::kObjectCount; ++n) {
    const double lon = at_t[n];
    if (!astro::IsValue(lon)) continue;
    prev[n] = MeanMotionLongitude(n, lon, -step_days);
    next[n] = MeanMotionLongitude(n, lon, step_days);
    next2[n] = MeanMotionLongitude(n, lon, 2 * step_days);
  }
}

void MeanMotionStencil(const astro::ChartData& at_t, double step_days, astro::ChartData& prev,
                       astro::ChartData& next, astro::ChartData& next2) {
  // Copy the row first: at_t may be one of the charts written.
  const std::array<double, astro::kObjectCount> row = std::to_array(at_t.Object[astro::kLongitude]);
  MeanMotionStencil(row, step_days, prev.Object[astro::kLongitude], next.Object[astro::kLongitude],
                    next2.Object[astro::kLongitude]);
}

void MeanMotionStencil(const astro::MomentSnapshot& at_t, double step_days, astro::MomentSnapshot& prev,
                       astro::MomentSnapshot& next, astro::MomentSnapshot& next2) {
  // Read every longitude before writing: at_t may be one of the snapshots written.
  std::array<double, astro::kObjectCount> row;
  for (int n = 0; n < astro::kObjectCount; ++n) row[n] = at_t.Longitude(n);
  for (int n = 0; n < astro::kObjectCount; ++n) {
    if (!astro::IsValue(row[n])) continue;
    prev.SetLongitude(n, MeanMotionLongitude(n, row[n], -step_days));
    next.SetLongitude(n, MeanMotionLongitude(n, row[n], step_days));
    next2.SetLongitude(n, MeanMotionLongitude(n, row[n], 2 * step_days));
  }
}

}  // namespace sd::eval
