#pragma once
// The statistics of an evaluation: rank correlation, its circular-shift permutation test,
// multiple-testing corrections, hit rate and quantile returns. A number that does not exist
// (a correlation of a constant series, a test without a possible shift) is NaN.
#include <cstdint>
#include <limits>
#include <vector>

namespace sd::study {

inline constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

// Ranks 1..n in the order of the values; tied values share the average of their ranks.
std::vector<double> AverageRanks(const std::vector<double>& x);

// Pearson correlation; NaN when either side is constant or the series are shorter than 2.
double Pearson(const std::vector<double>& x, const std::vector<double>& y);

// Spearman's rank correlation: Pearson of the average ranks.
double Spearman(const std::vector<double>& x, const std::vector<double>& y);

// A series of ranks prepared for many correlations against rotations of another.
struct RankedSeries {
  std::vector<double> Centered;  // rank minus mean rank
  double Norm = 0;               // square root of the sum of squares of Centered
};
RankedSeries Rank(const std::vector<double>& x);

// The correlation of `s` rotated by k against `r`: pairs (s[(i + k) mod n], r[i]); k = 0 is the
// plain correlation. NaN when either is constant.
double RotatedCorrelation(const RankedSeries& s, const RankedSeries& r, int k);

// `count` shifts drawn uniformly from [m, n - m] with the generator seeded by `seed`; none when
// that range is empty.
std::vector<int> DrawShifts(int n, int m, int count, uint64_t seed);

// Two-sided circular-shift permutation p-value of the correlation of s and r:
// (1 + #{|IC_k| >= |IC|}) / (shifts + 1). NaN without shifts or without a correlation.
double PermutationP(const RankedSeries& s, const RankedSeries& r, const std::vector<int>& shifts);

// The smallest |IC| the test would call significant at `alpha`: p <= alpha needs more than this
// (the (c+1)-th largest rotated |IC|, c = floor(alpha (shifts + 1)) - 1). NaN when no correlation can
// reach it with so few shifts, or either series is constant.
double PermutationCritical(const RankedSeries& s, const RankedSeries& r, const std::vector<int>& shifts,
                           double alpha);

// Holm's step-down adjusted p-values; NaN entries stay NaN and are not counted in the family.
std::vector<double> HolmAdjust(const std::vector<double>& p);

// Benjamini-Hochberg q-values (step-up, monotone, capped at 1); NaN entries as for Holm.
std::vector<double> BenjaminiHochberg(const std::vector<double>& p);

// Among pairs with s != 0 and r != 0: how many have the same sign, out of how many.
struct HitRate {
  int Hits = 0;
  int Pairs = 0;
  double Rate() const { return Pairs ? static_cast<double>(Hits) / Pairs : kMissing; }
};
HitRate CountHits(const std::vector<double>& s, const std::vector<double>& r);

// The pairs sorted by s (ties in their original order) cut into five groups, group g holding
// sorted positions floor(g n / 5) .. floor((g + 1) n / 5) - 1; the mean r of each (NaN when a
// group is empty).
std::vector<double> QuintileMeans(const std::vector<double>& s, const std::vector<double>& r);

// The percentile of `value` among `sample`: the share strictly below it, 0..100. NaN when the
// sample is empty or value is NaN.
double PercentileBelow(double value, const std::vector<double>& sample);

// Mean and sample standard deviation (n - 1); NaN where undefined.
double Mean(const std::vector<double>& x);
double SampleSd(const std::vector<double>& x);

}  // namespace sd::study
