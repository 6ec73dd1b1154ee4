#include "series/TrendPlot.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/TextIO.h"
#include "results/CifWriter.h"

namespace lattrix {

namespace {

constexpr int kCurveSamples = 200;

// The x range of the points with 4 % room each side, sampled evenly.
std::vector<double> SampleX(const std::vector<TrendPoint>& points) {
  double lo = points.front().x, hi = lo;
  for (const TrendPoint& t : points) lo = std::min(lo, t.x), hi = std::max(hi, t.x);
  const double room = (hi - lo) * 0.04;
  std::vector<double> xs;
  for (int i = 0; i <= kCurveSamples; ++i) xs.push_back(lo - room + (hi - lo + 2 * room) * i / kCurveSamples);
  return xs;
}

}  // namespace

const char* TrendModelTitle(TrendModel model) {
  switch (model) {
    case TrendModel::kBirchMurnaghan2: return "BM2";
    case TrendModel::kBirchMurnaghan3: return "BM3";
    case TrendModel::kVinet: return "Vinet";
    default: return "Thermal";
  }
}

bool IsTrendQuantity(int quantity) {
  return quantity == kSeriesVolume || quantity == kSeriesA || quantity == kSeriesB || quantity == kSeriesC;
}

bool TrendPointOf(const SeriesRow& row, int quantity, TrendPoint& point) {
  if (!row.refined || !row.hasX) return false;
  point = {row.file, row.x, row.sigmaX, row.value[quantity], row.sigma[quantity]};
  return true;
}

std::vector<TrendPoint> TrendPointsOf(const std::vector<SeriesRow>& rows, int quantity) {
  std::vector<TrendPoint> points;
  TrendPoint point;
  for (const SeriesRow& row : rows)
    if (TrendPointOf(row, quantity, point)) points.push_back(point);
  return points;
}

SeriesTrend FitSeriesTrend(const std::vector<SeriesRow>& rows, int quantity, TrendModel model, double t0) {
  SeriesTrend trend;
  trend.quantity = quantity;
  trend.options.model = model;
  trend.options.t0 = t0;
  trend.options.length = quantity != kSeriesVolume;
  if (!IsTrendQuantity(quantity)) {
    trend.fit.message = std::string("A trend is fitted to the volume or a cell length (a, b or c), not to ") +
                        SeriesQuantityName(quantity) + ".";
    return trend;
  }
  trend.points = TrendPointsOf(rows, quantity);
  trend.fit = FitTrend(trend.points, trend.options);
  return trend;
}

double TrendCurveValue(const SeriesTrend& trend, double x) {
  if (!trend.fit.ok) return std::numeric_limits<double>::quiet_NaN();
  const double y = TrendModelValue(trend.options.model, trend.fit.modelParameters, x, trend.options.t0);
  return FitsCube(trend.options) ? std::cbrt(y) : y;
}

std::vector<std::string> TrendFitLines(const SeriesTrend& trend, const std::string& xName) {
  const TrendFit& fit = trend.fit;
  if (!fit.ok) return {fit.message};
  std::vector<std::string> lines = {std::string(TrendModelTitle(trend.options.model)) + " fit of " +
                                    SeriesQuantityName(trend.quantity) + " against " + xName};
  if (trend.options.model == TrendModel::kThermal) lines.back() += Format(", T0 = %g K", trend.options.t0);
  for (size_t k = 0; k < fit.names.size(); ++k) {
    const std::string unit = TrendParameterUnit(fit.names[k], false);
    lines.push_back(fit.names[k] + " = " + ReadableValueWithSu(fit.values[k], fit.sigmas[k]) +
                    (unit.empty() ? "" : " " + unit));
  }
  lines.push_back(Format("chi2_reduced = %.3g", fit.chi2Reduced));
  lines.push_back(Format("n = %d, dof = %d", fit.n, fit.dof));
  return lines;
}

void AddTrendToPlot(const SeriesTrend& trend, const std::string& xName, SeriesPlot& plot) {
  if (!trend.fit.ok) {
    plot.note = trend.fit.message;
    return;
  }
  plot.box = TrendFitLines(trend, xName);
  if (trend.points.empty()) return;
  for (double x : SampleX(trend.points)) plot.curve.push_back({x, TrendCurveValue(trend, x)});
  for (size_t i = 0; i < trend.points.size() && i < trend.fit.residual.size(); ++i) {
    const TrendPoint& t = trend.points[i];
    plot.residuals.push_back({t.x, trend.fit.residual[i], t.sigmaY, t.sigmaX});
  }
}

SeriesPlot MakeStrainPlot(const SeriesTrend& trend) {
  SeriesPlot plot;
  plot.title = "F against f";
  plot.xTitle = "f (Eulerian strain)";
  plot.yTitle = "F / GPa";
  if (!trend.fit.ok || !IsEquationOfState(trend.options.model)) {
    plot.note = trend.fit.ok ? "The F-f plot belongs to an equation of state (BM2, BM3 or Vinet)."
                             : trend.fit.message;
    return plot;
  }
  // F is 0 / 0 at P = 0: such a point has no place on the plot.
  for (size_t i = 0; i < trend.fit.strain.size() && i < trend.points.size(); ++i) {
    const StrainPoint& s = trend.fit.strain[i];
    if (trend.points[i].x != 0.0 && std::isfinite(s.F)) plot.points.push_back({s.f, s.F, s.sigmaBigF, s.sigmaF});
  }
  const double* p = trend.fit.modelParameters;
  if (trend.points.empty()) return plot;
  for (double P : SampleX(trend.points)) {
    const StrainPoint s = StrainAt(p[0], TrendModelValue(trend.options.model, p, P, trend.options.t0), 0.0, P, 0.0);
    plot.curve.push_back({s.f, s.F});
  }
  // Pressure falls as f grows: the curve runs in f's order.
  std::reverse(plot.curve.begin(), plot.curve.end());
  return plot;
}

}  // namespace lattrix
