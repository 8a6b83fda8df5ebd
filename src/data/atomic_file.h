#pragma once
// Files the tools write appear whole or not at all: the content goes into a temporary file in
// the same directory, which is then renamed over the target.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sd {

// A file it replaces keeps its permission bits; a new file gets 0666 less the umask.
// Throws DataFileError (naming path) on failure; path is then left as it was and no temporary
// file stays behind.
void WriteFileAtomically(const std::string& path, std::string_view content);

// Several files that belong together: every content is written before the first rename, so
// that a failure while writing leaves all of them as they were.
void WriteFilesAtomically(const std::vector<std::pair<std::string, std::string_view>>& files);

// The whole content of a file; throws DataFileError (naming path) when it cannot be read.
std::string ReadWholeFile(const std::string& path);

}  // namespace sd
