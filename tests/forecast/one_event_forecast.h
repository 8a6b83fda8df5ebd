#pragma once
// A forecast run of a model written by the test itself, for a natal chart of the test's own
// choosing. Kind tests use it to show that an event scores through the very code the CGI runs,
// and compare the values with what they compute from the transit charts of the same moments.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "astro/chart.h"
#include "astro/chart_data.h"
#include "astro/moment.h"
#include "eval/metric_table.h"
#include "forecast/model_value.h"
#include "forecast/natal.h"
#include "forecast/run.h"

namespace sd::testing {

// The natal event: date, local clock, zone (packed hours east), place.
struct NatalSpec {
  int Year = 1924, Month = 2, Day = 14;
  double LocalTime = 10.0;
  double Zone = -5.0;
  double Latitude = 40.43, Longitude = -74.0;
};

class OneEventForecast {
 public:
  // Computes the natal chart the way a request does (every computable object switched on).
  explicit OneEventForecast(const NatalSpec& natal = {}) : charts_(std::make_unique<Charts>()) {
    astro::ChartData& n = charts_->Natal;
    n.Event.Year = natal.Year;
    n.Event.Month = natal.Month;
    n.Event.Day = natal.Day;
    n.Event.LocalTime = natal.LocalTime;
    n.Event.Zone = natal.Zone;
    n.Event.PlaceLatitude = natal.Latitude;
    n.Event.PlaceLongitude = natal.Longitude;
    forecast::SetNatalSwitches(n);
    ComputeChart(n, astro::MomentSource::LocalClock);
  }

  // Later runs read their data files from `dir` as a request reads them from the program
  // directory: the model is written there under its installed name, and the planet-pair metric
  // table is mapped from there as start-up maps it. Without a directory the model goes to a
  // temporary file and there is no metric table.
  void UseProgramDir(const std::string& dir) { program_dir_ = dir; }

  // Runs the forecast of `model_text` (the text of a model file) over the twenty days from
  // local midnight of the date in `zone` (packed hours east), half a day apart.
  forecast::ForecastValues Run(const std::string& model_text, int year, int month, int day, double zone) {
    static int counter = 0;
    const std::string path =
        program_dir_.empty()
            ? (std::filesystem::temp_directory_path() /
               ("sd_one_event_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + ".hyp"))
                  .string()
            : (std::filesystem::path(program_dir_) / forecast::kModelFileName).string();
    std::ofstream(path, std::ios::binary) << model_text;
    std::unique_ptr<eval::TPlanetary_T> metrics;
    if (!program_dir_.empty())
      metrics = std::make_unique<eval::TPlanetary_T>(eval::MetricsPathIn(program_dir_));
    forecast::ForecastValues v = forecast::ComputeForecast(
        {charts_->Natal, charts_->TransitEvent, charts_->Transit}, path, year, month, day,
        forecast::kForecastSpan, zone, forecast::kForecastStep, metrics.get());
    std::remove(path.c_str());
    return v;
  }

  const astro::ChartData& Natal() const { return charts_->Natal; }

  // The transit chart of moment t as the last Run computed it (same objects, same event).
  astro::ChartData TransitAt(astro::ChartMoment t) const {
    astro::ChartData transit;
    transit.Event = charts_->TransitEvent.Event;
    transit.Event.MoveClockTo(t);
    transit.ObjectOn = charts_->TransitEvent.ObjectOn;
    transit.Moment = t;
    ComputeChart(transit, astro::MomentSource::Moment);
    return transit;
  }

 private:
  // The three charts a forecast run works on, as a request holds them.
  struct Charts {
    astro::ChartData Natal, TransitEvent, Transit;
  };
  std::unique_ptr<Charts> charts_;
  std::string program_dir_;
};

}  // namespace sd::testing
