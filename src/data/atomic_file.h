#pragma once
// Files the tools write appear whole or not at all: the content goes into a temporary file in
// the same directory, which is then renamed over the target.
#include <string>
#include <string_view>

namespace sd {

// Throws DataFileError (naming path) on failure; path is then left as it was and no temporary
// file stays behind.
void WriteFileAtomically(const std::string& path, std::string_view content);

// The whole content of a file; throws DataFileError (naming path) when it cannot be read.
std::string ReadWholeFile(const std::string& path);

}  // namespace sd
