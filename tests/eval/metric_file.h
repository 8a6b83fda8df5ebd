#pragma once
// Metric table files written byte by byte by the tests, independently of the builder, and a
// scratch path for them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "eval/metric_table.h"

namespace sd::eval::testing {

struct RecordSpec {
  int32_t a, b;
  std::function<double(int)> sample;  // by day
};

// One record as the file lays it out: two little-endian 32-bit planets, then the samples.
inline std::string RecordBytes(const RecordSpec& r) {
  std::string bytes(kMetricRecordBytes, '\0');
  auto put = [&](size_t at, const void* p, size_t n) {
    // The tests run on little-endian machines; a big-endian one would need swapping here.
    std::memcpy(bytes.data() + at, p, n);
  };
  put(0, &r.a, 4);
  put(4, &r.b, 4);
  for (int i = 0; i < kMetricSamples; ++i) {
    const double v = r.sample(i);
    put(8 + 8 * static_cast<size_t>(i), &v, 8);
  }
  return bytes;
}

// A file path of its own for every test, removed at the end.
class ScratchFile {
 public:
  ScratchFile() {
    path_ = ::testing::TempDir() + "metrics_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
            std::to_string(counter_++) + ".dat";
  }
  ~ScratchFile() { std::filesystem::remove(path_); }
  const std::string& path() const { return path_; }

  void Write(const std::vector<RecordSpec>& records, const std::string& tail = "") const {
    std::ofstream f(path_, std::ios::binary | std::ios::trunc);
    for (const RecordSpec& r : records) f << RecordBytes(r);
    f << tail;
  }

 private:
  static inline int counter_ = 0;
  std::string path_;
};

}  // namespace sd::eval::testing
