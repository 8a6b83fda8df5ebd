// stockdyn towns: builds the towns database from a readable gazetteer.
#include <cstdio>
#include <string>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output_kinds.h"
#include "data/data_error.h"
#include "data/towns.h"

namespace sd::cli {
namespace {

const char kTownsUsage[] =
    "usage: stockdyn towns build SOURCE DIR [--force]\n"
    "\n"
    "Writes towns.nd and towns.ndx into DIR from the gazetteer SOURCE (UTF-8 text):\n"
    "  # a comment; blank lines are ignored\n"
    "  [Region name]\n"
    "  Town name | latitude | longitude | zone hours\n"
    "Latitude and longitude in decimal degrees (north and east positive), the zone in hours\n"
    "east of Greenwich. Names may not hold brackets, '|' or the word EUROPE in capitals.\n"
    "Nothing is written when the source has an error; the message names the line. Existing\n"
    "files of those names are replaced only when they are text and not SOURCE itself, unless\n"
    "--force is given.\n";

constexpr std::string_view kCommand = "towns";

}  // namespace

int RunTowns(const Args& args) {
  if (const auto status = CheckAction(args, {"build"}, kCommand)) return *status;
  std::string source, dir;
  bool force = false;
  CLI::App app{"", "stockdyn towns"};
  SetUpParser(app);
  app.require_subcommand(1);
  CLI::App* build = app.add_subcommand("build");
  build->add_option("SOURCE", source)->required();
  build->add_option("DIR", dir)->required();
  build->add_flag("--force", force);
  if (const auto status = ParseArguments(app, args, kCommand, kTownsUsage)) return *status;
  try {
    for (const char* name : {data::kTownsDataFile, data::kTownsIndexFile})
      CheckOutput(dir + "/" + name, kTownsFile, {source}, force);
    const data::TownsBuildResult r = data::BuildTowns(source, dir);
    SayWritten("towns build", dir + "/" + data::kTownsDataFile + " and " + data::kTownsIndexFile,
               std::to_string(r.regions) + " regions, " + std::to_string(r.towns) + " towns");
    return 0;
  } catch (const data::TownsSourceError& e) {
    std::fprintf(stderr, "stockdyn towns build: %s: %s\n", source.c_str(), e.what());
  } catch (const data::DataFileError& e) {
    std::fprintf(stderr, "stockdyn towns build: %s\n", e.what());
  } catch (const data::OutputRefused& e) {
    std::fprintf(stderr, "stockdyn towns build: %s\n", e.what());
  }
  return 1;
}

}  // namespace sd::cli
