#include "render/forecast_picture.h"

#include "astro/calendar.h"
#include "forecast/run.h"
#include "render/date_axis.h"

namespace sd::render {

Canvas DrawForecastPicture(const TCorvDoubleList& values, astro::ChartMoment start, astro::ChartMoment end, double zone_hours) {
  Canvas canvas(kPictureWidth, kPictureHeight);
  const Rect whole{0, 0, kPictureWidth - 1, kPictureHeight - 1};
  canvas.FillRect(whole, kWhite);

  canvas.pen().width = 2;
  values.Draw(canvas, SubRect(kPercentFrame, kCurvePercent, whole), kRisingColour, kFallingColour);

  canvas.pen().width = 1;
  canvas.pen().colour = kBlack;
  DrawDateAxis(canvas, SubRect(kPercentFrame, kAxisPercent, whole), "Arial", nullptr, true, nullptr, zone_hours, end,
               start);
  return canvas;
}

Canvas DrawForecast(const forecast::ForecastValues& values, double zone) {
  TCorvDoubleList list;
  for (double v : values.Values) list.Add(v);
  return DrawForecastPicture(list, values.Grid.Start, values.Grid.End, astro::HmsToDecimal(zone));
}

}  // namespace sd::render
