#include <gtest/gtest.h>

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

int Count(const std::string& s, const std::string& what) {
  int n = 0;
  for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
  return n;
}

// The value text after "key": in the entry of object `number`.
std::string Field(const std::string& json, int number, const std::string& key) {
  const size_t entry = json.find("{\"number\": " + std::to_string(number) + ",");
  if (entry == std::string::npos) return "";
  const size_t k = json.find("\"" + key + "\": ", entry);
  const size_t end_of_entry = json.find('}', entry);
  if (k == std::string::npos || k > end_of_entry) return "";
  const size_t v = k + key.size() + 4;
  return json.substr(v, json.find_first_of(",}", v) - v);
}

const Args kNewYork = {"--date", "1987-10-19", "--time", "09:30", "--zone", "-5",
                       "--lat",  "40.7",       "--lon",  "-74.0"};

TEST(ChartCommand, NatalChartHasEveryObjectAndEclipses) {
  const Outcome r = RunChartWith(kNewYork);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("{\"moment\": 0.87797", 0), 0u) << r.out.substr(0, 80);
  EXPECT_EQ(Count(r.out, "{\"number\": "), 40);
  EXPECT_EQ(Count(r.out, "\"phase_angle\": "), 10);
  EXPECT_EQ(Count(r.out, "\"prev_eclipse_moment\": null"), 0);
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
  EXPECT_EQ(Count(r.out, "{\"number\": "), 40);
  EXPECT_EQ(Count(r.out, "\"prev_eclipse_moment\": null, \"next_eclipse_moment\": null"), 1);
  EXPECT_EQ(Field(r.out, 18, "longitude"), "null");
  EXPECT_EQ(Field(r.out, 35, "longitude"), "null");
  EXPECT_NE(Field(r.out, 9, "longitude"), "null");
  EXPECT_NE(Field(r.out, 30, "longitude"), "null");
  // Same moment and Sun as the natal computation.
  const Outcome natal = RunChartWith(kNewYork);
  EXPECT_EQ(Field(r.out, 0, "longitude"), Field(natal.out, 0, "longitude"));
}

TEST(ChartCommand, ZoneFormsAgree) {
  auto moment = [](const std::string& zone, const std::string& time) {
    const Outcome r = RunChartWith({"--date", "2001-05-05", "--time", time, "--zone", zone, "--lat",
                                "10", "--lon", "77", "--transit"});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out.substr(0, r.out.find(','));
  };
  EXPECT_EQ(moment("5.5", "12:00"), moment("5:30", "12:00"));
  EXPECT_EQ(moment("+5:30", "12:00"), moment("0", "06:30"));
  EXPECT_EQ(moment("-3:30", "02:30"), moment("0", "06:00"));
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
      with(0, "--place"),
      {"--date", "1987-10-19", "--time", "09:30", "--zone", "-5", "--lat", "40.7", "--lon"},
  };
  for (const Args& a : cases) {
    const Outcome r = RunChartWith(a);
    std::string line;
    for (const auto& s : a) line += s + " ";
    EXPECT_EQ(r.status, 2) << line;
    EXPECT_TRUE(r.out.empty()) << line;
    EXPECT_NE(r.err.find("usage: stockdyn chart"), std::string::npos) << line;
  }
}

TEST(ChartCommand, ExtremeButValidInputGivesNulls) {
  const Outcome r = RunChartWith({"--date", "-99999-06-01", "--time", "12:00", "--zone", "0", "--lat",
                              "90", "--lon", "-180"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Field(r.out, 0, "longitude"), "null");
  EXPECT_EQ(Count(r.out, "nan"), 0);
  EXPECT_EQ(RunChartWith({"--help"}).status, 0);
}

}  // namespace
}  // namespace sd::cli
