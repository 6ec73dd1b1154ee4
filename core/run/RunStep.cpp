#include "run/RunStep.h"

#include <cerrno>
#include <cmath>

#include "common/AtomicFile.h"
#include "common/TextIO.h"
#include "report/ReportWriter.h"

namespace lattrix {

bool RadiusEntersCorrection(int correction) {
  return correction == kManual || correction == kDisplacement || correction == kZeroAndDisplacement;
}


bool InstrumentIsSound(const Job& job, MessageSink& sink) {
  if (!(job.m_dWavelength > 0.0) || !std::isfinite(job.m_dWavelength)) {
    sink.Show(Format("Wavelength=%g is not acceptable !!!\n The wavelength must be a positive number "
                     "of Angstrom.",
                     job.m_dWavelength));
    return false;
  }
  if (RadiusEntersCorrection(job.m_nCorrection) &&
      (!(job.m_dGonioRadius > 0.0) || !std::isfinite(job.m_dGonioRadius))) {
    sink.Show(Format("Goniometer radius=%g is not acceptable !!!\n The sample displacement needs a "
                     "positive radius in mm.",
                     job.m_dGonioRadius));
    return false;
  }
  return true;
}

bool JobIsPhysical(const Job& job, MessageSink& sink) {
  for (int j = 0; j < 6; ++j) {
    if (const char* problem = UnphysicalCellConstant(j, job.m_dCell[j])) {
      sink.Show(Format("%s of the trial cell (%.10g) %s !!!", CellConstantName(j), job.m_dCell[j], problem));
      return false;
    }
  }
  for (int i = 0; i < job.m_nReflections; ++i) {
    if (const char* problem = UnphysicalTwoTheta(job.m_dTwoThetaRaw[i])) {
      sink.Show(Format("2theta of row %d (%.10g) %s !!!", i + 1, job.m_dTwoThetaRaw[i], problem));
      return false;
    }
  }
  return true;
}

bool PrepareRun(Job& job, const SiliconStandard& silicon, MessageSink& sink) {
  if (job.m_nReflections < 1) {
    sink.Show("No reflection data input !!!");
    job.m_bRefined = false;
    return false;
  }
  if (!JobIsPhysical(job, sink)) return false;
  if (job.m_bInternalStd == 1) return CalibrateTwoTheta(job, silicon, sink);
  return true;
}

SiliconStandard ApplyRunChoices(Job& job, const RunChoices& choices) {
  job.m_nCorrection = choices.correction;
  job.m_nWeighting = choices.weighting;
  if (choices.setWavelength) job.m_dWavelength = choices.wavelength;
  if (choices.setRadius) job.m_dGonioRadius = choices.radius;
  const SiliconStandard silicon = SiliconStandardOf(job);
  if (choices.calibrate >= 0) job.m_bInternalStd = choices.calibrate;
  return silicon;
}

namespace {

// The report replaces the previous one whole (a temporary file beside it,
// renamed over it): a full disk leaves the previous report, which the next
// run's delta2 weights read, as it was.
bool WriteReport(const Job& job, const RefinementOutcome& outcome, MessageSink& sink) {
  if (ReplaceFile(job.m_strReportPath, ReportText(job, outcome))) return true;
  const int error = errno != 0 ? errno : EACCES;
  sink.Show("Output file not open !!!\n" + FileProblem(job.m_strReportPath, error));
  return false;
}

}  // namespace

RunResult RunJob(Job& job, const SiliconStandard& silicon, MessageSink& sink, ReportTarget target) {
  RunResult result;
  TeeSink tee(sink, result.messages);
  if (!InstrumentIsSound(job, tee) || !PrepareRun(job, silicon, tee)) return result;
  // Refined on a copy: a report that cannot be written leaves the job as it
  // was, and no result is shown without its report.
  Job run = job;
  if (!ExecuteRefinement(run, tee, &result.outcome, target)) {
    job.m_bRefined = run.m_bRefined;
    return result;
  }
  if (target == ReportTarget::kFile && !WriteReport(run, result.outcome, tee)) return result;
  result.job = std::move(run);
  job = result.job;
  for (const std::string& warning : result.outcome.warnings) tee.Note(warning);
  result.undefined = result.outcome.undefined;
  if (result.undefined) return result;
  result.refined = true;
  result.diagnostics = ComputeDiagnostics(job, result.outcome.problem);
  return result;
}

}  // namespace lattrix
