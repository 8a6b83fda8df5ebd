#pragma once
// The progress bar long work draws on stderr, redrawn in place, when stderr is a terminal (a
// pipe or a log file gets nothing, so that a captured stderr holds only messages).
#include <functional>
#include <string>

namespace sd::cli {

// A bar "  WHAT [#####.....] done/total UNIT" for a terminal; nullptr when stderr is none. It
// ends its line when done reaches total.
std::function<void(int done, int total)> ProgressBar(std::string what, std::string unit);

}  // namespace sd::cli
