// The natal and towns subcommands, run in-process with their output captured.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/commands.h"
#include "data/natal_db.h"
#include "../support/scratch_dir.h"

namespace sd::cli {
namespace {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string out, err;
};

Result RunSub(const char* sub, const Args& args) {
  for (const auto& c : Commands()) {
    if (std::string(c.name) == sub) {
      ::testing::internal::CaptureStdout();
      ::testing::internal::CaptureStderr();
      const int status = c.run(args);
      std::fflush(stdout);
      std::fflush(stderr);
      Result r{status, ::testing::internal::GetCapturedStdout(),
               ::testing::internal::GetCapturedStderr()};
      return r;
    }
  }
  ADD_FAILURE() << "no subcommand " << sub;
  return {-1, "", ""};
}

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class Scratch : public ::testing::Test {
 protected:
  testing_support::ScratchDir scratch_;
  const fs::path dir_{scratch_.path()};
  std::string Write(const std::string& name, const std::string& content) {
    std::ofstream(dir_ / name, std::ios::binary) << content;
    return (dir_ / name).string();
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
};

const char kCsv[] =
    "name,ticker,date,time,zone_hours,place,latitude,longitude,source\n"
    "IBM Corp,IBM,1924-02-14,10:00:00,-5,\"New York, NY\",40.7069,-74.0113,http://a\n"
    "Moscow Exchange,MOEX,2013-02-15,12:05:00,4,Москва,55.7558,37.6173,http://b\n"
    "LinkedIn Corp,LNKD,2011-05-19,10:00:42,-4,\"New York, NY\",40.7069,-74.0113,http://c\n";

TEST_F(Scratch, ImportListExportRoundTrip) {
  const std::string db = Path("Nyse.mil");
  const Result imp = RunSub("natal", {"import", Write("in.csv", kCsv), db});
  ASSERT_EQ(imp.status, 0) << imp.err;
  EXPECT_EQ(fs::file_size(db), 3 * data::kNatalRecordSize);

  const Result list = RunSub("natal", {"list", db});
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(list.out,
            "IBM Corp\t1924-02-14\t10:00:00\t-5\tNew York, NY\n"
            "Moscow Exchange\t2013-02-15\t12:05:00\t4\tМосква\n"
            "LinkedIn Corp\t2011-05-19\t10:00:42\t-4\tNew York, NY\n");

  const Result exp = RunSub("natal", {"export", db, Path("out.csv")});
  ASSERT_EQ(exp.status, 0) << exp.err;
  EXPECT_EQ(Slurp(Path("out.csv")),
            "name,date,time,zone_hours,place,latitude,longitude\n"
            "IBM Corp,1924-02-14,10:00:00,-5,\"New York, NY\",40.706944,-74.011389\n"
            "Moscow Exchange,2013-02-15,12:05:00,4,Москва,55.755833,37.617222\n"
            "LinkedIn Corp,2011-05-19,10:00:42,-4,\"New York, NY\",40.706944,-74.011389\n");
  const Result again = RunSub("natal", {"import", Path("out.csv"), Path("again.mil")});
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(Slurp(Path("again.mil")), Slurp(db));
}

// The tickers the database has no room for go to a file of their own, asked for; an existing
// file of another kind is not written over.
TEST_F(Scratch, ImportWritesTheTickersWhenAsked) {
  const std::string csv = Write("in.csv", kCsv);
  const Result imp = RunSub("natal", {"import", csv, Path("Nyse.mil"), "--tickers", Path("tickers.csv")});
  ASSERT_EQ(imp.status, 0) << imp.err;
  EXPECT_EQ(Slurp(Path("tickers.csv")), "ticker,name\nIBM,IBM Corp\nMOEX,Moscow Exchange\nLNKD,LinkedIn Corp\n");
  EXPECT_NE(imp.err.find("written to " + Path("tickers.csv") + " (3 tickers)"), std::string::npos) << imp.err;

  const std::string other = Write("notes.txt", "not tickers\n");
  const Result refused = RunSub("natal", {"import", csv, Path("b.mil"), "--tickers", other});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(Slurp(other), "not tickers\n");
  EXPECT_FALSE(fs::exists(Path("b.mil")));  // refused before anything is written
}

TEST_F(Scratch, ScrambledImportListsNameWithSuffix) {
  const std::string csv = "name,date,time,zone_hours,place,latitude,longitude\n"
                          "ABC@Q1,2000-06-15,10:30,3,Moscow,55.7558,37.6173\n";
  const std::string db = Path("s.mil");
  ASSERT_EQ(RunSub("natal", {"import", Write("s.csv", csv), db, "--scramble"}).status, 0);
  EXPECT_EQ(Slurp(db).find("ABC"), std::string::npos);  // not stored in clear
  EXPECT_EQ(RunSub("natal", {"list", db}).out, "ABC@Q1\t2000-06-15\t10:30:00\t3\tMoscow\n");
}

TEST_F(Scratch, BadRowFailsNamingLineAndFieldAndWritesNothing) {
  const std::string db = Path("Nyse.mil");
  ASSERT_EQ(RunSub("natal", {"import", Write("good.csv", kCsv), db}).status, 0);
  const std::string before = Slurp(db);
  struct Case {
    std::string row;
    const char* expect;
  };
  const Case cases[] = {
      {"Bad Co,B,1924-02-31,10:00:00,-5,NY,40.7,-74.0,s", "line 3, field 'date'"},
      {std::string(101, 'N') + ",B,1924-02-14,10:00:00,-5,NY,40.7,-74.0,s", "line 3, field 'name'"},
      {"Bad Co,B,1924-02-14,10:00:00,-5,NY,40.7,east,s", "line 3, field 'longitude'"},
  };
  for (const Case& c : cases) {
    std::string csv = kCsv;
    csv.insert(csv.find('\n', csv.find('\n') + 1) + 1, c.row + "\n");  // as line 3
    for (const std::string& target : {db, Path("new.mil")}) {
      const Result r = RunSub("natal", {"import", Write("bad.csv", csv), target});
      EXPECT_EQ(r.status, 1) << c.row;
      EXPECT_NE(r.err.find(c.expect), std::string::npos) << r.err;
      EXPECT_NE(r.err.find("bad.csv"), std::string::npos) << r.err;
    }
    EXPECT_EQ(Slurp(db), before);
    EXPECT_FALSE(fs::exists(Path("new.mil")));
  }
  // Nothing but the inputs and the first database: no temporary files either.
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Nyse.mil", "bad.csv", "good.csv"}));
}

TEST_F(Scratch, WarnsOfNamesTheFormCannotRequest) {
  const std::string csv = "name,date,time,zone_hours,place,latitude,longitude\n"
                          "S=P 500 Index,1957-03-04,10:00,-5,NY,40.7069,-74.0113\n"
                          "Alphabet Inc (Google),2004-08-19,11:55,-4,NY,40.7564,-73.9862\n"
                          "Coca-Cola Co,1919-09-05,10:00,-4,NY,40.7069,-74.0113\n"
                          "A+B,1919-09-05,10:00,-4,NY,40.7069,-74.0113\n"
                          "Bank of Hara,1919-09-05,10:00,-4,NY,40.7069,-74.0113\n"
                          "\xD0\x91\xD0\xB0\xD0\xBD\xD0\xBA,1919-09-05,10:00,-4,NY,40.7069,-74.0113\n";
  const Result r = RunSub("natal", {"import", Write("w.csv", csv), Path("w.mil")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("warning: 'S=P 500 Index'"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("warning: 'A+B'"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("warning: '\xD0\x91\xD0\xB0\xD0\xBD\xD0\xBA'"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("Alphabet"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("Coca-Cola"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("Hara"), std::string::npos) << r.err;
  EXPECT_EQ(fs::file_size(Path("w.mil")), 6 * data::kNatalRecordSize);
}

TEST_F(Scratch, GarbageRecordIsListedButNotExported) {
  data::NatalRecord r;
  r.Year = 30000;
  r.Month = 77;
  r.Day = 1;
  r.LocalTime = std::nan("");
  r.Zone = 1e300;
  r.Name.Set("Garbage");
  const std::string db = Path("g.mil");
  data::WriteNatalDatabase(db, {r});
  const Result list = RunSub("natal", {"list", db});
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(list.out, "Garbage\t30000-77-1\tnan\t1e+300\t\n");
  const Result exp = RunSub("natal", {"export", db, Path("g.csv")});
  EXPECT_EQ(exp.status, 1);
  EXPECT_NE(exp.err.find("record 1, field 'date'"), std::string::npos) << exp.err;
  EXPECT_FALSE(fs::exists(Path("g.csv")));
}

TEST_F(Scratch, UsageAndMissingFiles) {
  struct Case {
    const char* sub;
    Args args;
    int status;
    const char* err;  // part of the message, "" for none
  };
  const Case cases[] = {
      {"natal", {}, 2, "missing action"},
      {"natal", {"drop", "x.mil"}, 2, "unknown action"},
      {"natal", {"list"}, 2, ""},
      {"natal", {"list", "x.db"}, 2, ".mil"},
      {"natal", {"import", "a.csv"}, 2, ""},
      {"natal", {"import", "a.csv", "b.mil", "--fast"}, 2, "--fast"},
      {"natal", {"export", "a.mil"}, 2, ""},
      {"natal", {"list", Path("none.mil")}, 1, "none.mil: cannot open: No such file"},
      {"natal", {"import", Path("none.csv"), Path("x.mil")}, 1, "none.csv: cannot open"},
      {"natal", {"export", Path("none.mil"), Path("x.csv")}, 1, "none.mil: cannot open"},
      {"natal", {"import", Write("ok.csv", kCsv), Path("no/dir/x.mil")}, 1, "x.mil"},
      {"towns", {}, 2, ""},
      {"towns", {"build", "src.txt"}, 2, ""},
      {"towns", {"build", Path("none.txt"), dir_.string()}, 1, "none.txt: cannot open"},
      {"towns", {"build", Write("bad.txt", "[A]\nX | 1 | 2\n"), dir_.string()}, 1, "line 2"},
  };
  for (const Case& c : cases) {
    const Result r = RunSub(c.sub, c.args);
    std::string shown = c.sub;
    for (const auto& a : c.args) shown += " " + a;
    EXPECT_EQ(r.status, c.status) << shown << "\n" << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << shown << "\n" << r.err;
    EXPECT_TRUE(r.out.empty()) << shown;
  }
  EXPECT_FALSE(fs::exists(Path("x.mil")));
  EXPECT_FALSE(fs::exists(Path("towns.nd")));
  EXPECT_FALSE(fs::exists(Path("towns.ndx")));
  for (const char* sub : {"natal", "towns"}) {
    const Result h = RunSub(sub, {"--help"});
    EXPECT_EQ(h.status, 0);
    EXPECT_NE(h.out.find("usage: stockdyn"), std::string::npos);
  }
}

TEST_F(Scratch, TownsBuildWritesBothFiles) {
  const Result r = RunSub("towns", {"build", Write("t.txt", "[Asia]\nTokyo | 35.6762 | 139.6503 | 9\n"),
                                 dir_.string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Slurp(dir_ / "towns.ndx"), "[Asia]\nTokyo\n");
  EXPECT_TRUE(fs::exists(dir_ / "towns.nd"));
}

}  // namespace
}  // namespace sd::cli
