#pragma once
// Runs a program with a chosen environment and collects what it writes, within a time bound.
#include <string>
#include <vector>

namespace sd::testing {

struct ChildResult {
  int exit_status = -1;    // exit code when the child exited normally
  int signal = 0;          // the signal that ended it, if one did
  bool timed_out = false;  // killed because it outlived the bound
  std::string out;
  std::string err;
};

// Starts argv[0] with exactly env (NAME=value entries) and no input; kills it after
// timeout_seconds.
ChildResult RunChild(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                     double timeout_seconds);

// The built command-line tool `stockdyn`.
extern const std::string kToolPath;

// Runs the tool with args (its subcommand first) on the test clock of the other tests
// ("2026-03-07 09:05:30") and a minimal PATH; kills it after timeout_seconds.
ChildResult RunTool(std::vector<std::string> args, double timeout_seconds = 300.0);

// The same with stderr (and stdin) on a pseudo-terminal, as a user at a terminal runs it; stdout
// is discarded. `err` holds what the terminal showed.
ChildResult RunToolOnTerminal(std::vector<std::string> args, double timeout_seconds = 300.0);

// A loopback TCP port that was free a moment ago.
int FreeLoopbackPort();

struct HttpReply {
  int status = 0;  // 0 when no reply could be read
  std::string headers;
  std::string body;
};

// One HTTP/1.0 GET to 127.0.0.1:port, with extra header lines; bounded by timeout_seconds.
HttpReply HttpGet(int port, const std::string& target, const std::vector<std::string>& extra_headers,
                  double timeout_seconds);

}  // namespace sd::testing
