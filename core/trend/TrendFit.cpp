#include "trend/TrendFit.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "calibration/LeastSquares.h"
#include "common/TextIO.h"

namespace lattrix {
namespace {

constexpr int kMaxSteps = 200;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The equations of state in their strain variable u, which needs no cube
// root: Birch-Murnaghan u = (V0/V)^(1/3), V = V0 / u^3; Vinet
// u = (V/V0)^(1/3), V = V0 u^3. p = (V0, K0, K').
double StrainOf(TrendModel model, const double p[3], double V) {
  return model == TrendModel::kVinet ? std::cbrt(V / p[0]) : std::cbrt(p[0] / V);
}

double VolumeOfStrain(TrendModel model, const double p[3], double u) {
  return model == TrendModel::kVinet ? p[0] * u * u * u : p[0] / (u * u * u);
}

// P(u) and dP/du.
double PressureOfStrain(TrendModel model, const double p[3], double u, double& dPdu) {
  const double K0 = p[1], Kp = model == TrendModel::kBirchMurnaghan2 ? 4.0 : p[2];
  if (model == TrendModel::kVinet) {
    const double eta = 1.5 * (Kp - 1.0), g = 3.0 * K0 * std::exp(eta * (1.0 - u)) / (u * u);
    dPdu = g * ((u - 2.0) / u - eta * (1.0 - u));
    return g * (1.0 - u);
  }
  const double u2 = u * u, u4 = u2 * u2, u5 = u4 * u, c = 0.75 * (Kp - 4.0);
  const double strain = u5 * u2 - u5, factor = 1.0 + c * (u2 - 1.0);
  dPdu = 1.5 * K0 * ((7.0 * u4 * u2 - 5.0 * u4) * factor + strain * 2.0 * c * u);
  return 1.5 * K0 * strain * factor;
}

// dV/dP at strain u with dP/du: dV/du = -3 V / u (Birch-Murnaghan), 3 V / u
// (Vinet).
double VolumeSlope(TrendModel model, double V, double u, double dPdu) {
  return (model == TrendModel::kVinet ? 3.0 : -3.0) * V / u / dPdu;
}

// V at pressure P by bisection, from a bracket widened until P(V) lies on
// both sides (P falls with V for any sound K0 and K').
double VolumeByBisection(TrendModel model, const double p[3], double P) {
  double slope = 0.0;
  const auto at = [&](double V) { return PressureOfStrain(model, p, StrainOf(model, p, V), slope); };
  double lo = 0.9 * p[0], hi = 1.1 * p[0];
  for (int i = 0; i < 60 && !(at(lo) >= P); ++i) lo *= 0.9;
  for (int i = 0; i < 60 && !(at(hi) <= P); ++i) hi *= 1.1;
  if (!(at(lo) >= P && at(hi) <= P)) return kNaN;
  for (int i = 0; i < 200 && hi - lo > 1e-15 * hi; ++i) {
    const double mid = 0.5 * (lo + hi);
    (at(mid) > P ? lo : hi) = mid;
  }
  return 0.5 * (lo + hi);
}

// V at pressure P by Newton's method in the strain variable from `guess` (a
// volume of nearby parameters) or else from Murnaghan's
// V0 (1 + K' P / K0)^(-1/K'), which lies close; bisection when it does not
// settle. dVdP is the model's slope at the solution.
double VolumeAt(TrendModel model, const double p[3], double P, double guess, double& dVdP) {
  const double Kp = model == TrendModel::kBirchMurnaghan2 ? 4.0 : p[2];
  const double base = 1.0 + Kp * P / p[1];
  const double start =
      guess > 0.0 && std::isfinite(guess) ? guess : base > 0.0 ? p[0] * std::pow(base, -1.0 / Kp) : p[0];
  double u = StrainOf(model, p, start), dPdu = 0.0;
  for (int i = 0; i < 30 && std::isfinite(u) && u > 0.0; ++i) {
    const double step = (PressureOfStrain(model, p, u, dPdu) - P) / dPdu;
    u -= step;
    if (std::fabs(step) <= 1e-14 * u) {
      PressureOfStrain(model, p, u, dPdu);
      const double V = VolumeOfStrain(model, p, u);
      dVdP = VolumeSlope(model, V, u, dPdu);
      return V;
    }
  }
  const double V = VolumeByBisection(model, p, P);
  u = StrainOf(model, p, V);
  PressureOfStrain(model, p, u, dPdu);
  dVdP = VolumeSlope(model, V, u, dPdu);
  return V;
}

// The model's y at x and its slope dy/dx.
double ModelAt(TrendModel model, const double p[3], double x, double t0, double guess, double& slope) {
  if (model != TrendModel::kThermal) return VolumeAt(model, p, x, guess, slope);
  const double y = p[0] * std::exp(p[1] * (x - t0) + p[2] * (x * x - t0 * t0) / 2.0);
  slope = y * (p[1] + p[2] * x);
  return y;
}

// The least-squares problem: free parameters q (V0, K0[, K'] or V0,
// alpha0, alpha1) and the weighted residuals of the points.
struct Problem {
  const std::vector<TrendPoint>& points;
  TrendOptions options;
  bool cubed;  // a length fitted as its cube

  size_t Free() const { return options.model == TrendModel::kBirchMurnaghan2 ? 2 : 3; }
  double Y(const TrendPoint& t) const { return cubed ? t.y * t.y * t.y : t.y; }
  double SigmaY(const TrendPoint& t) const { return cubed ? 3.0 * t.y * t.y * t.sigmaY : t.sigmaY; }
  void Full(const std::vector<double>& q, double p[3]) const {
    p[0] = q[0], p[1] = q[1], p[2] = Free() == 3 ? q[2] : 4.0;
  }
  // Effective-variance residuals and the model's values at the points
  // (Newton starts from `guess` when given); false when the model has no
  // value at a point.
  bool Residuals(const std::vector<double>& q, std::vector<double>& r, std::vector<double>& models,
                 const std::vector<double>* guess = nullptr) const {
    double p[3];
    Full(q, p);
    r.resize(points.size());
    models.resize(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
      const TrendPoint& t = points[i];
      double slope = 0.0;
      models[i] = ModelAt(options.model, p, t.x, options.t0, guess ? (*guess)[i] : kNaN, slope);
      const double sx = t.sigmaX > 0.0 ? slope * t.sigmaX : 0.0;
      const double s = std::sqrt(SigmaY(t) * SigmaY(t) + sx * sx);
      r[i] = (Y(t) - models[i]) / s;
      if (!std::isfinite(r[i])) return false;
    }
    return true;
  }
  // Forward differences from the residuals r and model values at q.
  bool Jacobian(const std::vector<double>& q, const std::vector<double>& r, const std::vector<double>& models,
                std::vector<std::vector<double>>& J) const {
    std::vector<double> up, unused;
    J.assign(points.size(), std::vector<double>(q.size()));
    for (size_t k = 0; k < q.size(); ++k) {
      std::vector<double> a = q;
      const double h = 1e-7 * std::max(std::fabs(q[k]), 1e-6);
      a[k] += h;
      if (!Residuals(a, up, unused, &models)) return false;
      for (size_t i = 0; i < points.size(); ++i) J[i][k] = (up[i] - r[i]) / h;
    }
    return true;
  }
};

double SumOfSquares(const std::vector<double>& r) {
  double s = 0.0;
  for (double v : r) s += v * v;
  return s;
}

// Starting values: V0 the point nearest x = 0 (T0), K0 from the steepest
// secant, K' 4; alpha0 from the end points, alpha1 0.
std::vector<double> Start(const Problem& problem) {
  const auto& pts = problem.points;
  const TrendModel model = problem.options.model;
  const double x0 = IsEquationOfState(model) ? 0.0 : problem.options.t0;
  size_t nearest = 0, lo = 0, hi = 0;
  for (size_t i = 0; i < pts.size(); ++i) {
    if (std::fabs(pts[i].x - x0) < std::fabs(pts[nearest].x - x0)) nearest = i;
    if (pts[i].x < pts[lo].x) lo = i;
    if (pts[i].x > pts[hi].x) hi = i;
  }
  const double y0 = problem.Y(pts[nearest]), ylo = problem.Y(pts[lo]), yhi = problem.Y(pts[hi]);
  const double dx = pts[hi].x - pts[lo].x;
  if (IsEquationOfState(model)) {
    double K0 = dx > 0.0 && ylo > yhi ? 0.5 * (ylo + yhi) * dx / (ylo - yhi) : 100.0;
    std::vector<double> q = {y0 * 1.0, K0, 4.0};
    q.resize(problem.Free());
    return q;
  }
  const double alpha = dx > 0.0 ? std::log(yhi / ylo) / dx : 0.0;
  return {y0, alpha, 0.0};
}

// Levenberg-Marquardt from the starting values; false after kMaxSteps.
bool Minimise(const Problem& problem, std::vector<double>& q, int& steps) {
  std::vector<double> r, models, nextModels;
  if (!problem.Residuals(q, r, models)) return false;
  double chi2 = SumOfSquares(r), lambda = 1e-3;
  for (steps = 1; steps <= kMaxSteps; ++steps) {
    std::vector<std::vector<double>> J;
    if (!problem.Jacobian(q, r, models, J)) return false;
    const int n = static_cast<int>(r.size()), m = static_cast<int>(q.size());
    std::vector<double> scale(q.size(), 0.0);
    for (int i = 0; i < n; ++i)
      for (int a = 0; a < m; ++a) scale[a] += J[i][a] * J[i][a];
    bool moved = false;
    for (int attempt = 0; attempt < 30 && !moved; ++attempt, lambda *= 10.0) {
      // The damped Gauss-Newton step of |r + J s|^2 as the least-squares
      // solution of J s = -r with the rows sqrt(lambda (J'J)_aa) s_a = 0
      // below: (J'J + lambda diag J'J) s = -J'r.
      Matrix X(n + m, m);
      std::vector<double> y(static_cast<size_t>(n + m), 0.0), s, unused;
      for (int i = 0; i < n; ++i) {
        for (int a = 0; a < m; ++a) X(i, a) = J[i][a];
        y[i] = -r[i];
      }
      for (int a = 0; a < m; ++a) X(n + a, a) = std::sqrt(lambda * scale[a]);
      Matrix inverse;
      std::string message;
      if (SolveNormalEquations(0.0, X, y, s, inverse, message) != kFitOk) continue;
      // A step below the parameters' last digits cannot lower chi^2 any
      // more: the minimum is reached.
      bool negligible = true;
      for (int a = 0; a < m; ++a) negligible = negligible && std::fabs(s[a]) <= 1e-12 * std::fabs(q[a]);
      if (negligible) return true;
      std::vector<double> next = q, rn;
      for (int a = 0; a < m; ++a) next[a] += s[a];
      if (!problem.Residuals(next, rn, nextModels, &models)) continue;
      const double c = SumOfSquares(rn);
      if (c <= chi2) {
        const bool done = chi2 - c <= 1e-12 * std::max(chi2, 1e-300);
        q = next, r = rn, chi2 = c, moved = true;
        models.swap(nextModels);
        lambda = std::max(lambda / 100.0, 1e-12);
        if (done) return true;
      }
    }
    if (!moved) return true;  // no step lowers chi^2: at the minimum
  }
  return false;
}

}  // namespace

bool IsEquationOfState(TrendModel model) { return model != TrendModel::kThermal; }

bool FitsCube(const TrendOptions& options) { return options.length && IsEquationOfState(options.model); }

bool ParseTrendModel(const std::string& name, TrendModel& out) {
  static const std::pair<const char*, TrendModel> names[] = {{"bm2", TrendModel::kBirchMurnaghan2},
                                                              {"bm3", TrendModel::kBirchMurnaghan3},
                                                              {"vinet", TrendModel::kVinet},
                                                              {"thermal", TrendModel::kThermal}};
  for (const auto& entry : names)
    if (name == entry.first) return out = entry.second, true;
  return false;
}

const char* TrendModelName(TrendModel model) {
  switch (model) {
    case TrendModel::kBirchMurnaghan2: return "bm2";
    case TrendModel::kBirchMurnaghan3: return "bm3";
    case TrendModel::kVinet: return "vinet";
    default: return "thermal";
  }
}

const char* TrendParameterUnit(const std::string& name, bool ascii) {
  if (name == "V0") return ascii ? "A^3" : "Å³";
  if (name == "a0") return ascii ? "A" : "Å";
  if (name == "K0" || name == "M0") return "GPa";
  if (name == "alpha0") return "1/K";
  if (name == "alpha1") return ascii ? "1/K^2" : "1/K²";
  return "";
}

StrainPoint StrainAt(double V0, double V, double sigmaV, double P, double sigmaP) {
  StrainPoint s;
  const double r23 = std::pow(V0 / V, 2.0 / 3.0);
  s.f = (r23 - 1.0) / 2.0;
  s.sigmaF = r23 / (3.0 * V) * sigmaV;
  const double denominator = 3.0 * s.f * std::pow(1.0 + 2.0 * s.f, 2.5);
  s.F = P / denominator;
  // F by P and by V (through f): dF/df = -F (1/f + 5/(1+2f)).
  const double dFdf = -s.F * (1.0 / s.f + 5.0 / (1.0 + 2.0 * s.f));
  s.sigmaBigF = std::sqrt(std::pow(sigmaP / denominator, 2) + std::pow(dFdf * s.sigmaF, 2));
  if (!(s.f != 0.0)) s.F = s.sigmaBigF = kNaN;
  return s;
}

double TrendModelValue(TrendModel model, const double p[3], double x, double t0) {
  double slope = 0.0;
  return ModelAt(model, p, x, t0, kNaN, slope);
}

TrendFit FitTrend(const std::vector<TrendPoint>& points, const TrendOptions& options) {
  TrendFit fit;
  const bool cubed = FitsCube(options);
  const Problem problem{points, options, cubed};
  const size_t free = problem.Free();
  fit.n = static_cast<int>(points.size());
  fit.dof = fit.n - static_cast<int>(free);
  if (points.size() < free + 1) {
    fit.message = Format("%d refined points with an x value for %zu parameters: at least %zu are needed !!!",
                         fit.n, free, free + 1);
    return fit;
  }
  for (const TrendPoint& t : points) {
    if (!(t.y > 0.0) || !(t.sigmaY > 0.0) || !std::isfinite(t.y) || !std::isfinite(t.sigmaY)) {
      fit.message = PrintableText(t.file, 200) + Format(": %s %.10g with s.u. %.3g cannot be fitted: it must be a "
                                                        "positive number with a positive s.u. !!!",
                                                        options.length ? "the length" : "the volume", t.y, t.sigmaY);
      return fit;
    }
  }
  std::vector<double> q = Start(problem);
  if (!Minimise(problem, q, fit.iterations)) {
    fit.message = Format("The %s fit did not converge after %d steps !!!", TrendModelName(options.model),
                         std::min(fit.iterations, kMaxSteps));
    return fit;
  }
  std::vector<double> r, models, unused;
  std::vector<std::vector<double>> J;
  problem.Residuals(q, r, models);
  problem.Jacobian(q, r, models, J);
  fit.chi2Reduced = SumOfSquares(r) / fit.dof;
  Matrix X(fit.n, static_cast<int>(free)), inverse;
  for (int i = 0; i < fit.n; ++i)
    for (size_t a = 0; a < free; ++a) X(i, static_cast<int>(a)) = J[static_cast<size_t>(i)][a];
  std::string rankMessage;
  if (SolveNormalEquations(0.0, X, r, unused, inverse, rankMessage) != kFitOk) {
    fit.message = "The points do not determine every parameter of the fit !!!";
    return fit;
  }
  double* p = fit.modelParameters;
  problem.Full(q, p);
  for (size_t i = 0; i < points.size(); ++i) {
    fit.fit.push_back(cubed ? std::cbrt(models[i]) : models[i]);
    fit.residual.push_back(points[i].y - fit.fit.back());
  }
  // Report units: a length's cube gives a0 = V0^(1/3), M0 = 3 K0, M' = 3 K'.
  std::vector<double> scale(free, 1.0);
  if (IsEquationOfState(options.model)) {
    fit.names = cubed ? std::vector<std::string>{"a0", "M0", "Mp"} : std::vector<std::string>{"V0", "K0", "Kp"};
    if (cubed) scale = {1.0 / (3.0 * std::cbrt(q[0]) * std::cbrt(q[0])), 3.0, 3.0};
  } else {
    fit.names = options.length ? std::vector<std::string>{"a0", "alpha0", "alpha1"}
                               : std::vector<std::string>{"V0", "alpha0", "alpha1"};
  }
  fit.names.resize(free);
  scale.resize(free);
  fit.covariance.assign(free, std::vector<double>(free, 0.0));
  for (size_t a = 0; a < free; ++a) {
    fit.values.push_back(cubed && a == 0 ? std::cbrt(q[0]) : q[a] * (cubed ? scale[a] : 1.0));
    for (size_t b = 0; b < free; ++b)
      fit.covariance[a][b] = inverse(static_cast<int>(a), static_cast<int>(b)) * fit.chi2Reduced * scale[a] * scale[b];
    fit.sigmas.push_back(std::sqrt(fit.covariance[a][a]));
  }
  if (IsEquationOfState(options.model)) {
    for (const TrendPoint& t : points) fit.strain.push_back(StrainAt(p[0], problem.Y(t), problem.SigmaY(t), t.x, t.sigmaX));
  }
  fit.ok = true;
  return fit;
}

}  // namespace lattrix
