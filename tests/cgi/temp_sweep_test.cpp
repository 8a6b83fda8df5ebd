#include "cgi/temp_sweep.h"
#include "../support/scratch_dir.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace sd::cgi {
namespace {

namespace fs = std::filesystem;

TEST(PictureNames, OnlyTheNamesTheProgramMakes) {
  struct Case {
    const char* name;
    bool picture;
  };
  const Case cases[] = {
      {"12_8_sc_stock_dyn_4711.gif", true},
      {"1_1_sc_stock_dyn_0.gif", true},
      {"12_31_sc_stock_dyn_8999.gif", true},
      {"3_7_sc_stock_dyn_17_4242_1.gif", true},
      {"3_7_sc_stock_dyn_17_4242_12.gif", true},
      {".picture_4242.gif", true},
      {"12_8_sc_stock_dyn_9000.gif", false},   // numbers end at 8999
      {"13_8_sc_stock_dyn_1.gif", false},
      {"0_8_sc_stock_dyn_1.gif", false},
      {"12_32_sc_stock_dyn_1.gif", false},
      {"12_08_sc_stock_dyn_1.gif", false},     // no leading zeros
      {"12_8_sc_stock_dyn_01.gif", false},
      {"12_8_sc_stock_dyn_1.GIF", false},
      {"12_8_sc_stock_dyn_1.gif.bak", false},
      {"12_8_sc_stock_dyn_.gif", false},
      {"12_8_sc_stock_dyn_1_2.gif", false},
      {"12_8_sc_stock_dyn_1_0_1.gif", false},
      {"12_8_other_1.gif", false},
      {"leak.gif", false},
      {".sweep.lock", false},
      {".picture_.gif", false},
      {"index.html", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsPictureName(c.name), c.picture) << c.name;
}

class Sweep : public ::testing::Test {
 protected:
  testing_support::ScratchDir scratch_;
  const fs::path dir_{scratch_.path()};
  std::time_t now_ = std::time(nullptr);

  // A file whose modification time is `minutes_ago` before now_.
  void Make(const std::string& name, double minutes_ago) {
    std::ofstream(dir_ / name) << "GIF89a";
    Age(name, minutes_ago);
  }
  void Age(const std::string& name, double minutes_ago) {
    const auto when = static_cast<std::time_t>(now_ - minutes_ago * 60);
    const timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (dir_ / name).c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << name;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

};

TEST_F(Sweep, RemovesOnlyOldPicturesOfItsOwnNames) {
  Make("3_7_sc_stock_dyn_1.gif", 61);               // old: goes
  Make("3_6_sc_stock_dyn_8999.gif", 24 * 60);       // old: goes
  Make("3_7_sc_stock_dyn_2_4242_1.gif", 120);        // old, extended: goes
  Make(".picture_4242.gif", 120);                    // a killed run's temporary file: goes
  Make("3_7_sc_stock_dyn_3.gif", 59);               // younger than the lifetime: stays
  Make("3_7_sc_stock_dyn_4.gif", 0);                // just written: stays
  Make("notes.txt", 24 * 60);                        // not a picture name: stays
  Make("3_7_sc_stock_dyn_9000.gif", 24 * 60);        // not a name the program makes: stays
  Make("leak.gif", 24 * 60);
  fs::create_directory(dir_ / "3_7_sc_stock_dyn_5.gif");  // not a regular file: stays
  Age("3_7_sc_stock_dyn_5.gif", 24 * 60);
  fs::create_symlink("../Nyse.mil", dir_ / "3_7_sc_stock_dyn_6.gif");
  Age("3_7_sc_stock_dyn_6.gif", 24 * 60);

  const SweepResult r = SweepOldPictures(dir_.string() + "/", 60, now_);
  EXPECT_TRUE(r.swept);
  EXPECT_EQ(r.removed, 4);
  EXPECT_EQ(Names(), (std::vector<std::string>{".sweep.lock", "3_7_sc_stock_dyn_3.gif", "3_7_sc_stock_dyn_4.gif",
                                               "3_7_sc_stock_dyn_5.gif", "3_7_sc_stock_dyn_6.gif",
                                               "3_7_sc_stock_dyn_9000.gif", "leak.gif", "notes.txt"}));
}

TEST_F(Sweep, AtMostOnceAMinuteAndOneAtATime) {
  Make("3_7_sc_stock_dyn_1.gif", 90);
  ASSERT_TRUE(SweepOldPictures(dir_.string(), 60, now_).swept);

  // Within the minute nothing is looked at, even a picture that has grown old meanwhile.
  Make("3_7_sc_stock_dyn_2.gif", 90);
  EXPECT_FALSE(SweepOldPictures(dir_.string(), 60, now_ + 59).swept);
  EXPECT_TRUE(fs::exists(dir_ / "3_7_sc_stock_dyn_2.gif"));

  // Another request holds the lock: this one does not wait and does not sweep.
  const int held = open((dir_ / kSweepLockFile).c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  EXPECT_FALSE(SweepOldPictures(dir_.string(), 60, now_ + 120).swept);
  EXPECT_TRUE(fs::exists(dir_ / "3_7_sc_stock_dyn_2.gif"));
  close(held);

  const SweepResult later = SweepOldPictures(dir_.string(), 60, now_ + 120);
  EXPECT_TRUE(later.swept);
  EXPECT_EQ(later.removed, 1);
  EXPECT_FALSE(fs::exists(dir_ / "3_7_sc_stock_dyn_2.gif"));
}

TEST_F(Sweep, LifetimeZeroKeepsEverythingAndUnusableDirectoriesAreLeftAlone) {
  Make("3_7_sc_stock_dyn_1.gif", 10 * 24 * 60);
  EXPECT_FALSE(SweepOldPictures(dir_.string(), 0, now_).swept);
  EXPECT_EQ(Names(), std::vector<std::string>{"3_7_sc_stock_dyn_1.gif"});  // not even a lock file

  // A link planted as the lock file is not followed (nor written through).
  fs::create_symlink("target", dir_ / kSweepLockFile);
  EXPECT_FALSE(SweepOldPictures(dir_.string(), 60, now_).swept);
  EXPECT_FALSE(fs::exists(dir_ / "target"));
  EXPECT_TRUE(fs::exists(dir_ / "3_7_sc_stock_dyn_1.gif"));

  EXPECT_FALSE(SweepOldPictures((dir_ / "missing").string(), 60, now_).swept);
}

}  // namespace
}  // namespace sd::cgi
