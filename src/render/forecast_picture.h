#pragma once
// The forecast picture: the value curve above the date axis on a white 600 x 350 raster. The
// forecast run and the draw tool both paint it here, so they cannot drift apart.
#include "astro/moment.h"
#include "render/canvas.h"
#include "render/value_series.h"

namespace sd::forecast {
struct ForecastValues;
}

namespace sd::render {

inline constexpr int kPictureWidth = 600;
inline constexpr int kPictureHeight = 350;
// Plot areas in per cent of the picture, placed by SubRect in the frame (1, 1, 100, 100).
inline constexpr Rect kPercentFrame{1, 1, 100, 100};
inline constexpr Rect kCurvePercent{1, 1, 100, 70};
inline constexpr Rect kAxisPercent{1, 70, 100, 100};
inline constexpr Colour kRisingColour = kGreen;   // segments dominated by positive values
inline constexpr Colour kFallingColour = kRed;    // segments dominated by negative values

// Paints values over the curve area and the date axis from start to end (universal moments)
// in a zone of zone_hours decimal hours east of Greenwich.
Canvas DrawForecastPicture(const TCorvDoubleList& values, astro::ChartMoment start, astro::ChartMoment end, double zone_hours);

// The picture of a forecast run: its values over the date axis of its grid, in the zone of
// `zone` packed hours east.
Canvas DrawForecast(const forecast::ForecastValues& values, double zone);

}  // namespace sd::render
