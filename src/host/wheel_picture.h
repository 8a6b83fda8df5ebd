#pragma once
// The chart wheels the programs serve (stockdyn chart --svg, the API's /chart.svg): a
// security's first-trade chart, alone or with the transits of a moment around it, and the
// chart of any moment and place. The transits are computed as the forecast computes them (the
// transit event of the natal chart: its place, the Sun to Pluto and the node), so the wheel
// shows the sky the forecast's curve was evaluated against.
#include <optional>
#include <string>

#include "astro/chart_data.h"

namespace sd::host {

// A local moment: date, clock time packed H.MMSS, zone packed hours east, and how to name it.
struct LocalMoment {
  int year = 0, month = 0, day = 0;
  double clock = 0;
  double zone = 0;
  std::string zone_name;  // "EST"; empty: the zone is written as hours
};

// "2026-03-20 12:00 EST" (or "... UTC-05:00" without a name).
std::string MomentText(const LocalMoment& m);

// The SVG of the first-trade chart of a security named `name` (UTF-8) from its event data (as
// the natal database gives them), and with `transits` the bi-wheel.
std::string SecurityWheelSvg(const astro::EventBlock& first_trade, const std::string& name,
                             const std::optional<LocalMoment>& transits);

// The SVG of a chart computed for a moment and place: `chart` computed with house system
// `houses`; lat and lon in decimal degrees for its title.
std::string MomentWheelSvg(const astro::ChartData& chart, int houses, const LocalMoment& m, double lat,
                           double lon);

// The same for a chart the program computes itself, every object on, the build's settings.
std::string MomentWheelSvg(const LocalMoment& m, double lat, double lon);

}  // namespace sd::host
