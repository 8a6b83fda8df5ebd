// The wheel renderer: spreading crowded bodies, the labels it draws, the aspects it finds, and
// what the SVG says about each body.
#include "wheel/wheel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "wheel/glyphs.h"

#include "../support/text_scan.h"

namespace sd::wheel {
namespace {

double Wrap(double x) {
  double r = std::fmod(x, 360.0);
  return r < 0 ? r + 360 : r;
}
// Forward arc from a to b, [0, 360).
double Arc(double a, double b) { return Wrap(b - a); }

// Neighbours in circular order at least `gap` apart, and the order of the true longitudes kept.
void ExpectSpread(const std::vector<double>& in, const std::vector<double>& out, double gap) {
  ASSERT_EQ(in.size(), out.size());
  std::vector<std::size_t> order(in.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](auto a, auto b) { return out[a] < out[b]; });
  for (std::size_t k = 0; k < order.size() && order.size() > 1; ++k) {
    const std::size_t a = order[k], b = order[(k + 1) % order.size()];
    EXPECT_GE(Arc(out[a], out[b]) + 1e-9, gap) << "bodies " << a << " and " << b;
  }
}

TEST(SpreadOnCircle, MovesOnlyWhatCrowds) {
  struct Case {
    const char* what;
    std::vector<double> in;
    double gap;
    std::vector<double> want;
  };
  const Case cases[] = {
      {"apart already", {10, 100, 200}, 5, {10, 100, 200}},
      {"a pair centred on its mean", {100, 101}, 6, {97.5, 103.5}},
      {"a pair across 0 Aries", {359, 1}, 6, {357, 3}},
      {"three in a row", {10, 11, 12}, 5, {6, 11, 16}},
      {"a cluster meets a neighbour", {10, 11, 12, 20}, 5, {5.75, 10.75, 15.75, 20.75}},
      {"order of the input kept", {12, 10, 11}, 5, {16, 6, 11}},
      {"one alone", {42}, 10, {42}},
      {"too many for the gap: spread evenly", {0, 0, 0, 0}, 100, {135, 225, 315, 45}},
  };
  for (const Case& c : cases) {
    const std::vector<double> got = SpreadOnCircle(c.in, c.gap);
    ASSERT_EQ(got.size(), c.want.size()) << c.what;
    for (std::size_t i = 0; i < got.size(); ++i)
      EXPECT_NEAR(Arc(c.want[i], got[i]) > 180 ? Arc(c.want[i], got[i]) - 360 : Arc(c.want[i], got[i]), 0, 1e-9)
          << c.what << ", body " << i << ": " << got[i];
  }
}

TEST(SpreadOnCircle, KeepsTheGapOverRandomCrowds) {
  std::mt19937 rng(7);
  for (int trial = 0; trial < 500; ++trial) {
    const int n = 2 + int(rng() % 12);
    const double centre = std::uniform_real_distribution<>(0, 360)(rng);
    const double width = std::uniform_real_distribution<>(0, trial % 2 ? 20 : 360)(rng);
    std::vector<double> in;
    for (int i = 0; i < n; ++i) in.push_back(Wrap(centre + std::uniform_real_distribution<>(0, width)(rng)));
    const double gap = std::uniform_real_distribution<>(2, 30)(rng);
    ExpectSpread(in, SpreadOnCircle(in, gap), std::min(gap, 360.0 / n));
  }
}

TEST(DegreeMinuteOfSign, RoundsToTheArcSecondThenTruncates) {
  struct Case {
    double lon;
    const char* text;
  };
  const Case cases[] = {
      {0, "0\u00B000\u2032"},         {44.55, "14\u00B033\u2032"},  // 44.549999...
      {29.999, "29\u00B059\u2032"},   {30, "0\u00B000\u2032"},
      {359.99, "29\u00B059\u2032"},   {360, "0\u00B000\u2032"},
      {-1, "29\u00B000\u2032"},       {263.26, "23\u00B015\u2032"},
      {59.99999999, "0\u00B000\u2032"}, {359.99999999, "0\u00B000\u2032"},
  };
  for (const Case& c : cases) EXPECT_EQ(DegreeMinuteOfSign(c.lon), c.text) << c.lon;
  EXPECT_STREQ(SignName(1), "Taurus");
  EXPECT_STREQ(SignName(11), "Pisces");
  EXPECT_STREQ(SignName(12), "");
}

WheelBody Body(int object, double lon, int house = 0, bool retro = false) {
  return {object, lon, retro, house};
}

TEST(FindAspects, NatalOrbsAndTheTightestAspectOfAPair) {
  struct Case {
    const char* what;
    double a, b;
    const char* aspect;  // nullptr: none
  };
  const Case cases[] = {
      {"exact square", 10, 100, "square"},
      {"conjunction at the edge of its orb", 10, 17.9, "conjunction"},
      {"just beyond the conjunction's orb", 10, 18.1, nullptr},
      {"conjunction across 0 Aries", 356, 3, "conjunction"},
      {"opposition", 0, 175, "opposition"},
      {"sextile within 5", 0, 64, "sextile"},
      {"sextile beyond 5", 0, 66, nullptr},
      {"trine the other way round", 200, 81, "trine"},
  };
  for (const Case& c : cases) {
    WheelInput in;
    in.natal = {Body(0, c.a), Body(4, c.b)};
    const auto found = FindAspects(in);
    if (!c.aspect) {
      EXPECT_TRUE(found.empty()) << c.what;
      continue;
    }
    ASSERT_EQ(found.size(), 1u) << c.what;
    EXPECT_STREQ(kWheelAspects[found[0].aspect].name, c.aspect) << c.what;
  }
}

TEST(FindAspects, BiWheelDrawsTransitToNatalOnlyWithTheTransitOrbs) {
  WheelInput in;
  in.natal = {Body(0, 10), Body(1, 100), Body(30, 190)};  // a natal square, and the node
  in.bi_wheel = true;
  in.transits = {Body(4, 12.5), Body(5, 14)};  // Mars 2.5 from the Sun, Jupiter 4 from it
  const auto found = FindAspects(in);
  ASSERT_EQ(found.size(), 2u);
  // Mars conjunct the Sun (2.5 <= 3), Mars square the Moon (2.5); Jupiter too wide for both.
  for (const FoundAspect& a : found) {
    EXPECT_TRUE(a.transit);
    EXPECT_EQ(a.first, 0);
    EXPECT_NEAR(a.orb, 2.5, 1e-12);
  }
  EXPECT_STREQ(kWheelAspects[found[0].aspect].name, "conjunction");
  EXPECT_STREQ(kWheelAspects[found[1].aspect].name, "square");
}

// A chart: Placidus-like cusps from an Ascendant, with house arcs that vary.
WheelInput Chart(std::mt19937& rng, bool crowded, bool bi_wheel, bool narrow_houses) {
  std::uniform_real_distribution<> deg(0, 360);
  WheelInput in;
  in.title = "test";
  in.house_system = "PLACIDUS";
  in.cusps_known = true;
  std::vector<double> arcs(6);
  double sum = 0;
  for (double& a : arcs) {
    a = narrow_houses ? std::uniform_real_distribution<>(0.2, 60)(rng) : std::uniform_real_distribution<>(15, 45)(rng);
    sum += a;
  }
  const double asc = deg(rng);
  double at = asc;
  for (int k = 0; k < 6; ++k) {
    in.cusps[k] = Wrap(at);
    in.cusps[k + 6] = Wrap(at + 180);
    at += arcs[k] * 180 / sum;
  }
  auto ring = [&](bool crowd) {
    std::vector<WheelBody> out;
    const double centre = deg(rng);
    const int objects[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 30};
    for (int i = 0; i < 11; ++i) {
      // Crowded: five to all eleven bodies within 10 degrees.
      const bool in_crowd = crowd && i < 5 + int(rng() % 7);
      const double lon = in_crowd ? Wrap(centre + std::uniform_real_distribution<>(0, 10)(rng)) : deg(rng);
      out.push_back(Body(objects[i], lon, 1 + int(rng() % 12), rng() % 3 == 0));
    }
    return out;
  };
  in.natal = ring(crowded);
  in.bi_wheel = bi_wheel;
  if (bi_wheel) in.transits = ring(crowded);
  return in;
}

std::string Describe(const PlacedLabel& p) {
  std::string t;
  for (char32_t c : p.text) t += c < 0x80 ? char(c) : '#';
  return "label " + t + " (kind " + std::to_string(int(p.kind)) + ", index " + std::to_string(p.index) + ")";
}

TEST(LayOutWheel, NoTwoLabelsOverlapOverThousandsOfCharts) {
  std::mt19937 rng(2026);
  for (int trial = 0; trial < 3000; ++trial) {
    const bool crowded = trial % 2 == 0;
    const WheelInput in = Chart(rng, crowded, trial % 3 == 0, trial % 5 == 0);
    const WheelLayout l = LayOutWheel(in);
    const std::size_t bodies = in.natal.size() + in.transits.size();
    // Every body has its symbol, degree and minute; the retrograde ones an R besides.
    std::size_t expected = 12 + 12 + 2;
    for (const auto* ring : {&in.natal, &in.transits})
      for (const WheelBody& b : *ring) expected += b.retrograde ? 4 : 3;
    ASSERT_EQ(l.labels.size(), expected);
    ASSERT_EQ(l.natal_display.size() + l.transit_display.size(), bodies);
    for (std::size_t i = 0; i < l.labels.size(); ++i) {
      const LabelBox& a = l.labels[i].box;
      ASSERT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= l.width && a.bottom <= l.height)
          << "trial " << trial << ": " << Describe(l.labels[i]) << " outside the picture";
      for (std::size_t j = i + 1; j < l.labels.size(); ++j)
        ASSERT_FALSE(Overlap(a, l.labels[j].box))
            << "trial " << trial << ": " << Describe(l.labels[i]) << " overlaps " << Describe(l.labels[j]);
    }
  }
}

TEST(LayOutWheel, AscendantAtNineOClockAndLongitudeCounterClockwise) {
  WheelInput in;
  in.cusps_known = true;
  for (int k = 0; k < 12; ++k) in.cusps[k] = Wrap(100 + 30 * k);
  in.natal = {Body(0, 100), Body(1, 190)};  // on the Ascendant; 90 degrees on, at six o'clock
  const WheelLayout l = LayOutWheel(in);
  std::vector<const PlacedLabel*> symbols;
  for (const PlacedLabel& p : l.labels)
    if (p.kind == LabelKind::kBody && p.text.size() == 1 && p.text[0] == BodySymbol(p.index)) symbols.push_back(&p);
  ASSERT_EQ(symbols.size(), 2u);
  EXPECT_LT(symbols[0]->x, l.cx - 100);
  EXPECT_NEAR(symbols[0]->y, l.cy, 1e-9);
  EXPECT_NEAR(symbols[1]->x, l.cx, 1e-9);
  EXPECT_GT(symbols[1]->y, l.cy + 100);
}

// The <g class="body"> groups of an SVG: attributes, title and the first symbol used.
struct BodyGroup {
  int body;
  std::string ring, longitude, title, symbol;
};
std::vector<BodyGroup> BodyGroups(const std::string& svg) {
  std::vector<BodyGroup> out;
  size_t at = 0;
  while (const auto body = sd::testing::Scan(svg, at, "<g class=\"body\" data-body=\"", "\"")) {
    const auto ring = sd::testing::Scan(svg, at, " data-ring=\"", "\"");
    const auto longitude = sd::testing::Scan(svg, at, " data-longitude=\"", "\"");
    const auto title = sd::testing::Scan(svg, at, "<title>", "</title>");
    const auto symbol = sd::testing::Scan(svg, at, "<use xlink:href=\"#", "\"");
    if (!ring || !longitude || !title || !symbol) break;
    out.push_back({std::stoi(*body), *ring, *longitude, *title, *symbol});
  }
  return out;
}

TEST(WheelSvg, EachBodySaysWhatAndWhereItIs) {
  WheelInput in;
  in.title = "AT&T <natal>";
  in.house_system = "PLACIDUS";
  in.cusps_known = true;
  for (int k = 0; k < 12; ++k) in.cusps[k] = Wrap(100 + 30 * k);
  in.natal = {Body(5, 44.550000000000004, 10), Body(6, 123.45678901234567, 1, true), Body(30, 0.1, 9)};
  in.bi_wheel = true;
  in.transits = {Body(1, 359.99999999999994, 8)};
  const std::string svg = WheelSvg(in);
  EXPECT_NE(svg.find("<title>AT&amp;T &lt;natal&gt;</title>"), std::string::npos);
  const std::vector<BodyGroup> groups = BodyGroups(svg);
  ASSERT_EQ(groups.size(), 4u);
  struct Want {
    int body;
    const char* ring;
    double longitude;
    const char* title;
  };
  const Want want[] = {
      {5, "natal", 44.550000000000004, "Jupiter 14\u00B033\u2032 Taurus, house 10"},
      {6, "natal", 123.45678901234567, "Saturn 3\u00B027\u2032 Leo retrograde, house 1"},
      {30, "natal", 0.1, "North Node 0\u00B006\u2032 Aries, house 9"},
      {1, "transit", 359.99999999999994, "Transiting Moon 0\u00B000\u2032 Aries, natal house 8"},
  };
  for (std::size_t i = 0; i < groups.size(); ++i) {
    EXPECT_EQ(groups[i].body, want[i].body);
    EXPECT_EQ(groups[i].ring, want[i].ring);
    EXPECT_EQ(std::stod(groups[i].longitude), want[i].longitude) << groups[i].longitude;
    EXPECT_EQ(groups[i].title, want[i].title);
    EXPECT_EQ(groups[i].symbol, BodyGlyphId(want[i].body));
    // The symbol's path in <defs> is the table's outline of that body's character.
    const std::string def = "<path id=\"" + groups[i].symbol + "\"";
    const auto at = svg.find(def);
    ASSERT_NE(at, std::string::npos) << def;
    const std::string d = std::string(" d=\"") + FindGlyph(BodySymbol(want[i].body))->path + "\"";
    EXPECT_EQ(svg.compare(svg.find(" d=\"", at), d.size(), d), 0) << groups[i].symbol;
  }
  EXPECT_NE(svg.find("data-retrograde=\"1\""), std::string::npos);
}

// Every label the layout places is drawn there, at its size: the SVG's numbers are the layout's.
TEST(WheelSvg, DrawsEveryLabelWhereTheLayoutPutIt) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 20; ++trial) {
    const WheelInput in = Chart(rng, trial % 2 == 0, trial % 3 == 0, trial % 5 == 0);
    const WheelLayout l = LayOutWheel(in);
    const std::string svg = WheelSvg(in);
    struct Drawn {
      double x, y, scale;
    };
    std::vector<Drawn> drawn;
    size_t at = 0;
    while (const auto x = sd::testing::Scan(svg, at, "<g transform=\"translate(", " ")) {
      size_t after = at;
      const auto y = sd::testing::Scan(svg, after, "", ") scale(");
      const auto scale = sd::testing::Scan(svg, after, "", ")\"");
      // Only the text groups: a translate followed at once by its scale.
      if (!y || !scale || y->find_first_not_of("-0123456789.") != std::string::npos ||
          scale->find_first_not_of("0123456789.") != std::string::npos)
        continue;
      drawn.push_back({std::stod(*x), std::stod(*y), std::stod(*scale)});
      at = after;
    }
    for (const PlacedLabel& p : l.labels) {
      const bool found = std::any_of(drawn.begin(), drawn.end(), [&](const Drawn& d) {
        return std::fabs(d.x - p.pen_x) <= 0.0051 && std::fabs(d.y - p.pen_y) <= 0.0051 &&
               std::fabs(d.scale - p.size / 1000) < 1e-12;
      });
      EXPECT_TRUE(found) << "trial " << trial << ": " << Describe(p) << " at " << p.pen_x << " " << p.pen_y;
    }
  }
}

TEST(WheelSvg, SignsInOrderFromAriesWithTheirSymbols) {
  WheelInput in;
  const std::string svg = WheelSvg(in);
  int count = 0;
  size_t at = 0;
  while (const auto number = sd::testing::Scan(svg, at, "<g class=\"sign\" data-sign=\"", "\"><title>")) {
    const auto name = sd::testing::Scan(svg, at, "", "</title><g ");
    const auto glyph = sd::testing::Scan(svg, at, "><use xlink:href=\"#", "\"");
    ASSERT_TRUE(name && glyph) << "sign " << *number;
    const int s = std::stoi(*number);
    EXPECT_EQ(s, count++);
    EXPECT_EQ(*name, SignName(s));
    EXPECT_EQ(*glyph, SignGlyphId(s));
  }
  EXPECT_EQ(count, 12);
  // Without cusps nothing claims to be a house or an angle.
  EXPECT_EQ(svg.find("class=\"cusp\""), std::string::npos);
  EXPECT_EQ(svg.find("data-angle"), std::string::npos);
}

TEST(WheelSvg, LegendPrintsTheOrbsOfTheAspectsDrawn) {
  WheelInput in;
  in.natal = {Body(0, 10), Body(1, 100)};
  std::string svg = WheelSvg(in);
  EXPECT_NE(svg.find("data-legend-aspect=\"conjunction\" data-orb=\"8\""), std::string::npos);
  EXPECT_NE(svg.find("data-legend-aspect=\"sextile\" data-orb=\"5\""), std::string::npos);
  EXPECT_NE(svg.find("data-aspect=\"square\" data-from=\"natal:0\" data-to=\"natal:1\""), std::string::npos);
  in.bi_wheel = true;
  svg = WheelSvg(in);
  EXPECT_NE(svg.find("data-legend-aspect=\"conjunction\" data-orb=\"3\""), std::string::npos);
  EXPECT_EQ(svg.find("data-aspect=\"square\""), std::string::npos);
}

}  // namespace
}  // namespace sd::wheel
