#include "data/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "data/data_error.h"

namespace sd::data {

std::string TooLargeReason(uint64_t max_bytes) {
  const std::string size = max_bytes % kMiB == 0 ? std::to_string(max_bytes / kMiB) + " MiB"
                                                 : std::to_string(max_bytes) + " bytes";
  return "larger than " + size + ", the most accepted";
}

int OpenDataFile(const std::string& path, uint64_t max_bytes, bool missing_ok) {
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer forever.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    const int err = errno;
    if (missing_ok && (err == ENOENT || err == ENOTDIR)) return -1;
    throw DataFileError(path, std::string("cannot open: ") + std::strerror(err));
  }
  struct stat st {};
  std::string problem;
  if (::fstat(fd, &st) != 0) {
    problem = std::string("cannot open: ") + std::strerror(errno);
  } else if (S_ISDIR(st.st_mode)) {
    problem = "cannot read: not a regular file (a directory)";
  } else if (!S_ISREG(st.st_mode)) {
    problem = "cannot read: not a regular file";
  } else if (static_cast<uint64_t>(st.st_size) > max_bytes) {
    problem = TooLargeReason(max_bytes);
  } else {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
  }
  ::close(fd);
  throw DataFileError(path, problem);
}

}  // namespace sd::data

namespace sd::data {

std::optional<std::string> ReadDataFile(const std::string& path, uint64_t max_bytes, bool missing_ok) {
  const int fd = OpenDataFile(path, max_bytes, missing_ok);
  if (fd < 0) return std::nullopt;
  std::string text;
  std::string buffer(64 * 1024, '\0');
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      throw DataFileError(path, std::string("cannot read: ") + std::strerror(err));
    }
    // The size was checked at open; a file that grows while it is read is cut at the cap.
    if (text.size() + static_cast<size_t>(n) > max_bytes) {
      ::close(fd);
      throw DataFileError(path, TooLargeReason(max_bytes));
    }
    text.append(buffer, 0, static_cast<size_t>(n));
  }
  ::close(fd);
  return text;
}

namespace {

// One step of a 64-bit mixer (the finaliser of MurmurHash3): every input bit reaches every
// output bit.
uint64_t Mix(uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  h ^= h >> 33;
  return h;
}

}  // namespace

std::string DataFileHash(const std::string& path, uint64_t max_bytes) {
  const int fd = OpenDataFile(path, max_bytes, /*missing_ok=*/true);
  if (fd < 0) return "-";
  uint64_t h = 0x9e3779b97f4a7c15ULL, total = 0;
  // Words are taken from the content, not from how read() cuts it: bytes of a word split
  // between two reads wait in `carry`.
  unsigned char carry[8];
  size_t held = 0;
  auto word = [](const unsigned char* p) {
    uint64_t w = 0;
    for (int k = 7; k >= 0; --k) w = w << 8 | p[k];
    return w;
  };
  std::vector<unsigned char> buffer(1 << 20);
  for (;;) {
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      throw DataFileError(path, std::string("cannot read: ") + std::strerror(err));
    }
    const auto n = static_cast<size_t>(got);
    total += n;
    size_t i = 0;
    while (held > 0 && i < n) {
      carry[held++] = buffer[i++];
      if (held == 8) h = Mix(h ^ word(carry)), held = 0;
    }
    for (; i + 8 <= n; i += 8) h = Mix(h ^ word(&buffer[i]));
    while (i < n) carry[held++] = buffer[i++];
  }
  ::close(fd);
  for (size_t k = held; k < 8; ++k) carry[k] = 0;
  h = Mix(h ^ word(carry)) ^ total;
  char hex[24];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Mix(h)));
  return hex;
}

std::string FileStamp(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return "-";
  return std::to_string(st.st_size) + "@" + std::to_string(st.st_mtim.tv_sec) + "." +
         std::to_string(st.st_mtim.tv_nsec);
}

}  // namespace sd::data
