#include "render/gif_output.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "astro/calendar.h"
#include "render/forecast_picture.h"
#include "../support/scratch_dir.h"

namespace sd::render {
namespace {

namespace fs = std::filesystem;

class TempDir : public ::testing::Test {
 protected:
  testing_support::ScratchDir scratch_;
  const std::string dir_ = scratch_.path();
  std::vector<std::string> Entries() const { return scratch_.Names(); }
  static std::string ReadAll(const std::string& path) { return testing_support::ScratchDir::ReadAll(path); }
};

// A small raster with every drawing colour and a few that the palette must round.
Canvas Sample() {
  Canvas c(7, 3);
  const Colour colours[] = {kWhite, kBlack, kRed, kGreen, kBlue, RGB(255, 172, 173), RGB(47, 48, 251)};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) c.FillRect({x, y, x, y}, colours[(x + y) % 7] ^ (y == 2 && x == 0 ? 0x010101 : 0));
  return c;
}

struct Decoded {
  int width = 0, height = 0, images = 0;
  std::vector<Colour> pixels;
};

// Decodes with giflib's reader.
Decoded DecodeWithGiflib(const std::string& path) {
  Decoded d;
  int err = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &err);
  if (!gif) return d;
  if (DGifSlurp(gif) == GIF_OK && gif->ImageCount >= 1) {
    d.width = gif->SWidth;
    d.height = gif->SHeight;
    d.images = gif->ImageCount;
    const SavedImage& im = gif->SavedImages[0];
    const ColorMapObject* map = im.ImageDesc.ColorMap ? im.ImageDesc.ColorMap : gif->SColorMap;
    for (int i = 0; i < im.ImageDesc.Width * im.ImageDesc.Height; ++i) {
      const GifColorType& c = map->Colors[im.RasterBits[i]];
      d.pixels.push_back(RGB(c.Red, c.Green, c.Blue));
    }
  }
  DGifCloseFile(gif, &err);
  return d;
}

std::vector<Colour> Mapped(const Canvas& c) {
  std::vector<Colour> out;
  for (Colour p : c.Pixels()) out.push_back(PaletteColour(p));
  return out;
}

TEST(Palette, ChannelLevelsAndStoredColours) {
  struct Case {
    unsigned c;
    int level;
  };
  const Case levels[] = {{0, 0},   {47, 0},  {48, 1},  {98, 1},  {99, 2},  {149, 2},
                         {150, 3}, {200, 3}, {201, 4}, {251, 4}, {252, 5}, {255, 5}};
  for (const Case& k : levels) EXPECT_EQ(PaletteLevel(k.c), k.level) << k.c;

  struct Colours {
    Colour in, stored;
    int index;
  };
  const Colours colours[] = {
      {RGB(255, 172, 173), RGB(255, 153, 153), 36 * 5 + 6 * 3 + 3},
      {RGB(47, 48, 251), RGB(0, 51, 204), 0 + 6 * 1 + 4},
      {kWhite, kWhite, 215},
      {kBlack, kBlack, 0},
      {kRed, kRed, 180},
      {kGreen, kGreen, 30},
      {kBlue, kBlue, 5},
  };
  for (const Colours& k : colours) {
    EXPECT_EQ(PaletteColour(k.in), k.stored) << k.in;
    EXPECT_EQ(PaletteIndex(k.in), k.index) << k.in;
  }
}

TEST(ForceGifExtension, ReplacesOrAddsTheExtension) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"/a/b/pic.GIF", "/a/b/pic.gif"}, {"pic.png", "pic.gif"},           {"pic", "pic.gif"},
      {"/a.d/pic", "/a.d/pic.gif"},     {"x.tar.bmp", "x.tar.gif"},       {"pic.", "pic.gif"},
      {"dir\\pic", "dir\\pic.gif"},     {"/a/b/pic.gif", "/a/b/pic.gif"},
  };
  for (const Case& c : cases) EXPECT_EQ(ForceGifExtension(c.in), c.out) << c.in;
}

using GifFile = TempDir;

TEST_F(GifFile, DecodesToThePaletteMappedRaster) {
  const Canvas raster = Sample();
  const std::string path = dir_ + "/sample.gif";
  std::string why;
  ASSERT_TRUE(WriteGif(raster, path, &why)) << why;
  const Decoded d = DecodeWithGiflib(path);
  EXPECT_EQ(d.width, 7);
  EXPECT_EQ(d.height, 3);
  EXPECT_EQ(d.images, 1);
  EXPECT_EQ(d.pixels, Mapped(raster));
  EXPECT_EQ(ReadAll(path).substr(0, 3), "GIF");
  EXPECT_EQ(Entries(), std::vector<std::string>{"sample.gif"});  // no temporary left over
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask) << "a picture the web server may not read";
}

TEST_F(GifFile, SecondDecoderAgrees) {
  // The forecast picture itself, read back by an independent decoder against the raster.
  TCorvDoubleList values;
  for (int i = 0; i <= 40; ++i) values.Add(i == 17 ? astro::NoValue : (i % 9) - 4.0);
  const astro::ChartMoment start = astro::MomentFromDate(2026, 3, 20, 0.0);
  const Canvas raster = DrawForecastPicture(values, start, start + 20 * astro::DayInCenturies, 0);
  const std::string gif = dir_ + "/forecast.gif", expected = dir_ + "/expected.ppm";
  ASSERT_TRUE(WriteGif(raster, gif));
  {
    std::ofstream out(expected, std::ios::binary);
    out << "P6\n" << raster.Width() << " " << raster.Height() << "\n255\n";
    for (Colour p : Mapped(raster)) out.put(char(RedOf(p))).put(char(GreenOf(p))).put(char(BlueOf(p)));
  }
  const std::string cmd = std::string("/usr/bin/python3 '") + STOCKDYN_SOURCE_DIR + "/tests/render/same_pixels.py' '" + gif + "' '" +
                          expected + "'";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

TEST_F(GifFile, FailureLeavesNoFile) {
  const Canvas raster = Sample();
  std::string why;
  EXPECT_FALSE(WriteGif(raster, dir_ + "/missing/pic.gif", &why));
  EXPECT_FALSE(why.empty());
  EXPECT_TRUE(Entries().empty());
  // A target that is a directory cannot be replaced: the temporary file is removed again.
  fs::create_directory(dir_ + "/pic.gif");
  EXPECT_FALSE(WriteGif(raster, dir_ + "/pic.gif", &why));
  EXPECT_EQ(Entries(), std::vector<std::string>{"pic.gif"});
  EXPECT_TRUE(fs::is_directory(dir_ + "/pic.gif"));
}

TEST_F(GifFile, SaveForcesTheExtensionAndSwallowsFailures) {
  const Canvas raster = Sample();
  SaveBitmapAsGif(raster, dir_ + "/chart.PNG");
  EXPECT_EQ(Entries(), std::vector<std::string>{"chart.gif"});
  EXPECT_EQ(DecodeWithGiflib(dir_ + "/chart.gif").pixels, Mapped(raster));
  // A previous picture of the same name is replaced whole.
  Canvas white(7, 3);
  white.FillRect({0, 0, 6, 2}, kWhite);
  SaveBitmapAsGif(white, dir_ + "/chart");
  EXPECT_EQ(DecodeWithGiflib(dir_ + "/chart.gif").pixels, std::vector<Colour>(21, kWhite));
  ::testing::internal::CaptureStderr();
  SaveBitmapAsGif(raster, dir_ + "/nowhere/chart.gif");
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("nowhere/chart.gif"), std::string::npos) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_EQ(Entries(), std::vector<std::string>{"chart.gif"});
}

}  // namespace
}  // namespace sd::render
