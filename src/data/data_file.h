#pragma once
// Opening the data files the program reads on every request. A file in a data file's place
// that is not a regular file (a FIFO, a device, a directory) or that is far larger than any
// real one is refused before a byte is read: a request must neither hang on it nor read
// gigabytes into memory.
#include <cstdint>
#include <string>

namespace sd {

// The largest size accepted for each data file: far above any real one (the shipped files
// are a few kilobytes; a model of 100,000 events is about 10 MB).
inline constexpr uint64_t kMiB = 1024 * 1024;
inline constexpr uint64_t kModelFileMaxBytes = 16 * kMiB;      // stock.hyp and other models
inline constexpr uint64_t kSettingsFileMaxBytes = 1 * kMiB;    // srv_stock_dyn.ini
inline constexpr uint64_t kTownsFileMaxBytes = 64 * kMiB;      // towns.nd, towns.ndx
inline constexpr uint64_t kNatalFileMaxBytes = 64 * kMiB;      // Nyse.mil (about 180,000 records)

// Opens path for reading (close-on-exec, never blocking at open) when it is a regular file of
// at most max_bytes, and returns the descriptor. A missing file (ENOENT, ENOTDIR) returns -1
// when missing_ok; every other failure throws DataFileError naming the file and the reason.
int OpenDataFile(const std::string& path, uint64_t max_bytes, bool missing_ok);

// The reason text for a file above its cap, e.g. "larger than 16 MiB, the most accepted".
std::string TooLargeReason(uint64_t max_bytes);

}  // namespace sd
