// The calibration's least-squares solver on fits worked by hand:
//  - y = 2x through x = 1, 2, 3: X'X = [[3, 6], [6, 14]], determinant 6,
//    inverse [[14/6, -1], [-1, 1/2]]; column 0 pivots on row 1 (6 > 3),
//    so the row exchange and the unscrambling take part.
//  - y = -2x through x = -1, -2, -3: the pivot -6 is negative, inverse
//    [[14/6, 1], [1, 1/2]]; dividing by its magnitude would flip both.
//  - a quadratic through (1, 1), (2, 3), (4, 2), (7, 5): c = (19/12,
//    -1/132, 3/44) in exact rational arithmetic (Gauss-Jordan on the
//    normal equations with Python's fractions); its inverse is checked as
//    the inverse of X'X.
//  - every x = 0: the slope column is zero, no pivot, "Lost of rank !".
//  - the tolerance is absolute: x = 0, h, 2h leaves the pivot 2 h^2, which
//    passes 1e-18 for h = 1e-9 (slope 1e9) and fails for h = 1e-10.
#include <gtest/gtest.h>

#include <cmath>

#include "calibration/LeastSquares.h"

using namespace lattrix;

namespace {

TEST(LeastSquares, HandWorkedFits) {
  const struct {
    std::vector<double> x, y;
    int m, status;
    std::vector<double> c, inverse;  // inverse empty: checked against X'X
    double tolerance;                // relative, of the coefficients
  } cases[] = {
      {{1, 2, 3}, {2, 4, 6}, 2, kFitOk, {0, 2}, {7.0 / 3, -1, -1, 0.5}, 1e-14},
      {{-1, -2, -3}, {2, 4, 6}, 2, kFitOk, {0, -2}, {7.0 / 3, 1, 1, 0.5}, 1e-14},
      {{1, 2, 4, 7}, {1, 3, 2, 5}, 3, kFitOk, {19.0 / 12, -1.0 / 132, 3.0 / 44}, {}, 1e-12},
      {{0, 0, 0}, {1, 2, 3}, 2, kFitRankLost, {}, {}, 0},
      {{0, 1e-9, 2e-9}, {0, 1, 2}, 2, kFitOk, {0, 1e9}, {}, 1e-6},
      {{0, 1e-10, 2e-10}, {0, 1, 2}, 2, kFitRankLost, {}, {}, 0},
  };
  for (const auto& t : cases) {
    const int n = static_cast<int>(t.x.size());
    SCOPED_TRACE(testing::PrintToString(t.x));
    Matrix X(n, t.m), XtX(t.m, t.m), N;
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < t.m; ++j) X(i, j) = std::pow(t.x[i], j);
    for (int j = 0; j < t.m; ++j)
      for (int k = 0; k < t.m; ++k)
        for (int i = 0; i < n; ++i) XtX(j, k) += X(i, j) * X(i, k);
    std::vector<double> c(t.m, -7.5), r;
    std::string message;
    EXPECT_EQ(FitPolynomial(n, t.m, t.x.data(), t.y.data(), c.data(), message), t.status);
    EXPECT_EQ(message, t.status == kFitOk ? "" : "Lost of rank !");
    ASSERT_EQ(SolveNormalEquations(kRankTolerance, X, t.y, r, N, message), t.status);
    if (t.status != kFitOk) {
      EXPECT_EQ(c, std::vector<double>(t.m, -7.5)) << "a refused fit leaves the coefficients";
      continue;
    }
    for (int j = 0; j < t.m; ++j) {
      EXPECT_NEAR(c[j], t.c[j], t.tolerance * std::max(1.0, std::fabs(t.c[j]))) << j;
      EXPECT_NEAR(r[j], t.c[j], t.tolerance * std::max(1.0, std::fabs(t.c[j]))) << j;
      for (int k = 0; k < t.m; ++k) {
        double product = 0.0;
        for (int l = 0; l < t.m; ++l) product += N(j, l) * XtX(l, k);
        if (t.inverse.empty() && t.x[1] > 1e-6) { EXPECT_NEAR(product, j == k, 1e-10) << j << "," << k; }
        if (!t.inverse.empty()) { EXPECT_NEAR(N(j, k), t.inverse[j * t.m + k], 1e-14) << j << "," << k; }
      }
    }
  }
}

TEST(LeastSquares, RefusesSizesWithoutWorkingOnThem) {
  const double x[2] = {1, 2};
  double c[2] = {3, 4};
  std::string message;
  for (const auto& [n, m] : std::vector<std::pair<int, int>>{{0, 2}, {-5, 2}, {2, 0}, {2, 1 << 30}})
    EXPECT_EQ(FitPolynomial(n, m, x, x, c, message), kFitBadSize) << n << " " << m;
  EXPECT_EQ(c[0] + c[1], 7.0);
  std::vector<double> r;
  Matrix N;
  EXPECT_EQ(SolveNormalEquations(kRankTolerance, Matrix(3, 2), {1, 2}, r, N, message), kFitBadSize);
  EXPECT_EQ(SolveNormalEquations(kRankTolerance, Matrix(0, 2), {}, r, N, message), kFitBadSize);
}

}  // namespace
