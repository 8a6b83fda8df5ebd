#pragma once
// The planet-pair metric table: for pairs of planets, a daily series of a quantity (as
// `stockdyn metrics build` writes it, the geocentric apparent longitude of the second planet
// minus that of the first, unwrapped so that full turns accumulate), read from "Metrics.dat"
// in the program directory and looked up by linear interpolation between two days.
//
// File: records of kMetricRecordBytes, no header, little-endian:
//   int32 a, int32 b (planets 0..9), then kMetricSamples doubles; sample i belongs to the
//   moment kMetricFirstMoment + i * DayInCenturies (1800 January 1, 0h UT, plus i days).
// A later record of a pair replaces an earlier one. A sample that is not a finite number
// (a partial build leaves them so) gives no value at the days it bounds.
//
// The file is mapped, not read: opening costs the same for one pair as for 45, and only the
// pages that lookups touch are ever read from disk.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "astro/moment.h"

namespace sd::eval {

inline constexpr const char* kMetricsFileName = "Metrics.dat";
inline constexpr int kMetricPlanets = 10;      // planets 0..9
inline constexpr int kMetricSamples = 120000;  // days per record
inline constexpr size_t kMetricRecordBytes = 8 + 8 * static_cast<size_t>(kMetricSamples);
// 1800 January 1, 0h UT (JD 2378496.5), in centuries from 1900 January 0.5.
inline constexpr astro::ChartMoment kMetricFirstMoment{-0.99995893224};
// The first and the last sample are never the left point of an interpolation.
inline constexpr int kMetricFirstLeftDay = 1;
inline constexpr int kMetricLastLeftDay = kMetricSamples - 2;

// The moment of sample `day`.
inline astro::ChartMoment MetricDayMoment(int day) {
  return kMetricFirstMoment + day * astro::DayInCenturies;
}

class TPlanetary_T {
 public:
  // What became of the file.
  enum class Source {
    kNone,      // no file: the table is empty
    kMapped,    // records are in use
    kRejected,  // the file is there but unusable (see Problem()): the table is empty
  };

  // The empty table.
  TPlanetary_T();
  // Maps the file at `path`. A missing file gives the empty table. A file whose size is not
  // a whole number of records, or whose record names a planet outside 0..9, or that cannot be
  // opened or mapped, is rejected as a whole: the table is empty and Problem() says why.
  // Nothing here throws.
  explicit TPlanetary_T(const std::string& path);
  ~TPlanetary_T();
  TPlanetary_T(const TPlanetary_T&) = delete;
  TPlanetary_T& operator=(const TPlanetary_T&) = delete;

  // The series of the unordered pair {a, b} at moment x, or NoValue: no record of the pair,
  // a planet outside 0..9, x before day 1 or at or after day kMetricSamples - 1, or a sample
  // that is not a finite number.
  double Value(int a, int b, astro::ChartMoment x) const;

  Source State() const { return source_; }
  const std::string& Problem() const { return problem_; }
  // Number of records in the file (a repeated pair counts each time).
  int Records() const { return records_; }
  // Whether the pair {a, b} has a record.
  bool Has(int a, int b) const;

 private:
  void Reject(std::string why);
  double Sample(int record, int day) const;

  int32_t index_[kMetricPlanets][kMetricPlanets];
  const unsigned char* map_ = nullptr;
  size_t map_bytes_ = 0;
  int records_ = 0;
  Source source_ = Source::kNone;
  std::string problem_;
};

// The file name start-up reads: the program directory (with or without its trailing '/')
// followed by kMetricsFileName.
std::string MetricsPathIn(std::string_view program_dir);

}  // namespace sd::eval
