// Cohen's least-squares refinement of the cell from indexed 2theta values.
//
// One linear solve in the reciprocal metric (A..F) and up to two 2theta
// corrections. The engine computes; the run step writes the report.
#pragma once

#include <string>
#include <vector>

#include "common/MessageSink.h"
#include "engine/Covariance.h"
#include "engine/RefinementProblem.h"
#include "job/Job.h"

namespace lattrix {

// Per-reflection values of a run, as the report's list of d-spacings shows them.
struct ReflectionResult {
  int h = 0, k = 0, l = 0;
  double twoThetaRaw = 0.0;   // 2thorg
  double twoThetaObs = 0.0;   // 2thobs
  double twoThetaCor = 0.0;   // 2thcor
  double twoThetaCal = 0.0;   // 2thcal
  double del2Theta = 0.0;     // 2thorg - 2thcal
  double dObs = 0.0;
  double dCal = 0.0;
  double dDif = 0.0;
  double weight = 0.0;
};

// What a run computed beyond the job's result fields.
struct RefinementOutcome {
  // The refinement ran (false only for a refused crystal system or
  // correction code).
  bool refined = false;
  std::vector<ReflectionResult> reflections;
  double sumDelta = 0.0;   // sum of (2thcal - 2thcor)
  double sdDelta = 0.0;    // its standard deviation, N - 1 in the divisor
  int degreesOfFreedom = 0;
  // The reflections do not determine every refined parameter (a singular
  // normal matrix), or the results hold numbers that are not finite: the
  // report is written, but no value of the run may pass for a result.
  bool undefined = false;
  std::vector<std::string> warnings;
  // Covariance of the refined cell constants and corrections (report units).
  ParameterCovariance covariance;
  // The least-squares problem the run solved (for the diagnostics).
  RefinementProblem problem;
};

// The 2theta (degrees) of reflection i as the refinement uses it: in Manual
// mode the observed value corrected by the known zero, displacement and
// absorption; in every other mode the observed value itself.
double CorrectedTwoTheta(const Job& job, int i);

// Refines the job: the refined cell, its standard deviations, the volume and
// the corrections go into the job's result fields, everything else into
// the outcome, among it the warnings (singular normal matrix, no degrees of
// freedom, non-finite results, a trial cell that breaks its system's
// equalities, parameters the reflections cannot tell apart) for the caller
// to show once the report is written. Opens no file. A crystal system or
// correction code out of range is refused with a message (refined false).
RefinementOutcome RefineCell(Job& job, MessageSink& sink);

}  // namespace lattrix
