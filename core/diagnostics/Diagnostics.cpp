#include "diagnostics/Diagnostics.h"

#include <array>
#include <cmath>
#include <limits>

#include "common/TextIO.h"
#include "engine/CohenModel.h"
#include "engine/RefinementProblem.h"

namespace lattrix {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// A column whose part orthogonal to the earlier columns is below this
// fraction of its length does not determine its parameter.
constexpr double kCollinearColumn = 1e-10;
// A standard deviation below this fraction of the observations' size is
// rounding noise of an exact fit.
constexpr double kRoundingMisfit = 1e-12;
// A leverage this close to 1 leaves nothing of the reflection's residual.
constexpr double kUnitLeverage = 1e-10;

// A job holds at most kMaxReflections reflections and the normal equations
// at most kSlots parameters: every vector and triangle of the fit has a
// fixed capacity, so a series allocates nothing per job here.
using Vector = std::array<double, kSlots>;
using Triangle = std::array<Vector, kSlots>;
using Design = std::array<Vector, kMaxReflections>;
using Column = std::array<double, kMaxReflections>;

// Marks the result not valid with its message, which every row shows as its
// reason (DiagnosticsReason).
DiagnosticsResult Fail(DiagnosticsResult result, const std::string& message) {
  result.valid = false;
  result.message = message;
  return result;
}

// The rows with what the job says of them and nothing computed yet; a
// message when the job's codes are not valid.
DiagnosticsResult StartDiagnostics(const Job& job) {
  DiagnosticsResult result;
  const int system = job.m_nCrystalSystem, correction = job.m_nCorrection;
  const int N = job.m_nReflections;
  result.n = N;
  const ParameterMap parameters = Parameters(system, correction);
  result.p = parameters.Count();
  result.cutoffs = DefaultCutoffs(result.p, N);
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
  if (system < kTriclinic || system > kCubic)
    return Fail(result, Format("No diagnostics: crystal system %d is not valid.", system));
  if (correction < kManual || correction > kZeroAndDisplacement)
    return Fail(result, Format("No diagnostics: correction mode %d is not valid.", correction));
  // Only valid codes have a map: with another, no constant moves.
  result.parameters = parameters;
  result.degreesOfFreedom = N - result.p;
  if (N <= result.p)
    return Fail(result, Format("No diagnostics: %d reflections for %d refined parameters.", N, result.p));
  return result;
}

// Least squares by Householder QR of the weighted design X (n x p): the
// triangle R, its inverse, and the solution. False when a column does not
// determine its parameter.
bool SolveQR(const Design& X, const Column& y, size_t n, size_t p, Triangle& R, Triangle& Rinv, Vector& beta) {
  Design A = X;
  Column b = y;
  // The sums of the columns run down the rows side by side: each keeps its
  // own order, and independent sums overlap instead of waiting on each other.
  Vector colNorm{};
  for (size_t i = 0; i < n; ++i)
    for (size_t k = 0; k < p; ++k) colNorm[k] += A[i][k] * A[i][k];
  for (size_t k = 0; k < p; ++k) colNorm[k] = std::sqrt(colNorm[k]);
  R = Triangle{};
  Column v{};
  for (size_t k = 0; k < p; ++k) {
    double sum = 0.0;
    for (size_t i = k; i < n; ++i) sum += A[i][k] * A[i][k];
    const double norm = std::sqrt(sum);
    if (!(colNorm[k] > 0.0) || !(norm > kCollinearColumn * colNorm[k])) return false;
    const double alpha = A[k][k] > 0.0 ? -norm : norm;
    // v[0 .. n-k-1] is the Householder vector of column k below row k.
    for (size_t i = k; i < n; ++i) v[i - k] = A[i][k];
    v[0] -= alpha;
    double vv = 0.0;
    for (size_t i = 0; i < n - k; ++i) vv += v[i] * v[i];
    if (vv > 0.0) {
      // The reflection of columns k..p-1 and of b: v'a of each, then a -= f v.
      Vector dot{}, f;
      double dotB = 0.0;
      for (size_t i = k; i < n; ++i) {
        for (size_t j = k; j < p; ++j) dot[j] += v[i - k] * A[i][j];
        dotB += v[i - k] * b[i];
      }
      for (size_t j = k; j < p; ++j) f[j] = 2.0 * dot[j] / vv;
      for (size_t i = k; i < n; ++i)
        for (size_t j = k; j < p; ++j) A[i][j] -= f[j] * v[i - k];
      const double fB = 2.0 * dotB / vv;
      for (size_t i = k; i < n; ++i) b[i] -= fB * v[i - k];
    }
    for (size_t j = k; j < p; ++j) R[k][j] = A[k][j];
  }
  // Back substitution for the solution and for the columns of R^-1.
  beta = Vector{};
  for (size_t kk = p; kk-- > 0;) {
    double sum = b[kk];
    for (size_t j = kk + 1; j < p; ++j) sum -= R[kk][j] * beta[j];
    beta[kk] = sum / R[kk][kk];
  }
  Rinv = Triangle{};
  for (size_t c = 0; c < p; ++c) {
    for (size_t kk = c + 1; kk-- > 0;) {
      double sum = kk == c ? 1.0 : 0.0;
      for (size_t j = kk + 1; j <= c; ++j) sum -= R[kk][j] * Rinv[j][c];
      Rinv[kk][c] = sum / R[kk][kk];
    }
  }
  return true;
}

// The refinement's weighted problem over the refined slots, factorised by
// QR: the hat matrix needs the precision of an orthogonal factorisation,
// which the normal equations (whose condition is the square of the
// design's) do not keep for nearly collinear zero and displacement columns.
struct WeightedFit {
  int slots[kSlots] = {};
  size_t p = 0;               // refined slots
  size_t n = 0;               // observation rows
  Design X;
  Column y;
  Triangle R, Rinv;
  Vector beta;
  Column e;                   // residuals of the full fit
  double sse = 0.0;
  double size = 0.0;          // root mean square of the weighted observations
  DirectCell cell;            // the full fit's cell
  double unitSigma[10] = {};  // standard deviations of the cell per unit s
  const char* problem = nullptr;   // why nothing can be computed
  // Per row i, the rows side by side ([m][i]): q = R^-T x_i, the leverage
  // h_ii = |q|^2, and R^-1 q = (X'X)^-1 x_i.
  std::array<Column, kSlots> q, inverseTimesRow;
  Column leverage;
};

// Weighted design rows of the refined slots and weighted residuals of the
// trial cell (without the engine's residual scale, which cancels). False
// when a value is not finite.
bool FillWeightedRows(const RefinementProblem& problem, WeightedFit& fit) {
  const size_t p = fit.p;
  bool finite = true;
  double sumQ2 = 0.0;
  fit.n = problem.rows.size();
  for (size_t i = 0; i < fit.n; ++i) {
    const ObservationRow& row = problem.rows[i];
    Vector& x = fit.X[i];
    for (size_t m = 0; m < p; ++m) {
      x[m] = row.design[fit.slots[m]] * row.weight;
      finite = finite && std::isfinite(x[m]);
    }
    fit.y[i] = (row.q - row.qTrial) * row.weight;
    finite = finite && std::isfinite(fit.y[i]);
    sumQ2 += (row.q * row.weight) * (row.q * row.weight);
  }
  for (double c : problem.trialMetric) finite = finite && std::isfinite(c);
  fit.size = std::sqrt(sumQ2 / problem.Count());
  return finite;
}

// The slot increments of a solution over the refined slots, ties applied.
void SlotIncrements(const WeightedFit& fit, int system, const Vector& beta, double x[kSlots]) {
  for (int k = 0; k < kSlots; ++k) x[k] = 0.0;
  for (size_t m = 0; m < fit.p; ++m) x[fit.slots[m]] = beta[m];
  TieParameters(system, x);
}

// The leverage of every row and (X'X)^-1 x_i, all rows at once. Each row's
// sums run in the order of a row alone, but the rows' chains of dependent
// divisions and additions overlap and are taken two rows at a time.
void RowLeverages(WeightedFit& fit) {
  const size_t p = fit.p, n = fit.n;
  for (size_t m = 0; m < p; ++m) {
    Column& qm = fit.q[m];
    for (size_t i = 0; i < n; ++i) qm[i] = fit.X[i][m];
    for (size_t j = 0; j < m; ++j) {
      const double rjm = fit.R[j][m];
      const Column& qj = fit.q[j];
      for (size_t i = 0; i < n; ++i) qm[i] -= rjm * qj[i];
    }
    const double rmm = fit.R[m][m];
    for (size_t i = 0; i < n; ++i) qm[i] = qm[i] / rmm;
  }
  fit.leverage.fill(0.0);
  for (size_t m = 0; m < p; ++m)
    for (size_t i = 0; i < n; ++i) fit.leverage[i] += fit.q[m][i] * fit.q[m][i];
  for (size_t a = 0; a < p; ++a) {
    Column& c = fit.inverseTimesRow[a];
    c.fill(0.0);
    for (size_t m = a; m < p; ++m) {
      const double ram = fit.Rinv[a][m];
      const Column& qm = fit.q[m];
      for (size_t i = 0; i < n; ++i) c[i] += ram * qm[i];
    }
  }
}

// Fills `fit` (it is large: the caller keeps it in place); fit.problem says
// why nothing can be computed.
void FitProblem(const RefinementProblem& problem, WeightedFit& fit) {
  for (int slot = 0; slot < kSlots; ++slot)
    if (problem.parameters.IsRefined(slot)) fit.slots[fit.p++] = slot;
  if (problem.rows.size() > static_cast<size_t>(kMaxReflections) || !FillWeightedRows(problem, fit)) {
    fit.problem = "No diagnostics: the job holds values that are not finite numbers.";
    return;
  }
  const size_t p = fit.p;
  if (!SolveQR(fit.X, fit.y, fit.n, p, fit.R, fit.Rinv, fit.beta)) {
    fit.problem =
        "No diagnostics: singular normal matrix; the reflections do not determine every "
        "refined parameter.";
    return;
  }
  for (size_t i = 0; i < fit.n; ++i) {
    double fitted = 0.0;
    for (size_t m = 0; m < p; ++m) fitted += fit.X[i][m] * fit.beta[m];
    fit.e[i] = fit.y[i] - fitted;
    fit.sse += fit.e[i] * fit.e[i];
  }
  double x[kSlots];
  SlotIncrements(fit, problem.system, fit.beta, x);
  fit.cell = DirectCellOf(problem, x);
  // The engine's propagation with K = (X'X)^-1 = R^-1 R^-T.
  Matrix9 K = {};
  for (size_t a = 0; a < p; ++a) {
    for (size_t b = 0; b < p; ++b) {
      double c = 0.0;
      for (size_t m = 0; m < p; ++m) c += fit.Rinv[a][m] * fit.Rinv[b][m];
      K[static_cast<size_t>(fit.slots[a])][static_cast<size_t>(fit.slots[b])] = c;
    }
  }
  CellSigmas(fit.cell.direct, 1.0, K, fit.unitSigma, fit.cell.volume, problem.system, problem.Size());
  for (int j = 3; j < 6; ++j) fit.unitSigma[j] /= kDegToRad;
  RowLeverages(fit);
}

// Leverage, Rstudent, DFFITS and DFBETAS of row i, or its reason for none.
// Returns false when the row's values are not defined.
bool DiagnoseRow(const RefinementProblem& problem, const WeightedFit& fit, int f, size_t i,
                 const bool refined[6], ReflectionDiagnostics& r) {
  const size_t p = fit.p;
  r.residual = fit.e[i];
  const double h = fit.leverage[i];
  r.leverage = h;
  if (r.weight == 0.0) {
    r.leverage = 0.0;
    r.undefinedReason = "weight 0: the reflection takes no part in the fit";
    return false;
  }
  if (1.0 - h <= kUnitLeverage) {
    r.leverage = 1.0;
    r.flagged = true;
    r.flags = kFlagUnitLeverage;
    r.undefinedReason = "leverage 1: the reflection alone determines a refined parameter";
    return false;
  }
  if (f - 1 <= 0) {
    r.undefinedReason = "no degrees of freedom are left without this reflection";
    return false;
  }
  const double oneMinusH = 1.0 - h;
  double sse_i = fit.sse - fit.e[i] * fit.e[i] / oneMinusH;
  if (sse_i < 0.0) sse_i = 0.0;  // rounding of an exact fit
  const double s_i = std::sqrt(sse_i / (f - 1));
  // A misfit at the level of rounding is no misfit: studentizing it would
  // give numbers of any size.
  if (!(s_i > kRoundingMisfit * fit.size)) {
    r.undefinedReason = "the fit without this reflection has no misfit";
    return false;
  }
  r.defined = true;
  r.rstudent = fit.e[i] / (s_i * std::sqrt(oneMinusH));
  r.dffits = r.rstudent * std::sqrt(h / oneMinusH);

  // Exact leave-one-out parameters: beta - (X'X)^-1 x_i e_i / (1 - h_ii).
  Vector betaOut{};
  for (size_t a = 0; a < p; ++a) betaOut[a] = fit.beta[a] - fit.inverseTimesRow[a][i] * fit.e[i] / oneMinusH;
  // The cell of the fit without row i: DFBETAS compares it with the full
  // fit's, through the same mapping to the direct cell.
  double x[kSlots];
  SlotIncrements(fit, problem.system, betaOut, x);
  const DirectCell without = DirectCellOf(problem, x);
  for (int j = 0; j < 6; ++j) {
    const double sigma = s_i * fit.unitSigma[j];
    r.dfbetas[j] = refined[j] && sigma > 0.0 ? (fit.cell.cell[j] - without.cell[j]) / sigma : 0.0;
  }
  return true;
}

// The flags of the defined rows; their text waits for DiagnosticsReason.
void FlagRows(DiagnosticsResult& result) {
  const DiagnosticsCutoffs& c = result.cutoffs;
  for (ReflectionDiagnostics& r : result.rows) {
    if (!r.defined) continue;
    unsigned flags = 0;
    if (std::fabs(r.rstudent) > c.rstudent) flags |= kFlagRstudent;
    if (std::fabs(r.dffits) > c.dffits) flags |= kFlagDffits;
    if (r.leverage > c.leverage) flags |= kFlagLeverage;
    for (int j = 0; j < 6; ++j)
      if (DfbetasFlagged(r, result, j)) flags |= kFlagDfbetas;
    r.flags = flags;
    r.flagged = flags != 0;
  }
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

bool DfbetasFlagged(const ReflectionDiagnostics& row, const DiagnosticsResult& result, int j) {
  return row.defined && result.parameters.Free(j) && std::fabs(row.dfbetas[j]) > result.cutoffs.dfbetas;
}

int DiagnosticsResult::FlaggedCount() const {
  int count = 0;
  for (const ReflectionDiagnostics& r : rows) count += r.flagged ? 1 : 0;
  return count;
}

std::string DiagnosticsReason(const ReflectionDiagnostics& r, const DiagnosticsResult& result) {
  if (!result.valid) return result.message;
  if (!r.defined) return r.undefinedReason != nullptr ? r.undefinedReason : "";
  const DiagnosticsCutoffs& c = result.cutoffs;
  std::string why;
  auto add = [&why](const std::string& part) {
    if (!why.empty()) why += "; ";
    why += part;
  };
  if (r.flags & kFlagRstudent) add(Format("Rstudent %+.2f beyond %.2f", r.rstudent, c.rstudent));
  if (r.flags & kFlagDffits) add(Format("DFFITS %+.2f beyond %.2f", r.dffits, c.dffits));
  if (r.flags & kFlagLeverage) add(Format("leverage %.3f above %.3f", r.leverage, c.leverage));
  if (r.flags & kFlagDfbetas) {
    std::string moves;
    for (int j = 0; j < 6; ++j) {
      if (!DfbetasFlagged(r, result, j)) continue;
      moves += moves.empty() ? "moves " : ", ";
      moves += Format("%s by %+.2f s.d.", CellConstantName(j), r.dfbetas[j]);
    }
    add(moves + Format(" (beyond %.2f)", c.dfbetas));
  }
  return why;
}

std::string ReflectionLabel(const ReflectionDiagnostics& row) {
  return Format("(%d %d %d)", row.h, row.k, row.l);
}

DiagnosticsResult ComputeDiagnostics(const Job& job) {
  const DiagnosticsResult start = StartDiagnostics(job);
  if (!start.message.empty()) return start;
  return ComputeDiagnostics(job, BuildRefinementProblem(job));
}

DiagnosticsResult ComputeDiagnostics(const Job& job, const RefinementProblem& problem) {
  DiagnosticsResult result = StartDiagnostics(job);
  if (!result.message.empty()) return result;
  WeightedFit fit;
  FitProblem(problem, fit);
  if (fit.problem != nullptr) return Fail(result, fit.problem);
  const int f = result.degreesOfFreedom;
  result.s = std::sqrt(fit.sse / f);
  bool allDefined = true;
  for (size_t i = 0; i < result.rows.size(); ++i)
    allDefined = DiagnoseRow(problem, fit, f, i, result.parameters.moves, result.rows[i]) && allDefined;
  FlagRows(result);
  result.valid = true;
  if (f - 1 <= 0) {
    result.message = Format("Leave-one-out values need at least %d reflections.", result.p + 2);
  } else if (!allDefined) {
    result.message = "Some reflections have no leave-one-out values; see their reasons.";
  }
  return result;
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

}  // namespace lattrix
