// The least-squares problem of a refinement, built once from the job and
// solved once: the engine takes the run's result from the solution, and the
// diagnostics take leverages and leave-one-out values from the same problem.
//
// Each reflection gives one observation row: the design functions of the
// refined slots at its Bragg angle, and the misfit of the trial metric,
// 1/d^2(obs) - 1/d^2(trial). The normal equations of the weighted rows are
// solved for the increments of the metric (and the corrections) by
// cofactors, inverse = K / det.
#pragma once

#include <vector>

#include "engine/CohenModel.h"
#include "engine/ParameterMap.h"
#include "job/Job.h"

namespace lattrix {

struct ObservationRow {
  double twoTheta = 0.0;   // degrees, after Manual mode's known corrections
  double theta = 0.0;      // Bragg angle, radians
  double design[kSlots] = {};
  double q = 0.0;          // observed 1/d^2
  double qTrial = 0.0;     // 1/d^2 of the trial cell
  double weight = 0.0;
};

struct RefinementProblem {
  int system = kTriclinic;
  int correction = kNoCorrection;
  double wavelength = 0.0;
  double trialMetric[kSlots] = {};   // A..F of the trial cell; corrections 0
  double trialGammaRad = 0.0;
  ParameterMap parameters;           // what the system and the mode refine
  std::vector<ObservationRow> rows;  // one per reflection, in job order

  int Count() const { return static_cast<int>(rows.size()); }
  int ParameterCount() const { return parameters.Count(); }
  // Rows of the normal equations that take part (slots 0..5 always).
  int Size() const { return parameters.Size(); }
};

// The problem of the job's m_nReflections reflections. The crystal system
// and the correction mode must be valid codes.
RefinementProblem BuildRefinementProblem(const Job& job);

// Normal equations in the nine slots, built one weighted row at a time.
class NormalEquations {
 public:
  NormalEquations(int system, const ParameterMap& parameters);

  // One observation: its design row, its residual and its weight. The
  // residual enters scaled by kResidualScale, the solution unscaled again.
  void AddRow(const double design[kSlots], double residual, double weight);

  // Solves by cofactors. Afterwards the accessors below hold the solution.
  void Solve();

  double Determinant() const { return det_; }
  // Cofactors of the normal matrix over the refined block (both
  // triangles), 0 on the diagonal of unused slots: inverse = K / det.
  const Matrix9& Cofactors() const { return cofactors_; }
  // Increments of the nine slots, tied slots following the slot they follow.
  const double* Increments() const { return increments_; }

 private:
  int system_;
  ParameterMap parameters_;
  int size_;
  Matrix9 matrix_ = {};
  double rhs_[kSlots] = {};
  Matrix9 cofactors_ = {};
  double det_ = 0.0;
  double increments_[kSlots] = {};
};

// A direct cell: a, b, c and the cosines of the angles (direct), a, b, c
// and the angles in degrees (cell), and the volume.
struct DirectCell {
  double direct[6] = {};
  double cell[6] = {};
  double volume = 0.0;
};

// The direct cell of the trial metric moved by the given slot increments.
DirectCell DirectCellOf(const RefinementProblem& problem, const double increments[kSlots]);

struct RefinementSolution {
  double determinant = 0.0;
  Matrix9 cofactors = {};
  double increments[kSlots] = {};
  DirectCell cell;
};

// Every row into the normal equations, solved, mapped to the direct cell.
RefinementSolution SolveRefinementProblem(const RefinementProblem& problem);

}  // namespace lattrix
