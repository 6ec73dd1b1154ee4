#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "calibration/LeastSquares.h"

using namespace lattrix;

namespace {

// Design matrix of the powers of x, built by hand for the solver tests.
Matrix PowerDesign(const std::vector<double>& x, int m) {
  Matrix X(static_cast<int>(x.size()), m);
  for (int i = 0; i < X.rows(); ++i) {
    double power = 1.0;
    for (int j = 0; j < m; ++j) {
      X(i, j) = power;
      power *= x[i];
    }
  }
  return X;
}

std::string Print(const Matrix& A) {
  std::ostringstream out;
  out << std::setprecision(17);
  for (int i = 0; i < A.rows(); ++i) {
    for (int j = 0; j < A.cols(); ++j) out << A(i, j) << " ";
    out << "\n";
  }
  return out.str();
}

// A * B == identity within tol, elementwise.
void ExpectInverse(const Matrix& A, const Matrix& B, double tol) {
  ASSERT_EQ(A.cols(), B.rows());
  for (int i = 0; i < A.rows(); ++i)
    for (int j = 0; j < B.cols(); ++j) {
      double s = 0.0;
      for (int k = 0; k < A.cols(); ++k) s += A(i, k) * B(k, j);
      EXPECT_NEAR(s, i == j ? 1.0 : 0.0, tol) << "entry " << i << "," << j << "\n" << Print(A);
    }
}

}  // namespace

// y = 2x exactly. By hand: X'X = [[3, 6], [6, 14]] with determinant 6, so its
// inverse is [[14/6, -1], [-1, 1/2]]. Column 0 pivots on row 1 (6 > 3), so
// this also exercises the row exchange and the column unscrambling.
TEST(LeastSquares, StraightLineGivesCoefficientsInverseAndZeroResidual) {
  const Matrix X = PowerDesign({1, 2, 3}, 2);
  const std::vector<double> y = {2, 4, 6};
  std::vector<double> r;
  Matrix N;
  std::string message;
  ASSERT_EQ(SolveNormalEquations(kRankTolerance, X, y, r, N, message), kFitOk);
  EXPECT_NEAR(r[0], 0.0, 1e-14);
  EXPECT_NEAR(r[1], 2.0, 1e-14);
  EXPECT_NEAR(N(0, 0), 7.0 / 3.0, 1e-14) << Print(N);
  EXPECT_NEAR(N(0, 1), -1.0, 1e-14) << Print(N);
  EXPECT_NEAR(N(1, 0), -1.0, 1e-14) << Print(N);
  EXPECT_NEAR(N(1, 1), 0.5, 1e-14) << Print(N);
  EXPECT_TRUE(message.empty());

  double c[2] = {99.0, 99.0};
  const double x[3] = {1, 2, 3};
  EXPECT_EQ(FitPolynomial(3, 2, x, y.data(), c, message), kFitOk);
  EXPECT_NEAR(c[0], 0.0, 1e-14);
  EXPECT_NEAR(c[1], 2.0, 1e-14);
}

// Reference values from exact rational arithmetic (Python fractions, Gauss-
// Jordan on the normal equations): c = (19/12, -1/132, 3/44), S = 289/132.
TEST(LeastSquares, QuadraticThroughFourPoints) {
  const double x[4] = {1, 2, 4, 7};
  const double y[4] = {1, 3, 2, 5};
  double c[3] = {0, 0, 0};
  std::string message;
  ASSERT_EQ(FitPolynomial(4, 3, x, y, c, message), kFitOk);
  EXPECT_NEAR(c[0], 19.0 / 12.0, 1e-12);
  EXPECT_NEAR(c[1], -1.0 / 132.0, 1e-12);
  EXPECT_NEAR(c[2], 3.0 / 44.0, 1e-13);

  const Matrix X = PowerDesign({1, 2, 4, 7}, 3);
  std::vector<double> r;
  Matrix N;
  ASSERT_EQ(SolveNormalEquations(kRankTolerance, X, {1, 3, 2, 5}, r, N, message), kFitOk);
  Matrix XtX(3, 3);
  for (int j = 0; j < 3; ++j)
    for (int k = 0; k < 3; ++k)
      for (int i = 0; i < 4; ++i) XtX(j, k) += X(i, j) * X(i, k);
  ExpectInverse(N, XtX, 1e-10);
  ExpectInverse(XtX, N, 1e-10);
}

// Every x = 0: the second column of X'X is all zero, so no pivot is found.
TEST(LeastSquares, AllZeroAbscissaeLoseRankAndLeaveCoefficients) {
  const double x[3] = {0, 0, 0};
  const double y[3] = {1, 2, 3};
  double c[2] = {-7.5, 42.0};
  std::string message;
  EXPECT_EQ(FitPolynomial(3, 2, x, y, c, message), kFitRankLost);
  EXPECT_EQ(message, "Lost of rank !");
  EXPECT_EQ(c[0], -7.5);
  EXPECT_EQ(c[1], 42.0);
}

// x = -1, -2, -3: X'X = [[3, -6], [-6, 14]], so column 0 pivots on -6. By
// hand: determinant 6, inverse [[14/6, 1], [1, 1/2]]; y = -2x gives c = (0, -2).
// Dividing by the pivot's magnitude instead of its signed value would flip
// the signs of both.
TEST(LeastSquares, NegativePivotDividesWithItsSign) {
  const Matrix X = PowerDesign({-1, -2, -3}, 2);
  std::vector<double> r;
  Matrix N;
  std::string message;
  ASSERT_EQ(SolveNormalEquations(kRankTolerance, X, {2, 4, 6}, r, N, message), kFitOk);
  EXPECT_NEAR(r[0], 0.0, 1e-14);
  EXPECT_NEAR(r[1], -2.0, 1e-14);
  EXPECT_NEAR(N(0, 0), 7.0 / 3.0, 1e-14) << Print(N);
  EXPECT_NEAR(N(0, 1), 1.0, 1e-14) << Print(N);
  EXPECT_NEAR(N(1, 0), 1.0, 1e-14) << Print(N);
  EXPECT_NEAR(N(1, 1), 0.5, 1e-14) << Print(N);
}

// The tolerance is absolute. x = 0, h, 2h: after column 0 the remaining pivot
// is 5h^2 - (3h)^2 / 3 = 2h^2. With h = 1e-9 that is 2e-18 > 1e-18 and the
// line y = x / h (slope 1e9) is found; with h = 1e-10 it is 2e-20 and the
// same well-shaped problem is refused.
TEST(LeastSquares, RankToleranceIsAbsolute) {
  const double y[3] = {0, 1, 2};
  std::string message;
  const double xSolved[3] = {0, 1e-9, 2e-9};
  double c[2] = {0, 0};
  ASSERT_EQ(FitPolynomial(3, 2, xSolved, y, c, message), kFitOk);
  EXPECT_NEAR(c[0], 0.0, 1e-6);
  EXPECT_NEAR(c[1], 1e9, 1e9 * 1e-6);

  const double xRefused[3] = {0, 1e-10, 2e-10};
  c[0] = c[1] = 5.0;
  EXPECT_EQ(FitPolynomial(3, 2, xRefused, y, c, message), kFitRankLost);
  EXPECT_EQ(message, "Lost of rank !");
  EXPECT_EQ(c[1], 5.0);
}

TEST(LeastSquares, RefusesSizesWithoutWorkingOnThem) {
  const double x[2] = {1, 2};
  double c[2] = {3, 4};
  std::string message;
  EXPECT_EQ(FitPolynomial(0, 2, x, x, c, message), kFitBadSize);
  EXPECT_EQ(FitPolynomial(-5, 2, x, x, c, message), kFitBadSize);
  EXPECT_EQ(FitPolynomial(2, 0, x, x, c, message), kFitBadSize);
  EXPECT_EQ(FitPolynomial(2, 1 << 30, x, x, c, message), kFitBadSize);
  EXPECT_EQ(c[0], 3.0);
  EXPECT_EQ(c[1], 4.0);

  std::vector<double> r;
  Matrix N;
  EXPECT_EQ(SolveNormalEquations(kRankTolerance, Matrix(3, 2), {1, 2}, r, N, message),
            kFitBadSize);
}
