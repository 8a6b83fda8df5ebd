#pragma once
// A small raster canvas with the drawing model of a classic Windows device context: a pen
// (colour, width, copy or mask mode, solid or dash-dot), a current position for move-to and
// line-to, rectangle fills, and TrueType text that may be rotated.
//
// Pixels are 24-bit colours red + 256 * green + 65536 * blue. Coordinates are pixels, x to the
// right, y downwards, pixel centres on whole numbers. Everything outside the raster is clipped.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sd::render {

using Colour = uint32_t;  // red + 256 * green + 65536 * blue

inline constexpr Colour kBlack = 0;
inline constexpr Colour kWhite = 16777215;
inline constexpr Colour kRed = 255;
inline constexpr Colour kGreen = 65280;
inline constexpr Colour kBlue = 16711680;

inline constexpr Colour RGB(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }
inline constexpr unsigned RedOf(Colour c) { return c & 0xFF; }
inline constexpr unsigned GreenOf(Colour c) { return (c >> 8) & 0xFF; }
inline constexpr unsigned BlueOf(Colour c) { return (c >> 16) & 0xFF; }

// Four signed pixel coordinates; both corners belong to the rectangle.
struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

enum class PenMode { kCopy, kMask };       // kMask: pixel := pixel AND pen colour
enum class PenStyle { kSolid, kDashDot };  // dash-dot only for one-pixel pens; gaps stay unpainted

struct Pen {
  Colour colour = kBlack;
  int width = 1;
  PenMode mode = PenMode::kCopy;
  PenStyle style = PenStyle::kSolid;
};

// A logical font as a device context asks for one.
struct Font {
  std::string name = "Arial";
  // Positive: height of the character cell (ascent + descent) in pixels; negative: height of
  // the em square; 0: a 16-pixel cell.
  int height = 0;
  // Average character width in pixels, 0 for the font's own proportions.
  int width = 0;
  int weight = 400;       // 400 normal, 700 bold
  bool italic = false;
  bool underline = false;  // accepted, not drawn: nothing in this system asks for it
  int escapement = 0;      // rotation of the baseline, tenths of a degree counter-clockwise
  Colour colour = kBlack;  // text colour
};

// Where the face of a font was found: the table of faces fontconfig gave when the program was
// built (used while the file is still there), or fontconfig asked now.
enum class FontSource { kNone, kBuildTable, kFontconfig };
// The font file and face index of a font (name, weight class, slant). `fontconfig_only` skips
// the build table.
FontSource FindFontFile(const Font& font, std::string& file, int& index,
                        bool fontconfig_only = false);

class FontEngine;  // FreeType and fontconfig behind the canvas

class Canvas {
 public:
  // A raster of the given size, all black, as a fresh device bitmap is.
  Canvas(int width, int height);
  ~Canvas();
  Canvas(Canvas&&) noexcept;
  Canvas& operator=(Canvas&&) noexcept;
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Black outside the raster.
  Colour Pixel(int x, int y) const;
  const std::vector<Colour>& Pixels() const { return pixels_; }  // row by row from the top

  // The horizontal resolution of the device in dots per inch.
  int Dpi() const { return 96; }

  Pen& pen() { return pen_; }
  const Pen& pen() const { return pen_; }
  Font& font() { return font_; }
  const Font& font() const { return font_; }

  // Fills r (both corners included) with a colour, ignoring the pen.
  void FillRect(const Rect& r, Colour c);

  void MoveTo(int x, int y);
  // Draws from the current position to (x, y) and moves there. A one-pixel pen paints the
  // start point but not the end point, so a polyline paints each joint once; a wider pen
  // paints the whole stroke with round ends.
  void LineTo(int x, int y);

  // Writes text with the current font, with no background. (x, y) is the top-left corner of
  // the text cell before rotation; the text runs along the rotated baseline.
  void TextOut(int x, int y, std::string_view text);
  // Advance width of the text along its baseline, in whole pixels (rotation does not change it).
  int TextWidth(std::string_view text);
  // Height of the character cell of the current font.
  int TextHeight(std::string_view text);

 private:
  void Plot(int x, int y, Colour c, PenMode mode);
  void ThinLine(int x0, int y0, int x1, int y1);
  void WideLine(int x0, int y0, int x1, int y1);

  int width_;
  int height_;
  std::vector<Colour> pixels_;
  Pen pen_;
  Font font_;
  int cur_x_ = 0;
  int cur_y_ = 0;
  int dash_phase_ = 0;  // position in the dash-dot pattern, carried across joined segments
  std::unique_ptr<FontEngine> fonts_;
};

}  // namespace sd::render
