#pragma once
// Publishing a raster as a GIF picture with a fixed 216-colour palette, and the one-line
// memory of the last picture name kept beside the program.
#include <string>

#include "render/canvas.h"

namespace sd::render {

// Level 0..5 of one 8-bit channel in the fixed palette: (c + 3) div 51.
inline constexpr int PaletteLevel(unsigned c) { return static_cast<int>((c + 3) / 51); }
// Palette index 36 * red level + 6 * green level + blue level of a pixel colour.
inline constexpr int PaletteIndex(Colour c) {
  return 36 * PaletteLevel(RedOf(c)) + 6 * PaletteLevel(GreenOf(c)) + PaletteLevel(BlueOf(c));
}
// The colour a pixel is stored as: each channel becomes 51 times its level.
inline constexpr Colour PaletteColour(Colour c) {
  return RGB(51 * PaletteLevel(RedOf(c)), 51 * PaletteLevel(GreenOf(c)), 51 * PaletteLevel(BlueOf(c)));
}

// path with its extension (from the last '.' after the last '/' or '\') replaced by ".gif",
// or ".gif" appended when it has none.
std::string ForceGifExtension(const std::string& path);

// Writes the raster to exactly path as a single-image GIF. The file appears whole or not at
// all: it is written beside the target under a temporary name and renamed into place. On
// failure returns false with the reason in *error (when given) and leaves no file behind.
bool WriteGif(const Canvas& raster, const std::string& path, std::string* error = nullptr);
// Writes the raster as GIF to an open descriptor and closes it, also on failure. For callers
// that publish the file themselves (under a name they claim once the file is whole).
bool WriteGifToFd(const Canvas& raster, int fd, std::string* error = nullptr);

// Writes the raster as GIF to path with its extension forced to ".gif". Failures do not reach
// the caller: they leave no file and one line on stderr.
void SaveBitmapAsGif(const Canvas& raster, const std::string& path);

// The name of the last picture, kept in "PictureName.ini" in the program directory. The owner
// loads it at process start and saves it at process end. Neither ever throws, blocks or aborts:
// a failure of this file leaves the default name and at most one line on stderr.
class PictureNameMemory {
 public:
  static constexpr const char* kFileName = "PictureName.ini";
  static constexpr const char* kDefaultName = "Picture.bmp";
  // The most that is read of the file: a first line longer than this is no picture name.
  static constexpr size_t kMaxBytes = 4096;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name);

  // name := "Picture.bmp", then the first line of dir/PictureName.ini when that is a regular
  // file whose first line fits in kMaxBytes. dir is the program directory, with or without a
  // trailing separator. A FIFO or device in its place is not read (and never waited for).
  void Load(const std::string& dir) noexcept;
  // Writes dir/PictureName.ini, mode 0644, as a file whose only line is the name, unless its
  // first line already holds the name (nothing is rewritten) or something other than a
  // regular file is there. Failures leave the previous file as it was and one line on stderr;
  // returns whether the file now holds the name.
  bool Save(const std::string& dir) const noexcept;

 private:
  enum class OnDisk { kMissing, kSame, kDiffers, kNotAFile };
  std::string name_ = kDefaultName;
  OnDisk on_disk_ = OnDisk::kDiffers;
};

}  // namespace sd::render
