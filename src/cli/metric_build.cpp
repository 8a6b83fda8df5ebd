#include "cli/metric_build.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include "astro/angles.h"
#include "astro/aspects.h"
#include "astro/positions.h"
#include "data/atomic_file.h"
#include "data/data_error.h"

namespace sd::cli {

using eval::kMetricPlanets;
using eval::kMetricRecordBytes;
using eval::kMetricSamples;
using eval::MetricDayMoment;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void PutInt32LE(unsigned char* p, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int k = 0; k < 4; ++k) p[k] = static_cast<unsigned char>(u >> (8 * k));
}

void PutDoubleLE(unsigned char* p, double v) {
  auto u = std::bit_cast<uint64_t>(v);
  if constexpr (std::endian::native == std::endian::big) u = __builtin_bswap64(u);
  std::memcpy(p, &u, sizeof u);
}

// Longitudes of the planets in `wanted` over the span; the Sun is computed once a day for all
// of them (every planet's position needs it).
std::array<std::vector<double>, kMetricPlanets> Longitudes(
    const std::array<bool, kMetricPlanets>& wanted, const MetricSpan& span,
    const MetricProgress& progress) {
  std::array<std::vector<double>, kMetricPlanets> lon;
  for (int p = 0; p < kMetricPlanets; ++p)
    if (wanted[p]) lon[p].assign(static_cast<size_t>(span.Days), astro::NoValue);
  const int report_every = std::max(1, span.Days / 200);
  for (int k = 0; k < span.Days; ++k) {
    const astro::ChartMoment t = MetricDayMoment(span.FirstDay + k);
    const astro::SunResult sun = astro::SunPosition(t);
    if (wanted[0]) lon[0][k] = sun.Longitude;
    if (wanted[1]) lon[1][k] = astro::MoonPosition(t).Longitude;
    for (int p = 2; p < kMetricPlanets; ++p)
      if (wanted[p]) lon[p][k] = PlanetPosition(p, t, sun).Longitude;
    if (progress && ((k + 1) % report_every == 0 || k + 1 == span.Days)) progress(k + 1, span.Days);
  }
  return lon;
}

}  // namespace

std::vector<MetricPair> AllMetricPairs() {
  std::vector<MetricPair> out;
  for (int a = 0; a < kMetricPlanets; ++a)
    for (int b = a + 1; b < kMetricPlanets; ++b) out.push_back({a, b});
  return out;
}

bool ParseMetricPairs(std::string_view text, std::vector<MetricPair>& out, std::string& error) {
  out.clear();
  auto planet = [](std::string_view s, int& p) {
    if (s.size() != 1 || s[0] < '0' || s[0] > '9') return false;
    p = s[0] - '0';
    return true;
  };
  auto refuse = [&error](std::string_view item, const char* why) {
    error.assign(1, '"');
    error.append(item);
    error.append("\" ");
    error.append(why);
    return false;
  };
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    const std::string_view item = text.substr(
        start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    const size_t dash = item.find('-');
    MetricPair p;
    if (dash == std::string_view::npos || !planet(item.substr(0, dash), p.A) ||
        !planet(item.substr(dash + 1), p.B)) {
      return refuse(item, "is not a pair a-b of planets 0..9");
    }
    if (p.A == p.B) {
      return refuse(item, "pairs a planet with itself");
    }
    for (const MetricPair& q : out) {
      if ((q.A == p.A && q.B == p.B) || (q.A == p.B && q.B == p.A)) {
        return refuse(item, "repeats a pair");
      }
    }
    out.push_back(p);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return true;
}

std::vector<double> UnwrappedDifference(const std::vector<double>& lon_a,
                                        const std::vector<double>& lon_b) {
  const size_t n = std::min(lon_a.size(), lon_b.size());
  std::vector<double> out(n, astro::NoValue);
  bool have_prev = false;
  double prev = 0;
  for (size_t k = 0; k < n; ++k) {
    if (!astro::IsValue(lon_a[k]) || !astro::IsValue(lon_b[k])) {
      have_prev = false;
      continue;
    }
    const double d = astro::NormalizeMod(lon_b[k] - lon_a[k], 360);
    // The pair moves far less than half a turn a day (the Moon, the fastest, about 15
    // degrees), so the nearer of the candidates d + 360 m is the one that continues the series.
    prev = have_prev ? prev + astro::SignedDifference(d, prev) : d;
    have_prev = true;
    out[k] = prev;
  }
  return out;
}

void BuildMetricsFile(const std::string& path, const std::vector<MetricPair>& pairs,
                      const MetricSpan& span, const MetricProgress& progress) {
  if (span.FirstDay < 0 || span.Days < 1 || span.Days > kMetricSamples - span.FirstDay)
    throw MetricBuildError(path + ": days " + std::to_string(span.FirstDay) + " + " +
                           std::to_string(span.Days) + " are outside the table's " +
                           std::to_string(kMetricSamples));
  std::array<bool, kMetricPlanets> wanted{};
  for (const MetricPair& p : pairs) {
    if (p.A < 0 || p.A >= kMetricPlanets || p.B < 0 || p.B >= kMetricPlanets)
      throw MetricBuildError(path + ": pair " + std::to_string(p.A) + "-" + std::to_string(p.B) +
                             " names a planet outside 0..9");
    wanted[p.A] = wanted[p.B] = true;
  }

  // Created first: a directory that cannot take the file fails before the long computation.
  // A build killed midway leaves nothing behind (the file has no name until it is whole).
  try {
    data::AtomicFile file(path);
    const auto lon = Longitudes(wanted, span, progress);

    std::vector<unsigned char> record(kMetricRecordBytes);
    for (const MetricPair& p : pairs) {
      PutInt32LE(record.data(), p.A);
      PutInt32LE(record.data() + 4, p.B);
      const std::vector<double> series = UnwrappedDifference(lon[p.A], lon[p.B]);
      for (int day = 0; day < kMetricSamples; ++day) {
        const int k = day - span.FirstDay;
        const double v = k >= 0 && k < span.Days && astro::IsValue(series[k]) ? series[k] : kNaN;
        PutDoubleLE(record.data() + 8 + 8 * static_cast<size_t>(day), v);
      }
      file.Write({reinterpret_cast<const char*>(record.data()), record.size()});
    }
    file.Finish();
    file.Replace();
  } catch (const data::DataFileError& e) {
    throw MetricBuildError(e.what());
  }
}

}  // namespace sd::cli
