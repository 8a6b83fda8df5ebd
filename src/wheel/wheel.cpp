#include "wheel/wheel.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <string_view>
#include <utility>

#include "wheel/glyphs.h"

namespace sd::wheel {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Radii in SVG units. The natal labels stack inwards from the zodiac, the transit labels
// outwards from it, so that the two rings never meet.
constexpr double kZodiacOuter = 300, kZodiacInner = 260;
constexpr double kSignRadius = 280, kSignSize = 24;
constexpr double kAspectRadius = 110;
constexpr double kHouseNumberRadius = 126, kHouseNumberSize = 12;
constexpr double kTransitOuter = 392;
constexpr double kAngleMarkGap = 16, kAngleMarkSize = 13;
constexpr double kLegendHeight = 96;

// A ring's stack of labels: symbol, degree, minute and R, one after the other along the
// body's ray, inwards from the zodiac (natal) or outwards (transits). Upright labels on a slanted
// ray need more room the wider they are, so each follows the one before at the least distance
// that keeps their boxes apart (see StackLabels).
struct Stack {
  double glyph_r;             // radius of the symbol's centre
  double direction;           // -1 inwards, +1 outwards
  double glyph_size, degree_size, minute_size, retro_size;
  double tick_from, tick_to;  // the true-degree tick on the zodiac edge
  double leader_end;          // where the leader meets the symbol
};
constexpr double kStackSpacing = 2;
// Neighbouring stacks start this many degrees apart and keep a little white between their
// labels, so that each degree is read with its own symbol.
constexpr double kFirstGap = 5;
constexpr double kLabelPadding = 5;
constexpr Stack kNatalStack{236, -1, 22, 13, 12, 11, kZodiacInner, 252, 248};
constexpr Stack kTransitStack{322, +1, 22, 13, 12, 11, kZodiacOuter, 308, 310};

const char* const kSignNames[12] = {"Aries",  "Taurus",  "Gemini",      "Cancer",
                                    "Leo",    "Virgo",   "Libra",       "Scorpio",
                                    "Sagittarius", "Capricorn", "Aquarius", "Pisces"};
const char* const kBodyNames[10] = {"Sun",     "Moon",   "Mercury", "Venus",  "Mars",
                                    "Jupiter", "Saturn", "Uranus",  "Neptune", "Pluto"};

// Fire, earth, air, water.
const char* const kElementColours[4] = {"#c0392b", "#6e8b3d", "#b7950b", "#2471a3"};
const char* ToneColour(AspectTone t) {
  switch (t) {
    case AspectTone::kHard: return "#c0392b";
    case AspectTone::kSoft: return "#2471a3";
    case AspectTone::kNeutral: break;
  }
  return "#9a7d0a";
}

const char* BodyName(int object) {
  if (object >= 0 && object < 10) return kBodyNames[object];
  if (object == 30) return "North Node";
  if (object == 31) return "South Node";
  return "Point";
}

double Wrap360(double x) {
  double r = std::fmod(x, 360.0);
  if (r < 0) r += 360.0;
  return r >= 360.0 ? 0.0 : r;
}

// Separation a - b reduced into [0, 180].
double Separation(double a, double b) {
  const double d = Wrap360(a - b);
  return d > 180 ? 360 - d : d;
}

// Two decimals: a hundredth of a unit is far below a pixel at any size the wheel is shown.
// Written by hand from whole hundredths: a wheel writes some two thousand numbers, and the
// general formatting of a double costs more than the rest of the text.
void AppendNum(std::string& out, double v) {
  // Nothing the wheel draws is far from its picture; a value that is not a number draws at 0.
  long long h = std::isfinite(v) && std::fabs(v) < 1e12 ? std::llround(v * 100) : 0;
  char buf[32];
  char* p = buf;
  if (h < 0) {
    *p++ = '-';
    h = -h;
  }
  p = std::to_chars(p, buf + sizeof buf - 3, h / 100).ptr;
  *p++ = '.';
  *p++ = char('0' + h / 10 % 10);
  *p++ = char('0' + h % 10);
  out.append(buf, p);
}
// A label's size in units per em as the scale of the table's 1000-unit em: 22 is 0.022; sizes
// are given to the hundredth.
void AppendScale(std::string& out, double size) {
  long long h = std::isfinite(size) && size > 0 ? std::llround(size * 100) : 0;
  char digits[24];
  char* end = std::to_chars(digits, digits + sizeof digits, h).ptr;
  // h hundredths of a unit are h / 100000 of the em: at least five decimals.
  const std::ptrdiff_t n = end - digits;
  if (n <= 5) {
    out.append("0.").append(5 - n, '0').append(digits, end);
  } else {
    out.append(digits, end - 5).append(".").append(end - 5, end);
  }
  while (out.back() == '0') out.pop_back();
  if (out.back() == '.') out.pop_back();
}
std::string Num(double v) {
  std::string s;
  AppendNum(s, v);
  return s;
}

// The shortest text that reads back as the same double.
std::string FullNum(double v) {
  char buf[40];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

std::string Escaped(std::string_view s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Utf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
  return out;
}

std::u32string Ascii(std::string_view s) { return std::u32string(s.begin(), s.end()); }

const GlyphOutline& GlyphOrQuestion(char32_t c) {
  const GlyphOutline* g = FindGlyph(c);
  return g ? *g : *FindGlyph(U'?');
}

std::string GlyphId(char32_t c) {
  if (c >= SignSymbol(0) && c <= SignSymbol(11)) return SignGlyphId(static_cast<int>(c - SignSymbol(0)));
  if (c >= 0x2600 && c < SignSymbol(0))
    for (int n : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 30, 31})
      if (BodySymbol(n) == c) return BodyGlyphId(n);
  // "ch-" and four or more hex digits; written by hand, as this runs for every character drawn.
  std::string id = "ch-";
  char digits[8];
  const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<unsigned>(c), 16).ptr;
  id.append(std::max<std::ptrdiff_t>(0, 4 - (end - digits)), '0').append(digits, end);
  return id;
}

// The ids of every glyph of the table, by table index, made once.
const std::string& TableGlyphId(const GlyphOutline& g) {
  static const std::vector<std::string> ids = [] {
    std::vector<std::string> out;
    for (const GlyphOutline& each : GlyphOutlines()) out.push_back(GlyphId(each.code));
    return out;
  }();
  return ids[&g - GlyphOutlines().data()];
}

// The text's ink box at one unit per em, pen at the origin.
LabelBox InkBox(const std::u32string& text) {
  LabelBox b{0, 0, 0, 0};
  double pen = 0;
  bool any = false;
  for (char32_t c : text) {
    const GlyphOutline& g = GlyphOrQuestion(c);
    if (g.path[0] != '\0') {
      const LabelBox gb{pen + g.x_min, g.y_min, pen + g.x_max, g.y_max};
      if (!any) b = gb;
      b = {std::min(b.left, gb.left), std::min(b.top, gb.top), std::max(b.right, gb.right),
           std::max(b.bottom, gb.bottom)};
      any = true;
    }
    pen += g.advance;
  }
  return {b.left / 1000, b.top / 1000, b.right / 1000, b.bottom / 1000};
}

LabelBox Padded(const LabelBox& b) {
  return {b.left - kLabelPadding, b.top - kLabelPadding, b.right + kLabelPadding, b.bottom + kLabelPadding};
}

// Screen position of a longitude at radius r.
struct Point {
  double x, y;
};
Point At(const WheelLayout& l, double lon, double r) {
  const double a = (180.0 + lon - l.asc) * kPi / 180.0;
  return {l.cx + r * std::cos(a), l.cy - r * std::sin(a)};
}

PlacedLabel Label(LabelKind kind, int index, std::u32string text, Point at, double size) {
  const LabelBox ink = InkBox(text);
  const double w = (ink.right - ink.left) * size, h = (ink.bottom - ink.top) * size;
  // The pen origin that centres the ink box on (x, y).
  const double pen_x = at.x - (ink.left + ink.right) / 2 * size;
  const double pen_y = at.y - (ink.top + ink.bottom) / 2 * size;
  return {kind,  index, std::move(text), at.x, at.y, size, {at.x - w / 2, at.y - h / 2, at.x + w / 2, at.y + h / 2},
          pen_x, pen_y};
}

// Moves a placed label to be centred on `at`.
void Shift(PlacedLabel& p, Point at) {
  const double dx = at.x - p.x, dy = at.y - p.y;
  p.x = at.x;
  p.y = at.y;
  p.pen_x += dx;
  p.pen_y += dy;
  p.box = {p.box.left + dx, p.box.top + dy, p.box.right + dx, p.box.bottom + dy};
}

// Arc seconds of a longitude, rounded, [0, 360 * 3600): a chart's 44.55 is 14°33′, not the
// 14°32′ that truncating 44.549999... would print.
long long ArcSeconds(double lon) {
  const long long s = std::llround(Wrap360(lon) * 3600.0);
  return s >= 360LL * 3600 ? 0 : s;
}
int SignOfLongitude(double lon) { return static_cast<int>(ArcSeconds(lon) / (30 * 3600)); }

std::u32string DegreeText(double lon) {
  const int deg = static_cast<int>(ArcSeconds(lon) / 3600 % 30);
  std::u32string out;
  if (deg >= 10) out += char32_t('0' + deg / 10);
  out += char32_t('0' + deg % 10);
  return out += U'\u00B0';
}
std::u32string MinuteText(double lon) {
  const int minute = static_cast<int>(ArcSeconds(lon) / 60 % 60);
  return {char32_t('0' + minute / 10), char32_t('0' + minute % 10), U'\u2032'};
}

// The labels of one body at a display longitude.
std::vector<PlacedLabel> BodyLabels(const WheelLayout& l, const WheelBody& b, int index,
                                    double display, const Stack& s) {
  struct Item {
    std::u32string text;
    double size;
  };
  std::vector<Item> items = {{std::u32string(1, BodySymbol(b.object)), s.glyph_size},
                             {DegreeText(b.longitude), s.degree_size},
                             {MinuteText(b.longitude), s.minute_size}};
  if (b.retrograde) items.push_back({U"R", s.retro_size});
  // The ray's direction on screen (y down), as At() has it.
  const double a = (180.0 + display - l.asc) * kPi / 180.0;
  const double cx = std::cos(a), cy = -std::sin(a);
  const double ux = std::fabs(cx), uy = std::fabs(cy);
  auto on_ray = [&](double r) { return Point{l.cx + r * cx, l.cy + r * cy}; };
  std::vector<PlacedLabel> out;
  out.reserve(items.size());
  double r = s.glyph_r;
  for (Item& item : items) {
    PlacedLabel p = Label(LabelKind::kBody, index, std::move(item.text), on_ray(r), item.size);
    if (!out.empty()) {
      // Along the ray, the boxes part once either their x or their y extents do.
      const LabelBox& prev = out.back().box;
      const double w = (prev.right - prev.left + p.box.right - p.box.left) / 2;
      const double h = (prev.bottom - prev.top + p.box.bottom - p.box.top) / 2;
      const double along = std::min(ux > 1e-9 ? w / ux : 1e9, uy > 1e-9 ? h / uy : 1e9) + kStackSpacing;
      r += s.direction * along;
      Shift(p, on_ray(r));
    }
    out.push_back(std::move(p));
  }
  return out;
}

// Spreads labelled points until no two of them have overlapping labels, widening the gap
// between neighbours step by step; the labels go into the layout. `labels_at(i, display)`
// makes point i's labels at a display longitude.
template <typename LabelsAt>
std::vector<double> SpreadLabels(WheelLayout& l, const std::vector<double>& longitudes,
                                 LabelsAt labels_at) {
  std::vector<double> lons;
  for (double v : longitudes) lons.push_back(Wrap360(v));
  const double widest = lons.empty() ? 360 : 360.0 / lons.size();
  std::vector<double> display;
  std::vector<PlacedLabel> labels;
  std::vector<std::size_t> owner;
  for (double gap = kFirstGap;; gap = std::min(gap * 1.08, widest)) {
    display = SpreadOnCircle(lons, gap);
    labels.clear();
    owner.clear();
    labels.reserve(4 * lons.size());
    owner.reserve(4 * lons.size());
    for (std::size_t i = 0; i < lons.size(); ++i)
      for (PlacedLabel& p : labels_at(i, display[i])) {
        labels.push_back(std::move(p));
        owner.push_back(i);
      }
    bool clash = false;
    for (std::size_t i = 0; i < labels.size() && !clash; ++i)
      for (std::size_t j = i + 1; j < labels.size() && !clash; ++j)
        clash = owner[i] != owner[j] && Overlap(Padded(labels[i].box), labels[j].box);
    if (!clash || gap >= widest) break;
  }
  for (PlacedLabel& p : labels) l.labels.push_back(std::move(p));
  return display;
}

std::vector<double> PlaceRing(WheelLayout& l, const std::vector<WheelBody>& bodies, int first_index,
                              const Stack& s) {
  std::vector<double> lons;
  for (const WheelBody& b : bodies) lons.push_back(b.longitude);
  return SpreadLabels(l, lons, [&](std::size_t i, double display) {
    return BodyLabels(l, bodies[i], first_index + int(i), display, s);
  });
}

// The degree ticks and sign boundaries around the origin with 0 Aries at nine o'clock, made once:
// every wheel draws the same path turned by its Ascendant.
const std::string& ZodiacTicks() {
  static const std::string path = [] {
    WheelLayout origin;
    std::string d;
    for (int deg = 0; deg < 360; ++deg) {
      const double len =
          deg % 30 == 0 ? kZodiacOuter - kZodiacInner : deg % 10 == 0 ? 10 : deg % 5 == 0 ? 7 : 4;
      const Point a = At(origin, deg, kZodiacInner), b = At(origin, deg, kZodiacInner + len);
      d += "M" + Num(a.x) + " " + Num(a.y) + "L" + Num(b.x) + " " + Num(b.y);
    }
    return d;
  }();
  return path;
}

// Middle of house k's arc (k 1..12), going forward from its cusp to the next.
double HouseMiddle(const std::array<double, 12>& cusps, int k) {
  const double from = cusps[k - 1], to = cusps[k % 12];
  return Wrap360(from + Wrap360(to - from) / 2);
}

}  // namespace

bool Overlap(const LabelBox& a, const LabelBox& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

const char* SignName(int sign) { return sign >= 0 && sign < 12 ? kSignNames[sign] : ""; }

std::string DegreeMinuteOfSign(double longitude) {
  std::string out;
  for (char32_t c : DegreeText(longitude) + MinuteText(longitude)) out += Utf8(c);
  return out;
}

std::vector<double> SpreadOnCircle(const std::vector<double>& longitudes, double gap) {
  const std::size_t n = longitudes.size();
  if (n == 0) return {};
  gap = std::min(gap, 360.0 / n);
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return Wrap360(longitudes[a]) < Wrap360(longitudes[b]); });
  // Cut the circle at its widest empty arc, so that the bodies lie on a line in order.
  std::size_t start = 0;
  double widest = -1;
  for (std::size_t k = 0; k < n; ++k) {
    const double here = Wrap360(longitudes[order[k]]);
    const double next = Wrap360(longitudes[order[(k + 1) % n]]);
    const double empty = n == 1 ? 360 : Wrap360(next - here);
    if (empty > widest) {
      widest = empty;
      start = (k + 1) % n;
    }
  }
  std::vector<double> line(n);
  for (std::size_t k = 0; k < n; ++k) {
    double v = Wrap360(longitudes[order[(start + k) % n]]);
    if (k > 0 && v < line[k - 1]) v += 360;
    line[k] = v;
  }
  // Clusters of neighbours closer than the gap, each centred on its members' mean and merged
  // with the one before while they overlap.
  struct Cluster {
    std::size_t first, count;
    double sum;
    double Start(double g) const { return sum / count - (count - 1) * g / 2; }
    double End(double g) const { return Start(g) + (count - 1) * g; }
  };
  std::vector<Cluster> clusters;
  for (std::size_t k = 0; k < n; ++k) {
    clusters.push_back({k, 1, line[k]});
    while (clusters.size() > 1) {
      Cluster& last = clusters.back();
      Cluster& before = clusters[clusters.size() - 2];
      if (before.End(gap) + gap <= last.Start(gap) + 1e-9) break;
      before.count += last.count;
      before.sum += last.sum;
      clusters.pop_back();
    }
  }
  // Across the cut: when the ends meet there, one cluster of all keeps every gap.
  if (clusters.size() > 1 &&
      clusters.front().Start(gap) + 360 - clusters.back().End(gap) < gap - 1e-9)
    clusters = {{0, n, std::accumulate(line.begin(), line.end(), 0.0)}};
  std::vector<double> out(n);
  for (const Cluster& c : clusters)
    for (std::size_t j = 0; j < c.count; ++j)
      out[order[(start + c.first + j) % n]] = Wrap360(c.Start(gap) + j * gap);
  return out;
}

std::vector<FoundAspect> FindAspects(const WheelInput& in) {
  std::vector<FoundAspect> out;
  auto is_planet = [](const WheelBody& b) { return b.object >= 0 && b.object < 10; };
  auto tightest = [&](double a, double b, bool transit) {
    int best = -1;
    double best_orb = 0;
    for (int k = 0; k < int(std::size(kWheelAspects)); ++k) {
      const double orb = std::fabs(Separation(a, b) - kWheelAspects[k].angle);
      const double allowed = transit ? kWheelAspects[k].transit_orb : kWheelAspects[k].natal_orb;
      if (orb <= allowed && (best < 0 || orb < best_orb)) {
        best = k;
        best_orb = orb;
      }
    }
    return std::pair{best, best_orb};
  };
  if (!in.bi_wheel) {
    for (int i = 0; i < int(in.natal.size()); ++i)
      for (int j = i + 1; j < int(in.natal.size()); ++j) {
        if (!is_planet(in.natal[i]) || !is_planet(in.natal[j])) continue;
        const auto [k, orb] = tightest(in.natal[i].longitude, in.natal[j].longitude, false);
        if (k >= 0) out.push_back({k, i, j, false, orb});
      }
    return out;
  }
  for (int t = 0; t < int(in.transits.size()); ++t)
    for (int j = 0; j < int(in.natal.size()); ++j) {
      if (!is_planet(in.transits[t]) || !is_planet(in.natal[j])) continue;
      const auto [k, orb] = tightest(in.transits[t].longitude, in.natal[j].longitude, true);
      if (k >= 0) out.push_back({k, t, j, true, orb});
    }
  return out;
}

WheelLayout LayOutWheel(const WheelInput& in) {
  WheelLayout l;
  const double outer = in.bi_wheel ? kTransitOuter : kZodiacOuter;
  const double half = outer + kAngleMarkGap + 24;
  l.width = 2 * half;
  l.height = 2 * half + kLegendHeight;
  l.cx = l.cy = half;
  l.asc = in.cusps_known ? Wrap360(in.cusps[0]) : 0;

  for (int s = 0; s < 12; ++s)
    l.labels.push_back(Label(LabelKind::kSign, s, std::u32string(1, SignSymbol(s)),
                             At(l, s * 30 + 15, kSignRadius), kSignSize));
  if (in.cusps_known) {
    // House numbers in the middle of their houses and the angle marks beyond the wheel, moved
    // apart where narrow houses (near the polar circles) would pile them up.
    std::vector<double> middles;
    for (int k = 1; k <= 12; ++k) middles.push_back(HouseMiddle(in.cusps, k));
    SpreadLabels(l, middles, [&](std::size_t i, double display) {
      return std::vector{Label(LabelKind::kHouse, int(i) + 1, Ascii(std::to_string(i + 1)),
                               At(l, display, kHouseNumberRadius), kHouseNumberSize)};
    });
    SpreadLabels(l, {in.cusps[0], in.cusps[9]}, [&](std::size_t i, double display) {
      return std::vector{Label(LabelKind::kAngle, int(i), i == 0 ? U"AC" : U"MC",
                               At(l, display, outer + kAngleMarkGap), kAngleMarkSize)};
    });
  }
  l.natal_display = PlaceRing(l, in.natal, 0, kNatalStack);
  if (in.bi_wheel) l.transit_display = PlaceRing(l, in.transits, int(in.natal.size()), kTransitStack);
  return l;
}

namespace {

// Draws labels as <use> of their glyphs; remembers which glyphs the <defs> must hold. Writes
// straight into the document: a wheel draws some three hundred glyphs and a hundred lines.
struct SvgWriter {
  std::string out;
  std::vector<bool> used = std::vector<bool>(GlyphOutlines().size());

  void Text(const PlacedLabel& p, const char* fill = nullptr) {
    out.append("<g transform=\"translate(");
    AppendNum(out, p.pen_x);
    out += ' ';
    AppendNum(out, p.pen_y);
    out.append(") scale(");
    AppendScale(out, p.size);
    out.append(")\"");
    if (fill) out.append(" fill=\"").append(fill).append("\"");
    out += '>';
    const GlyphOutline* table = GlyphOutlines().data();
    double pen = 0;
    for (char32_t c : p.text) {
      const GlyphOutline& g = GlyphOrQuestion(c);
      if (g.path[0] != '\0') {
        used[&g - table] = true;
        out.append("<use xlink:href=\"#").append(TableGlyphId(g)).append("\"");
        if (pen != 0) {
          out.append(" x=\"");
          AppendNum(out, pen);
          out += '"';
        }
        out.append("/>");
      }
      pen += g.advance;
    }
    out.append("</g>");
  }

  void Line(Point a, Point b, std::string_view attrs) {
    out.append("<line x1=\"");
    AppendNum(out, a.x);
    out.append("\" y1=\"");
    AppendNum(out, a.y);
    out.append("\" x2=\"");
    AppendNum(out, b.x);
    out.append("\" y2=\"");
    AppendNum(out, b.y);
    out.append("\" ").append(attrs).append("/>");
  }

  // The <defs> of every glyph drawn, in code point order.
  void Defs() {
    out.append("<defs>");
    const auto table = GlyphOutlines();
    for (std::size_t k = 0; k < table.size(); ++k) {
      if (!used[k]) continue;
      out.append("<path id=\"").append(TableGlyphId(table[k])).append("\" data-char=\"");
      out.append(Escaped(Utf8(table[k].code))).append("\" d=\"").append(table[k].path).append("\"/>");
    }
    out.append("</defs>");
  }
};

std::string BodyTitle(const WheelBody& b, bool transit) {
  const int sign = SignOfLongitude(b.longitude);
  std::string t = transit ? "Transiting " : "";
  t += std::string(BodyName(b.object)) + " " + DegreeMinuteOfSign(b.longitude) + " " + kSignNames[sign];
  if (b.retrograde) t += " retrograde";
  if (b.house > 0) t += std::string(transit ? ", natal house " : ", house ") + std::to_string(b.house);
  return t;
}

std::string OrbText(double orb) {
  const int deg = static_cast<int>(std::floor(orb));
  const int minute = std::clamp(static_cast<int>(std::floor((orb - deg) * 60)), 0, 59);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d\u00B0%02d\u2032", deg, minute);
  return buf;
}

std::string OrbNumber(double orb) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%g", orb);
  return buf;
}

}  // namespace

std::string WheelSvg(const WheelInput& in) {
  const WheelLayout l = LayOutWheel(in);
  SvgWriter w;
  // One buffer for the whole document, the glyphs' <defs> last (a <use> may point forwards):
  // it is tens of kilobytes, and every copy of it shows in the cost of a wheel.
  w.out.reserve(96 * 1024);
  w.out += "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
           "viewBox=\"0 0 " + Num(l.width) + " " + Num(l.height) + "\" width=\"" + Num(l.width) +
           "\" height=\"" + Num(l.height) + "\" role=\"img\" data-house-system=\"" +
           Escaped(in.house_system) + "\"><title>" + Escaped(in.title) +
           "</title><rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>";
  const double outer = in.bi_wheel ? kTransitOuter : kZodiacOuter;

  // Rings and the zodiac's sign boundaries and degree ticks, turned by the Ascendant.
  w.out += "<g class=\"rings\" fill=\"none\" stroke=\"#444\" transform=\"translate(" + Num(l.cx) + " " +
           Num(l.cy) + ")\">";
  for (double r : {kZodiacOuter, kZodiacInner, kAspectRadius})
    w.out += "<circle r=\"" + Num(r) + "\" stroke-width=\"1.2\"/>";
  if (in.bi_wheel) w.out += "<circle r=\"" + Num(kTransitOuter) + "\" stroke-width=\"1.2\"/>";
  w.out += "<path class=\"ticks\" stroke-width=\"0.7\" transform=\"rotate(" + FullNum(l.asc) + ")\" d=\"";
  w.out.append(ZodiacTicks()).append("\"/></g>");

  for (const PlacedLabel& p : l.labels) {
    if (p.kind != LabelKind::kSign) continue;
    w.out += "<g class=\"sign\" data-sign=\"" + std::to_string(p.index) + "\"><title>" +
             kSignNames[p.index] + "</title>";
    w.Text(p, kElementColours[p.index % 4]);
    w.out += "</g>";
  }

  // Houses: cusp lines from the aspect circle to the zodiac, the angles drawn bold and on out to
  // their marks.
  if (in.cusps_known) {
    w.out += "<g class=\"houses\" data-house-system=\"" + Escaped(in.house_system) + "\">";
    for (int k = 1; k <= 12; ++k) {
      const bool angle = k == 1 || k == 10 || k == 4 || k == 7;
      const double to = (k == 1 || k == 10) ? outer + kAngleMarkGap - 9 : kZodiacInner;
      w.out += "<g class=\"cusp\" data-house=\"" + std::to_string(k) + "\" data-longitude=\"" +
               FullNum(in.cusps[k - 1]) + "\"><title>Cusp " + std::to_string(k) + " " +
               DegreeMinuteOfSign(in.cusps[k - 1]) + " " +
               kSignNames[SignOfLongitude(in.cusps[k - 1])] + "</title>";
      w.Line(At(l, in.cusps[k - 1], kAspectRadius), At(l, in.cusps[k - 1], to),
             angle ? "stroke=\"#222\" stroke-width=\"2\"" : "stroke=\"#888\" stroke-width=\"0.8\"");
      w.out += "</g>";
    }
    for (const PlacedLabel& p : l.labels) {
      if (p.kind == LabelKind::kHouse) {
        w.out += "<g class=\"house-number\" data-house=\"" + std::to_string(p.index) + "\">";
        w.Text(p, "#666");
        w.out += "</g>";
      } else if (p.kind == LabelKind::kAngle) {
        w.out += std::string("<g class=\"angle\" data-angle=\"") + (p.index == 0 ? "AC" : "MC") +
                 "\"><title>" + (p.index == 0 ? "Ascendant " : "Midheaven ") +
                 DegreeMinuteOfSign(in.cusps[p.index == 0 ? 0 : 9]) + "</title>";
        w.Text(p, "#222");
        w.out += "</g>";
      }
    }
    w.out += "</g>";
  }

  // Aspect lines between the true places on the aspect circle.
  const std::vector<FoundAspect> aspects = FindAspects(in);
  w.out += "<g class=\"aspects\">";
  for (const FoundAspect& a : aspects) {
    const WheelAspect& kind = kWheelAspects[a.aspect];
    const WheelBody& first = a.transit ? in.transits[a.first] : in.natal[a.first];
    const WheelBody& second = in.natal[a.second];
    std::string attrs = std::string("class=\"aspect\" data-aspect=\"") + kind.name + "\" data-from=\"" +
                        (a.transit ? "transit:" : "natal:") + std::to_string(first.object) +
                        "\" data-to=\"natal:" + std::to_string(second.object) + "\" stroke=\"" +
                        ToneColour(kind.tone) + "\" stroke-width=\"" + (a.orb < 1 ? "1.6" : "1") + "\"";
    if (a.transit) attrs += " stroke-dasharray=\"5 3\"";
    w.out += "<g><title>" + std::string(a.transit ? "Transiting " : "") + BodyName(first.object) + " " +
             kind.name + " " + BodyName(second.object) + ", orb " + OrbText(a.orb) + "</title>";
    w.Line(At(l, first.longitude, kAspectRadius), At(l, second.longitude, kAspectRadius), attrs);
    w.out += "</g>";
  }
  w.out += "</g>";

  // Bodies: the true-degree tick, the leader to the spread place, the labels.
  auto draw_ring = [&](const std::vector<WheelBody>& bodies, const std::vector<double>& display,
                       int first_index, const Stack& s, bool transit) {
    for (std::size_t i = 0; i < bodies.size(); ++i) {
      const WheelBody& b = bodies[i];
      w.out += "<g class=\"body\" data-body=\"" + std::to_string(b.object) + "\" data-ring=\"" +
               (transit ? "transit" : "natal") + "\" data-longitude=\"" + FullNum(b.longitude) + "\"" +
               (b.retrograde ? " data-retrograde=\"1\"" : "") + "><title>" + Escaped(BodyTitle(b, transit)) +
               "</title>";
      const Point tick_a = At(l, b.longitude, s.tick_from), tick_b = At(l, b.longitude, s.tick_to);
      w.Line(tick_a, tick_b, "stroke=\"#000\" stroke-width=\"1.4\"");
      w.Line(tick_b, At(l, display[i], s.leader_end), "stroke=\"#999\" stroke-width=\"0.7\"");
      const Point dot = At(l, b.longitude, kAspectRadius);
      w.out.append("<circle cx=\"");
      AppendNum(w.out, dot.x);
      w.out.append("\" cy=\"");
      AppendNum(w.out, dot.y);
      w.out.append("\" r=\"2\" fill=\"").append(transit ? "#7d3c98" : "#000").append("\"/>");
      for (const PlacedLabel& p : l.labels)
        if (p.kind == LabelKind::kBody && p.index == first_index + int(i))
          w.Text(p, transit ? "#7d3c98" : "#111");
      w.out += "</g>";
    }
  };
  draw_ring(in.natal, l.natal_display, 0, kNatalStack, false);
  if (in.bi_wheel) draw_ring(in.transits, l.transit_display, int(in.natal.size()), kTransitStack, true);

  // Legend: the aspects with their colours and orbs, the house system, the transit moment.
  const double top = l.height - kLegendHeight + 8;
  w.out += "<g class=\"legend\">";
  double x = 20, y = top + 12;
  for (const WheelAspect& a : kWheelAspects) {
    w.Line({x, y - 4}, {x + 22, y - 4}, std::string("stroke=\"") + ToneColour(a.tone) + "\" stroke-width=\"2\"");
    std::string text = std::string(1, char(a.name[0] - 'a' + 'A')) + (a.name + 1) + " " +
                       OrbNumber(in.bi_wheel ? a.transit_orb : a.natal_orb) + "\u00B0";
    const std::u32string t = DecodeUtf8(text);
    const LabelBox ink = InkBox(t);
    PlacedLabel p = Label(LabelKind::kAngle, -1, t, {x + 28 + (ink.right - ink.left) * 6, y - 4}, 12);
    w.out += "<g data-legend-aspect=\"" + std::string(a.name) + "\" data-orb=\"" +
             OrbNumber(in.bi_wheel ? a.transit_orb : a.natal_orb) + "\">";
    w.Text(p, "#222");
    w.out += "</g>";
    x += 40 + (ink.right - ink.left) * 12;
  }
  auto caption = [&](const std::string& text, double cy) {
    const std::u32string t = DecodeUtf8(text);
    const LabelBox ink = InkBox(t);
    w.Text(Label(LabelKind::kAngle, -1, t, {20 + (ink.right - ink.left) * 6.5, cy}, 13), "#222");
  };
  caption(std::string(in.bi_wheel ? "Orbs of transit aspects" : "Orbs of aspects") +
              "; hard red, soft blue, conjunction yellow", top + 36);
  caption("Houses: " + in.house_system, top + 58);
  if (in.bi_wheel && !in.transit_caption.empty()) caption(in.transit_caption, top + 80);
  w.out += "</g>";

  w.Defs();
  w.out += "</svg>\n";
  return std::move(w.out);
}

}  // namespace sd::wheel
