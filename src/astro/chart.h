#pragma once
// The chart computation: fills a ChartData's object and planet tables from its event block.
//
// Objects and rows are those of chart_data.h. Units are degrees and astronomical units; T is
// the universal moment, E = EphemerisMoment(T) wherever a theory of motion is evaluated. What
// cannot be computed (a moment outside the theories' range, a NaN or absurd coordinate) is
// NoValue, and every later step skips NoValue inputs.
#include <cstdint>
#include <string_view>

#include "astro/ayanamsa.h"
#include "astro/chart_data.h"
#include "astro/houses.h"

namespace sd::astro {

// The settings the computation reads. The program runs with kChartSettings only (constants of
// the build); the other values select code paths that tools and tests can still reach.
struct ChartSettings {
  int MeanNode = 0;        // 0: true node (periodic correction applied); 1: mean node
  int WhiteMoon = 0;       // 1: object 32 becomes the seven-year point
  int Topocentric = 0;     // 1: longitudes and latitudes of objects 0..9 made topocentric
  int PartsNight = 1;      // 1: objects 35 and 36 reversed for night charts; 0: day formula
  int HelioCusps = 1;      // 0: heliocentric cusps NoValue; 1: cusp k at 30 (k - 1); 2: copies
  int Houses = HouseSystem;              // house system 0..11, before the polar fallback
  int SiderealColumn = AyanamsaColumn;   // column 0..17 of the sidereal offset table
};
inline constexpr ChartSettings kChartSettings{};

// Formula bytes: an object number below 250 adds (or subtracts) that object's value; 250 and
// 251 set the running sign to + and -; a run between two 254 bytes is a constant in D.MMSS
// form, a run between two 253 bytes a rate in D.MMSS per tropical year from 2000-01-01 0h.
inline constexpr uint8_t kFormulaPlus = 250, kFormulaMinus = 251, kFormulaRate = 253,
                         kFormulaConstant = 254;
// Composite point of object 34: Sun + Moon - Mercury.
inline constexpr char kCompositeFormulaBytes[] = {char(kSun), char(kFormulaPlus), char(kMoon),
                                                  char(kFormulaMinus), char(kMercury)};
inline constexpr std::string_view CompositeFormula{kCompositeFormulaBytes,
                                                   sizeof kCompositeFormulaBytes};

// True for the object numbers a chart computes: 0..9 and 15..39.
bool IsAllowedObject(int n);

// The name of an object number ("Sun" .. "Pluto", then descriptive names), "" outside 0..39.
const char* ObjectName(int n);

// Where the computation takes the chart's moment from.
enum class MomentSource : int {
  LocalClock = 0,  // Moment := the event block's local date and clock (MomentFromLocal)
  Moment = 1,      // Moment as the caller set it; its local date and clock are written back
                   // into the event block (not when Moment is no usable moment)
  AsIs = 2,        // Moment as it is, the event block untouched
};

// Computes the chart in place, its moment taken as `source` says. The caller's ObjectOn flags
// select the objects; dependencies are switched on for the computation and the caller's flags
// (minus numbers outside 0..9, 15..39) are put back. A Moment that is not finite becomes
// NoValue, and so does everything that depends on it.
//
// Not reentrant on one thread: a call made while another is running on the same thread (a
// nested call) leaves the chart untouched and returns false; waiting there would never end.
// Computations on different threads do not share state and run side by side.
bool ComputeChart(ChartData& chart, MomentSource source);
// The same with other settings (tools and tests).
bool ComputeChartWith(ChartData& chart, MomentSource source, const ChartSettings& settings);

// True while a chart computation is running on this thread.
bool ChartComputationBusy();

// True when cusps 1..12 (objects 18..29) are all known.
bool AllCuspsKnown(const ChartData& chart);

// Topocentric ecliptic longitude and latitude of a body at geocentric (lon, lat) and distance
// dist (AU), seen at geographic latitude place_lat and east longitude place_lon (decimal
// degrees) at universal moment t. Horizontal parallax 0.00244277 / dist degrees; the Earth is
// a sphere. Both NoValue when any input is NoValue or not finite.
struct EclipticPoint {
  double Lon = NoValue;
  double Lat = NoValue;
};
// Mean parallax of a body one AU away, degrees (Earth's equatorial radius over the AU): the
// system's own constant, 8.794 arcseconds, the positions' Earth radius of 4.26346e-5 AU in
// degrees.
inline constexpr double kParallaxAtOneAu = 0.00244277;

EclipticPoint Topocentric(double lon, double lat, double dist, ChartMoment t, double place_lat,
                          double place_lon);
// The same for a place whose local sidereal angle theta (degrees) and obliquity eps are
// already known (scans over many places of one moment).
EclipticPoint TopocentricAt(double lon, double lat, double dist, double theta, double eps,
                            double place_lat);

// The ecliptic longitude whose point has declination decl (a declination beyond the obliquity
// is mirrored back at it), on the half of the ecliptic that ra's side of the solstitial
// colure selects. [0, 360); 0 when the arithmetic fails.
double DeclinationFromLongitude(double decl, double ra, ChartMoment t);

// The value of a formula (bytes as above) over a row of kObjectCount entries at moment t, in
// [0, 360); NoValue when an operand is NoValue, an object number is outside the row or an
// enclosed run is not closed or not a number.
double CompositeValue(std::string_view formula, const double* row, ChartMoment t);

// Phase angle of planet n (0..9) of a computed chart, [0, 360): the Sun 0; the Moon its
// elongation from the Sun; a planet the angle Sun-planet-Earth measured round the ecliptic
// from its heliocentric place (inner planets) or the Earth's (outer). NoValue when an input is.
double PhaseAngle(const ChartData& chart, int n);
// Phase number 1..8 of a phase angle (eight 45-degree sectors); 0 for NoValue.
int PhaseNumber(double angle);

}  // namespace sd::astro
