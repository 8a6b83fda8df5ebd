#include "render/gif_output.h"

#include <fcntl.h>
#include <gif_lib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "data/atomic_file.h"
#include "data/data_error.h"

namespace sd::render {

namespace {

std::string GifError(int code) {
  const char* s = GifErrorString(code);
  return s ? s : "GIF error " + std::to_string(code);
}

}  // namespace

std::string ForceGifExtension(const std::string& path) {
  const size_t sep = path.find_last_of("/\\");
  const size_t dot = path.find_last_of('.');
  if (dot != std::string::npos && (sep == std::string::npos || dot > sep)) return path.substr(0, dot) + ".gif";
  return path + ".gif";
}

bool WriteGifToFd(const Canvas& raster, int fd, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (fd >= 0) close(fd);
    if (error) *error = why;
    return false;
  };
  if (raster.Width() <= 0 || raster.Height() <= 0) return fail("empty raster");
  if (raster.Width() > 65535 || raster.Height() > 65535) return fail("raster too large for GIF");

  GifColorType colours[256] = {};
  for (int i = 0; i < 216; ++i) {
    colours[i].Red = static_cast<GifByteType>(51 * (i / 36));
    colours[i].Green = static_cast<GifByteType>(51 * (i / 6 % 6));
    colours[i].Blue = static_cast<GifByteType>(51 * (i % 6));
  }

  int err = 0;
  GifFileType* gif = EGifOpenFileHandle(fd, &err);
  if (!gif) return fail(GifError(err));
  ColorMapObject* map = GifMakeMapObject(256, colours);
  bool ok = map && EGifPutScreenDesc(gif, raster.Width(), raster.Height(), 8, 0, map) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, raster.Width(), raster.Height(), false, nullptr) == GIF_OK;
  std::vector<GifPixelType> line(static_cast<size_t>(raster.Width()));
  const std::vector<Colour>& px = raster.Pixels();
  // Runs of one colour are the rule (a white page with a few lines): the index of the last
  // colour is kept instead of dividing three channels again for every pixel.
  Colour last = px.empty() ? 0 : px[0];
  GifPixelType last_index = static_cast<GifPixelType>(PaletteIndex(last));
  for (int y = 0; ok && y < raster.Height(); ++y) {
    for (int x = 0; x < raster.Width(); ++x) {
      const Colour c = px[static_cast<size_t>(y) * raster.Width() + x];
      if (c != last) {
        last = c;
        last_index = static_cast<GifPixelType>(PaletteIndex(c));
      }
      line[static_cast<size_t>(x)] = last_index;
    }
    ok = EGifPutLine(gif, line.data(), raster.Width()) == GIF_OK;
  }
  std::string why = ok ? "" : GifError(gif->Error);
  // Closing the GIF closes the descriptor too.
  if (EGifCloseFile(gif, &err) != GIF_OK && ok) {
    ok = false;
    why = GifError(err);
  }
  if (map) GifFreeMapObject(map);
  if (!ok) {
    if (error) *error = why;
    return false;
  }
  return true;
}

bool WriteGif(const Canvas& raster, const std::string& path, std::string* error) {
  try {
    data::AtomicFile file(path);
    if (!WriteGifToFd(raster, file.DupFd(), error)) return false;
    file.Finish();
    file.Replace();
    return true;
  } catch (const data::DataFileError& e) {
    if (error) *error = e.reason();
    return false;
  }
}

void SaveBitmapAsGif(const Canvas& raster, const std::string& path) {
  const std::string target = ForceGifExtension(path);
  std::string why;
  if (!WriteGif(raster, target, &why))
    std::fprintf(stderr, "%s: picture %s not written: %s\n", program_invocation_short_name, target.c_str(), why.c_str());
}

}  // namespace sd::render
