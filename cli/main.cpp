// lattrix-refine: refines the cell of one job file, or of a series of job
// files, without any window and writes the same report as the desktop
// program.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "JsonResult.h"
#include "LattrixVersion.h"
#include "DiagnosticsTable.h"
#include "PeakInput.h"
#include "PlotLauncher.h"
#include "ResultFile.h"
#include "SeriesCommand.h"
#include "StderrSink.h"
#include "calibration/Calibration.h"
#include "common/MessageSink.h"
#include "common/TextIO.h"
#include "diagnostics/Diagnostics.h"
#include "fittingmap/FittingMap.h"
#include "run/RunStep.h"
#include "job/InputFile.h"
#include "job/Job.h"
#include "results/CifWriter.h"

namespace {

using namespace lattrix;

const char kUsage[] =
    "usage: lattrix-refine [options] JOB.inp\n"
    "       lattrix-refine [options] [JOB.inp] --reflections PEAKS [--system S --cell a,b,c,al,be,ga]\n"
    "       lattrix-refine [options] --series TABLE.csv [--series-x X.csv] [--report-dir DIR] JOB.inp...\n";

const char kHelp[] =
    "Refines the unit cell of the job file JOB.inp by Cohen's least squares and writes\n"
    "the report (./Lattrix.out unless --report says otherwise). The refined cell with\n"
    "standard deviations, the volume and the corrections are printed on standard\n"
    "output; messages go to standard error.\n"
    "\n"
    "Options:\n"
    "  --correction MODE   1 manual, 2 none (default), 3 zero, 4 displacement,\n"
    "                      5 zero+displacement; names work too (manual, none, zero,\n"
    "                      displacement, zero+displacement)\n"
    "  --weighting MODE    0 unity (default), 1 sin2, 2 delta2, 3 sindelta, 4 esd;\n"
    "                      delta2 and sindelta take the misfits of the previous\n"
    "                      report at the report path; esd weights each reflection\n"
    "                      by the esd of its position\n"
    "  --calibrate         calibrate 2theta against the silicon internal standard\n"
    "                      (default when the file carries observed silicon values)\n"
    "  --no-calibrate      do not calibrate, even when the file carries silicon values\n"
    "  --report PATH       write the report to PATH instead of ./Lattrix.out\n"
    "  --wavelength X      X-ray wavelength in Angstrom (default: the file's)\n"
    "  --radius R          goniometer radius in mm (default: the file's)\n"
    "  --save-input PATH   after the refinement, save the job as an input file\n"
    "                      (2theta as refined, after any calibration; the weights used)\n"
#ifdef LATTRIX_HAVE_PLOT
    "  --plot FILE         draw the fitting map of the refinement to FILE (.png, .svg\n"
    "                      or .pdf)\n"
    "  --plot-type N       1 2theta(org-cal) (default), 2 2theta(org-cor),\n"
    "                      3 d(obs-cal)\n"
    "  --plot-size WxH     map size in pixels (default 600x400)\n"
    "  --plot-style S      dark (default, as on the screen) or light (white ground,\n"
    "                      dark axes and text, for print)\n"
#endif
    "  --diagnostics       after the summary, print the regression diagnostics of\n"
    "                      every reflection (leverage, Rstudent, DFFITS, DFBETAS of\n"
    "                      the cell constants), flag the lines past the cut-offs\n"
    "                      and list the pairs of parameters with |r| >= 0.9\n"
    "  --json FILE         write the whole result as JSON to FILE; with '-' to\n"
    "                      standard output, which then carries nothing else\n"
    "  --cif FILE          write the refined cell as CIF to FILE ('-': standard\n"
    "                      output, which then carries nothing else)\n"
    "  --quiet, -q         print nothing on standard output\n"
    "\n"
    "Peak lists (the table a peak-fitting program wrote, a d list, an indexed list):\n"
    "  --reflections FILE  the job's reflections from FILE: a table with a header\n"
    "                      (columns h k l or hkl, 2theta / d / Q, esd; value(esd)\n"
    "                      read; other columns ignored) or lines \"h k l value [esd]\"\n"
    "                      or \"value [esd]\"; without h k l they are assigned from\n"
    "                      the trial cell\n"
    "  --units U           2theta (default), d or q: the values of a list without a\n"
    "                      header\n"
    "  --centring X        P (default), A, B, C, I, F or R (hexagonal setting): the\n"
    "                      reflections the lattice allows when h k l are assigned\n"
    "  --tolerance DEG     how far (2theta) a peak may lie from its reflection\n"
    "                      (default 0.05)\n"
    "  --reassign          assign again from each refined cell until nothing changes\n"
    "  --system S, --cell a,b,c,alpha,beta,gamma, --title TEXT\n"
    "                      the job without a job file (system: name or 1..7)\n"
    "\n"
    "Series (many job files, one table):\n"
    "  --series TABLE.csv  refine every JOB.inp with the same options, in parallel,\n"
    "                      and write one CSV row per job in the order given ('-':\n"
    "                      standard output); --json and --cif then hold every job\n"
    "  --series-x X.csv    x of each job by its file name, from a CSV with the\n"
    "                      header file,NAME (NAME: the x quantity, e.g. T_K)\n"
    "  --fit MODEL         fit the trend of the series: bm2, bm3, vinet (x: pressure,\n"
    "                      GPa) or thermal (x: temperature, K); with --fit-of a|b|c\n"
    "                      a cell length instead of the volume, --fit-t0 K the\n"
    "                      thermal model's reference temperature (298.15),\n"
    "                      --fit-json FILE the fit as JSON; an s.u. of x comes\n"
    "                      from a third column s_NAME of the x file\n"
    "  --series-list FILE  more job files, one a line ('-': standard input; # comments)\n"
    "  --threads N         threads to refine on (default: one per processor core)\n"
    "  --report-dir DIR    write each job's report as DIR/<job name>.out (and take\n"
    "                      delta2 weights from there); without it no reports\n"
    "  --help, -h          show this text\n"
    "  --version           print the version\n"
    "\n"
    "JOB.inp '-' reads the job file from standard input. --name=value works as\n"
    "--name value; '--' ends the options (a job file after it may begin with '-').\n"
    "\n"
    "The file's numbers are used at full precision. Exit status: 0 when the\n"
    "report was written (every job of a series was refined), 1 when a job was\n"
    "refused, its result is not defined (the reflections do not determine every\n"
    "refined parameter, or the results are not finite; the report is written),\n"
    "or a file could not be read or written, 2 for a usage error.\n";

struct Options {
  std::vector<std::string> jobPaths;
  RunChoices choices;
  bool setReport = false;
  std::string reportPath = ReportPathFor(".");
  std::string saveInput;
  PlotRequest plot;
  bool quiet = false;
  bool diagnostics = false;
  std::string jsonPath;
  std::string cifPath;
  std::string seriesTable;
  std::string seriesX;
  std::string reportDir;
  std::string seriesList;
  unsigned threads = 0;
  PeakInput peaks;
  TrendCommand trend;
};

int UsageError(const std::string& text) {
  std::fprintf(stderr, "lattrix-refine: %s\n%sTry 'lattrix-refine --help'.\n", text.c_str(), kUsage);
  return 2;
}

bool ParseMode(const std::string& text, const char* const names[], int first, int last, int& out) {
  for (int code = first; code <= last; ++code) {
    if (text == names[code - first]) {
      out = code;
      return true;
    }
  }
  int value = 0;
  FieldScanner scan(text);
  char* end = nullptr;
  long plain = std::strtol(text.c_str(), &end, 10);
  if (!scan.Int(value) || end == text.c_str() || *end != '\0' || plain < first || plain > last) return false;
  out = static_cast<int>(plain);
  return true;
}

// A positive finite number and nothing else.
bool ParsePositive(const std::string& text, double& out) {
  double value = 0.0;
  if (!ParseNumberText(text, value) || !(value > 0.0)) return false;
  out = value;
  return true;
}

// The options of a peak list (--reflections and what goes with it):
// kPeakOptionRead for one of them, read; 0 for another option; else the
// usage error's status.
constexpr int kPeakOptionRead = -1;
int ParsePeakOption(const std::string& arg, const std::function<bool(std::string&)>& value, PeakInput& peaks) {
  static const char* const systems[] = {CrystalSystemName(1), CrystalSystemName(2), CrystalSystemName(3),
                                        CrystalSystemName(4), CrystalSystemName(5), CrystalSystemName(6),
                                        CrystalSystemName(7)};
  std::string v;
  if (arg == "--reflections") {
    if (!value(peaks.path) || peaks.path.empty()) return UsageError("--reflections takes a file name");
  } else if (arg == "--units") {
    if (!value(v) || !ParsePeakUnits(v, peaks.units)) return UsageError("--units takes 2theta, d or q");
  } else if (arg == "--centring") {
    if (!value(v) || !ParseCentring(v, peaks.assignment.centring)) return UsageError("--centring takes P, A, B, C, I, F or R");
  } else if (arg == "--tolerance") {
    if (!value(v) || !ParsePositive(v, peaks.assignment.tolerance))
      return UsageError("--tolerance takes a positive number (degrees 2theta)");
  } else if (arg == "--reassign") {
    peaks.reassign = true;
  } else if (arg == "--system") {
    if (!value(v) || !ParseMode(v, systems, 1, 7, peaks.system)) return UsageError("--system takes 1..7 or triclinic, ..., cubic");
  } else if (arg == "--cell") {
    if (!value(v) || !ParseCellOption(v, peaks.cell))
      return UsageError("--cell takes a,b,c,alpha,beta,gamma: lengths above 0, angles between 0 and 180");
    peaks.hasCell = true;
  } else if (arg == "--title") {
    if (!value(peaks.title)) return UsageError("--title takes a text");
  } else {
    return 0;
  }
  return kPeakOptionRead;
}

// The options of a series' trend fit (--fit and what goes with it), read as
// ParsePeakOption reads its own.
int ParseTrendOption(const std::string& arg, const std::function<bool(std::string&)>& value, TrendCommand& trend) {
  std::string v;
  if (arg == "--fit") {
    if (!value(v) || !ParseTrendModel(v, trend.options.model)) return UsageError("--fit takes bm2, bm3, vinet or thermal");
    trend.enabled = true;
  } else if (arg == "--fit-of") {
    if (!value(v) || (v != "volume" && v != "a" && v != "b" && v != "c")) return UsageError("--fit-of takes volume, a, b or c");
    trend.quantity = v;
  } else if (arg == "--fit-t0") {
    if (!value(v) || !ParsePositive(v, trend.options.t0)) return UsageError("--fit-t0 takes a positive temperature (K)");
  } else if (arg == "--fit-json") {
    if (!value(trend.jsonPath) || trend.jsonPath.empty()) return UsageError("--fit-json takes a file name or -");
  } else {
    return 0;
  }
  return kPeakOptionRead;
}

// The fitting-map options, answered as ParsePeakOption answers.
int ParsePlotOption(const std::string& arg, const std::function<bool(std::string&)>& value, Options& options) {
#ifdef LATTRIX_HAVE_PLOT
  std::string v;
  if (arg == "--plot") {
    if (!value(options.plot.path) || options.plot.path.empty()) return UsageError("--plot takes a file name");
  } else if (arg == "--plot-type") {
    if (!value(v) || (v != "1" && v != "2" && v != "3")) return UsageError("--plot-type takes 1, 2 or 3");
    options.plot.type = v[0] - '0';
  } else if (arg == "--plot-size") {
    int w = 0, h = 0;
    char extra = 0;
    if (!value(v) || std::sscanf(v.c_str(), "%dx%d%c", &w, &h, &extra) != 2 || w < 16 || h < 16 || w > 10000 ||
        h > 10000)
      return UsageError("--plot-size takes WIDTHxHEIGHT, from 16x16 to 10000x10000");
    options.plot.width = w;
    options.plot.height = h;
  } else if (arg == "--plot-style") {
    MapStyle style = MapStyle::kDark;
    if (!value(options.plot.style) || !ParseMapStyle(options.plot.style, style))
      return UsageError("--plot-style takes light or dark");
  } else {
    return 0;
  }
  return kPeakOptionRead;
#else
  (void)arg, (void)value, (void)options;
  return 0;
#endif
}

// Options that only make sense for one job, or only for a series.
int CheckOptionsTogether(const Options& options) {
  const PeakInput& peaks = options.peaks;
  const bool withoutJob = !peaks.path.empty() && options.jobPaths.empty();
  if (withoutJob && (peaks.system == 0 || !peaks.hasCell))
    return UsageError("--reflections without a job file needs --system and --cell");
  if (!withoutJob && (peaks.system != 0 || peaks.hasCell || !peaks.title.empty()))
    return UsageError("--system, --cell and --title are for --reflections without a job file");
  if (peaks.path.empty() && peaks.reassign) return UsageError("--reassign belongs to --reflections");
  if (!peaks.path.empty() && !options.seriesTable.empty()) return UsageError("--reflections is for one job, not for --series");
  if (options.jobPaths.empty() && !withoutJob && options.seriesList.empty()) return UsageError("no job file given");
  const TrendCommand& trend = options.trend;
  if (!trend.enabled && (trend.quantity != "volume" || !trend.jsonPath.empty()))
    return UsageError("--fit-of and --fit-json belong to --fit");
  if (trend.enabled && options.seriesX.empty()) return UsageError("--fit needs --series-x: the x of each job");
  if (options.jsonPath == "-" && options.cifPath == "-")
    return UsageError("--json - and --cif - cannot share standard output");
  if (options.seriesTable == "-" && (options.jsonPath == "-" || options.cifPath == "-"))
    return UsageError("--series - cannot share standard output with --json - or --cif -");
  if (options.seriesTable.empty()) {
    if (options.jobPaths.size() > 1) return UsageError("only one job file, please");
    if (!options.seriesX.empty() || !options.reportDir.empty())
      return UsageError("--series-x and --report-dir belong to --series");
    if (!options.seriesList.empty() || options.threads != 0) return UsageError("--series-list and --threads belong to --series");
    return 0;
  }
  if (options.setReport) return UsageError("--report is for one job; a series writes its reports with --report-dir");
  if (!options.saveInput.empty() || !options.plot.path.empty() || options.diagnostics)
    return UsageError("--save-input, --plot and --diagnostics are for one job, not for --series");
  return 0;
}

// Returns 0 when the options are complete, else the exit status.
int ParseOptions(int argc, char** argv, Options& options) {
  static const char* const corrections[] = {"manual", "none", "zero", "displacement", "zero+displacement"};
  static const char* const weightings[] = {"unity", "sin2", "delta2", "sindelta", "esd"};
  CommandLine args(argc, argv);
  while (args.Next()) {
    const std::string arg = args.Arg();
    auto value = [&](std::string& out) { return args.Value(out); };
    std::string v;
    if (args.IsOperand()) {
      options.jobPaths.push_back(arg);
    } else if (arg == "--help" || arg == "-h" || arg == "--version") {
      std::fputs(arg == "--version" ? "lattrix-refine " LATTRIX_VERSION "\n" : (std::string(kUsage) + kHelp).c_str(), stdout);
      std::exit(0);
    } else if (arg == "--correction") {
      if (!value(v) || !ParseMode(v, corrections, 1, 5, options.choices.correction))
        return UsageError("--correction takes 1..5 or manual, none, zero, displacement, zero+displacement");
    } else if (arg == "--weighting") {
      if (!value(v) || !ParseMode(v, weightings, 0, 4, options.choices.weighting))
        return UsageError("--weighting takes 0..4 or unity, sin2, delta2, sindelta, esd");
    } else if (int status = ParsePeakOption(arg, value, options.peaks)) {
      if (status != kPeakOptionRead) return status;
    } else if (int status = ParseTrendOption(arg, value, options.trend)) {
      if (status != kPeakOptionRead) return status;
    } else if (arg == "--calibrate") {
      options.choices.calibrate = 1;
    } else if (arg == "--no-calibrate") {
      options.choices.calibrate = 0;
    } else if (arg == "--report") {
      if (!value(options.reportPath) || options.reportPath.empty()) return UsageError("--report takes a path");
      options.setReport = true;
    } else if (arg == "--wavelength") {
      if (!value(v) || !ParsePositive(v, options.choices.wavelength))
        return UsageError("--wavelength takes a positive number (Angstrom)");
      options.choices.setWavelength = true;
    } else if (arg == "--radius") {
      if (!value(v) || !ParsePositive(v, options.choices.radius))
        return UsageError("--radius takes a positive number (mm)");
      options.choices.setRadius = true;
    } else if (arg == "--save-input") {
      if (!value(options.saveInput) || options.saveInput.empty()) return UsageError("--save-input takes a path");
    } else if (int status = ParsePlotOption(arg, value, options)) {
      if (status != kPeakOptionRead) return status;
    } else if (arg == "--diagnostics") {
      options.diagnostics = true;
    } else if (arg == "--json") {
      if (!value(options.jsonPath) || options.jsonPath.empty()) return UsageError("--json takes a file name or -");
    } else if (arg == "--cif") {
      if (!value(options.cifPath) || options.cifPath.empty()) return UsageError("--cif takes a file name or -");
    } else if (arg == "--quiet" || arg == "-q") {
      options.quiet = true;
    } else if (arg == "--series") {
      if (!value(options.seriesTable) || options.seriesTable.empty()) return UsageError("--series takes a file name or -");
    } else if (arg == "--series-x") {
      if (!value(options.seriesX) || options.seriesX.empty()) return UsageError("--series-x takes a file name");
    } else if (arg == "--series-list") {
      if (!value(options.seriesList) || options.seriesList.empty()) return UsageError("--series-list takes a file name or -");
    } else if (arg == "--threads") {
      if (!value(v) || !ParseThreadCount(v, options.threads)) return UsageError("--threads takes a whole number from 1 to 1024");
    } else if (arg == "--report-dir") {
      if (!value(options.reportDir) || options.reportDir.empty()) return UsageError("--report-dir takes a directory");
    } else {
      return UsageError("unknown option " + arg);
    }
    if (args.ValueLeft()) return UsageError(arg + " takes no value");
  }
  return CheckOptionsTogether(options);
}

void PrintSummary(const Job& job, const RefinementOutcome& outcome) {
  std::string t;
  t += "Title          : " + PrintableLine(job.m_strTitle) + "\n";
  t += Format("Crystal system : %s\n", CrystalSystemName(job.m_nCrystalSystem));
  t += Format("Correction     : %s\n", CorrectionName(job.m_nCorrection));
  t += Format("Weighting      : %s\n", WeightingName(job.m_nWeighting));
  t += Format("Reflections    : %d (degrees of freedom %d)%s\n", job.m_nReflections,
              outcome.degreesOfFreedom, job.m_bInternalStd == 1 ? ", calibrated against Si" : "");
  t += "\nRefined cell         value        s.d.\n";
  static const char* const names[] = {"a     (A)  ", "b     (A)  ", "c     (A)  ",
                                      "alpha (deg)", "beta  (deg)", "gamma (deg)"};
  for (int j = 0; j < 6; ++j) {
    if (j < 3)
      t += Format("  %s %10.5lf  %10.5lf\n", names[j], job.m_dRefinedCell[j], job.m_dCellSigma[j]);
    else
      t += Format("  %s %10.3lf  %10.3lf\n", names[j], job.m_dRefinedCell[j], job.m_dCellSigma[j]);
  }
  t += Format("  volume (A3) %10.3lf  %10.3lf\n", job.m_dVolume, job.m_dVolumeSigma);
  t += "\nCorrections          value        s.d.\n";
  t += Format("  zero  (deg) %10.4lf  %10.4lf\n", job.m_dZero, job.m_dZeroSigma);
  t += Format("  ssd   (mm)  %10.4lf  %10.4lf\n", job.m_dDisp, job.m_dDispSigma);
  t += Format("  emu         %10.4lf  %10.4lf\n", job.m_dEmu, job.m_dEmuSigma);
  t += Format("\nsum delta 2theta = %.4lf deg, s.d. = %.4lf deg\n", outcome.sumDelta, outcome.sdDelta);
  t += "Report         : " + job.m_strReportPath + "\n";
  std::fputs(t.c_str(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (int status = ParseOptions(argc, argv, options)) return status;
  if (!options.seriesTable.empty()) {
    SeriesCommand series;
    series.choices = options.choices;
    series.jobPaths = options.jobPaths;
    series.listPath = options.seriesList;
    series.threads = options.threads;
    series.tablePath = options.seriesTable;
    series.xPath = options.seriesX;
    series.reportDir = options.reportDir;
    series.jsonPath = options.jsonPath;
    series.cifPath = options.cifPath;
    series.quiet = options.quiet;
    series.trend = options.trend;
    return RunSeriesCommand(series);
  }

  StderrSink sink;
  Job job;
  InitialiseJob(job, ".");
  job.m_strReportPath = options.reportPath;
  if (options.jobPaths.empty()) {
    JobFromOptions(options.peaks, job);
  } else {
    job.m_strInputPath = options.jobPaths.front();
    if (!(job.m_strInputPath == "-" ? ReadInputStream(job, std::cin, sink) : ReadInputFile(job, sink))) return 1;
  }
  // A peak list is converted to 2theta with the wavelength of the run.
  if (options.choices.setWavelength) job.m_dWavelength = options.choices.wavelength;
  std::vector<PeakPosition> peaks;
  if (!options.peaks.path.empty() && !TakeReflections(options.peaks, options.choices.correction, job, peaks, sink))
    return 1;

  // What the form's controls would hold after the user's choices.
  const SiliconStandard silicon = ApplyRunChoices(job, options.choices);
  const RunResult run = options.peaks.reassign ? RefineReassigning(options.peaks, peaks, job, silicon, sink)
                                               : RunJob(job, silicon, sink);
  if (run.undefined) {
    // The report and the messages say what went wrong; no number of the run
    // passes for a result: no summary, no CIF, a JSON with a null result.
    if (!options.jsonPath.empty())
      EmitResult(JsonRefusedText(job.m_strInputPath, job.m_strTitle, run.messages, true), options.jsonPath, sink);
    return 1;
  }
  if (!run.refined) return 1;
  // Standard output given to the JSON or the CIF carries nothing else.
  const bool stdoutTaken = options.jsonPath == "-" || options.cifPath == "-";
  const bool talk = !options.quiet && !stdoutTaken;
  if (talk) PrintSummary(job, run.outcome);
  if (talk && options.diagnostics) {
    std::fputs("\nRegression diagnostics (leave-one-out; DFBETAS in standard deviations)\n", stdout);
    std::fputs(DiagnosticsTable(run.diagnostics).c_str(), stdout);
    std::fputs(("\n" + CorrelatedPairsText(run.outcome.covariance)).c_str(), stdout);
  }

  int status = 0;
  if (!options.saveInput.empty()) {
    job.m_strInputPath = options.saveInput;
    if (!WriteInputFile(job, sink)) status = 1;
  }
#ifdef LATTRIX_HAVE_PLOT
  if (!options.plot.path.empty() && !DrawMapOfReport(job.m_strReportPath, job.m_nReflections, options.plot, sink)) status = 1;
#endif
  if (!options.jsonPath.empty() &&
      !EmitResult(JsonResultText(job, run.outcome, run.diagnostics, run.messages), options.jsonPath, sink))
    status = 1;
  if (!options.cifPath.empty() && !EmitResult(CifText(job), options.cifPath, sink)) status = 1;
  return status;
}
