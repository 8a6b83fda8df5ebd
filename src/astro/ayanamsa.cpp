// The offset table of the sidereal zodiac, built from the general precession.
#include "astro/ayanamsa.h"

#include <array>
#include <cmath>

#include "astro/angles.h"
#include "astro/numeric.h"

namespace sd::astro {
namespace {

// Every column is a constant offset plus the general precession in longitude,
// p(t) = 5029.0966" t + 1.11113" t^2 - 0.000006" t^3, t in centuries from J2000; so a column
// is fixed by its value at J2000. Columns 0..3 have published end rows (-1500 and +3500) that
// the precession alone misses by up to 35": each of them takes its first row's value plus the
// precession since, plus a correction linear in t that makes the last row exact too. The
// other columns are the J2000 values of well-known variants.
constexpr int kAyanamsaRows = 201;
constexpr int kAyanamsaColumns = 18;
constexpr double kAyanamsaFirstT = -33.989637;
constexpr double kAyanamsaLastT = 15.9996851;

// Quoted first and last rows of columns 0..3, degrees; the table holds them exactly (to
// single precision).
constexpr int kAyanamsaQuotedColumns = 4;
constexpr double kAyanamsaEndRows[2][kAyanamsaQuotedColumns] = {
    {-23.7827, -24.666, -20.7134, -26.112},
    {45.762, 44.8787, 48.8312, 43.4326},
};

// General precession in longitude, Lieske et al. (1977, A&A 58, 1), as in Meeus, Astronomical
// Algorithms, "Precession": arcseconds -> degrees; t_j2000 in Julian centuries from J2000.0.
double GeneralPrecessionDeg(double t_j2000) {
  const double t = t_j2000;
  return (5029.0966 * t + 1.11113 * t * t - 0.000006 * t * t * t) / 3600.0;
}

// Offset of each column at J2000, degrees.
std::array<double, kAyanamsaColumns> AyanamsaOffsetsAtJ2000() {
  std::array<double, kAyanamsaColumns> off{};
  // 0 Fagan-Bradley, 1 Lahiri, 2 De Luce, 3 Raman come from their quoted rows
  // (kAyanamsaEndRows, see AyanamsaTable); then:
  off[4] = 20.0575;   // Usha-Shashi
  off[5] = 23.7602;   // Krishnamurti
  off[6] = 28.3597;   // Djwhal Khul
  off[7] = 22.4788;   // Sri Yukteshwar
  off[8] = 22.7621;   // J. N. Bhasin
  off[9] = 20.2478;   // Hipparchos
  off[10] = 19.9930;  // Sassanian
  off[11] = 26.8464;  // Galactic Centre at 0 Sagittarius
  off[12] = 0.0;      // J2000: no offset at J2000
  off[13] = -GeneralPrecessionDeg(-1.0);  // J1900: no offset at 1900
  off[14] = -GeneralPrecessionDeg(-0.5);  // B1950: no offset at 1950
  off[15] = 20.8951;  // Suryasiddhanta
  off[16] = 23.8427;  // Spica at 0 Libra
  off[17] = 24.7894;  // Aldebaran at 15 Taurus
  return off;
}

struct AyanamsaRow {
  double moment;
  float value[kAyanamsaColumns];
};

// The table is stored as single-precision values, as the engine has always held it; rows are
// spread evenly between the two end moments (about a quarter century apart).
const std::array<AyanamsaRow, kAyanamsaRows>& AyanamsaTable() {
  static const std::array<AyanamsaRow, kAyanamsaRows> table = [] {
    std::array<AyanamsaRow, kAyanamsaRows> t{};
    const auto off = AyanamsaOffsetsAtJ2000();
    for (int i = 0; i < kAyanamsaRows; ++i) {
      t[i].moment = kAyanamsaFirstT + (kAyanamsaLastT - kAyanamsaFirstT) * i / (kAyanamsaRows - 1);
      const double p = GeneralPrecessionDeg(t[i].moment - 1.0);
      for (int c = 0; c < kAyanamsaColumns; ++c) t[i].value[c] = static_cast<float>(off[c] + p);
      // Columns with quoted end rows: first row + precession since + the linear correction,
      // counted in rows so that row 0 and the last row are the quoted values themselves.
      const double p_first = GeneralPrecessionDeg(kAyanamsaFirstT - 1.0);
      const double p_last = GeneralPrecessionDeg(kAyanamsaLastT - 1.0);
      const double along = static_cast<double>(i) / (kAyanamsaRows - 1);
      for (int c = 0; c < kAyanamsaQuotedColumns; ++c) {
        const double first = kAyanamsaEndRows[0][c], last = kAyanamsaEndRows[1][c];
        const double miss = (last - first) - (p_last - p_first);
        const double value = i == kAyanamsaRows - 1 ? last : first + (p - p_first) + along * miss;
        t[i].value[c] = static_cast<float>(value);
      }
    }
    return t;
  }();
  return table;
}

}  // namespace

double AyanamsaAtColumn(ChartMoment moment, int column) {
  const double t = moment.Centuries;  // the table's moments are plain centuries of UT
  if (column < 0 || column >= kAyanamsaColumns || !std::isfinite(t)) return NoValue;
  const auto& tab = AyanamsaTable();
  if (t <= tab.front().moment) return tab.front().value[column];
  if (t >= tab.back().moment) return tab.back().value[column];
  for (int i = 0; i + 1 < kAyanamsaRows; ++i) {
    const auto& a = tab[i];
    const auto& b = tab[i + 1];
    if ((t - a.moment) * (t - b.moment) <= 0)
      return LinearAt(t, b.moment, a.moment, b.value[column], a.value[column]);
  }
  return NoValue;
}

double AyanamsaAt(ChartMoment t) { return AyanamsaAtColumn(t, AyanamsaColumn); }

int SiderealSignOf(ChartMoment t, double lon) {
  const double ay = AyanamsaAt(t);
  if (ay == NoValue) return 0;
  return SignOf(NormalizeMod(lon - ay, 360));
}

}  // namespace sd::astro
