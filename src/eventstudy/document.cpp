#include "eventstudy/document.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "forecast/report.h"
#include "study/report.h"
#include "study/svg_plot.h"
#include "timeline/document.h"

namespace sd::eventstudy {

namespace {

using json = nlohmann::ordered_json;

json Num(double v) { return std::isfinite(v) ? json(v) : json(nullptr); }

json Numbers(const std::vector<double>& v) {
  json out = json::array();
  for (double x : v) out.push_back(Num(x));
  return out;
}

using study::plot::Fixed;

}  // namespace

std::vector<Ranked> RankByQ(const StudyResult& r) {
  std::vector<Ranked> out;
  for (const FamilyResult& f : r.Families)
    if (!std::isnan(f.Q)) out.push_back({&f, nullptr});
  for (const StateResult& s : r.States)
    if (!std::isnan(s.Q)) out.push_back({nullptr, &s});
  std::stable_sort(out.begin(), out.end(), [](const Ranked& a, const Ranked& b) {
    return a.Q() < b.Q() || (a.Q() == b.Q() && a.P() < b.P());
  });
  return out;
}

std::string Verdict(const StudyResult& r) {
  const std::vector<Ranked> ranked = RankByQ(r);
  std::vector<std::string> found;
  for (const Ranked& x : ranked)
    if (x.Q() < kDiscovery) found.push_back(x.Fam().Title);
  if (r.Tests == 0)
    return "Nothing was tested: no family had enough observations (or no permutations were asked for).";
  if (found.empty())
    return "Nothing here. Of " + std::to_string(r.Tests) +
           " families and states tested, none survives the correction for testing them all (every q is 0.05 or "
           "more). Any small p in the table is what chance alone gives when this many things are tried; an honest "
           "reader concludes that these prices show no effect of these events.";
  std::string list;
  for (size_t i = 0; i < found.size() && i < 10; ++i) list += (i ? "; " : "") + found[i];
  if (found.size() > 10) list += "; and " + std::to_string(found.size() - 10) + " more";
  return std::to_string(found.size()) + " of " + std::to_string(r.Tests) +
         " families and states tested survive the correction (q < 0.05): " + list +
         ". About one in twenty of these may still be a false discovery; an effect deserves belief only if it "
         "holds again on prices not used here.";
}

json StudyJson(const StudyContext& c, const std::vector<StudySeries>& series, const StudyResult& r) {
  json universe = json::array();
  for (size_t s = 0; s < series.size(); ++s) {
    const study::PriceSeries& p = series[s].Prices;
    universe.push_back({{"label", series[s].Label},
                        {"security", series[s].Security.empty() ? json(nullptr) : json(series[s].Security)},
                        {"natal", series[s].Natal != nullptr},
                        {"prices", p.File},
                        {"format", study::PriceFormatName(p.Format)},
                        {"rows", p.Dates.size()},
                        {"first", study::FormatDate(p.Dates.front())},
                        {"last", study::FormatDate(p.Dates.back())},
                        {"returns", r.Returns[s]}});
  }
  const StudySettings& st = c.Settings;
  json families_asked = json::array();
  for (const std::string& f : c.FamilyItems) families_asked.push_back(f);
  json settings = {{"zone", c.ZoneName.empty() ? "Greenwich" : c.ZoneName},
                   {"zone_hours", st.Zone},
                   {"time_scale", timeline::TimeScaleText()},
                   {"from", c.From.empty() ? json(nullptr) : json(c.From)},
                   {"to", c.To.empty() ? json(nullptr) : json(c.To)},
                   {"window", st.Window},
                   {"horizon", st.Horizon},
                   {"families", c.FamilyItems.empty() ? json("all") : families_asked},
                   {"min_events", st.MinEvents},
                   {"permutations", st.Permutations},
                   {"seed", st.Seed},
                   {"random_natal", st.RandomNatal}};
  json families = json::array();
  for (const FamilyResult& f : r.Families) {
    json band = nullptr;
    if (!f.P05.empty()) band = {{"p05", Numbers(f.P05)}, {"p95", Numbers(f.P95)}};
    json random = nullptr;
    if (f.HasRandom)
      random = {{"charts", f.Random.Charts},
                {"mean", Num(f.Random.Mean)},
                {"sd", Num(f.Random.Sd)},
                {"percentile", Num(f.Random.Percentile)}};
    families.push_back({{"id", f.Fam.Id},
                        {"title", f.Fam.Title},
                        {"observations", f.Observations},
                        {"skipped", f.Skipped},
                        {"car", Numbers(f.Car)},
                        {"band", band},
                        {"stat", Num(f.Stat)},
                        {"p", Num(f.P)},
                        {"q", Num(f.Q)},
                        {"p_holm", Num(f.PHolm)},
                        {"random_natal", random},
                        {"sections", c.Sections.count(f.Fam.Id) ? json(c.Sections.at(f.Fam.Id)) : json::array()}});
  }
  json states = json::array();
  for (const StateResult& s : r.States)
    states.push_back({{"id", s.Fam.Id},
                      {"title", s.Fam.Title},
                      {"days_in", s.Sums.DaysIn},
                      {"days_out", s.Sums.DaysOut},
                      {"mean_in", Num(s.Sums.MeanIn())},
                      {"mean_out", Num(s.Sums.MeanOut())},
                      {"diff", Num(s.Sums.Diff())},
                      {"annualized", Num(s.Sums.Diff() * kTradingDays)},
                      {"p", Num(s.P)},
                      {"q", Num(s.Q)},
                      {"p_holm", Num(s.PHolm)}});
  return {{"universe", std::move(universe)},
          {"settings", std::move(settings)},
          {"tests", r.Tests},
          {"verdict", Verdict(r)},
          {"families", std::move(families)},
          {"states", std::move(states)}};
}

std::string StudyCsv(const StudyResult& r) {
  using forecast::CsvField;
  using forecast::CsvNumber;
  std::string out = "kind,id,title,observations,skipped,days_in,days_out,stat,annualized,p,q,p_holm\n";
  for (const FamilyResult& f : r.Families)
    out += std::string(f.Fam.Kind == FamilyKind::kNatal ? "natal" : "transit") + "," + f.Fam.Id + "," +
           CsvField(f.Fam.Title) + "," + std::to_string(f.Observations) + "," + std::to_string(f.Skipped) + ",,," +
           CsvNumber(f.Stat) + ",," + CsvNumber(f.P) + "," + CsvNumber(f.Q) + "," + CsvNumber(f.PHolm) + "\n";
  for (const StateResult& s : r.States)
    out += "state," + s.Fam.Id + "," + CsvField(s.Fam.Title) + ",,," + std::to_string(s.Sums.DaysIn) + "," +
           std::to_string(s.Sums.DaysOut) + "," + CsvNumber(s.Sums.Diff()) + "," +
           CsvNumber(s.Sums.Diff() * kTradingDays) + "," + CsvNumber(s.P) + "," + CsvNumber(s.Q) + "," +
           CsvNumber(s.PHolm) + "\n";
  return out;
}

std::string StudyText(const StudyContext& c, const std::vector<StudySeries>& series, const StudyResult& r) {
  const StudySettings& st = c.Settings;
  std::string out = "Event study of " + std::to_string(series.size()) + " price series, zone " +
                    (c.ZoneName.empty() ? "Greenwich" : c.ZoneName) + ", window " + std::to_string(st.Window) +
                    ", horizon " + std::to_string(st.Horizon) + ", " + std::to_string(st.Permutations) +
                    " circular shifts, " + std::to_string(r.Tests) + " tests\nEvent moments in " +
                    timeline::TimeScaleText() + "\n\n";
  char line[256];
  std::snprintf(line, sizeof line, "%-4s %-52s %9s %12s %8s %8s\n", "rank", "family or state", "n", "T or D", "p", "q");
  out += line;
  const std::vector<Ranked> ranked = RankByQ(r);
  for (size_t i = 0; i < ranked.size() && i < 20; ++i) {
    const Ranked& x = ranked[i];
    const long long n = x.Family ? x.Family->Observations : x.State->Sums.DaysIn;
    const double stat = x.Family ? x.Family->Stat : x.State->Sums.Diff();
    std::snprintf(line, sizeof line, "%-4zu %-52.52s %9lld %12s %8s %8s\n", i + 1, x.Fam().Title.c_str(), n,
                  Fixed(stat, 6).c_str(), Fixed(x.P(), 4).c_str(), Fixed(x.Q(), 4).c_str());
    out += line;
  }
  return out + "\n" + Verdict(r) + "\n";
}

std::string StudyDetails(const StudyContext& c, const std::vector<StudySeries>& series, const StudyResult& r) {
  using forecast::CsvField;
  std::string out = std::string(kStudyDetailsHeader) + "\n";
  for (const FamilyResult& f : r.Families)
    for (const ObservedEvent& e : f.Events) {
      const StudySeries& s = series[static_cast<size_t>(e.Series)];
      out += f.Fam.Id + "," + CsvField(s.Label) + "," + timeline::UtcText(e.Moment) + "," +
             study::FormatDate(s.Prices.Dates[static_cast<size_t>(e.Day)]) + "\n";
    }
  for (const StateResult& st : r.States)
    for (size_t s = 0; s < st.Runs.size(); ++s) {
      const std::string label = CsvField(series[s].Label);
      for (const Run& run : st.Runs[s])
        for (int t = run.First; t < run.Last; ++t) {
          const study::Date d = series[s].Prices.Dates[static_cast<size_t>(t)];
          out += st.Fam.Id + "," + label + "," + timeline::UtcText(NoonOf(d, c.Settings.Zone)) + "," +
                 study::FormatDate(d) + "\n";
        }
    }
  return out;
}

}  // namespace sd::eventstudy
