#include "cli/progress.h"

#include <unistd.h>

#include <cstdio>

namespace sd::cli {

std::function<void(int done, int total)> ProgressBar(std::string what, std::string unit) {
  if (!isatty(STDERR_FILENO)) return nullptr;
  return [what = std::move(what), unit = std::move(unit)](int done, int total) {
    constexpr int kWidth = 40;
    const int filled = total > 0 ? static_cast<int>(static_cast<long long>(kWidth) * done / total) : kWidth;
    std::fprintf(stderr, "\r  %s [%s%s] %d/%d %s", what.c_str(), std::string(filled, '#').c_str(),
                 std::string(kWidth - filled, '.').c_str(), done, total, unit.c_str());
    if (done >= total) std::fputc('\n', stderr);
    std::fflush(stderr);
  };
}

}  // namespace sd::cli
