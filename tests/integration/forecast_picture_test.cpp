// Two requests never share a picture: the CGI claims its picture's name without replacing a
// file that is already there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>

#include "child_process.h"

namespace sd {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

TEST(PictureName, ATakenNameIsLeftAloneAndTheRequestDrawsAnother) {
  std::string tmpl = (fs::temp_directory_path() / "picture_claim_XXXXXX").string();
  ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
  const fs::path root = tmpl, exe = root / "Exe", temp = exe / "Temp";
  fs::create_directories(temp);
  for (const auto& e : fs::directory_iterator(STOCKDYN_EXE_DIR))
    if (e.is_regular_file() && e.path().filename() != "PictureName.ini")
      fs::copy_file(e.path(), exe / e.path().filename());

  // Every even number of the day is taken by another request's picture: a run that wrote
  // without looking would replace one of them about every second time.
  for (int n = 0; n < 9000; n += 2)
    std::ofstream(temp / ("3_7_sc_stock_dyn_" + std::to_string(n) + ".gif")) << "taken " << n;

  for (int run = 0; run < 3; ++run) {
    const sd::testing::ChildResult r = sd::testing::RunChild(
        {(exe / "srv_stock_dyn").string()},
        {"PATH=/usr/bin:/bin", "QUERY_STRING=TRS_TZ=EST&D3_NATAL_DATA_TOWNS=IBM+Corp",
         "STOCKDYN_TEST_NOW=2026-03-07 09:05:30"},
        120.0);
    ASSERT_EQ(r.exit_status, 0) << r.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m, std::regex(R"(/Exe/Temp/(3_7_sc_stock_dyn_(\d+)\.gif))")))
        << r.out;
    EXPECT_EQ(std::stoi(m[2]) % 2, 1) << m[1];
    EXPECT_EQ(Contents(temp / m[1].str()).substr(0, 4), "GIF8") << m[1];
  }
  int taken = 0, pictures = 0;
  for (const auto& e : fs::directory_iterator(temp)) {
    const std::string name = e.path().filename().string();
    if (name == ".sweep.lock") continue;  // the sweep's own lock file
    const std::string body = Contents(e.path());
    if (body.rfind("taken ", 0) == 0) {
      EXPECT_EQ("3_7_sc_stock_dyn_" + body.substr(6) + ".gif", name);
      ++taken;
    } else {
      EXPECT_EQ(body.substr(0, 4), "GIF8") << name;  // no temporary file is left behind
      ++pictures;
    }
  }
  EXPECT_EQ(taken, 4500);
  EXPECT_EQ(pictures, 3);
  fs::remove_all(root);
}

// Every name of the day is taken (the audit's busy day, in a few seconds): the page must still
// link a picture this request wrote, under an extended name, never one of the others.
TEST(PictureName, WhenEveryNameOfTheDayIsTakenTheNameIsExtended) {
  std::string tmpl = (fs::temp_directory_path() / "picture_full_XXXXXX").string();
  ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
  const fs::path root = tmpl, exe = root / "Exe", temp = exe / "Temp";
  fs::create_directories(temp);
  for (const auto& e : fs::directory_iterator(STOCKDYN_EXE_DIR))
    if (e.is_regular_file() && e.path().filename() != "PictureName.ini")
      fs::copy_file(e.path(), exe / e.path().filename());
  for (int n = 0; n < 9000; ++n)
    std::ofstream(temp / ("3_7_sc_stock_dyn_" + std::to_string(n) + ".gif")) << "taken " << n;

  std::set<std::string> linked;
  for (const char* security : {"IBM+Corp", "Apple+Inc", "IBM+Corp"}) {
    const sd::testing::ChildResult r = sd::testing::RunChild(
        {(exe / "srv_stock_dyn").string()},
        {"PATH=/usr/bin:/bin", std::string("QUERY_STRING=TRS_TZ=EST&D3_NATAL_DATA_TOWNS=") + security,
         "STOCKDYN_TEST_NOW=2026-03-07 09:05:30"},
        120.0);
    ASSERT_EQ(r.exit_status, 0) << r.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(
        r.out, m, std::regex(R"(/Exe/Temp/(3_7_sc_stock_dyn_(\d+)_([1-9]\d*)_([1-9]\d*)\.gif)\")")))
        << r.out;
    EXPECT_EQ(Contents(temp / m[1].str()).substr(0, 4), "GIF8") << m[1];
    EXPECT_TRUE(linked.insert(m[1].str()).second) << "linked twice: " << m[1];
  }
  // The taken pictures are all still there, untouched.
  for (int n = 0; n < 9000; n += 997) {
    EXPECT_EQ(Contents(temp / ("3_7_sc_stock_dyn_" + std::to_string(n) + ".gif")), "taken " + std::to_string(n));
  }
  fs::remove_all(root);
}

}  // namespace
}  // namespace sd
