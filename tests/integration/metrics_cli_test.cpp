// stockdyn metrics build: the table it writes is the one a forecast of the program directory
// maps and its kind-33 events read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "astro/angles.h"
#include "astro/positions.h"
#include "child_process.h"
#include "eval/metric_table.h"
#include "program_copy.h"

namespace sd {
namespace {

namespace fs = std::filesystem;
using sd::testing::ChildResult;

using sd::testing::RunTool;
constexpr double kPi = 3.14159265358979323846;

struct Row {
  double moment;
  double value;
};

std::vector<Row> CsvRows(const std::string& csv) {
  std::vector<Row> rows;
  // Rows index,moment,local,value after the header; a row without a value is left out.
  std::istringstream in(csv);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    const size_t a = line.find(','), b = line.find(',', a + 1), c = line.rfind(',');
    if (a == std::string::npos || b == std::string::npos || c <= b || c + 1 == line.size()) continue;
    rows.push_back({std::stod(line.substr(a + 1, b - a - 1)), std::stod(line.substr(c + 1))});
  }
  return rows;
}

// Moon minus Sun, sine, weight 3.
const char* const kModel =
    "[OPTIONS]\nHEADER=metrics\n\n[MoonSun]\n_H=Moon against the Sun\n_T=33\nWEIGHT=3\n"
    "METR2=0\nMETR3=1\nMETR11=0\n";

class MetricsBuild : public sd::testing::ProgramCopy {
 protected:
  std::vector<Row> Forecast(std::string* err = nullptr) {
    const ChildResult r = RunTool({"forecast", "--security", "IBM Corp", "--zone", "EST", "--date",
                                "2026-03-20", "--dir", exe_dir_.string(), "--format", "csv"});
    EXPECT_EQ(r.exit_status, 0) << r.err;
    if (err) *err = r.err;
    return CsvRows(r.out);
  }
};

TEST_F(MetricsBuild, TheBuiltTableDrivesKind33InTheForecast) {
  const fs::path table = exe_dir_ / "Metrics.dat";
  { std::ofstream(exe_dir_ / "stock.hyp", std::ios::binary) << kModel; }

  // Before there is a table the event scores nothing.
  std::vector<Row> rows = Forecast();
  ASSERT_EQ(rows.size(), 41u);
  for (const Row& r : rows) EXPECT_EQ(r.value, 0.0);

  const ChildResult built = RunTool({"metrics", "build", table.string(), "--pairs", "1-0,3-7"});
  ASSERT_EQ(built.exit_status, 0) << built.err;
  EXPECT_EQ(built.err.find('\r'), std::string::npos) << "a progress bar without a terminal";
  EXPECT_EQ(fs::file_size(table), 2 * eval::kMetricRecordBytes);

  eval::TPlanetary_T mapped(table.string());
  ASSERT_EQ(mapped.State(), eval::TPlanetary_T::Source::kMapped) << mapped.Problem();
  EXPECT_TRUE(mapped.Has(0, 1));
  EXPECT_TRUE(mapped.Has(7, 3));
  EXPECT_FALSE(mapped.Has(0, 2));

  rows = Forecast();
  ASSERT_EQ(rows.size(), 41u);
  for (const Row& r : rows) {
    const double v = mapped.Value(0, 1, astro::ChartMoment(r.moment));
    ASSERT_NE(v, astro::NoValue);
    EXPECT_NEAR(r.value, 3 * std::sin(v * kPi / 180), 1e-9) << r.moment;
  }
  // The pair was given as 1-0: the series is the Sun minus the Moon, over the whole table.
  const astro::ChartMoment early = eval::MetricDayMoment(3);
  const astro::ChartMoment late = eval::MetricDayMoment(eval::kMetricSamples - 3);
  EXPECT_NE(mapped.Value(1, 0, early), astro::NoValue);
  EXPECT_NE(mapped.Value(1, 0, late), astro::NoValue);
  // Venus against Uranus from 1800 to 2128, against the positions of the same days.
  for (int day : {2, 1000, 45678, 82623, 119990}) {
    const astro::ChartMoment t = eval::MetricDayMoment(day);
    const astro::SunResult sun = astro::SunPosition(t);
    const double expected = astro::NormalizeMod(
        PlanetPosition(7, t, sun).Longitude - PlanetPosition(3, t, sun).Longitude, 360);
    EXPECT_NEAR(astro::NormalizeMod(mapped.Value(7, 3, t), 360), expected, 1e-9) << day;
  }
  // The Moon laps the Sun once a synodic month, about 4063 times in the table's 120000
  // days: this series loses a whole turn each time and keeps every one.
  EXPECT_LT(mapped.Value(1, 0, late) - mapped.Value(1, 0, early), -4000 * 360.0);
}

// An unreadable table is an unreadable data file: no forecast that silently leaves out the
// events reading it, but the error the other data files give.
TEST_F(MetricsBuild, ATableCutShortStopsTheRunNamingTheFile) {
  { std::ofstream(exe_dir_ / "stock.hyp", std::ios::binary) << kModel; }
  const fs::path table = exe_dir_ / "Metrics.dat";
  ASSERT_EQ(RunTool({"metrics", "build", table.string(), "--pairs", "0-1"}).exit_status, 0);
  fs::resize_file(table, eval::kMetricRecordBytes - 8);
  const ChildResult r = RunTool({"forecast", "--security", "IBM Corp", "--zone", "EST", "--date",
                              "2026-03-20", "--dir", exe_dir_.string(), "--format", "csv"});
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("Metrics.dat"), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

TEST_F(MetricsBuild, BadUsageAndUnwritableTargets) {
  struct Case {
    std::vector<std::string> args;
    int status;
  };
  const std::string out = (exe_dir_ / "Metrics.dat").string();
  const Case cases[] = {
      {{"metrics"}, 2},
      {{"metrics", "build"}, 2},
      {{"metrics", "rebuild", out}, 2},
      {{"metrics", "build", out, "--pairs"}, 2},
      {{"metrics", "build", out, "--pairs", "0-0"}, 2},
      {{"metrics", "build", out, "--pairs", "0-1,1-0"}, 2},
      {{"metrics", "build", out, "--pairs", "0-10"}, 2},
      {{"metrics", "build", out, "--days", "3"}, 2},
      {{"metrics", "build", out, out}, 2},
      {{"metrics", "build", (exe_dir_ / "missing" / "Metrics.dat").string(), "--pairs", "0-1"}, 1},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    const ChildResult r = RunTool(args, 60.0);
    EXPECT_EQ(r.exit_status, c.status) << args.back() << ": " << r.err;
    EXPECT_FALSE(r.err.empty()) << args.back();
  }
  EXPECT_FALSE(fs::exists(out));
  const ChildResult help = RunTool({"metrics", "--help"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_NE(help.out.find("metrics build OUT"), std::string::npos);
}

}  // namespace
}  // namespace sd
