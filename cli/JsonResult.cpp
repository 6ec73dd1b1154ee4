#include "JsonResult.h"

#include "LattrixVersion.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <nlohmann/json.hpp>

#include "common/TextIO.h"

namespace lattrix {
namespace {

using nlohmann::ordered_json;

// JSON has no NaN or infinity: such a value is unknown, null.
ordered_json Number(double value) {
  if (!std::isfinite(value)) return nullptr;
  return value;
}

ordered_json Cell(const double cell[6]) {
  ordered_json out;
  for (int j = 0; j < 6; ++j) out[CellConstantName(j)] = Number(cell[j]);
  return out;
}

ordered_json ValueAndSigma(double value, double sigma) {
  return {{"value", Number(value)}, {"sigma", Number(sigma)}};
}

ordered_json NamedMatrix(const std::vector<std::string>& names, const std::vector<std::vector<double>>& matrix) {
  ordered_json rows = ordered_json::array();
  for (const std::vector<double>& row : matrix) {
    ordered_json values = ordered_json::array();
    for (double v : row) values.push_back(Number(v));
    rows.push_back(std::move(values));
  }
  return {{"parameters", names}, {"matrix", std::move(rows)}};
}

std::string Dump(const ordered_json& root) {
  // Bytes that are not UTF-8 (a title in another encoding) become U+FFFD
  // rather than an exception.
  return root.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

ordered_json InputsJson(const Job& job) {
  ordered_json inputs;
  inputs["title"] = PrintableLine(job.m_strTitle);
  inputs["input_file"] = job.m_strInputPath;
  inputs["crystal_system"] = {{"code", job.m_nCrystalSystem}, {"name", CrystalSystemName(job.m_nCrystalSystem)}};
  inputs["correction"] = {{"code", job.m_nCorrection}, {"name", CorrectionName(job.m_nCorrection)}};
  inputs["weighting"] = {{"code", job.m_nWeighting}, {"name", WeightingName(job.m_nWeighting)}};
  inputs["wavelength"] = Number(job.m_dWavelength);
  inputs["goniometer_radius"] = Number(job.m_dGonioRadius);
  inputs["calibrated"] = job.m_bInternalStd == 1;
  // Manual mode's known corrections stay in the job through the run.
  if (job.m_nCorrection == kManual)
    inputs["known_corrections"] = {{"zero", Number(job.m_dZero)}, {"ssd", Number(job.m_dDisp)},
                                   {"emu", Number(job.m_dEmu)}};
  else
    inputs["known_corrections"] = nullptr;
  inputs["trial_cell"] = Cell(job.m_dCell);
  ordered_json rows = ordered_json::array();
  for (int i = 0; i < job.m_nReflections; ++i) {
    rows.push_back({{"h", job.m_nH[i]},
                    {"k", job.m_nK[i]},
                    {"l", job.m_nL[i]},
                    {"two_theta", Number(job.m_dTwoTheta[i])},
                    {"two_theta_file", Number(job.m_dTwoThetaRaw[i])},
                    {"weight", Number(job.m_dWeight[i])}});
  }
  inputs["reflections"] = std::move(rows);
  return inputs;
}

ordered_json ResultJson(const Job& job, const RefinementOutcome& outcome) {
  ordered_json result;
  result["cell"] = Cell(job.m_dRefinedCell);
  result["cell_sigma"] = Cell(job.m_dCellSigma);
  result["volume"] = Number(job.m_dVolume);
  result["volume_sigma"] = Number(job.m_dVolumeSigma);
  result["zero"] = ValueAndSigma(job.m_dZero, job.m_dZeroSigma);
  result["ssd"] = ValueAndSigma(job.m_dDisp, job.m_dDispSigma);
  result["emu"] = ValueAndSigma(job.m_dEmu, job.m_dEmuSigma);
  result["degrees_of_freedom"] = outcome.degreesOfFreedom;
  result["sum_delta_two_theta"] = Number(outcome.sumDelta);
  result["sd_delta_two_theta"] = Number(outcome.sdDelta);
  result["report_file"] = job.m_strReportPath.empty() ? ordered_json() : ordered_json(job.m_strReportPath);
  // The names are the parameter map's reported parameters.
  const ParameterCovariance& covariance = outcome.covariance;
  result["covariance"] = NamedMatrix(covariance.names, covariance.matrix);
  result["correlation"] = NamedMatrix(covariance.names, covariance.Correlation());
  return result;
}

ordered_json ReflectionsJson(const RefinementOutcome& outcome) {
  ordered_json rows = ordered_json::array();
  for (const ReflectionResult& r : outcome.reflections) {
    rows.push_back({{"h", r.h},
                    {"k", r.k},
                    {"l", r.l},
                    {"two_theta_org", Number(r.twoThetaRaw)},
                    {"two_theta_obs", Number(r.twoThetaObs)},
                    {"two_theta_cor", Number(r.twoThetaCor)},
                    {"two_theta_cal", Number(r.twoThetaCal)},
                    {"del_two_theta", Number(r.del2Theta)},
                    {"d_obs", Number(r.dObs)},
                    {"d_cal", Number(r.dCal)},
                    {"d_dif", Number(r.dDif)},
                    {"weight", Number(r.weight)}});
  }
  return rows;
}

ordered_json DiagnosticsRowJson(const ReflectionDiagnostics& r, const DiagnosticsResult& diagnostics) {
  ordered_json dfbetas;
  for (int j = 0; j < 6; ++j) dfbetas[CellConstantName(j)] = Number(r.dfbetas[j]);
  ordered_json flags = ordered_json::array();
  static const std::pair<unsigned, const char*> names[] = {
      {kFlagRstudent, "rstudent"}, {kFlagDffits, "dffits"}, {kFlagLeverage, "leverage"},
      {kFlagDfbetas, "dfbetas"}, {kFlagUnitLeverage, "unit_leverage"}};
  for (const auto& flag : names)
    if (r.flags & flag.first) flags.push_back(flag.second);
  return {{"h", r.h},
          {"k", r.k},
          {"l", r.l},
          {"residual", Number(r.residual)},
          {"leverage", Number(r.leverage)},
          {"rstudent", Number(r.rstudent)},
          {"dffits", Number(r.dffits)},
          {"dfbetas", std::move(dfbetas)},
          {"defined", r.defined},
          {"flagged", r.flagged},
          {"flags", std::move(flags)},
          {"reason", DiagnosticsReason(r, diagnostics)}};
}

ordered_json DiagnosticsJson(const DiagnosticsResult& diagnostics) {
  ordered_json diag;
  diag["valid"] = diagnostics.valid;
  diag["message"] = diagnostics.message;
  diag["parameters"] = diagnostics.p;
  diag["reflections"] = diagnostics.n;
  diag["s"] = Number(diagnostics.s);
  diag["cutoffs"] = {{"rstudent", Number(diagnostics.cutoffs.rstudent)},
                     {"leverage", Number(diagnostics.cutoffs.leverage)},
                     {"dffits", Number(diagnostics.cutoffs.dffits)},
                     {"dfbetas", Number(diagnostics.cutoffs.dfbetas)}};
  ordered_json rows = ordered_json::array();
  for (const ReflectionDiagnostics& r : diagnostics.rows) rows.push_back(DiagnosticsRowJson(r, diagnostics));
  diag["rows"] = std::move(rows);
  return diag;
}

}  // namespace

std::string JsonResultText(const Job& job, const RefinementOutcome& outcome,
                           const DiagnosticsResult& diagnostics,
                           const std::vector<std::string>& warnings) {
  ordered_json root;
  root["program"] = "lattrix-refine";
  root["version"] = LATTRIX_VERSION;
  root["format_version"] = 1;
  root["inputs"] = InputsJson(job);
  root["result"] = ResultJson(job, outcome);
  root["reflections"] = ReflectionsJson(outcome);
  root["diagnostics"] = DiagnosticsJson(diagnostics);
  root["warnings"] = warnings;
  return Dump(root);
}

std::string JsonRefusedText(const std::string& inputFile, const std::string& title,
                            const std::vector<std::string>& warnings, bool undefined) {
  ordered_json root;
  root["program"] = "lattrix-refine";
  root["version"] = LATTRIX_VERSION;
  root["format_version"] = 1;
  if (undefined) root["status"] = "undefined";
  root["inputs"] = {{"title", PrintableLine(title)}, {"input_file", inputFile}};
  root["result"] = nullptr;
  root["warnings"] = warnings;
  return Dump(root);
}

std::string JsonArrayElement(const std::string& e, bool first) {
  std::string text = first ? "\n" : ",\n";
  // The element's lines one level deeper, without its final line end.
  const size_t end = !e.empty() && e.back() == '\n' ? e.size() - 1 : e.size();
  text.reserve(text.size() + end + end / 8);
  for (size_t start = 0;;) {
    const size_t line = std::min(e.find('\n', start), end);
    text += "  ";
    text.append(e, start, line - start);
    if (line >= end) break;
    text += '\n';
    start = line + 1;
  }
  return text;
}

std::string JsonTrendText(const std::string& model, const std::string& quantity, const std::string& xName,
                          const TrendFit& fit, const std::vector<TrendPoint>& points) {
  ordered_json root;
  root["model"] = model;
  root["quantity"] = quantity;
  root["x_name"] = PrintableLine(xName);
  ordered_json parameters = ordered_json::object();
  for (size_t k = 0; k < fit.names.size(); ++k) parameters[fit.names[k]] = ValueAndSigma(fit.values[k], fit.sigmas[k]);
  root["parameters"] = std::move(parameters);
  root["covariance"] = NamedMatrix(fit.names, fit.covariance);
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
    rows.push_back(std::move(p));
  }
  root["points"] = std::move(rows);
  return Dump(root);
}

}  // namespace lattrix
