// The covariance of the refined parameters in the units of the report: the
// direct-cell constants that the crystal system leaves free (a, b, c, alpha,
// beta, gamma in that order; A and degrees), then the zero offset (degrees
// of 2theta) and the sample displacement ssd (mm) when they are refined.
// It comes from the propagation that gives the standard deviations, so its
// diagonal holds their squares.
#pragma once

#include <string>
#include <vector>

#include "engine/CohenModel.h"
#include "engine/ParameterMap.h"

namespace lattrix {

// Pairs whose correlation reaches this size in magnitude are worth a look:
// the diagnostics list them and the Diagnostics window marks them. The cell
// constants, zero and displacement of one pattern reach it as a rule.
constexpr double kStrongCorrelation = 0.9;
// From this size on the reflections cannot tell the two parameters apart.
constexpr double kIndistinguishableCorrelation = 0.999;

struct ParameterCovariance {
  std::vector<std::string> names;
  std::vector<std::vector<double>> matrix;   // symmetric, names.size() square

  bool Empty() const { return names.empty(); }
  // The matrix normalised: r_ij = c_ij / sqrt(c_ii c_jj); NaN where a
  // variance is not a positive finite number.
  std::vector<std::vector<double>> Correlation() const;
};

// The covariance scale * propagated of the engine's quantities (CellSigmas:
// a, b, c, angles in radians, corrections in the slots' 1/d^2 units) over
// the map's reported parameters, each converted by its UnitFactor.
ParameterCovariance ReportedCovariance(const Matrix9& propagated, double scale, const ParameterMap& parameters,
                                       double wavelength, double radius);

// Two parameters (indices into names) and their correlation.
struct CorrelatedPair {
  size_t first = 0, second = 0;
  double r = 0.0;
};

// The pairs with |r| >= threshold, in the order of the matrix's upper triangle.
std::vector<CorrelatedPair> CorrelatedPairs(const ParameterCovariance& covariance, double threshold);

// One message for the pairs with |r| >= kIndistinguishableCorrelation, a line
// for each and the advice once: "zero and ssd cannot be told apart by these
// reflections (r = -0.9997) !!!\n Refine one of the two."; empty when there
// is none.
std::string IndistinguishableParametersWarning(const ParameterCovariance& covariance);

// The pairs with |r| >= kStrongCorrelation, a line each ("  zero and ssd:
// r = -0.987"), or "  none"; under a heading that names the threshold.
std::string CorrelatedPairsText(const ParameterCovariance& covariance);

}  // namespace lattrix
