// A study cut into shards and merged from its partial files: the whole study's document bit for
// bit whatever the number of shards and the order of the files, and a refusal with its reason for
// every set of files that is not one whole run.
#include "eventstudy/partial.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>

#include "astro/calendar.h"
#include "eventstudy/document.h"
#include "timeline/events.h"

namespace sd::eventstudy {
namespace {

using study::Date;

Date Day(int y, unsigned m, unsigned d) {
  return std::chrono::sys_days{std::chrono::year{y} / std::chrono::month{m} / std::chrono::day{d}};
}

study::PriceSeries Walk(Date first, Date last, unsigned seed) {
  std::mt19937_64 gen(seed);
  std::normal_distribution<double> step(0, 0.01);
  study::PriceSeries p;
  p.File = "walk" + std::to_string(seed) + ".csv";
  double log_price = std::log(100.0);
  for (Date d = first; d <= last; d += std::chrono::days{1}) {
    const unsigned w = std::chrono::weekday{d}.c_encoding();
    if (w == 0 || w == 6) continue;
    if (!p.Dates.empty()) log_price += step(gen);
    p.Dates.push_back(d);
    p.Prices.push_back(std::exp(log_price));
  }
  return p;
}

// Three walks over different spans, the second with a natal chart (a real one, so that random
// charts can be cast at other moments of its place).
class ShardedStudy : public ::testing::Test {
 protected:
  void SetUp() override {
    natal_.Moment = astro::MomentFromDate(1962, 1, 2, 14.5);
    for (int i = 0; i < 12; ++i) {
      natal_.ObjectOn[timeline::kNatalTargets[i]] = 1;
      natal_.Object[astro::kLongitude][timeline::kNatalTargets[i]] = 11.5 + 29.3 * i;
    }
    series_.resize(3);
    for (size_t s = 0; s < series_.size(); ++s) {
      series_[s].Label = "s" + std::to_string(s);
      series_[s].Prices = Walk(Day(1995, 1, 1) + std::chrono::days{50 * s}, Day(1996, 6, 30), 90 + unsigned(s));
    }
    series_[1].Natal = &natal_;
    series_[1].Security = "Natal Walk";
    settings_.Permutations = 39;
    settings_.MinEvents = 4;
    settings_.RandomNatal = 5;
    settings_.Window = 4;
    settings_.Horizon = 2;
    settings_.Families = {"lunation", "station", "ingress:0", "aspect:4", "natal:0", "natal:2:0", "state"};
    context_.Settings = settings_;
    context_.FamilyItems = settings_.Families;
    context_.Sections["lunation:new"] = {"New moon section"};
    print_ = {"stockdyn test, build 1", "--window 4\n--horizon 2\n", "walk90.csv 0123\n"};
  }

  // Everything the study writes but the details (the partial files leave the observations out).
  std::string Written(const StudyContext& c, const std::vector<StudySeries>& series, const StudyResult& r) {
    return StudyJson(c, series, r).dump() + StudyCsv(r) + StudyText(c, series, r) + StudyHtml(c, series, r);
  }

  // The partial files of a run in `count` shards, as (name, text).
  std::vector<std::pair<std::string, std::string>> Partials(int count, const Fingerprint& print) {
    std::vector<std::pair<std::string, std::string>> out;
    for (int i = 0; i < count; ++i)
      out.emplace_back("part" + std::to_string(i) + ".json",
                       PartialText(print, {"--window", "4"}, context_, series_, RunStudyShard(series_, settings_, i, count)));
    return out;
  }

  static MergedStudy Merge(const std::vector<std::pair<std::string, std::string>>& texts,
                           std::vector<std::pair<std::string, Partial>>& parsed) {
    parsed.clear();
    for (const auto& [name, text] : texts) parsed.emplace_back(name, ParsePartial(text, name));
    return MergePartials(parsed);
  }

  astro::ChartData natal_;
  std::vector<StudySeries> series_;
  StudySettings settings_;
  StudyContext context_;
  Fingerprint print_;
};

TEST_F(ShardedStudy, MergedPartialsWriteTheWholeStudyByteForByte) {
  const StudyResult whole = RunStudy(series_, settings_);
  // The case must hold what could differ: tested families and states, a band, random charts.
  ASSERT_GT(whole.Tests, 20);
  const std::string expected = Written(context_, series_, whole);
  std::mt19937 shuffle(7);
  for (int count : {1, 2, 3, 7, 64}) {
    SCOPED_TRACE(count);
    auto texts = Partials(count, print_);
    std::shuffle(texts.begin(), texts.end(), shuffle);
    std::vector<std::pair<std::string, Partial>> parsed;
    const MergedStudy merged = Merge(texts, parsed);
    EXPECT_EQ(Written(merged.First->Context, merged.First->Series, merged.Result), expected);
    EXPECT_EQ(merged.First->StudyArgs, (std::vector<std::string>{"--window", "4"}));
  }
  // The details a merge writes are the observations found again without the null.
  StudySettings observed_only = settings_;
  observed_only.Permutations = 0;
  observed_only.RandomNatal = 0;
  EXPECT_EQ(StudyDetails(context_, series_, RunStudyShard(series_, observed_only, 0, 1).Observed),
            StudyDetails(context_, series_, whole));
}

TEST_F(ShardedStudy, PartialsOfNoOneWholeRunAreRefusedWithTheirReason) {
  const auto three = Partials(3, print_);
  Fingerprint other_args = print_, other_inputs = print_, other_program = print_;
  other_args.Arguments = "--window 4\n--horizon 3\n";
  other_inputs.Inputs = "walk90.csv 4567\n";
  other_program.Program = "stockdyn test, build 2";
  const auto two = Partials(2, print_);
  auto with = [&](const Fingerprint& print) {
    return std::pair<std::string, std::string>(
        "other.json", PartialText(print, {}, context_, series_, RunStudyShard(series_, settings_, 2, 3)));
  };
  const std::string& whole0 = three[0].second;
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> files;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"a shard missing", {three[2], three[0]}, "shard 1 of 3 is missing"},
      {"shards missing", {three[1]}, "shards 0, 2 of 3 are missing"},
      {"a shard twice", {three[0], three[1], three[2], {"again.json", three[1].second}},
       "shard 1 of 3 is given twice: part1.json and again.json"},
      {"another count", {three[0], three[1], two[1]}, "one is a shard of 3, the other of 2"},
      {"other arguments", {three[0], three[1], with(other_args)},
       "their arguments differ ('--horizon 2' in one, '--horizon 3' in the other)"},
      {"other inputs", {three[0], three[1], with(other_inputs)}, "their input files differ"},
      {"another program", {three[0], three[1], with(other_program)}, "different programs wrote them"},
      {"cut in half", {{"part0.json", whole0.substr(0, whole0.size() / 2)}, three[1], three[2]},
       "part0.json: truncated or damaged"},
      {"last brace lost", {three[0], three[1], {"part2.json", three[2].second.substr(0, three[2].second.size() - 2)}},
       "part2.json: truncated or damaged"},
      {"empty", {three[0], three[1], {"part2.json", ""}}, "part2.json: not a partial study file"},
      {"a details file", {three[0], {"d.csv", "family,label,event_utc,event_day\n"}}, "d.csv: not a partial study file"},
      {"shard 0 without its observations",
       {{"part0.json", [&] {
          std::string t = whole0;
          const size_t at = t.find(",\"series\":");
          const size_t end = t.find(",\"null\":");
          return t.erase(at, end - at);
        }()},
        three[1], three[2]},
       "part0.json: damaged"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::pair<std::string, Partial>> parsed;
    try {
      Merge(c.files, parsed);
      ADD_FAILURE() << "merged";
    } catch (const PartialError& e) {
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
    }
  }
}

TEST_F(ShardedStudy, EveryTestedUnitGoesToOneShardAndNoShardEndsMoreThanOneJobAhead) {
  const StudyShard whole = RunStudyShard(series_, settings_, 0, 1);
  const std::vector<double> work = UnitWork(whole.Observed, settings_);
  ASSERT_EQ(work.size(), whole.Observed.Families.size() + whole.Observed.States.size());
  const double largest = *std::max_element(work.begin(), work.end());
  ASSERT_GT(largest, 0);
  for (int count : {1, 2, 5, 40}) {
    SCOPED_TRACE(count);
    const std::vector<int> owner = DealUnits(whole.Observed, settings_, count);
    ASSERT_EQ(owner.size(), work.size());
    std::vector<double> load(static_cast<size_t>(count), 0);
    for (size_t u = 0; u < owner.size(); ++u) {
      if (work[u] == 0) {
        EXPECT_EQ(owner[u], -1) << "untested unit " << u;
        continue;
      }
      ASSERT_GE(owner[u], 0);
      ASSERT_LT(owner[u], count);
      load[static_cast<size_t>(owner[u])] += work[u];
    }
    const auto [lo, hi] = std::minmax_element(load.begin(), load.end());
    EXPECT_LE(*hi - *lo, largest) << "loads from " << *lo << " to " << *hi;
  }
}

}  // namespace
}  // namespace sd::eventstudy
