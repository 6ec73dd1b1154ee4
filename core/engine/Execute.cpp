#include "engine/Execute.h"

namespace lattrix {

void ComputeSin2Weights(Job&, MessageSink&) {}
void ReadDeltaWeights(Job&, MessageSink&) {}
void ReadSinDeltaWeights(Job&, MessageSink&) {}

bool ExecuteRefinement(Job& job, MessageSink& sink, RefinementOutcome* outcome) {
  if (job.m_dEmu == 0.0 && job.m_nCorrection == kManual) {
    sink.Show("Manual correction mode not available !!!");
    job.m_bRefined = false;
    return false;
  }
  RefinementOutcome result = RefineCell(job, sink);
  if (outcome) *outcome = result;
  job.m_bRefined = true;
  return true;
}

}  // namespace lattrix
