#include "host/picture_name.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "data/atomic_file.h"
#include "data/data_error.h"

namespace sd::host {

namespace {

std::string JoinDir(const std::string& dir, const char* name) {
  if (dir.empty()) return name;
  return (dir.back() == '/' ? dir : dir + "/") + name;
}

}  // namespace

void PictureNameMemory::Load(const std::string& dir) noexcept {
  name_ = kDefaultName;
  on_disk_ = OnDisk::kDiffers;
  try {
    const std::string path = JoinDir(dir, kFileName);
    // Never blocking (a FIFO in its place) and only from a regular file (not a link to a
    // device that never ends); a bounded amount, so a huge line costs nothing.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
      if (errno == ENOENT) on_disk_ = OnDisk::kMissing;
      return;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      on_disk_ = OnDisk::kNotAFile;
      close(fd);
      return;
    }
    std::string text(kMaxBytes, '\0');
    size_t got = 0;
    while (got < text.size()) {
      const ssize_t n = read(fd, text.data() + got, text.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        if (n < 0) got = 0, text.clear();
        break;
      }
      got += static_cast<size_t>(n);
    }
    close(fd);
    if (text.empty()) return;  // unreadable: the default stays
    text.resize(got);
    const size_t end = text.find('\n');
    // A first line longer than any picture name is not one: the default stays.
    if (end == std::string::npos && got == kMaxBytes) return;
    std::string line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    name_ = std::move(line);
    on_disk_ = OnDisk::kSame;
  } catch (...) {
    name_ = kDefaultName;  // out of memory: the default, as for any failure of this file
    on_disk_ = OnDisk::kDiffers;
  }
}

bool PictureNameMemory::Save(const std::string& dir) const noexcept {
  // An unchanged value is not rewritten: the program directory need not be writable for it,
  // and concurrent requests do not replace the file under each other.
  if (on_disk_ == OnDisk::kSame) return true;
  try {
    const std::string target = JoinDir(dir, kFileName);
    struct stat st {};
    if (lstat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
      // A link, FIFO or device put there by someone else stays as it is.
      std::fprintf(stderr, "%s: %s not written: not a regular file\n", program_invocation_short_name, target.c_str());
      return false;
    }
    try {
      // Readable by all, writable by the owner, whatever the umask of the server.
      data::AtomicFile file(target, 0644);
      file.Write(name_ + "\n");
      file.Finish();
      file.Replace();
      return true;
    } catch (const data::DataFileError& e) {
      std::fprintf(stderr, "%s: %s not written: %s\n", program_invocation_short_name, target.c_str(), e.reason().c_str());
      return false;
    }
  } catch (...) {
    std::fprintf(stderr, "%s: %s not written: out of memory\n", program_invocation_short_name, kFileName);
    return false;
  }
}

}  // namespace sd::host
