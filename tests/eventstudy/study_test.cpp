// The event study on random walks: a planted effect is found at its size, pure noise gives the
// share of small p that chance gives and few discoveries, the event days follow the zone and the
// weekends, and the threads change nothing.
#include "eventstudy/study.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <set>

#include "astro/calendar.h"
#include "eventstudy/document.h"
#include "timeline/document.h"
#include "timeline/events.h"

namespace sd::eventstudy {
namespace {

using study::Date;

Date Day(int y, unsigned m, unsigned d) {
  return std::chrono::sys_days{std::chrono::year{y} / std::chrono::month{m} / std::chrono::day{d}};
}

bool Weekday(Date d) {
  const unsigned w = std::chrono::weekday{d}.c_encoding();
  return w != 0 && w != 6;
}

// The local date of a moment, read off the calendar at the moment moved by the zone's hours.
Date LocalDate(astro::ChartMoment t, double zone_hours) {
  const astro::CivilDate c = astro::DateFromMoment(t + zone_hours / 24 * astro::DayInCenturies);
  return Day(c.year, static_cast<unsigned>(c.month), static_cast<unsigned>(c.day));
}

// Every new moon from the timeline between two dates.
std::vector<astro::ChartMoment> NewMoons(Date first, Date last) {
  const astro::ChartMoment from = astro::MomentFromDate(static_cast<int>(std::chrono::year_month_day{first}.year()), 1, 1, 0) -
                           40 * astro::DayInCenturies;
  const astro::ChartMoment to = from + ((last - first).count() + 80) * astro::DayInCenturies;
  std::vector<astro::ChartMoment> out;
  for (int c = 0; c < timeline::SpanChunks(from, to); ++c)
    for (const timeline::Event& e : timeline::FindSpanChunk({}, true, from, to, c).Transit)
      if (e.Type == timeline::EventType::kLunation && e.Aspect == 0) out.push_back(e.Moment);
  return out;
}

// A weekday random walk of log steps N(0, sigma); `plant` is added to the return of each row
// whose date is in `planted`.
study::PriceSeries Walk(Date first, Date last, unsigned seed, double sigma, const std::set<Date>& planted = {},
                        double plant = 0) {
  std::mt19937_64 gen(seed);
  std::normal_distribution<double> step(0, sigma);
  study::PriceSeries p;
  p.File = "walk" + std::to_string(seed);
  double log_price = std::log(100.0);
  for (Date d = first; d <= last; d += std::chrono::days{1}) {
    if (!Weekday(d)) continue;
    if (!p.Dates.empty()) log_price += step(gen) + (planted.count(d) ? plant : 0);
    p.Dates.push_back(d);
    p.Prices.push_back(std::exp(log_price));
  }
  return p;
}

const FamilyResult& FamilyOf(const StudyResult& r, const std::string& id) {
  for (const FamilyResult& f : r.Families)
    if (f.Fam.Id == id) return f;
  throw std::runtime_error("no family " + id);
}

TEST(RunStudy, PlantedNewMoonReturnIsFoundAtItsSize) {
  const Date first = Day(1980, 1, 1), last = Day(1995, 12, 31);
  std::set<Date> planted;
  std::vector<Date> weekdays;
  for (Date d = first; d <= last; d += std::chrono::days{1})
    if (Weekday(d)) weekdays.push_back(d);
  for (astro::ChartMoment t : NewMoons(first, last)) {
    Date d = LocalDate(t, 0);
    while (!Weekday(d)) d += std::chrono::days{1};
    if (d > first && d <= last) planted.insert(d);
  }
  ASSERT_GT(planted.size(), 190u);
  const double kPlant = 0.02, kSigma = 0.005;
  StudySettings settings;
  settings.Permutations = 199;
  settings.Families = {"lunation", "eclipse", "state:lunar"};
  int at_floor = 0;
  const unsigned kSeeds = 5;
  for (unsigned seed = 1; seed <= kSeeds; ++seed) {
    SCOPED_TRACE(seed);
    std::vector<StudySeries> series(3);
    for (size_t s = 0; s < series.size(); ++s) {
      series[s].Label = "s" + std::to_string(s);
      series[s].Prices = Walk(first, last, seed * 10 + static_cast<unsigned>(s), kSigma, planted, kPlant);
    }
    settings.Seed = seed;
    const StudyResult r = RunStudy(series, settings);
    const FamilyResult& f = FamilyOf(r, "lunation:new");
    // Each series' mean return holds its share of the planted returns; every abnormal return of
    // the H days loses it.
    const double n_returns = static_cast<double>(series[0].Prices.Dates.size() - 1);
    const double share = kPlant * static_cast<double>(planted.size()) / n_returns;
    const double predicted = kPlant - settings.Horizon * share;
    EXPECT_GT(f.Observations, 3 * 190);
    EXPECT_NEAR(f.Stat, predicted, 0.002);
    EXPECT_LE(f.P, 0.02);
    EXPECT_LT(f.Q, 0.05);
    EXPECT_GT(FamilyOf(r, "lunation:full").Q, 0.05);
    at_floor += f.P == 1.0 / 200;
    // The planted day is the only lag where the mean stands out.
    EXPECT_GT(f.Car[10] - f.Car[9], 0.015);
  }
  std::printf("planted new-moon effect: p at its floor 1/200 in %d of %u seeds\n", at_floor, kSeeds);
}

TEST(RunStudy, PureRandomWalksGiveChanceRatesOfSmallP) {
  const Date first = Day(1992, 1, 1), last = Day(1997, 12, 31);
  StudySettings settings;
  settings.Permutations = 99;
  int small = 0, tests = 0, seeds_with_discovery = 0, discoveries = 0;
  const unsigned kSeeds = 20;
  for (unsigned seed = 1; seed <= kSeeds; ++seed) {
    std::vector<StudySeries> series(2);
    for (size_t s = 0; s < series.size(); ++s) {
      series[s].Label = "s" + std::to_string(s);
      series[s].Prices = Walk(first, last, 1000 + seed * 10 + static_cast<unsigned>(s), 0.01);
    }
    settings.Seed = seed;
    const StudyResult r = RunStudy(series, settings);
    int found = 0;
    for (const FamilyResult& f : r.Families)
      if (!std::isnan(f.P)) small += f.P < 0.05, ++tests, found += f.Q < 0.05;
    for (const StateResult& s : r.States)
      if (!std::isnan(s.P)) small += s.P < 0.05, ++tests, found += s.Q < 0.05;
    discoveries += found;
    seeds_with_discovery += found > 0;
  }
  const double share = static_cast<double>(small) / tests;
  std::printf("pure random walks: %d of %d tests with p < 0.05 (%.2f %%); BH discoveries in %d of %u seeds (%d in all)\n",
              small, tests, 100 * share, seeds_with_discovery, kSeeds, discoveries);
  EXPECT_GT(tests, 20 * 250);
  EXPECT_NEAR(share, 0.05, 0.02);
  EXPECT_LE(seeds_with_discovery, 3);
}

TEST(RunStudy, EventDaysFollowTheZoneAndTheWeekend) {
  const Date first = Day(1999, 1, 1), last = Day(2001, 12, 31);
  std::vector<StudySeries> series(1);
  series[0].Label = "walk";
  series[0].Prices = Walk(first, last, 9, 0.01);
  const std::vector<Date>& dates = series[0].Prices.Dates;
  StudySettings settings;
  settings.Permutations = 0;
  settings.Families = {"lunation"};
  // Packed hours east and their decimal hours.
  const struct {
    double packed, hours;
  } zones[] = {{0, 0}, {-5, -5}, {9.30, 9.5}, {13, 13}};
  std::set<astro::ChartMoment> date_moved, weekend;
  for (const auto& z : zones) {
    SCOPED_TRACE(z.hours);
    settings.Zone = z.packed;
    const StudyResult r = RunStudy(series, settings);
    for (const char* id : {"lunation:new", "lunation:full"}) {
      const FamilyResult& f = FamilyOf(r, id);
      ASSERT_GT(f.Observations, 30);
      for (const ObservedEvent& e : f.Events) {
        const Date local = LocalDate(e.Moment, z.hours);
        Date want = local;
        while (!Weekday(want)) want += std::chrono::days{1};
        EXPECT_EQ(study::FormatDate(dates[static_cast<size_t>(e.Day)]), study::FormatDate(want))
            << timeline::UtcText(e.Moment);
        if (local != LocalDate(e.Moment, 0)) date_moved.insert(e.Moment);
        if (!Weekday(local)) weekend.insert(e.Moment);
      }
    }
  }
  // The cases the table must hold: lunations whose local date is not Greenwich's, and weekend ones.
  EXPECT_GT(date_moved.size(), 10u);
  EXPECT_GT(weekend.size(), 10u);
}

TEST(RunStudy, TheSameDocumentWhateverTheThreads) {
  const Date first = Day(1995, 1, 1), last = Day(1996, 12, 31);
  // A natal chart placed by hand: objects 0..9, the Ascendant and the Midheaven.
  astro::ChartData natal;
  for (int i = 0; i < 12; ++i) {
    natal.ObjectOn[timeline::kNatalTargets[i]] = 1;
    natal.Object[astro::kLongitude][timeline::kNatalTargets[i]] = 17.5 + 29.3 * i;
  }
  std::vector<StudySeries> series(3);
  for (size_t s = 0; s < series.size(); ++s) {
    series[s].Label = "s" + std::to_string(s);
    // Different spans, so that the rotations differ between series.
    series[s].Prices = Walk(first + std::chrono::days{40 * s}, last, 70 + static_cast<unsigned>(s), 0.01);
  }
  series[1].Natal = &natal;
  StudySettings settings;
  settings.Permutations = 49;
  settings.MinEvents = 5;
  StudyContext c;
  std::string first_doc;
  for (int threads : {1, 2, 5}) {
    settings.Threads = threads;
    c.Settings = settings;
    c.Settings.Threads = 1;
    const StudyResult r = RunStudy(series, settings);
    const std::string doc = StudyJson(c, series, r).dump() + StudyDetails(c, series, r);
    if (first_doc.empty()) {
      first_doc = doc;
      EXPECT_GT(r.Tests, 300);
      EXPECT_GT(FamilyOf(r, "natal:1:0:0").Observations, 20);
    } else {
      EXPECT_EQ(doc, first_doc) << threads << " threads";
    }
  }
}

TEST(RunStudy, UnknownFamilyItemIsRefused) {
  std::vector<StudySeries> series(1);
  series[0].Prices = Walk(Day(2000, 1, 1), Day(2000, 6, 1), 1, 0.01);
  StudySettings settings;
  settings.Families = {"lunation", "aspects"};
  EXPECT_THROW(RunStudy(series, settings), std::invalid_argument);
}

}  // namespace
}  // namespace sd::eventstudy
