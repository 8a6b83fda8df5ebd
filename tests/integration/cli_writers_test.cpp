// What the tool's writing subcommands may write over: never one of their inputs or a file of
// another kind unless told --force, and a replaced file keeps its permissions while a new one
// gets the user's umask.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <cstdio>
#include <string>
#include <vector>

#include "child_process.h"
#include "program_copy.h"

namespace sd {
namespace {

namespace fs = std::filesystem;
using sd::testing::ChildResult;
using sd::testing::RunChild;

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void Put(const fs::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary) << text;
}

unsigned ModeOf(const fs::path& p) {
  struct stat st {};
  EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
  return st.st_mode & 07777;
}

// Enough closes for evaluate and fit to judge (each refuses fewer pairs than its shifts need): 200
// days of 2001 from January 2, a saw of small steps.
std::string Prices() {
  std::string text = "Date,Close\n";
  static const int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int month = 0, day = 2;
  for (int k = 0; k < 200; ++k) {
    char line[40];
    std::snprintf(line, sizeof line, "2001-%02d-%02d,%d\n", month + 1, day, 10 + k % 7);
    text += line;
    if (++day > kMonthDays[month]) day = 1, ++month;
  }
  return text;
}
const char kValues[] = "1\n2\n3\n";

class Writers : public sd::testing::ProgramCopy {
 protected:
  void SetUp() override {
    ProgramCopy::SetUp();
    Put(root_ / "prices.csv", Prices());
    Put(root_ / "values.txt", kValues);
  }

  // Runs the tool in root_ under the given umask, every {exe} and {root} in args replaced.
  ChildResult Tool(std::vector<std::string> args, const char* umask = "022") {
    std::string line = "umask " + std::string(umask) + " && cd '" + root_.string() + "' && exec '" + sd::testing::kToolPath + "'";
    for (std::string& a : args) {
      for (const auto& [key, value] : {std::pair<std::string, std::string>{"{exe}", exe_dir_.string()},
                                       {"{root}", root_.string()}}) {
        for (size_t at; (at = a.find(key)) != std::string::npos;) a.replace(at, key.size(), value);
      }
      line += " '" + a + "'";
    }
    return RunChild({"/bin/sh", "-c", line},
                    {"PATH=/usr/bin:/bin", "STOCKDYN_TEST_NOW=2026-03-07 09:05:30"}, 300.0);
  }
};

// Each command refuses a target it must not destroy, leaves it byte for byte, writes nothing on
// stdout and names the file; --force then writes it.
TEST_F(Writers, RefuseInputsAndFilesOfAnotherKind) {
  struct Case {
    const char* what;
    std::vector<std::string> args;  // without --force
    const char* victim;             // the file that must survive, relative to root_
    const char* make_victim;        // its content when the test plants it, else nullptr (a shipped file)
    const char* reason;             // in the message
    bool force_works;               // --force writes it quickly enough for a test
  };
  const std::vector<Case> cases = {
      {"export over its own database", {"natal", "export", "{exe}/Nyse.mil", "{exe}/Nyse.mil"},
       "Exe/Nyse.mil", nullptr, "is also an input", true},
      {"export over the model", {"natal", "export", "{exe}/Nyse.mil", "{exe}/stock.hyp"},
       "Exe/stock.hyp", nullptr, "is not a natal CSV", true},
      {"import over a text file named .mil", {"natal", "import", "{root}/n.csv", "{root}/notes.mil"},
       "notes.mil", "my notes\n", "is not a natal database", true},
      {"forecast picture over a link to the database",
       {"forecast", "--security", "IBM Corp", "--dir", "{exe}", "--gif", "{root}/leak.gif"},
       "Exe/Nyse.mil", nullptr, "is also an input", false},
      {"forecast picture over a text file",
       {"forecast", "--security", "IBM Corp", "--dir", "{exe}", "--gif", "{root}/note.gif"},
       "note.gif", "not a picture\n", "is not a GIF picture", true},
      {"draw over its values", {"draw", "--values", "{root}/v.gif", "--start", "2026-03-07", "--out", "{root}/v.gif"},
       "v.gif", "1\n2\n3\n", "is also an input", false},
      {"metrics table over the model", {"metrics", "build", "{exe}/stock.hyp", "--pairs", "0-1"},
       "Exe/stock.hyp", nullptr, "is not a metric table", false},
      {"towns over the source", {"towns", "build", "{exe}/towns.ndx", "{exe}"},
       "Exe/towns.ndx", nullptr, "is also an input", false},
      {"towns over a database", {"towns", "build", "{root}/gazetteer.txt", "{root}"},
       "towns.nd", nullptr, "is not a towns file", true},
      {"evaluation details over the model",
       {"evaluate", "--security", "IBM Corp", "--prices", "{root}/prices.csv", "--dir", "{exe}",
        "--permutations", "9", "--details", "{exe}/stock.hyp"},
       "Exe/stock.hyp", nullptr, "is also an input", false},
      {"evaluation report over the prices",
       {"evaluate", "--security", "IBM Corp", "--prices", "{root}/prices.csv", "--dir", "{exe}",
        "--permutations", "9", "--report", "{root}/prices.csv"},
       "prices.csv", nullptr, "is also an input", false},
      {"evaluation report over a CSV",
       {"evaluate", "--security", "IBM Corp", "--prices", "{root}/prices.csv", "--dir", "{exe}",
        "--permutations", "9", "--report", "{root}/old.csv"},
       "old.csv", "a,b\n1,2\n", "is not an HTML file", true},
      {"chart wheel over the database",
       {"chart", "--security", "IBM Corp", "--dir", "{exe}", "--svg", "{exe}/Nyse.mil"},
       "Exe/Nyse.mil", nullptr, "is also an input", false},
      {"chart wheel over a text file",
       {"chart", "--date", "2026-03-20", "--time", "12:00", "--zone", "EST", "--lat", "40", "--lon", "-74",
        "--svg", "{root}/note.svg"},
       "note.svg", "not a picture\n", "is not an SVG picture", true},
      {"fitted model over the input model",
       {"fit", "--security", "IBM Corp", "--prices", "{root}/prices.csv", "--horizon", "1", "--dir", "{exe}",
        "--out", "{exe}/stock.hyp"},
       "Exe/stock.hyp", nullptr, "is also an input", false},
      {"fitted model over the site settings",
       {"fit", "--security", "IBM Corp", "--prices", "{root}/prices.csv", "--horizon", "1",
        "--model", "{root}/m.hyp", "--out", "{root}/site.ini"},
       "site.ini", "[Site]\nImageBaseUrl=/x/\n", "is not a model file", false},
  };
  Put(root_ / "n.csv", "name,date,time,zone_hours,place,latitude,longitude\nA,2000-01-03,09:30,-5,NY,40.7,-74\n");
  Put(root_ / "gazetteer.txt", "[Region]\nTown | 10 | 20 | 1\n");
  fs::copy_file(exe_dir_ / "Nyse.mil", root_ / "towns.nd");
  fs::copy_file(exe_dir_ / "stock.hyp", root_ / "m.hyp");
  fs::create_symlink(exe_dir_ / "Nyse.mil", root_ / "leak.gif");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path victim = root_ / c.victim;
    if (c.make_victim) Put(victim, c.make_victim);
    const std::string before = Slurp(victim);
    ASSERT_FALSE(before.empty());

    const ChildResult refused = Tool(c.args);
    EXPECT_EQ(refused.exit_status, 1) << refused.err;
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find(c.reason), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.err.find("usage:"), std::string::npos) << refused.err;
    EXPECT_EQ(Slurp(victim), before) << "the refused target changed";

    if (!c.force_works) continue;
    std::vector<std::string> forced = c.args;
    forced.push_back("--force");
    const ChildResult written = Tool(forced);
    EXPECT_EQ(written.exit_status, 0) << written.err;
    EXPECT_NE(Slurp(victim), before) << "--force did not write";
    // Restore what later cases read.
    if (!c.make_victim) Put(victim, before);
  }
}

// Writing over a file of the command's own kind needs no --force; an empty file is nothing lost.
TEST_F(Writers, ReplaceTheirOwnKindAndEmptyFiles) {
  struct Case {
    const char* what;
    std::vector<std::string> args;
    const char* target;
  };
  const std::vector<Case> cases = {
      {"natal CSV", {"natal", "export", "{exe}/Nyse.mil", "{root}/out.csv"}, "out.csv"},
      {"picture", {"draw", "--values", "{root}/values.txt", "--start", "2026-03-07", "--out", "{root}/p.gif"}, "p.gif"},
      {"natal database", {"natal", "import", "{root}/n.csv", "{root}/n.mil"}, "n.mil"},
  };
  Put(root_ / "n.csv", "name,date,time,zone_hours,place,latitude,longitude\nA,2000-01-03,09:30,-5,NY,40.7,-74\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Put(root_ / c.target, "");
    const ChildResult first = Tool(c.args);
    ASSERT_EQ(first.exit_status, 0) << first.err;
    const std::string written = Slurp(root_ / c.target);
    ASSERT_FALSE(written.empty());
    const ChildResult again = Tool(c.args);
    EXPECT_EQ(again.exit_status, 0) << again.err;
    EXPECT_EQ(Slurp(root_ / c.target), written);
  }
}

// A replaced file keeps its permission bits under any umask; a new one gets 0666 less the umask.
TEST_F(Writers, PermissionsFollowTheReplacedFileOrTheUmask) {
  struct Case {
    const char* what;
    std::vector<std::string> args;
    const char* target;
    int existing_mode;  // -1: no file there before
    const char* umask;
    unsigned expected;
  };
  const std::vector<Case> cases = {
      {"private database replaced", {"natal", "import", "{root}/n.csv", "{root}/db.mil"}, "db.mil", 0600, "022", 0600},
      {"shared database replaced under a strict umask", {"natal", "import", "{root}/n.csv", "{root}/db2.mil"}, "db2.mil", 0644, "077", 0644},
      {"new CSV", {"natal", "export", "{exe}/Nyse.mil", "{root}/new.csv"}, "new.csv", -1, "027", 0640},
      {"new picture", {"draw", "--values", "{root}/values.txt", "--start", "2026-03-07", "--out", "{root}/new.gif"}, "new.gif", -1, "077", 0600},
      {"picture replaced", {"draw", "--values", "{root}/values.txt", "--start", "2026-03-07", "--out", "{root}/old.gif"}, "old.gif", 0604, "077", 0604},
  };
  Put(root_ / "n.csv", "name,date,time,zone_hours,place,latitude,longitude\nA,2000-01-03,09:30,-5,NY,40.7,-74\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path target = root_ / c.target;
    if (c.existing_mode >= 0) {
      Put(target, "");
      ASSERT_EQ(::chmod(target.c_str(), static_cast<mode_t>(c.existing_mode)), 0);
    }
    const ChildResult r = Tool(c.args, c.umask);
    ASSERT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(ModeOf(target), c.expected);
  }
}

}  // namespace
}  // namespace sd
