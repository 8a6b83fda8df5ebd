#pragma once
// The kinds of file the subcommands write, each recognised by what it begins with, and the data
// files a command reads from the program directory (none of which it may write over).
#include <string>
#include <vector>

#include "data/output_guard.h"

namespace sd::cli {

extern const data::OutputKind kGifPicture;       // forecast --gif, draw --out
extern const data::OutputKind kNatalDatabase;    // natal import
extern const data::OutputKind kNatalCsv;         // natal export
extern const data::OutputKind kTickersCsv;       // natal import --tickers
extern const data::OutputKind kMetricTable;      // metrics build
extern const data::OutputKind kTownsFile;        // towns build: towns.nd and towns.ndx
extern const data::OutputKind kModelFile;        // fit --out
extern const data::OutputKind kDetailsCsv;       // evaluate --details
extern const data::OutputKind kHtmlReport;       // evaluate --report, study --report
extern const data::OutputKind kSvgPicture;       // chart --svg
extern const data::OutputKind kStudyDetailsCsv;  // study --details
extern const data::OutputKind kStudyPartial;     // study --partial

// The files of program directory `dir` (ending in '/') that the tool's forecast reads.
std::vector<std::string> ProgramDataFiles(const std::string& dir);

// The option every writing subcommand has, and the line its usage shows for it.
inline constexpr const char* kForceHelp =
    "  --force         write even over one of the command's inputs or an existing file of\n"
    "                  another kind (refused otherwise, exit 1)\n";

}  // namespace sd::cli
