#pragma once
// Mean daily motions of the chart objects, and the time stencil built from them: when a factor
// asks for it, the longitudes at t - step, t + step and t + 2 step are not read from charts but
// extrapolated from the longitude at t with each object's mean motion.
#include <span>

#include "astro/chart_data.h"
#include "astro/moment_snapshot.h"

namespace sd::eval {

// Degrees per day by object number: the Sun and the planets; every other object 0.
inline constexpr double MeanDailyMotionTable[astro::kPlanetCount] = {1.0, 12.0, 2.0, 1.5, 0.5,
                                                              0.3, 0.2, 0.1, 0.07, 0.05};
// The mean motion of an object number; 0 for objects without one (and numbers out of range).
double MeanDailyMotion(int object);

// The longitude lon moved by `days` days of the object's mean motion, reduced into [0, 360).
// NoValue stays NoValue.
double MeanMotionLongitude(int object, double lon, double days);

// Writes the three stencil rows from the longitude row at t: prev = L - m step,
// next = L + m step, next2 = L + 2 m step, each reduced into [0, 360), for every object whose
// longitude at t is known. Entries whose longitude at t is NoValue are left as they are.
void MeanMotionStencil(std::span<const double, astro::kObjectCount> at_t, double step_days,
                       std::span<double, astro::kObjectCount> prev,
                       std::span<double, astro::kObjectCount> next,
                       std::span<double, astro::kObjectCount> next2);

// The same on the longitude rows of three stencil charts (only longitudes are replaced).
void MeanMotionStencil(const astro::ChartData& at_t, double step_days, astro::ChartData& prev,
                       astro::ChartData& next, astro::ChartData& next2);
// The same on the longitude rows of three stencil snapshots.
void MeanMotionStencil(const astro::MomentSnapshot& at_t, double step_days, astro::MomentSnapshot& prev,
                       astro::MomentSnapshot& next, astro::MomentSnapshot& next2);

}  // namespace sd::eval
