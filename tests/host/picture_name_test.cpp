#include "host/picture_name.h"
#include "../support/scratch_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace sd::host {
namespace {

namespace fs = std::filesystem;

class PictureName : public ::testing::Test {
 protected:
  testing_support::ScratchDir scratch_;
  const std::string dir_ = scratch_.path();
  std::vector<std::string> Entries() const { return scratch_.Names(); }
  static std::string ReadAll(const std::string& path) { return testing_support::ScratchDir::ReadAll(path); }
};

TEST_F(PictureName, MissingFileGivesTheDefaultAndIsWrittenAtTheEnd) {
  PictureNameMemory memory;
  memory.Load(dir_);
  EXPECT_EQ(memory.Name(), "Picture.bmp");
  ASSERT_TRUE(memory.Save(dir_));
  EXPECT_EQ(ReadAll(dir_ + "/PictureName.ini"), "Picture.bmp\n");
  EXPECT_EQ(Entries(), std::vector<std::string>{"PictureName.ini"});
}

TEST_F(PictureName, ReadsTheFirstLineOnlyAndRewritesOnlyAChangedValue) {
  struct Case {
    std::string content, name;
  };
  const Case cases[] = {
      {"12_8_sc_stock_dyn_4711.gif\r\nsecond line\r\n", "12_8_sc_stock_dyn_4711.gif"},
      {"last.gif", "last.gif"},
      {"\nlater\n", ""},
      {"caf\xE9 \xC0\xC1.bmp\n", "caf\xE9 \xC0\xC1.bmp"},  // 8-bit names are kept as they are
  };
  for (const Case& c : cases) {
    { std::ofstream(dir_ + "/PictureName.ini", std::ios::binary) << c.content; }
    PictureNameMemory memory;
    memory.Load(dir_ + "/");
    EXPECT_EQ(memory.Name(), c.name);
    // The value has not changed: the file is left exactly as it was.
    ASSERT_TRUE(memory.Save(dir_));
    EXPECT_EQ(ReadAll(dir_ + "/PictureName.ini"), c.content);
  }
}

// Whatever stands in the file's place, loading neither blocks, nor reads without bound, nor
// throws; what is not a regular file is never replaced; what is written is 0644 under any umask.
TEST_F(PictureName, HostileFilesAreReadBoundedAndNeverBlock) {
  const std::string path = dir_ + "/PictureName.ini";
  struct Case {
    const char* what;
    std::function<void()> make;
    bool replaced;  // a save puts the default name there
  };
  const Case cases[] = {
      {"FIFO", [&] { ASSERT_EQ(mkfifo(path.c_str(), 0644), 0); }, false},
      {"link to /dev/zero", [&] { fs::create_symlink("/dev/zero", path); }, false},
      {"directory", [&] { fs::create_directory(path); }, false},
      {"first line of 300 MB (sparse)", [&] {
         std::ofstream(path) << "x";
         fs::resize_file(path, 300u << 20);
       }, true},
      {"first line one byte too long", [&] {
         std::ofstream(path) << std::string(PictureNameMemory::kMaxBytes, 'n') << "\n";
       }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(path);
    c.make();
    PictureNameMemory memory;
    memory.Load(dir_);
    EXPECT_EQ(memory.Name(), "Picture.bmp");
    ::testing::internal::CaptureStderr();
    const mode_t old_mask = umask(0);
    const bool saved = memory.Save(dir_);
    umask(old_mask);
    const std::string err = ::testing::internal::GetCapturedStderr();
    struct stat st {};
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    if (c.replaced) {
      EXPECT_TRUE(saved);
      EXPECT_EQ(ReadAll(path), "Picture.bmp\n");
      EXPECT_EQ(st.st_mode & 07777, 0644u);
    } else {
      EXPECT_FALSE(saved);
      EXPECT_FALSE(S_ISREG(st.st_mode));
      EXPECT_NE(err.find("not a regular file"), std::string::npos) << err;
    }
  }
  fs::remove_all(path);
}

TEST_F(PictureName, NewFileIs0644UnderAnyUmask) {
  for (mode_t mask : {mode_t{0}, mode_t{022}, mode_t{077}}) {
    fs::remove_all(dir_ + "/PictureName.ini");
    PictureNameMemory memory;
    memory.Load(dir_);
    const mode_t old_mask = umask(mask);
    ASSERT_TRUE(memory.Save(dir_));
    umask(old_mask);
    struct stat st {};
    ASSERT_EQ(stat((dir_ + "/PictureName.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u) << "umask " << mask;
  }
}

TEST_F(PictureName, UnwritableDirectoryKeepsThePreviousFile) {
  // A first line too long to be a name: the default is to be written in its place.
  const std::string old = std::string(PictureNameMemory::kMaxBytes, 'n') + "\n";
  { std::ofstream(dir_ + "/PictureName.ini") << old; }
  PictureNameMemory memory;
  memory.Load(dir_);
  ASSERT_EQ(memory.Name(), "Picture.bmp");
  EXPECT_FALSE(memory.Save(dir_ + "/missing"));
  if (geteuid() != 0) {  // permissions do not stop root
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(memory.Save(dir_));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("PictureName.ini"), std::string::npos);
    fs::permissions(dir_, fs::perms::owner_all);
  }
  EXPECT_EQ(ReadAll(dir_ + "/PictureName.ini"), old);
  EXPECT_EQ(Entries(), std::vector<std::string>{"PictureName.ini"});
}

}  // namespace
}  // namespace sd::host
