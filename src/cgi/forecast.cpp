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
                               int month, int day, double span, double zone, double step) {
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

std::string PublishPictureExclusive(const render::Canvas& raster, const std::string& path,
                                    const PictureRenamer& rename) {
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  // A name no other process uses (the process has one thread and its id is in the name); the
  // writer replaces it whole.
  const std::string tmp = dir + ".picture_" + std::to_string(getpid()) + ".gif";
  std::string error;
  if (!render::WriteGif(raster, tmp, &error)) {
    unlink(tmp.c_str());
    std::fprintf(stderr, "cannot write picture %s: %s\n", tmp.c_str(), error.c_str());
    return {};
  }
  std::string target = path;
  std::string claimed;
  for (int attempt = 0; claimed.empty(); ++attempt) {
    // link() refuses an existing name: the name is ours alone, and the file appears whole.
    if (link(tmp.c_str(), target.c_str()) == 0) {
      claimed = target;
      break;
    }
    const int err = errno;
    if (err != EEXIST || !rename) {
      std::fprintf(stderr, "cannot publish picture %s: %s\n", target.c_str(), std::strerror(err));
      break;
    }
    if (attempt + 1 >= kPictureNameAttempts) {
      std::fprintf(stderr, "no free picture name after %d attempts\n", kPictureNameAttempts);
      break;
    }
    target = rename();
  }
  unlink(tmp.c_str());
  return claimed;
}

ForecastRun RunForecast(const std::string& model_path, const std::string& picture_path, int year,
                        int month, int day, double span, double zone, double step,
                        const PictureRenamer& rename) {
  ForecastRun run;
  run.Values = ComputeForecast(ChartSlots(), model_path, year, month, day, span, zone, step);
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
