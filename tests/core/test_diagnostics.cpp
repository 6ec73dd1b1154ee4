// Regression diagnostics against brute force: every reflection is left out
// in turn and the job refitted by the engine, and the leave-one-out
// quantities are formed from the refits alone:
//   e_j      weighted residual w (Qcor - Qcal) of a refit's row, with
//            Qcal = 1/dcal^2 and Qcor = (2 sin(2thcor / 2) / lambda)^2
//   s_(i)    from the residuals of the refit without reflection i
//   e_(i)    residual of reflection i predicted by a refit that gives it
//            weight 0 (it then takes no part in the fit)
//   h_ii     1 - e_i / e_(i), since e_(i) = e_i / (1 - h_ii)
//   DFBETAS  (cell - cell without i) / (reported s.d. * s_(i) / s)
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "diagnostics/Diagnostics.h"
#include "engine/CohenModel.h"
#include "run/Execute.h"
#include "engine/Refinement.h"
#include "job/JobRows.h"

using namespace lattrix;
using namespace lattrix_test;

namespace {

struct Fit {
  Job job;
  RefinementOutcome outcome;
};

Fit Refit(Job job) {
  RecordingSink sink;
  const RefinementOutcome outcome = RefineInMemory(job, sink);
  return {job, outcome};
}

double Residual(const ReflectionResult& row, double weight) {
  const double x = 2.0 * std::sin(row.twoThetaCor * kDegToRad / 2.0) / kLambda;
  return weight * (x * x - 1.0 / (row.dCal * row.dCal));
}

double SumOfSquares(const Fit& fit) {
  double sum = 0.0;
  for (size_t j = 0; j < fit.outcome.reflections.size(); ++j)
    sum += std::pow(Residual(fit.outcome.reflections[j], fit.job.m_dWeight[j]), 2);
  return sum;
}

// Relative agreement with a floor: values in units of a standard deviation
// and leverages cannot be resolved by a refit difference below 'relative'.
void ExpectClose(double value, double reference, const std::string& what, double relative, double floor = 1.0) {
  EXPECT_NEAR(value, reference, relative * std::max(std::fabs(reference), floor)) << what;
}

TEST(Diagnostics, AgreeWithBruteForceRefits) {
  // The engine's cofactor solution of the nearly collinear zero and
  // displacement columns keeps fewer digits, and a refit difference loses
  // more: those rows are compared to 1e-4, the others to 1e-6.
  const struct { int crystal, correction, weighting, count; double tolerance; } cases[] = {
      {0, kZero, kUnity, 30, 1e-6},         {1, kZeroAndDisplacement, kSin2Theta, 25, 1e-4},
      {2, kNoCorrection, kSin2Theta, 20, 1e-6}, {3, kNoCorrection, kUnity, 25, 1e-6},
      {4, kDisplacement, kUnity, 18, 1e-6}, {5, kDisplacement, kSin2Theta, 15, 1e-6},
      {6, kManual, kUnity, 9, 1e-6},        {6, kZeroAndDisplacement, kSin2Theta, 30, 1e-4}};
  for (const auto& c : cases) {
    Job input = MakeJob(kCrystals[c.crystal], c.count, {0.03, 0.05, 0.01});
    input.m_nCorrection = c.correction;
    // Manual: known corrections close to, but not exactly, the ones built in.
    if (c.correction == kManual) input.m_dZero = 0.025, input.m_dDisp = 0.04, input.m_dEmu = 50.0;
    RecordingSink sink;
    if (c.weighting == kSin2Theta) ComputeSin2Weights(input, sink);
    const Fit full = Refit(input);
    const DiagnosticsResult d = ComputeDiagnostics(full.job);
    ASSERT_TRUE(d.valid) << d.message;
    const int N = input.m_nReflections, f = full.outcome.degreesOfFreedom;
    ASSERT_TRUE(d.n == N && d.p == N - f) << d.n << " " << d.p;
    const double s = std::sqrt(SumOfSquares(full) / f);
    ExpectClose(d.s, s, "s", c.tolerance, 0.0);
    for (int i = 0; i < N; ++i) {
      const std::string where = Format("system %d mode %d weighting %d row %d", kCrystals[c.crystal].system,
                                       c.correction, c.weighting, i);
      const ReflectionDiagnostics& r = d.rows[i];
      ASSERT_TRUE(r.defined) << where << ": " << DiagnosticsReason(r, d);
      const double w = input.m_dWeight[i], e = Residual(full.outcome.reflections[i], w);
      Job without = input;  // the row deleted as the Reflection List deletes it (test_job_file.cpp)
      ASSERT_TRUE(DeleteReflection(without, i));
      const Fit out = Refit(without);
      ASSERT_EQ(out.outcome.degreesOfFreedom, f - 1);
      const double sOut = std::sqrt(SumOfSquares(out) / (f - 1));
      Job zeroWeight = input;
      zeroWeight.m_dWeight[i] = 0.0;
      const Fit zero = Refit(zeroWeight);
      // A weight of 0 removes the reflection: both refits give one cell.
      EXPECT_NEAR(zero.job.m_dRefinedCell[0], out.job.m_dRefinedCell[0], 1e-11) << where;
      ExpectClose(r.residual, e, where + " residual", c.tolerance, s);
      // h = 1 - e_i / e_(i) needs a residual well above the refits' noise.
      if (std::fabs(e) > 0.1 * s) {
        const double h = 1.0 - e / Residual(zero.outcome.reflections[i], w);
        const double rstudent = e / (sOut * std::sqrt(1.0 - h));
        ExpectClose(r.leverage, h, where + " leverage", c.tolerance);
        ExpectClose(r.rstudent, rstudent, where + " Rstudent", c.tolerance);
        ExpectClose(r.dffits, rstudent * std::sqrt(h / (1.0 - h)), where + " DFFITS", c.tolerance);
      }
      for (int j = 0; j < 6; ++j) {
        const double change = full.job.m_dRefinedCell[j] - out.job.m_dRefinedCell[j];
        if (!d.parameters.moves[j]) { EXPECT_EQ(r.dfbetas[j], 0.0) << where << " " << CellConstantName(j); }
        else ExpectClose(r.dfbetas[j], change / (full.job.m_dCellSigma[j] * sOut / s), where + " DFBETAS " + CellConstantName(j), c.tolerance);
      }
    }
  }
}

// Problems where the leave-one-out values, or all values, cannot be formed:
// each gives its reason instead of numbers. The one-parameter fit is worked
// by hand: cubic, design column x = h^2 + k^2 + l^2 = 1, 2, 3, leverages
// x_i^2 / 14.
TEST(Diagnostics, DegenerateProblemsGiveReasons) {
  const auto misfit = [](Job& j) { for (int i = 0; i < j.m_nReflections; ++i) j.m_dTwoTheta[i] += 0.01 * std::sin(3.0 * i + 1); };
  // A message of nullptr is not checked; 'row' is the row whose reason and
  // leverage are checked, a negative leverage is not checked.
  using Edit = std::function<void(Job&)>;
  const struct {
    const char* what; int crystal, count; Edit edit; bool valid;
    const char* message; int row; const char* reason; double leverage;
  } cases[] = {
      {"no reflections", 6, 0, misfit, false, "No diagnostics: 0 reflections for 1 refined parameters.", -1, "", -1},
      {"as many lines as parameters", 6, 1, misfit, false, "No diagnostics: 1 reflections for 1 refined parameters.", 0,
       "No diagnostics: 1 reflections for 1 refined parameters.", -1},
      {"one degree of freedom", 6, 2, misfit, true, "Leave-one-out values need at least 3 reflections.", 0,
       "no degrees of freedom are left without this reflection", -1},
      {"hand-worked leverages", 6, 3,
       [&](Job& j) { j.m_nH[0] = 1, j.m_nK[0] = j.m_nL[0] = 0, j.m_nH[1] = j.m_nK[1] = 1, j.m_nL[1] = 0, j.m_nH[2] = j.m_nK[2] = j.m_nL[2] = 1; misfit(j); },
       true, nullptr, 2, nullptr, 9.0 / 14.0},
      {"every l = 0: singular", 2, 12, [&](Job& j) { for (int i = 0; i < 12; ++i) j.m_nL[i] = 0; misfit(j); }, false,
       "No diagnostics: singular normal matrix; the reflections do not determine every refined parameter.", -1, "", -1},
      {"one line alone fixes c", 2, 12, [&](Job& j) { for (int i = 0; i < 12; ++i) j.m_nL[i] = i == 5 ? 2 : 0; misfit(j); },
       true, nullptr, 5, "leverage 1: the reflection alone determines a refined parameter", 1.0},
      {"weight 0", 2, 12, [&](Job& j) { j.m_dWeight[3] = 0.0; misfit(j); }, true, nullptr, 3,
       "weight 0: the reflection takes no part in the fit", 0.0},
      {"exact fit (the engine's own degree factor) has only rounding noise", 6, 6,
       [](Job& j) { for (int i = 0; i < 6; ++i) j.m_dTwoTheta[i] = 2.0 * std::asin(kLambda * std::sqrt(InverseDSquared(kCrystals[6].cell, j.m_nH[i], j.m_nK[i], j.m_nL[i])) / 2.0) / kDegToRad; },
       true, nullptr, 2, "the fit without this reflection has no misfit", -1},
      {"crystal system 9", 6, 5, [](Job& j) { j.m_nCrystalSystem = 9; }, false, "No diagnostics: crystal system 9 is not valid.", -1, "", -1},
  };
  for (const auto& c : cases) {
    Job job = MakeJob(kCrystals[c.crystal], c.count);
    c.edit(job);
    const DiagnosticsResult d = ComputeDiagnostics(job);
    EXPECT_EQ(d.valid, c.valid) << c.what;
    if (c.message) { EXPECT_EQ(d.message, c.message) << c.what; }
    if (c.row < 0) continue;
    const ReflectionDiagnostics& r = d.rows.at(c.row);
    if (c.reason) { EXPECT_EQ(DiagnosticsReason(r, d), c.reason) << c.what; }
    if (c.reason) { EXPECT_TRUE(std::isnan(r.rstudent) && !r.defined) << c.what; }
    if (c.leverage >= 0) { EXPECT_NEAR(r.leverage, c.leverage, 1e-12) << c.what; }
    double trace = 0.0;
    for (const ReflectionDiagnostics& row : d.rows) trace += row.leverage;
    if (c.valid) { EXPECT_NEAR(trace, d.p, 1e-9) << c.what << ": the hat matrix's trace is p"; }
    if (c.reason) { EXPECT_EQ(r.flagged, c.leverage == 1.0) << c.what; }
  }
}

// The leverage cut-off 2p/n, worked by hand: a cubic fit of one parameter,
// design column x = h^2 + k^2 + l^2 = 5, 4, 3, 2, 2, 2, 1, 1; sum x^2 = 64,
// so the leverages x^2 / 64 are exact in binary: (2 1 0) above 2/8, (2 0 0)
// at it, which is not above it, and (1 1 1) below.
TEST(Diagnostics, LeverageCutoffTwoPOverN) {
  const int hkl[8][3] = {{2, 1, 0}, {2, 0, 0}, {1, 1, 1}, {1, 1, 0}, {1, 0, 1}, {0, 1, 1}, {1, 0, 0}, {0, 1, 0}};
  Job job = MakeJob(kCrystals[6], 8);
  for (int i = 0; i < 8; ++i) {
    job.m_nH[i] = hkl[i][0], job.m_nK[i] = hkl[i][1], job.m_nL[i] = hkl[i][2];
    job.m_dTwoTheta[i] = TwoTheta(kCrystals[6].cell, hkl[i][0], hkl[i][1], hkl[i][2]) + 0.01 * std::sin(3.0 * i + 1);
  }
  const DiagnosticsResult d = ComputeDiagnostics(job);
  ASSERT_TRUE(d.valid && d.p == 1 && d.cutoffs.leverage == 0.25) << d.message;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(d.rows[i].leverage, (5 - i) * (5 - i) / 64.0) << i;
    EXPECT_EQ((d.rows[i].flags & kFlagLeverage) != 0, i == 0) << i << ": " << DiagnosticsReason(d.rows[i], d);
  }
}

// A tetragonal cell has a = b: b is no parameter of its own, so its DFBETAS
// (the same as a's) is never flagged or marked; a and c are, beyond 1 s.d.
TEST(Diagnostics, DfbetasFlaggedOnlyForFreeConstants) {
  DiagnosticsResult d;
  d.parameters = Parameters(kTetragonal, kNoCorrection);
  ReflectionDiagnostics r;
  r.defined = true;
  const double dfbetas[6] = {2.0, 2.0, -1.5, 3.0, 3.0, 3.0};
  for (int j = 0; j < 6; ++j) r.dfbetas[j] = dfbetas[j];
  for (int j = 0; j < 6; ++j) EXPECT_EQ(DfbetasFlagged(r, d, j), j == 0 || j == 2) << CellConstantName(j);
}

}  // namespace
