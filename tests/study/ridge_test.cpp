#include "study/ridge.h"

#include <gtest/gtest.h>

#include <random>

namespace sd::study {
namespace {

// Columns of very different units and offsets: standardising must not change what is found.
Eigen::MatrixXd Columns(int n, std::mt19937_64& rng) {
  std::normal_distribution<double> g(0, 1);
  Eigen::MatrixXd x(n, 3);
  for (int i = 0; i < n; ++i) {
    x(i, 0) = 1000 + 300 * g(rng);
    x(i, 1) = 0.001 * g(rng);
    x(i, 2) = g(rng) + 0.5 * x(i, 1) * 1000;
  }
  return x;
}

TEST(Ridge, WithoutPenaltyIsLeastSquaresInTheColumnsOwnUnits) {
  std::mt19937_64 rng(7);
  const Eigen::MatrixXd x = Columns(200, rng);
  const Eigen::Vector3d w(0.002, -300.0, 1.5);
  const Eigen::VectorXd y = (x * w).array() + 4.0;
  const RidgeModel m = FitRidge(x, y, 0);
  for (int j = 0; j < 3; ++j) EXPECT_NEAR(m.Coefficients(j), w(j), 1e-9 * std::abs(w(j)) + 1e-9) << j;
  EXPECT_NEAR(m.Intercept, 4.0, 1e-6);
  EXPECT_NEAR((m.Predict(x) - y).norm(), 0, 1e-8);
}

TEST(Ridge, PenaltyShrinksStandardisedCoefficientsAsTheClosedFormSays) {
  // Two standardised, uncorrelated columns: b_j = r_j / (1 + lambda), r_j = corr(x_j, y) sd(y).
  Eigen::MatrixXd x(4, 2);
  x << 1, 1, -1, 1, 1, -1, -1, -1;
  const Eigen::Vector4d y(3, 1, -1, -3);  // = 1*x0 + 2*x1
  for (double lambda : {0.0, 0.5, 3.0}) {
    const RidgeModel m = FitRidge(x, y, lambda);
    EXPECT_NEAR(m.Standardised(0), 1.0 / (1 + lambda), 1e-12) << lambda;
    EXPECT_NEAR(m.Standardised(1), 2.0 / (1 + lambda), 1e-12) << lambda;
    EXPECT_NEAR(m.Intercept, 0, 1e-12);
  }
}

TEST(Ridge, ConstantAndRepeatedColumnsGetNoWeightOrShareIt) {
  Eigen::MatrixXd x(6, 3);
  x << 1, 5, 1, 2, 5, 2, 3, 5, 3, 4, 5, 4, 5, 5, 5, 6, 5, 6;  // column 2 repeats column 0
  const Eigen::VectorXd y = 2 * x.col(0);
  for (double lambda : {0.0, 0.1}) {
    const RidgeModel m = FitRidge(x, y, lambda);
    EXPECT_EQ(m.Scale(1), 0);
    EXPECT_EQ(m.Coefficients(1), 0) << lambda;
    EXPECT_NEAR(m.Coefficients(0), m.Coefficients(2), 1e-9) << lambda;
    EXPECT_TRUE(std::isfinite(m.Intercept));
  }
  EXPECT_NEAR(FitRidge(x, y, 0).Coefficients(0), 1.0, 1e-9);
}

TEST(Ridge, RefusesANegativePenaltyAndNoRows) {
  Eigen::MatrixXd x(3, 1);
  x << 1, 2, 3;
  EXPECT_THROW(FitRidge(x, Eigen::Vector3d(1, 2, 3), -1), std::invalid_argument);
  EXPECT_THROW(FitRidge(Eigen::MatrixXd(0, 1), Eigen::VectorXd(0), 1), std::invalid_argument);
}

}  // namespace
}  // namespace sd::study
