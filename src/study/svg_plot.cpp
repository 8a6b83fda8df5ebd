#include "study/svg_plot.h"

#include <cmath>
#include <cstdio>

#include "data/text_escape.h"

namespace sd::study::plot {

std::string Px(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  return buf;
}

std::string Fixed(double v, int digits) {
  if (!std::isfinite(v)) return "-";
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*f", digits, v);
  return buf;
}

std::string Open(double width, double height, int font_size, const std::string& label) {
  std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Px(width) + "\" height=\"" + Px(height) +
                    "\" font-family=\"sans-serif\" font-size=\"" + std::to_string(font_size) + "\"";
  if (!label.empty()) out += " role=\"img\" aria-label=\"" + data::EscapeHtml(label) + "\"";
  return out + ">\n";
}

std::string Polyline(const Frame& f, const std::vector<double>& xs, const std::vector<double>& ys,
                     const std::string& style) {
  std::string out, points;
  auto flush = [&] {
    if (!points.empty()) out += "<polyline fill=\"none\" " + style + " points=\"" + points + "\"/>\n";
    points.clear();
  };
  for (size_t i = 0; i < xs.size(); ++i) {
    if (!std::isfinite(ys[i])) {
      flush();
      continue;
    }
    points += Px(f.X(xs[i])) + "," + Px(f.Y(ys[i])) + " ";
  }
  flush();
  return out;
}

std::string Band(const Frame& f, const std::vector<double>& xs, const std::vector<double>& lo,
                 const std::vector<double>& hi, const std::string& style) {
  std::string points;
  int n = 0;
  for (size_t k = 0; k < xs.size(); ++k)
    if (std::isfinite(lo[k]) && std::isfinite(hi[k])) points += Px(f.X(xs[k])) + "," + Px(f.Y(hi[k])) + " ", ++n;
  for (size_t k = xs.size(); k-- > 0;)
    if (std::isfinite(lo[k]) && std::isfinite(hi[k])) points += Px(f.X(xs[k])) + "," + Px(f.Y(lo[k])) + " ";
  if (n < 2) return "";
  return "<polygon " + style + " points=\"" + points + "\"/>\n";
}

std::string Text(double x, double y, const std::string& s, const std::string& anchor, const std::string& extra) {
  return "<text x=\"" + Px(x) + "\" y=\"" + Px(y) + "\" text-anchor=\"" + anchor + "\" " + extra + ">" + data::EscapeHtml(s) +
         "</text>\n";
}

std::string Line(double x1, double y1, double x2, double y2, const std::string& style) {
  return "<line x1=\"" + Px(x1) + "\" y1=\"" + Px(y1) + "\" x2=\"" + Px(x2) + "\" y2=\"" + Px(y2) + "\" " + style +
         "/>\n";
}

std::string Rect(double x, double y, double w, double h, const std::string& style) {
  return "<rect x=\"" + Px(x) + "\" y=\"" + Px(y) + "\" width=\"" + Px(w) + "\" height=\"" + Px(h) + "\" " + style +
         "/>\n";
}

}  // namespace sd::study::plot
