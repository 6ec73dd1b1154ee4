// The Execute command without its window: weights by scheme, refinement,
// flags. The caller has gathered the job first (the form, or the batch
// command's file and options) and shows the results afterwards.
#pragma once

#include "common/MessageSink.h"
#include "engine/Refinement.h"
#include "job/Job.h"

namespace lattrix {

// sin^2(theta) weights scaled to a largest weight of 1.
void ComputeSin2Weights(Job& job, MessageSink& sink);

// Weights 1 / s(1/d^2) from the esd of each reflection's 2theta, scaled to
// a largest weight of 1. A row without an esd refuses the run (message,
// false, weights as they were).
bool ComputeEsdWeights(Job& job, MessageSink& sink);

// Weights from the del2th column of the previous report at
// job.m_strReportPath (delta2(theta) and sin*delta schemes). A missing
// report refuses the run (message, false: run with unity or sin2 first); a
// report without a list leaves the weights as they were, after a message;
// a report whose rows do not carry the job's h k l in order is refused with
// a message and false (no weights are taken from another job's misfits).
bool ReadDeltaWeights(Job& job, MessageSink& sink);
bool ReadSinDeltaWeights(Job& job, MessageSink& sink);

// Where a run's report goes: the file at job.m_strReportPath, or nowhere (a
// series that keeps no reports: the report is not even formatted, and there
// is no previous report to take delta2(theta) weights from).
enum class ReportTarget { kFile, kNone };

// Refuses Manual mode without known corrections ("Manual correction mode not
// available !!!", m_bRefined false, returns false); otherwise sets the
// weights of m_nWeighting (returning false when the previous report belongs
// to another job), refines (RefineCell: its warnings are in the outcome, not
// yet shown), sets m_bRefined (false for an undefined result) and returns
// true, also when the weights could not be read back (their message has
// been shown). Writes no file: the run step writes the report.
bool ExecuteRefinement(Job& job, MessageSink& sink, RefinementOutcome* outcome = nullptr,
                       ReportTarget target = ReportTarget::kFile);

}  // namespace lattrix
