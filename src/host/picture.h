#pragma once
// The request's forecast run on the process's chart slots, and the publishing of its picture
// under a name no other request holds.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "forecast/run.h"
#include "render/canvas.h"

namespace sd::host {

// Draws another picture name when the one asked for is taken; returns a full path.
using PictureRenamer = std::function<std::string()>;

struct ForecastRun {
  forecast::ForecastValues Values;
  std::string Picture;  // the path written; empty when none was written
};

// The request's whole run on the process's chart slots and metric table: values, picture, GIF.
// The picture claims its path without replacing an existing file and draws another name from
// `rename` while the path is taken. An empty picture path draws no picture. A failure to write
// is swallowed (one line on stderr, no file, empty Picture).
ForecastRun RunForecast(const std::string& model_path, const std::string& picture_path, int year,
                        int month, int day, double span, double zone, double step,
                        const PictureRenamer& rename);

// Writes the GIF to a temporary file beside `path`, then links it to `path`, which must not
// exist yet; while it does, `rename` gives the next candidate. After kPictureNameAttempts
// names the last one is extended by "_" + process id + "_" + counter before its extension
// (counters 1 up to kExtendedNameAttempts). Returns the path claimed, empty on failure (and
// then no file is left). Two processes never end up with the same file.
inline constexpr int kPictureNameAttempts = 100;
inline constexpr int kExtendedNameAttempts = 1000;
std::string PublishPictureExclusive(const render::Canvas& raster, const std::string& path,
                                    const PictureRenamer& rename);

}  // namespace sd::host
