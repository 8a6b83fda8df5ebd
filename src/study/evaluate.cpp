#include "study/evaluate.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <exception>
#include <mutex>
#include <random>
#include <thread>

#include "astro/chart.h"
#include "astro/moment.h"
#include "forecast/grid.h"
#include "forecast/model_value.h"

namespace sd::study {

namespace {

// One 64-bit seed per use of the run's seed (splitmix64 of the three), so that the shifts of a
// horizon do not depend on how many horizons or charts were asked for.
uint64_t SubSeed(uint64_t seed, uint64_t stream, uint64_t index) {
  uint64_t z = seed;
  for (uint64_t part : {stream, index}) {
    z += 0x9E3779B97F4A7C15ull + part;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
  }
  return z;
}

constexpr uint64_t kShiftStream = 1;
constexpr uint64_t kNatalStream = 2;

constexpr double kHalfNatalSpan = 0.5;  // fifty years, in centuries

int DayIndex(Date first, Date d) { return static_cast<int>((d - first).count()); }

// Runs task(i) for i in [0, count) on `threads` threads, the calling thread reporting progress.
template <typename Task>
void ParallelFor(int count, int threads, int chunk, const Task& task,
                 const std::function<void(int, int)>& progress) {
  threads = std::max(1, std::min(threads, (count + chunk - 1) / std::max(chunk, 1)));
  std::atomic<int> next{0}, done{0};
  std::exception_ptr failure;
  std::mutex failure_mutex;
  std::atomic<bool> failed{false};
  auto worker = [&] {
    for (;;) {
      const int start = next.fetch_add(chunk);
      if (start >= count) return;
      const int end = std::min(count, start + chunk);
      try {
        for (int i = start; i < end; ++i) task(i);
      } catch (...) {
        std::lock_guard<std::mutex> lock(failure_mutex);
        if (!failure) failure = std::current_exception();
        failed = true;
        next = count;  // the others stop at their next chunk
      }
      done += end - start;
    }
  };
  std::vector<std::thread> pool;
  if (progress) {
    // The calling thread only watches, so that the bar moves while the workers run.
    for (int t = 0; t < threads; ++t) pool.emplace_back(worker);
    while (done.load() < count && !failed) {
      progress(done.load(), count);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    for (auto& t : pool) t.join();
    if (!failed) progress(count, count);
  } else {
    for (int t = 1; t < threads; ++t) pool.emplace_back(worker);
    worker();
    for (auto& t : pool) t.join();
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace

astro::ChartMoment MidnightOf(Date d, double zone) {
  const std::chrono::year_month_day ymd{d};
  return forecast::LocalMidnight(static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
                                 static_cast<int>(static_cast<unsigned>(ymd.day())), zone);
}

double SeriesAt(const std::vector<double>& series, Date first, Date d) {
  const int i = DayIndex(first, d);
  if (i < 0 || i >= static_cast<int>(series.size())) return kMissing;
  return series[static_cast<size_t>(i)];
}

std::vector<MidnightSeries> ComputeMidnightSeries(const MidnightInputs& in, const std::vector<astro::ChartData>& natals,
                                                  bool contributions) {
  const int days = std::max(0, DayIndex(in.First, in.Last) + 1);
  const int events = in.Model->Count();
  std::vector<MidnightSeries> out(natals.size());
  for (auto& s : out) {
    s.First = in.First;
    s.Values.assign(static_cast<size_t>(days), kMissing);
  }
  if (natals.empty()) return out;
  if (contributions) out[0].Contributions.assign(static_cast<size_t>(events), std::vector<double>(days, 0.0));

  // The sky depends on the place and the zone only: one transit event serves every chart.
  const astro::ChartData transit_event = forecast::TransitEvent(natals[0], in.Zone);
  auto task = [&](int i) {
    thread_local std::unique_ptr<forecast::TransitSky> sky;
    thread_local std::vector<forecast::Contribution> shares;
    if (!sky) sky = std::make_unique<forecast::TransitSky>();
    forecast::ComputeSky(transit_event, MidnightOf(in.First + std::chrono::days{i}, in.Zone), *sky);
    for (size_t c = 0; c < natals.size(); ++c) {
      const bool explain = contributions && c == 0;
      const double v = forecast::ModelValue(*in.Model, natals[c], *sky, in.Zone, in.Metrics,
                                            explain ? &shares : nullptr);
      out[c].Values[static_cast<size_t>(i)] = astro::IsValue(v) ? v : kMissing;
      if (explain && astro::IsValue(v))
        for (const auto& share : shares)
          if (share.Event >= 0 && share.Event < events)
            out[0].Contributions[static_cast<size_t>(share.Event)][static_cast<size_t>(i)] += share.Value;
    }
  };
  ParallelFor(days, in.Threads, 4, task, in.Progress);
  return out;
}

astro::ChartData NatalAt(const astro::ChartData& natal, astro::ChartMoment t) {
  astro::ChartData chart = natal;
  chart.Event.MoveClockTo(t);
  ComputeChart(chart, astro::MomentSource::LocalClock);
  return chart;
}

std::vector<astro::ChartMoment> DrawNatalMoments(astro::ChartMoment natal, int k, uint64_t seed) {
  std::mt19937_64 gen(SubSeed(seed, kNatalStream, 0));
  std::uniform_real_distribution<double> offset(-kHalfNatalSpan, kHalfNatalSpan);
  std::vector<astro::ChartMoment> out;
  for (int i = 0; i < k; ++i) out.push_back(natal + offset(gen));
  return out;
}

std::vector<Date> EvaluationDates(const PriceSeries& prices, Date from, Date to) {
  std::vector<Date> out;
  for (size_t i = 1; i < prices.Dates.size(); ++i)
    if (prices.Dates[i] >= from && prices.Dates[i] <= to) out.push_back(prices.Dates[i]);
  return out;
}

double ReturnOver(const PriceSeries& prices, Date d, int h) {
  const auto& dates = prices.Dates;
  if (dates.empty() || h < 1) return kMissing;
  const Date end = d + std::chrono::days{h - 1};
  if (end > dates.back()) return kMissing;
  const auto before = std::lower_bound(dates.begin(), dates.end(), d);  // first date >= d
  if (before == dates.begin()) return kMissing;
  const size_t b = static_cast<size_t>(before - dates.begin()) - 1;
  const size_t a = static_cast<size_t>(std::upper_bound(dates.begin(), dates.end(), end) - dates.begin()) - 1;
  return std::log(prices.Prices[a] / prices.Prices[b]);
}

double SignalOver(const std::vector<double>& series, Date first, Date d, int h) {
  return SeriesAt(series, first, d + std::chrono::days{h}) - SeriesAt(series, first, d);
}

HorizonPairs MakePairs(const std::vector<double>& series, Date first, const PriceSeries& prices,
                       const std::vector<Date>& dates, int h) {
  HorizonPairs p;
  p.Days = h;
  for (Date d : dates) {
    const double r = ReturnOver(prices, d, h);
    if (std::isnan(r)) continue;
    const double s = SignalOver(series, first, d, h);
    if (std::isnan(s)) continue;
    p.Dates.push_back(d);
    p.Signal.push_back(s);
    p.Return.push_back(r);
  }
  return p;
}

void MidnightRange(const std::vector<Date>& dates, const PriceSeries& prices, int longest_horizon, Date& first,
                   Date& last) {
  if (dates.empty() || prices.Dates.empty()) {
    first = Date{};
    last = first - std::chrono::days{1};
    return;
  }
  first = dates.front();
  last = std::min(dates.back() + std::chrono::days{longest_horizon}, prices.Dates.back() + std::chrono::days{1});
}

std::vector<int> HorizonShifts(int n, int h, int permutations, uint64_t seed) {
  return DrawShifts(n, MinimumShift(h), permutations, SubSeed(seed, kShiftStream, static_cast<uint64_t>(h)));
}

namespace {

// What a horizon's judgements share: the returns in rank order and the circular shifts that
// make their null distribution, the same for the true chart and for each of its events.
struct HorizonNull {
  RankedSeries Returns;
  std::vector<int> Shifts;
};

// The true chart's statistics at one horizon over its pairs.
HorizonResult JudgeHorizon(const HorizonPairs& pairs, const HorizonNull& null) {
  HorizonResult r;
  r.Days = pairs.Days;
  r.Pairs = static_cast<int>(pairs.Dates.size());
  const RankedSeries rs = Rank(pairs.Signal);
  r.Ic = RotatedCorrelation(rs, null.Returns, 0);
  r.P = PermutationP(rs, null.Returns, null.Shifts);
  r.Critical = PermutationCritical(rs, null.Returns, null.Shifts, 0.05);
  r.Hits = CountHits(pairs.Signal, pairs.Return);
  r.Quintiles = QuintileMeans(pairs.Signal, pairs.Return);
  r.Spread = r.Quintiles[4] - r.Quintiles[0];
  return r;
}

// Where the true chart's IC `ic` at horizon h stands among the random charts' ICs.
RandomNatalSummary JudgeRandomNatal(const std::vector<MidnightSeries>& random, const PriceSeries& prices,
                                    const std::vector<Date>& dates, int h, double ic) {
  RandomNatalSummary summary;
  std::vector<double> valid;
  for (const auto& chart : random) {
    const HorizonPairs rp = MakePairs(chart.Values, chart.First, prices, dates, h);
    const double chart_ic = Spearman(rp.Signal, rp.Return);
    summary.Ics.push_back(chart_ic);
    if (!std::isnan(chart_ic)) valid.push_back(chart_ic);
  }
  summary.Charts = static_cast<int>(valid.size());
  summary.IcMean = Mean(valid);
  summary.IcSd = SampleSd(valid);
  summary.Percentile = PercentileBelow(ic, valid);
  return summary;
}

// Each event judged on the true chart's pairs, against the same returns and the same shifts,
// with Benjamini-Hochberg q-values over the events of each horizon.
void JudgeEvents(const model::TEvList& model, const MidnightSeries& truth, const std::vector<HorizonNull>& nulls,
                 const EvaluationOptions& options, Evaluation& ev) {
  const size_t horizons = nulls.size();
  const int events = static_cast<int>(truth.Contributions.size());
  ev.Events.resize(static_cast<size_t>(events));
  for (int e = 0; e < events; ++e) {
    auto& out = ev.Events[static_cast<size_t>(e)];
    out.Event = e;
    out.Section = model.Event(e).Section;
    out.Title = model.Event(e).Header;
    out.Weight = model.Event(e).Weight;
    out.Horizons.resize(horizons);
  }
  auto task = [&](int i) {
    const int e = i / static_cast<int>(horizons);
    const size_t k = static_cast<size_t>(i) % horizons;
    const auto& pairs = ev.Pairs[k];
    const auto& c = truth.Contributions[static_cast<size_t>(e)];
    std::vector<double> s;
    s.reserve(pairs.Dates.size());
    for (Date d : pairs.Dates) s.push_back(SignalOver(c, truth.First, d, pairs.Days));
    const RankedSeries rs = Rank(s);
    EventHorizon& eh = ev.Events[static_cast<size_t>(e)].Horizons[k];
    eh.Days = pairs.Days;
    eh.Ic = RotatedCorrelation(rs, nulls[k].Returns, 0);
    eh.P = PermutationP(rs, nulls[k].Returns, nulls[k].Shifts);
  };
  ParallelFor(events * static_cast<int>(horizons), options.Threads, 1, task, nullptr);
  for (size_t k = 0; k < horizons; ++k) {
    std::vector<double> pk;
    for (const auto& e : ev.Events) pk.push_back(e.Horizons[k].P);
    const auto q = BenjaminiHochberg(pk);
    for (size_t e = 0; e < ev.Events.size(); ++e) ev.Events[e].Horizons[k].Q = q[e];
  }
}

}  // namespace

Evaluation Assess(const model::TEvList& model, MidnightSeries truth, const std::vector<MidnightSeries>& random,
                  const PriceSeries& prices, const std::vector<Date>& dates, const EvaluationOptions& options) {
  Evaluation ev;
  ev.Dates = dates;
  const size_t horizons = options.Horizons.size();
  std::vector<HorizonNull> nulls(horizons);
  std::vector<double> p(horizons, kMissing);
  for (size_t k = 0; k < horizons; ++k) {
    const int h = options.Horizons[k];
    HorizonPairs pairs = MakePairs(truth.Values, truth.First, prices, dates, h);
    nulls[k].Returns = Rank(pairs.Return);
    nulls[k].Shifts = HorizonShifts(static_cast<int>(pairs.Dates.size()), h, options.Permutations, options.Seed);
    HorizonResult r = JudgeHorizon(pairs, nulls[k]);
    p[k] = r.P;
    if (options.RandomNatal > 0) {
      r.HasRandom = true;
      r.Random = JudgeRandomNatal(random, prices, dates, h, r.Ic);
    }
    ev.Horizons.push_back(std::move(r));
    ev.Pairs.push_back(std::move(pairs));
  }
  const auto holm = HolmAdjust(p);
  for (size_t k = 0; k < horizons; ++k) ev.Horizons[k].PHolm = holm[k];
  JudgeEvents(model, truth, nulls, options, ev);
  ev.Truth = std::move(truth);
  return ev;
}

Evaluation Evaluate(const model::TEvList& model, const astro::ChartData& natal, double zone,
                    const eval::TPlanetary_T* metrics, const PriceSeries& prices, Date from, Date to,
                    const EvaluationOptions& options) {
  const std::vector<Date> dates = EvaluationDates(prices, from, to);
  int longest = 0;
  for (int h : options.Horizons) longest = std::max(longest, h);

  std::vector<astro::ChartData> natals = {natal};
  for (astro::ChartMoment t : DrawNatalMoments(natal.Moment, options.RandomNatal, options.Seed))
    natals.push_back(NatalAt(natal, t));

  MidnightInputs in;
  in.Model = &model;
  in.Zone = zone;
  in.Metrics = metrics;
  in.Threads = options.Threads;
  in.Progress = options.Progress;
  MidnightRange(dates, prices, longest, in.First, in.Last);
  auto series = ComputeMidnightSeries(in, natals, true);
  MidnightSeries truth = std::move(series.front());
  series.erase(series.begin());
  return Assess(model, std::move(truth), series, prices, dates, options);
}

}  // namespace sd::study
