// The chart computation meets event blocks from natal databases and requests, and moments from
// forecast runs: whatever the fields hold (NaN, infinities, absurd dates, places and zones) and
// whatever objects are switched on, computing the chart must neither crash nor hang, and every
// longitude it gives must be a finite angle in [0, 360). The bytes fill, in order: year, month,
// day (32-bit), local time, zone, latitude, longitude, moment (doubles), the mode, the settings,
// then the object switches (one byte each); missing bytes keep a plain chart's values.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "astro/chart.h"
#include "astro/chart_data.h"

namespace {

struct Reader {
  const uint8_t* data;
  size_t size;
  template <typename T>
  void Take(T& out) {
    if (size < sizeof(T)) return;
    std::memcpy(&out, data, sizeof(T));
    data += sizeof(T);
    size -= sizeof(T);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in{data, size};
  sd::astro::ChartData chart;
  sd::astro::EventBlock& ev = chart.Event;
  ev.Year = 2000;
  in.Take(ev.Year);
  in.Take(ev.Month);
  in.Take(ev.Day);
  in.Take(ev.LocalTime);
  in.Take(ev.Zone);
  in.Take(ev.PlaceLatitude);
  in.Take(ev.PlaceLongitude);
  double moment = 0.9;
  in.Take(moment);
  chart.Moment = sd::astro::ChartMoment(moment);
  uint8_t mode = 0;
  in.Take(mode);
  uint8_t s[5] = {0, 0, 0, 1, 1};
  for (uint8_t& b : s) in.Take(b);
  const sd::astro::ChartSettings settings{s[0] % 2, s[1] % 2, s[2] % 2, s[3] % 2, s[4] % 3};
  for (int n = 0; n < sd::astro::kObjectCount; ++n) {
    uint8_t on = 1;
    in.Take(on);
    chart.ObjectOn[n] = on;
  }
  const auto flags = chart.ObjectOn;

  if (!sd::astro::ComputeChartWith(chart, static_cast<sd::astro::MomentSource>(mode % 3), settings)) std::abort();  // nothing else runs
  for (int n = 0; n < sd::astro::kObjectCount; ++n) {
    if (chart.ObjectOn[n] != (sd::astro::IsAllowedObject(n) ? flags[n] : 0)) std::abort();
    const double lon = chart.Object[sd::astro::kLongitude][n];
    if (sd::astro::IsValue(lon) && !(std::isfinite(lon) && lon >= 0.0 && lon < 360.0)) std::abort();
  }
  for (int n = 0; n < sd::astro::kPlanetCount; ++n) {
    const double phase = sd::astro::PhaseAngle(chart, n);
    if (sd::astro::IsValue(phase) && !(phase >= 0.0 && phase < 360.0)) std::abort();
    sd::astro::PhaseNumber(phase);
  }
  // The rest of the bytes as a formula over the chart's longitudes.
  const double v = sd::astro::CompositeValue(
      std::string_view(reinterpret_cast<const char*>(in.data), in.size),
      chart.Object[sd::astro::kLongitude], chart.Moment);
  if (sd::astro::IsValue(v) && !(v >= 0.0 && v < 360.0)) std::abort();
  return 0;
}
