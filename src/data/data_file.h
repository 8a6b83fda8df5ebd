#pragma once
// Opening the data files the program reads on every request. A file in a data file's place
// that is not a regular file (a FIFO, a device, a directory) or that is far larger than any
// real one is refused before a byte is read: a request must neither hang on it nor read
// gigabytes into memory.
#include <cstdint>
#include <optional>
#include <string>

namespace sd::data {

// The largest size accepted for each data file: far above any real one (the shipped files
// are a few kilobytes; a model of 100,000 events is about 10 MB).
inline constexpr uint64_t kMiB = 1024 * 1024;
inline constexpr uint64_t kModelFileMaxBytes = 16 * kMiB;      // stock.hyp and other models
inline constexpr uint64_t kSettingsFileMaxBytes = 1 * kMiB;    // srv_stock_dyn.ini
inline constexpr uint64_t kTownsFileMaxBytes = 64 * kMiB;      // towns.nd, towns.ndx
inline constexpr uint64_t kNatalFileMaxBytes = 64 * kMiB;      // Nyse.mil (about 180,000 records)
inline constexpr uint64_t kMetricFileMaxBytes = 256 * kMiB;    // Metrics.dat (all 45 pairs: 43 MB)

// Opens path for reading (close-on-exec, never blocking at open) when it is a regular file of
// at most max_bytes, and returns the descriptor. A missing file (ENOENT, ENOTDIR) returns -1
// when missing_ok; every other failure throws DataFileError naming the file and the reason.
int OpenDataFile(const std::string& path, uint64_t max_bytes, bool missing_ok);

// The whole of a data file opened as OpenDataFile opens it; nullopt for a missing file when
// missing_ok. A file that grows beyond the cap while it is read is refused as too large.
std::optional<std::string> ReadDataFile(const std::string& path, uint64_t max_bytes, bool missing_ok);

// A 64-bit hash of a data file's bytes in hex ("-" when missing), read as OpenDataFile opens it
// and streamed, so that the tag of an answer changes whenever the content does: a copy with the
// same size and time (cp -p, rsync -a) is not the same file. Not FNV byte by byte: the metric table
// is tens of megabytes, read eight bytes a step.
std::string DataFileHash(const std::string& path, uint64_t max_bytes);

// Size and time of change of a file, "-" when there is none: cheap to read on every request.
// Only for the program itself (a new build is a new file); data files are tagged by content
// (DataFileHash), since a copy can keep both size and time.
std::string FileStamp(const std::string& path);

// The reason text for a file above its cap, e.g. "larger than 16 MiB, the most accepted".
std::string TooLargeReason(uint64_t max_bytes);

}  // namespace sd::data
