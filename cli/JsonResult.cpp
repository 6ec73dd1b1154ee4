#include "JsonResult.h"

#include "LattrixVersion.h"

#include <utility>

#include "JsonWriter.h"

#include "common/TextIO.h"

namespace lattrix {
namespace {

void WriteCell(JsonWriter& w, const double cell[6]) {
  w.BeginObject();
  for (int j = 0; j < 6; ++j) w.Member(CellConstantName(j), cell[j]);
  w.EndObject();
}

void WriteValueAndSigma(JsonWriter& w, double value, double sigma) {
  w.BeginObject();
  w.Member("value", value);
  w.Member("sigma", sigma);
  w.EndObject();
}

void WriteNamedMatrix(JsonWriter& w, const std::vector<std::string>& names,
                      const std::vector<std::vector<double>>& matrix) {
  w.BeginObject();
  w.Member("parameters", names);
  w.Key("matrix");
  w.BeginArray();
  for (const std::vector<double>& row : matrix) {
    w.BeginArray();
    for (double v : row) w.Value(v);
    w.EndArray();
  }
  w.EndArray();
  w.EndObject();
}

void WriteCodeAndName(JsonWriter& w, int code, const char* name) {
  w.BeginObject();
  w.Member("code", code);
  w.Member("name", name);
  w.EndObject();
}

// The head every result document starts with.
void WriteProgram(JsonWriter& w) {
  w.Member("program", "lattrix-refine");
  w.Member("version", LATTRIX_VERSION);
  w.Member("format_version", 1);
}

void WriteKnownCorrections(JsonWriter& w, const Job& job) {
  // Manual mode's known corrections stay in the job through the run.
  if (job.m_nCorrection != kManual) {
    w.Value(nullptr);
    return;
  }
  w.BeginObject();
  w.Member("zero", job.m_dZero);
  w.Member("ssd", job.m_dDisp);
  w.Member("emu", job.m_dEmu);
  w.EndObject();
}

void WriteInputs(JsonWriter& w, const Job& job) {
  w.BeginObject();
  w.Member("title", PrintableLine(job.m_strTitle));
  w.Member("input_file", job.m_strInputPath);
  w.Key("crystal_system");
  WriteCodeAndName(w, job.m_nCrystalSystem, CrystalSystemName(job.m_nCrystalSystem));
  w.Key("correction");
  WriteCodeAndName(w, job.m_nCorrection, CorrectionName(job.m_nCorrection));
  w.Key("weighting");
  WriteCodeAndName(w, job.m_nWeighting, WeightingName(job.m_nWeighting));
  w.Member("wavelength", job.m_dWavelength);
  w.Member("goniometer_radius", job.m_dGonioRadius);
  w.Member("calibrated", job.m_bInternalStd == 1);
  w.Key("known_corrections");
  WriteKnownCorrections(w, job);
  w.Key("trial_cell");
  WriteCell(w, job.m_dCell);
  w.Key("reflections");
  w.BeginArray();
  for (int i = 0; i < job.m_nReflections; ++i) {
    w.BeginObject();
    w.Member("h", job.m_nH[i]);
    w.Member("k", job.m_nK[i]);
    w.Member("l", job.m_nL[i]);
    w.Member("two_theta", job.m_dTwoTheta[i]);
    w.Member("two_theta_file", job.m_dTwoThetaRaw[i]);
    w.Member("weight", job.m_dWeight[i]);
    w.EndObject();
  }
  w.EndArray();
  w.EndObject();
}

void WriteResult(JsonWriter& w, const Job& job, const RefinementOutcome& outcome) {
  w.BeginObject();
  w.Key("cell");
  WriteCell(w, job.m_dRefinedCell);
  w.Key("cell_sigma");
  WriteCell(w, job.m_dCellSigma);
  w.Member("volume", job.m_dVolume);
  w.Member("volume_sigma", job.m_dVolumeSigma);
  w.Key("zero");
  WriteValueAndSigma(w, job.m_dZero, job.m_dZeroSigma);
  w.Key("ssd");
  WriteValueAndSigma(w, job.m_dDisp, job.m_dDispSigma);
  w.Key("emu");
  WriteValueAndSigma(w, job.m_dEmu, job.m_dEmuSigma);
  w.Member("degrees_of_freedom", outcome.degreesOfFreedom);
  w.Member("sum_delta_two_theta", outcome.sumDelta);
  w.Member("sd_delta_two_theta", outcome.sdDelta);
  w.Key("report_file");
  if (job.m_strReportPath.empty())
    w.Value(nullptr);
  else
    w.Value(job.m_strReportPath);
  // The names are the parameter map's reported parameters.
  const ParameterCovariance& covariance = outcome.covariance;
  w.Key("covariance");
  WriteNamedMatrix(w, covariance.names, covariance.matrix);
  w.Key("correlation");
  WriteNamedMatrix(w, covariance.names, covariance.Correlation());
  w.EndObject();
}

void WriteReflections(JsonWriter& w, const RefinementOutcome& outcome) {
  w.BeginArray();
  for (const ReflectionResult& r : outcome.reflections) {
    w.BeginObject();
    w.Member("h", r.h);
    w.Member("k", r.k);
    w.Member("l", r.l);
    w.Member("two_theta_org", r.twoThetaRaw);
    w.Member("two_theta_obs", r.twoThetaObs);
    w.Member("two_theta_cor", r.twoThetaCor);
    w.Member("two_theta_cal", r.twoThetaCal);
    w.Member("del_two_theta", r.del2Theta);
    w.Member("d_obs", r.dObs);
    w.Member("d_cal", r.dCal);
    w.Member("d_dif", r.dDif);
    w.Member("weight", r.weight);
    w.EndObject();
  }
  w.EndArray();
}

void WriteFlags(JsonWriter& w, unsigned flags) {
  static const std::pair<unsigned, const char*> names[] = {
      {kFlagRstudent, "rstudent"}, {kFlagDffits, "dffits"}, {kFlagLeverage, "leverage"},
      {kFlagDfbetas, "dfbetas"}, {kFlagUnitLeverage, "unit_leverage"}};
  w.BeginArray();
  for (const auto& flag : names)
    if (flags & flag.first) w.Value(flag.second);
  w.EndArray();
}

void WriteDiagnosticsRow(JsonWriter& w, const ReflectionDiagnostics& r, const DiagnosticsResult& diagnostics) {
  w.BeginObject();
  w.Member("h", r.h);
  w.Member("k", r.k);
  w.Member("l", r.l);
  w.Member("residual", r.residual);
  w.Member("leverage", r.leverage);
  w.Member("rstudent", r.rstudent);
  w.Member("dffits", r.dffits);
  w.Key("dfbetas");
  WriteCell(w, r.dfbetas);
  w.Member("defined", r.defined);
  w.Member("flagged", r.flagged);
  w.Key("flags");
  WriteFlags(w, r.flags);
  w.Member("reason", DiagnosticsReason(r, diagnostics));
  w.EndObject();
}

void WriteDiagnostics(JsonWriter& w, const DiagnosticsResult& diagnostics) {
  w.BeginObject();
  w.Member("valid", diagnostics.valid);
  w.Member("message", diagnostics.message);
  w.Member("parameters", diagnostics.p);
  w.Member("reflections", diagnostics.n);
  w.Member("s", diagnostics.s);
  w.Key("cutoffs");
  w.BeginObject();
  w.Member("rstudent", diagnostics.cutoffs.rstudent);
  w.Member("leverage", diagnostics.cutoffs.leverage);
  w.Member("dffits", diagnostics.cutoffs.dffits);
  w.Member("dfbetas", diagnostics.cutoffs.dfbetas);
  w.EndObject();
  w.Key("rows");
  w.BeginArray();
  for (const ReflectionDiagnostics& r : diagnostics.rows) WriteDiagnosticsRow(w, r, diagnostics);
  w.EndArray();
  w.EndObject();
}

}  // namespace

std::string JsonResultText(const Job& job, const RefinementOutcome& outcome,
                           const DiagnosticsResult& diagnostics,
                           const std::vector<std::string>& warnings, int depth) {
  // About 1.1 KB a reflection.
  JsonWriter w(depth, 4096 + 1200 * static_cast<size_t>(job.m_nReflections));
  w.BeginObject();
  WriteProgram(w);
  w.Key("inputs");
  WriteInputs(w, job);
  w.Key("result");
  WriteResult(w, job, outcome);
  w.Key("reflections");
  WriteReflections(w, outcome);
  w.Key("diagnostics");
  WriteDiagnostics(w, diagnostics);
  w.Member("warnings", warnings);
  w.EndObject();
  return w.Finish();
}

std::string JsonRefusedText(const std::string& inputFile, const std::string& title,
                            const std::vector<std::string>& warnings, bool undefined, int depth) {
  JsonWriter w(depth);
  w.BeginObject();
  WriteProgram(w);
  if (undefined) w.Member("status", "undefined");
  w.Key("inputs");
  w.BeginObject();
  w.Member("title", PrintableLine(title));
  w.Member("input_file", inputFile);
  w.EndObject();
  w.Member("result", nullptr);
  w.Member("warnings", warnings);
  w.EndObject();
  return w.Finish();
}

std::string JsonArrayElement(std::string_view element, bool first) {
  // The element's first line indented here; the others were written so.
  std::string text = first ? "\n  " : ",\n  ";
  text.append(element, 0, !element.empty() && element.back() == '\n' ? element.size() - 1 : element.size());
  return text;
}

std::string JsonTrendText(const std::string& model, const std::string& quantity, const std::string& xName,
                          const TrendFit& fit, const std::vector<TrendPoint>& points) {
  JsonWriter w;
  w.BeginObject();
  w.Member("model", model);
  w.Member("quantity", quantity);
  w.Member("x_name", PrintableLine(xName));
  w.Key("parameters");
  w.BeginObject();
  for (size_t k = 0; k < fit.names.size(); ++k) {
    w.Key(fit.names[k]);
    WriteValueAndSigma(w, fit.values[k], fit.sigmas[k]);
  }
  w.EndObject();
  w.Key("covariance");
  WriteNamedMatrix(w, fit.names, fit.covariance);
  w.Member("chi2_reduced", fit.chi2Reduced);
  w.Member("n", fit.n);
  w.Member("dof", fit.dof);
  w.Key("points");
  w.BeginArray();
  for (size_t i = 0; i < points.size(); ++i) {
    w.BeginObject();
    w.Member("file", PrintableLine(points[i].file));
    w.Member("x", points[i].x);
    w.Member("y", points[i].y);
    w.Member("sigma_y", points[i].sigmaY);
    w.Member("fit", fit.fit[i]);
    w.Member("residual", fit.residual[i]);
    if (i < fit.strain.size()) {
      w.Member("f", fit.strain[i].f);
      w.Member("sigma_f", fit.strain[i].sigmaF);
      w.Member("F", fit.strain[i].F);
      w.Member("sigma_F", fit.strain[i].sigmaBigF);
    }
    w.EndObject();
  }
  w.EndArray();
  w.EndObject();
  return w.Finish();
}

}  // namespace lattrix
