// The report file, the Execute steps and the weighting schemes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "common/MessageSink.h"
#include "engine/Execute.h"
#include "engine/Refinement.h"
#include "job/Job.h"

using namespace lattrix;
using lattrix_test::ReadAll;
using lattrix_test::ScratchDir;

namespace {

std::string P(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string P(const char* format, ...) {
  char buf[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  return buf;
}

// Four reflections of a cubic cell near a = 5.64 with misfits of a few
// thousandths of a degree.
Job CubicJob(const std::string& dir) {
  Job job;
  InitialiseJob(job, dir);
  job.m_strTitle = "Halite test";
  job.m_nCrystalSystem = kCubic;
  const double cell[6] = {5.64, 5.64, 5.64, 90, 90, 90};
  for (int j = 0; j < 6; ++j) job.m_dCell[j] = cell[j];
  const int hkl[4][3] = {{1, 1, 1}, {2, 0, 0}, {2, 2, 0}, {3, 1, 1}};
  const double twoTheta[4] = {27.371, 31.698, 45.452, 53.869};
  job.m_nReflections = 4;
  for (int i = 0; i < 4; ++i) {
    job.m_nH[i] = hkl[i][0];
    job.m_nK[i] = hkl[i][1];
    job.m_nL[i] = hkl[i][2];
    job.m_dTwoTheta[i] = job.m_dTwoThetaRaw[i] = twoTheta[i];
    job.m_dWeight[i] = 1.0;
  }
  job.m_bInputLoaded = true;
  return job;
}

}  // namespace

TEST(Report, CubicJobMatchesAClosedFormComputation) {
  // Cubic, no correction, unit weights: Q = A s with s = h^2 + k^2 + l^2, so
  // A = sum(s Q) / sum(s^2), var(A) = (residual sum / (N - 1)) / sum(s^2),
  // a = A^-1/2 with s.d. A^-3/2 s.d.(A) / 2, V = a^3 with s.d. 3 a^2 s.d.(a).
  // Every line below is built from these formulas and the report's formats.
  ScratchDir dir;
  Job job = CubicJob(dir.path());
  const double k = 0.0174532925, lambda = job.m_dWavelength;
  const int N = 4;
  double s[N], Q[N];
  double sq = 0, ss = 0;
  for (int i = 0; i < N; ++i) {
    s[i] = job.m_nH[i] * job.m_nH[i] + job.m_nK[i] * job.m_nK[i] + job.m_nL[i] * job.m_nL[i];
    const double sinT = std::sin(job.m_dTwoTheta[i] / 2.0 * k);
    Q[i] = std::pow(2 * sinT / lambda, 2);
    sq += s[i] * Q[i];
    ss += s[i] * s[i];
  }
  const double A = sq / ss;
  double W = 0;
  for (int i = 0; i < N; ++i) W += std::pow(A * s[i] - Q[i], 2);
  const double sA = std::sqrt(W / (N - 1) / ss);
  const double a = 1 / std::sqrt(A), sa = 0.5 * std::pow(A, -1.5) * sA;

  std::string expected =
      "--------------------------------------------------------\n"
      " Unit Cell Refinement by Cohens Method of Least Squares\n"
      "--------------------------------------------------------\n\n"
      "Title : Halite test\n\n"
      "Refinement code : no instrumental correction\n\n"
      "Crystal system : cubic\n"
      " wavelength =  1.540598 A\n\n"
      "Trial cell dimensions\n"
      "---------------------\n"
      "    a     =   5.64000 A\n"
      "    b     =   5.64000 A\n"
      "    c     =   5.64000 A\n"
      "    alpha =  90.000   deg\n"
      "    beta  =  90.000   deg\n"
      "    gamma =  90.000   deg\n\n"
      "Weighting Mode : unity\n\n"
      "Input Reflection Data\n"
      "    h   k   l  2thorg   weight\n"
      "    1   1   1  27.371   1.00000\n"
      "    2   0   0  31.698   1.00000\n"
      "    2   2   0  45.452   1.00000\n"
      "    3   1   1  53.869   1.00000\n"
      "\n"
      "-----------------------\n"
      "Refined cell dimensions\n"
      "-----------------------\n"
      "             value       std.\n";
  expected += P("    a     = %9.5f (%8.5f) A\n", a, sa);
  expected += P("    b     = %9.5f (%8.5f) A\n", a, sa);
  expected += P("    c     = %9.5f (%8.5f) A\n", a, sa);
  expected += "    alpha =  90.000   ( 0.000)   deg\n"
              "    beta  =  90.000   ( 0.000)   deg\n"
              "    gamma =  90.000   ( 0.000)   deg\n";
  expected += P("    volume=%8.3f   (%6.3f)   A3\n\n", a * a * a, 3 * a * a * sa);
  expected += "Correction parameters\n"
              "---------------------\n"
              "           value   std.\n"
              "   zero =  0.000 ( 0.000) deg\n"
              "   ssd  =  0.000 ( 0.000) deg\n"
              "   emu  =  0.000 ( 0.000) deg\n\n"
              "List of d-spacings\n"
              "------------------\n"
              "    h   k   l  2thorg   2thobs   2thcor   2thcal   del2th     dobs      dcal      d-dif    weight\n";
  double sum = 0, sum2 = 0;
  for (int i = 0; i < N; ++i) {
    const double raw = job.m_dTwoTheta[i];
    const double dcal = 1 / std::sqrt(A * s[i]);
    const double cal = 2 * std::asin(lambda / (2 * dcal)) / k;
    const double dobs = lambda / (2 * std::sin(raw * k / 2));
    sum += cal - raw;
    sum2 += (cal - raw) * (cal - raw);
    expected += P(" %4d%4d%4d%9.4f%9.4f%9.4f%9.4f%9.4f%10.5f%10.5f%10.5f%10.4f\n", job.m_nH[i],
                  job.m_nK[i], job.m_nL[i], raw, raw, raw, cal, raw - cal, dobs, dcal, dobs - dcal, 1.0);
  }
  expected += "\n";
  expected += P("sum delta 2theta = %6.3f\n", sum);
  expected += P("s.d.delta 2theta = %6.3f\n", std::sqrt(sum2 / (N - 1)));

  RecordingSink sink;
  ASSERT_TRUE(ExecuteRefinement(job, sink));
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(ReadAll(job.m_strReportPath), expected);
  EXPECT_TRUE(job.m_bRefined);
}

TEST(Execute, ManualModeNeedsKnownCorrections) {
  ScratchDir dir;
  Job job = CubicJob(dir.path());
  job.m_nCorrection = kManual;
  job.m_bRefined = true;
  RecordingSink sink;
  EXPECT_FALSE(ExecuteRefinement(job, sink));
  EXPECT_EQ(sink.messages, std::vector<std::string>{"Manual correction mode not available !!!"});
  EXPECT_FALSE(job.m_bRefined);
  EXPECT_EQ(ReadAll(job.m_strReportPath), "");  // no report written

  // Known corrections from an input file: Manual runs, and runs again.
  job.m_dZero = 0.01;
  job.m_dDisp = 0.05;
  job.m_dEmu = 50.0;
  sink.messages.clear();
  EXPECT_TRUE(ExecuteRefinement(job, sink));
  EXPECT_TRUE(ExecuteRefinement(job, sink));
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(job.m_dEmu, 50.0);
  EXPECT_EQ(job.m_dZero, 0.01);
  EXPECT_NE(ReadAll(job.m_strReportPath).find("   emu  = 50.000 ( 0.000) deg\n"), std::string::npos);
}

TEST(Weights, Sin2ThetaAndUnity) {
  ScratchDir dir;
  Job job = CubicJob(dir.path());
  job.m_nWeighting = kSin2Theta;
  RecordingSink sink;
  ASSERT_TRUE(ExecuteRefinement(job, sink));
  const double largest = std::pow(std::sin(53.869 / 2 * 0.0174532925), 2);
  EXPECT_EQ(job.m_dWeight[3], 1.0);  // the largest 2theta
  EXPECT_NEAR(job.m_dWeight[0], std::pow(std::sin(27.371 / 2 * 0.0174532925), 2) / largest, 1e-15);
  job.m_nWeighting = kUnity;
  ASSERT_TRUE(ExecuteRefinement(job, sink));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(job.m_dWeight[i], 1.0);

  // Every 2theta zero: no largest weight to scale by; weights stay.
  for (int i = 0; i < 4; ++i) job.m_dTwoTheta[i] = 0.0;
  job.m_dWeight[2] = 0.5;
  ComputeSin2Weights(job, sink);
  EXPECT_EQ(job.m_dWeight[2], 0.5);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].substr(0, 27), "The largest weight is 0 !!!");
}

TEST(Weights, ReadBackFromThePreviousReport) {
  ScratchDir dir;
  Job job = CubicJob(dir.path());
  RecordingSink sink;

  // No previous report: message, weights unchanged, the run goes on.
  job.m_nWeighting = kDelta2Theta;
  job.m_dWeight[1] = 0.75;
  ASSERT_TRUE(ExecuteRefinement(job, sink));
  EXPECT_EQ(sink.messages, std::vector<std::string>{job.m_strReportPath + " file not found !!!\nNo such file or directory"});
  EXPECT_EQ(job.m_dWeight[1], 0.75);
  EXPECT_TRUE(job.m_bRefined);

  // After that run: w = del2th^2 / 4 scaled to a largest of 1, with del2th
  // taken from the report's eighth column as printed.
  std::vector<double> del;
  {
    const std::string text = ReadAll(job.m_strReportPath);
    size_t at = text.find("List of d-spacings");
    at = text.find('\n', text.find('\n', text.find('\n', at) + 1) + 1) + 1;
    for (int i = 0; i < 4; ++i) {
      int h, k, l;
      double v[5];
      ASSERT_EQ(std::sscanf(text.c_str() + at, "%d%d%d%lf%lf%lf%lf%lf", &h, &k, &l, &v[0], &v[1], &v[2], &v[3], &v[4]), 8);
      del.push_back(v[4]);
      at = text.find('\n', at) + 1;
    }
  }
  double m = 0;
  for (double d : del) m = std::max(m, d * d / 4.0);
  sink.messages.clear();
  ReadDeltaWeights(job, sink);
  EXPECT_TRUE(sink.messages.empty());
  for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(job.m_dWeight[i], del[i] * del[i] / 4.0 / m) << i;

  // sin*delta uses the current 2theta for the sine factor.
  ReadSinDeltaWeights(job, sink);
  std::vector<double> w;
  for (int i = 0; i < 4; ++i) {
    const double sn = std::sin(0.5 * job.m_dTwoTheta[i] * 0.0174532925);
    w.push_back(sn * sn * del[i] * del[i] / 4.0);
  }
  const double mw = *std::max_element(w.begin(), w.end());
  for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(job.m_dWeight[i], w[i] / mw) << i;

  // A longer job than the previous list: the extra rows take the last row's.
  job.m_nReflections = 6;
  ReadDeltaWeights(job, sink);
  EXPECT_EQ(job.m_dWeight[4], job.m_dWeight[3]);
  EXPECT_EQ(job.m_dWeight[5], job.m_dWeight[3]);

  // A report without its list.
  dir.Write("Lattrix.out", "Title : x\n");
  job.m_dWeight[0] = 0.3;
  ReadDeltaWeights(job, sink);
  EXPECT_EQ(sink.messages, std::vector<std::string>{"no list !!!"});
  EXPECT_EQ(job.m_dWeight[0], 0.3);
}
