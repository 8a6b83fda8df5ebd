#include "eventstudy/study.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <map>
#include <stdexcept>
#include <thread>
#include <unordered_map>

#include "astro/calendar.h"
#include "study/evaluate.h"
#include "study/statistics.h"
#include "timeline/events.h"

namespace sd::eventstudy {

namespace {

using study::Date;
using study::kMissing;

// The chosen families of one kind, in catalogue order.
std::vector<Family> Chosen(const std::vector<Family>& all, const std::vector<std::string>& items) {
  if (items.empty()) return all;
  std::vector<Family> out;
  for (const Family& f : all)
    for (const std::string& item : items)
      if (FamilyChosen(f.Id, item)) {
        out.push_back(f);
        break;
      }
  return out;
}

// The events of the span for the transit sky and each chart, found chunk by chunk in parallel.
struct SpanLists {
  std::vector<timeline::Event> Transit;
  std::vector<std::vector<timeline::Event>> Natal;
};

SpanLists ScanSpan(const std::vector<const astro::ChartData*>& charts, bool transits, astro::ChartMoment from,
                   astro::ChartMoment to, const StudySettings& settings, const char* stage) {
  const int chunks = timeline::SpanChunks(from, to);
  std::vector<timeline::SpanEvents> found(static_cast<size_t>(chunks));
  ParallelFor(chunks, settings.Threads, [&](int c) {
    found[static_cast<size_t>(c)] = timeline::FindSpanChunk(charts, transits, from, to, c);
  });
  if (settings.Progress) settings.Progress(stage, chunks, chunks);
  SpanLists out;
  out.Natal.assign(charts.size(), {});
  for (auto& chunk : found) {
    out.Transit.insert(out.Transit.end(), chunk.Transit.begin(), chunk.Transit.end());
    for (size_t i = 0; i < charts.size(); ++i)
      out.Natal[i].insert(out.Natal[i].end(), chunk.Natal[i].begin(), chunk.Natal[i].end());
  }
  return out;
}

// Observations of each family of `index` from one series' events.
void Observe(const std::vector<timeline::Event>& events, int series, const study::PriceSeries& prices, int n,
             const std::unordered_map<std::string, int>& index, const StudySettings& settings,
             std::vector<FamilyResult>& families) {
  for (const timeline::Event& e : events) {
    const auto it = index.find(FamilyIdOf(e));
    if (it == index.end()) continue;
    const Date local = LocalDateOf(e.Moment, settings.Zone);
    if (local < prices.Dates.front() || local > prices.Dates.back()) continue;
    FamilyResult& f = families[static_cast<size_t>(it->second)];
    const int day = EventDay(prices.Dates, local);
    if (day >= 0 && WindowFits(day, settings.Window, n))
      f.Events.push_back({series, day, e.Moment});
    else
      ++f.Skipped;
  }
}

// The offsets of each series: 0 for the observed statistic, then one per permutation.
std::vector<std::vector<int>> SeriesOffsets(const std::vector<RotatableSeries>& rotatable,
                                            const std::vector<double>& rotations) {
  std::vector<std::vector<int>> out;
  for (const RotatableSeries& s : rotatable) {
    std::vector<int> offsets = {0};
    for (double u : rotations) offsets.push_back(RotationOf(u, s.N));
    out.push_back(std::move(offsets));
  }
  return out;
}

bool FamilyTested(int observations, const StudySettings& settings) {
  return observations >= settings.MinEvents && observations > 0 && settings.Permutations > 0;
}

bool StateTested(const StateSums& sums, const StudySettings& settings) {
  return sums.DaysIn >= settings.MinEvents && sums.DaysOut >= settings.MinEvents && sums.DaysIn > 0 &&
         sums.DaysOut > 0 && settings.Permutations > 0;
}

void TestFamily(FamilyResult& f, const std::vector<RotatableSeries>& rotatable,
                const std::vector<std::vector<int>>& offsets, const StudySettings& settings) {
  const int k = settings.Window, width = 2 * k + 1;
  f.Observations = static_cast<int>(f.Events.size());
  const bool tested = FamilyTested(f.Observations, settings);
  const size_t draws = tested && !offsets.empty() ? offsets.front().size() : 1;
  // pooled[o][j]: the sums over every series, added in series order.
  std::vector<std::vector<double>> pooled(draws, std::vector<double>(static_cast<size_t>(width), 0.0));
  size_t begin = 0;
  while (begin < f.Events.size()) {
    const int s = f.Events[begin].Series;
    size_t end = begin;
    std::vector<Observation> obs;
    while (end < f.Events.size() && f.Events[end].Series == s) {
      obs.push_back({s, f.Events[end].Day});
      ++end;
    }
    const std::vector<int>& all = offsets[static_cast<size_t>(s)];
    const std::vector<int> used(all.begin(), all.begin() + static_cast<long>(draws));
    const auto sums = WindowSums(rotatable[static_cast<size_t>(s)], obs, k, used);
    for (size_t o = 0; o < draws; ++o)
      for (int j = 0; j < width; ++j) pooled[o][static_cast<size_t>(j)] += sums[o][static_cast<size_t>(j)];
    begin = end;
  }
  const FamilyCurve observed = CurveOf(pooled[0], f.Observations, k, settings.Horizon);
  f.Car = observed.Car;
  f.Stat = observed.Stat;
  f.P = kMissing;
  if (!tested) return;
  std::vector<double> null_stat;
  std::vector<std::vector<double>> null_car(static_cast<size_t>(width));
  for (size_t o = 1; o < draws; ++o) {
    const FamilyCurve c = CurveOf(pooled[o], f.Observations, k, settings.Horizon);
    null_stat.push_back(c.Stat);
    for (int j = 0; j < width; ++j) null_car[static_cast<size_t>(j)].push_back(c.Car[static_cast<size_t>(j)]);
  }
  f.P = PermutationP(f.Stat, null_stat);
  for (int j = 0; j < width; ++j) {
    f.P05.push_back(Quantile(null_car[static_cast<size_t>(j)], 0.05));
    f.P95.push_back(Quantile(null_car[static_cast<size_t>(j)], 0.95));
  }
}

void TestState(StateResult& st, const std::vector<RotatableSeries>& rotatable,
               const std::vector<std::vector<int>>& offsets, const StudySettings& settings) {
  const size_t draws = offsets.empty() ? 1 : offsets.front().size();
  // Each draw's sums are added in series order, apart from every other draw's.
  auto pooled = [&](size_t o) {
    StateSums sums;
    for (size_t s = 0; s < rotatable.size(); ++s) sums.Add(StateSumsOf(rotatable[s], st.Runs[s], offsets[s][o]));
    return sums;
  };
  st.Sums = pooled(0);
  st.P = kMissing;
  if (!StateTested(st.Sums, settings)) return;
  std::vector<double> null;
  for (size_t o = 1; o < draws; ++o) null.push_back(pooled(o).Diff());
  st.P = PermutationP(st.Sums.Diff(), null);
}

// Each series' runs of each state, from the sky at noon of every date any series has.
void FindStateRuns(const std::vector<StudySeries>& series, const std::vector<int>& chosen,
                   const StudySettings& settings, std::vector<StateResult>& states) {
  std::vector<Date> dates;
  for (const StudySeries& s : series) dates.insert(dates.end(), s.Prices.Dates.begin() + 1, s.Prices.Dates.end());
  std::sort(dates.begin(), dates.end());
  dates.erase(std::unique(dates.begin(), dates.end()), dates.end());
  std::vector<std::vector<int>> in(dates.size());
  ParallelFor(static_cast<int>(dates.size()), settings.Threads, [&](int i) {
    in[static_cast<size_t>(i)] = StatesOf(StateAt(NoonOf(dates[static_cast<size_t>(i)], settings.Zone)));
  });
  if (settings.Progress) settings.Progress("states", static_cast<int>(dates.size()), static_cast<int>(dates.size()));
  // place[catalogue index] = index among the chosen states, or -1.
  std::vector<int> place(StateFamilies().size(), -1);
  for (size_t c = 0; c < chosen.size(); ++c) place[static_cast<size_t>(chosen[c])] = static_cast<int>(c);
  for (StateResult& st : states) st.Runs.assign(series.size(), {});
  for (size_t s = 0; s < series.size(); ++s) {
    const auto& d = series[s].Prices.Dates;
    for (size_t t = 1; t < d.size(); ++t) {
      const size_t at = static_cast<size_t>(std::lower_bound(dates.begin(), dates.end(), d[t]) - dates.begin());
      for (int state : in[at]) {
        const int p = place[static_cast<size_t>(state)];
        if (p < 0) continue;
        std::vector<Run>& runs = states[static_cast<size_t>(p)].Runs[s];
        const int row = static_cast<int>(t);
        if (!runs.empty() && runs.back().Last == row)
          runs.back().Last = row + 1;
        else
          runs.push_back({row, row + 1});
      }
    }
  }
}

// Random charts are cast and searched about this many at a time (at least one per security):
// their events are the memory of the search, and a batch keeps it flat however many charts are
// asked for.
constexpr int kRandomBatchCharts = 64;

// For each random chart r in [first, end), the natal families' T over the series' r-th charts;
// one list per natal family, in the order of `families`.
std::vector<RandomStats> RandomNatal(const std::vector<StudySeries>& series, const std::vector<int>& natal_series,
                                     astro::ChartMoment from, astro::ChartMoment to,
                                     const std::unordered_map<std::string, int>& index,
                                     const std::vector<RotatableSeries>& rotatable, const StudySettings& settings,
                                     const std::vector<FamilyResult>& families, int first, int end) {
  std::vector<std::vector<astro::ChartMoment>> moments;
  for (int s : natal_series)
    moments.push_back(
        study::DrawNatalMoments(series[static_cast<size_t>(s)].Natal->Moment, settings.RandomNatal, settings.Seed));
  std::vector<RandomStats> out;
  std::vector<int> slot(families.size(), -1);
  for (size_t i = 0; i < families.size(); ++i)
    if (families[i].Fam.Kind == FamilyKind::kNatal) {
      slot[i] = static_cast<int>(out.size());
      out.push_back({static_cast<int>(i), {}});
    }
  const std::vector<std::vector<int>> unrotated(rotatable.size(), std::vector<int>{0});
  StudySettings plain = settings;
  plain.Permutations = 0;
  const int per_batch = std::max(1, kRandomBatchCharts / static_cast<int>(natal_series.size()));
  for (int r0 = first; r0 < end; r0 += per_batch) {
    const int batch = std::min(per_batch, end - r0);
    // Chart (r - r0) * natal_series.size() + i is series i's r-th.
    std::vector<astro::ChartData> charts;
    charts.reserve(static_cast<size_t>(batch) * natal_series.size());
    for (int r = r0; r < r0 + batch; ++r)
      for (size_t i = 0; i < natal_series.size(); ++i)
        charts.push_back(study::NatalAt(*series[static_cast<size_t>(natal_series[i])].Natal,
                                        moments[i][static_cast<size_t>(r)]));
    std::vector<const astro::ChartData*> pointers;
    for (const astro::ChartData& c : charts) pointers.push_back(&c);
    const SpanLists lists = ScanSpan(pointers, false, from, to, settings, "random natal charts");
    for (int r = r0; r < r0 + batch; ++r) {
      std::vector<FamilyResult> draw(families.size());
      for (size_t i = 0; i < families.size(); ++i) draw[i].Fam = families[i].Fam;
      for (size_t i = 0; i < natal_series.size(); ++i) {
        const int s = natal_series[i];
        const auto& events = lists.Natal[static_cast<size_t>(r - r0) * natal_series.size() + i];
        Observe(events, s, series[static_cast<size_t>(s)].Prices, rotatable[static_cast<size_t>(s)].N, index,
                settings, draw);
      }
      for (size_t i = 0; i < families.size(); ++i) {
        if (slot[i] < 0) continue;
        TestFamily(draw[i], rotatable, unrotated, plain);
        out[static_cast<size_t>(slot[i])].Stat.push_back(draw[i].Stat);
      }
    }
  }
  return out;
}

// The natal family's summary over every random chart's T, in chart order.
void SummarizeRandom(FamilyResult& f, const std::vector<double>& stats) {
  std::vector<double> x;
  for (double v : stats)
    if (std::isfinite(v)) x.push_back(v);
  f.HasRandom = true;
  f.Random.Charts = static_cast<int>(x.size());
  f.Random.Mean = study::Mean(x);
  f.Random.Sd = study::SampleSd(x);
  f.Random.Percentile = study::PercentileBelow(f.Stat, x);
}

// One correction over everything given a p, families first, then states.
void Correct(StudyResult& out) {
  std::vector<double> p;
  for (const FamilyResult& f : out.Families) p.push_back(f.P);
  for (const StateResult& s : out.States) p.push_back(s.P);
  const std::vector<double> q = study::BenjaminiHochberg(p), holm = study::HolmAdjust(p);
  size_t at = 0;
  for (FamilyResult& f : out.Families) {
    f.Q = q[at];
    f.PHolm = holm[at++];
  }
  for (StateResult& st : out.States) {
    st.Q = q[at];
    st.PHolm = holm[at++];
  }
  out.Tests = 0;
  for (double v : p) out.Tests += std::isnan(v) ? 0 : 1;
}

}  // namespace

void ParallelFor(int n, int threads, const std::function<void(int)>& fn) {
  const int workers = std::max(1, std::min(threads, n));
  if (workers == 1) {
    for (int i = 0; i < n; ++i) fn(i);
    return;
  }
  std::atomic<int> next{0};
  std::vector<std::thread> pool;
  for (int w = 0; w < workers; ++w)
    pool.emplace_back([&] {
      for (int i = next++; i < n; i = next++) fn(i);
    });
  for (auto& t : pool) t.join();
}

astro::ChartMoment NoonOf(Date d, double zone) {
  return study::MidnightOf(d, zone) + astro::DayInCenturies / 2;
}

Date LocalDateOf(astro::ChartMoment t, double zone) {
  const astro::CivilDate c = astro::LocalFromMoment(t, zone);
  return std::chrono::sys_days{std::chrono::year{c.year} / std::chrono::month{static_cast<unsigned>(c.month)} /
                               std::chrono::day{static_cast<unsigned>(c.day)}};
}

std::vector<double> UnitWork(const StudyResult& observed, const StudySettings& settings) {
  std::vector<double> work;
  for (const FamilyResult& f : observed.Families)
    work.push_back(FamilyTested(f.Observations, settings)
                       ? static_cast<double>(f.Observations) * (2 * settings.Window + 1)
                       : 0.0);
  for (const StateResult& st : observed.States) {
    double w = 0;
    if (StateTested(st.Sums, settings))
      for (const auto& runs : st.Runs) w += 2.0 * static_cast<double>(runs.size()) + 1;
    work.push_back(w);
  }
  return work;
}

std::vector<int> DealUnits(const StudyResult& observed, const StudySettings& settings, int count) {
  const std::vector<double> work = UnitWork(observed, settings);
  std::vector<int> jobs;
  for (size_t u = 0; u < work.size(); ++u)
    if (work[u] > 0) jobs.push_back(static_cast<int>(u));
  std::stable_sort(jobs.begin(), jobs.end(),
                   [&](int a, int b) { return work[static_cast<size_t>(a)] > work[static_cast<size_t>(b)]; });
  std::vector<int> owner(work.size(), -1);
  std::vector<double> load(static_cast<size_t>(std::max(1, count)), 0.0);
  for (int unit : jobs) {
    const size_t least = static_cast<size_t>(std::min_element(load.begin(), load.end()) - load.begin());
    owner[static_cast<size_t>(unit)] = static_cast<int>(least);
    load[least] += work[static_cast<size_t>(unit)];
  }
  return owner;
}

StudyShard RunStudyShard(const std::vector<StudySeries>& series, const StudySettings& settings, int index,
                         int count) {
  if (const std::string item = ItemChoosingNothing(settings.Families); !item.empty())
    throw std::invalid_argument("--families: '" + item + "' names no family");
  if (count < 1 || index < 0 || index >= count)
    throw std::invalid_argument("shard " + std::to_string(index) + " of " + std::to_string(count) + " does not exist");
  StudyShard shard;
  shard.Index = index;
  shard.Count = count;
  StudyResult& out = shard.Observed;
  bool any_natal = false;
  for (const StudySeries& s : series) any_natal = any_natal || s.Natal;
  std::vector<Family> families = Chosen(TransitFamilies(), settings.Families);
  const bool transits = !families.empty();
  const std::vector<Family> natal = any_natal ? Chosen(NatalFamilies(), settings.Families) : std::vector<Family>{};
  families.insert(families.end(), natal.begin(), natal.end());
  std::unordered_map<std::string, int> index_of;
  for (const Family& f : families) {
    index_of.emplace(f.Id, static_cast<int>(out.Families.size()));
    out.Families.push_back({});
    out.Families.back().Fam = f;
  }

  std::vector<RotatableSeries> rotatable;
  Date first = Date::max(), last = Date::min();
  for (const StudySeries& s : series) {
    rotatable.emplace_back(MakeReturns(s.Prices.Prices).Abnormal);
    out.Returns.push_back(rotatable.back().N);
    first = std::min(first, s.Prices.Dates.front());
    last = std::max(last, s.Prices.Dates.back());
  }
  const std::vector<double> rotations = DrawRotations(settings.Permutations, settings.Seed);
  const std::vector<std::vector<int>> offsets = SeriesOffsets(rotatable, rotations);
  StudySettings observed_only = settings;
  observed_only.Permutations = 0;

  std::vector<int> natal_series;
  const astro::ChartMoment from = study::MidnightOf(first, settings.Zone);
  const astro::ChartMoment to = study::MidnightOf(last + std::chrono::days{1}, settings.Zone);
  if (!families.empty()) {
    // The charts whose events are sought: each series' own (random ones come later, in batches).
    std::vector<const astro::ChartData*> charts;
    for (size_t s = 0; s < series.size(); ++s)
      if (series[s].Natal && !natal.empty()) {
        charts.push_back(series[s].Natal);
        natal_series.push_back(static_cast<int>(s));
      }
    SpanLists lists = ScanSpan(charts, transits, from, to, settings, "events");
    for (size_t s = 0; s < series.size(); ++s)
      Observe(lists.Transit, static_cast<int>(s), series[s].Prices, rotatable[s].N, index_of, settings, out.Families);
    for (size_t i = 0; i < natal_series.size(); ++i) {
      const int s = natal_series[i];
      Observe(lists.Natal[i], s, series[static_cast<size_t>(s)].Prices, rotatable[static_cast<size_t>(s)].N,
              index_of, settings, out.Families);
    }
    // Transit observations went in series by series, natal ones after them: each family holds one
    // kind, so each family's list is already by series, then moment.
    ParallelFor(static_cast<int>(out.Families.size()), settings.Threads, [&](int i) {
      TestFamily(out.Families[static_cast<size_t>(i)], rotatable, offsets, observed_only);
    });
  }

  std::vector<int> chosen_states;
  const std::vector<Family> all_states = StateFamilies();
  for (size_t i = 0; i < all_states.size(); ++i)
    if (!Chosen({all_states[i]}, settings.Families).empty()) chosen_states.push_back(static_cast<int>(i));
  for (int i : chosen_states) {
    out.States.push_back({});
    out.States.back().Fam = all_states[static_cast<size_t>(i)];
  }
  if (!out.States.empty()) {
    FindStateRuns(series, chosen_states, settings, out.States);
    ParallelFor(static_cast<int>(out.States.size()), settings.Threads, [&](int i) {
      TestState(out.States[static_cast<size_t>(i)], rotatable, offsets, observed_only);
    });
  }

  // The null of the units dealt here: the same code on the same sums as one run's, so the same bits.
  const std::vector<int> owner = DealUnits(out, settings, count);
  const size_t nf = out.Families.size();
  for (size_t u = 0; u < owner.size(); ++u) {
    if (owner[u] != index) continue;
    if (u < nf)
      shard.Families.push_back({static_cast<int>(u), 0, {}, {}});
    else
      shard.States.push_back({static_cast<int>(u - nf), 0});
  }
  ParallelFor(static_cast<int>(shard.Families.size()), settings.Threads, [&](int i) {
    FamilyNull& n = shard.Families[static_cast<size_t>(i)];
    FamilyResult f = out.Families[static_cast<size_t>(n.Family)];
    TestFamily(f, rotatable, offsets, settings);
    n.P = f.P;
    n.P05 = std::move(f.P05);
    n.P95 = std::move(f.P95);
  });
  if (settings.Progress)
    settings.Progress("families", static_cast<int>(shard.Families.size()), static_cast<int>(shard.Families.size()));
  ParallelFor(static_cast<int>(shard.States.size()), settings.Threads, [&](int i) {
    StateNull& n = shard.States[static_cast<size_t>(i)];
    StateResult st = out.States[static_cast<size_t>(n.State)];
    TestState(st, rotatable, offsets, settings);
    n.P = st.P;
  });

  shard.RandomCast = !natal.empty() && !natal_series.empty() && settings.RandomNatal > 0;
  if (shard.RandomCast) {
    const long long r = settings.RandomNatal;
    shard.FirstChart = static_cast<int>(r * index / count);
    shard.EndChart = static_cast<int>(r * (index + 1) / count);
    shard.Random = RandomNatal(series, natal_series, from, to, index_of, rotatable, settings, out.Families,
                               shard.FirstChart, shard.EndChart);
  }
  return shard;
}

StudyResult MergeShards(const std::vector<const StudyShard*>& shards) {
  if (shards.empty()) throw std::invalid_argument("no shards to merge");
  const int count = shards.front()->Count;
  std::vector<const StudyShard*> at(static_cast<size_t>(std::max(count, 0)), nullptr);
  for (const StudyShard* s : shards) {
    if (s->Count != count || s->Index < 0 || s->Index >= count)
      throw std::invalid_argument("the shards are not of one study: shard counts differ");
    if (at[static_cast<size_t>(s->Index)])
      throw std::invalid_argument("shard " + std::to_string(s->Index) + " of " + std::to_string(count) +
                                  " is given twice");
    at[static_cast<size_t>(s->Index)] = s;
  }
  for (int i = 0; i < count; ++i)
    if (!at[static_cast<size_t>(i)])
      throw std::invalid_argument("shard " + std::to_string(i) + " of " + std::to_string(count) + " is missing");

  StudyResult out = at.front()->Observed;
  const size_t nf = out.Families.size(), ns = out.States.size();
  std::vector<int> given(nf + ns, 0);
  auto claim = [&](size_t unit) {
    if (unit >= given.size() || given[unit]++)
      throw std::invalid_argument("the shards are not of one study: a family or state is tested twice");
  };
  std::vector<std::vector<double>> random(nf);
  int next_chart = 0;
  for (const StudyShard* s : at) {
    for (const FamilyNull& n : s->Families) {
      claim(static_cast<size_t>(n.Family));
      FamilyResult& f = out.Families[static_cast<size_t>(n.Family)];
      f.P = n.P;
      f.P05 = n.P05;
      f.P95 = n.P95;
    }
    for (const StateNull& n : s->States) {
      claim(nf + static_cast<size_t>(n.State));
      out.States[static_cast<size_t>(n.State)].P = n.P;
    }
    if (s->RandomCast != at.front()->RandomCast || (s->RandomCast && s->FirstChart != next_chart))
      throw std::invalid_argument("the shards are not of one study: their random charts do not join up");
    next_chart = s->EndChart;
    for (const RandomStats& r : s->Random) {
      if (r.Family < 0 || static_cast<size_t>(r.Family) >= nf)
        throw std::invalid_argument("the shards are not of one study: a random chart's family is unknown");
      auto& all = random[static_cast<size_t>(r.Family)];
      all.insert(all.end(), r.Stat.begin(), r.Stat.end());
    }
  }
  if (at.front()->RandomCast)
    for (const RandomStats& r : at.front()->Random)
      SummarizeRandom(out.Families[static_cast<size_t>(r.Family)], random[static_cast<size_t>(r.Family)]);
  Correct(out);
  return out;
}

StudyResult RunStudy(const std::vector<StudySeries>& series, const StudySettings& settings) {
  const StudyShard whole = RunStudyShard(series, settings, 0, 1);
  return MergeShards({&whole});
}

}  // namespace sd::eventstudy
