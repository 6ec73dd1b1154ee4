// The Python module lattrix._lattrix: the core's job, run step, results and
// series as Python objects and numpy arrays. The Python package
// (lattrix/__init__.py) defines RefusedError and the named tuples and hands
// these names on.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "JsonResult.h"
#include "calibration/Calibration.h"
#include "job/InputFile.h"
#include "job/Job.h"
#include "peaks/PeakJob.h"
#include "report/ReportWriter.h"
#include "results/CifWriter.h"
#include "run/RunStep.h"
#include "series/SeriesRun.h"
#include "series/SeriesTable.h"
#include "trend/TrendFit.h"

namespace py = pybind11;
using namespace lattrix;

namespace {

// Raises lattrix.RefusedError: its text the last message (the refusal),
// its .messages all of them.
py::object RefusedValue(const std::vector<std::string>& messages) {
  const std::string text = messages.empty() ? std::string("refused") : messages.back();
  return py::module_::import("lattrix").attr("RefusedError")(text, messages);
}

[[noreturn]] void Refuse(const std::vector<std::string>& messages) {
  const py::object error = RefusedValue(messages);
  PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
  throw py::error_already_set();
}

// A code given by name or number: names[i] is code first + i.
int CodeOf(const py::object& value, const std::vector<std::string>& names, int first, const char* what) {
  if (py::isinstance<py::str>(value)) {
    const std::string name = value.cast<std::string>();
    for (size_t i = 0; i < names.size(); ++i)
      if (name == names[i]) return first + static_cast<int>(i);
  } else if (py::isinstance<py::int_>(value)) {
    const int code = value.cast<int>();
    if (code >= first && code < first + static_cast<int>(names.size())) return code;
  }
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
  throw py::value_error(std::string(what) + " takes " + list + " or " + std::to_string(first) + ".." +
                        std::to_string(first + static_cast<int>(names.size()) - 1));
}

const std::vector<std::string> kSystems = [] {
  std::vector<std::string> names;
  for (int code = kTriclinic; code <= kCubic; ++code) names.push_back(CrystalSystemName(code));
  return names;
}();
const std::vector<std::string> kCorrections = {"manual", "none", "zero", "displacement", "zero+displacement"};
const std::vector<std::string> kWeightings = {"unity", "sin2", "delta2", "sindelta", "esd"};

py::array_t<double> Doubles(const double* values, size_t n) {
  py::array_t<double> out(static_cast<py::ssize_t>(n));
  std::copy(values, values + n, out.mutable_data());
  return out;
}

template <typename T = double, typename F>
py::array_t<T> Column(const std::vector<ReflectionResult>& rows, F value) {
  py::array_t<T> out(static_cast<py::ssize_t>(rows.size()));
  for (size_t i = 0; i < rows.size(); ++i) out.mutable_data()[i] = value(rows[i]);
  return out;
}

py::array_t<int> Hkl(const Job& job) {
  py::array_t<int> out({static_cast<py::ssize_t>(job.m_nReflections), py::ssize_t(3)});
  auto a = out.mutable_unchecked<2>();
  for (int i = 0; i < job.m_nReflections; ++i) a(i, 0) = job.m_nH[i], a(i, 1) = job.m_nK[i], a(i, 2) = job.m_nL[i];
  return out;
}

// The job of Job(...): title, system, trial cell, instrument, reflections
// (h k l as an (n, 3) array, 2theta, optional esd's) and the optional
// observed silicon values.
Job MakeJob(const std::string& title, const py::object& system, const std::array<double, 6>& cell,
            double wavelength, double radius, const py::array_t<int, py::array::forcecast>& hkl,
            const py::array_t<double, py::array::forcecast>& twoTheta, const py::object& esd,
            const py::object& silicon) {
  Job job;
  InitialiseJob(job, ".");
  job.m_strTitle = title;
  job.m_nCrystalSystem = CodeOf(system, kSystems, kTriclinic, "system");
  std::copy(cell.begin(), cell.end(), job.m_dCell);
  job.m_dWavelength = wavelength;
  job.m_dGonioRadius = radius;
  const py::ssize_t n = twoTheta.size();
  if (hkl.ndim() != 2 || hkl.shape(1) != 3 || hkl.shape(0) != n || twoTheta.ndim() != 1)
    throw py::value_error("hkl must be an (n, 3) array and two_theta an (n,) array of the same n");
  if (n > kMaxReflections) throw py::value_error("Data number=" + std::to_string(n) + " is not acceptable !!!");
  job.m_nReflections = static_cast<int>(n);
  const auto h = hkl.unchecked<2>();
  const auto t = twoTheta.unchecked<1>();
  for (py::ssize_t i = 0; i < n; ++i) {
    job.m_nH[i] = h(i, 0), job.m_nK[i] = h(i, 1), job.m_nL[i] = h(i, 2);
    job.m_dTwoTheta[i] = job.m_dTwoThetaRaw[i] = t(i);
  }
  if (!esd.is_none()) {
    const auto e = esd.cast<py::array_t<double, py::array::forcecast>>();
    if (e.ndim() != 1 || e.size() != n) throw py::value_error("esd must be an (n,) array like two_theta");
    for (py::ssize_t i = 0; i < n; ++i) job.m_dEsd[i] = e.at(i);
  }
  if (!silicon.is_none()) {
    const auto s = silicon.cast<py::array_t<double, py::array::forcecast>>();
    if (s.ndim() != 1 || s.size() > kSiliconReflections)
      throw py::value_error("silicon takes at most 12 observed 2theta values, in the order 111, 220, 311, ...");
    job.m_nSiObs = static_cast<int>(s.size());
    for (py::ssize_t i = 0; i < s.size(); ++i) job.m_dSiTwoThetaObs[i] = s.at(i);
    job.m_bInternalStd = job.m_nSiObs > 0 ? 1 : 0;
  }
  job.m_bInputLoaded = true;
  return job;
}

Job ReadJob(const std::string& path) {
  Job job;
  InitialiseJob(job, ".");
  job.m_strInputPath = path;
  RecordingSink sink;
  if (!ReadInputFile(job, sink)) Refuse(sink.messages);
  return job;
}

RunChoices Choices(const py::object& correction, const py::object& weighting, const py::object& calibrate) {
  RunChoices choices;
  choices.correction = CodeOf(correction, kCorrections, kManual, "correction");
  choices.weighting = CodeOf(weighting, kWeightings, kUnity, "weighting");
  choices.calibrate = calibrate.is_none() ? -1 : (calibrate.cast<bool>() ? 1 : 0);
  return choices;
}

// One refinement of a copy of the job; the report only when asked for.
RunResult Refine(const Job& given, const RunChoices& choices, const std::optional<std::string>& report) {
  Job job = given;
  const SiliconStandard silicon = ApplyRunChoices(job, choices);
  if (report) job.m_strReportPath = *report;
  RecordingSink sink;
  RunResult run;
  {
    py::gil_scoped_release unlocked;
    run = RunJob(job, silicon, sink, report ? ReportTarget::kFile : ReportTarget::kNone);
  }
  if (!run.refined) Refuse(run.messages.empty() ? sink.messages : run.messages);
  return run;
}

py::object NamedCell(const char* type, const double values[6]) {
  return py::module_::import("lattrix").attr(type)(values[0], values[1], values[2], values[3], values[4], values[5]);
}

py::array_t<double> Matrix(const std::vector<std::vector<double>>& m) {
  const py::ssize_t n = static_cast<py::ssize_t>(m.size());
  py::array_t<double> out({n, n});
  auto a = out.mutable_unchecked<2>();
  for (py::ssize_t i = 0; i < n; ++i)
    for (py::ssize_t j = 0; j < n; ++j) a(i, j) = m[static_cast<size_t>(i)][static_cast<size_t>(j)];
  return out;
}

py::dict Reflections(const RefinementOutcome& outcome) {
  const auto& rows = outcome.reflections;
  py::dict d;
  d["h"] = Column<int>(rows, [](const ReflectionResult& r) { return r.h; });
  d["k"] = Column<int>(rows, [](const ReflectionResult& r) { return r.k; });
  d["l"] = Column<int>(rows, [](const ReflectionResult& r) { return r.l; });
  d["two_theta_org"] = Column(rows, [](const ReflectionResult& r) { return r.twoThetaRaw; });
  d["two_theta_obs"] = Column(rows, [](const ReflectionResult& r) { return r.twoThetaObs; });
  d["two_theta_cor"] = Column(rows, [](const ReflectionResult& r) { return r.twoThetaCor; });
  d["two_theta_cal"] = Column(rows, [](const ReflectionResult& r) { return r.twoThetaCal; });
  d["del_two_theta"] = Column(rows, [](const ReflectionResult& r) { return r.del2Theta; });
  d["d_obs"] = Column(rows, [](const ReflectionResult& r) { return r.dObs; });
  d["d_cal"] = Column(rows, [](const ReflectionResult& r) { return r.dCal; });
  d["d_dif"] = Column(rows, [](const ReflectionResult& r) { return r.dDif; });
  d["weight"] = Column(rows, [](const ReflectionResult& r) { return r.weight; });
  return d;
}

py::dict Diagnostics(const DiagnosticsResult& diagnostics) {
  const auto& rows = diagnostics.rows;
  const size_t n = rows.size();
  py::array_t<double> leverage(n), rstudent(n), dffits(n), dfbetas({static_cast<py::ssize_t>(n), py::ssize_t(6)});
  py::array_t<bool> flagged(n);
  py::list reasons;
  for (size_t i = 0; i < n; ++i) {
    leverage.mutable_data()[i] = rows[i].leverage;
    rstudent.mutable_data()[i] = rows[i].rstudent;
    dffits.mutable_data()[i] = rows[i].dffits;
    for (int j = 0; j < 6; ++j) dfbetas.mutable_at(i, j) = rows[i].dfbetas[j];
    flagged.mutable_data()[i] = rows[i].flagged;
    reasons.append(DiagnosticsReason(rows[i], diagnostics));
  }
  py::dict d;
  d["leverage"] = leverage, d["rstudent"] = rstudent, d["dffits"] = dffits, d["dfbetas"] = dfbetas;
  d["flagged"] = flagged, d["reason"] = reasons;
  return d;
}

// The jobs of a series and, by the hook, each refined job's whole result.
struct SeriesOutcome {
  std::vector<SeriesRow> rows;
  std::vector<RunResult> runs;
};

// The rows of the series and, when `keepRuns`, every job's run (a table
// needs only the rows).
SeriesOutcome RunSeriesOf(const std::vector<std::string>& paths, const py::object& x, const RunChoices& choices,
                          unsigned threads, bool keepRuns) {
  SeriesAxis axis;
  const SeriesAxis* withAxis = nullptr;
  if (!x.is_none()) {
    axis.name = "x";
    const auto values = x.cast<std::vector<double>>();
    if (values.size() != paths.size()) throw py::value_error("x takes one value for each path");
    for (size_t i = 0; i < paths.size(); ++i) axis.values[FileNameOf(paths[i])] = values[i];
    withAxis = &axis;
  }
  SeriesOutcome out;
  if (keepRuns) out.runs.resize(paths.size());
  std::vector<SeriesJob> jobs = PlanSeries(paths, "", withAxis);
  const SeriesHook keep = [&out](size_t index, const Job&, RunResult& run) {
    // The least-squares problem has served the diagnostics: a long series
    // keeps only what a Result shows.
    run.outcome.problem = RefinementProblem();
    out.runs[index] = std::move(run);
  };
  {
    py::gil_scoped_release unlocked;
    out.rows = RunSeries(std::move(jobs), choices, threads, keepRuns ? keep : nullptr);
  }
  return out;
}

}  // namespace

PYBIND11_MODULE(_lattrix, m) {
  m.doc() = "Unit-cell refinement by Cohen's least squares (the Lattrix core).";

  py::class_<Job>(m, "Job", "A refinement job: title, crystal system, trial cell, instrument, reflections.")
      .def(py::init(&MakeJob), py::arg("title") = "", py::arg("system") = 1,
           py::arg("cell") = std::array<double, 6>{0, 0, 0, 90, 90, 90}, py::arg("wavelength") = kDefaultWavelength,
           py::arg("radius") = kDefaultGonioRadius, py::arg("hkl") = py::array_t<int>(std::vector<py::ssize_t>{0, 3}),
           py::arg("two_theta") = py::array_t<double>(0), py::arg("esd") = py::none(), py::arg("silicon") = py::none(),
           "Job(title, system='hexagonal' or 1..7, cell=(a, b, c, alpha, beta, gamma), wavelength=1.5405981 (A),\n"
           "radius=185.0 (mm), hkl=(n, 3) array, two_theta=(n,) array (deg), esd=None or (n,) array (deg of 2theta),\n"
           "silicon=None or up to 12 observed 2theta of the silicon standard (111, 220, 311, ...)).")
      .def_property_readonly("title", [](const Job& j) { return j.m_strTitle; })
      .def_property_readonly("system", [](const Job& j) { return std::string(CrystalSystemName(j.m_nCrystalSystem)); })
      .def_property_readonly("cell", [](const Job& j) { return NamedCell("Cell", j.m_dCell); })
      .def_property_readonly("wavelength", [](const Job& j) { return j.m_dWavelength; })
      .def_property_readonly("radius", [](const Job& j) { return j.m_dGonioRadius; })
      .def_property_readonly("hkl", &Hkl, "h k l of each reflection, an (n, 3) array")
      .def_property_readonly("two_theta", [](const Job& j) { return Doubles(j.m_dTwoThetaRaw, static_cast<size_t>(j.m_nReflections)); },
                             "observed 2theta of each reflection (deg)")
      .def_property_readonly("esd", [](const Job& j) { return Doubles(j.m_dEsd, static_cast<size_t>(j.m_nReflections)); },
                             "esd of each 2theta (deg; 0 where none is given)")
      .def_property_readonly("silicon", [](const Job& j) -> py::object {
        if (j.m_bInternalStd != 1) return py::none();
        return Doubles(j.m_dSiTwoThetaObs, static_cast<size_t>(j.m_nSiObs));
      }, "observed 2theta of the silicon standard, or None")
      .def("write", [](const Job& j, const std::string& path) {
        Job copy = j;
        copy.m_strInputPath = path;
        RecordingSink sink;
        if (!WriteInputFile(copy, sink)) Refuse(sink.messages);
      }, py::arg("path"), "Writes the job as a job file (.inp), replacing the file whole.");

  m.def("read_job", &ReadJob, py::arg("path"),
        "read_job(path) -> Job: reads a job file; a file that cannot be read raises RefusedError with the place.");

  py::class_<RunResult>(m, "Result", "The result of one refinement.")
      .def_property_readonly("cell", [](const RunResult& r) { return NamedCell("Cell", r.job.m_dRefinedCell); },
                             "refined a, b, c (A), alpha, beta, gamma (deg)")
      .def_property_readonly("cell_sigma", [](const RunResult& r) { return NamedCell("Cell", r.job.m_dCellSigma); },
                             "their standard deviations")
      .def_property_readonly("volume", [](const RunResult& r) { return r.job.m_dVolume; }, "cell volume (A^3)")
      .def_property_readonly("volume_sigma", [](const RunResult& r) { return r.job.m_dVolumeSigma; })
      .def_property_readonly("zero", [](const RunResult& r) { return r.job.m_dZero; }, "zero offset (deg of 2theta)")
      .def_property_readonly("zero_sigma", [](const RunResult& r) { return r.job.m_dZeroSigma; })
      .def_property_readonly("ssd", [](const RunResult& r) { return r.job.m_dDisp; }, "sample displacement (mm)")
      .def_property_readonly("ssd_sigma", [](const RunResult& r) { return r.job.m_dDispSigma; })
      .def_property_readonly("parameters", [](const RunResult& r) { return r.outcome.covariance.names; },
                             "names of the refined parameters, the order of covariance and correlation")
      .def_property_readonly("covariance", [](const RunResult& r) { return Matrix(r.outcome.covariance.matrix); })
      .def_property_readonly("correlation", [](const RunResult& r) { return Matrix(r.outcome.covariance.Correlation()); })
      .def_property_readonly("degrees_of_freedom", [](const RunResult& r) { return r.outcome.degreesOfFreedom; })
      .def_property_readonly("reflections", [](const RunResult& r) { return Reflections(r.outcome); },
                             "the report's list of d-spacings as a dict of arrays")
      .def_property_readonly("diagnostics", [](const RunResult& r) { return Diagnostics(r.diagnostics); },
                             "leverage, rstudent, dffits, dfbetas (n, 6), flagged and reason of each reflection")
      .def_property_readonly("messages", [](const RunResult& r) { return r.messages; }, "every message of the run")
      .def("to_json", [](const RunResult& r) { return JsonResultText(r.job, r.outcome, r.diagnostics, r.messages); },
           "the batch command's JSON document (lattrix-refine --json)")
      .def("to_cif", [](const RunResult& r) { return CifText(r.job); }, "the refined cell as CIF")
      .def("report", [](const RunResult& r) { return ReportText(r.job, r.outcome); }, "the report's text (Lattrix.out)");

  m.def("refine",
        [](const Job& job, const py::object& correction, const py::object& weighting, const py::object& calibrate,
           const std::optional<std::string>& report) {
          return Refine(job, Choices(correction, weighting, calibrate), report);
        },
        py::arg("job"), py::arg("correction") = "none", py::arg("weighting") = "unity",
        py::arg("calibrate") = py::none(), py::arg("report") = py::none(),
        "refine(job, correction='none'|'zero'|'displacement'|'zero+displacement'|'manual' or 1..5,\n"
        "       weighting='unity'|'sin2'|'delta2'|'sindelta'|'esd' or 0..4, calibrate=None (the job's silicon\n"
        "       standard decides) or True/False, report=None or a path for the report file) -> Result\n"
        "A refusal (or a result that is not defined) raises RefusedError; warnings are in Result.messages.");

  m.def("refine_series",
        [](const std::vector<std::string>& paths, const py::object& x, const py::object& correction,
           const py::object& weighting, const py::object& threads) {
          SeriesOutcome series = RunSeriesOf(paths, x, Choices(correction, weighting, py::none()),
                                             threads.is_none() ? 0u : threads.cast<unsigned>(), true);
          py::list out;
          for (size_t i = 0; i < series.rows.size(); ++i)
            out.append(series.rows[i].refined ? py::cast(std::move(series.runs[i]))
                                              : RefusedValue(series.rows[i].messages));
          return out;
        },
        py::arg("paths"), py::arg("x") = py::none(), py::arg("correction") = "none", py::arg("weighting") = "unity",
        py::arg("threads") = py::none(),
        "refine_series(paths, x=None (one number per path), correction=..., weighting=..., threads=None (all cores))\n"
        "-> list of Result or RefusedError, in the order given; runs without the GIL.");

  m.def("_series_columns",
        [](const std::vector<std::string>& paths, const py::object& x, const py::object& correction,
           const py::object& weighting, const py::object& threads) {
          const SeriesOutcome series = RunSeriesOf(paths, x, Choices(correction, weighting, py::none()),
                                                   threads.is_none() ? 0u : threads.cast<unsigned>(), false);
          py::list rows;
          for (const SeriesRow& row : series.rows) rows.append(SeriesRowFields(row));
          return py::make_tuple(SeriesColumnNames(), rows);
        },
        py::arg("paths"), py::arg("x") = py::none(), py::arg("correction") = "none", py::arg("weighting") = "unity",
        py::arg("threads") = py::none());

  m.def("fit_trend",
        [](const std::vector<double>& x, const std::vector<double>& y, const std::vector<double>& sigmaY,
           const std::string& model, const py::object& sigmaX, double t0, bool length) {
          TrendOptions options;
          if (!ParseTrendModel(model, options.model)) throw py::value_error("model takes bm2, bm3, vinet or thermal");
          options.t0 = t0, options.length = length;
          const std::vector<double> sx = sigmaX.is_none() ? std::vector<double>(x.size(), 0.0)
                                                          : sigmaX.cast<std::vector<double>>();
          if (y.size() != x.size() || sigmaY.size() != x.size() || sx.size() != x.size())
            throw py::value_error("x, y, sigma_y and sigma_x take one value per point");
          std::vector<TrendPoint> points;
          for (size_t i = 0; i < x.size(); ++i) points.push_back({"point " + std::to_string(i + 1), x[i], sx[i], y[i], sigmaY[i]});
          const TrendFit fit = FitTrend(points, options);
          if (!fit.ok) Refuse({fit.message});
          py::dict parameters, out;
          for (size_t k = 0; k < fit.names.size(); ++k)
            parameters[py::str(fit.names[k])] = py::make_tuple(fit.values[k], fit.sigmas[k]);
          out["parameters"] = parameters, out["names"] = fit.names, out["covariance"] = Matrix(fit.covariance);
          out["chi2_reduced"] = fit.chi2Reduced, out["n"] = fit.n, out["dof"] = fit.dof;
          out["fit"] = Doubles(fit.fit.data(), fit.fit.size());
          out["residual"] = Doubles(fit.residual.data(), fit.residual.size());
          if (!fit.strain.empty()) {
            std::vector<double> f, sf, F, sF;
            for (const StrainPoint& s : fit.strain) f.push_back(s.f), sf.push_back(s.sigmaF), F.push_back(s.F), sF.push_back(s.sigmaBigF);
            py::dict strain;
            strain["f"] = Doubles(f.data(), f.size()), strain["sigma_f"] = Doubles(sf.data(), sf.size());
            strain["F"] = Doubles(F.data(), F.size()), strain["sigma_F"] = Doubles(sF.data(), sF.size());
            out["strain"] = strain;
          }
          return out;
        },
        py::arg("x"), py::arg("y"), py::arg("sigma_y"), py::arg("model") = "bm3", py::arg("sigma_x") = py::none(),
        py::arg("t0") = 298.15, py::arg("length") = false,
        "fit_trend(x, y, sigma_y, model='bm2'|'bm3'|'vinet'|'thermal', sigma_x=None, t0=298.15, length=False)\n"
        "-> dict: 'parameters' {name: (value, s.u.)} (V0, K0, Kp; V0, alpha0, alpha1; a0, M0, Mp for a length),\n"
        "'covariance' over 'names', 'chi2_reduced', 'n', 'dof', 'fit', 'residual' and, for an equation of state,\n"
        "'strain' (Eulerian strain f and normalised pressure F with s.u.'s). x is pressure (GPa) or\n"
        "temperature (K); the s.u.'s are scaled by the goodness of fit. A refused fit raises RefusedError.");

  m.def("read_reflections",
        [](const std::string& path, const std::string& units, const py::object& job, const std::string& centring,
           double tolerance) -> py::object {
          PeakUnits peakUnits;
          if (!ParsePeakUnits(units, peakUnits)) throw py::value_error("units takes '2theta', 'd' or 'q'");
          AssignmentOptions options;
          if (!ParseCentring(centring, options.centring)) throw py::value_error("centring takes P, A, B, C, I, F or R");
          options.tolerance = tolerance;
          RecordingSink sink;
          PeakList list;
          if (!ReadPeakFile(path, peakUnits, list, sink)) Refuse(sink.messages);
          if (job.is_none()) {
            std::vector<double> values, esds;
            for (const Peak& p : list.peaks) values.push_back(p.value), esds.push_back(p.esd);
            py::dict d;
            d["units"] = PeakUnitsName(list.units);
            d["value"] = Doubles(values.data(), values.size());
            d["esd"] = Doubles(esds.data(), esds.size());
            return d;
          }
          Job taken = job.cast<Job>();
          Assignment assignment;
          if (!TakePeakList(taken, list, options, assignment, sink)) Refuse(sink.messages);
          return py::cast(taken);
        },
        py::arg("path"), py::arg("units") = "2theta", py::arg("job") = py::none(), py::arg("centring") = "P",
        py::arg("tolerance") = 0.05,
        "read_reflections(path, units='2theta'|'d'|'q' (for a list without a header), job=None, centring='P',\n"
        "tolerance=0.05) -> with job: a copy of the job with the list's reflections (h k l assigned from its\n"
        "trial cell when the list has none); without: a dict of the values and esd's and their units.");
}
