// Two requests never share a picture: the CGI claims its picture's name without replacing a
// file that is already there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "child_process.h"
#include "program_copy.h"
#include "text_scan.h"

namespace sd {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// A private copy of the installed program directory.
class PictureName : public sd::testing::ProgramCopy {};

TEST_F(PictureName, ATakenNameIsLeftAloneAndTheRequestDrawsAnother) {
  const fs::path temp = exe_dir_ / "Temp";

  // Every even number of the day is taken by another request's picture: a run that wrote
  // without looking would replace one of them about every second time.
  for (int n = 0; n < 9000; n += 2)
    std::ofstream(temp / ("3_7_sc_stock_dyn_" + std::to_string(n) + ".gif")) << "taken " << n;

  for (int run = 0; run < 3; ++run) {
    const sd::testing::ChildResult r = sd::testing::RunChild(
        {program_},
        {"PATH=/usr/bin:/bin", "QUERY_STRING=TRS_TZ=EST&D3_NATAL_DATA_TOWNS=IBM+Corp",
         "STOCKDYN_TEST_NOW=2026-03-07 09:05:30"},
        120.0);
    ASSERT_EQ(r.exit_status, 0) << r.err;
    const std::string path = sd::testing::FirstSpan(r.out, "/Exe/Temp/3_7_sc_stock_dyn_", ".gif");
    const auto number = sd::testing::NumberBetween(path, "/Exe/Temp/3_7_sc_stock_dyn_", ".gif");
    ASSERT_TRUE(number) << r.out;
    const std::string name = path.substr(std::string("/Exe/Temp/").size());
    EXPECT_EQ(std::stoi(*number) % 2, 1) << name;
    EXPECT_EQ(Contents(temp / name).substr(0, 4), "GIF8") << name;
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
}

// Every name of the day is taken (the audit's busy day, in a few seconds): the page must still
// link a picture this request wrote, under an extended name, never one of the others.
TEST_F(PictureName, WhenEveryNameOfTheDayIsTakenTheNameIsExtended) {
  const fs::path temp = exe_dir_ / "Temp";
  for (int n = 0; n < 9000; ++n)
    std::ofstream(temp / ("3_7_sc_stock_dyn_" + std::to_string(n) + ".gif")) << "taken " << n;

  std::set<std::string> linked;
  for (const char* security : {"IBM+Corp", "Apple+Inc", "IBM+Corp"}) {
    const sd::testing::ChildResult r = sd::testing::RunChild(
        {program_},
        {"PATH=/usr/bin:/bin", std::string("QUERY_STRING=TRS_TZ=EST&D3_NATAL_DATA_TOWNS=") + security,
         "STOCKDYN_TEST_NOW=2026-03-07 09:05:30"},
        120.0);
    ASSERT_EQ(r.exit_status, 0) << r.err;
    // 3_7_sc_stock_dyn_N_P_C.gif: the drawn number, then process id and counter (not 0).
    const std::string head = "/Exe/Temp/3_7_sc_stock_dyn_";
    const std::string path = sd::testing::FirstSpan(r.out, head, ".gif\"");
    ASSERT_FALSE(path.empty()) << r.out;
    const std::string parts = path.substr(head.size(), path.size() - head.size() - 5);
    const size_t a = parts.find('_'), b = parts.find('_', a + 1);
    ASSERT_NE(b, std::string::npos) << path;
    EXPECT_TRUE(sd::testing::NumberBetween(parts.substr(0, a), "", "")) << path;
    for (const std::string& n : {parts.substr(a + 1, b - a - 1), parts.substr(b + 1)}) {
      EXPECT_TRUE(sd::testing::NumberBetween(n, "", "")) << path;
      EXPECT_NE(n, "0") << path;
    }
    const std::string name = path.substr(std::string("/Exe/Temp/").size(), path.size() - 11);
    EXPECT_EQ(Contents(temp / name).substr(0, 4), "GIF8") << name;
    EXPECT_TRUE(linked.insert(name).second) << "linked twice: " << name;
  }
  // The taken pictures are all still there, untouched.
  for (int n = 0; n < 9000; n += 997) {
    EXPECT_EQ(Contents(temp / ("3_7_sc_stock_dyn_" + std::to_string(n) + ".gif")), "taken " + std::to_string(n));
  }
}

}  // namespace
}  // namespace sd
