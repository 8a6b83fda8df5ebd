#include "host/picture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <filesystem>
#include <fstream>
#include <string>

#include "astro/chart.h"
#include "render/canvas.h"

namespace sd::host {
namespace {

class PublishPicture : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::path(::testing::TempDir()) /
           ("publish_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  int FileCount() const {
    int n = 0;
    for (auto& e : std::filesystem::directory_iterator(dir_)) n += e.is_regular_file();
    return n;
  }
  std::filesystem::path dir_;
};

std::string FirstBytes(const std::string& path, size_t n) {
  std::ifstream f(path, std::ios::binary);
  std::string s(n, '\0');
  f.read(s.data(), static_cast<std::streamsize>(n));
  s.resize(static_cast<size_t>(f.gcount()));
  return s;
}

TEST_F(PublishPicture, ATakenNameIsNeverReplaced) {
  render::Canvas raster(8, 4);
  raster.FillRect({0, 0, 7, 3}, render::kWhite);
  {
    std::ofstream other(Path("3_20_sc_stock_dyn_7.gif"));
    other << "another request's picture";
  }
  int drawn = 0;
  const std::string got = PublishPictureExclusive(raster, Path("3_20_sc_stock_dyn_7.gif"), [&] {
    ++drawn;
    return Path(drawn == 1 ? "3_20_sc_stock_dyn_7.gif" : "3_20_sc_stock_dyn_8.gif");
  });
  EXPECT_EQ(got, Path("3_20_sc_stock_dyn_8.gif"));
  EXPECT_EQ(drawn, 2);
  EXPECT_EQ(FirstBytes(Path("3_20_sc_stock_dyn_7.gif"), 100), "another request's picture");
  EXPECT_EQ(FirstBytes(got, 4), "GIF8");
  EXPECT_EQ(FileCount(), 2);  // no temporary file is left behind
}

TEST_F(PublishPicture, GivesUpAfterBoundedAttemptsLeavingNothing) {
  render::Canvas raster(4, 4);
  { std::ofstream(Path("taken.gif")) << "x"; }
  int drawn = 0;
  const std::string got = PublishPictureExclusive(raster, Path("taken.gif"), [&] {
    ++drawn;
    return Path("taken.gif");
  });
  // The draws keep clashing: the name is extended by the process id and a counter, which no
  // other process can draw.
  const std::string extended = "taken_" + std::to_string(getpid()) + "_1.gif";
  EXPECT_EQ(got, Path(extended));
  EXPECT_EQ(drawn, kPictureNameAttempts - 1);
  EXPECT_EQ(FirstBytes(got, 4), "GIF8");
  EXPECT_EQ(FileCount(), 2);

  // Every extended name taken too (leftovers of an earlier process with this id): the run
  // gives up after a bound and leaves nothing.
  for (int k = 1; k <= kExtendedNameAttempts; ++k)
    std::ofstream(Path("taken_" + std::to_string(getpid()) + "_" + std::to_string(k) + ".gif")) << "x";
  drawn = 0;
  EXPECT_EQ(PublishPictureExclusive(raster, Path("taken.gif"), [&] {
              ++drawn;
              return Path("taken.gif");
            }),
            "");
  EXPECT_EQ(FileCount(), 1 + kExtendedNameAttempts);
}

TEST_F(PublishPicture, AMissingDirectoryFailsQuietly) {
  render::Canvas raster(4, 4);
  EXPECT_EQ(PublishPictureExclusive(raster, Path("no/such/dir/p.gif"), [] { return std::string(); }),
            "");
}

}  // namespace
}  // namespace sd::host
