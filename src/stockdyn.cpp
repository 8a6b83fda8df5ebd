// stockdyn: the command-line tool. Parses the subcommand and hands over to the library.
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/commands.h"

namespace {

void PrintUsage(FILE* out) {
  std::fprintf(out, "usage: stockdyn SUBCOMMAND [ARGS...]\n       stockdyn SUBCOMMAND --help\n\nsubcommands:\n");
  for (const auto& c : sd::cli::Commands()) std::fprintf(out, "  %-10s %s\n", c.name, c.summary);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return 2;
  }
  std::string sub = argv[1];
  if (sub == "--help" || sub == "-h" || sub == "help") {
    PrintUsage(stdout);
    return 0;
  }
  if (sub == "--version") sub = "version";
  for (const auto& c : sd::cli::Commands()) {
    if (sub == c.name) return c.run(sd::cli::Args(argv + 2, argv + argc));
  }
  std::fprintf(stderr, "stockdyn: unknown subcommand '%s'\n", sub.c_str());
  PrintUsage(stderr);
  return 2;
}
