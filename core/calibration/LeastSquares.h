// Small dense least squares: a polynomial in one variable fitted through its
// normal equations, solved by Gauss-Jordan elimination with partial pivoting.
//
// The elimination turns the normal matrix into its inverse in place and stops
// as soon as a column has no pivot whose magnitude exceeds an absolute
// tolerance. The systems are tiny (the silicon calibration fits a straight
// line through at most 12 points), so the work arrays are simply sized per
// call; the package keeps no state.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace lattrix {

// Absolute rank tolerance of the elimination: a pivot must exceed it in
// magnitude. The normal matrix is not scaled.
constexpr double kRankTolerance = 1e-18;

// The most coefficients FitPolynomial accepts (a polynomial of degree 9);
// this bounds the work arrays by a small multiple of the caller's points.
constexpr int kMaxFitCoefficients = 10;

// Status of a fit or a solve.
enum FitStatus {
  kFitOk = 0,
  kFitRankLost = -1,   // message "Lost of rank !"
  kFitBadSize = -2,    // fewer than one point or coefficient, or too many coefficients
};

// Dense row-major matrix of doubles, indexed from 0.
class Matrix {
 public:
  Matrix() = default;
  // A negative size counts as 0.
  Matrix(int rows, int cols)
      : rows_(rows > 0 ? rows : 0),
        cols_(cols > 0 ? cols : 0),
        v_(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(cols_), 0.0) {}

  int rows() const { return rows_; }
  int cols() const { return cols_; }
  double& operator()(int i, int j) { return v_[static_cast<std::size_t>(i) * cols_ + j]; }
  double operator()(int i, int j) const { return v_[static_cast<std::size_t>(i) * cols_ + j]; }

 private:
  int rows_ = 0;
  int cols_ = 0;
  std::vector<double> v_;
};

// Fits y ~ c[0] + c[1] x + ... + c[m-1] x^(m-1) to the n points (x[i], y[i])
// by unweighted least squares. Returns kFitOk with the coefficients in c[0..m-1];
// kFitRankLost with message "Lost of rank !" when the normal equations lose
// rank; kFitBadSize when n < 1, m < 1 or m > kMaxFitCoefficients. On any
// status but kFitOk, c is left exactly as the caller passed it.
int FitPolynomial(int n, int m, const double* x, const double* y, double* c, std::string& message);

// Solves the normal equations of the design matrix X (n by m) and the
// observations y (n values) with the rank tolerance tol: fills r with the
// solution and N with the inverse of X'X. On rank loss returns kFitRankLost
// with message "Lost of rank !"; r and N are then left part-way
// transformed. Returns kFitBadSize (nothing written) when y does not hold
// one value per row of X, or X has no rows or no columns.
int SolveNormalEquations(double tol, const Matrix& X, const std::vector<double>& y,
                         std::vector<double>& r, Matrix& N, std::string& message);

}  // namespace lattrix
