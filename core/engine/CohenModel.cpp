#include "engine/CohenModel.h"

#include <cmath>

#include "job/Job.h"

namespace lattrix {

void ReciprocalCell(const double cell[6], double recip[6], double& volume, double& inverseVolume,
                    double& factor) {
  const double ca = std::cos(cell[3]), cb = std::cos(cell[4]), cg = std::cos(cell[5]);
  const double sa = std::sin(cell[3]), sb = std::sin(cell[4]), sg = std::sin(cell[5]);
  factor = std::sqrt(1.0 - ca * ca - cb * cb - cg * cg + 2.0 * ca * cb * cg);
  volume = cell[0] * cell[1] * cell[2] * factor;
  inverseVolume = 1.0 / volume;
  recip[0] = sa / (cell[0] * factor);
  recip[1] = sb / (cell[1] * factor);
  recip[2] = sg / (cell[2] * factor);
  recip[3] = (cb * cg - ca) / (sb * sg);
  recip[4] = (cg * ca - cb) / (sg * sa);
  recip[5] = (ca * cb - cg) / (sa * sb);
}

void TrialMetric(const double cell[6], double P[kSlots]) {
  double trial[6], recip[6], volume, inverseVolume, factor;
  for (int j = 0; j < 3; ++j) trial[j] = cell[j];
  for (int j = 3; j < 6; ++j) trial[j] = cell[j] * kDegToRad;
  ReciprocalCell(trial, recip, volume, inverseVolume, factor);
  for (int i = 0; i < 3; ++i) {
    const int j = NextCyclic(i), k = NextCyclic(j);
    P[i] = recip[i] * recip[i];
    P[3 + i] = 2.0 * recip[j] * recip[k] * recip[3 + i];
  }
  P[6] = P[7] = P[8] = 0.0;
}

double CorrectionTerm(double theta, int kind) {
  if (kind == 1) return std::sin(2.0 * theta);
  return std::cos(theta) * std::sin(2.0 * theta);
}

int NextCyclic(int index) {
  ++index;
  if (index > 2) index = 0;
  return index;
}

namespace {

void CopyMatrix(Matrix9& to, const Matrix9& from, int n) {
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) to[i][j] = from[i][j];
}

// True when a row or a column of the leading n x n part of `a` is all zero.
bool HasZeroLine(const Matrix9& a, int n) {
  for (int c = 0; c < n; ++c) {
    bool allZero = true;
    for (int r = 0; r < n && allZero; ++r) allZero = a[r][c] == 0.0;
    if (allZero) return true;
  }
  for (int r = 0; r < n; ++r) {
    bool allZero = true;
    for (int c = 0; c < n && allZero; ++c) allZero = a[r][c] == 0.0;
    if (allZero) return true;
  }
  return false;
}

// Elimination step p of the leading n x n part of `a`, without row
// exchange: a zero pivot first takes in a later column with a non-zero
// element of its row. False when there is none (the determinant is 0).
// `clean` turns false when the pivot row or a multiplier is not finite.
bool EliminationStep(Matrix9& a, int n, int p, bool& clean) {
  if (a[p][p] == 0.0) {
    int q = p + 1;
    while (q < n && a[p][q] == 0.0) ++q;
    if (q == n) return false;
    for (int r = 0; r < n; ++r) a[r][p] += a[r][q];
  }
  const std::array<double, kSlots> pivot = a[p];
  for (int c = p; c < n; ++c) clean &= std::isfinite(pivot[c]);
  for (int r = p + 1; r < n; ++r) {
    const double f = -a[r][p] / pivot[p];
    clean &= std::isfinite(f);
    for (int c = p + 1; c < n; ++c) a[r][c] += f * pivot[c];
  }
  return true;
}

// The determinant of the leading n x n part of `a` whose first `first`
// elimination steps are done: the remaining steps in place, then the
// product of the pivots.
double EliminateFrom(Matrix9& a, int n, int first, bool& clean) {
  for (int p = first; p < n - 1; ++p)
    if (!EliminationStep(a, n, p, clean)) return 0.0;
  if (n > 0) clean = clean && std::isfinite(a[n - 1][n - 1]);
  double det = 1.0;
  for (int p = 0; p < n; ++p) det *= a[p][p];
  return det;
}

// The matrix of the cofactor of element (i, j): row i and column j cleared
// and 1 at their crossing.
void ClearForCofactor(Matrix9& a, int n, int i, int j) {
  for (int k = 0; k < n; ++k) {
    a[i][k] = 0.0;
    a[k][j] = 0.0;
  }
  a[i][j] = 1.0;
}

// The cofactor of element (i, j) by Gaussian elimination of its matrix
// from the start.
double Cofactor(const Matrix9& matrix, int n, int i, int j, bool& clean) {
  Matrix9 scratch;
  CopyMatrix(scratch, matrix, n);
  ClearForCofactor(scratch, n, i, j);
  return HasZeroLine(scratch, n) ? 0.0 : EliminateFrom(scratch, n, 0, clean);
}

// The non-zero elements of each row and column of the leading n x n part of
// a matrix: whether the matrix of a cofactor has a zero line, without
// building it.
class NonZeroCounts {
 public:
  NonZeroCounts(const Matrix9& a, int n) : a_(a), n_(n) {
    for (int r = 0; r < n; ++r)
      for (int c = 0; c < n; ++c) {
        const int nonZero = a[r][c] != 0.0 ? 1 : 0;
        row_[r] += nonZero;
        column_[c] += nonZero;
      }
  }
  // HasZeroLine of the matrix of cofactor (i, j): a column other than j
  // whose non-zero elements are all in row i, or a row other than i whose
  // are all in column j (row i and column j hold the 1).
  bool CofactorHasZeroLine(int i, int j) const {
    for (int c = 0; c < n_; ++c)
      if (c != j && column_[c] == (a_[i][c] != 0.0 ? 1 : 0)) return true;
    for (int r = 0; r < n_; ++r)
      if (r != i && row_[r] == (a_[r][j] != 0.0 ? 1 : 0)) return true;
    return false;
  }

 private:
  const Matrix9& a_;
  int n_;
  int row_[kSlots] = {}, column_[kSlots] = {};
};

// The cofactors (i, j), i <= j, of the leading n x n part of `matrix`, the
// same bit for bit as Cofactor's. The matrix of cofactor (i, j) differs from
// `matrix` only in row i and column j; its first i elimination steps touch
// neither (they read pivot rows above i and the multipliers' columns left
// of i), so they are those of `matrix` itself and are done once for all j.
// That holds while those steps of `matrix` are finite and need no column
// taken in (a zero pivot); from there on each cofactor starts from scratch.
// False when a value is not clean, or when a last pivot is zero: a product
// that is a signed zero here may be +0 where slots follow (CofactorsOfRefined).
bool UpperCofactors(const Matrix9& matrix, int n, Matrix9& values) {
  const NonZeroCounts counts(matrix, n);
  Matrix9 shared = matrix;  // `matrix` after i elimination steps
  bool sharing = true, clean = true;
  for (int i = 0; i < n; ++i) {
    for (int j = i; j < n; ++j) {
      if (counts.CofactorHasZeroLine(i, j)) {
        values[i][j] = 0.0;
        continue;
      }
      Matrix9 a = sharing ? shared : matrix;
      ClearForCofactor(a, n, i, j);
      values[i][j] = EliminateFrom(a, n, sharing ? i : 0, clean);
      if (!clean || a[n - 1][n - 1] == 0.0) return false;
    }
    if (sharing && i < n - 1) {
      bool finite = true;
      sharing = shared[i][i] != 0.0 && EliminationStep(shared, n, i, finite) && finite;
    }
  }
  return true;
}

}  // namespace

void CofactorUpperBlock(const Matrix9& matrix, Matrix9& out, int n, int block) {
  bool clean = true;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      out[i][j] = (i < block && j < block && j >= i) ? Cofactor(matrix, n, i, j, clean) : 0.0;
}

// A slot that is not refined is a row and a column of the identity. In the
// elimination its pivot step subtracts only -0 products, and the refined
// pivots add only zeros to its row and column, as long as every pivot row
// and multiplier is finite: the refined block alone then gives the same
// determinants bit for bit. Where that cannot be vouched for (values that
// are not finite, an identity row that is not exactly one), false, and the
// caller eliminates the whole matrix.
bool CofactorsOfRefined(const Matrix9& matrix, unsigned refinedSlots, int block, Matrix9& out) {
  int slots[kSlots];
  int m = 0;
  for (int s = 0; s < kSlots; ++s) {
    const bool refined = s < block && ((refinedSlots >> s) & 1u);
    if (refined) slots[m++] = s;
    for (int t = 0; t < kSlots; ++t) {
      if (refined && ((refinedSlots >> t) & 1u) && t < block) continue;
      const double identity = s == t ? 1.0 : 0.0;
      if (matrix[s][t] != identity || std::signbit(matrix[s][t]) || matrix[t][s] != identity ||
          std::signbit(matrix[t][s]))
        return false;
    }
  }
  Matrix9 reduced = {};
  for (int r = 0; r < m; ++r)
    for (int c = 0; c < m; ++c) reduced[r][c] = matrix[slots[r]][slots[c]];
  Matrix9 upper;
  if (!UpperCofactors(reduced, m, upper)) return false;
  out = Matrix9{};
  for (int i = 0; i < m; ++i)
    for (int j = i; j < m; ++j) out[slots[i]][slots[j]] = upper[i][j];
  return true;
}

void DirectCellFromMetric(const double Pr[6], int system, double trialGammaRad, double direct[6],
                          double cell[6], double& V) {
  double rs[6];
  rs[0] = std::sqrt(Pr[0]);
  rs[1] = std::sqrt(Pr[1]);
  rs[2] = std::sqrt(Pr[2]);
  double cosStar[3];
  cosStar[0] = Pr[3] / (2.0 * rs[1] * rs[2]);
  cosStar[1] = Pr[4] / (2.0 * rs[2] * rs[0]);
  cosStar[2] = Pr[5] / (2.0 * rs[0] * rs[1]);
  if (system == kHexagonal) cosStar[2] = std::cos(trialGammaRad) * -1.0;
  for (int j = 0; j < 3; ++j) rs[3 + j] = std::acos(cosStar[j]);
  // The same operation turns the reciprocal cell into the direct one; its
  // inverse-volume output is then the direct cell's volume.
  double recipVolume, factor;
  ReciprocalCell(rs, direct, recipVolume, V, factor);
  for (int j = 0; j < 3; ++j) cell[j] = direct[j];
  for (int j = 3; j < 6; ++j) cell[j] = std::acos(direct[j]) / kDegToRad;
  if (system == kHexagonal) {
    cell[3] = 90.0;
    cell[4] = 90.0;
  }
}

void TieParameters(int system, double x[kSlots]) {
  if (system < kHexagonal || system > kCubic) return;
  if (system == kRhombohedral || system == kCubic) x[2] = x[0];
  x[1] = x[0];
  if (system == kRhombohedral) {
    x[4] = x[3];
    x[5] = x[3];
  }
}

void DesignRow(int h, int k, int l, double theta, int system, int correction, double row[kSlots]) {
  for (int c = 0; c < kSlots; ++c) row[c] = 0.0;
  // Index products in 64-bit integers: exact for any index a file can hold.
  const long long H = h, K = k, L = l;
  row[0] = static_cast<double>(H * H);
  row[1] = static_cast<double>(K * K);
  row[2] = static_cast<double>(L * L);
  if (system == kTriclinic || system == kRhombohedral) row[3] = static_cast<double>(K * L);
  if (system == kTriclinic || system == kMonoclinic || system == kRhombohedral)
    row[4] = static_cast<double>(L * H);
  if (system == kTriclinic || system == kHexagonal || system == kRhombohedral)
    row[5] = static_cast<double>(H * K);
  if (system > kOrthorhombic) {
    // Tied slots: their functions are merged into the slot they follow.
    row[0] += row[1];
    row[1] = 0.0;
    if (system == kHexagonal) {
      row[0] += row[5];
      row[5] = 0.0;
    } else if (system == kRhombohedral || system == kCubic) {
      row[0] += row[2];
      row[2] = 0.0;
      if (system == kRhombohedral) {
        row[3] = row[3] + row[4] + row[5];
        row[4] = 0.0;
        row[5] = 0.0;
      }
    }
  }
  if (correction == kZero) {
    row[6] = CorrectionTerm(theta, 1);
  } else if (correction == kZeroAndDisplacement) {
    // The displacement's term is cos(theta) times the zero's: one sine serves both.
    row[6] = CorrectionTerm(theta, 1);
    row[7] = std::cos(theta) * row[6];
  } else if (correction == kDisplacement) {
    row[6] = CorrectionTerm(theta, 4);
  }
}

namespace {

// J: rows 0..2 the derivatives of a, b, c with respect to A..F, rows 3..5
// those of alpha, beta, gamma (radians), identity on the corrections, the
// columns of tied slots merged into the slot they follow. Y: the factors
// that turn an angle's change into the volume's relative change.
void CellJacobian(const double direct[6], int system, double J[kSlots][kSlots], double Y[3]) {
  const double* L = direct;
  const double* c = direct + 3;
  double s[3];
  for (int i = 0; i < 3; ++i) s[i] = std::sqrt(1.0 - c[i] * c[i]);

  for (int i = 0; i < 3; ++i) {
    double g[3];
    if (i == 0) {
      g[0] = L[0]; g[1] = L[1] * c[2]; g[2] = L[2] * c[1];
    } else if (i == 1) {
      g[0] = L[0] * c[2]; g[1] = L[1]; g[2] = L[2] * c[0];
    } else {
      g[0] = L[0] * c[1]; g[1] = L[1] * c[0]; g[2] = L[2];
    }
    for (int j = 0; j < 3; ++j) {
      const int p = NextCyclic(j), q = NextCyclic(p);
      J[i][j] = -0.5 * g[j] * g[j] * L[i];
      J[i][3 + j] = -0.5 * g[p] * g[q] * L[i];
    }
  }
  const double F2 = 1.0 - c[0] * c[0] - c[1] * c[1] - c[2] * c[2] + 2.0 * c[0] * c[1] * c[2];
  // The expressions below give d(cos angle) / sin(angle), which is minus
  // d(angle); the sign matters for the length-angle terms of the volume's
  // variance.
  for (int i = 0; i < 3; ++i) {
    const int p = NextCyclic(i), q = NextCyclic(p);
    Y[i] = F2 / ((c[i] - c[p] * c[q]) * s[i]);
    for (int j = 0; j < 3; ++j) {
      double dLength, dAngle;
      if (j == i) {
        dLength = (L[i] * L[i] * -0.5) * ((c[p] - c[q] * c[i]) * c[q] + (c[q] - c[p] * c[i]) * c[p]) / s[i];
        dAngle = -0.5 * L[p] * L[q] * s[i];
      } else {
        const bool forward = (i == 0 && j == 1) || (i == 1 && j == 2) || (i == 2 && j == 0);
        const int m = forward ? q : p;
        dLength = L[j] * L[j] * -0.5 * s[i] * c[i];
        dAngle = -0.5 * L[i] * s[i] * L[m] * c[m];
      }
      J[3 + i][j] = -dLength;
      J[3 + i][3 + j] = -dAngle;
    }
  }
  J[6][6] = J[7][7] = J[8][8] = 1.0;

  // A tied slot moves with the slot it follows, so its derivative belongs to
  // that slot's column.
  for (int r = 0; r < kSlots; ++r) {
    switch (system) {
      case kTetragonal: J[r][0] = J[r][0] + J[r][1]; break;
      case kHexagonal: J[r][0] = (J[r][0] + J[r][1]) + J[r][5]; break;
      case kCubic: J[r][0] = (J[r][0] + J[r][1]) + J[r][2]; break;
      case kRhombohedral:
        J[r][0] = (J[r][0] + J[r][1]) + J[r][2];
        J[r][3] = (J[r][3] + J[r][4]) + J[r][5];
        break;
      default: break;
    }
  }
}

// G = J K J^T over the refined block (upper triangle); G[r][r] is the
// variance of quantity r divided by scale. K holds both triangles, so every
// term is taken once. A constant tied to a (equal lengths of systems 4 to 7,
// equal angles of the rhombohedral cell) takes a's values.
void PropagateCofactors(const double J[kSlots][kSlots], const Matrix9& K, const double L[3],
                        int system, int n, double G[kSlots][kSlots]) {
  // A term of a zero Jacobian element is a signed zero, which leaves a sum
  // begun at +0 as it is when every element is finite: the terms of the
  // non-zero elements alone give the same sums bit for bit.
  bool finite = true;
  for (int k = 0; k < n; ++k)
    for (int l = 0; l < n; ++l) finite &= std::isfinite(J[k][l]) && std::isfinite(K[k][l]);
  int columns[kSlots][kSlots], count[kSlots] = {};
  for (int r = 0; r < n; ++r)
    for (int k = 0; k < n; ++k)
      if (J[r][k] != 0.0 || !finite) columns[r][count[r]++] = k;
  for (int r = 0; r < n; ++r) {
    for (int t = r; t < n; ++t) {
      double sum = 0.0;
      for (int a = 0; a < count[r]; ++a) {
        const int k = columns[r][a];
        for (int b = 0; b < count[t]; ++b) {
          const int l = columns[t][b];
          sum += J[r][k] * J[t][l] * K[k][l];
        }
      }
      G[r][t] = sum;
    }
  }
  if (system >= kHexagonal && system <= kCubic) {
    for (int i = 0; i <= 2; ++i) {
      for (int j = i; j <= 2; ++j) {
        if (L[j] == L[0]) {
          G[i][j] = G[0][0];
          if (system == kRhombohedral) G[3 + i][3 + j] = G[3][3];
        }
      }
    }
    if (system == kHexagonal || system == kTetragonal) G[1][2] = G[0][2];
  }
}

}  // namespace

void CellSigmas(const double direct[6], double scale, const Matrix9& K, double sigma[10],
                double volume, int system, int n, Matrix9* propagated) {
  const double* L = direct;
  double J[kSlots][kSlots] = {};
  double Y[3];
  CellJacobian(direct, system, J, Y);
  double G[kSlots][kSlots] = {};
  PropagateCofactors(J, K, L, system, n, G);

  for (int k = 0; k < n; ++k) sigma[k] = std::sqrt(scale * G[k][k]);
  if (system == kHexagonal) sigma[5] = 0.0;
  if (propagated != nullptr) {
    *propagated = Matrix9{};
    for (int r = 0; r < n; ++r)
      for (int t = r; t < n; ++t) (*propagated)[r][t] = (*propagated)[t][r] = G[r][t];
  }

  // Relative variance of the volume: d(ln V) = sum of dL/L + d(angle)/Y.
  const double Yv[6] = {L[0], L[1], L[2], Y[0], Y[1], Y[2]};
  double sum = 0.0;
  for (int i = 0; i < 6; ++i) {
    for (int j = i; j < 6; ++j) {
      const double ai = std::fabs(Yv[i]), aj = std::fabs(Yv[j]);
      if (ai > 1e10 || ai < 1e-10 || aj > 1e10 || aj < 1e-10) continue;
      double term = G[i][j] / (Yv[i] * Yv[j]);
      if (i != j) term *= 2.0;
      sum += term;
    }
  }
  sigma[9] = std::sqrt(std::fabs(scale * sum)) * volume;
}

}  // namespace lattrix
