#pragma once
// An event study over a universe of price series: for each family of transit events and each
// state of the sky, what the abnormal returns did around the events (or on the days), against a
// circular-shift null that keeps the sky where it is, with random natal charts for the natal
// families and Benjamini-Hochberg and Holm over every family tested. The README gives the
// definitions; the output is what a reader needs to recompute them.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "astro/chart_data.h"
#include "eventstudy/families.h"
#include "eventstudy/statistics.h"
#include "study/prices.h"

namespace sd::eventstudy {

struct StudySeries {
  std::string Label;
  std::string Security;                     // as printed; empty when the row names none
  const astro::ChartData* Natal = nullptr;  // the security's natal chart; null: no natal families
  study::PriceSeries Prices;                // the rows of the span studied
};

struct StudySettings {
  double Zone = 0;  // packed hours east
  int Window = 10;  // K
  int Horizon = 5;  // H
  int MinEvents = 10;
  int Permutations = 999;
  int RandomNatal = 0;
  uint64_t Seed = 20000101;
  int Threads = 1;
  std::vector<std::string> Families;  // --families items; empty: all
  // Called on the calling thread as stages advance: the stage's name, done, total.
  std::function<void(const char* stage, int done, int total)> Progress;
};

// One observation as the details list it.
struct ObservedEvent {
  int Series = 0;
  int Day = 0;  // the event day's row
  astro::ChartMoment Moment = astro::kNoMoment;
};

struct RandomNatalSummary {
  int Charts = 0;  // charts on which the family had observations
  double Mean = 0, Sd = 0, Percentile = 0;
};

struct FamilyResult {
  Family Fam;
  int Observations = 0;
  int Skipped = 0;            // events of the series' spans whose window did not fit
  std::vector<double> Car;    // 2K + 1, NaN without observations
  std::vector<double> P05, P95;  // the null's band of the CAR; empty when not tested
  double Stat = 0, P = 0, Q = 0, PHolm = 0;  // NaN where none
  bool HasRandom = false;
  RandomNatalSummary Random;
  std::vector<ObservedEvent> Events;  // by series, then moment
};

struct StateResult {
  Family Fam;
  StateSums Sums;
  double P = 0, Q = 0, PHolm = 0;
  std::vector<std::vector<Run>> Runs;  // per series
};

struct StudyResult {
  std::vector<FamilyResult> Families;
  std::vector<StateResult> States;
  int Tests = 0;  // families and states given a p
  std::vector<int> Returns;  // per series, N
};

// Throws std::invalid_argument for a --families item that chooses nothing.
StudyResult RunStudy(const std::vector<StudySeries>& series, const StudySettings& settings);

// A study cut into shards, so that its null runs on many machines at once. Every shard finds the
// observations (the returns, the events and the days of each state: a small part of the work);
// shard I of N then runs the circular shifts of the families and states dealt to it and casts the
// random charts [R I / N, R (I + 1) / N). Each such unit is computed whole in one shard by the same
// code as in one run, and MergeShards puts the units back in the order one run keeps, so the
// merged result is the unsharded one bit for bit, whatever N.
struct FamilyNull {
  int Family = 0;  // index into the study's families
  double P = 0;
  std::vector<double> P05, P95;
};
struct StateNull {
  int State = 0;  // index into the study's states
  double P = 0;
};
struct RandomStats {
  int Family = 0;            // a natal family
  std::vector<double> Stat;  // T on each of the shard's random charts, in chart order
};
struct StudyShard {
  int Index = 0, Count = 1;
  // The observations and what they give without the null (CAR, T, state sums), alike in every
  // shard; p, q and bands are left NaN.
  StudyResult Observed;
  std::vector<FamilyNull> Families;  // the families tested here, by index
  std::vector<StateNull> States;
  bool RandomCast = false;           // whether the study casts random charts at all
  int FirstChart = 0, EndChart = 0;  // the random charts cast here
  std::vector<RandomStats> Random;   // one per natal family when RandomCast
};

// Shard `index` (0-based) of `count`. Throws std::invalid_argument as RunStudy does, or for a
// shard outside 0..count-1.
StudyShard RunStudyShard(const std::vector<StudySeries>& series, const StudySettings& settings, int index, int count);

// The study of every shard (each once, any order; only shard 0 needs Observed). Throws
// std::invalid_argument when they are not the shards of one study, each once.
StudyResult MergeShards(const std::vector<const StudyShard*>& shards);

// The shard that runs the null of each family and state (families first, then states, as the
// study lists them), -1 for those not tested: the longest jobs first, each to the shard with the
// least work so far (ties to the lowest index). Every shard finds the same observations, so every
// shard deals alike.
std::vector<int> DealUnits(const StudyResult& observed, const StudySettings& settings, int count);
// The work DealUnits weighs each unit by, in the same order: the additions of one shift (a window
// per observation of a family, two running sums per run of a state and one per series); 0 for a
// unit not tested.
std::vector<double> UnitWork(const StudyResult& observed, const StudySettings& settings);

// Runs fn(0..n-1) on up to `threads` threads; each index once. What fn writes to its own index's
// place is the same whatever the threads.
void ParallelFor(int n, int threads, const std::function<void(int)>& fn);

// The noon of a price date in the zone, the moment the states read.
astro::ChartMoment NoonOf(study::Date d, double zone);
// The local date of a moment in the zone.
study::Date LocalDateOf(astro::ChartMoment t, double zone);

}  // namespace sd::eventstudy
