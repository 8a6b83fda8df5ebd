// The event study's HTML page: pictures drawn as inline SVG so that the page opens without a
// network and without files beside it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "eventstudy/document.h"

namespace sd::eventstudy {

namespace {

std::string Html(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Fixed(double v, int digits) {
  if (!std::isfinite(v)) return "-";
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*f", digits, v);
  return buf;
}

std::string Px(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  return buf;
}

struct Frame {
  double X0, Y0, W, H;
  double XMin, XMax, YMin, YMax;
  double X(double x) const { return X0 + (x - XMin) / (XMax - XMin) * W; }
  double Y(double y) const { return Y0 + H - (y - YMin) / (YMax - YMin) * H; }
};

std::string Points(const Frame& f, int k, const std::vector<double>& v) {
  std::string out;
  for (size_t i = 0; i < v.size(); ++i)
    if (std::isfinite(v[i])) out += Px(f.X(static_cast<double>(i) - k)) + "," + Px(f.Y(v[i])) + " ";
  return out;
}

// The CAR of a family with the null's 5-95 % band, in percent, against the lag in trading days.
std::string CarSvg(const FamilyResult& f, int k) {
  constexpr double kW = 300, kH = 170;
  double lo = 0, hi = 0;
  for (const auto* v : {&f.Car, &f.P05, &f.P95})
    for (double x : *v)
      if (std::isfinite(x)) lo = std::min(lo, x), hi = std::max(hi, x);
  if (hi - lo < 1e-6) lo -= 0.001, hi += 0.001;
  const double pad = (hi - lo) * 0.08;
  const Frame fr{44, 26, kW - 56, kH - 50, static_cast<double>(-k), static_cast<double>(k), lo - pad, hi + pad};
  std::ostringstream s;
  s << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kW << "\" height=\"" << kH
    << "\" font-family=\"sans-serif\" font-size=\"10\" role=\"img\" aria-label=\"" << Html(f.Fam.Title) << "\">\n";
  s << "<text x=\"4\" y=\"13\" font-size=\"12\" font-weight=\"bold\">" << Html(f.Fam.Title) << "</text>\n";
  s << "<rect x=\"" << fr.X0 << "\" y=\"" << fr.Y0 << "\" width=\"" << fr.W << "\" height=\"" << fr.H
    << "\" fill=\"#fafafa\" stroke=\"#ccc\"/>\n";
  if (!f.P05.empty()) {
    std::string band = Points(fr, k, f.P95);
    std::vector<double> low(f.P05.rbegin(), f.P05.rend());
    for (size_t i = 0; i < low.size(); ++i)
      if (std::isfinite(low[i]))
        band += Px(fr.X(k - static_cast<double>(i))) + "," + Px(fr.Y(low[i])) + " ";
    s << "<polygon points=\"" << band << "\" fill=\"#c9daf0\" stroke=\"none\"/>\n";
  }
  s << "<line x1=\"" << Px(fr.X0) << "\" x2=\"" << Px(fr.X0 + fr.W) << "\" y1=\"" << Px(fr.Y(0)) << "\" y2=\""
    << Px(fr.Y(0)) << "\" stroke=\"#888\"/>\n";
  s << "<line x1=\"" << Px(fr.X(0)) << "\" x2=\"" << Px(fr.X(0)) << "\" y1=\"" << Px(fr.Y0) << "\" y2=\""
    << Px(fr.Y0 + fr.H) << "\" stroke=\"#888\" stroke-dasharray=\"3,3\"/>\n";
  s << "<polyline fill=\"none\" stroke=\"#b5402a\" stroke-width=\"2\" points=\"" << Points(fr, k, f.Car) << "\"/>\n";
  for (double y : {lo, hi})
    s << "<text x=\"" << Px(fr.X0 - 3) << "\" y=\"" << Px(fr.Y(y) + 3) << "\" text-anchor=\"end\">"
      << Fixed(100 * y, 2) << "%</text>\n";
  for (int x : {-k, 0, k})
    s << "<text x=\"" << Px(fr.X(x)) << "\" y=\"" << Px(fr.Y0 + fr.H + 12) << "\" text-anchor=\"middle\">" << x
      << "</text>\n";
  s << "<text x=\"" << Px(fr.X0 + fr.W) << "\" y=\"" << Px(kH - 2) << "\" text-anchor=\"end\" fill=\"#555\">n = "
    << f.Observations << ", T = " << Fixed(100 * f.Stat, 3) << "%, p = " << Fixed(f.P, 3) << ", q = " << Fixed(f.Q, 3)
    << "</text>\n";
  return s.str() + "</svg>\n";
}

// Mean daily abnormal return in each lunar half, annualized, as two bars.
std::string HalvesSvg(const StateResult& st) {
  const double in = st.Sums.MeanIn() * 252, out = st.Sums.MeanOut() * 252;
  const double top = std::max({std::fabs(in), std::fabs(out), 1e-6}) * 1.15;
  constexpr double kW = 360, kH = 200, kMid = 100, kHalf = 70;
  std::ostringstream s;
  s << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kW << "\" height=\"" << kH
    << "\" font-family=\"sans-serif\" font-size=\"11\" role=\"img\" aria-label=\"lunar halves\">\n";
  s << "<line x1=\"20\" x2=\"" << kW - 20 << "\" y1=\"" << kMid << "\" y2=\"" << kMid << "\" stroke=\"#888\"/>\n";
  const struct {
    const char* name;
    double v;
    double x;
    const char* color;
  } bars[] = {{"new-moon half", in, 70, "#33557a"}, {"full-moon half", out, 220, "#c28a2c"}};
  for (const auto& b : bars) {
    const double h = std::fabs(b.v) / top * kHalf;
    const double y = b.v >= 0 ? kMid - h : kMid;
    s << "<rect x=\"" << b.x << "\" y=\"" << Px(y) << "\" width=\"70\" height=\"" << Px(h) << "\" fill=\"" << b.color
      << "\"/>\n";
    s << "<text x=\"" << b.x + 35 << "\" y=\"" << Px(b.v >= 0 ? y - 4 : y + h + 12) << "\" text-anchor=\"middle\">"
      << Fixed(100 * b.v, 2) << "% a year</text>\n";
    s << "<text x=\"" << b.x + 35 << "\" y=\"" << kH - 8 << "\" text-anchor=\"middle\">" << b.name << "</text>\n";
  }
  return s.str() + "</svg>\n";
}

const FamilyResult* FindFamily(const StudyResult& r, const std::string& id) {
  for (const FamilyResult& f : r.Families)
    if (f.Fam.Id == id) return &f;
  return nullptr;
}

}  // namespace

std::string StudyHtml(const StudyContext& c, const std::vector<StudySeries>& series, const StudyResult& r) {
  const StudySettings& st = c.Settings;
  std::ostringstream out;
  out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>Event study</title>\n"
         "<style>body{font-family:sans-serif;margin:24px;color:#222;max-width:1000px}"
         "table{border-collapse:collapse;font-size:12px}td,th{border-bottom:1px solid #ddd;padding:3px 8px;"
         "text-align:right}th:nth-child(2),td:nth-child(2){text-align:left}h2{font-size:16px;margin-top:28px}"
         ".low{background:#fdf0d5}.verdict{font-size:15px;background:#f2f2f2;padding:10px 14px;border-left:4px solid "
         "#33557a}.curves svg{margin:4px}</style>\n</head><body>\n";
  out << "<h1>Event study: prices around transit events</h1>\n";
  out << "<p class=\"verdict\">" << Html(Verdict(r)) << "</p>\n";
  out << "<p>For each family of events, the mean abnormal log return (the day's return less the series' mean) on "
         "the trading days around each event, summed into a cumulative curve (CAR) from "
      << -st.Window << " to +" << st.Window << " days, and T, its sum over the event day and the " << st.Horizon - 1
      << " days after. Its p-value comes from rotating every series' returns by the same share of its length "
      << st.Permutations
      << " times, which keeps the events, the states and the correlation between securities where they are; the "
         "q-value is Benjamini-Hochberg's over all "
      << r.Tests
      << " tests. A q-value, not a p-value, decides: with this many tries, about one in twenty p-values falls below "
         "0.05 by chance alone.</p>\n";

  out << "<h2>Cumulative abnormal returns</h2>\n<p>Red: the CAR; blue: the 5-95 % band of the rotated returns. A "
         "curve inside the band is what shuffled time gives.</p>\n<div class=\"curves\">\n";
  std::vector<const FamilyResult*> shown;
  for (const Ranked& x : RankByQ(r))
    if (x.Family && shown.size() < 6) shown.push_back(x.Family);
  for (const char* id : {"lunation:new", "lunation:full"})
    if (const FamilyResult* f = FindFamily(r, id); f && std::find(shown.begin(), shown.end(), f) == shown.end())
      shown.push_back(f);
  for (const FamilyResult* f : shown)
    if (f->Observations > 0) out << CarSvg(*f, st.Window);
  out << "</div>\n";

  for (const StateResult& s : r.States)
    if (s.Fam.Id == "state:lunar:new-half") {
      out << "<h2>The lunar halves</h2>\n<p>Mean abnormal return on days in the new-moon half (the Moon within 90 "
             "degrees of the Sun at noon) and in the full-moon half, as a year of 252 trading days: difference "
          << Fixed(100 * s.Sums.Diff() * 252, 2) << "% a year, p = " << Fixed(s.P, 3) << ", q = " << Fixed(s.Q, 3)
          << " (" << s.Sums.DaysIn << " days in, " << s.Sums.DaysOut << " out).</p>\n"
          << HalvesSvg(s);
    }

  out << "<h2>Families and states by q-value</h2>\n<table><tr><th>rank</th><th>family or state</th><th>n</th>"
         "<th>T or D (%)</th><th>p</th><th>q</th><th>Holm p</th></tr>\n";
  int rank = 0;
  for (const Ranked& x : RankByQ(r)) {
    const long long n = x.Family ? x.Family->Observations : x.State->Sums.DaysIn;
    const double stat = x.Family ? x.Family->Stat : x.State->Sums.Diff();
    const double holm = x.Family ? x.Family->PHolm : x.State->PHolm;
    out << "<tr" << (x.Q() < 0.05 ? " class=\"low\"" : "") << "><td>" << ++rank << "</td><td>"
        << Html(x.Fam().Title) << " <small>" << Html(x.Fam().Id) << "</small></td><td>" << n << "</td><td>"
        << Fixed(100 * stat, 4) << "</td><td>" << Fixed(x.P(), 4) << "</td><td>" << Fixed(x.Q(), 4) << "</td><td>"
        << Fixed(holm, 4) << "</td></tr>\n";
  }
  out << "</table>\n";
  int untested = 0;
  for (const FamilyResult& f : r.Families) untested += std::isnan(f.P) ? 1 : 0;
  for (const StateResult& s : r.States) untested += std::isnan(s.P) ? 1 : 0;
  out << "<p>" << untested << " families and states had fewer than " << st.MinEvents
      << " observations (or days in or out) and were not tested; the JSON lists them with their counts.</p>\n";

  out << "<h2>Settings</h2>\n<table><tr><th></th><th>setting</th><th>value</th></tr>\n";
  auto row = [&](const std::string& k, const std::string& v) {
    out << "<tr><td></td><td>" << Html(k) << "</td><td>" << Html(v) << "</td></tr>\n";
  };
  row("zone", c.ZoneName.empty() ? "Greenwich" : c.ZoneName);
  row("span", (c.From.empty() ? std::string("each file's first date") : c.From) + " to " +
                  (c.To.empty() ? std::string("its last") : c.To));
  row("window K, horizon H", std::to_string(st.Window) + ", " + std::to_string(st.Horizon));
  row("minimum observations", std::to_string(st.MinEvents));
  row("permutations, seed", std::to_string(st.Permutations) + ", " + std::to_string(st.Seed));
  row("random natal charts", std::to_string(st.RandomNatal));
  std::string families;
  for (const std::string& f : c.FamilyItems) families += (families.empty() ? "" : ", ") + f;
  row("families", families.empty() ? "all" : families);
  out << "</table>\n<h2>Universe</h2>\n<table><tr><th></th><th>label</th><th>security</th><th>rows</th>"
         "<th>first</th><th>last</th></tr>\n";
  for (const StudySeries& s : series)
    out << "<tr><td></td><td>" << Html(s.Label) << "</td><td>" << Html(s.Security.empty() ? "-" : s.Security)
        << "</td><td>" << s.Prices.Dates.size() << "</td><td>" << study::FormatDate(s.Prices.Dates.front())
        << "</td><td>" << study::FormatDate(s.Prices.Dates.back()) << "</td></tr>\n";
  out << "</table>\n</body></html>\n";
  return out.str();
}

}  // namespace sd::eventstudy
