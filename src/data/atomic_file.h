#pragma once
// Files the programs write appear whole or not at all: the content goes into a new file in the
// target's directory, which takes the target's place only when it is whole. Every writer of the
// system (data files, tables, settings, pictures, the picture-name memory) goes through
// AtomicFile, so that the rules below hold for all of them.
#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sd::data {

// A new file beside `target`. Where the file system allows it the file has no name until it is
// whole (O_TMPFILE), so that not even a writer killed midway leaves anything behind; elsewhere
// it has a temporary name (TARGET.tmpXXXXXX unless the caller names one), removed unless the
// file took the target's place. Every failure throws DataFileError naming the target and
// leaves the target as it was.
class AtomicFile {
 public:
  // The new file gets the permission bits OutputMode(target): a replaced regular file's own,
  // else 0666 less the umask.
  explicit AtomicFile(std::string target);
  // The new file gets `mode`. Where there are no unnamed files it is written under
  // `fallback_name` instead of TARGET.tmpXXXXXX when one is given (a name a sweep knows, unique to
  // the process), truncated when a dead process left it.
  AtomicFile(std::string target, mode_t mode, std::string fallback_name = {});
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // The descriptor to write to.
  int Fd() const { return fd_; }
  // A duplicate of the descriptor for a writer that closes what it is given (giflib does).
  int DupFd();
  void Write(std::string_view bytes);
  // Sets the permission bits and flushes to the disk (when `sync`): the content is final.
  void Finish(bool sync = true);
  // Puts the finished file in the target's place.
  void Replace();
  // Links the finished file as `name` without replacing anything: 0 or the errno of the failure
  // (EEXIST: the name is taken). Can be tried with several names; the file stays nameless (or
  // its temporary name goes away) unless one link succeeds.
  int LinkAs(const std::string& name);

 private:
  [[noreturn]] void Fail(const char* what, int err) const;

  std::string target_;
  std::string name_;  // empty while the file has no name
  mode_t mode_;
  int fd_ = -1;
  bool replaced_ = false;
};

// A file it replaces keeps its permission bits; a new file gets 0666 less the umask.
// Throws DataFileError (naming path) on failure; path is then left as it was and no temporary
// file stays behind.
void WriteFileAtomically(const std::string& path, std::string_view content);

// Several files that belong together: every content is written before the first rename, so
// that a failure while writing leaves all of them as they were.
void WriteFilesAtomically(const std::vector<std::pair<std::string, std::string_view>>& files);

// The whole content of a file; throws DataFileError (naming path) when it cannot be read.
std::string ReadWholeFile(const std::string& path);

}  // namespace sd::data
