// Independent crystallographic arithmetic for tests: metric tensors in
// plain matrix form and a small dense inverse, written apart from the
// engine's own formulas (which work through reciprocal angles and cofactors).
#pragma once

#include <cmath>
#include <vector>

namespace lattrix_test {

using Mat = std::vector<std::vector<double>>;

constexpr double kPi = 3.14159265358979323846;
inline double Rad(double deg) { return deg * kPi / 180.0; }
inline double Deg(double rad) { return rad * 180.0 / kPi; }

// Inverse by Gauss-Jordan elimination with partial pivoting.
inline Mat Inverse(Mat a) {
  const size_t n = a.size();
  Mat inv(n, std::vector<double>(n, 0.0));
  for (size_t i = 0; i < n; ++i) inv[i][i] = 1.0;
  for (size_t c = 0; c < n; ++c) {
    size_t p = c;
    for (size_t r = c + 1; r < n; ++r)
      if (std::fabs(a[r][c]) > std::fabs(a[p][c])) p = r;
    std::swap(a[p], a[c]);
    std::swap(inv[p], inv[c]);
    const double d = a[c][c];
    for (size_t k = 0; k < n; ++k) {
      a[c][k] /= d;
      inv[c][k] /= d;
    }
    for (size_t r = 0; r < n; ++r) {
      if (r == c) continue;
      const double f = a[r][c];
      for (size_t k = 0; k < n; ++k) {
        a[r][k] -= f * a[c][k];
        inv[r][k] -= f * inv[c][k];
      }
    }
  }
  return inv;
}

// Direct metric tensor of a cell (angles in degrees).
inline Mat DirectMetric(const double cell[6]) {
  const double a = cell[0], b = cell[1], c = cell[2];
  const double ca = std::cos(Rad(cell[3])), cb = std::cos(Rad(cell[4])), cg = std::cos(Rad(cell[5]));
  return {{a * a, a * b * cg, a * c * cb}, {a * b * cg, b * b, b * c * ca}, {a * c * cb, b * c * ca, c * c}};
}

// 1/d^2 of a reflection.
inline double InverseDSquared(const double cell[6], int h, int k, int l) {
  const Mat g = Inverse(DirectMetric(cell));
  const double v[3] = {double(h), double(k), double(l)};
  double q = 0.0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) q += v[i] * g[i][j] * v[j];
  return q;
}

// 2theta in degrees, or a negative value beyond the reach of the wavelength.
inline double TwoTheta(const double cell[6], int h, int k, int l, double lambda) {
  const double s = lambda * std::sqrt(InverseDSquared(cell, h, k, l)) / 2.0;
  return s >= 1.0 ? -1.0 : 2.0 * Deg(std::asin(s));
}

// Direct cell (a, b, c, alpha, beta, gamma in degrees, volume) from the
// reciprocal metric parameters A..F.
inline void CellFromMetric(const double p[6], double out[7]) {
  const Mat gs = {{p[0], p[5] / 2, p[4] / 2}, {p[5] / 2, p[1], p[3] / 2}, {p[4] / 2, p[3] / 2, p[2]}};
  const Mat g = Inverse(gs);
  out[0] = std::sqrt(g[0][0]);
  out[1] = std::sqrt(g[1][1]);
  out[2] = std::sqrt(g[2][2]);
  out[3] = Deg(std::acos(g[1][2] / (out[1] * out[2])));
  out[4] = Deg(std::acos(g[0][2] / (out[0] * out[2])));
  out[5] = Deg(std::acos(g[0][1] / (out[0] * out[1])));
  const double det = g[0][0] * (g[1][1] * g[2][2] - g[1][2] * g[2][1]) -
                     g[0][1] * (g[1][0] * g[2][2] - g[1][2] * g[2][0]) +
                     g[0][2] * (g[1][0] * g[2][1] - g[1][1] * g[2][0]);
  out[6] = std::sqrt(det);
}

// Reciprocal metric parameters A..F of a direct cell.
inline void MetricFromCell(const double cell[6], double p[6]) {
  const Mat gs = Inverse(DirectMetric(cell));
  p[0] = gs[0][0];
  p[1] = gs[1][1];
  p[2] = gs[2][2];
  p[3] = 2 * gs[1][2];
  p[4] = 2 * gs[0][2];
  p[5] = 2 * gs[0][1];
}

}  // namespace lattrix_test
