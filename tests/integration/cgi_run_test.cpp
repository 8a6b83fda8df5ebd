// The installed CGI program, run as a web server runs it: a fresh environment per request,
// the page on standard output.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cgi/query.h"
#include "child_process.h"
#include "program_copy.h"

namespace sd {
namespace {

namespace fs = std::filesystem;
using sd::testing::ChildResult;
using sd::testing::RunChild;

constexpr double kRunBound = 120.0;  // seconds; a run that takes longer counts as hung

// A private copy of the installed program directory inside an otherwise empty root, so that
// anything a run writes outside Temp/ shows up, and parallel tests do not meet.
class ProgramRun : public sd::testing::ProgramCopy {
 protected:

  // Size and modification time of every file outside Temp/, except the program's own
  // picture-name memory in its directory (and its temporary file while it is written).
  std::map<std::string, std::pair<uintmax_t, int64_t>> Outside() const {
    std::map<std::string, std::pair<uintmax_t, int64_t>> files;
    for (auto it = fs::recursive_directory_iterator(root_); it != fs::recursive_directory_iterator(); ++it) {
      const fs::path& p = it->path();
      if (p == exe_dir_ / "Temp") {
        it.disable_recursion_pending();
        continue;
      }
      if (p.parent_path() == exe_dir_ && p.filename().string().rfind("PictureName.ini", 0) == 0) continue;
      struct stat st {};
      lstat(p.c_str(), &st);
      // A directory only has to stay there: the picture-name memory is written through a
      // temporary file beside it, which changes the program directory's own times.
      if (S_ISDIR(st.st_mode)) {
        files[p.string()] = {0, 0};
        continue;
      }
      files[p.string()] = {static_cast<uintmax_t>(st.st_size),
                           static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
    }
    return files;
  }
  std::vector<std::string> InTemp() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(exe_dir_ / "Temp")) names.push_back(e.path().filename().string());
    return names;
  }

  // query == nullptr: no QUERY_STRING at all.
  ChildResult Serve(const char* query, const char* now = "2026-03-07 09:05:30") {
    std::vector<std::string> env = {"PATH=/usr/bin:/bin", "GATEWAY_INTERFACE=CGI/1.1", "REQUEST_METHOD=GET"};
    if (query) env.push_back(std::string("QUERY_STRING=") + query);
    if (now) env.push_back(std::string("STOCKDYN_TEST_NOW=") + now);
    return RunChild({program_}, env, kRunBound);
  }

};

std::vector<std::string> CrlfLines(const std::string& page, bool& only_crlf) {
  std::vector<std::string> lines;
  only_crlf = true;
  size_t pos = 0;
  while (pos < page.size()) {
    const size_t lf = page.find('\n', pos);
    if (lf == std::string::npos) {
      only_crlf = false;  // text after the last line end
      lines.push_back(page.substr(pos));
      break;
    }
    if (lf == pos || page[lf - 1] != '\r') only_crlf = false;
    std::string line = page.substr(pos, lf == pos ? 0 : lf - pos - 1);
    if (line.find('\r') != std::string::npos) only_crlf = false;
    lines.push_back(line);
    pos = lf + 1;
  }
  return lines;
}

// The fifteen lines of the default chart's page; returns the picture's file name.
std::string ExpectDefaultPage(const std::string& page, const std::string& date_line,
                              const std::string& image_base, const std::string& day_prefix) {
  bool only_crlf = false;
  const auto lines = CrlfLines(page, only_crlf);
  EXPECT_TRUE(only_crlf) << page;
  const std::vector<std::string> fixed = {
      "CONTENT-TYPE: TEXT/HTML",
      "",
      "<HTML><HEAD>",
      "<TITLE>Test</TITLE>",
      "</HEAD><BODY>",
      "<HR>",
      "<h2 align=\"center\"><font size=\"4\" color=\"#FF0000\">Online Vesk Software services:&nbsp;</font></h2>",
      "<h2 align=\"center\"><font size=\"4\">Dynamics for Security</font></h2>",
      "<p align=\"center\"><b>Instrument:No Name 1<br>First Trade:<br>",
      date_line + "<br>",
      "<br>",
      "",  // picture line, checked below
      "<br>",
      "<HR>",
      "</BODY></HTML>",
  };
  EXPECT_EQ(lines.size(), fixed.size()) << page;
  if (lines.size() != fixed.size()) return {};
  for (size_t i = 0; i < fixed.size(); ++i) {
    if (i != 11) {
      EXPECT_EQ(lines[i], fixed[i]) << "line " << i + 1;
    }
  }
  std::smatch m;
  const std::regex picture("<p align=\"center\"><img border=\"0\" src=\"" + image_base +
                           "/Exe/Temp/(" + day_prefix + "_sc_stock_dyn_(0|[1-9][0-9]{0,3})\\.gif)\"></p>");
  EXPECT_TRUE(std::regex_match(lines[11], m, picture)) << lines[11];
  return m.size() > 1 ? m[1].str() : std::string();
}

TEST_F(ProgramRun, EveryQueryGetsTheWholePageAndTouchesNothingOutsideTemp) {
  const std::string long_name(2999 - std::string("D3_NATAL_DATA_TOWNS=").size(), 'N');
  const struct Case {
    const char* label;
    std::string query;
    bool unset;
  } cases[] = {
      {"zone and unknown security", "TRS_TZ=EST&D3_NATAL_DATA_TOWNS=Nobody", false},
      {"no QUERY_STRING", "", true},
      {"empty query", "", false},
      {"4000 characters", "TRS_TZ=EST&D3_NATAL_DATA_TOWNS=" + std::string(4000 - 31, 'A'), false},
      {"100000 characters", "D3_NATAL_DATA_TOWNS=" + std::string(100000, '%'), false},
      {"longest name the buffer holds", "D3_NATAL_DATA_TOWNS=" + long_name, false},
      {"parent directories", "D3_NATAL_DATA_TOWNS=../../../../tmp/evil&TRS_TZ=../Temp", false},
      {"encoded parent directories", "D3_NATAL_DATA_TOWNS=%2e%2e%2f%2E%2E%2FPictureName.ini", false},
      {"escaped NUL", "TRS_TZ=%00&D3_NATAL_DATA_TOWNS=%00", false},
      {"controls and markup", "D3_NATAL_DATA_TOWNS=\x01\x7f\xff\r\n<script>alert(1)</script>", false},
      {"only separators", "&&&&====&=&=", false},
      {"decoded escapes", "D3_NATAL_DATA_TOWNS=" + [] {
         std::string s;
         for (int i = 0; i < 450; ++i) s += "%28%2C%EA";
         return s;
       }(), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const auto before = Outside();
    const auto temp_before = InTemp();
    const ChildResult r = Serve(c.unset ? nullptr : c.query.c_str());
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(r.err, "");
    const std::string gif = ExpectDefaultPage(r.out, "3,7,2026   9.05", "", "3_7");
    EXPECT_EQ(Outside(), before);
    // Temp may gain the page's own picture and nothing else.
    for (const auto& name : InTemp()) {
      if (std::find(temp_before.begin(), temp_before.end(), name) == temp_before.end()) {
        EXPECT_EQ(name, gif);
      }
    }
  }
}

TEST_F(ProgramRun, DateAndTimeComeFromTheClock) {
  const struct Case {
    const char* now;
    const char* date_line;
    const char* day_prefix;
  } cases[] = {
      {"2026-12-08 10:30:15", "12,8,2026   10.30", "12_8"},
      {"2024-02-29 00:00:00", "2,29,2024   0.00", "2_29"},
      {"2027-01-01T23:59:59", "1,1,2027   23.60", "1_1"},  // 23.5959 rounded to two decimals
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.now);
    const ChildResult r = Serve("TRS_TZ=GMT", c.now);
    EXPECT_EQ(r.exit_status, 0);
    ExpectDefaultPage(r.out, c.date_line, "", c.day_prefix);
  }
}

TEST_F(ProgramRun, ImageBaseUrlFromTheInstallationSettings) {
  const std::string ini = (exe_dir_ / "srv_stock_dyn.ini").string();
  const struct Case {
    const char* label;
    const char* content;  // nullptr: no settings file
    const char* base;     // as a regex
  } cases[] = {
      {"no file", nullptr, ""},
      {"empty value", "[Site]\nImageBaseUrl=\n", ""},
      {"host", "[Site]\r\nImageBaseUrl=http://example.org\r\n", "http://example\\.org"},
      {"trailing slash, other case", "[SITE]\nimagebaseurl=http://example.org:8080/\n", "http://example\\.org:8080"},
      {"other section only", "[Other]\nImageBaseUrl=http://wrong\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove(ini);
    if (c.content) std::ofstream(ini, std::ios::binary) << c.content;
    const ChildResult r = Serve("TRS_TZ=EST");
    EXPECT_EQ(r.exit_status, 0);
    ExpectDefaultPage(r.out, "3,7,2026   9.05", c.base, "3_7");
  }
}

TEST(InstallTree, FormOffersTheZoneTableInItsOrder) {
  const fs::path www = fs::path(STOCKDYN_EXE_DIR).parent_path();
  std::ifstream in(www / "index.html", std::ios::binary);
  ASSERT_TRUE(in) << "index.html missing";
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string html = ss.str();
  EXPECT_NE(html.find("action=\"/Exe/srv_stock_dyn\""), std::string::npos);
  EXPECT_NE(html.find("method=\"get\""), std::string::npos);
  EXPECT_NE(html.find("name=\"D3_NATAL_DATA_TOWNS\""), std::string::npos);
  const size_t select = html.find("<select id=\"zone\" name=\"TRS_TZ\">");
  ASSERT_NE(select, std::string::npos);
  const std::string options = html.substr(select, html.find("</select>", select) - select);
  std::vector<std::string> zones;
  const std::regex option("<option value=\"([^\"]*)\"");
  for (auto it = std::sregex_iterator(options.begin(), options.end(), option); it != std::sregex_iterator(); ++it)
    zones.push_back((*it)[1]);
  std::vector<std::string> table;
  for (const ZoneRow& row : ZoneTable) table.push_back(row.abbreviation);
  EXPECT_EQ(zones, table);

  EXPECT_TRUE(fs::is_directory(fs::path(STOCKDYN_EXE_DIR) / "Temp"));
  EXPECT_TRUE(fs::exists(fs::path(STOCKDYN_EXE_DIR) / "srv_stock_dyn.ini"));
}

TEST_F(ProgramRun, PictureNameMemoryIsWrittenAtExitAndKeepsItsLine) {
  const fs::path memory = exe_dir_ / "PictureName.ini";
  auto first_line = [&] {
    std::ifstream in(memory);
    std::string line;
    std::getline(in, line);
    return line;
  };
  ASSERT_FALSE(fs::exists(memory));
  ASSERT_EQ(Serve("TRS_TZ=EST").exit_status, 0);
  EXPECT_EQ(first_line(), "Picture.bmp");  // the default when there was no file

  std::ofstream(memory) << "Last.gif\r\nsecond line\r\n";
  ASSERT_EQ(Serve("TRS_TZ=EST").exit_status, 0);
  EXPECT_EQ(first_line(), "Last.gif");     // read at start, written back whole at exit
  std::ifstream in(memory);
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(all.find("second line"), std::string::npos);
}

// The page of IBM Corp came whole, nothing partial is left in Temp, and one line on stderr
// says why the picture is missing.
void ExpectPageWithoutPicture(const ChildResult& r) {
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.exit_status, 0);
  bool only_crlf = false;
  const auto lines = CrlfLines(r.out, only_crlf);
  EXPECT_TRUE(only_crlf);
  ASSERT_EQ(lines.size(), 15u) << r.out;
  EXPECT_EQ(lines[8].rfind("<p align=\"center\"><b>Instrument:IBM Corp", 0), 0u) << lines[8];
  EXPECT_NE(r.err.find("cannot write picture"), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

// The picture cannot be written: the page still comes whole, nothing partial is left in Temp,
// and one line on stderr says why.
TEST_F(ProgramRun, PageComesWhenThePictureCannotBeWritten) {
  struct Case {
    const char* what;
    std::function<void()> breakit;
    const char* shell_prefix;  // run through /bin/sh with this prefix, or directly
  };
  const std::vector<Case> cases = {
      {"Temp missing", [&] { fs::remove_all(exe_dir_ / "Temp"); }, nullptr},
      {"Temp is a file", [&] { fs::remove_all(exe_dir_ / "Temp"); std::ofstream(exe_dir_ / "Temp") << "x"; }, nullptr},
      {"file size limit hit while writing", [] {}, "ulimit -f 2; exec \"$0\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    c.breakit();
    std::vector<std::string> argv = {program_};
    if (c.shell_prefix) argv = {"/bin/sh", "-c", c.shell_prefix, program_};
    const ChildResult r = RunChild(argv,
                                   {"PATH=/usr/bin:/bin", "QUERY_STRING=TRS_TZ=EST&D3_NATAL_DATA_TOWNS=IBM+Corp",
                                    "STOCKDYN_TEST_NOW=2026-03-07 09:05:30"},
                                   kRunBound);
    ExpectPageWithoutPicture(r);
    if (fs::is_directory(exe_dir_ / "Temp")) EXPECT_TRUE(InTemp().empty());
  }
}

// Temp that the server's user may not write to. Root writes anyway, so a run as root drops to
// an unprivileged user for the child; the program directory is that user's, as an
// installation's is the server's, and only Temp is closed to it.
TEST_F(ProgramRun, PageComesWhenTempIsReadOnly) {
  std::vector<std::string> argv = {program_};
  if (::geteuid() == 0) {
    const passwd* pw = ::getpwnam("nobody");
    if (pw == nullptr || pw->pw_uid == 0 || !fs::exists("/usr/bin/setpriv"))
      GTEST_SKIP() << "running as root without an unprivileged user to drop to";
    fs::permissions(root_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
    for (const auto& e : fs::recursive_directory_iterator(exe_dir_))
      ASSERT_EQ(::chown(e.path().c_str(), pw->pw_uid, pw->pw_gid), 0) << e.path();
    ASSERT_EQ(::chown(exe_dir_.c_str(), pw->pw_uid, pw->pw_gid), 0);
    argv = {"/usr/bin/setpriv", "--reuid=" + std::to_string(pw->pw_uid),
            "--regid=" + std::to_string(pw->pw_gid), "--clear-groups", "--", program_};
  }
  fs::permissions(exe_dir_ / "Temp", fs::perms::owner_read | fs::perms::owner_exec |
                                         fs::perms::group_read | fs::perms::group_exec |
                                         fs::perms::others_read | fs::perms::others_exec);
  const ChildResult r = RunChild(argv,
                                 {"PATH=/usr/bin:/bin", "QUERY_STRING=TRS_TZ=EST&D3_NATAL_DATA_TOWNS=IBM+Corp",
                                  "STOCKDYN_TEST_NOW=2026-03-07 09:05:30"},
                                 kRunBound);
  ExpectPageWithoutPicture(r);
  EXPECT_TRUE(InTemp().empty());
  fs::permissions(exe_dir_ / "Temp", fs::perms::owner_all);
}

}  // namespace
}  // namespace sd
