#pragma once
// What the tools may write over. A command replaces an existing file only when that cannot
// destroy something else: an output that is also one of the command's inputs, or an existing
// file that is not what the command writes (a database under a picture's name, a model under a
// table's name), is refused unless the user says --force. Replaced files keep their permission
// bits; new files get the user's umask.
#include <sys/types.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sd::data {

// The kind of file a command writes, recognised by its first bytes.
struct OutputKind {
  std::string_view name;  // for messages: "a GIF picture"
  // True when an existing file of `size` bytes whose first bytes are `head` (at most
  // kOutputHeadBytes of them) is of this kind.
  bool (*matches)(std::string_view head, std::uintmax_t size);
};
inline constexpr size_t kOutputHeadBytes = 65536;

class OutputRefused : public std::runtime_error {
 public:
  OutputRefused(const std::string& path, const std::string& reason)
      : std::runtime_error(path + ": " + reason + "; not replaced (--force replaces it)") {}
};

// Throws OutputRefused when `path` is the same file as one of `inputs` (a link to it included),
// or exists and is not an empty or regular file of `kind`. Does nothing when `force` is set or
// `path` does not exist. Reads at most kOutputHeadBytes of the existing file and never opens
// anything but a regular file, so a FIFO or a device cannot block it.
void CheckOutput(const std::string& path, const OutputKind& kind,
                 const std::vector<std::string>& inputs, bool force);

// The permission bits a file written to `path` gets: those of the regular file it replaces, else
// 0666 less the process's umask.
mode_t OutputMode(const std::string& path);

}  // namespace sd::data
