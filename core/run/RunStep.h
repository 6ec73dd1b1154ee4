// One run of a job, as the Execute command and the batch command make it:
// the count check and the calibration, then the weights, the refinement, its
// report written whole, and the diagnostics of the same problem, all in one
// result value.
#pragma once

#include <string>
#include <vector>

#include "calibration/Calibration.h"
#include "common/MessageSink.h"
#include "diagnostics/Diagnostics.h"
#include "run/Execute.h"
#include "engine/Refinement.h"
#include "job/Job.h"

namespace lattrix {

// One run's result, kept whole by whoever shows it: the job as it was
// refined (its inputs, the weights used and its result fields: the cell,
// standard deviations, volume, corrections), the list of d-spacings and
// covariance (outcome), the diagnostics and every message. The job the run
// was made on goes on changing; this value does not.
struct RunResult {
  // The refinement ran, its report (when one was asked for) was written, and
  // its result is defined.
  bool refined = false;
  // The refinement ran and wrote its report, but its result is not defined
  // (outcome.undefined): not refined, and no number of it is shown.
  bool undefined = false;
  Job job;
  RefinementOutcome outcome;
  DiagnosticsResult diagnostics;
  // Every message of the run, in the order shown.
  std::vector<std::string> messages;
};

// What a run applies to a job read from its file, as the form's controls
// hold it after the user's choices: the correction mode, the weighting, the
// calibration switch (-1 keeps what the file says) and instrument values
// that replace the file's.
struct RunChoices {
  int correction = kNoCorrection;
  int weighting = kUnity;
  int calibrate = -1;
  bool setWavelength = false;
  double wavelength = 0.0;
  bool setRadius = false;
  double radius = 0.0;
};

// Applies the choices to a job just read and returns the silicon list as the
// form shows it after reading the file (taken before the calibration switch
// changes, as the form's list is filled when the file is read).
SiliconStandard ApplyRunChoices(Job& job, const RunChoices& choices);

// What a job needs before it is refined or saved: at least one reflection
// ("No reflection data input !!!", m_bRefined false), JobIsPhysical and, when
// m_bInternalStd is 1, 2theta calibrated against the silicon list (whose
// messages leave m_bRefined as it was). False after a message.
bool PrepareRun(Job& job, const SiliconStandard& silicon, MessageSink& sink);

// True for the correction modes that use the goniometer radius: the
// displacement is refined (4, 5) or applied (Manual).
bool RadiusEntersCorrection(int correction);

// A wavelength that is a positive finite number, and a positive finite
// radius where the correction uses it; else a message and false.
bool InstrumentIsSound(const Job& job, MessageSink& sink);

// A trial cell and observed 2theta values that a crystal can have: cell
// lengths positive, cell angles and 2theta between 0 and 180 degrees; else
// a message that names the value ("2theta of row 3 (-36.544) is not between
// 0 and 180 degrees !!!") and false.
bool JobIsPhysical(const Job& job, MessageSink& sink);

// InstrumentIsSound and PrepareRun, then ExecuteRefinement, the report
// written whole to job.m_strReportPath ("Output file not open !!!" with the
// path and the reason when it cannot be), the run's warnings, and the
// diagnostics of its problem. Nothing is computed or written after a
// refusal. When the report could not be written the job is left as it was
// and the result is not refined: no result is shown without its report. An
// undefined result is not refined either (m_bRefined false). With
// ReportTarget::kNone no report is formatted, written or read.
RunResult RunJob(Job& job, const SiliconStandard& silicon, MessageSink& sink,
                 ReportTarget target = ReportTarget::kFile);

}  // namespace lattrix
