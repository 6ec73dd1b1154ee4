#include "engine/RefinementProblem.h"

#include <cmath>

#include "engine/Refinement.h"

namespace lattrix {

RefinementProblem BuildRefinementProblem(const Job& job) {
  RefinementProblem problem;
  problem.system = job.m_nCrystalSystem;
  problem.correction = job.m_nCorrection;
  problem.wavelength = job.m_dWavelength;
  problem.parameters = Parameters(problem.system, problem.correction);
  TrialMetric(job.m_dCell, problem.trialMetric);
  problem.trialGammaRad = job.m_dCell[5] * kDegToRad;

  const int count = job.m_nReflections;
  const double lambda = problem.wavelength;
  problem.rows.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    ObservationRow& row = problem.rows[static_cast<size_t>(i)];
    row.twoTheta = CorrectedTwoTheta(job, i);
    row.theta = (row.twoTheta / 2.0) * kDegToRad;
    DesignRow(job.m_nH[i], job.m_nK[i], job.m_nL[i], row.theta, problem.system, problem.correction,
              row.design);
    const double sinTheta = std::sin(row.theta);
    row.q = ((sinTheta + sinTheta) / lambda) * ((sinTheta + sinTheta) / lambda);
    for (int k = 0; k < 6; ++k) row.qTrial += problem.trialMetric[k] * row.design[k];
    row.weight = job.m_dWeight[i];
  }
  return problem;
}

namespace {

// Writes value on the diagonal of every slot that is not refined.
void SetUnusedDiagonal(Matrix9& matrix, double value, const ParameterMap& parameters) {
  for (int slot = 0; slot < kSlots; ++slot) {
    if (!parameters.IsRefined(slot)) matrix[slot][slot] = value;
  }
}

}  // namespace

NormalEquations::NormalEquations(int system, const ParameterMap& parameters)
    : system_(system), parameters_(parameters), size_(parameters.Size()) {}

void NormalEquations::AddRow(const double design[kSlots], double residual, double weight) {
  double u[kSlots];
  for (int k = 0; k < kSlots; ++k) u[k] = design[k] * weight;
  const double u9 = (residual * kResidualScale) * weight;
  for (int k = 0; k < size_; ++k) {
    for (int l = k; l < size_; ++l) matrix_[k][l] += u[k] * u[l];
    rhs_[k] += u9 * u[k];
  }
}

void NormalEquations::Solve() {
  const int n = size_;
  for (int k = 0; k < n; ++k)
    for (int l = k + 1; l < n; ++l) matrix_[l][k] = matrix_[k][l];
  SetUnusedDiagonal(matrix_, 1.0, parameters_);

  // Only the upper triangle of the refined block is needed: the lower one
  // is its mirror image. The slots that are not refined are identity rows;
  // eliminating the refined ones alone is a fraction of the work.
  if (!CofactorsOfRefined(matrix_, parameters_.refinedSlots, n, cofactors_))
    CofactorUpperBlock(matrix_, cofactors_, kSlots, n);
  det_ = 0.0;
  for (int k = 0; k < n; ++k) det_ += cofactors_[0][k] * matrix_[0][k];
  for (int k = 0; k < n; ++k)
    for (int l = k + 1; l < n; ++l) cofactors_[l][k] = cofactors_[k][l];
  SetUnusedDiagonal(cofactors_, 0.0, parameters_);

  for (int k = 0; k < kSlots; ++k) increments_[k] = 0.0;
  for (int k = 0; k < n; ++k) {
    double sum = 0.0;
    for (int l = 0; l < n; ++l) sum += cofactors_[k][l] * rhs_[l];
    increments_[k] = sum / (det_ * kResidualScale);
  }
  TieParameters(system_, increments_);
}

DirectCell DirectCellOf(const RefinementProblem& problem, const double increments[kSlots]) {
  double Pr[6];
  for (int k = 0; k < 6; ++k) Pr[k] = problem.trialMetric[k] + increments[k];
  DirectCell out;
  DirectCellFromMetric(Pr, problem.system, problem.trialGammaRad, out.direct, out.cell, out.volume);
  return out;
}

RefinementSolution SolveRefinementProblem(const RefinementProblem& problem) {
  NormalEquations equations(problem.system, problem.parameters);
  for (const ObservationRow& row : problem.rows) equations.AddRow(row.design, row.q - row.qTrial, row.weight);
  equations.Solve();
  RefinementSolution solution;
  solution.determinant = equations.Determinant();
  solution.cofactors = equations.Cofactors();
  for (int k = 0; k < kSlots; ++k) solution.increments[k] = equations.Increments()[k];
  solution.cell = DirectCellOf(problem, solution.increments);
  return solution;
}

}  // namespace lattrix
