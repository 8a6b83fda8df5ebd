// stockdyn towns: builds the towns database from a readable gazetteer.
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "data/data_error.h"
#include "data/towns.h"

namespace sd::cli {
namespace {

const char kTownsUsage[] =
    "usage: stockdyn towns build SOURCE DIR\n"
    "\n"
    "Writes towns.nd and towns.ndx into DIR from the gazetteer SOURCE (UTF-8 text):\n"
    "  # a comment; blank lines are ignored\n"
    "  [Region name]\n"
    "  Town name | latitude | longitude | zone hours\n"
    "Latitude and longitude in decimal degrees (north and east positive), the zone in hours\n"
    "east of Greenwich. Names may not hold brackets, '|' or the word EUROPE in capitals.\n"
    "Nothing is written when the source has an error; the message names the line.\n";

}  // namespace

int RunTowns(const Args& args) {
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      std::fputs(kTownsUsage, stdout);
      return 0;
    }
  }
  if (args.size() != 3 || args[0] != "build") {
    std::fputs(kTownsUsage, stderr);
    return 2;
  }
  try {
    const TownsBuildResult r = BuildTowns(args[1], args[2]);
    std::fprintf(stderr, "%s: %d regions, %d towns\n", args[2].c_str(), r.regions, r.towns);
    return 0;
  } catch (const TownsSourceError& e) {
    std::fprintf(stderr, "stockdyn towns build: %s: %s\n", args[1].c_str(), e.what());
  } catch (const DataFileError& e) {
    std::fprintf(stderr, "stockdyn towns build: %s\n", e.what());
  }
  return 1;
}

}  // namespace sd::cli
