#pragma once
// Price files for the tests of the studies: the weekday closes of a random walk, as a CSV file
// `Date,Close` that every price reader takes.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

namespace sd::testing {

// Weekday closes over [first, last] of a walk of log steps N(0, 0.012) from 50, seeded.
inline std::string WalkCsv(std::chrono::sys_days first, std::chrono::sys_days last, unsigned seed) {
  std::mt19937_64 gen(seed);
  std::normal_distribution<double> step(0.0, 0.012);
  std::string text = "Date,Close\n";
  double price = 50;
  for (auto d = first; d <= last; d += std::chrono::days{1}) {
    const unsigned w = std::chrono::weekday{d}.c_encoding();
    if (w == 0 || w == 6) continue;
    const std::chrono::year_month_day ymd{d};
    char line[64];
    std::snprintf(line, sizeof line, "%04d-%02u-%02u,%.6f\n", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()), price);
    text += line;
    price *= std::exp(step(gen));
  }
  return text;
}

}  // namespace sd::testing
