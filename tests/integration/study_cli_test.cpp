// stockdyn evaluate and fit as a user runs them: a bad price file stops either command with one
// line naming the file, the line and the field, and nothing on standard output; a good one gives
// the same document on every run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "../support/text_scan.h"
#include "../support/scratch_dir.h"
#include "child_process.h"

namespace sd {
namespace {

namespace fs = std::filesystem;
using sd::testing::ChildResult;
using sd::testing::RunTool;

class StudyCommands : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& text) { return scratch_.Write(name, text); }

  // A random walk of weekday closes from 1996-01-01 (a Monday), `days` (< 366) calendar days long.
  std::string RandomWalk(int days) {
    std::mt19937 rng(7);
    std::normal_distribution<double> step(0.0, 0.01);
    std::string text = "Date,Close\n";
    double price = 100;
    for (int d = 0; d < days; ++d) {
      if (d % 7 >= 5) continue;
      static const int kMonthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};  // 1996
      int m = 0, rest = d;
      while (rest >= kMonthDays[m]) rest -= kMonthDays[m++];
      char line[64];
      price *= std::exp(step(rng));
      std::snprintf(line, sizeof line, "1996-%02d-%02d,%.4f\n", m + 1, rest + 1, price);
      text += line;
    }
    return text;
  }

  testing_support::ScratchDir scratch_;
};

TEST_F(StudyCommands, BadPriceFilesStopBothCommandsNamingLineAndField) {
  struct Case {
    const char* what;
    const char* text;
    const char* message;  // after "<file>: "
  };
  const Case cases[] = {
      {"price not a number", "Date,Close\n2001-01-02,10\n2001-01-03,ten\n", "line 3: field 'Close': not a number: 'ten'"},
      {"price zero", "Date,Close\n2001-01-02,10\n2001-01-03,0\n", "line 3: field 'Close': price not above zero: '0'"},
      {"date repeated", "Date,Close\n2001-01-02,10\n2001-01-02,11\n", "line 3: field 'Date': duplicate date 2001-01-02"},
      {"dates both ways", "Date,Close\n2001-01-03,10\n2001-01-04,10\n2001-01-02,11\n",
       "line 4: field 'Date': date 2001-01-02 is before the row above it"},
      {"row too short", "Date,Open,High,Low,Close,Volume\n2001-01-02,1,2,0.5,1.5\n", "line 2: 5 fields, the header has 6"},
      {"no close column", "Date,Open,High,Low,Volume\n2001-01-02,1,2,0.5,100\n", "line 1: missing column 'Close'"},
      {"MetaStock price", "<TICKER>,<DTYYYYMMDD>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>\nIBM,20010102,1,2,0.5,-3,100\n",
       "line 2: field '<CLOSE>': price not above zero: '-3'"},
  };
  const std::string model = std::string(STOCKDYN_EXE_DIR) + "/stock.hyp";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string prices = Write("prices.csv", c.text);
    const std::string want = prices + ": " + c.message;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"evaluate", "--security", "IBM Corp", "--prices", prices},
          std::vector<std::string>{"fit", "--security", "IBM Corp", "--prices", prices, "--horizon", "1",
                                   "--model", model, "--out", scratch_.File("fitted.hyp")}}) {
      SCOPED_TRACE(args[0]);
      const ChildResult r = RunTool(args);
      EXPECT_EQ(r.exit_status, 1) << r.err;
      EXPECT_EQ(r.out, "");
      EXPECT_NE(r.err.find(want), std::string::npos) << r.err;
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_FALSE(fs::exists(scratch_.File("fitted.hyp")));
  }
}

TEST_F(StudyCommands, TheSameInputGivesTheSameEvaluation) {
  const std::string prices = Write("walk.csv", RandomWalk(300));
  const std::vector<std::string> args = {"evaluate", "--security", "IBM Corp", "--zone", "EST", "--prices", prices,
                                         "--horizons", "1,5", "--permutations", "99", "--threads", "2"};
  const ChildResult first = RunTool(args);
  ASSERT_EQ(first.exit_status, 0) << first.err;
  const nlohmann::json doc = nlohmann::json::parse(first.out, nullptr, false);
  ASSERT_FALSE(doc.is_discarded()) << first.out.substr(0, 300);
  ASSERT_EQ(doc["horizons"].size(), 2u);
  EXPECT_EQ(doc["horizons"][0]["days"], 1);
  EXPECT_GT(doc["horizons"][0]["pairs"].get<int>(), 200);  // weekdays of 300 days, less the last
  EXPECT_GE(doc["horizons"][1]["p_value"].get<double>(), 0.01);  // at least 1/(99 + 1)
  const ChildResult again = RunTool(args);
  ASSERT_EQ(again.exit_status, 0) << again.err;
  EXPECT_EQ(again.out, first.out);
}

// Figures of nothing are no result: a span without an evaluation date and prices that never move
// stop evaluate with a reason, and a penalty that shrinks every weight to nothing stops fit before
// it writes a model other than the one it judged.
TEST_F(StudyCommands, NothingToEvaluateOrFitStopsWithTheReason) {
  std::string flat = "Date,Close\n";
  for (int d = 2; d <= 31; ++d) flat += "1996-01-" + std::string(d < 10 ? "0" : "") + std::to_string(d) + ",50\n";
  const std::string walk = Write("walk.csv", RandomWalk(300));
  const std::string model = std::string(STOCKDYN_EXE_DIR) + "/stock.hyp";
  const fs::path out = scratch_.File("fitted.hyp");
  struct Case {
    const char* what;
    std::vector<std::string> args;
    const char* reason;
  };
  const Case cases[] = {
      {"no evaluation date in the span",
       {"evaluate", "--security", "IBM Corp", "--prices", walk, "--from", "1999-01-01", "--to", "1999-12-31"},
       "has an earlier price date: nothing to evaluate"},
      {"constant prices",
       {"evaluate", "--security", "IBM Corp", "--prices", Write("flat.csv", flat), "--permutations", "9"},
       "no horizon has a correlation to measure"},
      {"a handful of pairs",
       {"evaluate", "--security", "IBM Corp", "--prices", walk, "--to", "1996-02-15", "--permutations", "9"},
       "too few pairs to judge: the most at any horizon is 33 (1 days), and a horizon of h days needs at least "
       "twice max(20, h) (40 here)"},
      {"a test span too short to judge",
       {"fit", "--security", "IBM Corp", "--prices", walk, "--horizon", "1", "--test-from", "1996-10-01", "--model",
        model, "--out", out.string()},
       "too few pairs to judge: the test span has"},
      {"a penalty that leaves no weight",
       {"fit", "--security", "IBM Corp", "--prices", walk, "--horizon", "1", "--ridge", "1e308", "--model", model,
        "--out", out.string()},
       "shrinks every weight to zero"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ChildResult r = RunTool(c.args);
    EXPECT_EQ(r.exit_status, 1) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_FALSE(fs::exists(out));
  }
}

// A model from elsewhere may carry terminal escapes in its names: the text outputs show them as
// \xHH, never raw.
TEST_F(StudyCommands, EscapesInAModelNeverReachTheTerminalRaw) {
  std::ifstream shipped(std::string(STOCKDYN_EXE_DIR) + "/stock.hyp", std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(shipped)), std::istreambuf_iterator<char>());
  const size_t at = text.find("[TJupiterNatalSun]");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 18, "[TJupiter\x1b[2JNatalSun]");
  const std::string model = Write("escape.hyp", text);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"model", "check", model},
        std::vector<std::string>{"evaluate", "--security", "IBM Corp", "--prices", Write("walk.csv", RandomWalk(300)),
                                 "--model", model, "--permutations", "9", "--format", "text"}}) {
    SCOPED_TRACE(args[0]);
    const ChildResult r = RunTool(args);
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
    EXPECT_NE(r.out.find("TJupiter\\x1B[2JNatalSun"), std::string::npos) << r.out.substr(0, 400);
  }
}

// The report's legend names what its picture draws: the random-natal band only when random
// charts were cast; the writer says what it wrote.
TEST_F(StudyCommands, ReportLegendNamesOnlyWhatIsDrawn) {
  const std::string prices = Write("walk.csv", RandomWalk(300));
  for (const int charts : {0, 2}) {
    SCOPED_TRACE(charts);
    const fs::path report = scratch_.File("r" + std::to_string(charts) + ".html");
    const ChildResult r = RunTool({"evaluate", "--security", "IBM Corp", "--zone", "EST", "--prices", prices,
                                   "--permutations", "19", "--random-natal", std::to_string(charts), "--report",
                                   report.string()});
    ASSERT_EQ(r.exit_status, 0) << r.err;
    std::ifstream in(report);
    const std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(html.find("random natal 5-95 %") != std::string::npos, charts > 0);
    EXPECT_NE(r.err.find("written to " + report.string()), std::string::npos) << r.err;
  }
}

// A price study without --zone reads its days on the security's own clock (IBM Corp's record is
// at UTC-05:00) and says so; fit without --out judges the weights and writes nothing, and its
// document is the same whatever --threads.
TEST_F(StudyCommands, DefaultsUseTheSecuritysZoneAndWriteNothingUnasked) {
  const std::string prices = Write("walk.csv", RandomWalk(300));
  const std::vector<std::string> evaluate = {"evaluate", "--security", "IBM Corp", "--prices", prices,
                                             "--permutations", "19"};
  std::vector<nlohmann::json> docs;
  for (const std::vector<std::string>& zone : {std::vector<std::string>{}, {"--zone", "-5"}, {"--zone", "0"}}) {
    std::vector<std::string> args = evaluate;
    args.insert(args.end(), zone.begin(), zone.end());
    const ChildResult r = RunTool(args);
    ASSERT_EQ(r.exit_status, 0) << r.err;
    docs.push_back(nlohmann::json::parse(r.out, nullptr, false));
    ASSERT_FALSE(docs.back().is_discarded()) << r.out.substr(0, 300);
  }
  EXPECT_EQ(docs[0], docs[1]);
  EXPECT_EQ(docs[0]["zone"], -5.0);
  docs[2].erase("zone");
  docs[0].erase("zone");
  EXPECT_NE(docs[0], docs[2]);  // the model's days begin five hours later than Greenwich's
  std::vector<std::string> text = evaluate;
  text.insert(text.end(), {"--format", "text"});
  const ChildResult named = RunTool(text);
  EXPECT_NE(named.out.find("zone security's own, UTC-05:00 -5,"), std::string::npos) << named.out.substr(0, 300);

  std::vector<std::string> outputs;
  for (const char* threads : {"1", "2"}) {
    const ChildResult r = RunTool({"fit", "--security", "IBM Corp", "--prices", prices, "--horizon", "1",
                                   "--permutations", "19", "--threads", threads});
    ASSERT_EQ(r.exit_status, 0) << r.err;
    const nlohmann::json doc = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_FALSE(doc.is_discarded()) << r.out.substr(0, 300);
    EXPECT_TRUE(doc["out"].is_null());
    EXPECT_EQ(doc["zone"], "security's own, UTC-05:00");
    EXPECT_EQ(r.err.find("written to"), std::string::npos) << r.err;
    outputs.push_back(r.out);
  }
  EXPECT_EQ(outputs[0], outputs[1]);
  EXPECT_EQ(scratch_.Names(), std::vector<std::string>{"walk.csv"});
}

// Long runs draw a bar on a terminal, over the true chart and every random one, and ending at
// its total; a pipe gets no bar, so that a captured stderr holds only messages.
TEST_F(StudyCommands, LongRunsShowProgressOnATerminalOnly) {
  const std::string prices = Write("walk.csv", RandomWalk(300));
  const std::vector<std::vector<std::string>> runs = {
      {"evaluate", "--security", "IBM Corp", "--prices", prices, "--permutations", "9", "--random-natal", "2"},
      {"fit", "--security", "IBM Corp", "--prices", prices, "--horizon", "1", "--permutations", "9", "--random-natal",
       "2"},
  };
  for (const auto& args : runs) {
    SCOPED_TRACE(args[0]);
    const ChildResult terminal = sd::testing::RunToolOnTerminal(args);
    ASSERT_EQ(terminal.exit_status, 0) << terminal.err;
    const std::string word = args[0] == "fit" ? "fitting" : "evaluating";
    // The bar's last drawing: full, done equal to total, and its line ended.
    const size_t last = terminal.err.rfind("  " + word + " [");
    ASSERT_NE(last, std::string::npos) << terminal.err.substr(0, 400);
    size_t at = last;
    const auto bar = sd::testing::Scan(terminal.err, at, "[", "] ");
    const auto done = sd::testing::Scan(terminal.err, at, "", "/");
    const auto total = sd::testing::Scan(terminal.err, at, "", " midnights");
    ASSERT_TRUE(bar && done && total) << terminal.err.substr(last);
    EXPECT_EQ(*bar, std::string(40, '#'));
    EXPECT_EQ(*done, *total);
    EXPECT_EQ(terminal.err.find_first_not_of("\r", at), terminal.err.find('\n', at)) << "the bar's line ends";
    if (args[0] == "fit") {
      EXPECT_EQ(std::stoi(*total) % 3, 0) << "three charts, one bar";
    }
    const ChildResult piped = RunTool(args);
    ASSERT_EQ(piped.exit_status, 0) << piped.err;
    EXPECT_EQ(piped.err.find(word + " ["), std::string::npos) << piped.err;
  }
}

// fit speaks evaluate's words: --from and --to are the whole span; --report writes the page (and
// no file of another kind is written over).
TEST_F(StudyCommands, FitTakesTheSpanAsEvaluateNamesItAndWritesAReport) {
  const std::string prices = Write("walk.csv", RandomWalk(300));
  const std::vector<std::string> base = {"fit", "--security", "IBM Corp", "--prices", prices, "--horizon", "1",
                                         "--permutations", "19"};
  auto with = [&](std::vector<std::string> more) {
    std::vector<std::string> args = base;
    args.insert(args.end(), more.begin(), more.end());
    return RunTool(args);
  };
  const ChildResult aliases = with({"--from", "1996-02-01", "--to", "1996-09-30"});
  const ChildResult spelled = with({"--train-from", "1996-02-01", "--test-to", "1996-09-30"});
  ASSERT_EQ(aliases.exit_status, 0) << aliases.err;
  EXPECT_EQ(aliases.out, spelled.out);
  const nlohmann::json doc = nlohmann::json::parse(aliases.out);
  EXPECT_EQ(doc["train"]["from"], "1996-02-01");
  EXPECT_EQ(doc["test"]["to"], "1996-09-30");

  const fs::path report = scratch_.File("fit.html");
  const ChildResult written = with({"--report", report.string()});
  ASSERT_EQ(written.exit_status, 0) << written.err;
  std::ifstream in(report);
  const std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_NE(html.find("<h1>IBM Corp: weights fitted to its prices</h1>"), std::string::npos);
  EXPECT_NE(html.find("the only line that counts"), std::string::npos);
  EXPECT_NE(written.err.find("written to " + report.string()), std::string::npos) << written.err;

  const std::string notes = Write("notes.txt", "my notes\n");
  const ChildResult refused = with({"--report", notes});
  EXPECT_EQ(refused.exit_status, 1);
  std::ifstream kept(notes);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>()), "my notes\n");
}

}  // namespace
}  // namespace sd
