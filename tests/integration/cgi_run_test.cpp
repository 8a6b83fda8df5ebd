// The installed CGI program, run as a web server runs it: a fresh environment per request,
// the page on standard output.
#include <gtest/gtest.h>
#include <pwd.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "data/zone_table.h"
#include "child_process.h"
#include "text_scan.h"
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
  // The files in Temp, except the lock file of the picture sweep.
  std::vector<std::string> InTemp() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(exe_dir_ / "Temp"))
      if (e.path().filename() != ".sweep.lock") names.push_back(e.path().filename().string());
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
  const std::string head = "<p align=\"center\"><img border=\"0\" src=\"" + std::string(image_base) +
                           "/Exe/Temp/" + day_prefix + "_sc_stock_dyn_";
  const auto number = sd::testing::NumberBetween(lines[11], head, ".gif\"></p>", 4);
  EXPECT_TRUE(number) << lines[11];
  return number ? std::string(day_prefix) + "_sc_stock_dyn_" + *number + ".gif" : std::string();
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
    const char* base;
  } cases[] = {
      {"no file", nullptr, ""},
      {"empty value", "[Site]\nImageBaseUrl=\n", ""},
      {"host", "[Site]\r\nImageBaseUrl=http://example.org\r\n", "http://example.org"},
      {"trailing slash, other case", "[SITE]\nimagebaseurl=http://example.org:8080/\n", "http://example.org:8080"},
      {"other section only", "[Other]\nImageBaseUrl=http://wrong\n", ""},
      {"markup, escaped on the page", "[Site]\nImageBaseUrl=http://h/\"><b a='1'>\n",
       "http://h/&quot;&gt;&lt;b a=&#39;1&#39;&gt;"},
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
  const std::vector<std::string> zones = sd::testing::QuotedValuesAfter(options, "<option value=\"");
  std::vector<std::string> table;
  for (const data::ZoneRow& row : data::ZoneTable) table.push_back(row.abbreviation);
  EXPECT_EQ(zones, table);

  EXPECT_TRUE(fs::is_directory(fs::path(STOCKDYN_EXE_DIR) / "Temp"));
  EXPECT_TRUE(fs::exists(fs::path(STOCKDYN_EXE_DIR) / "srv_stock_dyn.ini"));
}

TEST_F(ProgramRun, PictureNameMemoryIsWrittenOnceAndLeftAloneWhileUnchanged) {
  const fs::path memory = exe_dir_ / "PictureName.ini";
  auto all = [&] {
    std::ifstream in(memory, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  };
  ASSERT_FALSE(fs::exists(memory));
  ASSERT_EQ(Serve("TRS_TZ=EST").exit_status, 0);
  EXPECT_EQ(all(), "Picture.bmp\n");  // the default when there was no file
  struct stat st {};
  ASSERT_EQ(stat(memory.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);

  // The value read is the value kept: the file is not rewritten, so the program directory
  // need not be writable by the server once the file is there.
  std::ofstream(memory, std::ios::binary) << "Last.gif\r\nsecond line\r\n";
  const auto inode_before = fs::status(memory).permissions();
  struct stat before {};
  ASSERT_EQ(stat(memory.c_str(), &before), 0);
  ASSERT_EQ(Serve("TRS_TZ=EST").exit_status, 0);
  EXPECT_EQ(all(), "Last.gif\r\nsecond line\r\n");
  struct stat after {};
  ASSERT_EQ(stat(memory.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(fs::status(memory).permissions(), inode_before);

  // A FIFO in its place neither hangs the request nor is replaced.
  fs::remove(memory);
  ASSERT_EQ(mkfifo(memory.c_str(), 0644), 0);
  const ChildResult r = Serve("TRS_TZ=EST");
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.exit_status, 0);
  ExpectDefaultPage(r.out, "3,7,2026   9.05", "", "3_7");
  EXPECT_TRUE(fs::is_fifo(memory));
}

// Old pictures are swept by the requests: only the program's own names, only when older than
// the installation's lifetime; a lifetime of 0 keeps everything.
TEST_F(ProgramRun, OldPicturesAreSweptByLaterRequests) {
  // Each case has a fresh copy: the paths are taken anew from exe_dir_.
  auto make = [&](const std::string& name, int minutes_ago) {
    const fs::path path = exe_dir_ / "Temp" / name;
    std::ofstream(path) << "GIF89a";
    const std::time_t when = std::time(nullptr) - minutes_ago * 60;
    const timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  };
  struct Case {
    const char* settings;  // nullptr: no settings file (the default lifetime, 60 minutes)
    std::vector<std::string> kept;
  };
  const Case cases[] = {
      {nullptr, {"3_6_sc_stock_dyn_3.gif", "notes.gif"}},
      {"[Site]\nPictureLifetimeMinutes=10\n", {"notes.gif"}},
      {"[Site]\nPictureLifetimeMinutes=0\n",
       {"3_6_sc_stock_dyn_1.gif", "3_6_sc_stock_dyn_2_77_1.gif", "3_6_sc_stock_dyn_3.gif", "notes.gif"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings ? c.settings : "no settings");
    TearDown();
    SetUp();
    const fs::path ini = exe_dir_ / "srv_stock_dyn.ini";
    fs::remove(ini);
    if (c.settings) std::ofstream(ini) << c.settings;
    make("3_6_sc_stock_dyn_1.gif", 61);
    make("3_6_sc_stock_dyn_2_77_1.gif", 24 * 60);
    make("3_6_sc_stock_dyn_3.gif", 30);
    make("notes.gif", 24 * 60);
    const ChildResult r = Serve("TRS_TZ=EST");
    ASSERT_EQ(r.exit_status, 0) << r.err;
    const std::string own = ExpectDefaultPage(r.out, "3,7,2026   9.05", "", "3_7");
    std::vector<std::string> expected = c.kept;
    expected.push_back(own);
    std::vector<std::string> names = InTemp();
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
  }
}

// Short of memory at any point of the run: the run either serves the whole page (with its own
// picture, or without a picture line when none could be written) or fails with a line on
// stderr and exit 1, writing nothing to stdout and leaving no picture and no core file.
TEST_F(ProgramRun, ShortOfMemoryAnywhereFailsCleanly) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than these limits allow";
#else
  int served = 0, failed = 0;
  for (int kb = 2000; kb <= 40000; kb += 600) {
    SCOPED_TRACE("ulimit -v " + std::to_string(kb));
    TearDown();
    SetUp();
    const std::string limit = "ulimit -v " + std::to_string(kb) + "; exec \"$0\"";
    const ChildResult r = RunChild({"/bin/sh", "-c", limit, program_},
                                   {"PATH=/usr/bin:/bin", "QUERY_STRING=TRS_TZ=EST&D3_NATAL_DATA_TOWNS=IBM+Corp",
                                    "STOCKDYN_TEST_NOW=2026-03-07 09:05:30"},
                                   kRunBound);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.signal, 0) << r.err;
    for (const auto& e : fs::directory_iterator(exe_dir_)) {
      EXPECT_EQ(e.path().filename().string().rfind("core", 0), std::string::npos) << e.path();
    }
    const std::vector<std::string> temp = InTemp();
    if (r.exit_status == 0) {
      ++served;
      bool only_crlf = false;
      const auto lines = CrlfLines(r.out, only_crlf);
      ASSERT_FALSE(lines.empty()) << r.err;
      EXPECT_EQ(lines.back(), "</BODY></HTML>");
      const std::vector<std::string> linked = sd::testing::QuotedValuesAfter(r.out, "/Exe/Temp/");
      if (!linked.empty()) {
        EXPECT_EQ(temp, std::vector<std::string>{linked[0]});
      } else {
        EXPECT_TRUE(temp.empty());
      }
      continue;
    }
    // The loader itself may find no room before the program runs: nothing of ours ran then.
    if (r.exit_status == 127 && r.err.find("error while loading shared libraries") != std::string::npos) continue;
    ++failed;
    EXPECT_EQ(r.exit_status, 1) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(r.err.empty());
    EXPECT_TRUE(temp.empty()) << temp.front();
  }
  // The range spans both outcomes: too little memory to run, and enough to serve.
  EXPECT_GT(served, 0);
  EXPECT_GT(failed, 0);
#endif
}

// A data file that is far too large, not a regular file, or a directory stops the run with one
// line on stderr naming it: no page, exit 1, no picture left in Temp, no core file.
TEST_F(ProgramRun, HostileDataFilesStopTheRunAndLeaveNothing) {
  struct Case {
    const char* file;
    const char* what;  // "sparse", "fifo" or "directory"
    const char* reason;
  };
  const Case cases[] = {
      {"stock.hyp", "sparse", "larger than 16 MiB"},
      {"stock.hyp", "fifo", "not a regular file"},
      {"srv_stock_dyn.ini", "sparse", "larger than 1 MiB"},
      {"srv_stock_dyn.ini", "directory", "not a regular file"},
      {"srv_stock_dyn.ini", "fifo", "not a regular file"},
      {"towns.nd", "sparse", "larger than 64 MiB"},
      {"towns.ndx", "sparse", "larger than 64 MiB"},
      {"towns.ndx", "fifo", "not a regular file"},
      {"Nyse.mil", "sparse", "larger than 64 MiB"},
      {"Nyse.mil", "fifo", "not a regular file"},
      {"Metrics.dat", "fifo", "not a regular file"},  // once hung every request
      {"Metrics.dat", "sparse", "larger than 256 MiB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.what);
    TearDown();
    SetUp();
    const fs::path path = exe_dir_ / c.file;
    const std::string what = c.what;
    if (what == "sparse") {
      std::ofstream(path, std::ios::app) << "";
      fs::resize_file(path, 300u << 20);  // a hole: nothing is written to the disk
    } else {
      fs::remove(path);
      if (what == "fifo") {
        ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
      } else {
        fs::create_directory(path);
      }
    }
    const ChildResult r = Serve("TRS_TZ=EST&D3_NATAL_DATA_TOWNS=IBM+Corp");
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find(c.file), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    EXPECT_TRUE(InTemp().empty());
    for (const auto& e : fs::directory_iterator(exe_dir_)) {
      EXPECT_EQ(e.path().filename().string().rfind("core", 0), std::string::npos) << e.path();
    }
  }
}

// The page of IBM Corp came whole, nothing partial is left in Temp, and one line on stderr
// says why the picture is missing.
void ExpectPageWithoutPicture(const ChildResult& r) {
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.exit_status, 0);
  bool only_crlf = false;
  const auto lines = CrlfLines(r.out, only_crlf);
  EXPECT_TRUE(only_crlf);
  // The page links no picture at all rather than a name this request did not write.
  ASSERT_EQ(lines.size(), 14u) << r.out;
  EXPECT_EQ(lines[8].rfind("<p align=\"center\"><b>Instrument:IBM Corp", 0), 0u) << lines[8];
  EXPECT_EQ(r.out.find("<img"), std::string::npos) << r.out;
  EXPECT_EQ(lines[11], "<br>");
  EXPECT_EQ(lines.back(), "</BODY></HTML>");
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
    if (fs::is_directory(exe_dir_ / "Temp")) {
      EXPECT_TRUE(InTemp().empty());
    }
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
