#include "eventstudy/statistics.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "study/statistics.h"

namespace sd::eventstudy {

Returns MakeReturns(const std::vector<double>& closes) {
  Returns out;
  if (closes.size() < 2) return out;
  out.Abnormal.reserve(closes.size() - 1);
  double sum = 0;
  for (size_t t = 1; t < closes.size(); ++t) {
    out.Abnormal.push_back(std::log(closes[t] / closes[t - 1]));
    sum += out.Abnormal.back();
  }
  out.Mean = sum / static_cast<double>(out.Abnormal.size());
  for (double& a : out.Abnormal) a -= out.Mean;
  return out;
}

int EventDay(const std::vector<study::Date>& dates, study::Date local) {
  const auto it = std::lower_bound(dates.begin(), dates.end(), local);
  return it == dates.end() ? -1 : static_cast<int>(it - dates.begin());
}

std::vector<double> DrawRotations(int permutations, uint64_t seed) {
  // The generator's 53 high bits as a fraction: the same draws on every platform, which a
  // library distribution does not promise.
  std::mt19937_64 gen(seed ^ 0x5eed5eed5eed5eedULL);
  std::vector<double> out;
  out.reserve(static_cast<size_t>(std::max(0, permutations)));
  for (int b = 0; b < permutations; ++b) {
    const double unit = static_cast<double>(gen() >> 11) * 0x1.0p-53;
    out.push_back(0.05 + 0.9 * unit);
  }
  return out;
}

RotatableSeries::RotatableSeries(const std::vector<double>& abnormal) : N(static_cast<int>(abnormal.size())) {
  Doubled.reserve(abnormal.size() * 2);
  for (int copy = 0; copy < 2; ++copy) Doubled.insert(Doubled.end(), abnormal.begin(), abnormal.end());
  Prefix.assign(Doubled.size() + 1, 0);
  for (size_t i = 0; i < Doubled.size(); ++i) Prefix[i + 1] = Prefix[i] + Doubled[i];
}

std::vector<std::vector<double>> WindowSums(const RotatableSeries& s, const std::vector<Observation>& observations,
                                            int k, const std::vector<int>& offsets) {
  const size_t width = static_cast<size_t>(2 * k + 1);
  std::vector<std::vector<double>> out(offsets.size(), std::vector<double>(width, 0.0));
  for (size_t o = 0; o < offsets.size(); ++o) {
    double* sums = out[o].data();
    for (const Observation& ob : observations) {
      const double* a = &s.Doubled[static_cast<size_t>(ob.Day - k - 1 + offsets[o])];
      for (size_t j = 0; j < width; ++j) sums[j] += a[j];
    }
  }
  return out;
}

FamilyCurve CurveOf(const std::vector<double>& pooled_sums, int observations, int k, int h) {
  FamilyCurve c;
  c.Car.assign(pooled_sums.size(), study::kMissing);
  c.Stat = study::kMissing;
  if (observations <= 0) return c;
  double car = 0, stat = 0;
  for (size_t i = 0; i < pooled_sums.size(); ++i) {
    const double mean = pooled_sums[i] / observations;
    car += mean;
    c.Car[i] = car;
    const int j = static_cast<int>(i) - k;
    if (j >= 0 && j < h) stat += mean;
  }
  c.Stat = stat;
  return c;
}

double StateSums::MeanIn() const { return DaysIn ? In / static_cast<double>(DaysIn) : study::kMissing; }
double StateSums::MeanOut() const { return DaysOut ? Out / static_cast<double>(DaysOut) : study::kMissing; }

StateSums StateSumsOf(const RotatableSeries& s, const std::vector<Run>& runs, int offset) {
  StateSums out;
  for (const Run& r : runs) {
    out.In += s.RotatedSum(r.First, r.Last, offset);
    out.DaysIn += r.Last - r.First;
  }
  out.Out = s.RotatedSum(1, s.N + 1, offset) - out.In;
  out.DaysOut = s.N - out.DaysIn;
  return out;
}

double PermutationP(double observed, const std::vector<double>& null) {
  if (null.empty() || !std::isfinite(observed)) return study::kMissing;
  int beyond = 0;
  for (double v : null)
    if (std::fabs(v) >= std::fabs(observed)) ++beyond;
  return (1.0 + beyond) / (static_cast<double>(null.size()) + 1.0);
}

double Quantile(std::vector<double> x, double q) {
  x.erase(std::remove_if(x.begin(), x.end(), [](double v) { return std::isnan(v); }), x.end());
  if (x.empty()) return study::kMissing;
  std::sort(x.begin(), x.end());
  const double pos = q * static_cast<double>(x.size() - 1);
  const size_t lo = static_cast<size_t>(std::floor(pos));
  const size_t hi = std::min(lo + 1, x.size() - 1);
  return x[lo] + (pos - static_cast<double>(lo)) * (x[hi] - x[lo]);
}

}  // namespace sd::eventstudy
