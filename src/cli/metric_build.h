#pragma once
// Producing the planet-pair metric table (eval/metric_table.h) from this system's own theory of
// motion: for each pair (a, b), sample i is the geocentric apparent longitude of b minus that
// of a at moment MetricDayMoment(i), unwrapped: the first sample lies in [0, 360) and each
// later one differs from its predecessor by less than 180 degrees, so full turns accumulate
// and the straight line between two days follows the planets.
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "eval/metric_table.h"

namespace sd::cli {

struct MetricPair {
  int A = 0;  // the series is the longitude of B minus that of A
  int B = 0;
  bool operator==(const MetricPair&) const = default;
};

// The 45 pairs a < b of the planets 0..9, ordered by a, then b.
std::vector<MetricPair> AllMetricPairs();

// "a-b,c-d,...": planets 0..9, a != b, each unordered pair at most once. False with a message
// naming the offending item otherwise.
bool ParseMetricPairs(std::string_view text, std::vector<MetricPair>& out, std::string& error);

// The days computed. Samples outside FirstDay .. FirstDay + Days - 1 are written as NaN, which
// lookups treat as no value; the full table computes them all. Tests build short spans.
struct MetricSpan {
  int FirstDay = 0;
  int Days = eval::kMetricSamples;
};

// Called now and then while the longitudes are computed: days done, days in all.
using MetricProgress = std::function<void(int done, int total)>;

class MetricBuildError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The unwrapped series of one pair over the span from the two planets' longitude series
// (NoValue where a longitude is unknown; the unwrapping starts afresh after such a day).
// Entry k belongs to day span.FirstDay + k.
std::vector<double> UnwrappedDifference(const std::vector<double>& lon_a,
                                        const std::vector<double>& lon_b);

// Writes one record per pair, in the order given, to `path`: into a temporary file beside it
// that replaces `path` only when whole. Throws MetricBuildError (naming the file and the cause)
// on bad pairs or span, or when the file cannot be written; `path` is then as it was.
void BuildMetricsFile(const std::string& path, const std::vector<MetricPair>& pairs,
                      const MetricSpan& span = {}, const MetricProgress& progress = nullptr);

}  // namespace sd::cli
