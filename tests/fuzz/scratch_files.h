#pragma once
// Files the fuzz targets hand to the readers: a private directory and whole-file writes. A
// failure here is the harness's, not the reader's, so it aborts.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace sd::fuzzing {

// A fresh directory /tmp/<prefix>_XXXXXX.
inline std::string MakeScratchDir(const std::string& prefix) {
  std::string tmpl = "/tmp/" + prefix + "_XXXXXX";
  if (!mkdtemp(tmpl.data())) std::abort();
  return tmpl;
}

// Replaces the file at `path` with exactly `bytes` (an empty input writes an empty file).
inline void WriteFile(const std::string& path, std::string_view bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

}  // namespace sd::fuzzing
