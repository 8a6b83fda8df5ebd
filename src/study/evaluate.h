#pragma once
// A model judged against a price history: the model's values at local midnights, the signals
// and returns built from them, and the statistics of each horizon, of random natal charts and
// of each event.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "astro/chart_data.h"
#include "model/ev_list.h"
#include "study/prices.h"
#include "study/statistics.h"

namespace sd::eval {
class TPlanetary_T;
}

namespace sd::study {

// t0(d): local midnight at the start of day d in the zone (packed hours east), as a universal moment.
astro::ChartMoment MidnightOf(Date d, double zone);

// The model's values for one natal chart at the local midnights of consecutive days.
struct MidnightSeries {
  Date First{};                // the day of entry 0
  std::vector<double> Values;  // v(t0(First + i)); NaN where the model has no value
  // Contributions[e][i]: model event e's share of Values[i] (0 when it gave nothing); they sum
  // to Values[i]. Empty unless asked for.
  std::vector<std::vector<double>> Contributions;
};

// v (or any per-midnight series of the same days) at t0(d); NaN outside the series.
double SeriesAt(const std::vector<double>& series, Date first, Date d);

// What the per-midnight computation reads.
struct MidnightInputs {
  const model::TEvList* Model = nullptr;
  double Zone = 0;                          // packed hours east
  const eval::TPlanetary_T* Metrics = nullptr;
  Date First{}, Last{};                     // the days, both included
  int Threads = 1;
  // Called on the calling thread about ten times a second and at the end: midnights done, total.
  std::function<void(int done, int total)> Progress;
};

// The values of every natal chart at each midnight. The charts must share one place (random
// natal charts of one security do): each midnight's sky is computed once and read by all of
// them. Contributions are kept for the first chart only, and only with `contributions`.
std::vector<MidnightSeries> ComputeMidnightSeries(const MidnightInputs& in, const std::vector<astro::ChartData>& natals,
                                                  bool contributions);

// The natal chart of the same place at another moment, computed as the natal chart is.
astro::ChartData NatalAt(const astro::ChartData& natal, astro::ChartMoment t);
// K moments drawn uniformly within 50 years either side of the natal moment, from the seed.
std::vector<astro::ChartMoment> DrawNatalMoments(astro::ChartMoment natal, int k, uint64_t seed);

// Evaluation dates: the price dates d with from <= d <= to that have an earlier price date.
std::vector<Date> EvaluationDates(const PriceSeries& prices, Date from, Date to);

// R_h(d) = ln(P(a) / P(b)), b the last price date before d, a the last price date on or before
// d + h - 1 days; NaN when d + h - 1 is after the last price date or d has no earlier price.
double ReturnOver(const PriceSeries& prices, Date d, int h);

// s_h(d) = x(t0(d) + h days) - x(t0(d)) of a per-midnight series; NaN where either is missing.
double SignalOver(const std::vector<double>& series, Date first, Date d, int h);

// The pairs of one horizon: the evaluation dates where both the return and the signal exist.
struct HorizonPairs {
  int Days = 0;
  std::vector<Date> Dates;
  std::vector<double> Signal, Return;
};
HorizonPairs MakePairs(const std::vector<double>& series, Date first, const PriceSeries& prices,
                       const std::vector<Date>& dates, int h);

// The days whose midnights an evaluation reads: from the first evaluation date to the last one
// plus the longest horizon, but not beyond the day after the last price date.
void MidnightRange(const std::vector<Date>& dates, const PriceSeries& prices, int longest_horizon, Date& first,
                   Date& last);

struct EvaluationOptions {
  std::vector<int> Horizons = {1, 2, 5, 10, 20};
  int Permutations = 999;
  int RandomNatal = 0;
  uint64_t Seed = 20000101;
  int Threads = 1;
  std::function<void(int done, int total)> Progress;
};

// The smallest rotation a permutation of horizon h may use.
inline int MinimumShift(int h) { return h > 20 ? h : 20; }
// The shifts of horizon h for n pairs: the same for every series judged at that horizon.
std::vector<int> HorizonShifts(int n, int h, int permutations, uint64_t seed);

struct RandomNatalSummary {
  int Charts = 0;  // charts with an IC
  double IcMean = kMissing, IcSd = kMissing, Percentile = kMissing;
  std::vector<double> Ics;  // every chart's IC, in draw order (NaN kept)
};

struct HorizonResult {
  int Days = 0;
  int Pairs = 0;
  double Ic = kMissing, P = kMissing, PHolm = kMissing;
  double Critical = kMissing;  // |IC| beyond which the permutation p would be at most 0.05
  HitRate Hits;
  std::vector<double> Quintiles = std::vector<double>(5, kMissing);
  double Spread = kMissing;
  bool HasRandom = false;
  RandomNatalSummary Random;
};

struct EventHorizon {
  int Days = 0;
  double Ic = kMissing, P = kMissing, Q = kMissing;
};

struct EventResult {
  int Event = 0;  // index in the model
  std::string Section;
  std::string Title;  // its "_H" text as stored (code page 1251)
  double Weight = 0;
  std::vector<EventHorizon> Horizons;
};

struct Evaluation {
  std::vector<Date> Dates;             // evaluation dates
  MidnightSeries Truth;                // the security's own chart, with contributions
  std::vector<HorizonPairs> Pairs;     // per horizon
  std::vector<HorizonResult> Horizons;
  std::vector<EventResult> Events;
};

// Everything after the values: the statistics of the true chart, its events and the random
// charts (the `random` series, maybe none), over the given evaluation dates.
Evaluation Assess(const model::TEvList& model, MidnightSeries truth, const std::vector<MidnightSeries>& random,
                  const PriceSeries& prices, const std::vector<Date>& dates, const EvaluationOptions& options);

// The whole evaluation of `natal` (computed as the natal chart is) between from and to.
Evaluation Evaluate(const model::TEvList& model, const astro::ChartData& natal, double zone,
                    const eval::TPlanetary_T* metrics, const PriceSeries& prices, Date from, Date to,
                    const EvaluationOptions& options);

}  // namespace sd::study
