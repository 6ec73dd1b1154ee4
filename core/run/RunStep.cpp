#include "run/RunStep.h"

#include "engine/Execute.h"

namespace lattrix {

bool PrepareRun(Job& job, const SiliconListTexts& silicon, MessageSink& sink) {
  if (job.m_nReflections < 1) {
    sink.Show("No reflection data input !!!");
    job.m_bRefined = false;
    return false;
  }
  return job.m_bInternalStd != 1 || CalibrateTwoTheta(job, silicon, sink);
}

RunResult RunJob(Job& job, const SiliconListTexts& silicon, MessageSink& sink) {
  RunResult result;
  TeeSink tee(sink, result.messages);
  if (!PrepareRun(job, silicon, tee)) return result;
  if (!ExecuteRefinement(job, tee, &result.outcome)) return result;
  result.refined = true;
  result.diagnostics = ComputeDiagnostics(job, result.outcome.problem);
  return result;
}

}  // namespace lattrix
