#pragma once
// The chart wheel as SVG text: the zodiac ring with sign symbols and degree ticks, the house
// cusps with their numbers and the Ascendant and Midheaven marked, the bodies at their
// longitudes (symbol, degree and minute of sign, R when retrograde; crowded bodies spread apart
// with a leader line to their true degree) and the aspect lines across the middle. A bi-wheel
// adds the transits of a moment in a ring outside the zodiac, with the transit-to-natal aspects.
//
// Longitudes are ecliptic degrees [0, 360). The Ascendant sits at the left (nine o'clock) and
// longitude grows counter-clockwise, as on a printed chart; without known cusps 0 Aries does.
// Every symbol and every digit is a path from the glyph table (glyphs.h): no font is needed.
#include <array>
#include <string>
#include <vector>

namespace sd::wheel {

// A body as the wheel shows it.
struct WheelBody {
  int object = 0;          // chart object number (0..9 Sun..Pluto, 30 the north node)
  double longitude = 0;    // degrees, the chart's value as it is (it goes into data-longitude)
  bool retrograde = false;
  int house = 0;           // 1..12 in the natal houses, 0 when the cusps are unknown
};

struct WheelInput {
  std::string title;                 // the SVG's <title>
  std::vector<WheelBody> natal;      // the inner ring
  std::array<double, 12> cusps{};    // natal cusps 1..12, degrees; ignored unless cusps_known
  bool cusps_known = false;
  std::string house_system;          // the name printed under the wheel
  bool bi_wheel = false;             // true: transits drawn in the outer ring
  std::vector<WheelBody> transits;
  std::string transit_caption;       // printed under the wheel of a bi-wheel ("Transits ...")
};

// The aspects the wheel draws. Orbs are degrees on either side of the exact angle; the legend
// prints them. Hard aspects are drawn red, soft ones blue, the conjunction dark yellow.
enum class AspectTone { kNeutral, kHard, kSoft };
struct WheelAspect {
  const char* name;
  double angle;        // degrees
  double natal_orb;    // between two natal bodies
  double transit_orb;  // between a transit and a natal body
  AspectTone tone;
};
inline constexpr WheelAspect kWheelAspects[] = {
    {"conjunction", 0, 8, 3, AspectTone::kNeutral},
    {"sextile", 60, 5, 2, AspectTone::kSoft},
    {"square", 90, 7, 3, AspectTone::kHard},
    {"trine", 120, 7, 3, AspectTone::kSoft},
    {"opposition", 180, 8, 3, AspectTone::kHard},
};

// One aspect in orb: bodies by their index in the input's natal or transit list.
struct FoundAspect {
  int aspect;     // index into kWheelAspects
  int first;      // natal index (natal-natal), or transit index (transit-natal)
  int second;     // natal index
  bool transit;   // true: first is a transit body
  double orb;     // |separation - angle|, degrees
};
// Aspects between natal bodies (planets 0..9 only), or between transit and natal planets.
// The tightest aspect of a pair wins.
std::vector<FoundAspect> FindAspects(const WheelInput& in);

// An upright box of one drawn label, in SVG units (y down).
struct LabelBox {
  double left, top, right, bottom;
};
bool Overlap(const LabelBox& a, const LabelBox& b);

// One label as drawn: text (glyph table code points) centred on (x, y) at `size` units per em.
enum class LabelKind { kBody, kSign, kHouse, kAngle };
struct PlacedLabel {
  LabelKind kind;
  int index;  // body: natal index, then transit index + natal count; sign 0..11; house 1..12;
              // angle 0 Ascendant, 1 Midheaven
  std::u32string text;
  double x, y, size;
  LabelBox box;
  double pen_x, pen_y;  // where the text's pen starts, on its baseline
};

// The placed wheel: display longitudes after spreading, and every label drawn.
struct WheelLayout {
  double width = 0, height = 0;  // the SVG's view box
  double cx = 0, cy = 0;         // centre of the wheel
  double asc = 0;                // longitude drawn at nine o'clock
  std::vector<double> natal_display;    // display longitude per natal body
  std::vector<double> transit_display;  // per transit body
  std::vector<PlacedLabel> labels;
};
WheelLayout LayOutWheel(const WheelInput& in);

// The whole SVG document.
std::string WheelSvg(const WheelInput& in);

// Display longitudes for the true ones with neighbours at least `gap` degrees apart, each as
// near its own as the others allow (clusters are centred on their members' mean). gap is
// narrowed to 360 / n when n of them cannot keep it.
std::vector<double> SpreadOnCircle(const std::vector<double>& longitudes, double gap);

// "14°32′" of a longitude within its sign, degrees and minutes truncated; "Taurus".
std::string DegreeMinuteOfSign(double longitude);
const char* SignName(int sign);  // 0..11 Aries..Pisces, "" outside

}  // namespace sd::wheel
