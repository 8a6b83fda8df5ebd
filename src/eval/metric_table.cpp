#include "astro/numeric.h"
#include "eval/metric_table.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "data/data_error.h"
#include "data/data_file.h"

namespace sd::eval {

namespace {

int32_t ReadInt32LE(const unsigned char* p) {
  uint32_t u = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
               static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
  return static_cast<int32_t>(u);
}

double ReadDoubleLE(const unsigned char* p) {
  uint64_t u;
  std::memcpy(&u, p, sizeof u);
  if constexpr (std::endian::native == std::endian::big) u = __builtin_bswap64(u);
  return std::bit_cast<double>(u);
}

}  // namespace

std::string MetricsPathIn(std::string_view program_dir) {
  std::string path(program_dir);
  if (!path.empty() && path.back() != '/') path += '/';
  return path + kMetricsFileName;
}

TPlanetary_T::TPlanetary_T() {
  for (auto& row : index_) std::fill(std::begin(row), std::end(row), -1);
}

TPlanetary_T::TPlanetary_T(const std::string& path) : TPlanetary_T() {
  // Opened as every data file is: a FIFO or a device in its place is refused at once instead of
  // blocking the request that opens it, and no file far beyond all 45 pairs is mapped.
  int fd = -1;
  try {
    fd = data::OpenDataFile(path, data::kMetricFileMaxBytes, /*missing_ok=*/true);
  } catch (const data::DataFileError& e) {
    Reject(e.reason());
    return;
  }
  if (fd < 0) return;
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    Reject(std::string("cannot examine: ") + std::strerror(errno));
    ::close(fd);
    return;
  }
  const auto bytes = static_cast<size_t>(st.st_size);
  if (bytes % kMetricRecordBytes != 0) {
    Reject("size " + std::to_string(bytes) + " is not a whole number of " +
           std::to_string(kMetricRecordBytes) + "-byte records");
    ::close(fd);
    return;
  }
  if (bytes == 0) {  // no record: the empty table, as without a file
    ::close(fd);
    return;
  }
  const size_t count = bytes / kMetricRecordBytes;
  if (count > static_cast<size_t>(INT32_MAX)) {
    Reject("too many records");
    ::close(fd);
    return;
  }
  void* m = ::mmap(nullptr, bytes, PROT_READ, MAP_PRIVATE, fd, 0);
  if (m == MAP_FAILED) {
    Reject(std::string("cannot map: ") + std::strerror(errno));
    ::close(fd);
    return;
  }
  map_ = static_cast<const unsigned char*>(m);
  map_bytes_ = bytes;
  // Lookups jump between pairs and days: read-ahead of whole neighbourhoods would be waste.
  ::madvise(const_cast<unsigned char*>(map_), map_bytes_, MADV_RANDOM);

  // The pair numbers are read from the file, not through the map: touching the first page of
  // every record would bring that page (and the kernel's neighbourhood of it) into memory for
  // nothing.
  for (size_t n = 0; n < count; ++n) {
    unsigned char head[8];
    const ssize_t got = ::pread(fd, head, sizeof head, static_cast<off_t>(n * kMetricRecordBytes));
    if (got != static_cast<ssize_t>(sizeof head)) {
      Reject("cannot read record " + std::to_string(n + 1) +
             (got < 0 ? std::string(": ") + std::strerror(errno) : std::string()));
      ::close(fd);
      return;
    }
    const int32_t a = ReadInt32LE(head);
    const int32_t b = ReadInt32LE(head + 4);
    if (a < 0 || a >= kMetricPlanets || b < 0 || b >= kMetricPlanets) {
      Reject("record " + std::to_string(n + 1) + " names planets " + std::to_string(a) + " and " +
             std::to_string(b) + ", outside 0..9");
      ::close(fd);
      return;
    }
    index_[a][b] = index_[b][a] = static_cast<int32_t>(n);
  }
  ::close(fd);  // the mapping keeps the file
  records_ = static_cast<int>(count);
  source_ = Source::kMapped;
}

TPlanetary_T::~TPlanetary_T() {
  if (map_) ::munmap(const_cast<unsigned char*>(map_), map_bytes_);
}

void TPlanetary_T::Reject(std::string why) {
  if (map_) ::munmap(const_cast<unsigned char*>(map_), map_bytes_);
  map_ = nullptr;
  map_bytes_ = 0;
  records_ = 0;
  for (auto& row : index_) std::fill(std::begin(row), std::end(row), -1);
  source_ = Source::kRejected;
  problem_ = std::move(why);
}

bool TPlanetary_T::Has(int a, int b) const {
  if (a < 0 || a >= kMetricPlanets || b < 0 || b >= kMetricPlanets) return false;
  return index_[a][b] >= 0;
}

double TPlanetary_T::Sample(int record, int day) const {
  return ReadDoubleLE(map_ + static_cast<size_t>(record) * kMetricRecordBytes + 8 +
                      static_cast<size_t>(day) * 8);
}

double TPlanetary_T::Value(int a, int b, astro::ChartMoment x) const {
  if (!Has(a, b)) return astro::NoValue;
  const int n = index_[std::min(a, b)][std::max(a, b)];
  // Truncation toward zero: a moment less than a day before the first sample lands on day 0,
  // which is refused like every moment before it.
  double q = (x - kMetricFirstMoment) / astro::DayInCenturies;
  // A moment meant to be a sample's own lands a rounding error to either side of it; it
  // belongs to that day (otherwise day 1 itself would be refused).
  const double whole = std::nearbyint(q);
  if (std::fabs(q - whole) < 1e-9) q = whole;
  if (!(q >= kMetricFirstLeftDay && q < kMetricLastLeftDay + 1.0)) return astro::NoValue;
  const int i = static_cast<int>(std::trunc(q));
  if (i < kMetricFirstLeftDay || i > kMetricLastLeftDay) return astro::NoValue;
  const double y0 = Sample(n, i);
  const double y1 = Sample(n, i + 1);
  if (!std::isfinite(y0) || !std::isfinite(y1)) return astro::NoValue;
  return astro::LinearAt(x, MetricDayMoment(i + 1), MetricDayMoment(i), y1, y0);
}

}  // namespace sd::eval
