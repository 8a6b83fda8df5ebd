#include "cgi/forecast.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "astro/chart.h"
#include "astro/moment_snapshot.h"
#include "data/natal_db.h"
#include "eval/evaluation.h"
#include "model/ev_list.h"
#include "render/forecast_picture.h"
#include "render/gif_output.h"
#include "render/value_series.h"

namespace sd {

namespace {

// Objects of the transit chart: the Sun to Pluto and the north node.
constexpr int kTransitObjects[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, kNorthNode};

void PrepareTransitEvent(const ChartData& natal, ChartData& transit, double zone) {
  transit = natal;
  transit.ObjectOn.fill(0);
  for (int n : kTransitObjects) transit.ObjectOn[n] = 1;
  transit.Event.Zone = zone;
}

}  // namespace

bool LoadNatalChart(const std::string& dir, std::string_view security, ChartData& slot0) {
  const bool found = LookupNatal(dir + kNatalFileName, security, slot0);
  SetNatalSwitches(slot0);
  ComputeChart(slot0, 0, NoValue);
  return found;
}

ChartMoment ForecastGrid::At(int i) const {
  return LinearAt(i, N, 0, End, Start);
}

ForecastGrid MakeForecastGrid(int year, int month, int day, double span, double zone, double step) {
  ForecastGrid g;
  g.Start = MomentFromDate(year, month, day, 0.0) - HmsToDecimal(zone) * DayInCenturies / 24;
  g.End = g.Start + span;
  const double q = (g.End - g.Start) / step;
  // A quotient that is not a number, or too large for the count, would run without end.
  if (!std::isfinite(q) || q >= static_cast<double>(std::numeric_limits<int>::max()) ||
      q <= static_cast<double>(std::numeric_limits<int>::min())) {
    g.N = -1;
    return g;
  }
  g.N = static_cast<int>(std::trunc(q));
  return g;
}

ForecastValues ComputeForecast(ChartSlotArray& slots, const std::string& model_path, int year,
                               int month, int day, double span, double zone, double step,
                               const eval::TPlanetary_T* metrics) {
  ForecastValues out;
  model::TEvList model;
  model.Load(model_path, "", 0);

  out.Grid = MakeForecastGrid(year, month, day, span, zone, step);
  const ChartData& natal = slots[0];
  ChartData& event = slots[2];
  ChartData& transit = slots[4];
  PrepareTransitEvent(natal, event, zone);
  if (out.Grid.N < 0) return out;

  // One snapshot for every moment; its head is never written by the run and stays cleared.
  auto snap = std::make_unique<MomentSnapshot>();
  eval::ModelInputs in;
  for (auto& p : in.Transit) p = snap.get();
  in.NatalAt = &natal;
  in.NatalAfter = &natal;
  in.GridStepDays = step / DayInCenturies;
  in.Mode = eval::GradedMode;
  // Calendar events judge the weekday and the clock on the request's own local days.
  in.Options.ZoneHours = HmsToDecimal(zone);
  in.Metrics = metrics;

  out.Moments.reserve(static_cast<size_t>(out.Grid.N) + 1);
  out.Values.reserve(static_cast<size_t>(out.Grid.N) + 1);
  for (int i = 0; i <= out.Grid.N; ++i) {
    const ChartMoment t = out.Grid.At(i);
    LocalClock clock = event.Event.Clock();
    LocalFromMoment(clock, t);
    event.Event.SetClock(clock);

    transit.Event = event.Event;
    transit.ObjectOn = event.ObjectOn;
    transit.Moment = t;
    ComputeChart(transit, 1, t);
    FillSnapshot(*snap, transit);

    in.Moment = t;
    out.Moments.push_back(t);
    out.Values.push_back(eval::EvaluateModel(model, in));
  }
  return out;
}

namespace {

// Links the finished file to the target, drawing new targets while the name is taken.
// `link_to` makes one attempt and returns 0 or the errno of the failure.
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
    if (attempt >= kPictureNameAttempts) {
      std::fprintf(stderr, "no free picture name after %d attempts\n", kPictureNameAttempts);
      return {};
    }
    target = rename();
  }
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
  run.Values = ComputeForecast(ChartSlots(), model_path, year, month, day, span, zone, step,
                               Process().metric_table.get());
  if (picture_path.empty()) return run;

  render::TCorvDoubleList list;
  for (double v : run.Values.Values) list.Add(v);
  const render::Canvas raster = render::DrawForecastPicture(list, run.Values.Grid.Start,
                                                            run.Values.Grid.End, HmsToDecimal(zone));
  if (rename) {
    run.Picture = PublishPictureExclusive(raster, picture_path, rename);
    return run;
  }
  std::string error;
  if (render::WriteGif(raster, picture_path, &error))
    run.Picture = picture_path;
  else
    std::fprintf(stderr, "cannot write picture %s: %s\n", picture_path.c_str(), error.c_str());
  return run;
}

}  // namespace sd
