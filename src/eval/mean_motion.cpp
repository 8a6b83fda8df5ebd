#include "eval/mean_motion.h"

#include <array>

#include "astro/angles.h"

namespace sd::eval {

double MeanDailyMotion(int object) {
  return object >= 0 && object < kPlanetCount ? MeanDailyMotionTable[object] : 0.0;
}

double MeanMotionLongitude(int object, double lon, double days) {
  if (!IsValue(lon)) return NoValue;
  return NormalizeMod(lon + MeanDailyMotion(object) * days, 360);
}

void MeanMotionStencil(std::span<const double, kObjectCount> at_t, double step_days,
                       std::span<double, kObjectCount> prev, std::span<double, kObjectCount> next,
                       std::span<double, kObjectCount> next2) {
  for (int n = 0; n < kObjectCount; ++n) {
    const double lon = at_t[n];
    if (!IsValue(lon)) continue;
    prev[n] = MeanMotionLongitude(n, lon, -step_days);
    next[n] = MeanMotionLongitude(n, lon, step_days);
    next2[n] = MeanMotionLongitude(n, lon, 2 * step_days);
  }
}

void MeanMotionStencil(const ChartData& at_t, double step_days, ChartData& prev, ChartData& next,
                       ChartData& next2) {
  // Copy the row first: at_t may be one of the charts written.
  const std::array<double, kObjectCount> row = std::to_array(at_t.Object[kLongitude]);
  MeanMotionStencil(row, step_days, prev.Object[kLongitude], next.Object[kLongitude],
                    next2.Object[kLongitude]);
}

void MeanMotionStencil(const MomentSnapshot& at_t, double step_days, MomentSnapshot& prev,
                       MomentSnapshot& next, MomentSnapshot& next2) {
  // Read every longitude before writing: at_t may be one of the snapshots written.
  std::array<double, kObjectCount> row;
  for (int n = 0; n < kObjectCount; ++n) row[n] = at_t.Longitude(n);
  for (int n = 0; n < kObjectCount; ++n) {
    if (!IsValue(row[n])) continue;
    prev.SetLongitude(n, MeanMotionLongitude(n, row[n], -step_days));
    next.SetLongitude(n, MeanMotionLongitude(n, row[n], step_days));
    next2.SetLongitude(n, MeanMotionLongitude(n, row[n], 2 * step_days));
  }
}

}  // namespace sd::eval
