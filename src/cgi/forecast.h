#pragma once
// The forecast run: the model's value at a regular grid of moments over the days ahead,
// drawn as a curve over a date axis and published as a GIF picture.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "astro/calendar.h"
#include "astro/chart_data.h"
#include "cgi/process.h"
#include "render/canvas.h"

namespace sd {

// The natal chart of a request in slot 0: the first record of dir + "Nyse.mil" whose name
// matches `security` (see LookupNatal) gives the event data and name; without a match the slot
// keeps what it held (the default event data of start-up). Then the chart is computed with
// every computable object. Returns whether the security was found; a missing or unreadable
// database throws.
bool LoadNatalChart(const std::string& dir, std::string_view security, ChartData& slot0);

// The grid: moments Start + (End - Start) i / N for i = 0..N, Start being local midnight of
// the day in the zone, as a universal moment.
struct ForecastGrid {
  ChartMoment Start = 0;
  ChartMoment End = 0;
  int N = -1;  // number of intervals; -1 when there is no moment at all
  ChartMoment At(int i) const;
};

// span and step in centuries, zone packed hours east of Greenwich. N is the whole part of
// span / step (towards zero); a step that is 0 or not finite, or a quotient beyond what an int
// holds, gives no moment rather than a run without end.
ForecastGrid MakeForecastGrid(int year, int month, int day, double span, double zone, double step);

// The run's standard inputs: twenty days ahead in steps of half a day.
inline constexpr double kForecastSpan = 20 * DayInCenturies;
inline constexpr double kForecastStep = DayInCenturies / 2;
inline constexpr const char* kModelFileName = "stock.hyp";

// What the run computed.
struct ForecastValues {
  ForecastGrid Grid;
  std::vector<ChartMoment> Moments;
  std::vector<double> Values;  // NoValue where the model has no value
};

// Loads the model, prepares the transit event in slot 2 from the natal chart in slot 0 and
// evaluates the model at every grid moment, the transit chart being computed in slot 4.
// Slots 2 and 4 are left changed; slot 0 is only read. `metrics` is the planet-pair metric
// table the events read (none: they score nothing).
ForecastValues ComputeForecast(ChartSlotArray& slots, const std::string& model_path, int year,
                               int month, int day, double span, double zone, double step,
                               const eval::TPlanetary_T* metrics = nullptr);

// Draws another picture name when the one asked for is taken; returns a full path.
using PictureRenamer = std::function<std::string()>;

struct ForecastRun {
  ForecastValues Values;
  std::string Picture;  // the path written; empty when none was written
};

// The whole run on the process's chart slots and metric table: values, picture, GIF. With a renamer the picture
// claims its path without replacing an existing file and draws another name while the path is
// taken; without one it replaces whatever is at the path. An empty picture path draws no
// picture. A failure to write is swallowed (one line on stderr, no file, empty Picture).
ForecastRun RunForecast(const std::string& model_path, const std::string& picture_path, int year,
                        int month, int day, double span, double zone, double step,
                        const PictureRenamer& rename = nullptr);

// Writes the GIF to a temporary file beside `path`, then links it to `path`, which must not
// exist yet; while it does, `rename` gives the next candidate (up to a bound). Returns the
// path claimed, empty on failure. Two processes never end up with the same file.
// At most this many names are tried.
inline constexpr int kPictureNameAttempts = 100;
std::string PublishPictureExclusive(const render::Canvas& raster, const std::string& path,
                                    const PictureRenamer& rename);

}  // namespace sd
