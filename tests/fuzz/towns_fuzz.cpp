// The towns database and its readable source come from other hands: whatever the bytes, building
// the database from them as a source and opening what was built, and opening them as the two
// stored files, must neither crash nor hang. A source that builds must read back as built.
// The bytes up to the first NUL are towns.nd, the rest towns.ndx (each whole, for the build).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data/data_error.h"
#include "data/towns.h"
#include "scratch_files.h"

namespace {

using sd::fuzzing::WriteFile;

std::string ScratchDir(const char* name) {
  return sd::fuzzing::MakeScratchDir(std::string("sd_towns_fuzz_") + name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string stored = ScratchDir("stored");
  static const std::string built = ScratchDir("built");
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  if (sd::data::Unscramble(sd::data::ScrambleLine(bytes)) != bytes) std::abort();

  const size_t nul = bytes.find('\0');
  WriteFile(stored + "/" + sd::data::kTownsDataFile, bytes.substr(0, nul));
  WriteFile(stored + "/" + sd::data::kTownsIndexFile,
            nul == std::string_view::npos ? std::string_view() : bytes.substr(nul + 1));
  {
    sd::data::T_Towns towns(stored);
    if (towns.regions().size() != towns.region_names().size()) std::abort();
  }

  const std::string source = built + "/source.txt";
  for (std::string_view text : {bytes.substr(0, nul), bytes}) {
    WriteFile(source, text);
    sd::data::TownsBuildResult result;
    try {
      result = sd::data::BuildTowns(source, built);
    } catch (const sd::data::TownsSourceError&) {
      continue;
    }
    const sd::data::T_Towns towns(built);
    if (towns.regions().size() != static_cast<size_t>(result.regions)) std::abort();
    size_t entries = 0;
    for (const auto& r : towns.regions()) entries += r->entries().size();
    if (entries != static_cast<size_t>(result.towns)) std::abort();
  }
  return 0;
}
