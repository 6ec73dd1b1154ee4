// Regression diagnostics checked against brute force: every reflection is
// left out in turn and the job refitted by the engine itself, and the
// leave-one-out quantities are formed from the refits alone:
//   e_j      weighted residual w (Qcor - Qcal) of a refit's row, with
//            Qcal = 1/dcal^2 and Qcor = (2 sin(2thcor / 2) / lambda)^2
//   s_(i)    from the residuals of the refit without reflection i
//   e_(i)    residual of reflection i predicted by a refit that gives it
//            weight 0 (it then takes no part in the fit)
//   h_ii     1 - e_i / e_(i), since e_(i) = e_i / (1 - h_ii)
//   DFBETAS  (cell - cell without i) / (reported s.d. * s_(i) / s)
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "CellMath.h"
#include "common/MessageSink.h"
#include "common/TextIO.h"
#include "diagnostics/Diagnostics.h"
#include "engine/CohenModel.h"
#include "engine/Execute.h"
#include "engine/Refinement.h"
#include "job/Job.h"

using namespace lattrix;
using namespace lattrix_test;

namespace {

constexpr double kLambda = 1.5405981;
constexpr double kRadius = 185.0;

struct Case {
  int system;
  double cell[6];
  int correction;
  int weighting;
  int count;
  // Relative agreement with the refits. The engine's cofactor solution of
  // the nearly collinear zero and displacement columns keeps fewer digits
  // (our leverages match an extended-precision solution to 1e-12, see
  // below), and a refit difference loses more: 1e-4 there, 1e-6 elsewhere.
  double tolerance = 1e-6;
};

// Reflections of lowest 2theta, one of each Friedel pair.
std::vector<std::array<int, 3>> Reflections(const double cell[6], int count) {
  std::vector<std::pair<double, std::array<int, 3>>> all;
  for (int h = -4; h <= 4; ++h)
    for (int k = -4; k <= 4; ++k)
      for (int l = -4; l <= 4; ++l) {
        const int first = h != 0 ? h : (k != 0 ? k : l);
        if (first <= 0) continue;
        const double t = TwoTheta(cell, h, k, l, kLambda);
        if (t > 10.0 && t < 150.0) all.push_back({t, {h, k, l}});
      }
  std::sort(all.begin(), all.end());
  std::vector<std::array<int, 3>> out;
  for (int i = 0; i < count && i < static_cast<int>(all.size()); ++i) out.push_back(all[i].second);
  return out;
}

// A job from a known cell: a zero offset, a displacement and a deterministic
// misfit of about 0.01 degree, a trial cell 0.3 % off.
Job MakeJob(const Case& c) {
  Job job;
  InitialiseJob(job, "/tmp");
  job.m_nCrystalSystem = c.system;
  job.m_nCorrection = c.correction;
  job.m_nWeighting = c.weighting;
  for (int j = 0; j < 6; ++j) job.m_dCell[j] = j < 3 ? c.cell[j] * 1.003 : c.cell[j];
  const auto hkl = Reflections(c.cell, c.count);
  job.m_nReflections = static_cast<int>(hkl.size());
  for (int i = 0; i < job.m_nReflections; ++i) {
    const double t = TwoTheta(c.cell, hkl[i][0], hkl[i][1], hkl[i][2], kLambda);
    const double theta = Rad(t / 2.0);
    const double observed = t - 0.03 + Deg(2.0 * 0.05 * std::cos(theta) / kRadius) +
                            0.01 * std::sin(17.3 * i + 1.0);
    job.m_nH[i] = hkl[i][0];
    job.m_nK[i] = hkl[i][1];
    job.m_nL[i] = hkl[i][2];
    job.m_dTwoTheta[i] = job.m_dTwoThetaRaw[i] = observed;
    job.m_dWeight[i] = 1.0;
  }
  if (c.correction == kManual) {
    // Known corrections close to, but not exactly, the ones built in.
    job.m_dZero = 0.025;
    job.m_dDisp = 0.04;
    job.m_dEmu = 50.0;
  }
  RecordingSink sink;
  if (c.weighting == kSin2Theta) ComputeSin2Weights(job, sink);
  return job;
}

struct Fit {
  Job job;
  RefinementOutcome outcome;
};

Fit Refit(Job job) {
  RecordingSink sink;
  std::ostringstream report;
  RefinementOutcome outcome = RefineCell(job, report, sink);
  return {job, outcome};
}

// Weighted residual (observed - calculated, in 1/d^2) of a refit's row,
// with the weight of the original job.
double Residual(const ReflectionResult& row, double weight) {
  const double qcal = 1.0 / (row.dCal * row.dCal);
  const double x = 2.0 * std::sin(row.twoThetaCor * kDegToRad / 2.0) / kLambda;
  return weight * (x * x - qcal);
}

double SumOfSquares(const Fit& fit) {
  double sum = 0.0;
  for (size_t j = 0; j < fit.outcome.reflections.size(); ++j) {
    const double e = Residual(fit.outcome.reflections[j], fit.job.m_dWeight[j]);
    sum += e * e;
  }
  return sum;
}

Job Without(const Job& job, int i) {
  Job out = job;
  for (int j = i; j + 1 < job.m_nReflections; ++j) {
    out.m_nH[j] = job.m_nH[j + 1];
    out.m_nK[j] = job.m_nK[j + 1];
    out.m_nL[j] = job.m_nL[j + 1];
    out.m_dTwoTheta[j] = job.m_dTwoTheta[j + 1];
    out.m_dTwoThetaRaw[j] = job.m_dTwoThetaRaw[j + 1];
    out.m_dWeight[j] = job.m_dWeight[j + 1];
  }
  --out.m_nReflections;
  return out;
}

// Relative agreement, with a floor: quantities in units of a standard
// deviation (Rstudent, DFFITS, DFBETAS) and leverages are compared at least
// to 'relative' in absolute terms, since a refit difference cannot resolve
// a value near zero any better.
void ExpectClose(double value, double reference, const std::string& what, double relative,
                 double floor = 1.0) {
  const double tolerance = relative * std::max(std::fabs(reference), floor);
  EXPECT_NEAR(value, reference, tolerance) << what;
}

// Every diagnostic of every reflection against the brute-force refits.
void CheckAgainstBruteForce(const Case& c) {
  const Job input = MakeJob(c);
  const Fit full = Refit(input);
  const DiagnosticsResult d = ComputeDiagnostics(full.job);
  ASSERT_TRUE(d.valid) << d.message;
  const int N = input.m_nReflections;
  ASSERT_EQ(d.n, N);
  ASSERT_EQ(d.p, N - full.outcome.degreesOfFreedom);
  const int f = full.outcome.degreesOfFreedom;
  const double s = std::sqrt(SumOfSquares(full) / f);
  ExpectClose(d.s, s, "s", c.tolerance, 0.0);

  for (int i = 0; i < N; ++i) {
    const std::string where = "system " + std::to_string(c.system) + " correction " +
                              std::to_string(c.correction) + " weighting " +
                              std::to_string(c.weighting) + " reflection " + std::to_string(i);
    const ReflectionDiagnostics& r = d.rows[static_cast<size_t>(i)];
    ASSERT_TRUE(r.defined) << where << ": " << r.reason;
    const double w = input.m_dWeight[i];
    const double e = Residual(full.outcome.reflections[static_cast<size_t>(i)], w);

    const Fit out = Refit(Without(input, i));
    ASSERT_EQ(out.outcome.degreesOfFreedom, f - 1);
    const double sOut = std::sqrt(SumOfSquares(out) / (f - 1));

    Job zeroWeight = input;
    zeroWeight.m_dWeight[i] = 0.0;
    const Fit zero = Refit(zeroWeight);
    const double ePredicted = Residual(zero.outcome.reflections[static_cast<size_t>(i)], w);
    // Both refits give the same cell: a weight of 0 removes the reflection.
    EXPECT_NEAR(zero.job.m_dRefinedCell[0], out.job.m_dRefinedCell[0], 1e-11) << where;

    ExpectClose(r.residual, e, where + " residual", c.tolerance, s);
    // h = 1 - e_i / e_(i) needs a residual well above the refits' noise.
    if (std::fabs(e) > 0.1 * s) {
      const double h = 1.0 - e / ePredicted;
      const double rstudent = e / (sOut * std::sqrt(1.0 - h));
      ExpectClose(r.leverage, h, where + " leverage", c.tolerance);
      ExpectClose(r.rstudent, rstudent, where + " Rstudent", c.tolerance);
      ExpectClose(r.dffits, rstudent * std::sqrt(h / (1.0 - h)), where + " DFFITS", c.tolerance);
    }
    for (int j = 0; j < 6; ++j) {
      if (!d.refinedConstant[j]) {
        EXPECT_EQ(r.dfbetas[j], 0.0) << where << " " << CellConstantName(j);
        continue;
      }
      const double sigma = full.job.m_dCellSigma[j] * sOut / s;
      const double change = full.job.m_dRefinedCell[j] - out.job.m_dRefinedCell[j];
      ExpectClose(r.dfbetas[j], change / sigma, where + " DFBETAS " + CellConstantName(j), c.tolerance);
    }
  }
}

TEST(Diagnostics, AgreeWithBruteForceRefits) {
  const Case cases[] = {
      {kTriclinic, {7.11, 8.32, 9.24, 85.2, 95.7, 102.3}, kZero, kUnity, 30},
      {kMonoclinic, {5.1505, 5.2116, 5.3173, 90, 99.23, 90}, kZeroAndDisplacement, kSin2Theta, 25, 1e-4},
      {kOrthorhombic, {4.913, 5.842, 7.301, 90, 90, 90}, kNoCorrection, kSin2Theta, 20},
      {kHexagonal, {4.9134, 4.9134, 5.4052, 90, 90, 120}, kNoCorrection, kUnity, 25},
      {kRhombohedral, {5.128, 5.128, 5.128, 55.28, 55.28, 55.28}, kDisplacement, kUnity, 18},
      {kTetragonal, {4.5937, 4.5937, 2.9587, 90, 90, 90}, kDisplacement, kSin2Theta, 15},
      {kCubic, {5.6402, 5.6402, 5.6402, 90, 90, 90}, kManual, kUnity, 9},
      {kCubic, {5.6402, 5.6402, 5.6402, 90, 90, 90}, kZeroAndDisplacement, kSin2Theta, 30, 1e-4},
  };
  for (const Case& c : cases) CheckAgainstBruteForce(c);
}

// An orthorhombic cell with a != b: the first (h k l) with |h| != |k|, both
// non-zero, is indexed as (k h l); it then lies more than a degree from its
// calculated position and must stand out.
TEST(Diagnostics, MisindexedReflectionIsFlaggedAndNamed) {
  const Case c = {kOrthorhombic, {4.913, 5.842, 7.301, 90, 90, 90}, kZero, kUnity, 40};
  Job job = MakeJob(c);
  int bad = -1;
  for (int i = 0; i < job.m_nReflections && bad < 0; ++i) {
    if (job.m_nH[i] != 0 && job.m_nK[i] != 0 && std::abs(job.m_nH[i]) != std::abs(job.m_nK[i])) bad = i;
  }
  ASSERT_GE(bad, 0);
  std::swap(job.m_nH[bad], job.m_nK[bad]);
  const double shift = TwoTheta(c.cell, job.m_nH[bad], job.m_nK[bad], job.m_nL[bad], kLambda) -
                       TwoTheta(c.cell, job.m_nK[bad], job.m_nH[bad], job.m_nL[bad], kLambda);
  ASSERT_GT(std::fabs(shift), 1.0);
  const std::string name = Format("%4d%4d%4d", job.m_nH[bad], job.m_nK[bad], job.m_nL[bad]);
  const std::string label = Format("(%d %d %d)", job.m_nH[bad], job.m_nK[bad], job.m_nL[bad]);
  RecordingSink sink;
  std::ostringstream report;
  RefineCell(job, report, sink);
  const DiagnosticsResult d = ComputeDiagnostics(job);
  ASSERT_TRUE(d.valid);
  const ReflectionDiagnostics& r = d.rows[static_cast<size_t>(bad)];
  EXPECT_TRUE(r.flagged);
  EXPECT_GT(std::fabs(r.rstudent), 10.0);
  EXPECT_NE(r.reason.find("Rstudent"), std::string::npos) << r.reason;
  EXPECT_TRUE(r.flags & kFlagRstudent);
  // No other reflection misfits.
  for (int i = 0; i < job.m_nReflections; ++i) {
    if (i == bad) continue;
    EXPECT_LT(std::fabs(d.rows[static_cast<size_t>(i)].rstudent), 3.0) << i;
  }
  const std::string table = DiagnosticsTable(d);
  EXPECT_NE(table.find(name), std::string::npos);
  EXPECT_NE(table.find("reflections flagged: "), std::string::npos);
  EXPECT_NE(DiagnosticsSummary(d).find(label), std::string::npos) << DiagnosticsSummary(d);
  const std::string line = DiagnosticsLine(r, d);
  EXPECT_NE(line.find("  *  Rstudent "), std::string::npos) << line;
}

// Hand-worked fit: cubic, unit weights, one parameter A, design column
// x_i = h^2 + k^2 + l^2. With x = (1, 2, 3) the leverages are x_i^2 / 14.
TEST(Diagnostics, LeveragesOfAOneParameterFit) {
  const double cell[6] = {4.0, 4.0, 4.0, 90, 90, 90};
  Job job;
  InitialiseJob(job, "/tmp");
  job.m_nCrystalSystem = kCubic;
  job.m_nCorrection = kNoCorrection;
  for (int j = 0; j < 6; ++j) job.m_dCell[j] = cell[j];
  const int hkl[3][3] = {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}};
  const double misfit[3] = {0.02, -0.03, 0.01};
  job.m_nReflections = 3;
  for (int i = 0; i < 3; ++i) {
    job.m_nH[i] = hkl[i][0];
    job.m_nK[i] = hkl[i][1];
    job.m_nL[i] = hkl[i][2];
    job.m_dTwoTheta[i] = job.m_dTwoThetaRaw[i] = TwoTheta(cell, hkl[i][0], hkl[i][1], hkl[i][2], kLambda) + misfit[i];
    job.m_dWeight[i] = 1.0;
  }
  const DiagnosticsResult d = ComputeDiagnostics(job);
  ASSERT_TRUE(d.valid);
  EXPECT_EQ(d.p, 1);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(d.rows[static_cast<size_t>(i)].leverage, (i + 1) * (i + 1) / 14.0, 1e-12);
  EXPECT_NEAR(d.cutoffs.leverage, 2.0 / 3.0, 1e-15);
  EXPECT_NEAR(d.cutoffs.dffits, 2.0 * std::sqrt(1.0 / 3.0), 1e-15);
  EXPECT_EQ(d.cutoffs.dfbetas, 1.0);
  // Only a moves (b and c follow it); the angles stay.
  EXPECT_TRUE(d.refinedConstant[0] && d.refinedConstant[1] && d.refinedConstant[2]);
  EXPECT_FALSE(d.refinedConstant[3] || d.refinedConstant[4] || d.refinedConstant[5]);
  EXPECT_EQ(d.rows[0].dfbetas[0], d.rows[0].dfbetas[1]);
}

TEST(Diagnostics, DegenerateProblemsGiveReasonsNotNumbers) {
  const double cubic[6] = {5.6402, 5.6402, 5.6402, 90, 90, 90};
  const double ortho[6] = {4.913, 5.842, 7.301, 90, 90, 90};
  auto job = [](int system, const double cell[6], int count) {
    Job j;
    InitialiseJob(j, "/tmp");
    j.m_nCrystalSystem = system;
    j.m_nCorrection = kNoCorrection;
    for (int k = 0; k < 6; ++k) j.m_dCell[k] = cell[k];
    const auto hkl = Reflections(cell, 40);
    j.m_nReflections = count;
    for (int i = 0; i < count; ++i) {
      j.m_nH[i] = hkl[i][0];
      j.m_nK[i] = hkl[i][1];
      j.m_nL[i] = hkl[i][2];
      j.m_dTwoTheta[i] = TwoTheta(cell, hkl[i][0], hkl[i][1], hkl[i][2], kLambda) + 0.01 * std::sin(3.0 * i + 1.0);
      j.m_dWeight[i] = 1.0;
    }
    return j;
  };

  // As many reflections as parameters.
  DiagnosticsResult d = ComputeDiagnostics(job(kCubic, cubic, 1));
  EXPECT_FALSE(d.valid);
  EXPECT_EQ(d.message, "No diagnostics: 1 reflections for 1 refined parameters.");
  ASSERT_EQ(d.rows.size(), 1u);
  EXPECT_TRUE(std::isnan(d.rows[0].rstudent));
  EXPECT_FALSE(d.rows[0].flagged);

  // No reflections at all.
  d = ComputeDiagnostics(job(kCubic, cubic, 0));
  EXPECT_FALSE(d.valid);
  EXPECT_TRUE(d.rows.empty());

  // One degree of freedom: leverages, but nothing is left without a reflection.
  d = ComputeDiagnostics(job(kCubic, cubic, 2));
  EXPECT_TRUE(d.valid);
  EXPECT_EQ(d.message, "Leave-one-out values need at least 3 reflections.");
  EXPECT_NEAR(d.rows[0].leverage + d.rows[1].leverage, 1.0, 1e-12);  // trace of the hat matrix = p
  EXPECT_TRUE(std::isnan(d.rows[0].rstudent) && std::isnan(d.rows[0].dfbetas[0]));
  EXPECT_EQ(d.rows[0].reason, "no degrees of freedom are left without this reflection");
  EXPECT_NE(DiagnosticsLine(d.rows[0], d).find("n/a"), std::string::npos);

  // Every l = 0 in a system that refines c: singular.
  Job flat = job(kOrthorhombic, ortho, 12);
  for (int i = 0; i < 12; ++i) flat.m_nL[i] = 0;
  d = ComputeDiagnostics(flat);
  EXPECT_FALSE(d.valid);
  EXPECT_NE(d.message.find("singular"), std::string::npos);

  // A single line with l != 0 alone determines C: leverage 1, flagged.
  flat.m_nL[5] = 2;
  d = ComputeDiagnostics(flat);
  ASSERT_TRUE(d.valid);
  EXPECT_EQ(d.rows[5].leverage, 1.0);
  EXPECT_TRUE(d.rows[5].flagged);
  EXPECT_EQ(d.rows[5].flags, kFlagUnitLeverage);
  EXPECT_FALSE(d.rows[5].defined);
  EXPECT_EQ(d.rows[5].reason, "leverage 1: the reflection alone determines a refined parameter");
  EXPECT_TRUE(d.rows[0].defined);

  // A weight of 0 leaves the reflection out; the others are unaffected.
  Job weighted = job(kOrthorhombic, ortho, 12);
  const DiagnosticsResult before = ComputeDiagnostics(weighted);
  weighted.m_dWeight[3] = 0.0;
  d = ComputeDiagnostics(weighted);
  ASSERT_TRUE(d.valid);
  EXPECT_EQ(d.rows[3].leverage, 0.0);
  EXPECT_FALSE(d.rows[3].defined || d.rows[3].flagged);
  EXPECT_EQ(d.rows[3].reason, "weight 0: the reflection takes no part in the fit");
  EXPECT_GT(d.rows[0].leverage, before.rows[0].leverage);

  // An exact fit (2theta from the engine's own degree factor) has only
  // rounding noise to studentize, which must not be read as misfit.
  Job exact = job(kCubic, cubic, 6);
  for (int i = 0; i < 6; ++i) {
    const double q = InverseDSquared(cubic, exact.m_nH[i], exact.m_nK[i], exact.m_nL[i]);
    exact.m_dTwoTheta[i] = 2.0 * std::asin(kLambda * std::sqrt(q) / 2.0) / kDegToRad;
  }
  d = ComputeDiagnostics(exact);
  ASSERT_TRUE(d.valid);
  for (const ReflectionDiagnostics& r : d.rows) {
    EXPECT_FALSE(r.flagged) << r.reason;
    EXPECT_TRUE(std::isnan(r.rstudent));
    EXPECT_EQ(r.reason, "the fit without this reflection has no misfit");
  }

  // Not a valid job.
  Job broken = job(kCubic, cubic, 5);
  broken.m_nCrystalSystem = 9;
  d = ComputeDiagnostics(broken);
  EXPECT_FALSE(d.valid);
  EXPECT_EQ(d.message, "No diagnostics: crystal system 9 is not valid.");
  broken = job(kCubic, cubic, 5);
  broken.m_dTwoTheta[2] = std::nan("");
  d = ComputeDiagnostics(broken);
  EXPECT_FALSE(d.valid);
}

}  // namespace

namespace {

// The zero+displacement problem again, leverages against an independent
// solution in extended precision: the monoclinic design columns h^2, k^2,
// l^2, hl, sin 2theta, cos theta sin 2theta written out here, times the
// weight, normal equations inverted by Gauss-Jordan in long double.
TEST(Diagnostics, LeveragesAgreeWithAnExtendedPrecisionSolution) {
  const Case c = {kMonoclinic, {5.1505, 5.2116, 5.3173, 90, 99.23, 90}, kZeroAndDisplacement, kSin2Theta, 25};
  const Job job = MakeJob(c);
  const DiagnosticsResult d = ComputeDiagnostics(job);
  ASSERT_TRUE(d.valid);
  const int N = job.m_nReflections, p = 6;
  std::vector<std::array<long double, 6>> X(static_cast<size_t>(N));
  for (int i = 0; i < N; ++i) {
    const long double h = job.m_nH[i], k = job.m_nK[i], l = job.m_nL[i], w = job.m_dWeight[i];
    const long double theta = job.m_dTwoTheta[i] / 2.0L * 0.0174532925L;
    X[static_cast<size_t>(i)] = {h * h * w, k * k * w, l * l * w, h * l * w, std::sin(2 * theta) * w,
                                 std::cos(theta) * std::sin(2 * theta) * w};
  }
  long double A[6][12] = {};
  for (int a = 0; a < p; ++a) {
    for (int b = 0; b < p; ++b)
      for (const auto& x : X) A[a][b] += x[static_cast<size_t>(a)] * x[static_cast<size_t>(b)];
    A[a][p + a] = 1.0L;
  }
  for (int col = 0; col < p; ++col) {
    int pivot = col;
    for (int r = col + 1; r < p; ++r)
      if (std::fabs(A[r][col]) > std::fabs(A[pivot][col])) pivot = r;
    for (int k = 0; k < 2 * p; ++k) std::swap(A[pivot][k], A[col][k]);
    const long double div = A[col][col];
    for (int k = 0; k < 2 * p; ++k) A[col][k] /= div;
    for (int r = 0; r < p; ++r) {
      if (r == col) continue;
      const long double f = A[r][col];
      for (int k = 0; k < 2 * p; ++k) A[r][k] -= f * A[col][k];
    }
  }
  for (int i = 0; i < N; ++i) {
    long double h = 0.0L;
    const auto& x = X[static_cast<size_t>(i)];
    for (int a = 0; a < p; ++a)
      for (int b = 0; b < p; ++b) h += x[static_cast<size_t>(a)] * A[a][p + b] * x[static_cast<size_t>(b)];
    EXPECT_NEAR(d.rows[static_cast<size_t>(i)].leverage, static_cast<double>(h), 1e-11) << i;
  }
}

}  // namespace
