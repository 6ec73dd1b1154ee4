#include "peaks/PeakJob.h"

#include "common/TextIO.h"
#include "job/JobRows.h"

namespace lattrix {

bool PeakPositions(const PeakList& list, double wavelength, std::vector<PeakPosition>& out, MessageSink& sink) {
  std::vector<PeakPosition> positions;
  for (const Peak& peak : list.peaks) {
    PeakPosition p;
    p.line = peak.line;
    if (!PeakTwoTheta(peak, list.units, wavelength, p.twoTheta, p.esd)) {
      sink.Show(Format("Line %d: %s=%.10g has no 2theta between 0 and 180 degrees at the wavelength %.7f A !!!",
                       peak.line, PeakUnitsName(list.units), peak.value, wavelength));
      return false;
    }
    positions.push_back(p);
  }
  out = positions;
  return true;
}

bool TakeAssignedPeaks(Job& job, const std::vector<AssignedPeak>& peaks, MessageSink& sink, int firstRow) {
  if (firstRow < 0 || firstRow > job.m_nReflections) firstRow = job.m_nReflections;
  const size_t count = static_cast<size_t>(firstRow) + peaks.size();
  if (count > static_cast<size_t>(kMaxReflections)) {
    sink.Show(Format("Data number=%zu is not acceptable !!!", count));
    return false;
  }
  job.m_nReflections = static_cast<int>(count);
  for (int i = firstRow; i < job.m_nReflections; ++i) {
    const AssignedPeak& p = peaks[static_cast<size_t>(i - firstRow)];
    SetReflection(job, i, p.hkl.h, p.hkl.k, p.hkl.l, p.peak.twoTheta);
    job.m_dWeight[i] = 1.0;
    job.m_dEsd[i] = p.peak.esd;
  }
  return true;
}

bool TakePeakList(Job& job, const PeakList& list, const AssignmentOptions& options, Assignment& assignment,
                  MessageSink& sink, std::vector<PeakPosition>* taken) {
  std::vector<PeakPosition> positions;
  if (!PeakPositions(list, job.m_dWavelength, positions, sink)) return false;
  if (taken != nullptr) *taken = positions;
  if (list.hasHkl) {
    assignment = Assignment();
    for (size_t i = 0; i < positions.size(); ++i) {
      const Peak& peak = list.peaks[i];
      assignment.assigned.push_back({positions[i], {peak.h, peak.k, peak.l}, 0.0});
    }
  } else {
    assignment = AssignIndices(positions, job.m_dCell, job.m_dWavelength, options);
  }
  return TakeAssignedPeaks(job, assignment.assigned, sink);
}

}  // namespace lattrix
