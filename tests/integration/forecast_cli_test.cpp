// stockdyn forecast on the installed program directory: the rows a request would draw.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "astro/calendar.h"
#include "../support/scratch_dir.h"
#include "child_process.h"
#include "program_copy.h"
#include "text_scan.h"

namespace sd {
namespace {

namespace fs = std::filesystem;
using sd::testing::ChildResult;
using sd::testing::RunChild;

const std::string& kTool = sd::testing::kToolPath;

ChildResult Forecast(std::vector<std::string> args) {
  args.insert(args.begin(), "forecast");
  return sd::testing::RunTool(args, 120.0);
}

struct Row {
  int index;
  double moment;
  std::string local;
  std::string value;  // as printed
};

nlohmann::json ParseJson(const std::string& doc) {
  const nlohmann::json j = nlohmann::json::parse(doc, nullptr, false);
  EXPECT_FALSE(j.is_discarded()) << doc.substr(0, 200);
  return j;
}

// The rows of the JSON document.
std::vector<Row> JsonRows(const std::string& doc) {
  std::vector<Row> rows;
  const nlohmann::json j = ParseJson(doc);
  if (j.is_discarded() || !j.contains("rows")) return rows;
  for (const auto& r : j["rows"]) {
    EXPECT_EQ(r.size(), 4u) << r.dump();
    rows.push_back({r["index"].get<int>(), r["moment"].get<double>(), r["local"].get<std::string>(),
                    r["value"].dump()});
  }
  return rows;
}

TEST(ForecastCommand, JsonRowsHalfADayApartFromLocalMidnight) {
  struct Case { const char* zone; int day; double ut_hours; double zone_json; };
  const Case cases[] = {
      {"EST", 20, 5.0, -5},
      {"acst", 19, 14.5, 9.3},
      {"5:30", 19, 18.5, 5.3},
      {"-3.5", 20, 3.5, -3.3},
      // Database zones take the day's offset: New York's summer time began on March 8, London's
      // begins on March 29, Sydney's lasts until April 5.
      {"America/New_York", 20, 4.0, -4},
      {"Europe/London", 20, 0.0, 0},
      {"Australia/Sydney", 19, 13.0, 11},
  };
  for (const Case& c : cases) {
    const ChildResult r =
        Forecast({"--security", "IBM Corp", "--zone", c.zone, "--date", "2026-03-20", "--format", "json"});
    ASSERT_EQ(r.exit_status, 0) << r.err;
    const nlohmann::json doc = ParseJson(r.out);
    EXPECT_EQ(doc["security"], "IBM Corp");
    EXPECT_NEAR(doc["zone"].get<double>(), c.zone_json, 1e-12) << c.zone;
    const std::vector<Row> rows = JsonRows(r.out);
    ASSERT_EQ(rows.size(), 41u) << c.zone;
    const astro::CivilDate first = astro::DateFromMoment(astro::ChartMoment(rows[0].moment));
    EXPECT_EQ(first.year, 2026);
    EXPECT_EQ(first.month, 3);
    EXPECT_EQ(first.day, c.day) << c.zone;
    EXPECT_NEAR(first.hours, c.ut_hours, 1e-6) << c.zone;
    EXPECT_EQ(rows[0].local, "2026-03-20 00:00") << c.zone;
    EXPECT_EQ(rows[1].local, "2026-03-20 12:00") << c.zone;
    EXPECT_EQ(rows[40].local, "2026-04-09 00:00") << c.zone;
    std::set<std::string> values;
    for (int i = 0; i < 41; ++i) {
      EXPECT_EQ(rows[static_cast<size_t>(i)].index, i);
      if (i) {
        EXPECT_NEAR((rows[i].moment - rows[i - 1].moment) / astro::DayInCenturies, 0.5, 1e-9);
      }
      values.insert(rows[static_cast<size_t>(i)].value);
    }
    EXPECT_GT(values.size(), 10u) << "the curve is flat";
  }
}

TEST(ForecastCommand, CsvCarriesTheSameRows) {
  const std::vector<std::string> args = {"--security", "IBM Corp", "--zone", "EST", "--date", "2026-03-20"};
  ChildResult json = Forecast(args);
  std::vector<std::string> csv_args = args;
  csv_args.insert(csv_args.end(), {"--format", "csv"});
  const ChildResult csv = Forecast(csv_args);
  ASSERT_EQ(csv.exit_status, 0) << csv.err;
  std::istringstream in(csv.out);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "index,moment,local,value");
  const std::vector<Row> rows = JsonRows(json.out);
  ASSERT_EQ(rows.size(), 41u);
  int n = 0;
  while (std::getline(in, line)) {
    const Row& r = rows[static_cast<size_t>(n)];
    std::ostringstream want;
    want << n << ",";
    EXPECT_EQ(line.rfind(want.str(), 0), 0u) << line;
    EXPECT_NE(line.find("," + r.local + ","), std::string::npos) << line;
    EXPECT_EQ(line.substr(line.rfind(',') + 1), r.value == "null" ? "" : r.value) << line;
    ++n;
  }
  EXPECT_EQ(n, 41);
}

// Whatever extension the path has, the picture is written as .gif, as `draw` writes it.
TEST(ForecastCommand, WritesThePictureWhenAsked) {
  const fs::path stem = fs::temp_directory_path() / ("forecast_cli_" + std::to_string(getpid()));
  const fs::path gif = stem.string() + ".gif", png = stem.string() + ".png";
  const ChildResult r = Forecast({"--security", "IBM Corp", "--zone", "EST", "--date", "2026-03-20",
                                  "--gif", png.string(), "--format", "csv"});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  EXPECT_FALSE(fs::exists(png));
  std::ifstream f(gif, std::ios::binary);
  unsigned char head[10] = {};
  f.read(reinterpret_cast<char*>(head), sizeof head);
  ASSERT_EQ(f.gcount(), 10);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(head), 4), "GIF8");
  EXPECT_EQ(head[6] | (head[7] << 8), 600);  // logical screen width
  EXPECT_EQ(head[8] | (head[9] << 8), 350);
  fs::remove(gif);
}

// A full disk while the picture is written (here a file-size limit of 1 KiB): a clean failure
// that names the picture, not a death by signal, and no partial picture left behind.
TEST(ForecastCommand, PictureCutShortByTheFileSizeLimitFailsCleanly) {
  const testing_support::ScratchDir scratch;
  const fs::path dir = scratch.path(), gif = dir / "p.gif";
  const ChildResult r = RunChild(
      {"/bin/sh", "-c", "ulimit -f 2; exec \"$0\" \"$@\"", kTool, "forecast", "--security",
       "IBM Corp", "--zone", "EST", "--date", "2026-03-20", "--gif", gif.string()},
      {"PATH=/usr/bin:/bin", "STOCKDYN_TEST_NOW=2026-03-07 09:05:30"}, 120.0);
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.exit_status, 1) << r.err;
  EXPECT_NE(r.err.find("p.gif"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(fs::is_empty(dir)) << "a partial picture or its temporary file was left";
}

TEST(ForecastCommand, NamesInCodePage1251AreTypedAndPrintedAsUtf8) {
  // A program directory of its own whose database holds a Cyrillic name with a backslash in it
  // (quotes and the other markup characters the import refuses).
  const testing_support::ScratchDir scratch;
  const fs::path dir = scratch.path();
  for (const char* f : {"stock.hyp", "towns.nd", "towns.ndx"})
    fs::copy_file(fs::path(STOCKDYN_EXE_DIR) / f, dir / f);
  const std::string name = "\xD0\x93\xD0\xB0\xD0\xB7 A \\ 1";  // "Газ A \\ 1" in UTF-8
  {
    std::ofstream csv(dir / "in.csv");
    csv << "name,date,time,zone_hours,place,latitude,longitude\n"
        << "\"\xD0\x93\xD0\xB0\xD0\xB7 A \\ 1\",1995-01-23,10:00,3,Moscow,55.75,37.6\n";
  }
  const ChildResult import = RunChild(
      {kTool, "natal", "import", (dir / "in.csv").string(), (dir / "Nyse.mil").string()},
      {"PATH=/usr/bin:/bin"}, 60.0);
  ASSERT_EQ(import.exit_status, 0) << import.err;

  const ChildResult r = Forecast({"--security", name, "--dir", dir.string(), "--date", "2026-03-20"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(ParseJson(r.out)["security"], name) << r.out.substr(0, 80);
  EXPECT_EQ(JsonRows(r.out).size(), 41u);
}

// The model is a data file like the others: without it there is no forecast, not a flat one.
// A model that loads without one accepted event still runs, and says so.
TEST(ForecastCommand, AMissingModelStopsTheRunAnEmptyOneRunsWithAWarning) {
  const testing_support::ScratchDir scratch;
  const fs::path dir = scratch.path();
  for (const char* f : {"Nyse.mil", "towns.nd", "towns.ndx"})
    fs::copy_file(fs::path(STOCKDYN_EXE_DIR) / f, dir / f);
  const std::vector<std::string> args = {"--security", "IBM Corp", "--dir", dir.string(),
                                         "--date", "2026-03-20", "--format", "csv"};
  const ChildResult missing = Forecast(args);
  EXPECT_EQ(missing.exit_status, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find((dir / "stock.hyp").string() + ": no such file"), std::string::npos)
      << missing.err;
  EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1) << missing.err;

  fs::create_directory(dir / "stock.hyp");
  const ChildResult directory = Forecast(args);
  EXPECT_EQ(directory.exit_status, 1);
  EXPECT_EQ(directory.out, "");
  EXPECT_NE(directory.err.find("stock.hyp: not a regular file"), std::string::npos) << directory.err;
  fs::remove(dir / "stock.hyp");

  { std::ofstream(dir / "stock.hyp") << "[OPTIONS]\nNObjMod=0\n[No header]\n_T=2\n"; }
  const ChildResult empty = Forecast(args);
  EXPECT_EQ(empty.exit_status, 0) << empty.err;
  EXPECT_EQ(std::count(empty.err.begin(), empty.err.end(), '\n'), 1) << empty.err;
  EXPECT_NE(empty.err.find("no event of the model is accepted"), std::string::npos) << empty.err;
  EXPECT_EQ(std::count(empty.out.begin(), empty.out.end(), '\n'), 42) << empty.out;
  // With the picture too, the model is read and reported once; a second line says where the
  // picture went.
  std::vector<std::string> with_picture = args;
  with_picture.insert(with_picture.end(), {"--gif", (dir / "empty.gif").string()});
  const ChildResult drawn = Forecast(with_picture);
  EXPECT_EQ(drawn.exit_status, 0) << drawn.err;
  EXPECT_EQ(std::count(drawn.err.begin(), drawn.err.end(), '\n'), 2) << drawn.err;
  EXPECT_EQ(drawn.err.find("no event of the model is accepted"), drawn.err.rfind("no event of the model is accepted"));
  EXPECT_NE(drawn.err.find("stockdyn forecast: written to " + (dir / "empty.gif").string() + "\n"), std::string::npos)
      << drawn.err;
  EXPECT_TRUE(fs::exists(dir / "empty.gif"));
}

// The tool's picture is the one a request for the same security, zone and day publishes.
class ForecastAsRequest : public sd::testing::ProgramCopy {};

TEST_F(ForecastAsRequest, PictureIsTheRequestsPicture) {
  const ChildResult page = RunChild(
      {program_}, {"PATH=/usr/bin:/bin", "GATEWAY_INTERFACE=CGI/1.1", "REQUEST_METHOD=GET",
                   "QUERY_STRING=TRS_TZ=EST&D3_NATAL_DATA_TOWNS=IBM+Corp",
                   "STOCKDYN_TEST_NOW=2026-03-07 09:05:30"},
      120.0);
  ASSERT_EQ(page.exit_status, 0) << page.err;
  const std::string link = sd::testing::FirstSpan(page.out, "/Exe/Temp/", ".gif");
  ASSERT_FALSE(link.empty()) << page.out;
  const fs::path published = exe_dir_ / "Temp" / link.substr(std::string("/Exe/Temp/").size());

  const fs::path drawn = root_ / "tool.gif";
  const ChildResult tool = Forecast({"--security", "IBM Corp", "--zone", "EST", "--dir",
                                     exe_dir_.string(), "--gif", drawn.string()});
  ASSERT_EQ(tool.exit_status, 0) << tool.err;
  auto bytes = [](const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  const std::string want = bytes(published);
  ASSERT_GT(want.size(), 100u);
  EXPECT_TRUE(bytes(drawn) == want) << "the tool drew another picture than the request";
}

// --model runs another model on the installed data files.
TEST(ForecastCommand, AnotherModelRunsOnTheInstalledDataFiles) {
  const fs::path model = fs::temp_directory_path() / ("forecast_other_" + std::to_string(getpid()) + ".hyp");
  // Transit Moon in a major aspect to the natal Sun, 10 degrees of orb: a value near each
  // aspect, 0 between them.
  { std::ofstream(model) << "[E]\n_H=moon\n_T=2\nA0=1\nA1=1\nA2=1,2,3,4,5\nA3=0\nA4=0\nA6=10\n"; }
  const std::vector<std::string> args = {"--security", "IBM Corp", "--zone", "EST", "--date", "2026-03-20"};
  std::vector<std::string> with_model = args;
  with_model.insert(with_model.end(), {"--model", model.string()});
  const ChildResult installed = Forecast(args), other = Forecast(with_model);
  ASSERT_EQ(other.exit_status, 0) << other.err;
  const std::vector<Row> a = JsonRows(installed.out), b = JsonRows(other.out);
  ASSERT_EQ(b.size(), 41u);
  ASSERT_EQ(a.size(), 41u);
  int scoring = 0;
  for (size_t i = 0; i < b.size(); ++i) {
    EXPECT_EQ(a[i].moment, b[i].moment);
    scoring += b[i].value != "0.0";
  }
  EXPECT_GT(scoring, 0) << other.out;
  EXPECT_LT(scoring, 41) << other.out;
  EXPECT_NE(installed.out, other.out);

  std::vector<std::string> missing = args;
  missing.insert(missing.end(), {"--model", "/nonexistent/my.hyp"});
  const ChildResult r = Forecast(missing);
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("/nonexistent/my.hyp: no such file"), std::string::npos) << r.err;
  fs::remove(model);
}

TEST(ForecastCommand, FailuresAndBadUsage) {
  struct Case { std::vector<std::string> args; int status; const char* says; };
  const Case cases[] = {
      {{"--security", "No Such Security"}, 1, "No Such Security"},
      {{"--security", "IBM Corp", "--dir", "/nonexistent/dir"}, 1, "/nonexistent/dir"},
      {{"--security", "IBM Corp", "--gif", "/nonexistent/dir/p.gif"}, 1, "p.gif"},
      {{}, 2, "--security"},
      {{"--security"}, 2, "needs a value"},
      {{"--security", "IBM Corp", "--format", "xml"}, 2, "csv, json or text"},
      {{"--security", "IBM Corp", "--date", "2026-02-30"}, 2, "there is no date 2026-02-30"},
      {{"--security", "IBM Corp", "--date", "2026-3-20"}, 2, "YYYY-MM-DD"},
      {{"--security", "IBM Corp", "--zone", "Nowhere"}, 2, "EST"},
      {{"--security", "IBM Corp", "--zone", "15"}, 2, "at most 14"},
      {{"--security", "IBM Corp", "--bogus", "1"}, 2, "--bogus"},
  };
  for (const Case& c : cases) {
    const ChildResult r = Forecast(c.args);
    EXPECT_EQ(r.exit_status, c.status) << c.says << "\n" << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "") << c.says;  // every case fails: nothing on stdout
  }
  const ChildResult help = Forecast({"--help"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_NE(help.out.find("usage: stockdyn forecast"), std::string::npos);
}

// A natal chart before the years Pluto's series was fitted to is still cast, and the document
// and stderr say what that means for its positions; a modern chart carries no warning.
TEST(ForecastCommand, WarnsWhenTheNatalChartIsOutsideTheSeriesYears) {
  const ChildResult old = Forecast({"--security", "NYSE founding (Buttonwood Agreement)", "--date", "2026-03-20"});
  ASSERT_EQ(old.exit_status, 0) << old.err;
  const nlohmann::json doc = ParseJson(old.out);
  ASSERT_EQ(doc["warnings"].size(), 1u) << doc["warnings"];
  EXPECT_EQ(doc["warnings"][0].get<std::string>().rfind("the natal chart: Pluto", 0), 0u) << doc["warnings"];
  EXPECT_NE(old.err.find("warning: the natal chart: Pluto"), std::string::npos) << old.err;
  const ChildResult ibm = Forecast({"--security", "IBM Corp", "--date", "2026-03-20"});
  ASSERT_EQ(ibm.exit_status, 0) << ibm.err;
  EXPECT_EQ(ParseJson(ibm.out)["warnings"], nlohmann::json::array());
}

// Names as people type them: another letter case or a ticker finds the one record it means
// (and the document names the record), a misspelt one is refused with the close names, as the API does.
TEST(ForecastCommand, NamesInAnotherLetterCaseAndCloseNames) {
  const ChildResult lower = Forecast({"--security", "ibm corp", "--date", "2026-03-20"});
  ASSERT_EQ(lower.exit_status, 0) << lower.err;
  EXPECT_EQ(ParseJson(lower.out)["security"], "IBM Corp");
  const ChildResult ticker = Forecast({"--security", "aapl", "--date", "2026-03-20"});
  ASSERT_EQ(ticker.exit_status, 0) << ticker.err;
  EXPECT_EQ(ParseJson(ticker.out)["security"], "Apple Inc");
  const ChildResult typo = Forecast({"--security", "IBM Crop", "--date", "2026-03-20"});
  EXPECT_EQ(typo.exit_status, 1);
  EXPECT_EQ(typo.out, "");
  EXPECT_NE(typo.err.find("no security named 'IBM Crop'"), std::string::npos) << typo.err;
  EXPECT_NE(typo.err.find("did you mean 'IBM Corp'"), std::string::npos) << typo.err;
  EXPECT_EQ(std::count(typo.err.begin(), typo.err.end(), '\n'), 1) << typo.err;
}

// Text for people: the forecast's values to three decimals under a line that says what they are,
// each moment's contributions under it, largest first, by title.
TEST(ForecastCommand, TextForPeopleRoundsWhatTheCurveCanTellApart) {
  const std::vector<std::string> args = {"--security", "IBM Corp", "--zone", "EST", "--date", "2026-03-20"};
  std::vector<std::string> text_args = args;
  text_args.insert(text_args.end(), {"--format", "text", "--explain"});
  const ChildResult text = Forecast(text_args);
  const ChildResult json = Forecast(args);
  ASSERT_EQ(text.exit_status, 0) << text.err;
  const nlohmann::json doc = ParseJson(json.out);
  std::istringstream lines(text.out);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "IBM Corp: 41 values half a day apart (local time, zone -5); the model's value, not a price");
  size_t row = 0;
  double previous = 1e300;
  while (std::getline(lines, line)) {
    if (line.rfind("    ", 0) == 0) {  // a contribution of the row above: signed, largest first
      const double v = std::stod(line.substr(18, 7));
      EXPECT_LE(std::fabs(v), std::fabs(previous) + 1e-9) << line;
      previous = v;
      continue;
    }
    ASSERT_LT(row, doc["rows"].size()) << line;
    const auto& r = doc["rows"][row++];
    char want[64];
    std::snprintf(want, sizeof want, "%s  %7.3f", r["local"].get<std::string>().c_str(), r["value"].get<double>());
    EXPECT_EQ(line, want);
    previous = 1e300;
  }
  EXPECT_EQ(row, 41u);
  EXPECT_NE(text.out.find("  Moon in its first phase (New Moon to crescent): new buying\n"), std::string::npos);
}

}  // namespace
}  // namespace sd
