#include "render/canvas.h"

#include <fontconfig/fontconfig.h>
#include <unistd.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <map>
#include <utility>

namespace sd::render {

namespace {

struct KnownFont {
  const char* name;
  int weight;
  bool italic;
  const char* file;
  int index;
};
constexpr KnownFont kKnownFonts[] = {
#include "render/known_fonts.inc"
    {nullptr, 0, false, nullptr, 0}};

bool IsBold(int weight) { return weight >= 600; }

bool MatchByFontconfig(const Font& font, std::string& file, int& index) {
  if (!FcInit()) return false;
  FcPattern* pat = FcNameParse(reinterpret_cast<const FcChar8*>(font.name.c_str()));
  if (!pat) return false;
  FcPatternAddInteger(pat, FC_WEIGHT, IsBold(font.weight) ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pat, FC_SLANT, font.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pat, &result);
  FcPatternDestroy(pat);
  if (!match) return false;
  FcChar8* path = nullptr;
  bool ok = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path;
  if (ok) {
    file = reinterpret_cast<const char*>(path);
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
  }
  FcPatternDestroy(match);
  return ok;
}

// Upper half of code page 1251, the 8-bit encoding of Cyrillic text in this system.
constexpr uint16_t kCp1251High[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

uint32_t CodePoint(unsigned char b) { return b < 0x80 ? b : kCp1251High[b - 0x80]; }

// On and off run lengths of the dash-dot pen, in pixels.
constexpr int kDashDot[] = {9, 6, 3, 6};
constexpr int kDashDotPeriod = 9 + 6 + 3 + 6;

bool DashOn(int phase) {
  int p = phase % kDashDotPeriod;
  for (int i = 0; i < 4; ++i) {
    if (p < kDashDot[i]) return i % 2 == 0;
    p -= kDashDot[i];
  }
  return false;
}

// Weights of the lowercase letters a..z and the space in the classic definition of a font's
// average character width (per thousand). A font's stored average may use another definition;
// this one gives Arial's figure (904 of 2048) for Arial and for its metric twins alike.
constexpr int kAvgWidthWeights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6, 35, 20, 56,
                                      56, 17, 4,  49, 56, 71,  31, 10, 18, 3,  18, 2, 166};

}  // namespace

// FreeType faces found through fontconfig, kept for the life of the canvas.
class FontEngine {
 public:
  struct Face {
    FT_Face face = nullptr;
    double upem = 2048;
    double ascent = 0;      // font units above the baseline of the cell
    double descent = 0;     // font units below it
    double avg_width = 0;   // font units
  };

  FontEngine() { ok_ = FT_Init_FreeType(&lib_) == 0; }
  ~FontEngine() {
    for (auto& [key, f] : faces_)
      if (f.face) FT_Done_Face(f.face);
    if (ok_) FT_Done_FreeType(lib_);
  }
  FontEngine(const FontEngine&) = delete;
  FontEngine& operator=(const FontEngine&) = delete;

  // The face for a font, or nullptr when none can be had (reported once per canvas).
  Face* Get(const Font& font) {
    if (!ok_) return Fail("FreeType did not start");
    std::string key = font.name + '\x01' + std::to_string(font.weight) + (font.italic ? "i" : "");
    auto it = faces_.find(key);
    if (it != faces_.end()) return it->second.face ? &it->second : nullptr;
    Face& f = faces_[key];
    std::string file;
    int index = 0;
    if (FindFontFile(font, file, index) == FontSource::kNone) return Fail("no font matches '" + font.name + "'");
    if (FT_New_Face(lib_, file.c_str(), index, &f.face) != 0) {
      f.face = nullptr;
      return Fail("cannot open font file " + file);
    }
    f.upem = f.face->units_per_EM ? f.face->units_per_EM : 2048;
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f.face, FT_SFNT_OS2));
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
      f.ascent = os2->usWinAscent;
      f.descent = os2->usWinDescent;
    } else {
      f.ascent = f.face->ascender;
      f.descent = -f.face->descender;
    }
    if (f.ascent + f.descent <= 0) f.ascent = f.upem;
    long sum = 0;
    for (int i = 0; i < 27; ++i) {
      FT_ULong ch = i < 26 ? 'a' + i : ' ';
      if (FT_Load_Char(f.face, ch, FT_LOAD_NO_SCALE) == 0) sum += kAvgWidthWeights[i] * f.face->glyph->advance.x;
    }
    f.avg_width = sum > 0 ? sum / 1000.0 : f.upem / 2;
    return &f;
  }

  // Sizes the face for the logical font; returns the cell ascent in pixels.
  static double SetSize(Face& f, const Font& font) {
    double cell = f.ascent + f.descent;
    double em_y = font.height > 0 ? font.height * f.upem / cell : font.height < 0 ? -font.height : 16 * f.upem / cell;
    double em_x = font.width > 0 ? font.width * f.upem / f.avg_width : em_y;
    FT_Set_Char_Size(f.face, std::lround(em_x * 64), std::lround(em_y * 64), 72, 72);
    return f.ascent * em_y / f.upem;
  }

  static int CellHeight(const Face& f, const Font& font) {
    if (font.height > 0) return font.height;
    double em_y = font.height < 0 ? -font.height : 16 * f.upem / (f.ascent + f.descent);
    return static_cast<int>(std::lround((f.ascent + f.descent) * em_y / f.upem));
  }

 private:
  Face* Fail(const std::string& why) {
    if (!reported_) std::fprintf(stderr, "%s: text not drawn: %s\n", program_invocation_short_name, why.c_str());
    reported_ = true;
    return nullptr;
  }

  FT_Library lib_ = nullptr;
  bool ok_ = false;
  bool reported_ = false;
  std::map<std::string, Face> faces_;
};

FontSource FindFontFile(const Font& font, std::string& file, int& index, bool fontconfig_only) {
  if (!fontconfig_only) {
    for (const KnownFont* k = kKnownFonts; k->name; ++k) {
      if (font.name != k->name || IsBold(font.weight) != IsBold(k->weight) ||
          font.italic != k->italic || access(k->file, R_OK) != 0)
        continue;
      file = k->file;
      index = k->index;
      return FontSource::kBuildTable;
    }
  }
  return MatchByFontconfig(font, file, index) ? FontSource::kFontconfig : FontSource::kNone;
}

Canvas::Canvas(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * height_, kBlack) {}
Canvas::~Canvas() = default;
Canvas::Canvas(Canvas&&) noexcept = default;
Canvas& Canvas::operator=(Canvas&&) noexcept = default;

Colour Canvas::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kBlack;
  return pixels_[static_cast<size_t>(y) * width_ + x];
}

void Canvas::Plot(int x, int y, Colour c, PenMode mode) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  Colour& p = pixels_[static_cast<size_t>(y) * width_ + x];
  p = mode == PenMode::kMask ? (p & c) : c;
}

void Canvas::FillRect(const Rect& r, Colour c) {
  int x0 = std::max(std::min(r.left, r.right), 0), x1 = std::min(std::max(r.left, r.right), width_ - 1);
  int y0 = std::max(std::min(r.top, r.bottom), 0), y1 = std::min(std::max(r.top, r.bottom), height_ - 1);
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) pixels_[static_cast<size_t>(y) * width_ + x] = c & 0xFFFFFF;
}

void Canvas::MoveTo(int x, int y) {
  cur_x_ = x;
  cur_y_ = y;
  dash_phase_ = 0;
}

void Canvas::LineTo(int x, int y) {
  if (pen_.width <= 1)
    ThinLine(cur_x_, cur_y_, x, y);
  else
    WideLine(cur_x_, cur_y_, x, y);
  cur_x_ = x;
  cur_y_ = y;
}

// Bresenham's walk from the start point, stopping before the end point.
void Canvas::ThinLine(int x0, int y0, int x1, int y1) {
  long dx = std::labs(static_cast<long>(x1) - x0), dy = std::labs(static_cast<long>(y1) - y0);
  int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  long steps = std::max(dx, dy);
  long err = (dx > dy ? dx : -dy) / 2;
  int x = x0, y = y0;
  for (long i = 0; i < steps; ++i) {
    if (pen_.style == PenStyle::kSolid || DashOn(dash_phase_)) Plot(x, y, pen_.colour, pen_.mode);
    ++dash_phase_;
    long e = err;
    if (e > -dx) { err -= dy; x += sx; }
    if (e < dy) { err += dx; y += sy; }
  }
}

// A wide pen sweeps a disc of its width along the segment. A pixel is painted when a point a
// hair below and right of its centre lies strictly inside the swept shape: that decides the
// pixels whose centres fall exactly on the border, so a two-pixel horizontal stroke covers the
// row of the line and the one above it, never three rows.
void Canvas::WideLine(int x0, int y0, int x1, int y1) {
  const double r = pen_.width / 2.0;
  const double bias = 1.0 / 1024;
  int reach = static_cast<int>(std::ceil(r)) + 1;
  int xa = std::max(std::min(x0, x1) - reach, 0), xb = std::min(std::max(x0, x1) + reach, width_ - 1);
  int ya = std::max(std::min(y0, y1) - reach, 0), yb = std::min(std::max(y0, y1) + reach, height_ - 1);
  double vx = static_cast<double>(x1) - x0, vy = static_cast<double>(y1) - y0;
  double len2 = vx * vx + vy * vy;
  for (int py = ya; py <= yb; ++py) {
    for (int px = xa; px <= xb; ++px) {
      double qx = px + bias - x0, qy = py + bias - y0;
      double t = len2 > 0 ? std::clamp((qx * vx + qy * vy) / len2, 0.0, 1.0) : 0.0;
      double ex = qx - t * vx, ey = qy - t * vy;
      if (ex * ex + ey * ey < r * r) Plot(px, py, pen_.colour, pen_.mode);
    }
  }
}

int Canvas::TextHeight(std::string_view) {
  if (!fonts_) fonts_ = std::make_unique<FontEngine>();
  FontEngine::Face* f = fonts_->Get(font_);
  return f ? FontEngine::CellHeight(*f, font_) : 0;
}

int Canvas::TextWidth(std::string_view text) {
  if (!fonts_) fonts_ = std::make_unique<FontEngine>();
  FontEngine::Face* f = fonts_->Get(font_);
  if (!f) return 0;
  FontEngine::SetSize(*f, font_);
  FT_Set_Transform(f->face, nullptr, nullptr);
  long total = 0;
  for (unsigned char b : text) {
    if (FT_Load_Char(f->face, CodePoint(b), FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) != 0) continue;
    total += (f->face->glyph->advance.x + 32) >> 6;
  }
  return static_cast<int>(total);
}

void Canvas::TextOut(int x, int y, std::string_view text) {
  if (!fonts_) fonts_ = std::make_unique<FontEngine>();
  FontEngine::Face* f = fonts_->Get(font_);
  if (!f) return;
  const double ascent = FontEngine::SetSize(*f, font_);
  const double angle = font_.escapement / 10.0 * 3.14159265358979323846 / 180.0;
  const double c = std::cos(angle), s = std::sin(angle);
  // Screen coordinates (y down): the baseline runs along (c, -s); "down the cell" is (s, c).
  const double ox = x + std::lround(ascent) * s, oy = y + std::lround(ascent) * c;

  // Whole-pixel advances measured upright, as TextWidth measures them, then laid along the
  // rotated baseline.
  std::vector<long> advances;
  FT_Set_Transform(f->face, nullptr, nullptr);
  for (unsigned char b : text) {
    long a = 0;
    if (FT_Load_Char(f->face, CodePoint(b), FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) == 0)
      a = (f->face->glyph->advance.x + 32) >> 6;
    advances.push_back(a);
  }

  FT_Matrix m;  // FreeType works y-up: counter-clockwise rotation
  m.xx = static_cast<FT_Fixed>(std::lround(c * 65536));
  m.xy = static_cast<FT_Fixed>(std::lround(-s * 65536));
  m.yx = static_cast<FT_Fixed>(std::lround(s * 65536));
  m.yy = static_cast<FT_Fixed>(std::lround(c * 65536));
  long along = 0;
  size_t i = 0;
  for (unsigned char b : text) {
    double px = ox + along * c, py = oy - along * s;
    along += advances[i++];
    double fx = std::floor(px), fy = std::floor(py);
    FT_Vector delta;
    delta.x = static_cast<FT_Pos>(std::lround((px - fx) * 64));
    delta.y = static_cast<FT_Pos>(std::lround(-(py - fy) * 64));
    FT_Set_Transform(f->face, &m, &delta);
    if (FT_Load_Char(f->face, CodePoint(b), FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) continue;
    const FT_GlyphSlot g = f->face->glyph;
    const FT_Bitmap& bm = g->bitmap;
    int left = static_cast<int>(fx) + g->bitmap_left, top = static_cast<int>(fy) - g->bitmap_top;
    for (unsigned row = 0; row < bm.rows; ++row) {
      const unsigned char* line = bm.buffer + static_cast<long>(row) * bm.pitch;
      for (unsigned col = 0; col < bm.width; ++col) {
        bool on = bm.pixel_mode == FT_PIXEL_MODE_MONO ? (line[col >> 3] & (0x80 >> (col & 7))) != 0
                                                       : line[col] >= 128;
        if (on) Plot(left + static_cast<int>(col), top + static_cast<int>(row), font_.colour & 0xFFFFFF, PenMode::kCopy);
      }
    }
  }
  FT_Set_Transform(f->face, nullptr, nullptr);
}

}  // namespace sd::render
