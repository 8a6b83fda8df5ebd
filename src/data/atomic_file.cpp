#include "data/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "data/data_error.h"
#include "data/output_guard.h"

namespace sd::data {

AtomicFile::AtomicFile(std::string target) : AtomicFile(target, OutputMode(target)) {}

AtomicFile::AtomicFile(std::string target, mode_t mode, std::string fallback_name)
    : target_(std::move(target)), mode_(mode) {
  const size_t slash = target_.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : target_.substr(0, slash + 1);
  // The unnamed file is linked later through /proc, so both must be there.
  if (::access("/proc/self/fd", X_OK) == 0) fd_ = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd_ >= 0) return;
  if (!fallback_name.empty()) {
    fd_ = ::open(fallback_name.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ >= 0) name_ = std::move(fallback_name);
  } else {
    std::string pattern = target_ + ".tmpXXXXXX";
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ >= 0) name_ = std::move(pattern);
  }
  if (fd_ < 0) Fail("cannot create a temporary file beside it", errno);
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!name_.empty() && !replaced_) ::unlink(name_.c_str());
}

int AtomicFile::DupFd() {
  const int fd = ::dup(fd_);
  if (fd < 0) Fail("cannot write", errno);
  return fd;
}

void AtomicFile::Fail(const char* what, int err) const {
  throw DataFileError(target_, std::string(what) + ": " + std::strerror(err));
}

void AtomicFile::Write(std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t w = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (w < 0) {
      if (errno == EINTR) continue;
      Fail("cannot write", errno);
    }
    done += static_cast<size_t>(w);
  }
}

void AtomicFile::Finish(bool sync) {
  // The new file is private until here; it gets the bits the caller chose.
  if (::fchmod(fd_, mode_) != 0) Fail("cannot set permissions", errno);
  if (sync && ::fsync(fd_) != 0) Fail("cannot write", errno);
}

int AtomicFile::LinkAs(const std::string& name) {
  if (!name_.empty()) return ::link(name_.c_str(), name.c_str()) == 0 ? 0 : errno;
  const std::string self = "/proc/self/fd/" + std::to_string(fd_);
  return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

void AtomicFile::Replace() {
  // A link cannot replace the target: a nameless file gets a temporary name first.
  for (int attempt = 0; name_.empty(); ++attempt) {
    const std::string candidate = target_ + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(attempt);
    const int err = LinkAs(candidate);
    if (err == 0)
      name_ = candidate;
    else if (err != EEXIST || attempt >= 100)
      Fail("cannot name the new file", err);
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) Fail("cannot write", errno);
  if (std::rename(name_.c_str(), target_.c_str()) != 0) Fail("cannot replace", errno);
  replaced_ = true;
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
  WriteFilesAtomically({{path, content}});
}

void WriteFilesAtomically(const std::vector<std::pair<std::string, std::string_view>>& files) {
  std::vector<std::unique_ptr<AtomicFile>> news;
  for (const auto& [path, content] : files) {
    news.push_back(std::make_unique<AtomicFile>(path));
    news.back()->Write(content);
    news.back()->Finish();
  }
  for (auto& f : news) f->Replace();
}

std::string ReadWholeFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw DataFileError(path, std::string("cannot open: ") + std::strerror(errno));
  std::string out;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  const bool bad = std::ferror(f);
  const int err = errno;
  std::fclose(f);
  if (bad) throw DataFileError(path, std::string("cannot read: ") + std::strerror(err));
  return out;
}

}  // namespace sd::data
