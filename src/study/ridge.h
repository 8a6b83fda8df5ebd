#pragma once
// Ridge regression on standardised columns.
//
// Each column is centred and divided by its standard deviation (population form) over the rows
// fitted, the target is centred, and the coefficients minimise
//   (1/n) |y - Z b|^2 + lambda |b|^2,
// so lambda is on the scale of a correlation and means the same whatever the number of rows.
// The coefficients are then given back in the columns' own units, with the intercept that the
// centring took out.
#include <Eigen/Dense>

namespace sd::study {

struct RidgeModel {
  double Lambda = 0;
  Eigen::VectorXd Mean;          // of each column over the rows fitted
  Eigen::VectorXd Scale;         // standard deviation of each column; 0 for a constant column
  Eigen::VectorXd Standardised;  // coefficients of the standardised columns
  Eigen::VectorXd Coefficients;  // per unit of each column (0 for a constant column)
  double Intercept = 0;

  // Intercept + x . Coefficients for every row of x.
  Eigen::VectorXd Predict(const Eigen::MatrixXd& x) const;
};

// Fits y on the columns of x (rows are observations). A column constant over the rows gets the
// coefficient 0. lambda = 0 is ordinary least squares, taking the solution of least norm when
// the columns are collinear. Needs at least one row; lambda must be >= 0.
RidgeModel FitRidge(const Eigen::MatrixXd& x, const Eigen::VectorXd& y, double lambda);

}  // namespace sd::study
