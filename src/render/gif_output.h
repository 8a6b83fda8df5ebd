#pragma once
// Publishing a raster as a GIF picture with a fixed 216-colour palette.
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

}  // namespace sd::render
