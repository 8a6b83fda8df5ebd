#include "astro/angles.h"
#include "timeline/crossings.h"

#include <algorithm>
#include <cmath>

namespace sd::timeline {

namespace {

// Half the interval of the central difference that gives the rate of change.
constexpr double kRateHalfStep = astro::DayInCenturies / 48;

bool Known(double x) { return astro::IsValue(x) && std::isfinite(x); }

// Degrees per century, the sign being what matters.
double Rate(const AngleOfTime& f, astro::ChartMoment t) {
  const double before = f(t - kRateHalfStep), after = f(t + kRateHalfStep);
  if (!Known(before) || !Known(after)) return astro::NoValue;
  return Wrap180(after - before) / (2 * kRateHalfStep);
}

int SignOf(double x) { return x > 0 ? 1 : (x < 0 ? -1 : 0); }

}  // namespace

double Wrap180(double x) {
  double r = std::fmod(x, 360.0);
  if (r > 180) r -= 360;
  if (r <= -180) r += 360;
  return r;
}

astro::ChartMoment RefineRoot(const std::function<double(astro::ChartMoment)>& g, astro::ChartMoment a,
                              double ga, astro::ChartMoment b, double gb) {
  if (!Known(ga) || !Known(gb)) return astro::kNoMoment;
  if (ga == 0) return a;
  if (gb == 0) return b;
  if (SignOf(ga) == SignOf(gb)) return astro::kNoMoment;
  int kept = 0;  // which end stayed put last time: -1 a, +1 b
  astro::ChartMoment x = astro::Midpoint(a, b);
  for (int step = 0; step < kRefineSteps && b - a > kMomentTolerance; ++step) {
    astro::ChartMoment next = b - gb * (b - a) / (gb - ga);
    if (!(next > a && next < b)) next = astro::Midpoint(a, b);
    // False position closes in faster than linearly: a step this short leaves the estimate
    // far closer than a second to the root, and it needs no evaluation of its own.
    if (step > 0 && std::fabs(next - x) < kMomentTolerance / 4) return next;
    x = next;
    const double gx = g(x);
    if (!Known(gx)) return astro::kNoMoment;
    if (gx == 0) return x;
    if (SignOf(gx) == SignOf(gb)) {
      b = x, gb = gx;
      if (kept == -1) ga /= 2;  // Illinois: an end that keeps being kept is pulled in
      kept = -1;
    } else {
      a = x, ga = gx;
      if (kept == 1) gb /= 2;
      kept = 1;
    }
  }
  return std::fabs(ga) < std::fabs(gb) ? a : b;
}

Track BuildTrack(const AngleOfTime& f, std::span<const astro::ChartMoment> grid,
                 std::span<const double> values) {
  Track tr;
  const size_t n = std::min(grid.size(), values.size());
  std::vector<double> u(n, astro::NoValue);
  for (size_t i = 0; i < n; ++i) {
    if (!Known(values[i])) continue;
    u[i] = i > 0 && Known(u[i - 1]) ? u[i - 1] + Wrap180(values[i] - u[i - 1]) : values[i];
  }

  // Turning points, each between the grid moments on either side of a sample where the
  // samples change direction.
  struct Found {
    astro::ChartMoment t;
    double u;
    bool maximum;
  };
  std::vector<Found> turns;
  for (size_t i = 1; i + 1 < n; ++i) {
    if (!Known(u[i - 1]) || !Known(u[i]) || !Known(u[i + 1])) continue;
    const double d1 = u[i] - u[i - 1], d2 = u[i + 1] - u[i];
    const bool maximum = d1 > 0 && d2 <= 0, minimum = d1 < 0 && d2 >= 0;
    if (!maximum && !minimum) continue;
    const double r0 = Rate(f, grid[i - 1]), r1 = Rate(f, grid[i]), r2 = Rate(f, grid[i + 1]);
    if (!Known(r0) || !Known(r1) || !Known(r2)) continue;
    astro::ChartMoment a = grid[i - 1], b = grid[i];
    double ra = r0, rb = r1;
    if (SignOf(r0) == SignOf(r1) && r1 != 0) a = grid[i], b = grid[i + 1], ra = r1, rb = r2;
    if (SignOf(ra) == SignOf(rb) && ra != 0) continue;  // the samples wavered, the angle did not turn
    const astro::ChartMoment t =
        RefineRoot([&](astro::ChartMoment m) { return Rate(f, m); }, a, ra, b, rb);
    if (!astro::IsKnown(t)) continue;
    const double v = f(t);
    if (!Known(v)) continue;
    if (!turns.empty() && std::fabs(turns.back().t - t) < kMomentTolerance) continue;
    turns.push_back({t, u[i] + Wrap180(v - u[i]), maximum});
  }

  // Boundaries: grid moments and turning points, merged in order.
  size_t k = 0;
  for (size_t i = 0; i < n; ++i) {
    while (k < turns.size() && turns[k].t < grid[i]) {
      if (tr.T.empty() || turns[k].t > tr.T.back()) {
        tr.T.push_back(turns[k].t);
        tr.U.push_back(turns[k].u);
        tr.Turns.push_back({turns[k].t, turns[k].maximum});
      }
      ++k;
    }
    if (!tr.T.empty() && grid[i] <= tr.T.back()) continue;
    tr.T.push_back(grid[i]);
    tr.U.push_back(u[i]);
  }
  return tr;
}

std::vector<Crossing> FindCrossings(const AngleOfTime& f, const Track& tr,
                                    std::span<const double> levels, astro::ChartMoment from,
                                    astro::ChartMoment to, const CrossingMoment& first_try) {
  std::vector<Crossing> out;
  for (size_t i = 0; i + 1 < tr.T.size(); ++i) {
    const astro::ChartMoment a = tr.T[i], b = tr.T[i + 1];
    const double ua = tr.U[i], ub = tr.U[i + 1];
    if (b < from || a > to || !Known(ua) || !Known(ub) || ua == ub) continue;
    const bool rising = ub > ua;
    // The angle along the piece, continued from the straight line between its ends.
    auto along = [&](astro::ChartMoment t) {
      const double v = f(t);
      if (!Known(v)) return astro::NoValue;
      const double line = ua + (ub - ua) * (t - a) / (b - a);
      return line + Wrap180(v - line);
    };
    const double lo = std::min(ua, ub), hi = std::max(ua, ub);
    // Most levels are nowhere near a piece (a day of a planet covers a degree or less): a level
    // of [0, 360) more than a hair beyond the piece's span from its low end, round the circle, is
    // passed over without the exact arithmetic below.
    const double lo_turn = lo - 360 * std::floor(lo / 360), span = hi - lo;
    constexpr double kHair = 1e-9;
    for (size_t li = 0; li < levels.size(); ++li) {
      const double level = levels[li];
      const double ahead = level >= lo_turn ? level - lo_turn : level - lo_turn + 360;
      if (level >= 0 && level < 360 && ahead > span + kHair && ahead < 360 - kHair) continue;
      // Each value level + 360 k passed on the piece: rising, ua < c <= ub; falling,
      // ub <= c < ua. An end shared with the next piece belongs to one of them only.
      double c = level + 360 * std::ceil((lo - level) / 360);
      for (int guard = 0; c <= hi && guard < 8; c += 360, ++guard) {
        if (c == ua) continue;
        const astro::ChartMoment guess = a + (b - a) * (c - ua) / (ub - ua);
        astro::ChartMoment t = first_try ? first_try(static_cast<int>(li), a, b, guess) : astro::kNoMoment;
        const bool tried = astro::IsValue(t);
        if (!tried)
          t = RefineRoot([&](astro::ChartMoment m) {
            const double v = along(m);
            return Known(v) ? v - c : astro::NoValue;
          }, a, ua - c, b, ub - c);
        if (!astro::IsKnown(t) || t < from || t > to) continue;
        out.push_back({t, astro::NormalizeMod(level, 360), static_cast<int>(li), rising, tried});
      }
    }
  }
  std::sort(out.begin(), out.end(),
            [](const Crossing& x, const Crossing& y) { return x.Moment < y.Moment; });
  return out;
}

}  // namespace sd::timeline
