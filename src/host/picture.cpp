#include "host/picture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "data/atomic_file.h"
#include "data/data_error.h"
#include "data/output_guard.h"
#include "host/process.h"
#include "render/forecast_picture.h"
#include "render/gif_output.h"

namespace sd::host {

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
  const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  try {
    // The picture has no name until it is whole, and linking refuses a name that exists, so
    // nothing is left behind when the run stops midway. Where there are no unnamed files it has
    // a temporary name of this process (the sweep knows it), removed once the picture is linked.
    data::AtomicFile file(path, data::OutputMode(path) & 0644,
                          dir + ".picture_" + std::to_string(getpid()) + ".gif");
    std::string error;
    if (!render::WriteGifToFd(raster, file.DupFd(), &error)) {
      std::fprintf(stderr, "cannot write picture in %s: %s\n", dir.empty() ? "." : dir.c_str(), error.c_str());
      return {};
    }
    file.Finish(/*sync=*/false);  // a picture that lives an hour is not worth a disk flush
    return ClaimName(path, rename, [&](const std::string& target) { return file.LinkAs(target); });
  } catch (const data::DataFileError& e) {
    std::fprintf(stderr, "cannot write picture %s: %s\n", path.c_str(), e.reason().c_str());
    return {};
  }
}

ForecastRun RunForecast(const std::string& model_path, const std::string& picture_path, int year,
                        int month, int day, double span, double zone, double step,
                        const PictureRenamer& rename) {
  ForecastRun run;
  RequestCharts& charts = ProcessCharts();
  run.Values = forecast::ComputeForecast({charts.Natal, charts.TransitEvent, charts.Transit}, model_path, year, month,
                                         day, span, zone, step, Process().metric_table.get());
  if (picture_path.empty()) return run;

  run.Picture = PublishPictureExclusive(render::DrawForecast(run.Values, zone), picture_path, rename);
  return run;
}

}  // namespace sd::host
