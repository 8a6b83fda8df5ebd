// The event study's HTML page: pictures drawn as inline SVG so that the page opens without a
// network and without files beside it. Every text on it is escaped, the user's files' above all
// (labels, security names, file names, the zone as typed).
#include <algorithm>
#include <cmath>
#include <sstream>

#include "data/text_escape.h"
#include "eventstudy/document.h"
#include "study/svg_plot.h"
#include "timeline/document.h"

namespace sd::eventstudy {

namespace {

using study::plot::Fixed;
using study::plot::Frame;
using study::plot::Line;
using study::plot::Polyline;
using study::plot::Text;

std::vector<double> Lags(int k) {
  std::vector<double> xs;
  for (int j = -k; j <= k; ++j) xs.push_back(j);
  return xs;
}

// The CAR of a family with the null's 5-95 % band, in percent, against the lag in trading days;
// the days T sums over are shaded.
std::string CarSvg(const FamilyResult& f, int k, int h) {
  constexpr double kW = 310, kH = 200;
  double lo = 0, hi = 0;
  for (const auto* v : {&f.Car, &f.P05, &f.P95})
    for (double x : *v)
      if (std::isfinite(x)) lo = std::min(lo, x), hi = std::max(hi, x);
  if (hi - lo < 1e-6) lo -= 0.001, hi += 0.001;
  const double pad = (hi - lo) * 0.08;
  const Frame fr{48, 34, kW - 60, kH - 74, static_cast<double>(-k), static_cast<double>(k), lo - pad, hi + pad};
  const std::vector<double> xs = Lags(k);
  std::string s = study::plot::Open(kW, kH, 10, f.Fam.Title);
  s += Text(4, 13, f.Fam.Title, "start", "font-size=\"12\" font-weight=\"bold\"");
  s += Text(4, 27,
            "n = " + std::to_string(f.Observations) + ", T = " + Fixed(100 * f.Stat, 3) + "%, p = " + Fixed(f.P, 3) +
                ", q = " + Fixed(f.Q, 3),
            "start", "fill=\"#333\"");
  s += study::plot::Rect(fr.X0, fr.Y0, fr.W, fr.H, "fill=\"#fafafa\" stroke=\"#ccc\"");
  s += study::plot::Rect(fr.X(-0.5), fr.Y0, fr.X(std::min(h - 0.5, static_cast<double>(k))) - fr.X(-0.5), fr.H,
                         "fill=\"#f1ead8\" stroke=\"none\"");
  if (!f.P05.empty())
    s += study::plot::Band(fr, xs, f.P05, f.P95, "fill=\"#c9daf0\" fill-opacity=\"0.85\" stroke=\"none\"");
  s += Line(fr.X0, fr.Y(0), fr.X0 + fr.W, fr.Y(0), "stroke=\"#888\"");
  s += Line(fr.X(0), fr.Y0, fr.X(0), fr.Y0 + fr.H, "stroke=\"#888\" stroke-dasharray=\"3,3\"");
  s += Polyline(fr, xs, f.Car, "stroke=\"#b5402a\" stroke-width=\"2\"");
  for (double y : {lo, hi}) s += Text(fr.X0 - 3, fr.Y(y) + 3, Fixed(100 * y, 2) + "%", "end");
  for (int x : {-k, 0, k}) s += Text(fr.X(x), fr.Y0 + fr.H + 12, std::to_string(x), "middle");
  s += Text(fr.X0 + fr.W / 2, fr.Y0 + fr.H + 26, "trading days from the event day", "middle", "fill=\"#555\"");
  return s + "</svg>\n";
}

// Mean daily abnormal return in each lunar half, annualized, as two bars side by side.
std::string HalvesSvg(const StateResult& st) {
  const double in = st.Sums.MeanIn() * kTradingDays, out = st.Sums.MeanOut() * kTradingDays;
  const double top =
      std::max({std::isfinite(in) ? std::fabs(in) : 0, std::isfinite(out) ? std::fabs(out) : 0, 1e-6}) * 1.15;
  constexpr double kW = 360, kH = 200, kMid = 100, kHalf = 70;
  std::string s = study::plot::Open(kW, kH, 11, "the lunar halves");
  s += Line(20, kMid, kW - 20, kMid, "stroke=\"#888\"");
  const struct {
    const char* name;
    double v;
    double x;
    const char* color;
  } bars[] = {{"new-moon half", in, 70, "#33557a"}, {"full-moon half", out, 220, "#c28a2c"}};
  for (const auto& b : bars) {
    const double v = std::isfinite(b.v) ? b.v : 0;
    const double h = std::fabs(v) / top * kHalf;
    const double y = v >= 0 ? kMid - h : kMid;
    s += study::plot::Rect(b.x, y, 70, h, std::string("fill=\"") + b.color + "\"");
    s += Text(b.x + 35, v >= 0 ? y - 4 : y + h + 12, Fixed(100 * b.v, 2) + "% a year", "middle");
    s += Text(b.x + 35, kH - 8, b.name, "middle");
  }
  return s + "</svg>\n";
}

const FamilyResult* FindFamily(const StudyResult& r, const std::string& id) {
  for (const FamilyResult& f : r.Families)
    if (f.Fam.Id == id) return &f;
  return nullptr;
}

// One line above everything: how many tests survive, in the fewest words.
std::string Headline(const StudyResult& r) {
  if (r.Tests == 0) return "Nothing was tested";
  int found = 0;
  for (const Ranked& x : RankByQ(r)) found += x.Q() < kDiscovery ? 1 : 0;
  if (found == 0) return "Nothing survives the correction for " + std::to_string(r.Tests) + " tests";
  return std::to_string(found) + " of " + std::to_string(r.Tests) + " tests survive the correction (q < 0.05)";
}

void Row(std::ostringstream& out, const std::string& key, const std::string& value) {
  out << "<tr><td>" << data::EscapeHtml(key) << "</td><td>" << data::EscapeHtml(value) << "</td></tr>\n";
}

// The page's parts, in their order: each writes its heading and what follows it.

void PageHead(std::ostringstream& out, const std::vector<StudySeries>& series, const StudyResult& r,
              const StudySettings& st) {
  out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>Event study of " << series.size()
      << " price series</title>\n"
         "<style>body{font-family:sans-serif;margin:24px;color:#222;max-width:1000px}"
         "table{border-collapse:collapse;font-size:12px}td,th{border-bottom:1px solid #ddd;padding:3px 8px;"
         "text-align:right;white-space:nowrap}table.left td,table.left th{text-align:left}"
         "table.ranked td:nth-child(2),table.ranked "
         "th:nth-child(2){text-align:left;white-space:normal}h2{font-size:16px;margin-top:28px}"
         "small.id{color:#888;font-size:10px;margin-left:6px}.low{background:#fdf0d5}"
         ".headline{font-size:20px;margin:8px 0 4px}.verdict{font-size:15px;background:#f2f2f2;padding:10px 14px;"
         "border-left:4px solid #33557a}.curves svg{margin:4px}</style>\n</head><body>\n";
  out << "<h1>Event study: prices around transit events</h1>\n";
  out << "<p>" << series.size() << " price series: ";
  for (size_t i = 0; i < series.size() && i < 8; ++i)
    out << (i ? ", " : "") << data::EscapeHtml(series[i].Label);
  if (series.size() > 8) out << " and " << series.size() - 8 << " more";
  out << ".</p>\n";
  out << "<p class=\"headline\"><strong>" << data::EscapeHtml(Headline(r)) << ".</strong></p>\n";
  out << "<p class=\"verdict\">" << data::EscapeHtml(Verdict(r)) << "</p>\n";
  out << "<p>For each family of events, the mean abnormal log return (the day's return less the series' mean) on "
         "the trading days around each event, summed into a cumulative curve (CAR) from "
      << -st.Window << " to +" << st.Window << " days, and T, its sum over the event day and the " << st.Horizon - 1
      << " days after. For each state of the sky, D is the mean abnormal return on the days in the state less the "
         "mean on the other days. Their p-values come from rotating every series' returns by the same share of its "
         "length "
      << st.Permutations
      << " times, which keeps the events, the states and the correlation between securities where they are; the "
         "q-value is Benjamini-Hochberg's and the Holm p Holm's, each over all "
      << r.Tests
      << " tests. A q-value, not a p-value, decides: with this many tries, about one in twenty p-values falls below "
         "0.05 by chance alone.</p>\n";

}

void CarCurves(std::ostringstream& out, const StudyResult& r, const StudySettings& st) {
  out << "<h2>Cumulative abnormal returns</h2>\n<p>Red: the CAR; blue: the 5-95 % band of the CAR over the "
         "rotated returns, a curve inside which is what shuffled time gives; shaded: the days T sums. The six "
         "families with the smallest q, then the new and the full moon.</p>\n<div class=\"curves\">\n";
  std::vector<const FamilyResult*> shown;
  for (const Ranked& x : RankByQ(r))
    if (x.Family && shown.size() < 6) shown.push_back(x.Family);
  for (const char* id : {"lunation:new", "lunation:full"})
    if (const FamilyResult* f = FindFamily(r, id); f && std::find(shown.begin(), shown.end(), f) == shown.end())
      shown.push_back(f);
  int drawn = 0;
  for (const FamilyResult* f : shown)
    if (f->Observations > 0) out << CarSvg(*f, st.Window, st.Horizon), ++drawn;
  if (drawn == 0) out << "<p>No family has an observation whose window fits in its series.</p>\n";
  out << "</div>\n";

}

void LunarHalves(std::ostringstream& out, const StudyResult& r) {
  for (const StateResult& s : r.States)
    if (s.Fam.Id == "state:lunar:new-half") {
      out << "<h2>The lunar halves</h2>\n<p>Mean abnormal return on days in the new-moon half (the Moon within 90 "
             "degrees of the Sun at noon) and in the full-moon half, as a year of 252 trading days: difference "
          << Fixed(100 * s.Sums.Diff() * kTradingDays, 2) << "% a year, p = " << Fixed(s.P, 3)
          << ", q = " << Fixed(s.Q, 3) << ", Holm p = " << Fixed(s.PHolm, 3) << " (" << s.Sums.DaysIn << " days in, "
          << s.Sums.DaysOut << " out).</p>\n"
          << HalvesSvg(s);
    }

}

void RankedTable(std::ostringstream& out, const StudyResult& r, const StudySettings& st) {
  bool any_random = false;
  for (const FamilyResult& f : r.Families) any_random = any_random || f.HasRandom;
  out << "<h2>Families and states by q-value</h2>\n<p>CAR is the curve's last value (day +" << st.Window
      << "); T and D in percent, D also as a year of 252 trading days. Rows with q &lt; 0.05 are shaded.";
  if (any_random)
    out << " For natal families, the percentile of T among the random natal charts (a true T in the middle is "
           "what any chart gives).";
  out << "</p>\n<table class=\"ranked\"><tr><th>rank</th><th>family or state</th><th>n (days in / out)</th>"
         "<th>CAR (%)</th><th>T (%)</th><th>D (%)</th><th>D a year (%)</th><th>p</th><th>q (BH)</th><th>Holm p</th>";
  if (any_random) out << "<th>random natal percentile</th>";
  out << "</tr>\n";
  int rank = 0;
  for (const Ranked& x : RankByQ(r)) {
    out << "<tr" << (x.Q() < kDiscovery ? " class=\"low\"" : "") << "><td>" << ++rank << "</td><td>"
        << data::EscapeHtml(x.Fam().Title) << "<small class=\"id\">" << data::EscapeHtml(x.Fam().Id)
        << "</small></td>";
    if (x.Family) {
      const FamilyResult& f = *x.Family;
      out << "<td>" << f.Observations << "</td><td>" << Fixed(f.Car.empty() ? NAN : 100 * f.Car.back(), 3)
          << "</td><td>" << Fixed(100 * f.Stat, 3) << "</td><td></td><td></td>";
    } else {
      const StateSums& d = x.State->Sums;
      out << "<td>" << d.DaysIn << " / " << d.DaysOut << "</td><td></td><td></td><td>" << Fixed(100 * d.Diff(), 4)
          << "</td><td>" << Fixed(100 * d.Diff() * kTradingDays, 2) << "</td>";
    }
    out << "<td>" << Fixed(x.P(), 4) << "</td><td>" << Fixed(x.Q(), 4) << "</td><td>"
        << Fixed(x.Family ? x.Family->PHolm : x.State->PHolm, 4) << "</td>";
    if (any_random)
      out << "<td>"
          << (x.Family && x.Family->HasRandom
                  ? Fixed(x.Family->Random.Percentile, 1) + " (" + std::to_string(x.Family->Random.Charts) + " charts)"
                  : "")
          << "</td>";
    out << "</tr>\n";
  }
  out << "</table>\n";

}

void NotTested(std::ostringstream& out, const StudyResult& r, const StudySettings& st) {
  // Those with too few observations are named, not hidden, so that the reader sees what was not
  // tried; those the span never saw (an ingress of Pluto in ten years) are only counted.
  std::vector<std::string> thin;
  int none = 0;
  for (const FamilyResult& f : r.Families)
    if (std::isnan(f.P)) {
      if (f.Observations == 0)
        ++none;
      else
        thin.push_back(data::EscapeHtml(f.Fam.Title) + " (" + std::to_string(f.Observations) + ")");
    }
  for (const StateResult& s : r.States)
    if (std::isnan(s.P)) {
      if (s.Sums.DaysIn == 0)
        ++none;
      else
        thin.push_back(data::EscapeHtml(s.Fam.Title) + " (" + std::to_string(s.Sums.DaysIn) + " / " +
                       std::to_string(s.Sums.DaysOut) + " days)");
    }
  if (!thin.empty() || none > 0) {
    out << "<details><summary>Not tested, with fewer than " << st.MinEvents
        << " observations (or days in or out): " << thin.size() << " named here, and " << none
        << " more with none in the span</summary>\n<p>";
    for (size_t i = 0; i < thin.size(); ++i) out << (i ? "; " : "") << thin[i];
    out << (thin.empty() ? "" : ".") << "</p></details>\n";
  }

}

void SettingsTable(std::ostringstream& out, const StudyContext& c, const StudyResult& r) {
  const StudySettings& st = c.Settings;
  out << "<h2>Settings</h2>\n<table class=\"left\">\n";
  Row(out, "zone", c.ZoneName.empty() ? "Greenwich" : c.ZoneName);
  Row(out, "event moments in", timeline::TimeScaleText());
  Row(out, "span",
      (c.From.empty() ? std::string("each file's first date") : c.From) + " to " +
          (c.To.empty() ? std::string("its last") : c.To));
  Row(out, "window K, horizon H", std::to_string(st.Window) + ", " + std::to_string(st.Horizon));
  Row(out, "minimum observations", std::to_string(st.MinEvents));
  Row(out, "permutations, seed", std::to_string(st.Permutations) + ", " + std::to_string(st.Seed));
  Row(out, "random natal charts", std::to_string(st.RandomNatal));
  std::string families;
  for (const std::string& f : c.FamilyItems) families += (families.empty() ? "" : ", ") + f;
  Row(out, "families", families.empty() ? "all" : families);
  Row(out, "tests", std::to_string(r.Tests));
  out << "</table>\n";
}

void UniverseTable(std::ostringstream& out, const std::vector<StudySeries>& series) {
  out << "<h2>Universe</h2>\n<table class=\"left\"><tr><th>label</th><th>security</th><th>prices</th>"
         "<th>rows</th><th>first</th><th>last</th></tr>\n";
  for (const StudySeries& s : series) {
    out << "<tr><td>" << data::EscapeHtml(s.Label) << "</td><td>"
        << data::EscapeHtml(s.Security.empty() ? "-" : s.Security) << "</td><td>"
        << data::EscapeHtml(s.Prices.File) << "</td><td>" << s.Prices.Dates.size() << "</td><td>";
    if (!s.Prices.Dates.empty())
      out << study::FormatDate(s.Prices.Dates.front()) << "</td><td>" << study::FormatDate(s.Prices.Dates.back());
    else
      out << "</td><td>";
    out << "</td></tr>\n";
  }
  out << "</table>\n";
}

}  // namespace

std::string StudyHtml(const StudyContext& c, const std::vector<StudySeries>& series, const StudyResult& r) {
  std::ostringstream out;
  PageHead(out, series, r, c.Settings);
  CarCurves(out, r, c.Settings);
  LunarHalves(out, r);
  RankedTable(out, r, c.Settings);
  NotTested(out, r, c.Settings);
  SettingsTable(out, c, r);
  UniverseTable(out, series);
  out << "</body></html>\n";
  return out.str();
}

}  // namespace sd::eventstudy
