#pragma once
// Fitting a model's weights to a price history, and judging the fit on dates it did not see.
//
// The input is what the evaluation computes once: for every evaluation date its return over the
// horizon and every event's signal (the change of the event's unweighted contribution over the
// horizon). The fit regresses the returns on the signals (ridge, standardised columns) and
// reports the statistics of the fitted model's signal on a later test span.
//
// No look-ahead: a date enters a fit only when its return window ends inside the span fitted
// (date + horizon - 1 days <= the span's last day), and a validation or test block is predicted
// only by fits on dates whose return windows end before the block begins.
#include <Eigen/Dense>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "study/ridge.h"

namespace sd::study {

using FitDate = std::chrono::sys_days;

struct FitInput {
  int Horizon = 1;                // days
  std::vector<FitDate> Dates;     // evaluation dates, strictly increasing
  std::vector<double> Returns;    // the return of each date; NaN where it is not defined
  Eigen::MatrixXd Signals;        // a row per date, a column per event
};

// The penalties cross-validation tries: 0 and 10^-4 .. 10 in half decades.
std::vector<double> DefaultPenalties();

struct FitOptions {
  FitDate TrainFrom, TrainTo, TestFrom, TestTo;  // TestFrom must lie after TrainTo
  std::optional<double> Ridge;    // a fixed penalty; none: chosen by walk-forward validation
  int CvBlocks = 5;               // validation blocks inside the training span
  std::vector<double> Penalties = DefaultPenalties();
  int Folds = 0;                  // walk-forward test blocks over the whole span (0: none)
  int Permutations = 999;
  uint64_t Seed = 20240101;
};

// The statistics of one signal against the returns on one set of dates.
struct SignalStats {
  int Pairs = 0;
  double Ic = NAN;       // Spearman rank correlation; NaN when a side is constant
  double PValue = NAN;   // circular-shift permutation test, two-sided; NaN when too few pairs
  int Hits = 0;          // equal signs among the pairs where neither side is 0
  int HitPairs = 0;
  double HitRate = NAN;
};

struct FoldResult {
  FitDate From, To;      // first and last date of the block
  int TrainPairs = 0;
  double Lambda = NAN;
  SignalStats Stats;     // IC of the block (no permutation test per block)
};

struct RandomNatalStats {
  int Charts = 0;
  double IcMean = NAN, IcSd = NAN;
  double Percentile = NAN;  // share of random test ICs strictly below the true one, 0..100
};

struct FitResult {
  std::vector<int> Fitted;     // input columns fitted, in column order
  std::vector<int> Constant;   // columns left out: their signal is constant over the training span
  RidgeModel Model;            // on the fitted columns, in their order
  std::vector<double> Weights; // per input column: the fitted coefficient, 0 when left out
  int PenaltiesTried = 0;
  std::vector<std::pair<double, double>> CvIc;  // penalty, joined validation IC
  int TrainPairs = 0;
  SignalStats InSample;        // without the permutation test
  SignalStats Test;
  std::vector<FoldResult> Folds;
  SignalStats FoldsJoined;     // all fold blocks' predictions together
  std::optional<RandomNatalStats> RandomNatal;
};

// Throws std::invalid_argument when the spans are out of order, the training span has fewer
// pairs than needed, or no penalty can be validated.
FitResult Fit(const FitInput& in, const FitOptions& options);

// The same procedure for charts drawn at random (their signals on the same dates): the share of
// their test ICs below the true one tells whether the true chart's fit is more than chance.
RandomNatalStats RandomNatalNull(const FitInput& in, const FitOptions& options, double true_ic,
                                 const std::vector<Eigen::MatrixXd>& random_signals);

// Statistics of a signal against returns (pairs where both are numbers). `permutations` 0 skips
// the permutation test; `min_shift` is the smallest rotation it draws.
SignalStats SignalStatistics(const std::vector<double>& signal, const std::vector<double>& returns,
                             int permutations, int min_shift, uint64_t seed);

}  // namespace sd::study
