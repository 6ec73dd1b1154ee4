#include "PeakInput.h"

#include "common/TextIO.h"
#include "peaks/PeakJob.h"

namespace lattrix {
namespace {

constexpr int kMaxReassignPasses = 10;

bool SameIndices(const Job& job, const std::vector<AssignedPeak>& peaks) {
  if (peaks.size() != static_cast<size_t>(job.m_nReflections)) return false;
  for (int i = 0; i < job.m_nReflections; ++i) {
    const Indices& hkl = peaks[static_cast<size_t>(i)].hkl;
    if (hkl.h != job.m_nH[i] || hkl.k != job.m_nK[i] || hkl.l != job.m_nL[i]) return false;
  }
  return true;
}

}  // namespace

bool ParseCellOption(const std::string& text, double cell[6]) {
  std::string rest = text;
  double values[6];
  for (int j = 0; j < 6; ++j) {
    const size_t comma = rest.find(',');
    if ((comma == std::string::npos) != (j == 5)) return false;
    if (!ReadNumberField(rest.substr(0, comma), values[j]) || UnphysicalCellConstant(j, values[j])) return false;
    rest = comma == std::string::npos ? std::string() : rest.substr(comma + 1);
  }
  for (int j = 0; j < 6; ++j) cell[j] = values[j];
  return true;
}

void JobFromOptions(const PeakInput& input, Job& job) {
  job.m_strTitle = input.title;
  job.m_nCrystalSystem = input.system;
  for (int j = 0; j < 6; ++j) job.m_dCell[j] = input.cell[j];
  job.m_bInputLoaded = true;
}

bool TakeReflections(const PeakInput& input, int correction, Job& job, std::vector<PeakPosition>& positions,
                     MessageSink& sink) {
  PeakList list;
  if (!ReadPeakFile(input.path, input.units, list, sink)) return false;
  if (CorrectionNeedsTwoTheta(list.units, correction)) {
    sink.Show(Format("%s gives %s, not 2theta as measured: a correction of 2theta has no meaning for it !!!\n"
                     " Refine it with --correction none.",
                     PrintableText(input.path, 200).c_str(), PeakUnitsName(list.units)));
    return false;
  }
  Assignment assignment;
  if (!TakePeakList(job, list, input.assignment, assignment, sink, &positions)) return false;
  if (!list.hasHkl) sink.Show(assignment.Summary());
  return true;
}

RunResult RefineReassigning(const PeakInput& input, const std::vector<PeakPosition>& positions, Job& job,
                            const SiliconStandard& silicon, MessageSink& sink) {
  RunResult run = RunJob(job, silicon, sink);
  for (int pass = 1; pass < kMaxReassignPasses && run.refined; ++pass) {
    const Assignment again = AssignIndices(positions, job.m_dRefinedCell, job.m_dWavelength, input.assignment);
    if (SameIndices(job, again.assigned)) break;
    sink.Show(Format("Pass %d, from the refined cell: ", pass + 1) + again.Summary());
    if (!TakeAssignedPeaks(job, again.assigned, sink)) break;
    run = RunJob(job, silicon, sink);
  }
  return run;
}

}  // namespace lattrix
