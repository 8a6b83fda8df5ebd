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
  std::string Security;              // as printed; empty when the row names none
  const ChartData* Natal = nullptr;  // the security's natal chart; null: no natal families
  study::PriceSeries Prices;         // the rows of the span studied
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
  ChartMoment Moment = NoValue;
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

// Runs fn(0..n-1) on up to `threads` threads; each index once. What fn writes to its own index's
// place is the same whatever the threads.
void ParallelFor(int n, int threads, const std::function<void(int)>& fn);

// The noon of a price date in the zone, the moment the states read.
ChartMoment NoonOf(study::Date d, double zone);
// The local date of a moment in the zone.
study::Date LocalDateOf(ChartMoment t, double zone);

}  // namespace sd::eventstudy
