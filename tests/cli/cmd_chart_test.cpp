#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <string>

#include "cli/cmd_chart.h"
#include "cli/commands.h"

namespace sd::cli {
namespace {

struct Outcome {
  int status;
  std::string out, err;
};

Outcome RunChartWith(const Args& args) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int status = RunChart(args);
  return {status, testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
}

nlohmann::json Parse(const std::string& text) {
  const nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
  EXPECT_FALSE(doc.is_discarded()) << text.substr(0, 200);
  return doc;
}

// The value of `key` in the entry of object `number`, as JSON text ("null" for null).
std::string Field(const std::string& text, int number, const std::string& key) {
  const nlohmann::json doc = Parse(text);
  if (doc.is_discarded() || !doc.contains("objects")) return "";
  const nlohmann::json& entry = doc["objects"].at(static_cast<size_t>(number));
  EXPECT_EQ(entry["number"], number);
  return entry.contains(key) ? entry[key].dump() : "";
}

// How many entries of the objects have `key`.
int CountWith(const std::string& text, const std::string& key) {
  int n = 0;
  const nlohmann::json doc = Parse(text);
  for (const auto& entry : doc["objects"]) n += entry.contains(key);
  return n;
}

const Args kNewYork = {"--date", "1987-10-19", "--time", "09:30", "--zone", "-5",
                       "--lat",  "40.7",       "--lon",  "-74.0"};

TEST(ChartCommand, NatalChartHasEveryObjectAndEclipses) {
  const Outcome r = RunChartWith(kNewYork);
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json doc = Parse(r.out);
  EXPECT_NEAR(doc["moment"].get<double>(), 0.87797, 1e-5);
  EXPECT_EQ(doc["objects"].size(), 40u);
  EXPECT_EQ(CountWith(r.out, "phase_angle"), 10);
  EXPECT_TRUE(doc["prev_eclipse_moment"].is_number());
  EXPECT_TRUE(doc["next_eclipse_moment"].is_number());
  EXPECT_NE(Field(r.out, 18, "longitude"), "null");      // Ascendant
  EXPECT_EQ(Field(r.out, 12, "longitude"), "null");      // unused number
  EXPECT_EQ(Field(r.out, 0, "name"), "\"Sun\"");
  EXPECT_EQ(Field(r.out, 39, "name"), "\"Vertex\"");
}

TEST(ChartCommand, TransitChartHasPlanetsAndNodeOnly) {
  Args args = kNewYork;
  args.push_back("--transit");
  const Outcome r = RunChartWith(args);
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json doc = Parse(r.out);
  EXPECT_EQ(doc["objects"].size(), 40u);
  EXPECT_TRUE(doc["prev_eclipse_moment"].is_null());
  EXPECT_TRUE(doc["next_eclipse_moment"].is_null());
  EXPECT_EQ(Field(r.out, 18, "longitude"), "null");
  EXPECT_EQ(Field(r.out, 35, "longitude"), "null");
  EXPECT_NE(Field(r.out, 9, "longitude"), "null");
  EXPECT_NE(Field(r.out, 30, "longitude"), "null");
  // With the node come the south node, perigee and apogee, each reduced to [0, 360).
  for (int n : {31, 32, 33}) {
    const double lon = std::stod(Field(r.out, n, "longitude"));
    EXPECT_GE(lon, 0) << n;
    EXPECT_LT(lon, 360) << n;
  }
  EXPECT_NEAR(std::fmod(std::stod(Field(r.out, 31, "longitude")) + 180, 360),
              std::stod(Field(r.out, 30, "longitude")), 1e-9);
  // Same moment and Sun as the natal computation.
  const Outcome natal = RunChartWith(kNewYork);
  EXPECT_EQ(Field(r.out, 0, "longitude"), Field(natal.out, 0, "longitude"));
}

TEST(ChartCommand, ZoneFormsAgree) {
  constexpr double kSameMoment = 1e-12;  // centuries: 3 ms, the rounding of the packed zone
  auto moment = [](const std::string& zone, const std::string& time) {
    const Outcome r = RunChartWith({"--date", "2001-05-05", "--time", time, "--zone", zone, "--lat",
                                "10", "--lon", "77", "--transit"});
    EXPECT_EQ(r.status, 0) << r.err;
    return Parse(r.out)["moment"].get<double>();
  };
  EXPECT_NEAR(moment("5.5", "12:00"), moment("5:30", "12:00"), kSameMoment);
  // An hour of one digit is the same clock time as its two-digit form.
  EXPECT_EQ(moment("0", "9:30"), moment("0", "09:30"));
  EXPECT_EQ(moment("0", "9:30:15"), moment("0", "09:30:15"));
  EXPECT_NEAR(moment("+5:30", "12:00"), moment("0", "06:30"), kSameMoment);
  EXPECT_NEAR(moment("-3:30", "02:30"), moment("0", "06:00"), kSameMoment);
  // Abbreviations of the zone table, in any letter case, mean their hours.
  EXPECT_NEAR(moment("EST", "07:00"), moment("0", "12:00"), kSameMoment);
  EXPECT_NEAR(moment("est", "07:00"), moment("-5", "07:00"), kSameMoment);
  EXPECT_NEAR(moment("Acst", "12:00"), moment("9:30", "12:00"), kSameMoment);
  EXPECT_NEAR(moment("moscow", "15:00"), moment("0", "12:00"), kSameMoment);
}

// A date of the right form that the calendar does not have is said to be missing, not
// misshapen; years BC count as the program counts them (-1 is 1 BC, a Julian leap year).
TEST(ChartCommand, DateMessagesSayWhatIsWrong) {
  struct Case { const char* date; int status; const char* says; };
  const Case cases[] = {
      {"2026-02-30", 2, "there is no date 2026-02-30"},
      {"1582-10-10", 2, "there is no date 1582-10-10"},  // the days the calendar reform skipped
      {"1582-10-04", 0, ""},
      {"1582-10-15", 0, ""},
      {"2023-02-29", 2, "there is no date"},
      {"1900-02-29", 2, "there is no date"},
      {"1500-02-29", 0, ""},   // Julian: every fourth year
      {"2000-02-29", 0, ""},
      {"-1-02-29", 0, ""},     // 1 BC is astronomical year 0
      {"-5-02-29", 0, ""},
      {"-4-02-29", 2, "there is no date"},
      {"0-06-01", 2, "there is no year 0"},
      {"2026-2-3", 2, "YYYY-MM-DD"},
      {"2026-13-01", 2, "there is no date"},
      {"20260301", 2, "YYYY-MM-DD"},
  };
  for (const Case& c : cases) {
    Args a = kNewYork;
    a[1] = c.date;
    const Outcome r = RunChartWith(a);
    EXPECT_EQ(r.status, c.status) << c.date << "\n" << r.err;
    if (c.status) {
      EXPECT_NE(r.err.find(c.says), std::string::npos) << c.date << "\n" << r.err;
    }
  }
}

TEST(ChartCommand, UnknownZoneAbbreviationListsTheTable) {
  Args a = kNewYork;
  a[5] = "Nowhere";
  const Outcome r = RunChartWith(a);
  EXPECT_EQ(r.status, 2);
  for (const char* abbreviation : {"GST", "EST", "Moscow", "HST"})
    EXPECT_NE(r.err.find(abbreviation), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("'Nowhere'"), std::string::npos) << r.err;
}

TEST(ChartCommand, BadArgumentsAreUsageErrors) {
  auto with = [](int i, const std::string& value) {
    Args a = kNewYork;
    a[i] = value;
    return a;
  };
  const Args cases[] = {
      {},
      {"--date", "1987-10-19"},
      with(1, "1987-13-01"), with(1, "1987-00-10"), with(1, "1987-02-30"), with(1, "1987-2-3"),
      with(1, "2023-02-29"), with(1, "abcd-01-01"), with(1, "1234567-01-01"),
      with(3, "24:00"), with(3, "12:60"), with(3, "12:30:61"), with(3, "1230"), with(3, "12:3"),
      with(5, "15"), with(5, "5:75"), with(5, "x"), with(5, "nan"), with(5, "5:3"),
      with(7, "91"), with(7, "-90.5"), with(7, "nan"), with(7, "inf"), with(7, ""),
      with(9, "181"), with(9, "1e400"), with(9, "12abc"),
      with(0, "--place"), with(5, "ESTX"), with(5, "14:01"),
      {"--date", "1987-10-19", "--time", "09:30", "--zone", "-5", "--lat", "40.7", "--lon",
       "-74.0", "--houses", "12"},
      {"--date", "1987-10-19", "--time", "09:30", "--zone", "-5", "--lat", "40.7", "--lon",
       "-74.0", "--houses", "-1"},
      {"--date", "1987-10-19", "--time", "09:30", "--zone", "-5", "--lat", "40.7", "--lon",
       "-74.0", "--houses", "koch"},
      {"--date", "1987-10-19", "--time", "09:30", "--zone", "-5", "--lat", "40.7", "--lon",
       "-74.0", "--sidereal-column", "18"},
      {"--date", "1987-10-19", "--date", "1987-10-20", "--time", "09:30", "--zone", "-5",
       "--lat", "40.7", "--lon", "-74.0"},
      {"--date", "1987-10-19", "--time", "09:30", "--zone", "-5", "--lat", "40.7", "--lon"},
  };
  for (const Args& a : cases) {
    const Outcome r = RunChartWith(a);
    std::string line;
    for (const auto& s : a) line += s + " ";
    EXPECT_EQ(r.status, 2) << line;
    EXPECT_TRUE(r.out.empty()) << line;
    EXPECT_NE(r.err.find("Run 'stockdyn chart --help'"), std::string::npos) << line;
  }
}

TEST(ChartCommand, ExtremeButValidInputGivesNulls) {
  const Outcome r = RunChartWith({"--date", "-99999-06-01", "--time", "12:00", "--zone", "0", "--lat",
                              "90", "--lon", "-180"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Field(r.out, 0, "longitude"), "null");
  EXPECT_EQ(r.out.find("nan"), std::string::npos);
  EXPECT_EQ(RunChartWith({"--help"}).status, 0);
}

// The settings the CGI keeps fixed can be chosen: the house system by number (the JSON names the
// one used, the polar replacement included), the column of the sidereal offsets, topocentric
// places.
TEST(ChartCommand, HouseSystemChosenByNumberAndNamedAsUsed) {
  struct Case { const char* houses; const char* lat; const char* name; };
  const Case cases[] = {
      {nullptr, "40.7", "PLACIDUS"},  {"4", "40.7", "KOCH"},
      {"5", "40.7", "EQUAL HOUSES ASC"}, {"11", "40.7", "WHOLE HOUSE"},
      {"4", "70", "1 DAY - 12 EP"},   // polar: a quadrant system gives way
      {"5", "70", "EQUAL HOUSES ASC"},
  };
  for (const Case& c : cases) {
    Args a = {"--date", "1987-10-19", "--time", "09:30", "--zone", "-5", "--lat", c.lat, "--lon", "-74.0"};
    if (c.houses) a.insert(a.end(), {"--houses", c.houses});
    const Outcome r = RunChartWith(a);
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json doc = Parse(r.out);
    EXPECT_EQ(doc["house_system"], c.name) << (c.houses ? c.houses : "default") << " at " << c.lat;
    EXPECT_EQ(doc["settings"]["houses"], c.houses ? std::stoi(c.houses) : 1);
  }
  // The cusps follow the system: equal houses put cusp 2 (object 19) 30 degrees past cusp 1,
  // whole signs put cusp 1 at the start of the Ascendant's sign.
  Args equal = kNewYork, whole = kNewYork, placidus = kNewYork;
  equal.insert(equal.end(), {"--houses", "5"});
  whole.insert(whole.end(), {"--houses", "11"});
  const Outcome e = RunChartWith(equal), w = RunChartWith(whole), p = RunChartWith(placidus);
  const double asc = std::stod(Field(p.out, 18, "longitude"));
  EXPECT_NEAR(std::fmod(std::stod(Field(e.out, 19, "longitude")) -
                            std::stod(Field(e.out, 18, "longitude")) + 360, 360), 30, 1e-9);
  EXPECT_NEAR(std::stod(Field(e.out, 18, "longitude")), asc, 1e-3);
  EXPECT_NEAR(std::stod(Field(w.out, 18, "longitude")), std::floor(asc / 30) * 30, 1e-9);
  EXPECT_GT(std::fabs(std::stod(Field(p.out, 19, "longitude")) - std::stod(Field(e.out, 19, "longitude"))), 1);
}

TEST(ChartCommand, SiderealColumnAndTopocentricPlaces) {
  auto run = [](std::vector<std::string> extra) {
    Args a = kNewYork;
    a.insert(a.end(), extra.begin(), extra.end());
    const Outcome r = RunChartWith(a);
    EXPECT_EQ(r.status, 0) << r.err;
    return Parse(r.out);
  };
  const nlohmann::json plain = run({}), column0 = run({"--sidereal-column", "0"}),
                       column1 = run({"--sidereal-column", "1"}), topo = run({"--topocentric"});
  EXPECT_EQ(plain["settings"], column1["settings"]);
  EXPECT_EQ(plain["settings"]["topocentric"], false);
  EXPECT_EQ(topo["settings"]["topocentric"], true);
  EXPECT_EQ(column0["settings"]["sidereal_column"], 0);
  // Tropical longitudes stay; the sidereal ones move by the difference of the two columns,
  // the same for every object.
  const auto sun = [](const nlohmann::json& d, const char* key) { return d["objects"][0][key].get<double>(); };
  const auto mars = [](const nlohmann::json& d, const char* key) { return d["objects"][4][key].get<double>(); };
  EXPECT_EQ(sun(column0, "longitude"), sun(column1, "longitude"));
  const double shift = sun(column0, "sidereal_longitude") - sun(column1, "sidereal_longitude");
  EXPECT_GT(std::fabs(shift), 0.01);
  EXPECT_NEAR(mars(column0, "sidereal_longitude") - mars(column1, "sidereal_longitude"), shift, 1e-9);
  // Parallax: the Moon moves by up to about a degree, the Sun by seconds of arc.
  const double moon_shift = std::fabs(topo["objects"][1]["longitude"].get<double>() -
                                      plain["objects"][1]["longitude"].get<double>());
  EXPECT_GT(moon_shift, 0.05);
  EXPECT_LT(moon_shift, 1.1);
  EXPECT_LT(std::fabs(sun(topo, "longitude") - sun(plain, "longitude")), 0.003);
  EXPECT_NE(sun(topo, "longitude"), sun(plain, "longitude"));
}

}  // namespace
}  // namespace sd::cli
