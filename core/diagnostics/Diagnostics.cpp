#include "diagnostics/Diagnostics.h"

#include <cmath>
#include <limits>

#include "common/TextIO.h"
#include "engine/CohenModel.h"
#include "engine/Refinement.h"

namespace lattrix {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// A column whose part orthogonal to the earlier columns is below this
// fraction of its length does not determine its parameter.
constexpr double kRankTolerance = 1e-10;
// A standard deviation below this fraction of the observations' size is
// rounding noise of an exact fit.
constexpr double kRoundingMisfit = 1e-12;
// A leverage this close to 1 leaves nothing of the reflection's residual.
constexpr double kUnitLeverage = 1e-10;

using Vector = std::vector<double>;
using Rows = std::vector<Vector>;

// Direct-cell constants that move with the refined slots of each system.
void RefinedConstants(int system, bool out[6]) {
  for (int j = 0; j < 6; ++j) out[j] = j < 3;
  if (system == kTriclinic || system == kRhombohedral) {
    out[3] = out[4] = out[5] = true;
  } else if (system == kMonoclinic) {
    out[4] = true;
  }
}

// Constants that follow an earlier one (b = a, c = a, beta = gamma = alpha):
// their DFBETAS repeat the earlier value and are not named again in a reason.
bool TiedConstant(int system, int j) {
  switch (system) {
    case kHexagonal:
    case kTetragonal: return j == 1;
    case kCubic: return j == 1 || j == 2;
    case kRhombohedral: return j == 1 || j == 2 || j == 4 || j == 5;
    default: return false;
  }
}

// The refined direct cell from the trial metric P and the increments of the
// refined slots, mapped exactly as the engine maps its solution. cell: a, b,
// c, angles in degrees; direct: a, b, c and the cosines of the angles.
void DirectCell(const double P[kSlots], const std::vector<int>& slots, const Vector& increments,
                int system, double trialGammaRad, double cell[6], double direct[6], double& V) {
  double x[kSlots] = {};
  for (size_t m = 0; m < slots.size(); ++m) x[slots[m]] = increments[m];
  TieParameters(system, x);
  double Pr[6];
  for (int k = 0; k < 6; ++k) Pr[k] = P[k] + x[k];
  DirectCellFromMetric(Pr, system, trialGammaRad, direct, cell, V);
}

// Least squares by Householder QR of the weighted design X (n x p): the
// triangle R, its inverse, and the solution. False when a column does not
// determine its parameter.
bool SolveQR(const Rows& X, const Vector& y, Rows& R, Rows& Rinv, Vector& beta) {
  const size_t n = X.size(), p = X.empty() ? 0 : X[0].size();
  Rows A = X;
  Vector b = y;
  Vector colNorm(p, 0.0);
  for (size_t k = 0; k < p; ++k) {
    double sum = 0.0;
    for (size_t i = 0; i < n; ++i) sum += A[i][k] * A[i][k];
    colNorm[k] = std::sqrt(sum);
  }
  R.assign(p, Vector(p, 0.0));
  for (size_t k = 0; k < p; ++k) {
    double sum = 0.0;
    for (size_t i = k; i < n; ++i) sum += A[i][k] * A[i][k];
    const double norm = std::sqrt(sum);
    if (!(colNorm[k] > 0.0) || !(norm > kRankTolerance * colNorm[k])) return false;
    const double alpha = A[k][k] > 0.0 ? -norm : norm;
    Vector v(n - k);
    for (size_t i = k; i < n; ++i) v[i - k] = A[i][k];
    v[0] -= alpha;
    double vv = 0.0;
    for (double e : v) vv += e * e;
    if (vv > 0.0) {
      for (size_t j = k; j < p; ++j) {
        double dot = 0.0;
        for (size_t i = k; i < n; ++i) dot += v[i - k] * A[i][j];
        const double f = 2.0 * dot / vv;
        for (size_t i = k; i < n; ++i) A[i][j] -= f * v[i - k];
      }
      double dot = 0.0;
      for (size_t i = k; i < n; ++i) dot += v[i - k] * b[i];
      const double f = 2.0 * dot / vv;
      for (size_t i = k; i < n; ++i) b[i] -= f * v[i - k];
    }
    for (size_t j = k; j < p; ++j) R[k][j] = A[k][j];
  }
  // Back substitution for the solution and for the columns of R^-1.
  beta.assign(p, 0.0);
  for (size_t kk = p; kk-- > 0;) {
    double sum = b[kk];
    for (size_t j = kk + 1; j < p; ++j) sum -= R[kk][j] * beta[j];
    beta[kk] = sum / R[kk][kk];
  }
  Rinv.assign(p, Vector(p, 0.0));
  for (size_t c = 0; c < p; ++c) {
    for (size_t kk = c + 1; kk-- > 0;) {
      double sum = kk == c ? 1.0 : 0.0;
      for (size_t j = kk + 1; j <= c; ++j) sum -= R[kk][j] * Rinv[j][c];
      Rinv[kk][c] = sum / R[kk][kk];
    }
  }
  return true;
}

// A fixed-point field of the table, or "n/a" in its place.
std::string Cell(int width, int decimals, double value) {
  if (!std::isfinite(value)) return Format("%*s", width, "n/a");
  return Format("%*.*f", width, decimals, value);
}

}  // namespace

DiagnosticsCutoffs DefaultCutoffs(int p, int n) {
  DiagnosticsCutoffs c;
  if (n > 0) {
    c.leverage = 2.0 * p / n;
    c.dffits = 2.0 * std::sqrt(static_cast<double>(p) / n);
  }
  return c;
}

int DiagnosticsResult::FlaggedCount() const {
  int count = 0;
  for (const ReflectionDiagnostics& r : rows) count += r.flagged ? 1 : 0;
  return count;
}

bool CellConstantMoves(int system, int j) {
  if (system < kTriclinic || system > kCubic || j < 0 || j >= 6) return false;
  bool moves[6];
  RefinedConstants(system, moves);
  return moves[j];
}

const char* CellConstantName(int j) {
  static const char* const names[] = {"a", "b", "c", "alpha", "beta", "gamma"};
  return j >= 0 && j < 6 ? names[j] : "";
}

std::string ReflectionLabel(const ReflectionDiagnostics& row) {
  return Format("(%d %d %d)", row.h, row.k, row.l);
}

DiagnosticsResult ComputeDiagnostics(const Job& job) {
  int N = job.m_nReflections < 0 ? 0 : job.m_nReflections;
  if (N > kMaxReflections) N = kMaxReflections;
  const int p = CountedCellParameters(job.m_nCrystalSystem) + CountedCorrections(job.m_nCorrection);
  return ComputeDiagnostics(job, DefaultCutoffs(p, N));
}

DiagnosticsResult ComputeDiagnostics(const Job& job, const DiagnosticsCutoffs& cutoffs) {
  DiagnosticsResult result;
  result.cutoffs = cutoffs;
  const int system = job.m_nCrystalSystem;
  const int correction = job.m_nCorrection;
  int N = job.m_nReflections < 0 ? 0 : job.m_nReflections;
  if (N > kMaxReflections) N = kMaxReflections;
  result.n = N;
  result.rows.resize(static_cast<size_t>(N));
  for (int i = 0; i < N; ++i) {
    ReflectionDiagnostics& r = result.rows[static_cast<size_t>(i)];
    r.h = job.m_nH[i];
    r.k = job.m_nK[i];
    r.l = job.m_nL[i];
    r.twoTheta = job.m_dTwoTheta[i];
    r.weight = job.m_dWeight[i];
    r.residual = r.leverage = r.rstudent = r.dffits = kNaN;
    for (double& d : r.dfbetas) d = kNaN;
  }
  // Marks every row not defined with the result's message.
  auto fail = [&result](const std::string& message) {
    result.valid = false;
    result.message = message;
    for (ReflectionDiagnostics& r : result.rows) r.reason = message;
    return result;
  };

  if (system < kTriclinic || system > kCubic)
    return fail(Format("No diagnostics: crystal system %d is not valid.", system));
  if (correction < kManual || correction > kZeroAndDisplacement)
    return fail(Format("No diagnostics: correction mode %d is not valid.", correction));
  RefinedConstants(system, result.refinedConstant);

  std::vector<int> slots;
  for (int slot = 0; slot < kSlots; ++slot)
    if (IsRefinedSlot(slot, system, correction)) slots.push_back(slot);
  const int p = static_cast<int>(slots.size());
  result.p = p;
  result.degreesOfFreedom = N - p;
  if (N <= p)
    return fail(Format("No diagnostics: %d reflections for %d refined parameters.", N, p));

  // The trial metric, as the engine builds it.
  double P[kSlots];
  TrialMetric(job.m_dCell, P);
  const double trialGamma = job.m_dCell[5] * kDegToRad;

  // Weighted design rows of the refined slots and weighted residuals of the
  // trial cell (without the engine's 100000 scale, which cancels).
  const double lambda = job.m_dWavelength;
  Rows X(static_cast<size_t>(N), Vector(static_cast<size_t>(p), 0.0));
  Vector y(static_cast<size_t>(N), 0.0);
  double sumQ2 = 0.0;  // size of the weighted observations, for "no misfit"
  bool finite = true;
  for (int i = 0; i < N; ++i) {
    const double theta = (CorrectedTwoTheta(job, i) / 2.0) * kDegToRad;
    double row[kSlots];
    DesignRow(job.m_nH[i], job.m_nK[i], job.m_nL[i], theta, system, correction, row);
    const double sinTheta = std::sin(theta);
    const double Q = ((sinTheta + sinTheta) / lambda) * ((sinTheta + sinTheta) / lambda);
    double Q0 = 0.0;
    for (int k = 0; k < 6; ++k) Q0 += P[k] * row[k];
    const double w = job.m_dWeight[i];
    for (int m = 0; m < p; ++m) {
      X[static_cast<size_t>(i)][static_cast<size_t>(m)] = row[slots[static_cast<size_t>(m)]] * w;
      finite = finite && std::isfinite(X[static_cast<size_t>(i)][static_cast<size_t>(m)]);
    }
    y[static_cast<size_t>(i)] = (Q - Q0) * w;
    sumQ2 += (Q * w) * (Q * w);
    finite = finite && std::isfinite(y[static_cast<size_t>(i)]);
  }
  for (double c : P) finite = finite && std::isfinite(c);
  if (!finite)
    return fail("No diagnostics: the job holds values that are not finite numbers.");

  Rows R, Rinv;
  Vector beta;
  if (!SolveQR(X, y, R, Rinv, beta))
    return fail(
        "No diagnostics: singular normal matrix; the reflections do not determine every "
        "refined parameter.");
  const size_t pz = static_cast<size_t>(p);

  // Full fit: residuals, their sum of squares, the cell and its propagated
  // standard deviations per unit s (the engine's Jacobian with K = (X'X)^-1).
  double sse = 0.0;
  Vector e(static_cast<size_t>(N));
  for (size_t i = 0; i < static_cast<size_t>(N); ++i) {
    double fit = 0.0;
    for (size_t m = 0; m < pz; ++m) fit += X[i][m] * beta[m];
    e[i] = y[i] - fit;
    sse += e[i] * e[i];
  }
  const int f = N - p;
  result.s = std::sqrt(sse / f);

  double cellFull[6], direct[6], V;
  DirectCell(P, slots, beta, system, trialGamma, cellFull, direct, V);
  Matrix9 K = {};
  for (size_t a = 0; a < pz; ++a) {
    for (size_t b = 0; b < pz; ++b) {
      double c = 0.0;
      for (size_t m = 0; m < pz; ++m) c += Rinv[a][m] * Rinv[b][m];
      K[static_cast<size_t>(slots[a])][static_cast<size_t>(slots[b])] = c;
    }
  }
  double unitSigma[10] = {};
  CellSigmas(direct, 1.0, K, unitSigma, V, system, 6 + CountedCorrections(correction));
  for (int j = 3; j < 6; ++j) unitSigma[j] /= kDegToRad;

  bool allDefined = true;
  for (size_t i = 0; i < static_cast<size_t>(N); ++i) {
    ReflectionDiagnostics& r = result.rows[i];
    r.residual = e[i];
    // q = R^-T x_i; h_ii = |q|^2; R^-1 q = (X'X)^-1 x_i.
    Vector q(pz, 0.0);
    for (size_t m = 0; m < pz; ++m) {
      double sum = X[i][m];
      for (size_t j = 0; j < m; ++j) sum -= R[j][m] * q[j];
      q[m] = sum / R[m][m];
    }
    double h = 0.0;
    for (double v : q) h += v * v;
    r.leverage = h;

    if (r.weight == 0.0) {
      r.leverage = 0.0;
      r.reason = "weight 0: the reflection takes no part in the fit";
      allDefined = false;
      continue;
    }
    if (1.0 - h <= kUnitLeverage) {
      r.leverage = 1.0;
      r.flagged = true;
      r.flags = kFlagUnitLeverage;
      r.reason = "leverage 1: the reflection alone determines a refined parameter";
      allDefined = false;
      continue;
    }
    if (f - 1 <= 0) {
      r.reason = "no degrees of freedom are left without this reflection";
      allDefined = false;
      continue;
    }
    const double oneMinusH = 1.0 - h;
    double sse_i = sse - e[i] * e[i] / oneMinusH;
    if (sse_i < 0.0) sse_i = 0.0;  // rounding of an exact fit
    const double s_i = std::sqrt(sse_i / (f - 1));
    // A misfit at the level of rounding is no misfit: studentizing it would
    // give numbers of any size.
    if (!(s_i > kRoundingMisfit * std::sqrt(sumQ2 / N))) {
      r.reason = "the fit without this reflection has no misfit";
      allDefined = false;
      continue;
    }
    r.defined = true;
    r.rstudent = e[i] / (s_i * std::sqrt(oneMinusH));
    r.dffits = r.rstudent * std::sqrt(h / oneMinusH);

    // Exact leave-one-out parameters: beta - (X'X)^-1 x_i e_i / (1 - h_ii).
    Vector betaOut(pz);
    for (size_t a = 0; a < pz; ++a) {
      double c = 0.0;
      for (size_t m = a; m < pz; ++m) c += Rinv[a][m] * q[m];
      betaOut[a] = beta[a] - c * e[i] / oneMinusH;
    }
    double cellOut[6], directOut[6], VOut;
    DirectCell(P, slots, betaOut, system, trialGamma, cellOut, directOut, VOut);
    for (int j = 0; j < 6; ++j) {
      const double sigma = s_i * unitSigma[j];
      r.dfbetas[j] = result.refinedConstant[j] && sigma > 0.0 ? (cellFull[j] - cellOut[j]) / sigma : 0.0;
    }
  }

  // Flags and their one-line reasons.
  const DiagnosticsCutoffs& c = result.cutoffs;
  for (ReflectionDiagnostics& r : result.rows) {
    if (!r.defined) continue;
    std::string why;
    auto add = [&why](const std::string& part) {
      if (!why.empty()) why += "; ";
      why += part;
    };
    unsigned flags = 0;
    if (std::fabs(r.rstudent) > c.rstudent) {
      flags |= kFlagRstudent;
      add(Format("Rstudent %+.2f beyond %.2f", r.rstudent, c.rstudent));
    }
    if (std::fabs(r.dffits) > c.dffits) {
      flags |= kFlagDffits;
      add(Format("DFFITS %+.2f beyond %.2f", r.dffits, c.dffits));
    }
    if (r.leverage > c.leverage) {
      flags |= kFlagLeverage;
      add(Format("leverage %.3f above %.3f", r.leverage, c.leverage));
    }
    std::string moves;
    for (int j = 0; j < 6; ++j) {
      if (!result.refinedConstant[j] || TiedConstant(system, j)) continue;
      if (std::fabs(r.dfbetas[j]) > c.dfbetas) {
        moves += moves.empty() ? "moves " : ", ";
        moves += Format("%s by %+.2f s.d.", CellConstantName(j), r.dfbetas[j]);
      }
    }
    if (!moves.empty()) {
      flags |= kFlagDfbetas;
      add(moves + Format(" (beyond %.2f)", c.dfbetas));
    }
    r.flags = flags;
    r.flagged = flags != 0;
    r.reason = why;
  }

  result.valid = true;
  if (f - 1 <= 0) {
    result.message = Format("Leave-one-out values need at least %d reflections.", p + 2);
  } else if (!allDefined) {
    result.message = "Some reflections have no leave-one-out values; see their reasons.";
  }
  return result;
}

std::string DiagnosticsHeader() {
  std::string t = Format("%4s%4s%4s %9s %8s %9s %9s", "h", "k", "l", "2theta", "leverage",
                         "Rstudent", "DFFITS");
  static const char* const labels[] = {"DFB a", "DFB b", "DFB c", "DFB al", "DFB be", "DFB ga"};
  for (const char* label : labels) t += Format(" %7s", label);
  t += "  flag";
  return t;
}

std::string DiagnosticsLine(const ReflectionDiagnostics& row, const DiagnosticsResult& result) {
  std::string t = Format("%4d%4d%4d ", row.h, row.k, row.l);
  t += Cell(9, 4, row.twoTheta) + " ";
  t += Cell(8, 4, row.leverage) + " ";
  t += Cell(9, 3, row.rstudent) + " ";
  t += Cell(9, 3, row.dffits);
  for (int j = 0; j < 6; ++j) {
    t += " ";
    if (!result.refinedConstant[j])
      t += Format("%7s", "-");
    else
      t += Cell(7, 3, row.dfbetas[j]);
  }
  if (row.flagged)
    t += "  *  " + row.reason;
  else if (!row.reason.empty())
    t += "     " + row.reason;
  return t;
}

std::string DiagnosticsSummary(const DiagnosticsResult& result) {
  if (!result.valid) return result.message;
  std::string t = Format("%d of %d reflections flagged", result.FlaggedCount(), result.n);
  bool first = true;
  for (const ReflectionDiagnostics& r : result.rows) {
    if (!r.flagged) continue;
    t += first ? ": " : ", ";
    t += ReflectionLabel(r);
    first = false;
  }
  const DiagnosticsCutoffs& c = result.cutoffs;
  t += Format(
      "\nCut-offs: |Rstudent| > %.2f, leverage > %.3f, |DFFITS| > %.3f, |DFBETAS| > %.3f "
      "(p = %d, n = %d)",
      c.rstudent, c.leverage, c.dffits, c.dfbetas, result.p, result.n);
  if (!result.message.empty()) t += "\n" + result.message;
  return t;
}

std::string DiagnosticsTable(const DiagnosticsResult& result) {
  std::string t = DiagnosticsHeader() + "\n";
  for (const ReflectionDiagnostics& r : result.rows) t += DiagnosticsLine(r, result) + "\n";
  t += DiagnosticsSummary(result) + "\n";
  return t;
}

}  // namespace lattrix
