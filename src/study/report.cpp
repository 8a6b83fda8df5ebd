#include "study/report.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "data/cp1251.h"
#include "data/text_escape.h"
#include "study/svg_plot.h"

namespace sd::study {

namespace {

using json = nlohmann::ordered_json;
using plot::Fixed;
using plot::Frame;
using plot::Line;
using plot::Polyline;
using plot::Px;
using plot::Text;

json Num(double v) { return std::isfinite(v) ? json(v) : json(nullptr); }

json DateOrNull(const std::vector<Date>& dates, bool first) {
  if (dates.empty()) return nullptr;
  return FormatDate(first ? dates.front() : dates.back());
}

// Section names are stored bytes of the model file (code page 1251).
std::string SectionText(const std::string& stored) { return data::Cp1251ToUtf8(stored); }

std::string ZoneText(const EvaluationContext& c) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s%s%g", c.ZoneName.empty() ? "Greenwich" : c.ZoneName.c_str(),
                " ", c.Zone);
  return buf;
}

// The smallest q of an event over the horizons (NaN when it has none): how the events are ranked.
double BestQ(const EventResult& e) {
  double best = kMissing;
  for (const auto& h : e.Horizons)
    if (!std::isnan(h.Q) && (std::isnan(best) || h.Q < best)) best = h.Q;
  return best;
}

std::vector<const EventResult*> EventsByQ(const Evaluation& ev) {
  std::vector<const EventResult*> order;
  for (const auto& e : ev.Events) order.push_back(&e);
  std::stable_sort(order.begin(), order.end(), [](const EventResult* a, const EventResult* b) {
    const double qa = BestQ(*a), qb = BestQ(*b);
    if (std::isnan(qb)) return !std::isnan(qa);
    if (std::isnan(qa)) return false;
    return qa < qb;
  });
  return order;
}

// Linear interpolation between order statistics (the usual definition of a sample quantile).
double Quantile(std::vector<double> x, double q) {
  x.erase(std::remove_if(x.begin(), x.end(), [](double v) { return std::isnan(v); }), x.end());
  if (x.empty()) return kMissing;
  std::sort(x.begin(), x.end());
  const double pos = q * static_cast<double>(x.size() - 1);
  const size_t lo = static_cast<size_t>(std::floor(pos));
  const size_t hi = std::min(lo + 1, x.size() - 1);
  return x[lo] + (pos - static_cast<double>(lo)) * (x[hi] - x[lo]);
}

}  // namespace

std::string ShortestNumber(double v) {
  if (!std::isfinite(v)) return "";
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

json EvaluationJson(const EvaluationContext& c, const Evaluation& ev) {
  const PriceSeries& p = *c.Prices;
  json doc;
  doc["security"] = c.Security;
  doc["zone"] = c.Zone;
  doc["model"] = c.Model;
  doc["prices"] = {{"file", p.File},
                   {"format", PriceFormatName(p.Format)},
                   {"column", p.Column},
                   {"rows", p.Dates.size()},
                   {"skipped", p.Skipped},
                   {"first", DateOrNull(p.Dates, true)},
                   {"last", DateOrNull(p.Dates, false)}};
  doc["from"] = DateOrNull(ev.Dates, true);
  doc["to"] = DateOrNull(ev.Dates, false);
  doc["dates"] = ev.Dates.size();
  doc["permutations"] = c.Permutations;
  doc["seed"] = c.Seed;
  json horizons = json::array();
  for (const auto& h : ev.Horizons) {
    json q = json::array();
    for (double v : h.Quintiles) q.push_back(Num(v));
    json random = nullptr;
    if (h.HasRandom)
      random = {{"charts", h.Random.Charts},
                {"ic_mean", Num(h.Random.IcMean)},
                {"ic_sd", Num(h.Random.IcSd)},
                {"percentile", Num(h.Random.Percentile)}};
    horizons.push_back({{"days", h.Days},
                        {"pairs", h.Pairs},
                        {"ic", Num(h.Ic)},
                        {"p_value", Num(h.P)},
                        {"p_holm", Num(h.PHolm)},
                        {"hit_rate", Num(h.Hits.Rate())},
                        {"hits", h.Hits.Hits},
                        {"hit_pairs", h.Hits.Pairs},
                        {"quintile_returns", q},
                        {"spread", Num(h.Spread)},
                        {"random_natal", random}});
  }
  doc["horizons"] = horizons;
  json events = json::array();
  for (const auto& e : ev.Events) {
    json hs = json::array();
    for (const auto& h : e.Horizons)
      hs.push_back({{"days", h.Days}, {"ic", Num(h.Ic)}, {"p_value", Num(h.P)}, {"q_value", Num(h.Q)}});
    events.push_back({{"section", SectionText(e.Section)},
                      {"title", SectionText(e.Title)},
                      {"weight", Num(e.Weight)},
                      {"horizons", hs}});
  }
  doc["events"] = events;
  return doc;
}

std::string EvaluationText(const EvaluationContext& c, const Evaluation& ev) {
  const PriceSeries& p = *c.Prices;
  std::ostringstream out;
  out << c.Security << ", zone " << ZoneText(c) << ", model " << c.Model << "\n";
  out << "prices " << p.File << " (" << PriceFormatName(p.Format) << ", column " << p.Column << "): "
      << p.Dates.size() << " rows, " << p.Skipped << " skipped";
  if (!p.Dates.empty()) out << ", " << FormatDate(p.Dates.front()) << " .. " << FormatDate(p.Dates.back());
  out << "\n" << ev.Dates.size() << " evaluation dates";
  if (!ev.Dates.empty()) out << " " << FormatDate(ev.Dates.front()) << " .. " << FormatDate(ev.Dates.back());
  out << "; " << c.Permutations << " permutations, seed " << c.Seed << "\n\n";

  char line[512];
  std::snprintf(line, sizeof line, "%5s %6s %8s %8s %8s %16s %9s %9s %9s %9s %9s %9s  %s\n", "days", "pairs", "IC",
                "p", "Holm p", "hit rate", "Q1", "Q2", "Q3", "Q4", "Q5", "Q5-Q1", "random natal IC (mean sd, pct)");
  out << line;
  for (const auto& h : ev.Horizons) {
    const std::string hits = Fixed(h.Hits.Rate(), 3) + " " + std::to_string(h.Hits.Hits) + "/" +
                             std::to_string(h.Hits.Pairs);
    std::string random = "-";
    if (h.HasRandom)
      random = std::to_string(h.Random.Charts) + " charts: " + Fixed(h.Random.IcMean, 4) + " " +
               Fixed(h.Random.IcSd, 4) + ", " + Fixed(h.Random.Percentile, 1) + "%";
    std::snprintf(line, sizeof line, "%5d %6d %8s %8s %8s %16s %9s %9s %9s %9s %9s %9s  %s\n", h.Days, h.Pairs,
                  Fixed(h.Ic, 4).c_str(), Fixed(h.P, 4).c_str(), Fixed(h.PHolm, 4).c_str(), hits.c_str(),
                  Fixed(h.Quintiles[0], 5).c_str(), Fixed(h.Quintiles[1], 5).c_str(), Fixed(h.Quintiles[2], 5).c_str(),
                  Fixed(h.Quintiles[3], 5).c_str(), Fixed(h.Quintiles[4], 5).c_str(), Fixed(h.Spread, 5).c_str(),
                  random.c_str());
    out << line;
  }
  if (!ev.Events.empty()) {
    out << "\nevents (sorted by their smallest q-value; IC / q per horizon)\n";
    std::snprintf(line, sizeof line, "%-32s %8s", "section", "weight");
    out << line;
    for (const auto& h : ev.Horizons) {
      std::snprintf(line, sizeof line, " %16s", (std::to_string(h.Days) + " d").c_str());
      out << line;
    }
    out << "\n";
    for (const EventResult* e : EventsByQ(ev)) {
      std::snprintf(line, sizeof line, "%-32s %8s", data::ShowControls(SectionText(e->Section)).c_str(),
                    Fixed(e->Weight, 3).c_str());
      out << line;
      for (const auto& h : e->Horizons) {
        std::snprintf(line, sizeof line, " %16s", (Fixed(h.Ic, 4) + " / " + Fixed(h.Q, 3)).c_str());
        out << line;
      }
      out << "\n";
    }
  }
  return out.str();
}

std::string DetailsCsv(const Evaluation& ev, const PriceSeries& prices, const std::vector<int>& horizons) {
  std::string out = std::string(kDetailsCsvHeader) + "\n";
  for (Date d : ev.Dates) {
    for (int h : horizons) {
      const double r = ReturnOver(prices, d, h);
      if (std::isnan(r)) continue;
      const double s = SignalOver(ev.Truth.Values, ev.Truth.First, d, h);
      out += FormatDate(d) + "," + std::to_string(h) + "," + ShortestNumber(s) + "," + ShortestNumber(r) + "\n";
    }
  }
  return out;
}

namespace {

void Range(const std::vector<double>& v, double& lo, double& hi) {
  lo = INFINITY;
  hi = -INFINITY;
  for (double x : v)
    if (std::isfinite(x)) {
      lo = std::min(lo, x);
      hi = std::max(hi, x);
    }
  if (!std::isfinite(lo)) lo = 0, hi = 1;
  if (lo == hi) lo -= 1, hi += 1;
}

// The price curve (log scale) over the evaluation dates, and beneath it the signal of one horizon.
std::string PriceAndSignalSvg(const Evaluation& ev, const PriceSeries& prices, const HorizonPairs& pairs) {
  const double width = 900, left = 60, right = 20, top = 20, price_h = 240, gap = 40, sig_h = 150;
  const double height = top + price_h + gap + sig_h + 40;
  std::string svg = plot::Open(width, height, 11);
  if (ev.Dates.empty()) return svg + Text(left, top + 20, "no evaluation dates") + "</svg>\n";
  const double d0 = static_cast<double>(ev.Dates.front().time_since_epoch().count());
  const double d1 = static_cast<double>(ev.Dates.back().time_since_epoch().count());

  std::vector<double> px, py;
  for (size_t i = 0; i < prices.Dates.size(); ++i) {
    const double d = static_cast<double>(prices.Dates[i].time_since_epoch().count());
    if (d < d0 - 1 || d > d1) continue;
    px.push_back(d);
    py.push_back(std::log10(prices.Prices[i]));
  }
  double lo, hi;
  Range(py, lo, hi);
  const Frame pf{left, top, width - left - right, price_h, d0, d1, lo, hi};
  svg += plot::Rect(pf.X0, pf.Y0, pf.W, pf.H, "fill=\"none\" stroke=\"#999\"");
  svg += Polyline(pf, px, py, "stroke=\"#1f4e9a\" stroke-width=\"1.2\"");
  for (int k = 0; k <= 4; ++k) {
    const double y = lo + (hi - lo) * k / 4;
    svg += Text(pf.X0 - 4, pf.Y(y) + 4, Fixed(std::pow(10, y), 2), "end");
  }
  svg += Text(pf.X0 + 4, pf.Y0 + 14, "close (log scale)", "start", "fill=\"#1f4e9a\"");

  std::vector<double> sx, sy;
  for (size_t i = 0; i < pairs.Dates.size(); ++i) {
    sx.push_back(static_cast<double>(pairs.Dates[i].time_since_epoch().count()));
    sy.push_back(pairs.Signal[i]);
  }
  Range(sy, lo, hi);
  const Frame sf{left, top + price_h + gap, width - left - right, sig_h, d0, d1, lo, hi};
  svg += plot::Rect(sf.X0, sf.Y0, sf.W, sf.H, "fill=\"none\" stroke=\"#999\"");
  if (lo < 0 && hi > 0) svg += Line(sf.X0, sf.Y(0), sf.X0 + sf.W, sf.Y(0), "stroke=\"#bbb\"");
  svg += Polyline(sf, sx, sy, "stroke=\"#b5402a\" stroke-width=\"0.8\"");
  svg += Text(sf.X0 - 4, sf.Y(hi) + 4, Fixed(hi, 2), "end");
  svg += Text(sf.X0 - 4, sf.Y(lo) + 4, Fixed(lo, 2), "end");
  svg += Text(sf.X0 + 4, sf.Y0 + 14,
              "forecast signal s(d) = v(t0(d) + " + std::to_string(pairs.Days) + " days) - v(t0(d))", "start",
              "fill=\"#b5402a\"");

  // Years along the bottom of both panels.
  const std::chrono::year y0 = std::chrono::year_month_day{ev.Dates.front()}.year();
  const std::chrono::year y1 = std::chrono::year_month_day{ev.Dates.back()}.year();
  const int step = std::max(1, (static_cast<int>(y1) - static_cast<int>(y0)) / 12 + 1);
  for (int y = static_cast<int>(y0) + 1; y <= static_cast<int>(y1); y += step) {
    const Date jan1 = std::chrono::sys_days{std::chrono::year{y} / 1 / 1};
    const double x = pf.X(static_cast<double>(jan1.time_since_epoch().count()));
    svg += Line(x, pf.Y0, x, pf.Y0 + pf.H, "stroke=\"#eee\"");
    svg += Line(x, sf.Y0, x, sf.Y0 + sf.H, "stroke=\"#eee\"");
    svg += Text(x, sf.Y0 + sf.H + 16, std::to_string(y), "middle");
  }
  return svg + "</svg>\n";
}

// IC per horizon, with the random-natal 5-95 % band and the +-|IC| the permutation test needs for p = 0.05.
std::string IcSvg(const Evaluation& ev) {
  const double width = 600, height = 320, left = 60, right = 150, top = 20, bottom = 40;
  std::string svg = plot::Open(width, height, 11);
  const size_t n = ev.Horizons.size();
  std::vector<double> lo_band(n, kMissing), hi_band(n, kMissing), crit(n, kMissing), ic(n, kMissing), xs(n);
  double extent = 0.05;
  for (size_t k = 0; k < n; ++k) {
    const auto& h = ev.Horizons[k];
    xs[k] = static_cast<double>(k);
    ic[k] = h.Ic;
    crit[k] = h.Critical;
    if (h.HasRandom) {
      lo_band[k] = Quantile(h.Random.Ics, 0.05);
      hi_band[k] = Quantile(h.Random.Ics, 0.95);
    }
    for (double v : {h.Ic, h.Critical, lo_band[k], hi_band[k]})
      if (std::isfinite(v)) extent = std::max(extent, std::fabs(v));
  }
  extent *= 1.15;
  const Frame f{left, top, width - left - right, height - top - bottom, -0.5, n - 0.5, -extent, extent};
  svg += plot::Rect(f.X0, f.Y0, f.W, f.H, "fill=\"none\" stroke=\"#999\"");
  // The random natal charts' 5-95 % band, and a bar at each horizon (a band of one point shows as its bar).
  svg += plot::Band(f, xs, lo_band, hi_band, "fill=\"#d9e6f5\" stroke=\"none\"");
  for (size_t k = 0; k < n; ++k)
    if (std::isfinite(hi_band[k]))
      svg += Line(f.X(xs[k]), f.Y(lo_band[k]), f.X(xs[k]), f.Y(hi_band[k]), "stroke=\"#8fb0dc\" stroke-width=\"6\"");
  svg += Line(f.X0, f.Y(0), f.X0 + f.W, f.Y(0), "stroke=\"#888\"");
  std::vector<double> neg(n);
  for (size_t k = 0; k < n; ++k) neg[k] = -crit[k];
  svg += Polyline(f, xs, crit, "stroke=\"#c0392b\" stroke-dasharray=\"5,4\"");
  svg += Polyline(f, xs, neg, "stroke=\"#c0392b\" stroke-dasharray=\"5,4\"");
  svg += Polyline(f, xs, ic, "stroke=\"#111\" stroke-width=\"1.5\"");
  for (size_t k = 0; k < n; ++k) {
    if (std::isfinite(ic[k]))
      svg += "<circle cx=\"" + Px(f.X(xs[k])) + "\" cy=\"" + Px(f.Y(ic[k])) + "\" r=\"4\" fill=\"#111\"/>\n";
    svg += Text(f.X(xs[k]), f.Y0 + f.H + 16, std::to_string(ev.Horizons[k].Days) + " d", "middle");
  }
  for (double y : {-extent / 1.15, 0.0, extent / 1.15}) svg += Text(f.X0 - 4, f.Y(y) + 4, Fixed(y, 3), "end");
  const double lx = f.X0 + f.W + 10;
  svg += Text(lx, top + 14, "IC of the chart", "start");
  svg += "<circle cx=\"" + Px(lx + 120) + "\" cy=\"" + Px(top + 10) + "\" r=\"4\" fill=\"#111\"/>\n";
  if (std::any_of(crit.begin(), crit.end(), [](double v) { return std::isfinite(v); }))
    svg += Text(lx, top + 34, "p = 0.05 (permutation)", "start", "fill=\"#c0392b\"");
  // The legend names only what is drawn: no random charts, no band.
  if (std::any_of(hi_band.begin(), hi_band.end(), [](double v) { return std::isfinite(v); }))
    svg += Text(lx, top + 54, "random natal 5-95 %", "start", "fill=\"#4a78b5\"");
  return svg + "</svg>\n";
}

std::string Paragraph(const EvaluationContext& c, const Evaluation& ev) {
  double best_holm = kMissing, max_abs_ic = kMissing;
  int best_days = 0;
  for (const auto& h : ev.Horizons) {
    if (std::isfinite(h.Ic) && !(std::fabs(h.Ic) <= max_abs_ic)) max_abs_ic = std::fabs(h.Ic);
    if (std::isfinite(h.PHolm) && (std::isnan(best_holm) || h.PHolm < best_holm)) {
      best_holm = h.PHolm;
      best_days = h.Days;
    }
  }
  std::ostringstream out;
  out << "<p>The information coefficient (IC) is the rank correlation between the forecast's change over a "
         "horizon and the log return that followed over the same days: 1 would be a perfect ordering of the "
         "days, 0 no relation. Over "
      << ev.Dates.size() << " trading days the largest |IC| of " << data::EscapeHtml(c.Security) << " is "
      << (std::isfinite(max_abs_ic) ? Fixed(max_abs_ic, 3) : "none (no horizon has a correlation)") << ". ";
  if (std::isnan(best_holm)) {
    out << "No horizon had enough pairs for the permutation test, so nothing can be said about significance. ";
  } else if (best_holm < 0.05) {
    out << "At " << best_days << " days the correlation survives the permutation test and Holm's correction over "
        << ev.Horizons.size() << " horizons (adjusted p = " << Fixed(best_holm, 3)
        << "): it is unlikely to be chance alone in this sample. That does not make it a usable edge: check it on "
           "other periods and securities, and mind its size; an IC of "
        << Fixed(max_abs_ic, 2) << " explains about " << Fixed(100 * max_abs_ic * max_abs_ic, 1)
        << " % of the variation in ranks. ";
  } else {
    out << "No horizon's correlation survives the permutation test once corrected for testing "
        << ev.Horizons.size() << " horizons (smallest Holm-adjusted p = " << Fixed(best_holm, 3)
        << "): on this history the forecast predicts nothing that chance would not give. ";
  }
  out << "The p-values come from rotating the signal against the returns, which keeps the overlap of "
         "multi-day windows; a plain t-test would be far too optimistic. ";
  bool any_random = false;
  for (const auto& h : ev.Horizons) any_random = any_random || h.HasRandom;
  if (any_random)
    out << "The band shows what charts cast at random moments within fifty years of the true one give with the "
           "same model and prices: an IC inside the band is what any chart would have shown. ";
  out << "Events are ranked by Benjamini-Hochberg q-values; with many events some small raw p-values are "
         "expected by chance. None of these numbers says anything about periods or securities not tested.</p>\n";
  return out.str();
}

}  // namespace

std::string EvaluationHtml(const EvaluationContext& c, const Evaluation& ev) {
  const PriceSeries& p = *c.Prices;
  std::ostringstream out;
  out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>Evaluation of "
      << data::EscapeHtml(c.Security) << "</title>\n<style>body{font-family:sans-serif;margin:24px;color:#222;max-width:960px}"
         "table{border-collapse:collapse;font-size:12px}td,th{border-bottom:1px solid #ddd;padding:3px 8px;"
         "text-align:right}th:first-child,td:first-child{text-align:left}h2{font-size:16px;margin-top:28px}"
         ".low{background:#fdf0d5}small.id{color:#888;font-size:10px;margin-left:6px}</style>\n</head><body>\n";
  out << "<h1>" << data::EscapeHtml(c.Security) << ": the model against its prices</h1>\n";
  out << "<p>Model " << data::EscapeHtml(c.Model) << ", zone " << data::EscapeHtml(ZoneText(c)) << ". Prices " << data::EscapeHtml(p.File) << " ("
      << PriceFormatName(p.Format) << ", column " << data::EscapeHtml(p.Column) << ", " << p.Dates.size() << " rows, "
      << p.Skipped << " skipped). " << ev.Dates.size() << " evaluation dates";
  if (!ev.Dates.empty()) out << " from " << FormatDate(ev.Dates.front()) << " to " << FormatDate(ev.Dates.back());
  out << "; " << c.Permutations << " permutations, seed " << c.Seed << ".</p>\n";
  out << Paragraph(c, ev);

  // The signal drawn: the horizon nearest five days, a week of trading.
  size_t shown = 0;
  for (size_t k = 0; k < ev.Horizons.size(); ++k)
    if (std::abs(ev.Horizons[k].Days - 5) < std::abs(ev.Horizons[shown].Days - 5)) shown = k;
  out << "<h2>Price and forecast signal</h2>\n";
  if (!ev.Pairs.empty()) out << PriceAndSignalSvg(ev, p, ev.Pairs[shown]);

  out << "<h2>Information coefficient per horizon</h2>\n" << IcSvg(ev);
  out << "<table><tr><th>days</th><th>pairs</th><th>IC</th><th>p</th><th>Holm p</th><th>hit rate</th>"
         "<th>Q1</th><th>Q2</th><th>Q3</th><th>Q4</th><th>Q5</th><th>Q5&minus;Q1</th><th>random natal IC mean (sd)</th>"
         "<th>percentile</th></tr>\n";
  for (const auto& h : ev.Horizons) {
    out << "<tr" << (std::isfinite(h.PHolm) && h.PHolm < 0.05 ? " class=\"low\"" : "") << "><td>" << h.Days
        << "</td><td>" << h.Pairs << "</td><td>" << Fixed(h.Ic, 4) << "</td><td>" << Fixed(h.P, 4) << "</td><td>"
        << Fixed(h.PHolm, 4) << "</td><td>" << Fixed(h.Hits.Rate(), 3) << " (" << h.Hits.Hits << "/" << h.Hits.Pairs
        << ")</td>";
    for (double q : h.Quintiles) out << "<td>" << Fixed(q, 5) << "</td>";
    out << "<td>" << Fixed(h.Spread, 5) << "</td><td>"
        << (h.HasRandom ? Fixed(h.Random.IcMean, 4) + " (" + Fixed(h.Random.IcSd, 4) + ")" : "-") << "</td><td>"
        << (h.HasRandom ? Fixed(h.Random.Percentile, 1) : "-") << "</td></tr>\n";
  }
  out << "</table>\n";

  out << "<h2>Events, by q-value</h2>\n<table><tr><th>event</th><th>weight</th>";
  for (const auto& h : ev.Horizons) out << "<th>IC " << h.Days << " d</th><th>q " << h.Days << " d</th>";
  out << "</tr>\n";
  for (const EventResult* e : EventsByQ(ev)) {
    // The title is what a reader understands; the section id stays in small print for those who
    // look it up in the model file.
    out << "<tr><td>" << data::EscapeHtml(SectionText(e->Title.empty() ? e->Section : e->Title))
        << " <small class=\"id\">" << data::EscapeHtml(SectionText(e->Section)) << "</small></td><td>"
        << Fixed(e->Weight, 3) << "</td>";
    for (const auto& h : e->Horizons)
      out << "<td>" << Fixed(h.Ic, 4) << "</td><td" << (std::isfinite(h.Q) && h.Q < 0.05 ? " class=\"low\"" : "")
          << ">" << Fixed(h.Q, 3) << "</td>";
    out << "</tr>\n";
  }
  out << "</table>\n</body></html>\n";
  return out.str();
}

}  // namespace sd::study
