// stockdyn chart --svg as a user runs it: the wheel's positions are the chart's own numbers
// (the JSON the same command prints), natal, for a moment and place, and in the bi-wheel.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "../support/text_scan.h"
#include "../support/scratch_dir.h"
#include "child_process.h"

namespace sd {
namespace {

namespace fs = std::filesystem;
using sd::testing::ChildResult;

ChildResult Chart(std::vector<std::string> args) {
  args.insert(args.begin(), "chart");
  return sd::testing::RunTool(args, 120.0);
}

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Longitude by object number from the chart's JSON.
std::map<int, double> JsonLongitudes(const std::string& doc) {
  std::map<int, double> out;
  const auto j = nlohmann::json::parse(doc, nullptr, false);
  EXPECT_FALSE(j.is_discarded()) << doc.substr(0, 200);
  if (j.is_discarded()) return out;
  for (const auto& o : j["objects"])
    if (!o["longitude"].is_null()) out[o["number"].get<int>()] = o["longitude"].get<double>();
  return out;
}

// Longitude by object number of one ring of the SVG, as its attributes say.
std::map<int, double> SvgLongitudes(const std::string& svg, const std::string& ring) {
  std::map<int, double> out;
  size_t at = 0;
  while (const auto number = sd::testing::Scan(svg, at, "<g class=\"body\" data-body=\"", "\"")) {
    const std::string this_ring = " data-ring=\"" + ring + "\"";
    if (svg.compare(at, this_ring.size(), this_ring) != 0) continue;
    const auto longitude = sd::testing::Scan(svg, at, "data-longitude=\"", "\"");
    if (!longitude) break;
    const int n = std::stoi(*number);
    EXPECT_EQ(out.count(n), 0u) << "object " << n << " twice in the " << ring << " ring";
    out[n] = std::strtod(longitude->c_str(), nullptr);
  }
  return out;
}

// Every body of the ring carries the JSON's longitude to the last bit; the planets and the node
// are all there.
void ExpectSamePositions(const std::map<int, double>& svg, const std::map<int, double>& json) {
  for (int n : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 30}) EXPECT_EQ(svg.count(n), 1u) << "object " << n;
  for (const auto& [n, lon] : svg) {
    ASSERT_EQ(json.count(n), 1u) << "object " << n << " is not in the chart";
    EXPECT_EQ(lon, json.at(n)) << "object " << n;
  }
}

TEST(ChartWheelCommand, SecurityWheelShowsTheChartsPositions) {
  const testing_support::ScratchDir dir;
  const ChildResult json = Chart({"--security", "IBM Corp"});
  ASSERT_EQ(json.exit_status, 0) << json.err;
  const std::string file = dir.File("ibm.svg");
  const ChildResult drawn = Chart({"--security", "IBM Corp", "--svg", file});
  ASSERT_EQ(drawn.exit_status, 0) << drawn.err;
  EXPECT_EQ(drawn.out, "");
  const std::string svg = Slurp(file);
  ASSERT_EQ(svg.rfind("<svg ", 0), 0u) << svg.substr(0, 80);
  EXPECT_NE(svg.find("<title>IBM Corp: first-trade chart of "), std::string::npos);
  ExpectSamePositions(SvgLongitudes(svg, "natal"), JsonLongitudes(json.out));
  EXPECT_TRUE(SvgLongitudes(svg, "transit").empty());
  // The cusps too: the Ascendant is cusp 1, object 18.
  size_t at = 0;
  const auto asc = sd::testing::Scan(svg, at, "data-house=\"1\" data-longitude=\"", "\"");
  ASSERT_TRUE(asc.has_value());
  EXPECT_EQ(std::strtod(asc->c_str(), nullptr), JsonLongitudes(json.out).at(18));
}

TEST(ChartWheelCommand, BiWheelCarriesTheTransitsOfTheMoment) {
  const testing_support::ScratchDir dir;
  const std::string file = dir.File("bi.svg");
  const ChildResult drawn =
      Chart({"--security", "IBM Corp", "--svg", file, "--transits", "2026-03-20", "12:00", "--zone", "EST"});
  ASSERT_EQ(drawn.exit_status, 0) << drawn.err;
  const std::string svg = Slurp(file);
  // Geocentric places do not depend on the place, so the transit chart of any place agrees.
  const ChildResult sky = Chart({"--date", "2026-03-20", "--time", "12:00", "--zone", "EST", "--lat", "0",
                                 "--lon", "0", "--transit"});
  ASSERT_EQ(sky.exit_status, 0) << sky.err;
  ExpectSamePositions(SvgLongitudes(svg, "transit"), JsonLongitudes(sky.out));
  const ChildResult natal = Chart({"--security", "IBM Corp"});
  ExpectSamePositions(SvgLongitudes(svg, "natal"), JsonLongitudes(natal.out));
  EXPECT_NE(svg.find("with the transits of 2026-03-20 12:00 EST</title>"), std::string::npos);
}

TEST(ChartWheelCommand, MomentWheelIncludingAPolarPlace) {
  const testing_support::ScratchDir dir;
  struct Case {
    const char* lat;
    const char* houses;
  };
  for (const Case& c : {Case{"40.7128", "PLACIDUS"}, Case{"78.2232", "1 DAY - 12 EP"}}) {
    const std::vector<std::string> where = {"--date", "2026-03-20", "--time", "09:30", "--zone", "EST",
                                            "--lat", c.lat, "--lon", "15.6267"};
    const ChildResult json = Chart(where);
    ASSERT_EQ(json.exit_status, 0) << json.err;
    std::vector<std::string> draw = where;
    const std::string file = dir.File("moment.svg");
    draw.insert(draw.end(), {"--svg", file, "--force"});
    const ChildResult drawn = Chart(draw);
    ASSERT_EQ(drawn.exit_status, 0) << drawn.err;
    const std::string svg = Slurp(file);
    ExpectSamePositions(SvgLongitudes(svg, "natal"), JsonLongitudes(json.out));
    EXPECT_NE(svg.find(std::string("data-house-system=\"") + c.houses + "\""), std::string::npos) << c.lat;
  }
}

TEST(ChartWheelCommand, RefusesWhatItCannotDraw) {
  const testing_support::ScratchDir dir;
  const std::string file = dir.File("x.svg");
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* says;
  };
  const Case cases[] = {
      {{"--security", "IBM Corp", "--transits", "2026-03-20", "12:00"}, 2, "--svg"},
      {{"--security", "IBM Corp", "--svg", file, "--transits", "2026-02-30", "12:00"}, 2, "--transits"},
      {{"--security", "IBM Corp", "--svg", file, "--transits", "2026-03-20", "25:00"}, 2, "--transits"},
      {{"--security", "IBM Corp", "--lat", "40", "--svg", file}, 2, "--lat"},
      {{"--security", "No Such Security Corp", "--svg", file}, 1, "no security named"},
      {{"--date", "2026-03-20", "--time", "12:00", "--zone", "EST", "--svg", file}, 2, "--lat"},
      {{"--transits", "2026-03-20", "12:00", "--svg", file}, 2, "--security"},
  };
  for (const Case& c : cases) {
    const ChildResult r = Chart(c.args);
    EXPECT_EQ(r.exit_status, c.status) << c.args[0] << " " << c.args.back() << ": " << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(file)) << c.args.back();
  }
}

}  // namespace
}  // namespace sd
