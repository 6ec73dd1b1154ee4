// The refinement against what the tests compute on their own: Bragg angles
// of known cells (TestSupport.h), least squares solved directly in 1/d^2
// with its covariance pushed numerically to the direct cell, Manual mode's
// corrections worked forward from their definition, and a cubic report
// worked in closed form.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "TestSupport.h"
#include "run/Execute.h"
#include "engine/Refinement.h"
#include "run/RunStep.h"

using namespace lattrix;
using namespace lattrix_test;

namespace {

std::string F(int width, int decimals, double v) { return Format("%*.*f", width, decimals, v); }

// Every system and correction mode: data built with a zero offset and a
// displacement refine back to the cell, zero and ssd. Without errors and
// correction, to the report's printed digits. Zero and displacement are
// strongly correlated: with both refined, the second-order terms the model
// leaves out weigh more, so that row gets smaller errors to recover. What
// the system fixes or ties comes out exact, by the crystallographic rules
// per system below: '9' 90 degrees and 'T' 120 with s.d. 0, 'a' a's value
// and s.d., 'x' alpha's; '-' a constant of its own.
TEST(RefineCell, RecoversKnownCellsAndCorrections) {
  const char* const ties[7] = {"------", "---9-9", "---999", "-a-99T", "-aa-xx", "-a-999", "-aa999"};
  struct Mode { int correction; double zero, ssd; };
  const Mode modes[] = {{kNoCorrection, 0, 0}, {kZero, 0.05, 0}, {kDisplacement, 0, 0.08}, {kZeroAndDisplacement, -0.008, 0.02}};
  for (const Crystal& c : kCrystals)
    for (const Mode& m : modes) {
      SCOPED_TRACE(std::string(CrystalSystemName(c.system)) + " mode " + std::to_string(m.correction));
      Job job = MakeJob(c, 45, {m.zero, m.ssd, 0.0});
      job.m_nCorrection = m.correction;
      RecordingSink sink;
      const RefinementOutcome out = RefineInMemory(job, sink);
      for (const std::string& m : sink.messages) EXPECT_NE(m.find(" cannot be told apart by these reflections (r = "), std::string::npos) << m;
      for (int j = 0; j < 6; ++j) { EXPECT_NEAR(job.m_dRefinedCell[j], c.cell[j], j < 3 ? 3e-5 : 2e-3) << j; }
      EXPECT_NEAR(job.m_dZero, m.zero, 1e-3);
      EXPECT_NEAR(job.m_dDisp, m.ssd, 3e-3);
      EXPECT_FALSE(std::signbit(job.m_dZero) && m.zero == 0.0) << "a zero that is not refined prints -0.000";
      for (int j = 0; j < 6; ++j) {
        const char tie = ties[c.system - 1][j];
        const int leader = tie == 'a' ? 0 : 3;
        if (tie == '9' || tie == 'T') { EXPECT_TRUE(job.m_dRefinedCell[j] == (tie == 'T' ? 120.0 : 90.0) && job.m_dCellSigma[j] == 0.0) << j; }
        if (tie == 'a' || tie == 'x') { EXPECT_TRUE(job.m_dRefinedCell[j] == job.m_dRefinedCell[leader] && job.m_dCellSigma[j] == job.m_dCellSigma[leader]) << j; }
      }
      if (m.correction != kNoCorrection) continue;
      for (int j = 0; j < 6; ++j) { EXPECT_EQ(F(9, j < 3 ? 5 : 3, job.m_dRefinedCell[j]), F(9, j < 3 ? 5 : 3, c.cell[j])); }
      EXPECT_EQ(F(8, 3, job.m_dVolume), F(8, 3, std::sqrt(Det3(DirectMetric(c.cell)))));
      for (const ReflectionResult& r : out.reflections) { EXPECT_NEAR(r.del2Theta, 0.0, 2e-6); }
    }
}

// Which refined parameter each of A..F is in each system (-1: fixed at 0),
// the number of cell parameters; the corrections follow them.
const int kSlotOf[7][6] = {{0, 1, 2, 3, 4, 5},   {0, 1, 2, -1, 3, -1},  {0, 1, 2, -1, -1, -1}, {0, 0, 1, -1, -1, 0},
                           {0, 0, 0, 1, 1, 1},   {0, 0, 1, -1, -1, -1}, {0, 0, 0, -1, -1, -1}};
const int kCellParameters[7] = {6, 4, 3, 2, 2, 2, 1};

// The refined parameters of a system and mode spread over A..F, Z, S.
std::vector<double> Expand(int system, int correction, const std::vector<double>& p) {
  std::vector<double> f(8, 0.0);
  for (int c = 0; c < 6; ++c) f[c] = kSlotOf[system - 1][c] < 0 ? 0.0 : p[kSlotOf[system - 1][c]];
  size_t n = kCellParameters[system - 1];
  if (correction == kZero || correction == kZeroAndDisplacement) f[6] = p[n++];
  if (correction == kDisplacement || correction == kZeroAndDisplacement) f[7] = p[n++];
  return f;
}

// The parameters each crystal system and correction mode refine, by their
// crystallographic names: the constants the system leaves free, then the
// corrections.
TEST(ParameterMap, NamesTheFreeParametersOfEachSystemAndMode) {
  const char* const cells[7] = {"a b c alpha beta gamma", "a b c beta", "a b c", "a c", "a alpha", "a c", "a"};
  const char* const corrections[5] = {"", "", " zero", " ssd", " zero ssd"};
  for (int s = kTriclinic; s <= kCubic; ++s)
    for (int m = kManual; m <= kZeroAndDisplacement; ++m) {
      const ParameterMap map = Parameters(s, m);
      std::string names;
      for (const ReportedParameter& p : map.reported) names += (names.empty() ? "" : " ") + std::string(p.name);
      EXPECT_EQ(names, std::string(cells[s - 1]) + corrections[m - 1]) << s << " " << m;
      EXPECT_EQ(map.Count(), static_cast<int>(map.reported.size()));
      EXPECT_EQ(map.cellParameters, kCellParameters[s - 1]);
    }
}

// The cofactors over the refined slots alone must be those of the whole
// 9 x 9 elimination bit for bit (the report prints them to the last digit):
// normal matrices of every system and mode from pseudo-random rows, one with
// a zero row and column (a singular block whose cofactors are signed zeros),
// one with two equal rows, one with a value that is not finite, which is
// left to the whole elimination unless it cannot reach a cofactor, and two
// whose elimination meets a zero pivot (at the first refined slot; at the
// second after one step, in a matrix that is singular and in one that is
// not), where elimination steps cannot be shared.
TEST(NormalEquations, RefinedBlockCofactorsEqualTheWholeElimination) {
  unsigned seed = 12345;
  const auto next = [&seed] { seed = seed * 1103515245u + 12345u; return static_cast<double>(seed >> 8) / (1u << 24) - 0.3; };
  for (int s = kTriclinic; s <= kCubic; ++s)
    for (int m = kManual; m <= kZeroAndDisplacement; ++m)
      for (int variant = 0; variant < 7; ++variant) {
        const ParameterMap map = Parameters(s, m);
        const int n = map.Size();
        Matrix9 a = {};
        for (int k = 0; k < kSlots; ++k) a[k][k] = map.IsRefined(k) ? 0.0 : 1.0;
        for (int row = 0; row < 12; ++row) {
          double u[kSlots];
          for (int k = 0; k < kSlots; ++k) u[k] = map.IsRefined(k) ? next() * (k < 6 ? 10.0 : 0.01) : 0.0;
          for (int k = 0; k < kSlots; ++k)
            for (int l = 0; l < kSlots; ++l)
              if (map.IsRefined(k) && map.IsRefined(l)) a[k][l] += u[k] * u[l];
        }
        if (variant == 1) for (int k = 0; k < kSlots; ++k) if (map.IsRefined(k)) a[2][k] = a[k][2] = 0.0;
        if (variant == 2) for (int k = 0; k < kSlots; ++k) if (map.IsRefined(k)) a[2][k] = a[0][k];
        if (variant == 3) a[0][0] = std::numeric_limits<double>::quiet_NaN();
        std::vector<int> refined;
        for (int k = 0; k < kSlots; ++k) if (map.IsRefined(k)) refined.push_back(k);
        const int r0 = refined[0], r1 = refined.size() > 1 ? refined[1] : r0;
        if (variant == 4) a[r0][r0] = 0.0;
        if (variant == 5 && r1 != r0) {
          for (int k : refined) a[r1][k] = 2.0 * a[r0][k];
          for (int k : refined) a[k][r1] = 2.0 * a[k][r0];
          a[r1][r1] = 4.0 * a[r0][r0];
        }
        if (variant == 6 && r1 != r0) a[r1][r1] = -((-a[r1][r0] / a[r0][r0]) * a[r0][r1]);
        Matrix9 whole = {}, block = {};
        CofactorUpperBlock(a, whole, kSlots, n);
        // The normal equations set the unused diagonal to 0 (NormalEquations::Solve).
        for (int k = 0; k < kSlots; ++k) if (!map.IsRefined(k)) whole[k][k] = 0.0;
        const bool fast = CofactorsOfRefined(a, map.refinedSlots, n, block);
        // A singular block whose last pivot is zero is left to the whole elimination.
        if (variant < 2 || variant == 4 || variant == 6) { EXPECT_TRUE(fast) << s << " " << m << " " << variant; }
        if (fast) { EXPECT_EQ(std::memcmp(&whole, &block, sizeof whole), 0) << s << " " << m << " " << variant; }
      }
}

// The propagation leaves out the terms of zero Jacobian elements, which
// add nothing to a finite sum; a cofactor that is not finite must still
// reach every quantity as its full product (0 x inf) did: the zero offset's
// infinite variance leaves no cell constant with a finite s.d.
TEST(CellSigmas, ANonFiniteCofactorReachesEveryQuantity) {
  const double direct[6] = {5.1, 5.2, 5.3, std::cos(Rad(88.7)), std::cos(Rad(99.2)), std::cos(Rad(91.4))};
  Matrix9 K = {};
  for (int k = 0; k < 8; ++k) K[k][k] = 1e-9;
  double sigma[10];
  CellSigmas(direct, 1.0, K, sigma, 139.0, kTriclinic, 8);
  for (int j = 0; j < 10; ++j) EXPECT_TRUE(j == 8 || std::isfinite(sigma[j])) << j;
  K[6][6] = std::numeric_limits<double>::infinity();
  CellSigmas(direct, 1.0, K, sigma, 139.0, kTriclinic, 8);
  for (int j = 0; j < 6; ++j) EXPECT_TRUE(std::isnan(sigma[j])) << j;
}

// Weighted least squares in Q = 1/d^2 solved directly, its covariance
// s^2 (X'WWX)^-1, and that covariance pushed through a numerically
// differentiated map to a, b, c, the angles (degrees) and the volume, and
// through the fixed factors to zero (degrees) and ssd (mm): the covariance
// of those nine quantities, in that order.
using Covariance9 = std::array<std::array<double, 9>, 9>;
Covariance9 Propagate(const Job& job) {
  const int system = job.m_nCrystalSystem, correction = job.m_nCorrection, N = job.m_nReflections;
  const size_t corrections = correction == kZeroAndDisplacement ? 2 : correction >= kZero ? 1 : 0;
  const size_t m = kCellParameters[system - 1] + corrections;
  Mat X(N, std::vector<double>(m)), Nm(m, std::vector<double>(m, 0.0));
  std::vector<double> Q(N), b(m, 0.0), p(m, 0.0);
  for (int i = 0; i < N; ++i) {
    const double t = Rad(job.m_dTwoTheta[i] / 2.0), h = job.m_nH[i], k = job.m_nK[i], l = job.m_nL[i];
    const double f[8] = {h * h, k * k, l * l, k * l, l * h, h * k, std::sin(2 * t), std::cos(t) * std::sin(2 * t)};
    Q[i] = std::pow(2.0 * std::sin(t) / job.m_dWavelength, 2);
    for (size_t j = 0; j < m; ++j) {
      std::vector<double> e(m, 0.0);
      e[j] = 1.0;
      const std::vector<double> full = Expand(system, correction, e);
      for (int c = 0; c < 8; ++c) X[i][j] += full[c] * f[c];
    }
    const double w2 = job.m_dWeight[i] * job.m_dWeight[i];
    for (size_t j = 0; j < m; ++j) {
      b[j] += w2 * X[i][j] * Q[i];
      for (size_t k2 = 0; k2 < m; ++k2) Nm[j][k2] += w2 * X[i][j] * X[i][k2];
    }
  }
  const Mat inv = Inverse(Nm);
  for (size_t j = 0; j < m; ++j)
    for (size_t k = 0; k < m; ++k) p[j] += inv[j][k] * b[k];
  double W = 0.0;
  for (int i = 0; i < N; ++i) {
    double r = -Q[i];
    for (size_t j = 0; j < m; ++j) r += X[i][j] * p[j];
    W += std::pow(job.m_dWeight[i] * r, 2);
  }
  const double s2 = W / static_cast<double>(N - static_cast<int>(m));
  double J[9][10] = {};
  for (size_t j = 0; j < m; ++j) {
    std::vector<double> up = p, down = p;
    const double step = 1e-6 * std::fabs(p[j]) + 1e-12;
    up[j] += step, down[j] -= step;
    double cu[7], cd[7];
    CellFromMetric(Expand(system, correction, up).data(), cu);
    CellFromMetric(Expand(system, correction, down).data(), cd);
    for (int r = 0; r < 7; ++r) J[r][j] = (cu[r] - cd[r]) / (2 * step);
  }
  const double toDeg = 360.0 / kPi * job.m_dWavelength * job.m_dWavelength / 4.0;
  size_t z = m - corrections;
  if (correction == kZero || correction == kZeroAndDisplacement) J[7][z++] = -toDeg;
  if (correction == kDisplacement || correction == kZeroAndDisplacement) J[8][z] = job.m_dGonioRadius * toDeg / (360.0 / kPi);
  Covariance9 cov{};
  for (int r = 0; r < 9; ++r)
    for (int t = 0; t < 9; ++t)
      for (size_t j = 0; j < m; ++j)
        for (size_t k = 0; k < m; ++k) cov[r][t] += s2 * J[r][j] * inv[j][k] * J[t][k];
  return cov;
}

// The standard deviations and the covariance of the refined parameters,
// with a warning for each pair that the reference correlates by 0.999 or
// more and a line of the diagnostics' list for each by 0.9 or more (pairs
// within 0.0001 or 0.001 of those may go either way).
TEST(RefineCell, StandardDeviationsAndCovarianceAgreeWithAnIndependentPropagation) {
  const std::map<std::string, int> row = {{"a", 0},    {"b", 1},     {"c", 2},    {"alpha", 3},
                                          {"beta", 4}, {"gamma", 5}, {"zero", 7}, {"ssd", 8}};
  for (const Crystal& c : kCrystals)
    for (int weighting : {kUnity, kSin2Theta})
      for (int correction : {kNoCorrection, kZero, kDisplacement, kZeroAndDisplacement}) {
        SCOPED_TRACE(std::string(CrystalSystemName(c.system)) + " weighting " + std::to_string(weighting) +
                     " mode " + std::to_string(correction));
        Job job = MakeJob(c, 40, {0.02, 0.05, 0.01});
        job.m_nCorrection = correction;
        RecordingSink sink;
        if (weighting == kSin2Theta) ComputeSin2Weights(job, sink);
        const ParameterCovariance cov = RefineInMemory(job, sink).covariance;
        const Covariance9 ref = Propagate(job);
        const double engine[9] = {job.m_dCellSigma[0], job.m_dCellSigma[1], job.m_dCellSigma[2],
                                  job.m_dCellSigma[3], job.m_dCellSigma[4], job.m_dCellSigma[5],
                                  job.m_dVolumeSigma,  job.m_dZeroSigma,    job.m_dDispSigma};
        for (int r = 0; r < 9; ++r) {
          const double sd = std::sqrt(ref[r][r]);
          if (sd < 1e-9) EXPECT_LT(std::fabs(engine[r]), 1e-6) << r;
          else EXPECT_NEAR(engine[r] / sd, 1.0, 1e-3) << r << ": engine " << engine[r] << ", reference " << sd;
        }
        const auto r = cov.Correlation();
        std::vector<std::string> strong, said, notable, listed;
        for (size_t i = 0; i < cov.names.size(); ++i) {
          const int ri = row.at(cov.names[i]);
          EXPECT_NEAR(cov.matrix[i][i], engine[ri] * engine[ri], 1e-12 * engine[ri] * engine[ri]) << cov.names[i];
          for (size_t j = 0; j < cov.names.size(); ++j) {
            const int rj = row.at(cov.names[j]);
            const double scale = std::sqrt(ref[ri][ri] * ref[rj][rj]), refR = std::fabs(ref[ri][rj] / scale);
            EXPECT_EQ(cov.matrix[i][j], cov.matrix[j][i]);
            EXPECT_LE(std::fabs(r[i][j]), 1.0);
            EXPECT_NEAR(cov.matrix[i][j], ref[ri][rj], 2e-3 * scale) << cov.names[i] << " " << cov.names[j];
            const std::string pair = cov.names[i] + " and " + cov.names[j];
            if (j > i && (refR >= 0.9991 || (refR > 0.9989 && std::fabs(r[i][j]) >= 0.999)))
              strong.push_back(pair + " cannot be told apart by these reflections");
            if (j > i && (refR >= 0.901 || (refR > 0.899 && std::fabs(r[i][j]) >= 0.9))) notable.push_back("  " + pair);
          }
        }
        // One message box, however many pairs, with the advice once.
        EXPECT_EQ(sink.messages.size(), strong.empty() ? 0u : 1u);
        std::istringstream lines(sink.messages.empty() ? "" : sink.messages[0]);
        for (std::string line; std::getline(lines, line);) said.push_back(line.substr(0, line.find(" (r = ")));
        if (!strong.empty()) strong.push_back(strong.size() == 1 ? " Refine one of the two." : " Refine one parameter of each pair.");
        EXPECT_EQ(said, strong);
        std::istringstream list(CorrelatedPairsText(cov));
        for (std::string line; std::getline(list, line);) listed.push_back(line.substr(0, line.find(": r = ")));
        if (notable.empty()) notable.push_back("  none");
        notable.insert(notable.begin(), "Correlated parameters (|r| >= 0.9)");
        EXPECT_EQ(listed, notable);
      }
}

// Manual mode corrects each observation by the known zero z, displacement
// s and absorption mu before the fit (theta the half of 2theta):
//   2theta' = 2theta + z - (360 / pi) (s / R) cos(theta) + 180 / (2 pi mu R) sin(2 theta),
// the last term only for mu > 0. The observations are made here by
// inverting that map on the Bragg angles of a cubic cell (fixed-point
// iteration), so the fit must return the cell, and 2thcor the Bragg angles.
TEST(RefineCell, ManualModeAppliesItsKnownCorrections) {
  const struct { double z, s, mu; } rows[] = {{0, 0, 50}, {0, 0, 9}, {0.03, 0.1, -20}, {-0.02, 0.08, 35}};
  const Crystal& cubic = kCrystals[6];
  for (const auto& k : rows) {
    SCOPED_TRACE(Format("z %g s %g mu %g", k.z, k.s, k.mu));
    Job job = MakeJob(cubic, 14);
    job.m_nCorrection = kManual;
    job.m_dZero = k.z, job.m_dDisp = k.s, job.m_dEmu = k.mu;
    const double R = job.m_dGonioRadius, absorption = k.mu > 0 ? 180.0 / (2 * kPi * k.mu * R) : 0.0;
    std::vector<double> truth;
    for (int i = 0; i < job.m_nReflections; ++i) {
      truth.push_back(job.m_dTwoTheta[i]);
      double o = truth[i];
      for (int it = 0; it < 20; ++it)
        o = truth[i] - k.z + 360.0 / kPi * k.s / R * std::cos(Rad(o / 2)) - absorption * std::sin(Rad(o));
      job.m_dTwoTheta[i] = job.m_dTwoThetaRaw[i] = o;
    }
    RecordingSink sink;
    const RefinementOutcome out = RefineInMemory(job, sink);
    for (int i = 0; i < job.m_nReflections; ++i) { EXPECT_NEAR(out.reflections[i].twoThetaCor, truth[i], 2e-7) << i; }
    EXPECT_NEAR(job.m_dRefinedCell[0], cubic.cell[0], 1e-6);
    EXPECT_TRUE(job.m_dZero == k.z && job.m_dEmu == k.mu);
    EXPECT_EQ(job.m_dZeroSigma + job.m_dDispSigma + job.m_dEmuSigma, 0.0);
  }
}

// Cubic, no correction, unit weights: Q = A s with s = h^2 + k^2 + l^2, so
// A = sum(s Q) / sum(s^2), var(A) = (residual sum / (N - 1)) / sum(s^2),
// a = A^-1/2 with s.d. A^-3/2 s.d.(A) / 2, V = a^3 with s.d. 3 a^2 s.d.(a).
// Every line below is built from these formulas and the report's formats.
TEST(RefineCell, CubicReportMatchesAClosedFormComputation) {
  ScratchDir dir;
  Job job;
  InitialiseJob(job, dir.path());
  job.m_strTitle = "Halite test", job.m_nCrystalSystem = kCubic;
  const double cell[6] = {5.64, 5.64, 5.64, 90, 90, 90}, twoTheta[4] = {27.371, 31.698, 45.452, 53.869};
  const int hkl[4][3] = {{1, 1, 1}, {2, 0, 0}, {2, 2, 0}, {3, 1, 1}}, N = 4;
  std::copy(cell, cell + 6, job.m_dCell);
  job.m_nReflections = N;
  double s[N], Q[N], sq = 0, ss = 0, W = 0, sum = 0, sum2 = 0;
  const double k = 0.0174532925, lambda = job.m_dWavelength;
  for (int i = 0; i < N; ++i) {
    job.m_nH[i] = hkl[i][0], job.m_nK[i] = hkl[i][1], job.m_nL[i] = hkl[i][2];
    job.m_dTwoTheta[i] = job.m_dTwoThetaRaw[i] = twoTheta[i];
    s[i] = hkl[i][0] * hkl[i][0] + hkl[i][1] * hkl[i][1] + hkl[i][2] * hkl[i][2];
    Q[i] = std::pow(2 * std::sin(twoTheta[i] / 2.0 * k) / lambda, 2);
    sq += s[i] * Q[i], ss += s[i] * s[i];
  }
  const double A = sq / ss;
  for (int i = 0; i < N; ++i) W += std::pow(A * s[i] - Q[i], 2);
  const double a = 1 / std::sqrt(A), sa = 0.5 * std::pow(A, -1.5) * std::sqrt(W / (N - 1) / ss);
  std::string expected =
      "--------------------------------------------------------\n"
      " Unit Cell Refinement by Cohens Method of Least Squares\n"
      "--------------------------------------------------------\n\n"
      "Title : Halite test\n\nRefinement code : no instrumental correction\n\nCrystal system : cubic\n"
      " wavelength =  1.540598 A\n\nTrial cell dimensions\n---------------------\n"
      "    a     =   5.64000 A\n    b     =   5.64000 A\n    c     =   5.64000 A\n"
      "    alpha =  90.000   deg\n    beta  =  90.000   deg\n    gamma =  90.000   deg\n\n"
      "Weighting Mode : unity\n\nInput Reflection Data\n    h   k   l  2thorg   weight\n"
      "    1   1   1  27.371   1.00000\n    2   0   0  31.698   1.00000\n"
      "    2   2   0  45.452   1.00000\n    3   1   1  53.869   1.00000\n\n"
      "-----------------------\nRefined cell dimensions\n-----------------------\n"
      "             value       std.\n";
  for (const char* axis : {"a", "b", "c"}) expected += Format("    %s     = %9.5f (%8.5f) A\n", axis, a, sa);
  expected += "    alpha =  90.000   ( 0.000)   deg\n    beta  =  90.000   ( 0.000)   deg\n"
              "    gamma =  90.000   ( 0.000)   deg\n" + Format("    volume=%8.3f   (%6.3f)   A3\n\n", a * a * a, 3 * a * a * sa) +
              "Correction parameters\n---------------------\n           value   std.\n"
              "   zero =  0.000 ( 0.000) deg\n   ssd  =  0.000 ( 0.000) deg\n   emu  =  0.000 ( 0.000) deg\n\n"
              "List of d-spacings\n------------------\n"
              "    h   k   l  2thorg   2thobs   2thcor   2thcal   del2th     dobs      dcal      d-dif    weight\n";
  for (int i = 0; i < N; ++i) {
    const double raw = twoTheta[i], dcal = 1 / std::sqrt(A * s[i]), cal = 2 * std::asin(lambda / (2 * dcal)) / k;
    const double dobs = lambda / (2 * std::sin(raw * k / 2));
    sum += cal - raw, sum2 += (cal - raw) * (cal - raw);
    expected += Format(" %4d%4d%4d%9.4f%9.4f%9.4f%9.4f%9.4f%10.5f%10.5f%10.5f%10.4f\n", hkl[i][0], hkl[i][1], hkl[i][2],
                       raw, raw, raw, cal, raw - cal, dobs, dcal, dobs - dcal, 1.0);
  }
  expected += Format("\nsum delta 2theta = %6.3f\ns.d.delta 2theta = %6.3f\n", sum, std::sqrt(sum2 / (N - 1)));
  RecordingSink sink;
  ASSERT_TRUE(RunJob(job, SiliconStandard(), sink).refined);
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(ReadAll(job.m_strReportPath), expected);
}

// Problems the report's numbers cannot say by themselves: a warning after
// the report, which is written all the same; a result the reflections do
// not determine, or one that is not finite, is undefined.
TEST(RefineCell, WarnsOfWhatTheReportCannotSay) {
  using Edit = std::function<void(Job&)>;
  const struct { const char* what; int crystal, count; Edit edit; const char* message; bool undefined; } cases[] = {
      {"one cubic line", 6, 1, [](Job&) {}, "No degrees of freedom !!!\n 1 reflections for 1 refined parameters; the standard deviations are not defined.", false},
      {"every l = 0 leaves c free", 5, 30, [](Job& j) { for (int i = 0; i < j.m_nReflections; ++i) j.m_nL[i] = 0; },
       "Singular normal matrix !!!\n The reflections do not determine every refined parameter; the results are not defined.", true},
      {"one reflection repeated", 3, 6, [](Job& j) { for (int i = 1; i < j.m_nReflections; ++i) j.m_nH[i] = j.m_nH[0], j.m_nK[i] = j.m_nK[0], j.m_nL[i] = j.m_nL[0]; },
       "Singular normal matrix !!!\n The reflections do not determine every refined parameter; the results are not defined.", true},
      // a from (1 0 0) at 170 deg alone (the other line weighs nothing),
      // for which (3 3 3) lies far beyond 2theta = 180.
      {"a line beyond 180 deg", 6, 2, [](Job& j) { j.m_nH[0] = 1, j.m_nK[0] = j.m_nL[0] = 0, j.m_dTwoTheta[0] = 170;
                                                   j.m_nH[1] = j.m_nK[1] = j.m_nL[1] = 3, j.m_dTwoTheta[1] = 100, j.m_dWeight[1] = 1e-3; },
       "Some results are not finite numbers !!!\n A reflection lies beyond 2theta = 180 deg for the refined cell, or the cell is not valid; see the report.", true},
      {"tetragonal trial a != b", 5, 20, [](Job& j) { j.m_dCell[1] += 0.01; },
       "Trial cell breaks the tetragonal equality a = b !!!\n The refined cell keeps the trial values of the tied parameters.", false},
  };
  for (const auto& c : cases) {
    Job job = MakeJob(kCrystals[c.crystal], c.count);
    c.edit(job);
    RecordingSink sink;
    const RefinementOutcome out = RefineInMemory(job, sink);
    EXPECT_TRUE(out.refined) << c.what;
    EXPECT_EQ(out.undefined, c.undefined) << c.what;
    EXPECT_EQ(sink.messages, std::vector<std::string>{c.message}) << c.what;
  }
}

}  // namespace
