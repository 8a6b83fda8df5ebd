// stockdyn study as a user runs it: every figure recomputed from --details and the prices by a
// script that shares no code with the program, the same output whatever --threads, and every
// universe or price fault stopping the run with file, line and field and nothing written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "../support/scratch_dir.h"
#include "child_process.h"
#include "price_walk.h"

namespace sd {
namespace {

namespace fs = std::filesystem;
using sd::testing::ChildResult;
using sd::testing::RunTool;
using testing_support::ScratchDir;

class EventStudyCommand : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& text) { return scratch_.Write(name, text); }
  std::string File(const std::string& name) const { return scratch_.File(name); }

  static std::string Walk(std::chrono::sys_days first, std::chrono::sys_days last, unsigned seed) {
    return sd::testing::WalkCsv(first, last, seed);
  }

  // Two walks and a third series that is IBM's, in a folder below the universe file.
  std::string Universe() {
    using std::chrono::day;
    using std::chrono::month;
    using std::chrono::year;
    Write("prices/a.csv", Walk(year{1994} / month{1} / day{3}, year{1997} / month{12} / day{31}, 1));
    Write("prices/b.csv", Walk(year{1995} / month{3} / day{1}, year{1998} / month{6} / day{30}, 2));
    Write("prices/ibm.csv", Walk(year{1994} / month{6} / day{1}, year{1997} / month{6} / day{30}, 3));
    return Write("universe.csv", "prices,label,security\nprices/a.csv,walk a,\nprices/b.csv,,\nprices/ibm.csv,ibm,IBM Corp\n");
  }

  testing_support::ScratchDir scratch_;
};

TEST_F(EventStudyCommand, FiguresRecomputeFromTheDetailsAndThePrices) {
  const std::string universe = Universe();
  const std::string details = File("details.csv"), report = File("report.html");
  const ChildResult r = RunTool({"study", "--universe", universe, "--zone", "EST", "--permutations", "19", "--window", "5",
                                 "--horizon", "3", "--families", "lunation,station:2,natal:1:0,state:lunar,state:retrograde:2",
                                 "--details", details, "--report", report});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  // stderr is not a terminal here: no progress, only where the files went.
  EXPECT_EQ(r.err, "stockdyn study: written to " + details + "\nstockdyn study: written to " + report + "\n");
  const std::string doc_path = Write("study.json", r.out);
  const nlohmann::json doc = nlohmann::json::parse(r.out);
  ASSERT_EQ(doc["universe"].size(), 3u);
  EXPECT_EQ(doc["universe"][1]["label"], "b");
  EXPECT_EQ(doc["universe"][2]["natal"], true);
  EXPECT_EQ(doc["families"][0]["id"], "lunation:new");
  EXPECT_EQ(doc["families"][0]["car"].size(), 11u);
  EXPECT_EQ(doc["states"][0]["id"], "state:lunar:new-half");
  // Event days are dated on the clock (Delta T from observation), and the study says so.
  EXPECT_NE(doc["settings"]["time_scale"].get<std::string>().find("Delta T from observation"), std::string::npos);

  const std::string script = std::string(STOCKDYN_SOURCE_DIR) + "/tests/integration/study_recompute.py";
  const ChildResult check = sd::testing::RunChild(
      {"/usr/bin/python3", script, doc_path, details, "lunation:new", "lunation:full", "station:2:retrograde",
       "natal:1:0:0", "natal:1:0:180", "state:lunar:new-half", "state:retrograde:2"},
      {"PATH=/usr/bin:/bin"}, 120);
  EXPECT_EQ(check.exit_status, 0) << check.out << check.err;
  EXPECT_NE(check.out.find("natal:1:0:0: agrees"), std::string::npos) << check.out;

  const std::string html = ScratchDir::ReadAll(report);
  EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_EQ(html.find("http"), html.find("http://www.w3.org/2000/svg"));  // nothing fetched
  EXPECT_NE(html.find("Full moon"), std::string::npos);
  EXPECT_NE(html.find("<td>event moments in</td><td>UT with Delta T from observation"), std::string::npos);

  // A script that checks must also catch: the document's T of a family altered in the last place.
  nlohmann::json altered = doc;
  const double t = altered["families"][0]["stat"].get<double>();
  altered["families"][0]["stat"] = t + 1e-11;
  const std::string altered_path = Write("altered.json", altered.dump());
  const ChildResult caught = sd::testing::RunChild({"/usr/bin/python3", script, altered_path, details, "lunation:new"},
                                                   {"PATH=/usr/bin:/bin"}, 120);
  EXPECT_EQ(caught.exit_status, 1) << caught.out;
}

TEST_F(EventStudyCommand, SameOutputWhateverTheThreads) {
  const std::string universe = Universe();
  std::string first_out, first_details;
  for (const char* threads : {"1", "2", "3"}) {
    SCOPED_TRACE(threads);
    const std::string details = File(std::string("details") + threads + ".csv");
    const ChildResult r = RunTool({"study", "--universe", universe, "--permutations", "29", "--random-natal", "2",
                                   "--families", "lunation,natal:4,aspect:0:1,state:sign:1", "--threads", threads,
                                   "--details", details, "--format", "csv"});
    ASSERT_EQ(r.exit_status, 0) << r.err;
    std::ifstream f(details);
    std::stringstream text;
    text << f.rdbuf();
    if (first_out.empty()) {
      first_out = r.out;
      first_details = text.str();
      EXPECT_NE(first_out.find("natal,natal:4:0:0,"), std::string::npos);
    } else {
      EXPECT_EQ(r.out, first_out);
      EXPECT_EQ(text.str(), first_details);
    }
  }
}

TEST_F(EventStudyCommand, FaultsStopTheRunWithFileLineAndField) {
  Universe();
  Write("prices/bad.csv", "Date,Close\n2001-01-02,10\n2001-01-03,ten\n");
  Write("prices/one.csv", "Date,Close\n2001-01-02,10\n");
  const std::string dir = scratch_.path();
  const struct {
    const char* what;
    const char* universe;  // the universe file's text
    std::string message;   // after the directory of the test's files
    std::string hint = "";  // also in the message
  } cases[] = {
      {"no prices column", "label,file\na,prices/a.csv\n", "universe.csv: line 1: missing column 'prices'"},
      {"row too short", "prices,label\nprices/a.csv,a\nprices/b.csv\n", "universe.csv: line 3: 1 fields, the header has 2"},
      {"unknown security", "prices,security\nprices/a.csv,\nprices/b.csv,No Such Co\n",
       "universe.csv: line 3: field 'security': no security named 'No Such Co'"},
      {"mistyped security", "prices,security\nprices/a.csv,IBM Crop\n",
       "universe.csv: line 2: field 'security': no security named 'IBM Crop' in ", "; did you mean 'IBM Corp'?"},
      {"missing price file", "prices\nprices/a.csv\nprices/gone.csv\n",
       "universe.csv: line 3: field 'prices': " + dir + "/prices/gone.csv: cannot open"},
      {"price not a number", "prices\nprices/a.csv\nprices/bad.csv\n",
       "universe.csv: line 3: field 'prices': " + dir + "/prices/bad.csv: line 3: field 'Close': not a number: 'ten'"},
      {"one price", "label,prices\nx,prices/one.csv\n",
       "universe.csv: line 2: field 'prices': " },
      {"label repeated", "label,prices\nx,prices/a.csv\nx,prices/b.csv\n",
       "universe.csv: line 3: field 'label': the label 'x' is already used above"},
  };
  const std::string report = File("report.html"), details = File("details.csv");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string universe = Write("universe.csv", c.universe);
    const ChildResult r = RunTool({"study", "--universe", universe, "--permutations", "9", "--families", "lunation",
                                   "--report", report, "--details", details});
    EXPECT_EQ(r.exit_status, 1) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(scratch_.path() + "/" + c.message), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.hint), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_FALSE(fs::exists(report));
    EXPECT_FALSE(fs::exists(details));
  }
  // One security named on the command line: its natal record or nothing.
  const std::string walk = File("prices/a.csv");
  const ChildResult unknown = RunTool({"study", "--security", "No Such Co", "--prices", walk, "--report", report});
  EXPECT_EQ(unknown.exit_status, 1);
  EXPECT_EQ(unknown.out, "");
  EXPECT_NE(unknown.err.find("no security named 'No Such Co'"), std::string::npos) << unknown.err;
  EXPECT_FALSE(fs::exists(report));
  const ChildResult one = RunTool({"study", "--security", "IBM Corp", "--prices", walk, "--permutations", "9",
                                   "--families", "natal:0:0:0,lunation:new"});
  ASSERT_EQ(one.exit_status, 0) << one.err;
  const nlohmann::json doc = nlohmann::json::parse(one.out);
  EXPECT_EQ(doc["universe"][0]["label"], "IBM Corp");
  EXPECT_EQ(doc["universe"][0]["natal"], true);
  EXPECT_EQ(doc["families"].size(), 2u);
  EXPECT_EQ(doc["families"][1]["id"], "natal:0:0:0");
  // A name in another letter case means the one record it can mean, and the output names the record.
  const std::string lower = Write("lower.csv", "prices,security\nprices/a.csv,ibm CORP\n");
  const ChildResult other_case = RunTool({"study", "--universe", lower, "--permutations", "9", "--families", "natal:0:0:0"});
  ASSERT_EQ(other_case.exit_status, 0) << other_case.err;
  EXPECT_EQ(nlohmann::json::parse(other_case.out)["universe"][0]["security"], "IBM Corp");

  // Usage faults are told as such (exit 2).
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"study"}, std::vector<std::string>{"study", "--universe", "u.csv", "--prices", "p.csv"},
        std::vector<std::string>{"study", "--universe", "u.csv", "--window", "0"},
        std::vector<std::string>{"study", "--universe", "u.csv", "--horizon", "12"},
        std::vector<std::string>{"study", "--universe", "u.csv", "--families", "lunation,"},
        std::vector<std::string>{"study", "--universe", "u.csv", "--families", "lunation,aspects"},
        std::vector<std::string>{"study", "--universe", "u.csv", "--format", "xml"},
        std::vector<std::string>{"study", "--universe", "u.csv", "--zone", "America/New_York"}}) {
    const ChildResult r = RunTool(args);
    EXPECT_EQ(r.exit_status, 2) << args.back() << r.err;
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
}  // namespace sd
