// The natal lookup and the towns database as the installed program meets them: the shipped
// data files, the form that offers the securities, and runs with broken data files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "host/query.h"
#include "child_process.h"
#include "text_scan.h"
#include "program_copy.h"
#include "data/natal_csv.h"
#include "data/natal_db.h"
#include "data/towns.h"

namespace sd {
namespace {

namespace fs = std::filesystem;
using sd::testing::ChildResult;
using sd::testing::RunChild;

constexpr double kRunBound = 120.0;  // seconds; a run that takes longer counts as hung

// A private copy of the installed program directory.
class InstalledCopy : public sd::testing::ProgramCopy {
 protected:

  ChildResult Serve(const std::string& query) {
    return RunChild({program_},
                    {"PATH=/usr/bin:/bin", "GATEWAY_INTERFACE=CGI/1.1", "REQUEST_METHOD=GET",
                     "QUERY_STRING=" + query, "STOCKDYN_TEST_NOW=2026-03-07 09:05:30"},
                    kRunBound);
  }

};

std::vector<std::string> Lines(const std::string& page) {
  std::vector<std::string> lines;
  std::istringstream in(page);
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lines.push_back(l);
  }
  return lines;
}

std::string Instrument(const std::string& name) {
  return "<p align=\"center\"><b>Instrument:" + name + "<br>First Trade:<br>";
}

TEST_F(InstalledCopy, RequestedSecurityGivesItsFirstTrade) {
  struct Case {
    const char* query;
    const char* line9_name;
    const char* line10;
  };
  const Case cases[] = {
      {"TRS_TZ=EST&D3_NATAL_DATA_TOWNS=IBM+Corp", "IBM Corp", "2,14,1924   10.00<br>"},
      {"D3_NATAL_DATA_TOWNS=+Walt+Disney+Co+&TRS_TZ=GMT", "Walt Disney Co", "11,12,1957   10.00<br>"},
      {"D3_NATAL_DATA_TOWNS=Alphabet+Inc+%28Google%29", "Alphabet Inc (Google)", "8,19,2004   11.55<br>"},
      {"D3_NATAL_DATA_TOWNS=LinkedIn+Corp", "LinkedIn Corp", "5,19,2011   10.00<br>"},
      {"D3_NATAL_DATA_TOWNS=ibm+corp", "No Name 1", "3,7,2026   9.05<br>"},
      // %27 is one of the query's own escapes, there for names such as this one.
      {"D3_NATAL_DATA_TOWNS=Standard+and+Poor%27s+500+Index", "Standard and Poor&#39;s 500 Index",
       "3,4,1957   10.00<br>"},
  };
  for (const Case& c : cases) {
    const ChildResult r = Serve(c.query);
    ASSERT_FALSE(r.timed_out) << c.query;
    EXPECT_EQ(r.exit_status, 0) << c.query << "\n" << r.err;
    const auto lines = Lines(r.out);
    ASSERT_GE(lines.size(), 10u) << r.out;
    EXPECT_EQ(lines[8], Instrument(c.line9_name)) << c.query;
    EXPECT_EQ(lines[9], c.line10) << c.query;
  }
}

TEST_F(InstalledCopy, MissingOrUnreadableDataFileStopsBeforeAnyOutput) {
  for (const char* file : {"Nyse.mil", "towns.nd", "towns.ndx", "stock.hyp"}) {
    for (const bool as_directory : {false, true}) {
      InstalledCopy::TearDown();
      InstalledCopy::SetUp();
      fs::remove(exe_dir_ / file);
      if (as_directory) fs::create_directory(exe_dir_ / file);
      const ChildResult r = Serve("TRS_TZ=EST&D3_NATAL_DATA_TOWNS=IBM+Corp");
      const std::string what = std::string(file) + (as_directory ? " (a directory)" : " (missing)");
      ASSERT_FALSE(r.timed_out) << what;
      EXPECT_EQ(r.signal, 0) << what;
      EXPECT_NE(r.exit_status, 0) << what;
      EXPECT_EQ(r.out, "") << what;
      EXPECT_NE(r.err.find((exe_dir_ / file).string() + ": "), std::string::npos) << what << ": " << r.err;
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
      EXPECT_TRUE(fs::is_empty(exe_dir_ / "Temp")) << what;
    }
  }
}

TEST_F(InstalledCopy, GarbageAndCutRecordsNeitherCrashNorHang) {
  data::NatalRecord garbage;
  garbage.Year = 30000;
  garbage.Month = 77;
  garbage.Day = -5;
  garbage.LocalTime = std::nan("");
  garbage.Zone = 1e300;
  garbage.Latitude = -1e308;
  garbage.Longitude = std::numeric_limits<double>::infinity();
  garbage.Name.Set("Garbage");
  data::NatalRecord ok = garbage;
  ok.Year = 1999;
  ok.Month = 1;
  ok.Day = 22;
  ok.LocalTime = 9.3;
  ok.Zone = -5;
  ok.Latitude = 40.4523;
  ok.Longitude = -73.5910;
  ok.Name.Set("Good");
  const std::string db = (exe_dir_ / "Nyse.mil").string();
  data::WriteNatalDatabase(db, {garbage, ok});
  {
    // Half a record more, named "Cut".
    data::NatalRecord cut = ok;
    cut.Name.Set("Cut");
    const data::NatalBytes b = EncodeNatalRecord(cut);
    std::ofstream(db, std::ios::binary | std::ios::app).write(reinterpret_cast<const char*>(b.data()), 200);
  }
  struct Case {
    const char* query;
    const char* name;
  };
  for (const Case& c : {Case{"D3_NATAL_DATA_TOWNS=Garbage", "Garbage"}, Case{"D3_NATAL_DATA_TOWNS=Good", "Good"},
                        Case{"D3_NATAL_DATA_TOWNS=Cut", "No Name 1"}}) {
    const ChildResult r = Serve(c.query);
    ASSERT_FALSE(r.timed_out) << c.query;
    EXPECT_EQ(r.signal, 0) << c.query;
    EXPECT_EQ(r.exit_status, 0) << c.query << "\n" << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 15u) << r.out;
    EXPECT_EQ(lines[8], Instrument(c.name));
  }
}

// A name is text: markup characters in it reach the page as text, never as markup.
TEST_F(InstalledCopy, MarkupInANameIsShownAsText) {
  WriteNatalDatabase((exe_dir_ / "Nyse.mil").string(),
                     data::ParseNatalCsv("name,date,time,zone_hours,place,latitude,longitude\n"
                                   "\"<b>Bold</b> \"\"Q\"\" Co\",2000-06-15,10:30,3,Moscow,55.7558,37.6173\n",
                                   false));
  const ChildResult r = Serve("D3_NATAL_DATA_TOWNS=<b>Bold</b>+\"Q\"+Co");
  ASSERT_EQ(r.exit_status, 0) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_GE(lines.size(), 10u);
  EXPECT_EQ(lines[8], Instrument("&lt;b&gt;Bold&lt;/b&gt; &quot;Q&quot; Co"));
  EXPECT_EQ(lines[9], "6,15,2000   10.30<br>");
}

TEST_F(InstalledCopy, ScrambledRecordAnswersToNameAndSuffix) {
  WriteNatalDatabase((exe_dir_ / "Nyse.mil").string(),
                     data::ParseNatalCsv("name,date,time,zone_hours,place,latitude,longitude\n"
                                   "ABC@Q1,2000-06-15,10:30,3,Moscow,55.7558,37.6173\n",
                                   true));
  struct Case {
    const char* query;
    const char* name;
    const char* line10;
  };
  for (const Case& c : {Case{"D3_NATAL_DATA_TOWNS=ABC@Q1", "ABC@Q1", "6,15,2000   10.30<br>"},
                        Case{"D3_NATAL_DATA_TOWNS=ABC", "No Name 1", "3,7,2026   9.05<br>"}}) {
    const ChildResult r = Serve(c.query);
    ASSERT_EQ(r.exit_status, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(lines[8], Instrument(c.name)) << c.query;
    EXPECT_EQ(lines[9], c.line10) << c.query;
  }
}

// What a browser sends for a form field: letters, digits and *-._ as they are, blanks as '+',
// every other byte as %XX.
std::string FormEncoded(const std::string& value) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : value) {
    if (std::isalnum(c) || c == '*' || c == '-' || c == '.' || c == '_') {
      out += static_cast<char>(c);
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string HtmlUnescaped(std::string s) {
  const std::pair<const char*, const char*> entities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}};
  for (const auto& [from, to] : entities) {
    for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + 1)) s.replace(p, std::strlen(from), to);
  }
  return s;
}

TEST(ShippedData, FormOffersEveryStoredSecurityAndEachIsFound) {
  const std::string db = std::string(STOCKDYN_EXE_DIR) + "/Nyse.mil";
  const std::vector<data::NatalRecord> records = data::ReadNatalDatabase(db);
  ASSERT_FALSE(records.empty());
  std::vector<std::string> stored;
  for (const data::NatalRecord& r : records) stored.push_back(r.Name.Str());

  std::ifstream html(std::string(STOCKDYN_EXE_DIR) + "/../index.html", std::ios::binary);
  std::stringstream ss;
  ss << html.rdbuf();
  const std::string page = ss.str();
  const std::string options =
      sd::testing::FirstSpan(page, "<datalist id=\"securities\">", "</datalist>");
  ASSERT_FALSE(options.empty()) << page;
  std::vector<std::string> offered;
  for (const std::string& value : sd::testing::QuotedValuesAfter(options, "<option value=\""))
    offered.push_back(HtmlUnescaped(value));
  EXPECT_EQ(offered, stored);

  // Each offered name, sent as a browser sends it, reaches the lookup as that very record.
  for (const std::string& name : offered) {
    const std::string query = host::DecodeQuery("TRS_TZ=EST&D3_NATAL_DATA_TOWNS=" + FormEncoded(name));
    astro::ChartData slot;
    slot.ChartName.Set("No Name 1");
    EXPECT_TRUE(data::LookupNatal(db, host::QueryParam("D3_NATAL_DATA_TOWNS", query), slot)) << name;
    EXPECT_EQ(slot.ChartName.View(), name);
  }
}

TEST(ShippedData, TownsDatabaseOpensWithItsRegions) {
  const data::T_Towns towns(STOCKDYN_EXE_DIR);
  std::set<std::string> regions;
  for (const auto& r : towns.regions()) regions.insert(r->name());
  EXPECT_TRUE(regions.count("North America"));
  EXPECT_TRUE(regions.count("Asia"));
  EXPECT_FALSE(towns.data().head().empty());
}

}  // namespace
}  // namespace sd
