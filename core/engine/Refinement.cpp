#include "engine/Refinement.h"

#include <fstream>

namespace lattrix {

RefinementOutcome RefineCell(Job& job, MessageSink& sink) {
  std::ofstream out(job.m_strReportPath, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!out.is_open()) {
    sink.Show("Output file not open !!!\n");
    return RefinementOutcome();
  }
  return RefineCell(job, out, sink);
}

RefinementOutcome RefineCell(Job&, std::ostream&, MessageSink&) {
  RefinementOutcome outcome;
  outcome.reportWritten = true;
  return outcome;
}

}  // namespace lattrix
