#include "calibration/LeastSquares.h"

#include <cmath>
#include <utility>

namespace lattrix {
namespace {

const char kLostOfRank[] = "Lost of rank !";

}  // namespace

int FitPolynomial(int n, int m, const double* x, const double* y, double* c, std::string& message) {
  if (n < 1 || m < 1 || m > kMaxFitCoefficients) return kFitBadSize;

  // Design matrix of the powers of x; pow(x, 0) is 1 for every x, 0 included.
  Matrix X(n, m);
  std::vector<double> yCopy(y, y + n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < m; ++j) X(i, j) = std::pow(x[i], static_cast<double>(j));

  std::vector<double> r;
  Matrix N;
  const int status = SolveNormalEquations(kRankTolerance, X, yCopy, r, N, message);
  if (status == kFitOk)
    for (int j = 0; j < m; ++j) c[j] = r[j];
  return status;
}

int SolveNormalEquations(double tol, const Matrix& X, const std::vector<double>& y,
                         std::vector<double>& r, Matrix& N, std::string& message) {
  const int n = X.rows();
  const int m = X.cols();
  if (n < 1 || m < 1 || y.size() != static_cast<std::size_t>(n)) return kFitBadSize;

  // Normal equations X'X r = X'y, every sum taken from 0 in increasing i.
  N = Matrix(m, m);
  r.assign(m, 0.0);
  std::vector<int> piv(static_cast<std::size_t>(m), -1);
  for (int j = 0; j < m; ++j) {
    for (int k = j; k < m; ++k) {
      double s = 0.0;
      for (int i = 0; i < n; ++i) s += X(i, j) * X(i, k);
      N(j, k) = s;
      N(k, j) = s;
    }
    double s = 0.0;
    for (int i = 0; i < n; ++i) s += X(i, j) * y[i];
    r[j] = s;
  }

  // Gauss-Jordan elimination, inverting N in place.
  for (int c = 0; c < m; ++c) {
    // Partial pivoting on column c: the first row of largest magnitude
    // strictly above the absolute tolerance.
    double best = tol;
    int p = -1;
    for (int q = c; q < m; ++q) {
      if (std::fabs(N(q, c)) > std::fabs(best)) {
        best = N(q, c);
        p = q;
      }
    }
    piv[c] = p;
    if (p < 0) {
      message = kLostOfRank;
      return kFitRankLost;
    }
    if (p != c) {
      for (int k = 0; k < m; ++k) std::swap(N(p, k), N(c, k));
      std::swap(r[p], r[c]);
    }
    // The pivot's own slot becomes 1 / pivot once the row is divided.
    N(c, c) = 1.0;
    for (int k = 0; k < m; ++k) N(c, k) /= best;
    r[c] /= best;
    for (int q = 0; q < m; ++q) {
      if (q == c) continue;
      const double f = N(q, c);
      N(q, c) = 0.0;
      for (int k = 0; k < m; ++k) N(q, k) -= f * N(c, k);
      r[q] -= f * r[c];
    }
  }

  // Undo the row exchanges on the inverse as column exchanges, last first.
  // The last column always pivots on its own row.
  for (int l = m - 2; l >= 0; --l) {
    if (piv[l] != l)
      for (int k = 0; k < m; ++k) std::swap(N(k, piv[l]), N(k, l));
  }

  return kFitOk;
}

}  // namespace lattrix
