#include "data/output_guard.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace sd::data {
namespace {

// The umask without changing it (umask() both reads and sets, which other threads would see):
// Linux reports it in /proc/self/status since 4.7; older kernels fall back to the read-and-set.
mode_t CurrentUmask() {
  if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, f)) found = std::sscanf(line, "Umask: %o", &mask) == 1;
    std::fclose(f);
    if (found) return static_cast<mode_t>(mask & 0777);
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

// At most kOutputHeadBytes of a regular file, opened without following a FIFO's promise to
// block; empty when it cannot be read.
std::string ReadHead(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return {};
  std::string head(kOutputHeadBytes, '\0');
  size_t got = 0;
  while (got < head.size()) {
    const ssize_t n = ::read(fd, head.data() + got, head.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  head.resize(got);
  return head;
}

}  // namespace

void CheckOutput(const std::string& path, const OutputKind& kind,
                 const std::vector<std::string>& inputs, bool force) {
  if (force) return;
  struct stat out {};
  if (::stat(path.c_str(), &out) != 0) return;  // nothing there (or a dangling link): a new file
  for (const std::string& input : inputs) {
    struct stat in {};
    if (!input.empty() && ::stat(input.c_str(), &in) == 0 && in.st_dev == out.st_dev &&
        in.st_ino == out.st_ino) {
      throw OutputRefused(path, "is also an input of this command (" + input + ")");
    }
  }
  if (!S_ISREG(out.st_mode)) {
    throw OutputRefused(path, S_ISDIR(out.st_mode) ? "is a directory" : "exists and is not a regular file");
  }
  if (out.st_size == 0) return;  // an empty file holds nothing to lose
  const std::string head = ReadHead(path);
  if (!kind.matches(head, static_cast<std::uintmax_t>(out.st_size))) {
    throw OutputRefused(path, "exists and is not " + std::string(kind.name));
  }
}

mode_t OutputMode(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
  return 0666 & ~CurrentUmask();
}

}  // namespace sd::data
