// INI files and model files come from other systems and other hands: whatever the bytes, the
// INI reader's every reader and writer, and the model loader with a section prefix and a
// section limit, must neither crash nor hang. The first byte picks the reader's line filters
// and the loader's limit; the rest is the file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "astro/object_set.h"
#include "data/ini.h"
#include "model/ev_list.h"
#include "scratch_files.h"

namespace {

using sd::fuzzing::WriteFile;

bool KeepLater(intptr_t, const std::string&, const sd::data::StringList&, const sd::data::StringList&) {
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/sd_ini_fuzz_" + std::to_string(::getpid()) + ".ini";
  if (size == 0) return 0;
  const uint8_t flags = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  WriteFile(path, text);

  {
    sd::data::TSpecIniFile ini("");
    ini.DropCommentLines = flags & 1;
    ini.DropLinesWithoutEquals = flags & 2;
    ini.DropBlanksAroundEquals = flags & 4;
    ini.StripQuotes = flags & 8;
    if (flags & 16) ini.SetDuplicateHandler(KeepLater, 0);
    ini.Reload(path);

    sd::data::StringList names;
    ini.ReadSections(names);
    for (const std::string& name : names) {
      sd::data::StringList keys, lines;
      ini.ReadSection(name, keys);
      ini.ReadSectionValues(name, lines);
      for (const std::string& key : keys) {
        const std::string value = ini.ReadString(name, key, "");
        int32_t i = 0;
        double d = 0;
        sd::data::ParseIniInteger(value, i);
        sd::data::ParseIniReal(value, d);
        ini.ReadInteger(name, key, 7);
        ini.ReadBool(name, key, false);
        ini.ReadFloat(name, key, d, 1.5);
        sd::astro::ObjectSet set;
        ini.ReadSet(name, key, set, sd::astro::ObjectSet{});
        int32_t array[12] = {};
        const int32_t defaults[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        ini.ReadIntArray(name, key, 11, array, defaults);
      }
    }
    // Writes into the memory copy, everything out as lines, then the file written back whole
    // (Reload writes a modified file first): the loader below reads what was written.
    if (!names.empty()) {
      ini.WriteString(names.front(), "Added", text.substr(0, 40));
      ini.WriteInteger(names.back(), "Count", static_cast<int32_t>(size));
      ini.EraseSection(names[names.size() / 2]);
    }
    ini.WriteBool("New section", "Flag", true);
    sd::data::StringList out;
    ini.WriteAllTo(out);
    ini.SetDuplicateHandler(nullptr, 0);
    ini.Reload("");
  }

  // The model loader over the file: with a prefix and a limit, then as the program loads.
  sd::model::TEvList prefixed;
  prefixed.Load(path, "EV", static_cast<uint8_t>(flags >> 5));
  sd::model::TEvList plain;
  const int sections = plain.Load(path);
  if (plain.Count() > sections + 1) std::abort();  // at most one event per section
  return 0;
}
