#include "host/wheel_picture.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "astro/calendar.h"
#include "astro/chart.h"
#include "forecast/model_value.h"
#include "wheel/chart_wheel.h"

namespace sd::host {

namespace {

std::string ZoneText(double zone_packed) {
  const double hours = astro::HmsToDecimal(zone_packed);
  const int minutes = static_cast<int>(std::lround(std::fabs(hours) * 60));
  char buf[32];
  std::snprintf(buf, sizeof buf, "UTC%c%02d:%02d", hours < 0 ? '-' : '+', minutes / 60, minutes % 60);
  return buf;
}

std::string ClockText(double packed) {
  const double hours = astro::HmsToDecimal(packed);
  const int minutes = static_cast<int>(std::floor(hours * 60 + 1e-6));
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d", minutes / 60 % 24, minutes % 60);
  return buf;
}

std::string DateText(int y, int m, int d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
  return buf;
}

}  // namespace

std::string MomentText(const LocalMoment& m) {
  return DateText(m.year, m.month, m.day) + " " + ClockText(m.clock) + " " +
         (m.zone_name.empty() ? ZoneText(m.zone) : m.zone_name);
}

std::string SecurityWheelSvg(const astro::EventBlock& first_trade, const std::string& name,
                             const std::optional<LocalMoment>& transits) {
  auto natal = std::make_unique<astro::ChartData>();
  natal->Event = first_trade;
  wheel::SetWheelSwitches(*natal);
  if (!ComputeChart(*natal, astro::MomentSource::LocalClock)) throw std::runtime_error("the chart computation is busy");
  const astro::EventBlock& e = natal->Event;
  const std::string first_trade_text =
      DateText(e.Year, e.Month, e.Day) + " " + ClockText(e.LocalTime) + " " + ZoneText(e.Zone);
  std::string title = name + ": first-trade chart of " + first_trade_text;
  if (transits) title += ", with the transits of " + MomentText(*transits);
  wheel::WheelInput in = wheel::NatalWheel(*natal, astro::kChartSettings.Houses, title);
  if (transits) {
    const astro::ChartData event = forecast::TransitEvent(*natal, transits->zone);
    auto sky = std::make_unique<forecast::TransitSky>();
    const astro::ChartMoment t = astro::MomentFromLocal(transits->year, transits->month, transits->day,
                                                        transits->clock, transits->zone);
    forecast::ComputeSky(event, t, *sky);
    wheel::AddTransits(in, sky->Chart, "Transits (outer ring): " + MomentText(*transits));
  }
  return wheel::WheelSvg(in);
}

std::string MomentWheelSvg(const astro::ChartData& chart, int houses, const LocalMoment& m, double lat,
                           double lon) {
  char place[64];
  std::snprintf(place, sizeof place, "%.4f%c %.4f%c", std::fabs(lat), lat < 0 ? 'S' : 'N',
                std::fabs(lon), lon < 0 ? 'W' : 'E');
  return wheel::WheelSvg(
      wheel::NatalWheel(chart, houses, "Chart of " + MomentText(m) + " at " + place));
}

std::string MomentWheelSvg(const LocalMoment& m, double lat, double lon) {
  auto chart = std::make_unique<astro::ChartData>();
  chart->Event.Year = m.year;
  chart->Event.Month = m.month;
  chart->Event.Day = m.day;
  chart->Event.LocalTime = m.clock;
  chart->Event.Zone = m.zone;
  chart->Event.PlaceLatitude = astro::DecimalToHms(lat);
  chart->Event.PlaceLongitude = astro::DecimalToHms(lon);
  for (int n = 0; n < astro::kObjectCount; ++n) chart->ObjectOn[n] = astro::IsAllowedObject(n) ? 1 : 0;
  if (!ComputeChart(*chart, astro::MomentSource::LocalClock)) throw std::runtime_error("the chart computation is busy");
  return MomentWheelSvg(*chart, astro::kChartSettings.Houses, m, lat, lon);
}

}  // namespace sd::host
