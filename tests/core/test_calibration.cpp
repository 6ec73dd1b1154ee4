// The silicon calibration on lines worked by hand (observed texts written
// from the reference column typed from the silicon reference table, shifted
// by a known offset or lying on a known line), and its least-squares solver
// on fits worked by hand.
#include <gtest/gtest.h>
#include <cmath>

#include "TestSupport.h"
#include "calibration/Calibration.h"
#include "calibration/LeastSquares.h"
#include "job/JobRows.h"

using namespace lattrix;

namespace {

const double kReference[kSiliconReflections] = {28.440496, 47.299519, 56.118434, 69.124918,
                                                 76.370420, 88.023045, 94.944474, 94.944474,
                                                 106.698571, 114.080794, 127.529570, 136.874541};

// The reference table with the observed values given (the rows below them
// have none).
SiliconStandard Silicon(const std::vector<double>& observed) {
  SiliconStandard silicon;
  for (int i = 0; i < kSiliconReflections; ++i) silicon.reference[i] = kReference[i];
  for (size_t i = 0; i < observed.size(); ++i) silicon.observed[i] = observed[i];
  silicon.observedRows = static_cast<int>(observed.size());
  return silicon;
}

// The job's silicon reference table, all twelve rows, and the calibration's
// list of it: Bragg's angle for Cu Ka1 of silicon with a = 5.431293665 A
// (the lattice constant that gives every row to its six printed decimals),
// computed here from the metric tensor.
TEST(Calibration, SiliconReferenceIsBraggsAngleOfSilicon) {
  const double si[6] = {5.431293665, 5.431293665, 5.431293665, 90, 90, 90};
  const Job job;
  const SiliconStandard silicon = SiliconStandardOf(job);
  for (int i = 0; i < kSiliconReflections; ++i) {
    const std::string bragg = Format("%10.6f", lattrix_test::TwoTheta(si, job.m_nSiH[i], job.m_nSiK[i], job.m_nSiL[i]));
    EXPECT_EQ(Format("%10.6f%10.6f%10.6f", job.m_dSiTwoThetaStd[i], silicon.reference[i], kReference[i]), bragg + bragg + bragg) << i;
  }
}

// Three reflections whose refined 2theta differ from their observations.
Job ThreeReflections() {
  Job job;
  job.m_nReflections = 3;
  for (int i = 0; i < 3; ++i) job.m_dTwoThetaRaw[i] = 20.0 + 40.0 * i, job.m_dTwoTheta[i] = 99.0;
  return job;
}

TEST(Calibration, LinesWorkedByHand) {
  // Rows 1 to 3 on reference = 0.02 + 0.999 observed (0.02 + 0.999 *
  // 28.45 = 28.44155, ...). Observed values 4e-5 apart give lines 4e-5
  // apart: the values enter at full precision.
  SiliconStandard onLine = Silicon({28.45, 47.3, 56.12});
  onLine.reference[0] = 28.44155, onLine.reference[1] = 47.2727, onLine.reference[2] = 56.08388;
  const struct { SiliconStandard silicon; double c1, c2; } cases[] = {
      {Silicon(std::vector<double>(kReference, kReference + kSiliconReflections)), 0.0, 1.0},
      {Silicon({28.490496, 47.349519, 56.168434, 69.174918, 76.420420}), -0.05, 1.0},
      {Silicon({28.490536, 47.349559, 56.168474, 69.174958, 76.420460}), -0.05004, 1.0},
      {onLine, 0.02, 0.999},
  };
  for (const auto& c : cases) {
    CalibrationLine line;
    RecordingSink sink;
    ASSERT_TRUE(FitCalibrationLine(c.silicon, line, sink));
    EXPECT_NEAR(line.c1, c.c1, 1e-9);
    EXPECT_NEAR(line.c2, c.c2, 1e-11);
    Job job = ThreeReflections();
    ASSERT_TRUE(CalibrateTwoTheta(job, c.silicon, sink));
    for (int i = 0; i < 3; ++i) { EXPECT_NEAR(job.m_dTwoTheta[i], c.c1 + c.c2 * job.m_dTwoThetaRaw[i], 1e-9); }
    EXPECT_EQ(job.m_dTwoTheta[3], 0.0);
    EXPECT_TRUE(sink.messages.empty());
  }
}

TEST(Calibration, RefusalsShowOneMessageAndChangeNothing) {
  std::vector<double> five(kReference, kReference + 5);
  five[3] = 190.0;
  const struct { SiliconStandard silicon; const char* message; } cases[] = {
      {Silicon({28.4405, 47.2995}), "Too small numbers of internal reflections !!!\n  (More than 3 reflections.)"},
      {Silicon({}), "Input 2theta value\n in internal calibration list !!!"},
      {Silicon(std::vector<double>(12, 1e-3)), "Lost of rank !"},
      {Silicon(five), "2th-obs of row 4 (190) is not between 0 and 180 degrees !!!"},
      // reference = 2 observed carries the third reflection's 100 to 200.
      {Silicon({14.220248, 23.6497595, 28.059217}), "2theta of row 3 calibrated (200) is not between 0 and 180 degrees !!!"},
  };
  for (const auto& c : cases) {
    const Job before = ThreeReflections();
    Job job = before;
    RecordingSink sink;
    EXPECT_FALSE(CalibrateTwoTheta(job, c.silicon, sink));
    EXPECT_EQ(sink.messages, std::vector<std::string>{c.message});
    for (int i = 0; i < 3; ++i) { EXPECT_EQ(job.m_dTwoTheta[i], before.m_dTwoTheta[i]) << c.message; }
  }
}

// Offset line 2theta - 0.05: a row set on the form maps its typed value,
// and repeated runs map the observations afresh, never compounding.
TEST(Calibration, TypedRowsAndRepeatedRunsDoNotCompound) {
  const SiliconStandard silicon = Silicon({28.490496, 47.349519, 56.168434});
  Job job = ThreeReflections();
  SetReflection(job, 1, 1, 1, 1, 30.0);
  RecordingSink sink;
  for (int run = 0; run < 3; ++run) {
    ASSERT_TRUE(CalibrateTwoTheta(job, silicon, sink));
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(job.m_dTwoTheta[i], (i == 1 ? 30 : 20 + 40 * i) - 0.05, 1e-10);
  }
}

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
TEST(LeastSquares, HandWorkedFits) {
  // An empty inverse is checked against X'X; the tolerance is relative, of
  // the coefficients.
  using V = std::vector<double>;
  const struct { V x, y; int m, status; V c, inverse; double tolerance; } cases[] = {
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

}  // namespace
