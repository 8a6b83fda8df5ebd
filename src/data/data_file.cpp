#include "data/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "data/data_error.h"

namespace sd {

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

}  // namespace sd
