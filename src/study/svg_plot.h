#pragma once
// The pieces the reports draw their inline SVG pictures with, so that a page needs no network and
// no file beside it. Coordinates are pixels with one decimal; text is escaped for HTML.
#include <string>
#include <vector>

namespace sd::study::plot {

// A plot area inside an SVG: maps data to pixels. A range of zero width maps to the middle.
struct Frame {
  double X0, Y0, W, H;  // pixel box
  double XMin, XMax, YMin, YMax;
  double X(double x) const { return X0 + (XMax > XMin ? (x - XMin) / (XMax - XMin) : 0.5) * W; }
  double Y(double y) const { return Y0 + H - (YMax > YMin ? (y - YMin) / (YMax - YMin) : 0.5) * H; }
};

std::string Px(double v);
// v with `digits` decimals; "-" when it is not a number.
std::string Fixed(double v, int digits);

// The opening tag of a picture of the given size.
std::string Open(double width, double height, int font_size, const std::string& label = "");
// A polyline of the finite points; a gap where a value is missing.
std::string Polyline(const Frame& f, const std::vector<double>& xs, const std::vector<double>& ys,
                     const std::string& style);
// The area between lo and hi: a polygon along the upper edge and back along the lower one, over
// the points where both are finite.
std::string Band(const Frame& f, const std::vector<double>& xs, const std::vector<double>& lo,
                 const std::vector<double>& hi, const std::string& style);
std::string Text(double x, double y, const std::string& s, const std::string& anchor = "start",
                 const std::string& extra = "");
std::string Line(double x1, double y1, double x2, double y2, const std::string& style);
std::string Rect(double x, double y, double w, double h, const std::string& style);

}  // namespace sd::study::plot
