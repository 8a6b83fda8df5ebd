#pragma once
// The installed program directory (build/www/Exe) as the benchmarks in build/bench see it, and
// a program directory of their own for the runs that read their files beside the program.
#include <filesystem>
#include <initializer_list>
#include <system_error>

#include "host/program_dir.h"

namespace sd::bench {

inline std::filesystem::path InstalledDir() {
  return std::filesystem::path(host::ProgramDir("")) / ".." / "www" / "Exe";
}

// Links the named installed data files (those that exist) into the running program's own
// directory and gives it a picture directory.
inline void PrepareOwnProgramDir(std::initializer_list<const char*> names) {
  namespace fs = std::filesystem;
  const fs::path own = host::ProgramDir("");
  for (const char* name : names) {
    const fs::path src = InstalledDir() / name;
    const fs::path dst = own / name;
    std::error_code ec;
    fs::remove(dst, ec);
    if (fs::exists(src)) fs::create_symlink(fs::canonical(src), dst, ec);
  }
  fs::create_directories(own / "Temp");
}

}  // namespace sd::bench
