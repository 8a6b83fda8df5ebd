#include "study/statistics.h"

#include <algorithm>
#include <functional>
#include <cmath>
#include <numeric>
#include <random>

namespace sd::study {

std::vector<double> AverageRanks(const std::vector<double>& x) {
  const size_t n = x.size();
  std::vector<size_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return x[a] < x[b]; });
  std::vector<double> ranks(n);
  for (size_t i = 0; i < n;) {
    size_t j = i + 1;
    while (j < n && x[order[j]] == x[order[i]]) ++j;
    // Positions i..j-1 hold equal values: ranks i+1..j, averaged.
    const double average = 0.5 * static_cast<double>(i + 1 + j);
    for (size_t k = i; k < j; ++k) ranks[order[k]] = average;
    i = j;
  }
  return ranks;
}

RankedSeries Rank(const std::vector<double>& x) {
  RankedSeries out;
  out.Centered = AverageRanks(x);
  const double mean = 0.5 * static_cast<double>(x.size() + 1);
  double ss = 0;
  for (double& v : out.Centered) {
    v -= mean;
    ss += v * v;
  }
  out.Norm = std::sqrt(ss);
  return out;
}

double RotatedCorrelation(const RankedSeries& s, const RankedSeries& r, int k) {
  const size_t n = r.Centered.size();
  if (n < 2 || s.Centered.size() != n || s.Norm == 0 || r.Norm == 0) return kMissing;
  const double* a = s.Centered.data();
  const double* b = r.Centered.data();
  const size_t shift = static_cast<size_t>(((k % static_cast<long>(n)) + static_cast<long>(n)) % static_cast<long>(n));
  double sum = 0;
  // Two straight runs instead of a modulo per element.
  for (size_t i = 0; i + shift < n; ++i) sum += a[i + shift] * b[i];
  for (size_t i = n - shift; i < n; ++i) sum += a[i + shift - n] * b[i];
  return sum / (s.Norm * r.Norm);
}

double Pearson(const std::vector<double>& x, const std::vector<double>& y) {
  const size_t n = x.size();
  if (n < 2 || y.size() != n) return kMissing;
  const double mx = std::accumulate(x.begin(), x.end(), 0.0) / n;
  const double my = std::accumulate(y.begin(), y.end(), 0.0) / n;
  double sxy = 0, sxx = 0, syy = 0;
  for (size_t i = 0; i < n; ++i) {
    sxy += (x[i] - mx) * (y[i] - my);
    sxx += (x[i] - mx) * (x[i] - mx);
    syy += (y[i] - my) * (y[i] - my);
  }
  if (sxx == 0 || syy == 0) return kMissing;
  return sxy / std::sqrt(sxx * syy);
}

double Spearman(const std::vector<double>& x, const std::vector<double>& y) {
  if (x.size() != y.size()) return kMissing;
  return RotatedCorrelation(Rank(x), Rank(y), 0);
}

std::vector<int> DrawShifts(int n, int m, int count, uint64_t seed) {
  std::vector<int> shifts;
  if (n - m < m || count <= 0) return shifts;
  std::mt19937_64 gen(seed);
  std::uniform_int_distribution<int> pick(m, n - m);
  shifts.reserve(count);
  for (int i = 0; i < count; ++i) shifts.push_back(pick(gen));
  return shifts;
}

double PermutationP(const RankedSeries& s, const RankedSeries& r, const std::vector<int>& shifts) {
  if (shifts.empty()) return kMissing;
  const double ic = RotatedCorrelation(s, r, 0);
  if (std::isnan(ic)) return kMissing;
  // A rotation that reproduces the same pairs gives the same correlation up to the order of the
  // sums: compare with a margin of rounding so that it counts as "as large".
  const double threshold = std::fabs(ic) * (1 - 1e-12);
  int as_large = 0;
  for (int k : shifts)
    if (std::fabs(RotatedCorrelation(s, r, k)) >= threshold) ++as_large;
  return (1.0 + as_large) / (shifts.size() + 1.0);
}

double PermutationCritical(const RankedSeries& s, const RankedSeries& r, const std::vector<int>& shifts,
                           double alpha) {
  const long c = static_cast<long>(std::floor(alpha * (static_cast<double>(shifts.size()) + 1) + 1e-9)) - 1;
  if (c < 0 || static_cast<size_t>(c) >= shifts.size()) return kMissing;
  std::vector<double> a;
  a.reserve(shifts.size());
  for (int k : shifts) {
    const double ic = RotatedCorrelation(s, r, k);
    if (std::isnan(ic)) return kMissing;
    a.push_back(std::fabs(ic));
  }
  std::nth_element(a.begin(), a.begin() + c, a.end(), std::greater<double>());
  return a[static_cast<size_t>(c)];
}

namespace {

// Indices of the non-NaN entries, sorted by p ascending (ties in index order).
std::vector<size_t> SortedValid(const std::vector<double>& p) {
  std::vector<size_t> idx;
  for (size_t i = 0; i < p.size(); ++i)
    if (!std::isnan(p[i])) idx.push_back(i);
  std::stable_sort(idx.begin(), idx.end(), [&](size_t a, size_t b) { return p[a] < p[b]; });
  return idx;
}

}  // namespace

std::vector<double> HolmAdjust(const std::vector<double>& p) {
  std::vector<double> out(p.size(), kMissing);
  const auto idx = SortedValid(p);
  const size_t m = idx.size();
  double running = 0;
  for (size_t j = 0; j < m; ++j) {
    running = std::max(running, std::min(1.0, static_cast<double>(m - j) * p[idx[j]]));
    out[idx[j]] = running;
  }
  return out;
}

std::vector<double> BenjaminiHochberg(const std::vector<double>& p) {
  std::vector<double> out(p.size(), kMissing);
  const auto idx = SortedValid(p);
  const size_t m = idx.size();
  double running = 1;
  for (size_t j = m; j-- > 0;) {
    running = std::min(running, static_cast<double>(m) * p[idx[j]] / static_cast<double>(j + 1));
    out[idx[j]] = std::min(1.0, running);
  }
  return out;
}

HitRate CountHits(const std::vector<double>& s, const std::vector<double>& r) {
  HitRate h;
  for (size_t i = 0; i < s.size() && i < r.size(); ++i) {
    if (s[i] == 0 || r[i] == 0 || std::isnan(s[i]) || std::isnan(r[i])) continue;
    ++h.Pairs;
    if ((s[i] > 0) == (r[i] > 0)) ++h.Hits;
  }
  return h;
}

std::vector<double> QuintileMeans(const std::vector<double>& s, const std::vector<double>& r) {
  const size_t n = std::min(s.size(), r.size());
  std::vector<size_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return s[a] < s[b]; });
  std::vector<double> means(5, kMissing);
  for (size_t g = 0; g < 5; ++g) {
    const size_t lo = g * n / 5, hi = (g + 1) * n / 5;
    if (hi <= lo) continue;
    double sum = 0;
    for (size_t k = lo; k < hi; ++k) sum += r[order[k]];
    means[g] = sum / static_cast<double>(hi - lo);
  }
  return means;
}

double PercentileBelow(double value, const std::vector<double>& sample) {
  if (sample.empty() || std::isnan(value)) return kMissing;
  size_t below = 0;
  for (double x : sample)
    if (x < value) ++below;
  return 100.0 * static_cast<double>(below) / static_cast<double>(sample.size());
}

double Mean(const std::vector<double>& x) {
  if (x.empty()) return kMissing;
  return std::accumulate(x.begin(), x.end(), 0.0) / static_cast<double>(x.size());
}

double SampleSd(const std::vector<double>& x) {
  if (x.size() < 2) return kMissing;
  const double m = Mean(x);
  double ss = 0;
  for (double v : x) ss += (v - m) * (v - m);
  return std::sqrt(ss / static_cast<double>(x.size() - 1));
}

}  // namespace sd::study
