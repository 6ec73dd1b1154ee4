// The trend of a series: an equation of state V(P) or a thermal expansion
// V(T) fitted to the refined points by weighted least squares, each point
// weighted by the standard uncertainty of its fitted quantity and, when x
// has one, by effective variance (the model's slope times the s.u. of x).
//
// Models (pressure in GPa, temperature in K, volume in A^3):
//   bm3     P = 3 K0 / 2 [(V0/V)^(7/3) - (V0/V)^(5/3)] [1 + 3/4 (K' - 4) ((V0/V)^(2/3) - 1)]
//   bm2     the same with K' = 4
//   vinet   P = 3 K0 (1 - e) / e^2 exp(3/2 (K' - 1)(1 - e)), e = (V/V0)^(1/3)
//   thermal V = V0 exp(alpha0 (T - T0) + alpha1 (T^2 - T0^2) / 2)
// (Birch 1947; Vinet et al. 1987; the forms and the normalised pressure as
// in Angel, Rev. Mineral. Geochem. 41, 2000.) The equations of state give V
// at each P by solving P(V) = P; a cell length fitted as its cube gives the
// axis' linear modulus M0 = 3 K0 and M' = 3 K'.
#pragma once

#include <string>
#include <vector>

namespace lattrix {

enum class TrendModel { kBirchMurnaghan2, kBirchMurnaghan3, kVinet, kThermal };

// "bm2", "bm3", "vinet", "thermal"; false for another name.
bool ParseTrendModel(const std::string& name, TrendModel& out);
const char* TrendModelName(TrendModel model);

struct TrendPoint {
  std::string file;
  double x = 0.0;
  double sigmaX = 0.0;   // 0: x exact
  double y = 0.0;        // the volume, or a cell length
  double sigmaY = 0.0;
};

struct TrendOptions {
  TrendModel model = TrendModel::kBirchMurnaghan3;
  // The fitted quantity is a cell length (a, b or c), not the volume: an
  // equation of state is fitted to its cube, the thermal expansion to the
  // length itself.
  bool length = false;
  double t0 = 298.15;    // reference temperature of the thermal model, K
};

// The normalised pressure F = P / (3 f (1 + 2 f)^(5/2)) against the Eulerian
// strain f = ((V0 / V)^(2/3) - 1) / 2 of one point, with s.u.'s.
struct StrainPoint {
  double f = 0.0, sigmaF = 0.0;
  double F = 0.0, sigmaBigF = 0.0;   // NaN at f = 0 (P = 0)
};

struct TrendFit {
  bool ok = false;
  std::string message;            // why the fit was refused
  std::vector<std::string> names; // V0 K0 Kp, V0 alpha0 alpha1, or M0 Mp a0 ...
  std::vector<double> values, sigmas;
  std::vector<std::vector<double>> covariance;  // scaled by the goodness of fit
  double chi2Reduced = 0.0;
  int n = 0, dof = 0, iterations = 0;
  std::vector<double> fit, residual;            // model and y - model at each point
  std::vector<StrainPoint> strain;               // equations of state only
  // The parameters as TrendModelValue takes them: (V0, K0, K') or (V0,
  // alpha0, alpha1), of the cube for a length fitted with an equation of state.
  double modelParameters[3] = {};
};

// Pressure models (bm2, bm3, vinet), not the thermal one.
bool IsEquationOfState(TrendModel model);
// A length fitted with an equation of state: the model is fitted to its cube.
bool FitsCube(const TrendOptions& options);

// Fits the model to the points. Refused (ok false, a message, no numbers):
// fewer points than parameters + 1, a volume or length that is not
// positive, a fit that does not converge.
TrendFit FitTrend(const std::vector<TrendPoint>& points, const TrendOptions& options);

// The unit of a fitted parameter (V0, a0, K0, M0, alpha0, alpha1; none for
// K' and M'): in Unicode ("Å³") or, for plain-text output, in ASCII ("A^3").
const char* TrendParameterUnit(const std::string& name, bool ascii);

// The Eulerian strain and normalised pressure of a volume V (s.u. sigmaV)
// at pressure P (s.u. sigmaP) for the zero-pressure volume V0.
StrainPoint StrainAt(double V0, double V, double sigmaV, double P, double sigmaP);

// The model's y at x for parameters (V0, K0, K') or (V0, alpha0, alpha1) of
// the volume form; NaN where it has none.
double TrendModelValue(TrendModel model, const double p[3], double x, double t0);

}  // namespace lattrix
