#include "study/ridge.h"

#include <cmath>
#include <stdexcept>

namespace sd::study {

Eigen::VectorXd RidgeModel::Predict(const Eigen::MatrixXd& x) const {
  Eigen::VectorXd out = x * Coefficients;
  out.array() += Intercept;
  return out;
}

RidgeModel FitRidge(const Eigen::MatrixXd& x, const Eigen::VectorXd& y, double lambda) {
  const Eigen::Index n = x.rows();
  const Eigen::Index p = x.cols();
  if (n < 1 || y.size() != n) throw std::invalid_argument("ridge: no rows, or rows and targets differ");
  if (!(lambda >= 0) || !std::isfinite(lambda)) throw std::invalid_argument("ridge: penalty below zero");

  RidgeModel m;
  m.Lambda = lambda;
  m.Mean = x.colwise().mean().transpose();
  Eigen::MatrixXd z = x.rowwise() - m.Mean.transpose();
  m.Scale = (z.colwise().squaredNorm() / static_cast<double>(n)).cwiseSqrt().transpose();
  for (Eigen::Index j = 0; j < p; ++j) {
    // Relative test: a column that is constant up to rounding carries no information.
    const double size = std::max(1.0, m.Mean(j) == 0 ? 0.0 : std::abs(m.Mean(j)));
    if (m.Scale(j) <= 1e-12 * size) m.Scale(j) = 0;
    if (m.Scale(j) > 0) {
      z.col(j) /= m.Scale(j);
    } else {
      z.col(j).setZero();
    }
  }
  const double y_mean = y.mean();
  const Eigen::VectorXd yc = y.array() - y_mean;

  Eigen::MatrixXd gram = (z.transpose() * z) / static_cast<double>(n);
  const Eigen::VectorXd rhs = (z.transpose() * yc) / static_cast<double>(n);
  if (lambda > 0) {
    gram.diagonal().array() += lambda;
    m.Standardised = gram.ldlt().solve(rhs);
  } else {
    // Least norm when columns repeat each other or are constant.
    m.Standardised = z.completeOrthogonalDecomposition().solve(yc);
  }
  m.Coefficients = Eigen::VectorXd::Zero(p);
  for (Eigen::Index j = 0; j < p; ++j) {
    if (m.Scale(j) > 0) {
      m.Coefficients(j) = m.Standardised(j) / m.Scale(j);
    } else {
      m.Standardised(j) = 0;
    }
  }
  m.Intercept = y_mean - m.Mean.dot(m.Coefficients);
  return m;
}

}  // namespace sd::study
