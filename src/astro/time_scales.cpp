// Delta T: an observed table for the 20th century, Meeus's parabola outside it.
#include "astro/time_scales.h"

#include <array>
#include <cstdint>

#include "astro/internal/rounding.h"

namespace sd::astro {
namespace {

struct DeltaTEntry {
  uint16_t year;
  float seconds;
};

// Observed ET - UT, seconds, at the listed years (figures of their time: within 2 s of the later
// reductions in Espenak & Meeus, Five Millennium Canon of Solar Eclipses). Years strictly inside
// the table interpolate; the rest use the parabola of DeltaT below.
constexpr std::array<DeltaTEntry, 18> kDeltaTTable = {{
    {1900, -4.22f}, {1905, 3.036f}, {1910, 10.174f}, {1915, 15.799f}, {1920, 19.756f},
    {1925, 22.0f},  {1930, 23.0f},  {1935, 23.0f},   {1940, 24.0f},   {1945, 26.0f},
    {1950, 29.0f},  {1955, 31.0f},  {1960, 33.0f},   {1965, 36.0f},   {1970, 40.0f},
    {1975, 46.0f},  {1977, 49.0f},  {1981, 52.0f},
}};

}  // namespace

double DeltaT(ChartMoment moment) {
  const double t = moment.Centuries;
  const double year = internal::Nearest(t * 100.0) + 1900.0;
  const auto& tab = kDeltaTTable;
  if (year > tab.front().year && year < tab.back().year) {
    for (size_t i = 0; i + 1 < tab.size(); ++i) {
      if (tab[i].year <= year && year < tab[i + 1].year) {
        const double seconds = (t * 100.0 + 1900.0 - tab[i].year) *
                                   (double(tab[i + 1].seconds) - tab[i].seconds) /
                                   (tab[i + 1].year - tab[i].year) +
                               tab[i].seconds;
        return seconds * SecondInCenturies;
      }
    }
  }
  // Meeus, Astronomical Formulae for Calculators, "Ephemeris Time and Universal Time": minutes,
  // t in centuries from 1900 January 0.5 (UT); less 29 s by this program's own choice.
  const double minutes = 0.41 + 1.2053 * t + 0.4992 * t * t;
  return minutes * DayInCenturies / 1440.0 - 29.0 * SecondInCenturies;
}

TtMoment EphemerisMoment(ChartMoment t) { return TtMoment(t.Centuries + DeltaT(t)); }

}  // namespace sd::astro
