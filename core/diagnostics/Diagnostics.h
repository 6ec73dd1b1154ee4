// Regression diagnostics of a refinement: which reflection pulls the cell
// toward itself, and which does not fit.
//
// The problem is the one the engine solves: each design row of the refined
// slots and each residual 1/d^2(obs) - 1/d^2(trial) multiplied by the
// reflection's weight. For every reflection i this gives the leverage h_ii
// (hat-matrix diagonal), the studentized deleted residual (Rstudent), DFFITS
// and DFBETAS of the six direct-cell constants, from the exact leave-one-out
// update of the parameters (Belsley, Kuh & Welsch, Regression Diagnostics,
// 1980, ch. 2):
//   e_i        weighted residual, observed minus calculated
//   s^2        sum e^2 / f with f = N - p, the engine's degrees of freedom
//   s_(i)^2    (sum e^2 - e_i^2 / (1 - h_ii)) / (f - 1), the fit without i
//   Rstudent   e_i / (s_(i) sqrt(1 - h_ii))
//   DFFITS     Rstudent sqrt(h_ii / (1 - h_ii))
//   DFBETAS_j  (x_j - x_j(i)) / (s_(i) sqrt(G_jj))
// where x_j is a direct-cell constant of the full fit, x_j(i) the same
// constant from the parameters without reflection i (mapped to the direct
// cell exactly as the engine maps its solution), and s^2 G_jj the variance
// of x_j that the engine reports (G = J (X'X)^-1 J' with J the engine's
// Jacobian of the direct cell). So the denominator is the full fit's
// standard deviation with s replaced by s_(i), as in the textbook DFBETAS.
// A positive DFBETAS means the reflection raises the constant.
//
// The core never prints: it returns the numbers and the summary text.
#pragma once

#include <string>
#include <vector>

#include "engine/RefinementProblem.h"
#include "job/Job.h"

namespace lattrix {

// Where a diagnostic becomes worth a look. Every cut-off applies to the
// absolute value except the leverage's.
struct DiagnosticsCutoffs {
  double rstudent = 3.0;
  double leverage = 0.0;   // 2 p / n
  double dffits = 0.0;     // 2 sqrt(p / n)
  // One standard deviation: the size-adjusted 2 / sqrt(n) flags a third of
  // the lines of a clean pattern of 20 to 50 reflections, and |DFBETAS|
  // never exceeds |DFFITS| in a linear fit, which already has its cut-off.
  double dfbetas = 1.0;
};

// The usual cut-offs for p refined parameters and n reflections: |Rstudent|
// > 3, h_ii > 2p/n, |DFFITS| > 2 sqrt(p/n), |DFBETAS| > 1.
DiagnosticsCutoffs DefaultCutoffs(int p, int n);

// Why a row is flagged, as bits of ReflectionDiagnostics::flags, so that a
// display can tell a misfit (Rstudent) from influence (DFFITS, DFBETAS) and
// from a line that is merely far out in the design (leverage).
enum DiagnosticsFlag : unsigned {
  kFlagRstudent = 1u,
  kFlagDffits = 2u,
  kFlagLeverage = 4u,
  kFlagDfbetas = 8u,
  kFlagUnitLeverage = 16u,   // leverage 1: the reflection alone fixes a parameter
};

struct ReflectionDiagnostics {
  int h = 0, k = 0, l = 0;
  double twoTheta = 0.0;    // the 2theta that was refined (after any calibration)
  double weight = 0.0;
  double residual = 0.0;    // e_i: weight * (1/d^2 obs - 1/d^2 calc), A^-2
  double leverage = 0.0;    // h_ii, 0..1
  // NaN where not defined (see 'defined' and 'reason').
  double rstudent = 0.0;
  double dffits = 0.0;
  // a, b, c, alpha, beta, gamma; 0 for a constant the crystal system keeps
  // fixed (the angles of orthogonal axes, gamma of the hexagonal cell).
  double dfbetas[6] = {};
  // False when the leave-one-out values cannot be formed: the weight is 0
  // (the reflection takes no part in the fit), the leverage is 1 (the
  // reflection alone determines a parameter), or the fit without it has no
  // degrees of freedom or no misfit.
  bool defined = false;
  bool flagged = false;   // flags != 0
  unsigned flags = 0;     // DiagnosticsFlag bits
  // Why the values are not defined, for a row of a valid result; the
  // text of a flagged row is built only where it is shown (DiagnosticsReason).
  const char* undefinedReason = nullptr;
};

struct DiagnosticsResult {
  // False when nothing could be computed; 'message' says why (no reflections,
  // no more reflections than parameters, singular normal matrix, a job that
  // is not valid). The rows then carry only h, k, l, 2theta and weight, NaN
  // values, and the message as their reason (DiagnosticsReason).
  bool valid = false;
  std::string message;   // empty when every row is defined
  int p = 0;             // refined parameters (cell and corrections)
  int n = 0;             // reflections, as the engine counts them
  int degreesOfFreedom = 0;
  double s = 0.0;        // standard deviation of unit weight, A^-2
  // What the crystal system and the correction mode refine (none for codes
  // that are not valid); moves[j] says which direct-cell constants move.
  ParameterMap parameters;
  DiagnosticsCutoffs cutoffs;
  std::vector<ReflectionDiagnostics> rows;   // one per reflection, in job order

  int FlaggedCount() const;
};

// Diagnostics of the job's last refinement. Works on the job right after
// RefineCell: its indices, refined 2theta, weights, trial cell, crystal
// system, correction mode, wavelength and radius (and, in Manual mode, the
// known corrections, which pre-correct 2theta as in the engine). Never
// fails: degenerate problems give NaN values and a reason.
DiagnosticsResult ComputeDiagnostics(const Job& job);

// The same for the problem the refinement built from the job.
DiagnosticsResult ComputeDiagnostics(const Job& job, const RefinementProblem& problem);

// One line for the row: why it is flagged ("Rstudent +3.41 beyond 3.00;
// leverage 0.412 above 0.320"), why its values are not defined, or the
// message of a result that is not valid; empty for a clean row.
std::string DiagnosticsReason(const ReflectionDiagnostics& row, const DiagnosticsResult& result);

// "(h k l)" of a row.
std::string ReflectionLabel(const ReflectionDiagnostics& row);

// True when the row's DFBETAS of constant j is beyond its cut-off for a
// constant that is a parameter of its own (a tied one only repeats its
// leader's): the row's flag and a display's marked cells follow this.
bool DfbetasFlagged(const ReflectionDiagnostics& row, const DiagnosticsResult& result, int j);

// The summary under the diagnostics ("2 of 25 reflections flagged: (1 1 4),
// (3 0 1)", then the cut-offs and the message), or the message of a result
// that is not valid.
std::string DiagnosticsSummary(const DiagnosticsResult& result);

}  // namespace lattrix
