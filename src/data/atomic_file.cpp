#include "data/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "data/data_error.h"
#include "data/output_guard.h"

namespace sd {
namespace {

// Writes content into a new temporary file beside path and returns its name.
std::string WriteTemporary(const std::string& path, std::string_view content) {
  std::string tmp = path + ".tmpXXXXXX";
  const int fd = mkstemp(tmp.data());
  if (fd < 0) {
    throw DataFileError(path, std::string("cannot create a temporary file beside it: ") +
                                  std::strerror(errno));
  }
  auto fail = [&](const char* what, int err, bool open) {
    if (open) ::close(fd);
    ::unlink(tmp.c_str());
    throw DataFileError(path, std::string(what) + ": " + std::strerror(err));
  };
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t w = ::write(fd, content.data() + done, content.size() - done);
    if (w < 0) {
      if (errno == EINTR) continue;
      fail("cannot write", errno, true);
    }
    done += static_cast<size_t>(w);
  }
  // mkstemp makes the file private: a replaced file keeps its own permissions, a new one gets
  // what the umask allows (a data file is usually read by the web server's user too).
  if (::fchmod(fd, OutputMode(path)) != 0) fail("cannot set permissions", errno, true);
  if (::fsync(fd) != 0) fail("cannot write", errno, true);
  if (::close(fd) != 0) fail("cannot write", errno, false);
  return tmp;
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view content) {
  WriteFilesAtomically({{path, content}});
}

void WriteFilesAtomically(const std::vector<std::pair<std::string, std::string_view>>& files) {
  std::vector<std::string> temps;
  try {
    for (const auto& [path, content] : files) temps.push_back(WriteTemporary(path, content));
  } catch (...) {
    for (const std::string& t : temps) ::unlink(t.c_str());
    throw;
  }
  for (size_t i = 0; i < files.size(); ++i) {
    if (std::rename(temps[i].c_str(), files[i].first.c_str()) != 0) {
      const int err = errno;
      for (size_t k = i; k < temps.size(); ++k) ::unlink(temps[k].c_str());
      throw DataFileError(files[i].first, std::string("cannot replace: ") + std::strerror(err));
    }
  }
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

}  // namespace sd
