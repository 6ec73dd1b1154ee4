// One run of a job, as the Execute command and the batch command make it:
// the count check and the calibration, then the weights, the refinement with
// its report, and the diagnostics of the same problem.
#pragma once

#include <string>
#include <vector>

#include "calibration/Calibration.h"
#include "common/MessageSink.h"
#include "diagnostics/Diagnostics.h"
#include "engine/Refinement.h"
#include "job/Job.h"

namespace lattrix {

struct RunResult {
  // The refinement ran and the job holds its results (m_bRefined).
  bool refined = false;
  RefinementOutcome outcome;
  DiagnosticsResult diagnostics;
  // Every message of the run, in the order shown.
  std::vector<std::string> messages;

  bool ReportWritten() const { return refined && outcome.reportWritten; }
};

// What a job needs before it is refined or saved: at least one reflection
// ("No reflection data input !!!", m_bRefined false) and, when
// m_bInternalStd is 1, 2theta calibrated against the silicon list (whose
// messages leave m_bRefined as it was). False after a message.
bool PrepareRun(Job& job, const SiliconListTexts& silicon, MessageSink& sink);

// PrepareRun, then ExecuteRefinement and the diagnostics of its problem.
RunResult RunJob(Job& job, const SiliconListTexts& silicon, MessageSink& sink);

}  // namespace lattrix
