#include "engine/Covariance.h"

#include <cmath>
#include <limits>

#include "common/TextIO.h"

namespace lattrix {

namespace {

// The square roots of the variances; NaN where a variance is not a positive
// finite number.
std::vector<double> StandardDeviations(const ParameterCovariance& covariance) {
  const size_t n = covariance.names.size();
  std::vector<double> root(n);
  for (size_t i = 0; i < n; ++i) {
    const double v = covariance.matrix[i][i];
    root[i] = v > 0.0 && std::isfinite(v) ? std::sqrt(v) : std::numeric_limits<double>::quiet_NaN();
  }
  return root;
}

// r_ij from the standard deviations `root`.
double CorrelationOf(const ParameterCovariance& covariance, const std::vector<double>& root, size_t i, size_t j) {
  // Rounding may carry a perfect correlation a hair beyond 1.
  const double v = i == j ? root[i] / root[i] : covariance.matrix[i][j] / (root[i] * root[j]);
  return std::isnan(v) ? v : std::fmax(-1.0, std::fmin(1.0, v));
}

}  // namespace

std::vector<std::vector<double>> ParameterCovariance::Correlation() const {
  const size_t n = names.size();
  const std::vector<double> root = StandardDeviations(*this);
  std::vector<std::vector<double>> r(n, std::vector<double>(n));
  for (size_t i = 0; i < n; ++i)
    for (size_t j = 0; j < n; ++j) r[i][j] = CorrelationOf(*this, root, i, j);
  return r;
}

ParameterCovariance ReportedCovariance(const Matrix9& propagated, double scale, const ParameterMap& parameters,
                                       double wavelength, double radius) {
  ParameterCovariance out;
  std::vector<double> factor;
  out.names.reserve(parameters.reported.size());
  factor.reserve(parameters.reported.size());
  for (const ReportedParameter& p : parameters.reported) {
    out.names.push_back(p.name);
    factor.push_back(UnitFactor(p.unit, wavelength, radius));
  }
  const ReportedParameters& entries = parameters.reported;
  const size_t n = entries.size();
  out.matrix.assign(n, std::vector<double>(n));
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = i; j < n; ++j) {
      const double c = scale * propagated[entries[i].slot][entries[j].slot];
      out.matrix[i][j] = out.matrix[j][i] = c * factor[i] * factor[j];
    }
  }
  return out;
}

std::vector<CorrelatedPair> CorrelatedPairs(const ParameterCovariance& covariance, double threshold) {
  std::vector<CorrelatedPair> pairs;
  const std::vector<double> root = StandardDeviations(covariance);
  for (size_t i = 0; i < root.size(); ++i) {
    for (size_t j = i + 1; j < root.size(); ++j) {
      const double r = CorrelationOf(covariance, root, i, j);
      if (std::fabs(r) >= threshold) pairs.push_back({i, j, r});
    }
  }
  return pairs;
}

std::string IndistinguishableParametersWarning(const ParameterCovariance& covariance) {
  const std::vector<CorrelatedPair> pairs = CorrelatedPairs(covariance, kIndistinguishableCorrelation);
  if (pairs.empty()) return std::string();
  std::string text;
  for (const CorrelatedPair& p : pairs)
    text += Format("%s and %s cannot be told apart by these reflections (r = %.4f) !!!\n",
                   covariance.names[p.first].c_str(), covariance.names[p.second].c_str(), p.r);
  return text + (pairs.size() == 1 ? " Refine one of the two." : " Refine one parameter of each pair.");
}

std::string CorrelatedPairsText(const ParameterCovariance& covariance) {
  std::string text = Format("Correlated parameters (|r| >= %g)\n", kStrongCorrelation);
  const std::vector<CorrelatedPair> pairs = CorrelatedPairs(covariance, kStrongCorrelation);
  for (const CorrelatedPair& p : pairs)
    text += Format("  %s and %s: r = %.3f\n", covariance.names[p.first].c_str(),
                   covariance.names[p.second].c_str(), p.r);
  return pairs.empty() ? text + "  none\n" : text;
}

}  // namespace lattrix
