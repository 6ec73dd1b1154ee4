#include "engine/Refinement.h"

#include <cmath>
#include <fstream>
#include <ostream>

#include "common/TextIO.h"
#include "engine/CohenModel.h"
#include "report/ReportWriter.h"

namespace lattrix {
namespace {

// Names the equalities of the crystal system that the trial cell breaks: the
// tied and fixed slots start from the trial values, so a broken equality
// carries over into the refined cell.
void CheckTrialCell(const Job& job, std::vector<std::string>& warnings) {
  const double* cell = job.m_dCell;
  const double a = cell[0], b = cell[1], c = cell[2];
  const double al = cell[3], be = cell[4], ga = cell[5];
  const char* name = CrystalSystemName(job.m_nCrystalSystem);
  std::vector<std::string> broken;
  switch (job.m_nCrystalSystem) {
    case kMonoclinic:
      if (al != 90.0 || ga != 90.0) broken.push_back("alpha = gamma = 90");
      break;
    case kOrthorhombic:
      if (al != 90.0 || be != 90.0 || ga != 90.0) broken.push_back("alpha = beta = gamma = 90");
      break;
    case kHexagonal:
      if (a != b) broken.push_back("a = b");
      if (al != 90.0 || be != 90.0 || ga != 120.0) broken.push_back("alpha = beta = 90, gamma = 120");
      break;
    case kRhombohedral:
      if (a != b || a != c) broken.push_back("a = b = c");
      if (al != be || al != ga) broken.push_back("alpha = beta = gamma");
      break;
    case kTetragonal:
      if (a != b) broken.push_back("a = b");
      if (al != 90.0 || be != 90.0 || ga != 90.0) broken.push_back("alpha = beta = gamma = 90");
      break;
    case kCubic:
      if (a != b || a != c) broken.push_back("a = b = c");
      if (al != 90.0 || be != 90.0 || ga != 90.0) broken.push_back("alpha = beta = gamma = 90");
      break;
    default:
      break;
  }
  for (const std::string& rule : broken) {
    warnings.push_back(std::string("Trial cell breaks the ") + name + " equality " + rule +
                       " !!!\n The refined cell keeps the trial values of the tied parameters.");
  }
}

bool AllFinite(const double* values, int count) {
  for (int i = 0; i < count; ++i)
    if (!std::isfinite(values[i])) return false;
  return true;
}

}  // namespace

double CorrectedTwoTheta(const Job& job, int i) {
  const double twoTheta = job.m_dTwoTheta[i];
  if (job.m_nCorrection != kManual) return twoTheta;
  const double z = job.m_dZero, s = job.m_dDisp, mu = job.m_dEmu, R = job.m_dGonioRadius;
  const double t = kDegToRad * twoTheta / 2.0;
  // A displacement ssd raises 2theta by 2 ssd cos(theta) / R radians, that is
  // kDeg ssd cos(theta) / R degrees; the known value takes it off.
  const double sterm = (-kDeg * s) / R;
  const double mterm = mu > 0.0 ? 180.0 / (6.2831853 * mu * R) : 0.0;
  return ((z + twoTheta) + std::cos(t) * sterm) + std::sin(2.0 * t) * mterm;
}

RefinementOutcome RefineCell(Job& job, MessageSink& sink) {
  std::ofstream out(job.m_strReportPath, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!out.is_open()) {
    sink.Show("Output file not open !!!\n");
    return RefinementOutcome();
  }
  RefinementOutcome outcome = RefineCell(job, out, sink);
  out.close();
  // A full disk must not pass for a written report: the fitting table, the
  // map and the next run's weights would read a truncated file.
  if (outcome.reportWritten && out.fail()) {
    sink.Show(job.m_strReportPath + " cannot be written completely !!!");
    outcome.reportWritten = false;
  }
  return outcome;
}

RefinementOutcome RefineCell(Job& job, std::ostream& report, MessageSink& sink) {
  RefinementOutcome outcome;
  const int system = job.m_nCrystalSystem;
  const int correction = job.m_nCorrection;
  if (system < kTriclinic || system > kCubic) {
    sink.Show(Format("Crystal system=%d is not acceptable !!!", system));
    return outcome;
  }
  if (correction < kManual || correction > kZeroAndDisplacement) {
    sink.Show(Format("icode=%d is not acceptable !!!", correction));
    return outcome;
  }

  // (b) The run's copy of the job's inputs.
  const double lambda = job.m_dWavelength;
  const double R = job.m_dGonioRadius;
  int N = job.m_nReflections;
  if (N < 0) N = 0;
  if (N > kMaxReflections) N = kMaxReflections;

  // (c) Corrected 2theta and the Bragg angle in degrees. Manual mode applies
  // the known zero z, displacement s and absorption mu beforehand.
  double twoThetaCorrected[kMaxReflections];
  double thetaDeg[kMaxReflections];
  const bool manual = correction == kManual;
  const double z = manual ? job.m_dZero : 0.0;
  const double s = manual ? job.m_dDisp : 0.0;
  const double mu = manual ? job.m_dEmu : 0.0;
  for (int i = 0; i < N; ++i) {
    twoThetaCorrected[i] = CorrectedTwoTheta(job, i);
    thetaDeg[i] = twoThetaCorrected[i] / 2.0;
  }

  // (d) Head and input sections.
  WriteReportHead(report, job, N);

  // (e) Size of the problem.
  const int cellCount = CountedCellParameters(system);
  const int corrCount = CountedCorrections(correction);
  const int n = 6 + corrCount;

  // (f) Trial reciprocal metric.
  double P[kSlots];
  TrialMetric(job.m_dCell, P);
  const double trialGamma = job.m_dCell[5] * kDegToRad;

  // (g), (h) Normal equations of the weighted design rows.
  Matrix9 Nm = {};
  double rhs[kSlots] = {};
  double design[kMaxReflections][kSlots];
  double Qobs[kMaxReflections];
  for (int i = 0; i < N; ++i) {
    const double theta = thetaDeg[i] * kDegToRad;
    double row[kSlots];
    DesignRow(job.m_nH[i], job.m_nK[i], job.m_nL[i], theta, system, correction, row);
    const double sinTheta = std::sin(theta);
    const double Q = ((sinTheta + sinTheta) / lambda) * ((sinTheta + sinTheta) / lambda);
    double Q0 = 0.0;
    for (int k = 0; k < 6; ++k) Q0 += P[k] * row[k];
    const double residual = (Q - Q0) * kResidualScale;
    const double w = job.m_dWeight[i];
    double u[kSlots];
    for (int k = 0; k < kSlots; ++k) u[k] = row[k] * w;
    const double u9 = residual * w;
    for (int k = 0; k < n; ++k) {
      for (int l = k; l < n; ++l) Nm[k][l] += u[k] * u[l];
      rhs[k] += u9 * u[k];
    }
    for (int k = 0; k < kSlots; ++k) design[i][k] = row[k];
    Qobs[i] = Q;
  }
  for (int k = 0; k < n; ++k)
    for (int l = k + 1; l < n; ++l) Nm[l][k] = Nm[k][l];
  SetUnusedDiagonal(Nm, 1.0, system, correction);

  // Solution by cofactors (inverse = K / det). Only the upper triangle of
  // the refined block is used: the lower one is mirrored from it below.
  Matrix9 K;
  CofactorUpperBlock(Nm, K, kSlots, n);
  double det = 0.0;
  for (int k = 0; k < n; ++k) det += K[0][k] * Nm[0][k];
  for (int k = 0; k < n; ++k)
    for (int l = k + 1; l < n; ++l) K[l][k] = K[k][l];
  SetUnusedDiagonal(K, 0.0, system, correction);

  double x[kSlots] = {};
  for (int k = 0; k < n; ++k) {
    double sum = 0.0;
    for (int l = 0; l < n; ++l) sum += K[k][l] * rhs[l];
    x[k] = sum / (det * kResidualScale);
  }
  TieParameters(system, x);
  double Pr[kSlots];
  for (int k = 0; k < kSlots; ++k) Pr[k] = k < n ? P[k] + x[k] : P[k];

  // Refined reciprocal cell, then the direct cell from it.
  double direct[6], refined[6], V;
  DirectCellFromMetric(Pr, system, trialGamma, direct, refined, V);

  // Per-reflection pass: calculated Q and d, the observed Q freed of the
  // refined corrections, and the weighted residual sum.
  double dcal[kMaxReflections], thetaCal[kMaxReflections], twoThetaCor[kMaxReflections];
  double W = 0.0;
  for (int i = 0; i < N; ++i) {
    const double* t = design[i];
    double Qcal = 0.0;
    for (int k = 0; k < 6; ++k) Qcal += t[k] * Pr[k];
    dcal[i] = 1.0 / std::sqrt(Qcal);
    thetaCal[i] = std::asin(lambda / (2.0 * dcal[i]));
    const double Qcor = Qobs[i] - (x[6] * t[6] + x[7] * t[7] + x[8] * t[8]);
    const double delta = Qcal - Qcor;
    twoThetaCor[i] = manual ? twoThetaCorrected[i] : 2 * std::asin(std::sqrt(Qcor) * lambda / 2.0);
    // The normal equations carry each row times its weight, so the residual
    // enters the sum with the weight squared as well.
    const double w = job.m_dWeight[i];
    W += (delta * w) * (delta * w);
  }

  const int f = N - cellCount - corrCount;
  const double s2 = W / static_cast<double>(f);
  const double scale = s2 / det;

  double sigma[10] = {};
  CellSigmas(direct, scale, K, sigma, V, system, n);

  for (int j = 3; j < 6; ++j) sigma[j] = sigma[j] / kDegToRad;

  // Corrections in sin^2(theta) units.
  const double lambda2over4 = lambda * lambda / 4.0;
  for (int k = 6; k < 9; ++k) {
    x[k] *= lambda2over4;
    sigma[k] *= lambda2over4;
  }

  WriteReportCell(report, refined, sigma, V, sigma[9]);
  for (int j = 0; j < 6; ++j) {
    job.m_dRefinedCell[j] = refined[j];
    job.m_dCellSigma[j] = sigma[j];
  }
  job.m_dVolume = V;
  job.m_dVolumeSigma = sigma[9];

  double zero, zeroSigma, ssd, ssdSigma, emu = 0.0, emuSigma = 0.0;
  if (correction == kManual || correction == kNoCorrection) {
    zero = z;
    ssd = s;
    emu = mu;
    zeroSigma = ssdSigma = 0.0;
  } else {
    if (correction == kDisplacement) {
      x[7] = x[6];
      sigma[7] = sigma[6];
      x[6] = 0.0;
      sigma[6] = 0.0;
    }
    // Without a refined zero offset the value is +0.0, never "-0.000".
    zero = correction == kDisplacement ? 0.0 : -kDeg * x[6];
    zeroSigma = kDeg * sigma[6];
    ssd = R * x[7];
    ssdSigma = R * sigma[7];
  }
  WriteReportCorrections(report, zero, zeroSigma, ssd, ssdSigma, emu, emuSigma);
  job.m_dZero = zero;
  job.m_dZeroSigma = zeroSigma;
  job.m_dDisp = ssd;
  job.m_dDispSigma = ssdSigma;
  job.m_dEmu = emu;
  job.m_dEmuSigma = emuSigma;

  // The list of d-spacings.
  double sumDelta = 0.0, sumDelta2 = 0.0;
  outcome.reflections.resize(static_cast<size_t>(N));
  for (int i = 0; i < N; ++i) {
    ReflectionResult& r = outcome.reflections[static_cast<size_t>(i)];
    r.h = job.m_nH[i];
    r.k = job.m_nK[i];
    r.l = job.m_nL[i];
    r.twoThetaRaw = job.m_dTwoThetaRaw[i];
    r.twoThetaObs = job.m_dTwoTheta[i];
    r.twoThetaCor = manual ? twoThetaCor[i] : twoThetaCor[i] / kDegToRad;
    r.twoThetaCal = (thetaCal[i] + thetaCal[i]) / kDegToRad;
    const double delta = r.twoThetaCal - r.twoThetaCor;
    sumDelta += delta;
    sumDelta2 += delta * delta;
    r.del2Theta = r.twoThetaRaw - r.twoThetaCal;
    r.dObs = lambda / (2 * std::sin(r.twoThetaRaw * kDegToRad / 2.0));
    r.dCal = dcal[i];
    r.dDif = r.dObs - r.dCal;
    r.weight = job.m_dWeight[i];
  }
  outcome.sumDelta = sumDelta;
  outcome.sdDelta = std::sqrt(sumDelta2 / static_cast<double>(N - 1));
  outcome.degreesOfFreedom = f;
  WriteReportList(report, outcome.reflections, outcome.sumDelta, outcome.sdDelta);
  report.flush();
  outcome.reportWritten = true;

  // What the report's numbers cannot say by themselves.
  CheckTrialCell(job, outcome.warnings);
  if (!(det != 0.0) || !std::isfinite(det)) {
    outcome.warnings.push_back(
        "Singular normal matrix !!!\n The reflections do not determine every refined parameter; "
        "the results are not defined.");
  } else if (f <= 0) {
    outcome.warnings.push_back(Format(
        "No degrees of freedom !!!\n %d reflections for %d refined parameters; "
        "the standard deviations are not defined.",
        N, cellCount + corrCount));
  }
  bool finite = AllFinite(refined, 6) && AllFinite(sigma, 6) && std::isfinite(V) &&
                std::isfinite(sigma[9]) && std::isfinite(zero) && std::isfinite(zeroSigma) &&
                std::isfinite(ssd) && std::isfinite(ssdSigma);
  for (const ReflectionResult& r : outcome.reflections) {
    const double values[] = {r.twoThetaCor, r.twoThetaCal, r.dObs, r.dCal};
    finite = finite && AllFinite(values, 4);
  }
  if (!finite && det != 0.0 && f > 0) {
    outcome.warnings.push_back(
        "Some results are not finite numbers !!!\n A reflection lies beyond 2theta = 180 deg for "
        "the refined cell, or the cell is not valid; see the report.");
  }
  for (const std::string& warning : outcome.warnings) sink.Show(warning);
  return outcome;
}

}  // namespace lattrix
