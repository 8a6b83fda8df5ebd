#include "study/fit.h"

#include "study/statistics.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>

namespace sd::study {

namespace {

using Rows = std::vector<int>;

// A date may be fitted while its return window ends on or before `last`.
bool WindowEndsBy(FitDate d, int horizon, FitDate last) {
  return d + std::chrono::days(horizon - 1) <= last;
}

Eigen::MatrixXd RowsOf(const Eigen::MatrixXd& m, const Rows& rows, const std::vector<int>& cols) {
  Eigen::MatrixXd out(static_cast<Eigen::Index>(rows.size()), static_cast<Eigen::Index>(cols.size()));
  for (size_t i = 0; i < rows.size(); ++i)
    for (size_t j = 0; j < cols.size(); ++j) out(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j)) = m(rows[i], cols[j]);
  return out;
}

Eigen::VectorXd ReturnsOf(const FitInput& in, const Rows& rows) {
  Eigen::VectorXd y(static_cast<Eigen::Index>(rows.size()));
  for (size_t i = 0; i < rows.size(); ++i) y(static_cast<Eigen::Index>(i)) = in.Returns[static_cast<size_t>(rows[i])];
  return y;
}

std::vector<double> ToStd(const Eigen::VectorXd& v) { return {v.data(), v.data() + v.size()}; }

// The fewest rows a fit is made on: enough for every column to be estimated at all.
size_t MinimumRows(size_t columns) { return std::max<size_t>(20, 2 * columns); }

// Consecutive blocks of near-equal size.
std::vector<Rows> Blocks(const Rows& rows, int count) {
  std::vector<Rows> out(static_cast<size_t>(count));
  for (size_t i = 0; i < rows.size(); ++i)
    out[i * static_cast<size_t>(count) / rows.size()].push_back(rows[i]);
  return out;
}

// Rows of `pool` whose return window ends before `start`.
Rows Before(const FitInput& in, const Rows& pool, FitDate start) {
  Rows out;
  for (int r : pool)
    if (WindowEndsBy(in.Dates[static_cast<size_t>(r)], in.Horizon, start - std::chrono::days(1))) out.push_back(r);
  return out;
}

struct PenaltyChoice {
  double lambda = NAN;
  std::vector<std::pair<double, double>> scores;
};

// Walk-forward validation inside `rows`: each block after the first is predicted by fits on the
// rows before it; the penalty whose joined predictions rank the returns best wins, the larger
// penalty on a tie.
PenaltyChoice ChoosePenalty(const FitInput& in, const Eigen::MatrixXd& signals, const Rows& rows,
                            const std::vector<int>& cols, const FitOptions& options) {
  PenaltyChoice choice;
  const std::vector<Rows> blocks = Blocks(rows, options.CvBlocks + 1);
  std::vector<std::vector<double>> predicted(options.Penalties.size());
  std::vector<double> actual;
  for (size_t b = 1; b < blocks.size(); ++b) {
    if (blocks[b].empty()) continue;
    const Rows train = Before(in, rows, in.Dates[static_cast<size_t>(blocks[b].front())]);
    if (train.size() < MinimumRows(cols.size())) continue;
    const Eigen::MatrixXd x = RowsOf(signals, train, cols);
    const Eigen::VectorXd y = ReturnsOf(in, train);
    const Eigen::MatrixXd xv = RowsOf(signals, blocks[b], cols);
    for (size_t p = 0; p < options.Penalties.size(); ++p) {
      const Eigen::VectorXd pv = FitRidge(x, y, options.Penalties[p]).Predict(xv);
      predicted[p].insert(predicted[p].end(), pv.data(), pv.data() + pv.size());
    }
    const Eigen::VectorXd yv = ReturnsOf(in, blocks[b]);
    actual.insert(actual.end(), yv.data(), yv.data() + yv.size());
  }
  if (actual.empty()) throw std::invalid_argument("the training span is too short to validate a penalty; give --ridge");
  double best = -INFINITY;
  for (size_t p = 0; p < options.Penalties.size(); ++p) {
    const double ic = Spearman(predicted[p], actual);
    choice.scores.emplace_back(options.Penalties[p], ic);
    const double score = std::isnan(ic) ? -INFINITY : ic;
    if (std::isnan(choice.lambda) || score > best || (score == best && options.Penalties[p] > choice.lambda)) {
      best = score;
      choice.lambda = options.Penalties[p];
    }
  }
  return choice;
}

// One fit on `train` and its predictions: the penalty fixed or validated inside `train`.
struct OneFit {
  RidgeModel model;
  PenaltyChoice penalty;
};

OneFit FitRows(const FitInput& in, const Eigen::MatrixXd& signals, const Rows& train,
               const std::vector<int>& cols, const FitOptions& options) {
  OneFit f;
  if (options.Ridge) {
    f.penalty.lambda = *options.Ridge;
  } else {
    f.penalty = ChoosePenalty(in, signals, train, cols, options);
  }
  f.model = FitRidge(RowsOf(signals, train, cols), ReturnsOf(in, train), f.penalty.lambda);
  return f;
}

Rows DefinedRows(const FitInput& in, FitDate from, FitDate to) {
  Rows rows;
  for (size_t i = 0; i < in.Dates.size(); ++i)
    if (in.Dates[i] >= from && in.Dates[i] <= to && std::isfinite(in.Returns[i])) rows.push_back(static_cast<int>(i));
  return rows;
}

Rows TrainingRows(const FitInput& in, const FitOptions& o) {
  Rows rows;
  for (int r : DefinedRows(in, o.TrainFrom, o.TrainTo))
    if (WindowEndsBy(in.Dates[static_cast<size_t>(r)], in.Horizon, o.TrainTo)) rows.push_back(r);
  return rows;
}

std::vector<int> VaryingColumns(const Eigen::MatrixXd& signals, const Rows& rows, std::vector<int>* constant) {
  std::vector<int> cols;
  for (Eigen::Index j = 0; j < signals.cols(); ++j) {
    bool varies = false;
    for (size_t i = 1; i < rows.size() && !varies; ++i) varies = signals(rows[i], j) != signals(rows[0], j);
    if (varies) {
      cols.push_back(static_cast<int>(j));
    } else if (constant) {
      constant->push_back(static_cast<int>(j));
    }
  }
  return cols;
}

void CheckSpans(const FitInput& in, const FitOptions& o) {
  if (in.Horizon < 1) throw std::invalid_argument("the horizon must be at least one day");
  if (in.Returns.size() != in.Dates.size() || static_cast<size_t>(in.Signals.rows()) != in.Dates.size())
    throw std::invalid_argument("dates, returns and signals differ in length");
  if (o.TrainFrom > o.TrainTo) throw std::invalid_argument("the training span ends before it begins");
  if (o.TestFrom <= o.TrainTo) throw std::invalid_argument("the test span must begin after the training span");
  if (o.TestFrom > o.TestTo) throw std::invalid_argument("the test span ends before it begins");
  if (!o.Ridge && o.CvBlocks < 1) throw std::invalid_argument("cross-validation needs at least one block");
  if (o.Ridge && !(*o.Ridge >= 0 && std::isfinite(*o.Ridge))) throw std::invalid_argument("the penalty must be a number >= 0");
}

// The test IC of a fit of `signals` (the true chart's or a random one's) on the training span.
double TestIc(const FitInput& in, const Eigen::MatrixXd& signals, const FitOptions& o) {
  const Rows train = TrainingRows(in, o);
  const std::vector<int> cols = VaryingColumns(signals, train, nullptr);
  if (cols.empty()) return NAN;
  const OneFit f = FitRows(in, signals, train, cols, o);
  const Rows test = DefinedRows(in, o.TestFrom, o.TestTo);
  return Spearman(ToStd(RowsOf(signals, test, cols) * f.model.Coefficients), ToStd(ReturnsOf(in, test)));
}

}  // namespace

std::vector<double> DefaultPenalties() {
  std::vector<double> p{0};
  for (int k = -8; k <= 2; ++k) p.push_back(std::pow(10.0, k / 2.0));
  return p;
}

SignalStats SignalStatistics(const std::vector<double>& signal, const std::vector<double>& returns,
                             int permutations, int min_shift, uint64_t seed) {
  SignalStats s;
  std::vector<double> a, b;
  for (size_t i = 0; i < signal.size() && i < returns.size(); ++i) {
    if (std::isfinite(signal[i]) && std::isfinite(returns[i])) a.push_back(signal[i]), b.push_back(returns[i]);
  }
  s.Pairs = static_cast<int>(a.size());
  s.Ic = Spearman(a, b);
  const HitRate hits = CountHits(a, b);
  s.Hits = hits.Hits;
  s.HitPairs = hits.Pairs;
  s.HitRate = hits.Rate();
  if (permutations > 0) {
    // Rotations keep the series' own autocorrelation, which overlapping return windows give;
    // a plain test would take the overlapping days as independent.
    s.PValue = PermutationP(Rank(a), Rank(b), DrawShifts(s.Pairs, min_shift, permutations, seed));
  }
  return s;
}

FitResult Fit(const FitInput& in, const FitOptions& o) {
  CheckSpans(in, o);
  FitResult r;
  const Rows train = TrainingRows(in, o);
  r.TrainPairs = static_cast<int>(train.size());
  r.Fitted = VaryingColumns(in.Signals, train, &r.Constant);
  if (r.Fitted.empty()) throw std::invalid_argument("no event's signal varies over the training span");
  if (train.size() < MinimumRows(r.Fitted.size()))
    throw std::invalid_argument("the training span has " + std::to_string(train.size()) + " dates with returns; " +
                                std::to_string(MinimumRows(r.Fitted.size())) + " are needed for " +
                                std::to_string(r.Fitted.size()) + " weights");
  const OneFit f = FitRows(in, in.Signals, train, r.Fitted, o);
  r.Model = f.model;
  r.CvIc = f.penalty.scores;
  r.PenaltiesTried = o.Ridge ? 1 : static_cast<int>(o.Penalties.size());
  r.Weights.assign(static_cast<size_t>(in.Signals.cols()), 0.0);
  for (size_t j = 0; j < r.Fitted.size(); ++j) r.Weights[static_cast<size_t>(r.Fitted[j])] = r.Model.Coefficients(static_cast<Eigen::Index>(j));

  const int min_shift = std::max(in.Horizon, 20);
  r.InSample = SignalStatistics(ToStd(r.Model.Predict(RowsOf(in.Signals, train, r.Fitted))), ToStd(ReturnsOf(in, train)), 0, min_shift, o.Seed);
  // The written model's own signal (no intercept): what a user of the forecast sees.
  const Rows test = DefinedRows(in, o.TestFrom, o.TestTo);
  r.Test = SignalStatistics(ToStd(RowsOf(in.Signals, test, r.Fitted) * r.Model.Coefficients), ToStd(ReturnsOf(in, test)),
                            o.Permutations, min_shift, o.Seed);

  if (o.Folds > 0) {
    const Rows all = DefinedRows(in, o.TrainFrom, o.TestTo);
    const std::vector<Rows> blocks = Blocks(all, o.Folds + 1);
    std::vector<double> joined_s, joined_r;
    for (size_t b = 1; b < blocks.size(); ++b) {
      if (blocks[b].empty()) continue;
      FoldResult fold;
      fold.From = in.Dates[static_cast<size_t>(blocks[b].front())];
      fold.To = in.Dates[static_cast<size_t>(blocks[b].back())];
      const Rows fold_train = Before(in, all, fold.From);
      fold.TrainPairs = static_cast<int>(fold_train.size());
      const std::vector<int> cols = VaryingColumns(in.Signals, fold_train, nullptr);
      if (!cols.empty() && fold_train.size() >= MinimumRows(cols.size())) {
        try {
          const OneFit ff = FitRows(in, in.Signals, fold_train, cols, o);
          fold.Lambda = ff.penalty.lambda;
          const std::vector<double> s = ToStd(RowsOf(in.Signals, blocks[b], cols) * ff.model.Coefficients);
          const std::vector<double> y = ToStd(ReturnsOf(in, blocks[b]));
          fold.Stats = SignalStatistics(s, y, 0, min_shift, o.Seed);
          joined_s.insert(joined_s.end(), s.begin(), s.end());
          joined_r.insert(joined_r.end(), y.begin(), y.end());
        } catch (const std::invalid_argument&) {
          // Too few dates before this block to validate a penalty: the block stays unscored.
        }
      }
      r.Folds.push_back(fold);
    }
    r.FoldsJoined = SignalStatistics(joined_s, joined_r, o.Permutations, min_shift, o.Seed);
  }
  return r;
}

RandomNatalStats RandomNatalNull(const FitInput& in, const FitOptions& options, double true_ic,
                                 const std::vector<Eigen::MatrixXd>& random_signals) {
  RandomNatalStats s;
  std::vector<double> ics;
  for (const Eigen::MatrixXd& m : random_signals) {
    double ic = NAN;
    try {
      ic = TestIc(in, m, options);
    } catch (const std::invalid_argument&) {
    }
    if (std::isfinite(ic)) ics.push_back(ic);
  }
  s.Charts = static_cast<int>(ics.size());
  if (ics.empty()) return s;
  double sum = 0, below = 0;
  for (double ic : ics) sum += ic, below += ic < true_ic;
  s.IcMean = sum / static_cast<double>(ics.size());
  double ss = 0;
  for (double ic : ics) ss += (ic - s.IcMean) * (ic - s.IcMean);
  s.IcSd = ics.size() > 1 ? std::sqrt(ss / static_cast<double>(ics.size() - 1)) : NAN;
  if (std::isfinite(true_ic)) s.Percentile = 100.0 * below / static_cast<double>(ics.size());
  return s;
}

}  // namespace sd::study
