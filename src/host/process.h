#pragma once
// The state that lives for the whole process: created by StartUp, released by CleanUp.
// Everything else a request needs belongs to the function that creates it.
#include <array>
#include <memory>
#include <random>
#include <string>

#include "astro/chart_data.h"
#include "host/clock.h"
#include "data/towns.h"
#include "eval/metric_table.h"

namespace sd::host {

// The three charts a forecast request works on, each starting with the default event data of
// the request's moment (SetDefaultEvent) and the natal chart with the start-up switches.
struct RequestCharts {
  astro::ChartData Natal;
  astro::ChartData TransitEvent;  // the moment's event block, moved along the forecast's grid
  astro::ChartData Transit;       // the sky of each moment of the grid
};

// New request charts for `now`. The command-line tool and the API make their own; the CGI's
// live in the process state below.
std::unique_ptr<RequestCharts> NewRequestCharts(const LocalDateTime& now);

// The planet-pair metric table of a program directory: empty when it has no "Metrics.dat";
// a file there that cannot be used throws DataFileError.
std::unique_ptr<eval::TPlanetary_T> OpenMetricTable(const std::string& program_dir);

// The state of one CGI request's process. Code that runs on threads or outside a request (the
// command-line tool, the API, the evaluations) never reaches it: it takes what it needs as
// arguments.
struct ProcessState {
  std::unique_ptr<RequestCharts> charts;
  // Draws the number in picture names; seeded by StartUp.
  std::mt19937 random;
  // The towns database of the program directory: created by StartUp, released by CleanUp.
  std::unique_ptr<data::T_Towns> towns;
  // The planet-pair metric table of the program directory (empty when it has no usable
  // "Metrics.dat"): created by StartUp, released by CleanUp.
  std::unique_ptr<eval::TPlanetary_T> metric_table;
};

// The one instance.
ProcessState& Process();

// The request's charts; throws std::logic_error outside StartUp .. CleanUp.
RequestCharts& ProcessCharts();

// Name and place every chart starts with: "No Name 1" at Moscow, zone 3.
inline constexpr const char* kDefaultChartName = "No Name 1";
// "Москва (7519)        55.45   37.35" in code page 1251, 34 characters.
inline constexpr const char* kDefaultPlaceText =
    "\xCC\xEE\xF1\xEA\xE2\xE0 (7519)        55.45   37.35";
inline constexpr double kDefaultZone = 3.0;
inline constexpr double kDefaultLatitude = 55.45;   // packed degrees.minutes
inline constexpr double kDefaultLongitude = 37.35;  // packed degrees.minutes

// Default event data: the given local date and time at the default place.
void SetDefaultEvent(astro::ChartData& slot, const LocalDateTime& now);

// Object switches of the natal slot before the natal record is read: 1 for the planets,
// the four angles and the node, 9 for the intermediate cusps, 0 for all others.
void SetStartUpSwitches(astro::ChartData& slot);

// Maps the program directory's metric table (OpenMetricTable), makes the request's charts
// (NewRequestCharts), opens the towns database (a missing or unreadable towns file throws
// DataFileError), and seeds the random generator from a high-resolution clock and the process
// id (not from `now`, which tests fix: the picture number must still vary).
void StartUp(const LocalDateTime& now);
// The same with the data files of another program directory (the command-line tool).
void StartUp(const LocalDateTime& now, const std::string& program_dir);
// Releases what StartUp created, in the same order. Safe to call twice.
void CleanUp();

// Pairs StartUp with CleanUp, also when the work fails.
struct ProcessScope {
  explicit ProcessScope(const LocalDateTime& now) { StartUp(now); }
  ProcessScope(const LocalDateTime& now, const std::string& program_dir) {
    StartUp(now, program_dir);
  }
  ~ProcessScope() { CleanUp(); }
  ProcessScope(const ProcessScope&) = delete;
  ProcessScope& operator=(const ProcessScope&) = delete;
};

// A whole number from 0 to 8999 from the process's generator.
int DrawPictureNumber();

}  // namespace sd::host
