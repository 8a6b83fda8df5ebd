// Data files come from other systems and other hands: whatever the bytes, reading them as a
// natal database (lookup, listing, export) or as a securities CSV, and opening them as a
// towns database, must neither crash nor hang.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data/data_error.h"
#include "data/natal_csv.h"
#include "data/natal_db.h"
#include "data/towns.h"
#include "scratch_files.h"

namespace {

using sd::fuzzing::WriteFile;

std::string ScratchDir() {
  static const std::string dir = sd::fuzzing::MakeScratchDir("natal_fuzz");
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string dir = ScratchDir();
  const std::string db = dir + "/Nyse.mil";
  WriteFile(db, bytes);

  sd::astro::ChartData slot;
  // The first record's own name, so that matches happen, and a name that no record has.
  const std::string_view first_name =
      size > 126 ? bytes.substr(126, std::min<size_t>(static_cast<uint8_t>(bytes[125]), 100)) : "";
  sd::data::LookupNatal(db, first_name, slot);
  sd::data::LookupNatal(db, "IBM Corp", slot);

  const auto records = sd::data::ReadNatalDatabase(db);
  try {
    sd::data::FormatNatalCsv(records);
  } catch (const sd::data::NatalCsvError&) {
  }
  for (bool scramble : {false, true}) {
    try {
      sd::data::ParseNatalCsv(bytes, scramble);
    } catch (const sd::data::NatalCsvError&) {
    }
  }

  // The same bytes as both towns files.
  WriteFile(dir + "/towns.nd", bytes);
  WriteFile(dir + "/towns.ndx", bytes);
  sd::data::T_Towns towns(dir);
  return 0;
}
