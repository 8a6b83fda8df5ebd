#pragma once
// The subcommands of the stockdyn tool. Each takes the arguments after its own name
// and returns the exit status: 0 success, 1 the work failed (message on stderr), 2 bad usage.
#include <string>
#include <vector>

namespace sd::cli {

using Args = std::vector<std::string>;

// What `stockdyn version` prints.
inline constexpr const char* kVersion = "stockdyn 0.1.0";

struct Command {
  const char* name;
  const char* summary;
  int (*run)(const Args& args);
};

// Every subcommand, in the order --help lists them.
const std::vector<Command>& Commands();

int RunVersion(const Args& args);
int RunChart(const Args& args);
int RunDraw(const Args& args);
int RunModel(const Args& args);
int RunNatal(const Args& args);
int RunTowns(const Args& args);
int RunForecastCommand(const Args& args);
int RunMetrics(const Args& args);
int RunEvaluate(const Args& args);
int RunFit(const Args& args);
int RunEvents(const Args& args);
int RunStudy(const Args& args);

}  // namespace sd::cli
