#include "TrendCommand.h"

#include <cmath>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "ResultFile.h"
#include "common/TextIO.h"
#include "results/CifWriter.h"

namespace lattrix {
namespace {

using ordered_json = nlohmann::ordered_json;

ordered_json Number(double v) { return std::isfinite(v) ? ordered_json(v) : ordered_json(nullptr); }

std::string FitJson(const TrendCommand& command, const TrendFit& fit, const std::vector<TrendPoint>& points,
                    const std::string& xName) {
  ordered_json root;
  root["model"] = TrendModelName(command.options.model);
  root["quantity"] = command.quantity;
  root["x_name"] = PrintableLine(xName);
  ordered_json parameters = ordered_json::object();
  for (size_t k = 0; k < fit.names.size(); ++k)
    parameters[fit.names[k]] = {{"value", Number(fit.values[k])}, {"sigma", Number(fit.sigmas[k])}};
  root["parameters"] = parameters;
  ordered_json matrix = ordered_json::array();
  for (const auto& row : fit.covariance) {
    ordered_json r = ordered_json::array();
    for (double v : row) r.push_back(Number(v));
    matrix.push_back(r);
  }
  root["covariance"] = {{"parameters", fit.names}, {"matrix", matrix}};
  root["chi2_reduced"] = Number(fit.chi2Reduced);
  root["n"] = fit.n;
  root["dof"] = fit.dof;
  ordered_json rows = ordered_json::array();
  for (size_t i = 0; i < points.size(); ++i) {
    ordered_json p = {{"file", PrintableLine(points[i].file)}, {"x", Number(points[i].x)}, {"y", Number(points[i].y)},
                      {"sigma_y", Number(points[i].sigmaY)}, {"fit", Number(fit.fit[i])},
                      {"residual", Number(fit.residual[i])}};
    if (i < fit.strain.size()) {
      p["f"] = Number(fit.strain[i].f), p["sigma_f"] = Number(fit.strain[i].sigmaF);
      p["F"] = Number(fit.strain[i].F), p["sigma_F"] = Number(fit.strain[i].sigmaBigF);
    }
    rows.push_back(p);
  }
  root["points"] = rows;
  return root.dump(2) + "\n";
}

}  // namespace

int TrendQuantityOf(const TrendCommand& command) {
  const std::string& q = command.quantity;
  return q == "a" ? kSeriesA : q == "b" ? kSeriesB : q == "c" ? kSeriesC : kSeriesVolume;
}

bool RunTrendFit(const TrendCommand& command, const std::vector<TrendPoint>& points, const std::string& xName,
                 bool talk, MessageSink& sink) {
  const TrendFit fit = FitTrend(points, command.options);
  if (!fit.ok) {
    sink.Show(fit.message);
    return false;
  }
  if (talk) {
    std::string t = Format("Fit            : %s of %s against %s, %d points, %d degrees of freedom, chi2/dof %.3f\n",
                           TrendModelName(command.options.model), command.quantity.c_str(),
                           PrintableLine(xName).c_str(), fit.n, fit.dof, fit.chi2Reduced);
    for (size_t k = 0; k < fit.names.size(); ++k)
      t += Format("  %-6s = %s %s\n", fit.names[k].c_str(), ReadableValueWithSu(fit.values[k], fit.sigmas[k]).c_str(),
                  TrendParameterUnit(fit.names[k], true));
    std::fputs(t.c_str(), stdout);
  }
  return command.jsonPath.empty() || EmitResult(FitJson(command, fit, points, xName), command.jsonPath, sink);
}

}  // namespace lattrix
