#include "cli/commands.h"

#include <cstdio>

namespace sd::cli {

int RunVersion(const Args&) {
  std::printf("%s\n", kVersion);
  return 0;
}

const std::vector<Command>& Commands() {
  // One line per subcommand; each lives in its own source file of this folder.
  static const std::vector<Command> table = {
      {"version", "print the program version", RunVersion},
      {"chart", "compute a chart of a moment and place or of a security, as JSON or a wheel (SVG)", RunChart},
      {"draw", "draw a series of values as the forecast picture, into a GIF", RunDraw},
      {"model", "check FILE: how the model loader reads each section", RunModel},
      {"natal", "list the natal database, import it from CSV, export it as CSV", RunNatal},
      {"towns", "build the towns database from a readable gazetteer", RunTowns},
      {"forecast", "the forecast of a security for a day: 41 values, optionally the picture", RunForecastCommand},
      {"metrics", "build OUT: the planet-pair metric table (Metrics.dat)", RunMetrics},
      {"evaluate", "the model against a price history: rank correlations, permutation p, report", RunEvaluate},
      {"fit", "ridge-fitted weights of the model against a price history, judged out of sample", RunFit},
      {"events", "the exact moments of the transits in a security's forecast window", RunEvents},
      {"study", "an event study: prices around each kind of transit, over many securities", RunStudy},
  };
  return table;
}

}  // namespace sd::cli
