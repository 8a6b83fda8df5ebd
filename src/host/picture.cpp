#include "host/picture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "host/process.h"
#include "render/gif_output.h"

namespace sd {

namespace {

// path with "_" + pid + "_" + counter before its extension: a name no other running process
// can draw (their ids differ), tried with counters 1, 2, ... past leftovers of a process that
// had the same id earlier.
std::string ExtendedName(const std::string& path, int counter) {
  const size_t slash = path.rfind('/');
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = path.size();
  return path.substr(0, dot) + "_" + std::to_string(getpid()) + "_" + std::to_string(counter) +
         path.substr(dot);
}

// Links the finished file to the target, drawing new targets while the name is taken; when
// the draws keep clashing (a busy day, or a Temp full of the day's names), an extended name
// that cannot clash with another request's. `link_to` makes one attempt and returns 0 or the
// errno of the failure.
template <typename LinkTo>
std::string ClaimName(const std::string& path, const PictureRenamer& rename, LinkTo link_to) {
  std::string target = path;
  for (int attempt = 1;; ++attempt) {
    const int err = link_to(target);
    if (err == 0) return target;
    if (err != EEXIST || !rename) {
      std::fprintf(stderr, "cannot publish picture %s: %s\n", target.c_str(), std::strerror(err));
      return {};
    }
    if (attempt >= kPictureNameAttempts) break;
    target = rename();
  }
  for (int counter = 1; counter <= kExtendedNameAttempts; ++counter) {
    const std::string extended = ExtendedName(target, counter);
    const int err = link_to(extended);
    if (err == 0) return extended;
    if (err != EEXIST) {
      std::fprintf(stderr, "cannot publish picture %s: %s\n", extended.c_str(), std::strerror(err));
      return {};
    }
  }
  std::fprintf(stderr, "no free picture name after %d attempts\n",
               kPictureNameAttempts + kExtendedNameAttempts);
  return {};
}

}  // namespace

std::string PublishPictureExclusive(const render::Canvas& raster, const std::string& path,
                                    const PictureRenamer& rename) {
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
  std::string error;

  // A file without a name in the picture directory: it gets one only when it is whole, and
  // linking refuses a name that exists. Nothing is left behind when the run stops midway.
  // The unnamed file is named through /proc, so both must be there.
  const int fd = access("/proc/self/fd", X_OK) == 0
                     ? open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644)
                     : -1;
  if (fd >= 0) {
    const int writer_fd = dup(fd);  // the writer closes the one it gets
    if (writer_fd < 0 || !render::WriteGifToFd(raster, writer_fd, &error)) {
      close(fd);
      std::fprintf(stderr, "cannot write picture in %s: %s\n", dir.c_str(),
                   writer_fd < 0 ? std::strerror(errno) : error.c_str());
      return {};
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    const std::string claimed = ClaimName(path, rename, [&](const std::string& target) {
      return linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0
                                                                                              : errno;
    });
    close(fd);
    return claimed;
  }

  // File systems without unnamed files: a temporary name of this process (it has one thread
  // and its id is in the name), linked the same way, then removed.
  const std::string tmp = dir + ".picture_" + std::to_string(getpid()) + ".gif";
  if (!render::WriteGif(raster, tmp, &error)) {
    std::fprintf(stderr, "cannot write picture %s: %s\n", tmp.c_str(), error.c_str());
    return {};
  }
  const std::string claimed = ClaimName(path, rename, [&](const std::string& target) {
    return link(tmp.c_str(), target.c_str()) == 0 ? 0 : errno;
  });
  unlink(tmp.c_str());
  return claimed;
}

ForecastRun RunForecast(const std::string& model_path, const std::string& picture_path, int year,
                        int month, int day, double span, double zone, double step,
                        const PictureRenamer& rename) {
  ForecastRun run;
  ChartSlotArray& slots = ChartSlots();
  run.Values = forecast::ComputeForecast({slots[0], slots[2], slots[4]}, model_path, year, month,
                                         day, span, zone, step, Process().metric_table.get());
  if (picture_path.empty()) return run;

  run.Picture = PublishPictureExclusive(forecast::DrawForecast(run.Values, zone), picture_path, rename);
  return run;
}

}  // namespace sd
