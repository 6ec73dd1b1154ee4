#include "engine/Refinement.h"

#include <cmath>

#include "common/TextIO.h"
#include "engine/CohenModel.h"
#include "engine/RefinementProblem.h"

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

// The constants the crystal system fixes (90 or 120 degrees, s.d. 0) or ties
// to a free one (b = a, c = a, beta = gamma = alpha) set exactly: the way
// through the reciprocal metric leaves 90.00000000002 and s.d. 1e-10 behind.
// A trial cell that breaks an equality keeps what the run computed for it,
// and so does a value the run could not compute; without degrees of freedom
// the standard deviations are not defined and stay as computed.
void HoldSystemConstants(Job& job, int system, const ParameterMap& parameters, bool sigmasDefined) {
  for (int j = 0; j < 6; ++j) {
    const bool follows = parameters.Follows(j);
    if (!follows && parameters.moves[j]) continue;
    const int leader = parameters.leader[j];
    const double exact = follows ? job.m_dRefinedCell[leader] : FixedAngle(system, j);
    const double exactSigma = follows ? job.m_dCellSigma[leader] : 0.0;
    if (job.m_dCell[j] != (follows ? job.m_dCell[leader] : exact)) continue;
    if (std::isfinite(job.m_dRefinedCell[j]) && std::isfinite(exact)) job.m_dRefinedCell[j] = exact;
    if (sigmasDefined && std::isfinite(job.m_dCellSigma[j]) && std::isfinite(exactSigma))
      job.m_dCellSigma[j] = exactSigma;
  }
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

namespace {

// The list of d-spacings from the solution: calculated 2theta and d, the
// observed 2theta freed of the refined corrections. Returns the weighted
// residual sum in 1/d^2.
double ComputeReflections(const Job& job, const RefinementProblem& problem,
                          const RefinementSolution& solution, std::vector<ReflectionResult>& rows) {
  const double lambda = problem.wavelength;
  const double* x = solution.increments;
  const bool manual = problem.correction == kManual;
  double W = 0.0;
  rows.resize(problem.rows.size());
  for (int i = 0; i < problem.Count(); ++i) {
    const ObservationRow& obs = problem.rows[static_cast<size_t>(i)];
    const double* t = obs.design;
    double qCal = 0.0;
    for (int k = 0; k < 6; ++k) qCal += t[k] * (problem.trialMetric[k] + x[k]);
    const double dCal = 1.0 / std::sqrt(qCal);
    const double thetaCal = std::asin(lambda / (2.0 * dCal));
    const double qCor = obs.q - (x[6] * t[6] + x[7] * t[7] + x[8] * t[8]);
    // The normal equations carry each row times its weight, so the residual
    // enters the sum with the weight squared as well.
    const double delta = qCal - qCor;
    W += (delta * obs.weight) * (delta * obs.weight);

    ReflectionResult& r = rows[static_cast<size_t>(i)];
    r.h = job.m_nH[i];
    r.k = job.m_nK[i];
    r.l = job.m_nL[i];
    r.twoThetaRaw = job.m_dTwoThetaRaw[i];
    r.twoThetaObs = job.m_dTwoTheta[i];
    r.twoThetaCor = manual ? obs.twoTheta : 2 * std::asin(std::sqrt(qCor) * lambda / 2.0) / kDegToRad;
    r.twoThetaCal = (thetaCal + thetaCal) / kDegToRad;
    r.del2Theta = r.twoThetaRaw - r.twoThetaCal;
    r.dObs = lambda / (2 * std::sin(r.twoThetaRaw * kDegToRad / 2.0));
    r.dCal = dCal;
    r.dDif = r.dObs - r.dCal;
    r.weight = obs.weight;
  }
  return W;
}

// Sum of the 2theta differences and their standard deviation (N - 1).
void SumDifferences(RefinementOutcome& outcome) {
  double sumDelta = 0.0, sumDelta2 = 0.0;
  for (const ReflectionResult& r : outcome.reflections) {
    const double delta = r.twoThetaCal - r.twoThetaCor;
    sumDelta += delta;
    sumDelta2 += delta * delta;
  }
  outcome.sumDelta = sumDelta;
  outcome.sdDelta = std::sqrt(sumDelta2 / (static_cast<double>(outcome.reflections.size()) - 1.0));
}

// The corrections of the run: the known ones in Manual mode, none without
// correction, else the refined zero offset and displacement from their
// slots (x, sigma: the solution's increments and standard deviations).
void StoreCorrections(Job& job, const RefinementProblem& problem, const double x[kSlots],
                      const double sigma[10]) {
  const int correction = problem.correction;
  if (correction == kManual || correction == kNoCorrection) {
    if (correction == kNoCorrection) job.m_dZero = job.m_dDisp = job.m_dEmu = 0.0;
    job.m_dZeroSigma = job.m_dDispSigma = job.m_dEmuSigma = 0.0;
    return;
  }
  const ParameterMap& map = problem.parameters;
  const double lambda = problem.wavelength, R = job.m_dGonioRadius;
  const int zero = map.zeroSlot, ssd = map.displacementSlot;
  // Without a refined zero offset the value is +0.0, never "-0.000".
  job.m_dZero = zero < 0 ? 0.0 : ReportedCorrection(ParameterUnit::kZero, x[zero], lambda, R);
  job.m_dZeroSigma = zero < 0 ? 0.0 : ReportedSigma(ParameterUnit::kZero, sigma[zero], lambda, R);
  job.m_dDisp = ReportedCorrection(ParameterUnit::kDisplacement, ssd < 0 ? 0.0 : x[ssd], lambda, R);
  job.m_dDispSigma = ReportedSigma(ParameterUnit::kDisplacement, ssd < 0 ? 0.0 : sigma[ssd], lambda, R);
  job.m_dEmu = job.m_dEmuSigma = 0.0;
}

// Standard deviations, cell, volume and corrections into the job; the
// covariance of the refined parameters, from the same propagation, into
// the outcome.
void StoreResults(Job& job, const RefinementProblem& problem, const RefinementSolution& solution,
                  int f, double W, ParameterCovariance& covariance) {
  const double s2 = W / static_cast<double>(f);
  const double scale = s2 / solution.determinant;
  double sigma[10] = {};
  const DirectCell& cell = solution.cell;
  Matrix9 propagated;
  CellSigmas(cell.direct, scale, solution.cofactors, sigma, cell.volume, problem.system, problem.Size(),
             &propagated);
  covariance = ReportedCovariance(propagated, scale, problem.parameters, problem.wavelength,
                                  job.m_dGonioRadius);
  for (int j = 0; j < 6; ++j) {
    job.m_dRefinedCell[j] = cell.cell[j];
    job.m_dCellSigma[j] = ReportedSigma(CellConstantUnit(j), sigma[j], problem.wavelength, job.m_dGonioRadius);
  }
  if (solution.determinant != 0.0 && std::isfinite(solution.determinant))
    HoldSystemConstants(job, problem.system, problem.parameters, f > 0);
  job.m_dVolume = cell.volume;
  job.m_dVolumeSigma = sigma[9];
  StoreCorrections(job, problem, solution.increments, sigma);
}

// What the report's numbers cannot say by themselves.
void CheckOutcome(const Job& job, const RefinementProblem& problem, double det,
                  RefinementOutcome& outcome) {
  CheckTrialCell(job, outcome.warnings);
  const int f = outcome.degreesOfFreedom;
  const bool singular = !(det != 0.0) || !std::isfinite(det);
  outcome.undefined = singular;
  if (singular) {
    outcome.warnings.push_back(
        "Singular normal matrix !!!\n The reflections do not determine every refined parameter; "
        "the results are not defined.");
  } else if (f <= 0) {
    outcome.warnings.push_back(Format(
        "No degrees of freedom !!!\n %d reflections for %d refined parameters; "
        "the standard deviations are not defined.",
        problem.Count(), problem.ParameterCount()));
  }
  // Without degrees of freedom the standard deviations cannot be finite;
  // the values still are.
  bool valuesFinite = AllFinite(job.m_dRefinedCell, 6) && std::isfinite(job.m_dVolume) &&
                      std::isfinite(job.m_dZero) && std::isfinite(job.m_dDisp);
  for (const ReflectionResult& r : outcome.reflections) {
    const double values[] = {r.twoThetaCor, r.twoThetaCal, r.dObs, r.dCal};
    valuesFinite = valuesFinite && AllFinite(values, 4);
  }
  const bool sigmasFinite = AllFinite(job.m_dCellSigma, 6) && std::isfinite(job.m_dVolumeSigma) &&
                            std::isfinite(job.m_dZeroSigma) && std::isfinite(job.m_dDispSigma);
  if (det != 0.0 && (!valuesFinite || (!sigmasFinite && f > 0))) {
    outcome.undefined = true;
    outcome.warnings.push_back(
        "Some results are not finite numbers !!!\n A reflection lies beyond 2theta = 180 deg for "
        "the refined cell, or the cell is not valid; see the report.");
  }
  const std::string correlated = IndistinguishableParametersWarning(outcome.covariance);
  if (!correlated.empty()) outcome.warnings.push_back(correlated);
}

}  // namespace

RefinementOutcome RefineCell(Job& job, MessageSink& sink) {
  RefinementOutcome outcome;
  if (job.m_nCrystalSystem < kTriclinic || job.m_nCrystalSystem > kCubic) {
    sink.Show(Format("Crystal system=%d is not acceptable !!!", job.m_nCrystalSystem));
    return outcome;
  }
  if (job.m_nCorrection < kManual || job.m_nCorrection > kZeroAndDisplacement) {
    sink.Show(Format("icode=%d is not acceptable !!!", job.m_nCorrection));
    return outcome;
  }
  outcome.problem = BuildRefinementProblem(job);
  const RefinementProblem& problem = outcome.problem;
  const RefinementSolution solution = SolveRefinementProblem(problem);
  const double W = ComputeReflections(job, problem, solution, outcome.reflections);
  outcome.degreesOfFreedom = problem.Count() - problem.ParameterCount();
  StoreResults(job, problem, solution, outcome.degreesOfFreedom, W, outcome.covariance);
  SumDifferences(outcome);
  outcome.refined = true;
  CheckOutcome(job, problem, solution.determinant, outcome);
  return outcome;
}

}  // namespace lattrix
