#pragma once
// The arithmetic of an event study, apart from the sky: abnormal returns, event windows, the
// cumulative abnormal return of a family and its statistic, the difference of a state, and their
// circular-shift null. The heavy work is kept as per-series sums added in series order, so that
// the same series give the same sums, bit for bit, however the work is spread.
#include <cstdint>
#include <vector>

#include "study/prices.h"

namespace sd::eventstudy {

// One series' returns: r_t = ln(C_t / C_{t-1}) for rows t = 1..N, their mean and the abnormal
// returns a_t = r_t - mean. Index i holds row i + 1.
struct Returns {
  std::vector<double> Abnormal;
  double Mean = 0;
};
Returns MakeReturns(const std::vector<double>& closes);

// The event day of a local date: the first row whose date is on or after it; -1 when none is.
int EventDay(const std::vector<study::Date>& dates, study::Date local);

// One observation of a family: the series and the event day's row (1..N).
struct Observation {
  int Series = 0;
  int Day = 0;
};

// Whether an event day's window of K rows either side fits in a series of N returns.
inline bool WindowFits(int day, int k, int n) { return day - k >= 1 && day + k <= n; }

// The rotations of the null: u_b uniform in [0.05, 0.95) from the seed, one per permutation,
// the same for every series; a series of N returns is rotated by floor(u_b N).
std::vector<double> DrawRotations(int permutations, uint64_t seed);
inline int RotationOf(double u, int n) { return static_cast<int>(u * n); }

// A series prepared for rotated sums: the abnormal returns twice over (a window of a rotated
// series never runs past the second copy) and their running sums.
struct RotatableSeries {
  int N = 0;
  std::vector<double> Doubled;
  std::vector<double> Prefix;  // Prefix[i] = sum of Doubled[0..i)
  explicit RotatableSeries(const std::vector<double>& abnormal);
  // Sum of the rotated returns a'_t for rows t in [first, last) (1-based rows, last <= N + 1).
  double RotatedSum(int first, int last, int offset) const {
    return Prefix[static_cast<size_t>(last - 1 + offset)] - Prefix[static_cast<size_t>(first - 1 + offset)];
  }
  // a'_t of row t under `offset`.
  double Rotated(int t, int offset) const { return Doubled[static_cast<size_t>(t - 1 + offset)]; }
};

// The window sums of one family in one series, for each offset asked: Sums[o][j + K] is the sum
// over the family's observations in that series of a'_{d0 + j}. `observations` are that series'.
std::vector<std::vector<double>> WindowSums(const RotatableSeries& s, const std::vector<Observation>& observations,
                                            int k, const std::vector<int>& offsets);

// What the definitions make of a family's pooled window sums and observation count: the mean
// abnormal return at each lag, its running sum from -K (CAR) and T, the sum of the first H means.
struct FamilyCurve {
  std::vector<double> Car;  // 2K + 1
  double Stat = 0;          // T
};
FamilyCurve CurveOf(const std::vector<double>& pooled_sums, int observations, int k, int h);

// A state in one series: the rows it holds, as runs [first, last) of 1-based rows.
struct Run {
  int First = 0, Last = 0;
};

// D over the series: mean a over the state's days minus mean a over the others, pooled.
struct StateSums {
  double In = 0, Out = 0;
  long long DaysIn = 0, DaysOut = 0;
  void Add(const StateSums& o) {
    In += o.In;
    Out += o.Out;
    DaysIn += o.DaysIn;
    DaysOut += o.DaysOut;
  }
  double MeanIn() const;
  double MeanOut() const;
  double Diff() const { return MeanIn() - MeanOut(); }
};
StateSums StateSumsOf(const RotatableSeries& s, const std::vector<Run>& runs, int offset);

// Two-sided permutation p: (1 + #{|null| >= |observed|}) / (B + 1); NaN without permutations or
// without an observed value.
double PermutationP(double observed, const std::vector<double>& null);

// The q-th quantile (0..1) by linear interpolation between order statistics; NaN when empty.
double Quantile(std::vector<double> x, double q);

}  // namespace sd::eventstudy
