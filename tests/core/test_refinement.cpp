// The refinement checked against data computed from known cells, against an
// independent least-squares solution with its own error propagation, and
// against a report worked out in closed form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "CellMath.h"
#include "TestFiles.h"
#include "common/MessageSink.h"
#include "engine/CohenModel.h"
#include "engine/Execute.h"
#include "engine/Refinement.h"
#include "job/Job.h"

using namespace lattrix;
using namespace lattrix_test;

namespace {

constexpr double kLambda = 1.5405981;
constexpr double kRadius = 185.0;

struct Crystal {
  int system;
  double cell[6];
};

const Crystal kCrystals[] = {
    {kTriclinic, {7.11, 8.32, 9.24, 85.2, 95.7, 102.3}},
    {kMonoclinic, {5.1505, 5.2116, 5.3173, 90, 99.23, 90}},
    {kOrthorhombic, {4.913, 5.842, 7.301, 90, 90, 90}},
    {kHexagonal, {4.9134, 4.9134, 5.4052, 90, 90, 120}},
    {kRhombohedral, {5.128, 5.128, 5.128, 55.28, 55.28, 55.28}},
    {kTetragonal, {4.5937, 4.5937, 2.9587, 90, 90, 90}},
    {kCubic, {5.6402, 5.6402, 5.6402, 90, 90, 90}},
};

// A trial cell near the true one that keeps the system's equalities.
void TrialCell(const Crystal& crystal, double trial[6]) {
  for (int j = 0; j < 3; ++j) trial[j] = crystal.cell[j] * 1.003;
  for (int j = 3; j < 6; ++j) {
    const double v = crystal.cell[j];
    const bool free = crystal.system == kTriclinic || crystal.system == kRhombohedral ||
                      (crystal.system == kMonoclinic && j == 4);
    trial[j] = free ? v + 0.2 : v;
  }
}

// Up to 'count' reflections of lowest 2theta, one of each Friedel pair.
std::vector<std::array<int, 3>> Reflections(const Crystal& crystal, int count) {
  std::vector<std::pair<double, std::array<int, 3>>> all;
  for (int h = -4; h <= 4; ++h)
    for (int k = -4; k <= 4; ++k)
      for (int l = -4; l <= 4; ++l) {
        const int first = h != 0 ? h : (k != 0 ? k : l);
        if (first <= 0) continue;
        const double t = TwoTheta(crystal.cell, h, k, l, kLambda);
        if (t > 10.0 && t < 150.0) all.push_back({t, {h, k, l}});
      }
  std::sort(all.begin(), all.end());
  std::vector<std::array<int, 3>> out;
  for (int i = 0; i < count && i < static_cast<int>(all.size()); ++i) out.push_back(all[i].second);
  return out;
}

// Observed 2theta with a zero offset (the amount to add to an observed
// value), a sample displacement (raises 2theta by 2 ssd cos(theta) / R
// radians) and a deterministic misfit of the given size.
Job MakeJob(const Crystal& crystal, int count, double zero, double ssd, double misfit,
            const std::string& dir) {
  Job job;
  InitialiseJob(job, dir);
  job.m_nCrystalSystem = crystal.system;
  TrialCell(crystal, job.m_dCell);
  const auto hkl = Reflections(crystal, count);
  job.m_nReflections = static_cast<int>(hkl.size());
  for (int i = 0; i < job.m_nReflections; ++i) {
    const double t = TwoTheta(crystal.cell, hkl[i][0], hkl[i][1], hkl[i][2], kLambda);
    const double theta = Rad(t / 2.0);
    const double observed =
        t - zero + Deg(2.0 * ssd * std::cos(theta) / kRadius) + misfit * std::sin(17.3 * i + 1.0);
    job.m_nH[i] = hkl[i][0];
    job.m_nK[i] = hkl[i][1];
    job.m_nL[i] = hkl[i][2];
    job.m_dTwoTheta[i] = job.m_dTwoThetaRaw[i] = observed;
    job.m_dWeight[i] = 1.0;
  }
  job.m_bInputLoaded = true;
  return job;
}

RefinementOutcome Refine(Job& job, RecordingSink& sink) {
  std::ostringstream report;
  return RefineCell(job, report, sink);
}

std::string F(int width, int decimals, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, v);
  return buf;
}

}  // namespace

TEST(RefineCell, RecoversEveryCrystalSystemToThePrintedDigits) {
  for (const Crystal& crystal : kCrystals) {
    Job job = MakeJob(crystal, 40, 0.0, 0.0, 0.0, "/tmp");
    RecordingSink sink;
    RefinementOutcome out = Refine(job, sink);
    SCOPED_TRACE(CrystalSystemName(crystal.system));
    EXPECT_TRUE(sink.messages.empty()) << sink.messages[0];
    for (int j = 0; j < 3; ++j)
      EXPECT_EQ(F(9, 5, job.m_dRefinedCell[j]), F(9, 5, crystal.cell[j])) << j;
    for (int j = 3; j < 6; ++j)
      EXPECT_EQ(F(7, 3, job.m_dRefinedCell[j]), F(7, 3, crystal.cell[j])) << j;
    double exact[7];
    double p[6];
    MetricFromCell(crystal.cell, p);
    CellFromMetric(p, exact);
    EXPECT_EQ(F(8, 3, job.m_dVolume), F(8, 3, exact[6]));
    for (const ReflectionResult& r : out.reflections) EXPECT_NEAR(r.del2Theta, 0.0, 2e-6);
  }
}

TEST(RefineCell, RecoversZeroOffsetAndDisplacementWithTheirSigns) {
  // zero: the amount to add to an observed 2theta; ssd in mm. Zero offset
  // and displacement are strongly correlated, so the second-order terms
  // the model leaves out weigh more when both are refined: that case gets
  // smaller errors to recover.
  struct Mode { int correction; double zero, ssd; };
  const Mode modes[] = {{kZero, 0.05, 0.0}, {kDisplacement, 0.0, 0.08}, {kZeroAndDisplacement, -0.008, 0.02}};
  for (const Crystal& crystal : kCrystals) {
    for (const Mode& mode : modes) {
      Job job = MakeJob(crystal, 45, mode.zero, mode.ssd, 0.0, "/tmp");
      job.m_nCorrection = mode.correction;
      RecordingSink sink;
      Refine(job, sink);
      SCOPED_TRACE(std::string(CrystalSystemName(crystal.system)) + " mode " +
                   std::to_string(mode.correction));
      for (int j = 0; j < 3; ++j) EXPECT_NEAR(job.m_dRefinedCell[j], crystal.cell[j], 3e-5);
      for (int j = 3; j < 6; ++j) EXPECT_NEAR(job.m_dRefinedCell[j], crystal.cell[j], 2e-3);
      EXPECT_NEAR(job.m_dZero, mode.zero, 1e-3);
      EXPECT_NEAR(job.m_dDisp, mode.ssd, 3e-3);
      EXPECT_FALSE(std::signbit(job.m_dEmu));
    }
  }
}

namespace {

// The refined parameters of a system (and its corrections) expanded to the
// full metric A..F and the correction coefficients Z, S.
std::vector<double> Expand(int system, int correction, const std::vector<double>& p) {
  std::vector<double> full(8, 0.0);
  size_t n = 0;
  switch (system) {
    case kTriclinic: for (int j = 0; j < 6; ++j) full[j] = p[n++]; break;
    case kMonoclinic: full[0] = p[0]; full[1] = p[1]; full[2] = p[2]; full[4] = p[3]; n = 4; break;
    case kOrthorhombic: full[0] = p[0]; full[1] = p[1]; full[2] = p[2]; n = 3; break;
    case kHexagonal: full[0] = full[1] = full[5] = p[0]; full[2] = p[1]; n = 2; break;
    case kRhombohedral: full[0] = full[1] = full[2] = p[0]; full[3] = full[4] = full[5] = p[1]; n = 2; break;
    case kTetragonal: full[0] = full[1] = p[0]; full[2] = p[1]; n = 2; break;
    case kCubic: full[0] = full[1] = full[2] = p[0]; n = 1; break;
  }
  if (correction == kZero || correction == kZeroAndDisplacement) full[6] = p[n++];
  if (correction == kDisplacement || correction == kZeroAndDisplacement) full[7] = p[n++];
  return full;
}

size_t ParameterCount(int system, int correction) {
  static const size_t cell[] = {6, 4, 3, 2, 2, 2, 1};
  return cell[system - 1] + (correction == kZeroAndDisplacement ? 2 : correction >= kZero ? 1 : 0);
}

struct Propagated {
  double sigma[7];  // a, b, c, alpha, beta, gamma (degrees), volume
  double zero, zeroSigma, ssd, ssdSigma;
  // a, b, c, alpha, beta, gamma, volume, zero, ssd in the report's units.
  double covariance[9][9];
};

// Weighted least squares in Q = 1/d^2 solved directly, its covariance, and
// the covariance pushed through a numerically differentiated map to the
// direct cell.
Propagated Propagate(const Job& job) {
  const int system = job.m_nCrystalSystem, correction = job.m_nCorrection;
  const size_t m = ParameterCount(system, correction);
  const int N = job.m_nReflections;
  std::vector<std::vector<double>> X(N, std::vector<double>(m));
  std::vector<double> Q(N), w(N);
  for (int i = 0; i < N; ++i) {
    const double theta = Rad(job.m_dTwoTheta[i] / 2.0);
    Q[i] = std::pow(2.0 * std::sin(theta) / job.m_dWavelength, 2);
    w[i] = job.m_dWeight[i];
    const double h = job.m_nH[i], k = job.m_nK[i], l = job.m_nL[i];
    const double f[8] = {h * h, k * k, l * l, k * l, l * h, h * k, std::sin(2 * theta),
                         std::cos(theta) * std::sin(2 * theta)};
    for (size_t j = 0; j < m; ++j) {
      std::vector<double> e(m, 0.0);
      e[j] = 1.0;
      const std::vector<double> full = Expand(system, correction, e);
      double v = 0.0;
      for (int c = 0; c < 8; ++c) v += full[c] * f[c];
      X[i][j] = v;
    }
  }
  Mat Nm(m, std::vector<double>(m, 0.0));
  std::vector<double> b(m, 0.0);
  for (int i = 0; i < N; ++i)
    for (size_t j = 0; j < m; ++j) {
      b[j] += w[i] * w[i] * X[i][j] * Q[i];
      for (size_t k = 0; k < m; ++k) Nm[j][k] += w[i] * w[i] * X[i][j] * X[i][k];
    }
  const Mat inv = Inverse(Nm);
  std::vector<double> p(m, 0.0);
  for (size_t j = 0; j < m; ++j)
    for (size_t k = 0; k < m; ++k) p[j] += inv[j][k] * b[k];
  double W = 0.0;
  for (int i = 0; i < N; ++i) {
    double r = -Q[i];
    for (size_t j = 0; j < m; ++j) r += X[i][j] * p[j];
    W += (w[i] * r) * (w[i] * r);
  }
  const double s2 = W / static_cast<double>(N - static_cast<int>(m));

  auto cellOf = [&](const std::vector<double>& q, double out[7]) {
    const std::vector<double> full = Expand(system, correction, q);
    CellFromMetric(full.data(), out);
  };
  // Rows: the seven cell quantities differentiated numerically, then zero
  // and ssd, which are the correction coefficients times fixed factors.
  double J[9][10] = {};
  for (size_t j = 0; j < m; ++j) {
    std::vector<double> up = p, down = p;
    const double step = 1e-6 * std::fabs(p[j]) + 1e-12;
    up[j] += step;
    down[j] -= step;
    double cu[7], cd[7];
    cellOf(up, cu);
    cellOf(down, cd);
    for (int r = 0; r < 7; ++r) J[r][j] = (cu[r] - cd[r]) / (2 * step);
  }
  const double toSin2 = job.m_dWavelength * job.m_dWavelength / 4.0;
  const double toDeg = 360.0 / kPi;
  size_t idx = m - (correction == kZeroAndDisplacement ? 2 : correction >= kZero ? 1 : 0);
  Propagated out{};
  if (correction == kZero || correction == kZeroAndDisplacement) {
    J[7][idx] = -toDeg * toSin2;
    out.zero = J[7][idx] * p[idx];
    ++idx;
  }
  if (correction == kDisplacement || correction == kZeroAndDisplacement) {
    J[8][idx] = job.m_dGonioRadius * toSin2;
    out.ssd = J[8][idx] * p[idx];
  }
  for (int r = 0; r < 9; ++r) {
    for (int t = 0; t < 9; ++t) {
      double v = 0.0;
      for (size_t j = 0; j < m; ++j)
        for (size_t k = 0; k < m; ++k) v += J[r][j] * inv[j][k] * J[t][k];
      out.covariance[r][t] = s2 * v;
    }
  }
  for (int r = 0; r < 7; ++r) out.sigma[r] = std::sqrt(out.covariance[r][r]);
  out.zeroSigma = std::sqrt(out.covariance[7][7]);
  out.ssdSigma = std::sqrt(out.covariance[8][8]);
  return out;
}

void ExpectRelative(double engine, double reference, const char* what) {
  if (reference < 1e-9) {
    EXPECT_LT(std::fabs(engine), 1e-6) << what;
  } else {
    EXPECT_NEAR(engine / reference, 1.0, 1e-3) << what << " engine " << engine << " reference " << reference;
  }
}

}  // namespace

TEST(RefineCell, StandardDeviationsAgreeWithIndependentErrorPropagation) {
  for (const Crystal& crystal : kCrystals) {
    for (int weighting : {kUnity, kSin2Theta}) {
      for (int correction : {kNoCorrection, kZeroAndDisplacement}) {
        Job job = MakeJob(crystal, 40, 0.02, 0.05, 0.01, "/tmp");
        job.m_nCorrection = correction;
        RecordingSink sink;
        if (weighting == kSin2Theta) ComputeSin2Weights(job, sink);
        Refine(job, sink);
        SCOPED_TRACE(std::string(CrystalSystemName(crystal.system)) + (weighting ? " sin2" : " unity") +
                     " mode " + std::to_string(correction));
        const Propagated ref = Propagate(job);
        static const char* const names[] = {"a", "b", "c", "alpha", "beta", "gamma"};
        for (int j = 0; j < 6; ++j) ExpectRelative(job.m_dCellSigma[j], ref.sigma[j], names[j]);
        ExpectRelative(job.m_dVolumeSigma, ref.sigma[6], "volume");
        if (correction == kZeroAndDisplacement) {
          EXPECT_NEAR(job.m_dZero, ref.zero, 1e-6);
          EXPECT_NEAR(job.m_dDisp, ref.ssd, 1e-5);
          ExpectRelative(job.m_dZeroSigma, ref.zeroSigma, "zero");
          ExpectRelative(job.m_dDispSigma, ref.ssdSigma, "ssd");
        }
      }
    }
  }
}

TEST(RefineCell, CovarianceAgreesWithIndependentErrorPropagation) {
  // Rows of Propagated::covariance by parameter name.
  const std::map<std::string, int> at = {{"a", 0},    {"b", 1},     {"c", 2},    {"alpha", 3},
                                         {"beta", 4}, {"gamma", 5}, {"zero", 7}, {"ssd", 8}};
  struct Case {
    int crystal;  // index into kCrystals
    int correction;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {3, kZeroAndDisplacement, {"a", "c", "zero", "ssd"}},
      {1, kZeroAndDisplacement, {"a", "b", "c", "beta", "zero", "ssd"}},
      {1, kDisplacement, {"a", "b", "c", "beta", "ssd"}},
      {0, kZero, {"a", "b", "c", "alpha", "beta", "gamma", "zero"}},
      {2, kNoCorrection, {"a", "b", "c"}},
      {4, kDisplacement, {"a", "alpha", "ssd"}},
      {5, kZero, {"a", "c", "zero"}},
      {6, kZeroAndDisplacement, {"a", "zero", "ssd"}},
  };
  for (const Case& test : cases) {
    for (int weighting : {kUnity, kSin2Theta}) {
      Job job = MakeJob(kCrystals[test.crystal], 40, 0.02, 0.05, 0.01, "/tmp");
      job.m_nCorrection = test.correction;
      RecordingSink sink;
      if (weighting == kSin2Theta) ComputeSin2Weights(job, sink);
      const ParameterCovariance cov = Refine(job, sink).covariance;
      SCOPED_TRACE(std::string(CrystalSystemName(job.m_nCrystalSystem)) + " mode " +
                   std::to_string(test.correction) + " weighting " + std::to_string(weighting));
      ASSERT_EQ(cov.names, test.names);
      const Propagated ref = Propagate(job);
      const auto r = cov.Correlation();
      std::vector<std::string> strong;
      for (size_t i = 0; i < cov.names.size(); ++i) {
        const int ri = at.at(cov.names[i]);
        const double reported = ri < 6 ? job.m_dCellSigma[ri] : ri == 7 ? job.m_dZeroSigma : job.m_dDispSigma;
        EXPECT_NEAR(cov.matrix[i][i], reported * reported, 1e-12 * reported * reported) << cov.names[i];
        for (size_t j = 0; j < cov.names.size(); ++j) {
          const int rj = at.at(cov.names[j]);
          const double scale = std::sqrt(ref.covariance[ri][ri] * ref.covariance[rj][rj]);
          EXPECT_EQ(cov.matrix[i][j], cov.matrix[j][i]);
          EXPECT_LE(std::fabs(r[i][j]), 1.0);
          EXPECT_NEAR(cov.matrix[i][j], ref.covariance[ri][rj], 2e-3 * scale) << cov.names[i] << " " << cov.names[j];
          // The warning for each pair the reference's correlation puts
          // clearly beyond 0.95 (within 0.001 of it, the engine's says).
          const double refR = std::fabs(ref.covariance[ri][rj] / scale);
          if (j > i && (refR >= 0.951 || (refR > 0.949 && std::fabs(r[i][j]) >= 0.95)))
            strong.push_back(cov.names[i] + " and " + cov.names[j] + " correlate strongly");
        }
      }
      std::vector<std::string> said;
      for (const std::string& m : sink.messages) said.push_back(m.substr(0, m.find(" (r = ")));
      std::sort(strong.begin(), strong.end());
      std::sort(said.begin(), said.end());
      EXPECT_EQ(said, strong);
    }
  }
}

TEST(RefineCell, ManualModeAppliesKnownCorrectionsAtFullStrength) {
  // Refine zero and displacement, then feed them back as known corrections:
  // the pre-corrected 2theta must come back to the true values.
  const Crystal& crystal = kCrystals[6];
  Job job = MakeJob(crystal, 14, 0.05, 0.10, 0.0, "/tmp");
  job.m_nCorrection = kZeroAndDisplacement;
  RecordingSink sink;
  Refine(job, sink);
  job.m_nCorrection = kManual;
  job.m_dEmu = 0.0;  // no absorption term
  RefinementOutcome out = Refine(job, sink);
  ASSERT_EQ(out.reflections.size(), 14u);
  for (int i = 0; i < 14; ++i) {
    const double truth = TwoTheta(crystal.cell, job.m_nH[i], job.m_nK[i], job.m_nL[i], kLambda);
    EXPECT_NEAR(out.reflections[i].twoThetaCor, truth, 1e-3) << i;
  }
  EXPECT_NEAR(job.m_dRefinedCell[0], crystal.cell[0], 2e-5);
  EXPECT_EQ(job.m_dZeroSigma, 0.0);
}

TEST(RefineCell, SystemRulesAndCorrectionLines) {
  // Hexagonal: alpha and beta exactly 90, gamma from the trial cell, s.d. of
  // gamma 0. Cubic: b and c equal a with its s.d.
  Job hex = MakeJob(kCrystals[3], 20, 0.0, 0.0, 0.01, "/tmp");
  RecordingSink sink;
  std::ostringstream report;
  RefineCell(hex, report, sink);
  EXPECT_EQ(hex.m_dRefinedCell[3], 90.0);
  EXPECT_EQ(hex.m_dRefinedCell[4], 90.0);
  EXPECT_NEAR(hex.m_dRefinedCell[5], 120.0, 1e-6);
  EXPECT_EQ(hex.m_dCellSigma[5], 0.0);
  EXPECT_EQ(hex.m_dRefinedCell[0], hex.m_dRefinedCell[1]);
  EXPECT_EQ(hex.m_dCellSigma[0], hex.m_dCellSigma[1]);
  EXPECT_NE(report.str().find("   zero =  0.000 ( 0.000) deg\n   ssd  =  0.000 ( 0.000) deg\n"
                              "   emu  =  0.000 ( 0.000) deg\n"),
            std::string::npos);

  Job cubic = MakeJob(kCrystals[6], 10, 0.0, 0.08, 0.005, "/tmp");
  cubic.m_nCorrection = kDisplacement;
  std::ostringstream cubicReport;
  RefineCell(cubic, cubicReport, sink);
  EXPECT_EQ(cubic.m_dRefinedCell[1], cubic.m_dRefinedCell[0]);
  EXPECT_EQ(cubic.m_dRefinedCell[2], cubic.m_dRefinedCell[0]);
  EXPECT_EQ(cubic.m_dCellSigma[2], cubic.m_dCellSigma[0]);
  // Displacement only: the zero line is +0.000, never -0.000.
  EXPECT_NE(cubicReport.str().find("   zero =  0.000 ( 0.000) deg\n"), std::string::npos);
  EXPECT_FALSE(std::signbit(cubic.m_dZero));
  // No warning but the one that a and ssd of ten reflections go together.
  for (const std::string& message : sink.messages) EXPECT_EQ(message.find("a and ssd correlate"), 0u) << message;
}

TEST(RefineCell, WarningsForProblemsTheReportCannotSay) {
  RecordingSink sink;
  // One cubic reflection: no degrees of freedom.
  Job one = MakeJob(kCrystals[6], 1, 0.0, 0.0, 0.0, "/tmp");
  RefinementOutcome out = Refine(one, sink);
  EXPECT_TRUE(out.reportWritten);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].substr(0, 26), "No degrees of freedom !!!\n");

  // Tetragonal reflections that all have l = 0 leave c undetermined.
  Job flat = MakeJob(kCrystals[5], 30, 0.0, 0.0, 0.0, "/tmp");
  int kept = 0;
  for (int i = 0; i < flat.m_nReflections; ++i) {
    if (flat.m_nL[i] != 0) continue;
    flat.m_nH[kept] = flat.m_nH[i];
    flat.m_nK[kept] = flat.m_nK[i];
    flat.m_nL[kept] = 0;
    flat.m_dTwoTheta[kept] = flat.m_dTwoThetaRaw[kept] = flat.m_dTwoTheta[i];
    ++kept;
  }
  flat.m_nReflections = kept;
  sink.messages.clear();
  Refine(flat, sink);
  ASSERT_GE(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].substr(0, 26), "Singular normal matrix !!!");

  // A tetragonal trial cell with a != b.
  Job broken = MakeJob(kCrystals[5], 20, 0.0, 0.0, 0.0, "/tmp");
  broken.m_dCell[1] += 0.01;
  sink.messages.clear();
  Refine(broken, sink);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].substr(0, 46), "Trial cell breaks the tetragonal equality a = ");
}

TEST(RefineCell, ReportThatCannotBeCreatedChangesNothing) {
  Job job = MakeJob(kCrystals[6], 10, 0.0, 0.0, 0.0, "/tmp");
  job.m_strReportPath = "/nonexistent-dir/Lattrix.out";
  job.m_dRefinedCell[0] = 1.25;
  job.m_dZero = 0.5;
  RecordingSink sink;
  RefinementOutcome out = RefineCell(job, sink);
  EXPECT_FALSE(out.reportWritten);
  EXPECT_EQ(sink.messages, std::vector<std::string>{"Output file not open !!!\n/nonexistent-dir/Lattrix.out: No such file or directory"});
  EXPECT_EQ(job.m_dRefinedCell[0], 1.25);
  EXPECT_EQ(job.m_dZero, 0.5);
}

TEST(Determinant, EliminationWithoutRowExchangeAndCofactorInverse) {
  Matrix9 swap = {};
  swap[0][1] = swap[1][0] = 1.0;
  EXPECT_EQ(Determinant(swap, 2), -1.0);  // zero pivot: a later column is added in
  Matrix9 zeroRow = {};
  zeroRow[0][0] = 2.0;
  EXPECT_EQ(Determinant(zeroRow, 2), 0.0);

  // A symmetric positive definite 9 x 9 matrix: K / det is its inverse.
  Matrix9 m = {};
  for (int i = 0; i < 9; ++i)
    for (int j = 0; j < 9; ++j) m[i][j] = 1.0 / (1.0 + i + j) + (i == j ? 1.0 : 0.0);
  Matrix9 K;
  CofactorMatrix(m, K, 9);
  double det = 0.0;
  for (int k = 0; k < 9; ++k) det += K[0][k] * m[0][k];
  EXPECT_NEAR(det / Determinant(m, 9), 1.0, 1e-12);
  for (int i = 0; i < 9; ++i)
    for (int j = 0; j < 9; ++j) {
      double v = 0.0;
      for (int k = 0; k < 9; ++k) v += K[i][k] / det * m[k][j];
      EXPECT_NEAR(v, i == j ? 1.0 : 0.0, 1e-12);
    }
}
