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

namespace lattrix {

// Two refined parameters whose correlation reaches this size in magnitude
// are not determined independently by the pattern.
constexpr double kStrongCorrelation = 0.95;

struct ParameterCovariance {
  std::vector<std::string> names;
  std::vector<std::vector<double>> matrix;   // symmetric, names.size() square

  bool Empty() const { return names.empty(); }
  // The matrix normalised: r_ij = c_ij / sqrt(c_ii c_jj); NaN where a
  // variance is not a positive finite number.
  std::vector<std::vector<double>> Correlation() const;
};

// The covariance scale * propagated of the engine's quantities (CellSigmas:
// a, b, c, angles in radians, corrections in the slots' 1/d^2 units)
// converted as the engine converts the standard deviations: angles by
// 1 / kDegToRad, the zero offset by -kDeg lambda^2/4 (its value is minus the
// slot's), ssd by R lambda^2/4; correction mode 4 solves ssd in slot 6.
ParameterCovariance ReportedCovariance(const Matrix9& propagated, double scale, int system, int correction,
                                       double wavelength, double radius);

// One message, a line for each pair of parameters with |r| >=
// kStrongCorrelation: "zero and ssd correlate strongly (r = -0.987): their
// values are not independent." for one pair; empty when there is none.
std::string StrongCorrelationWarning(const ParameterCovariance& covariance);

}  // namespace lattrix
