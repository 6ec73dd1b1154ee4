// A peak list made the reflections of a job: converted to 2theta with the
// job's wavelength, and indexed from the trial cell when it has no h k l.
#pragma once

#include <vector>

#include "common/MessageSink.h"
#include "job/Job.h"
#include "peaks/Assignment.h"
#include "peaks/PeakList.h"

namespace lattrix {

// The peaks as 2theta (degrees) with their esd's at the wavelength. False
// after a message for a value that has no 2theta there.
bool PeakPositions(const PeakList& list, double wavelength, std::vector<PeakPosition>& out, MessageSink& sink);

// Values that were never 2theta (d or Q) take no correction of 2theta: true
// when the correction mode would have to change to No correction.
inline bool CorrectionNeedsTwoTheta(PeakUnits units, int correction) {
  return units != PeakUnits::kTwoTheta && correction != kNoCorrection;
}

// Replaces the job's reflections by the list's peaks: an indexed list as it
// stands, an unindexed one through AssignIndices with the job's trial cell
// (the assignment is kept in `assignment`). Each row's observed 2theta, its
// esd and weight 1. False after a message, the job as it was: a value
// without a 2theta at the wavelength, or more than 50 reflections
// ("Data number=51 is not acceptable !!!"). `positions`, when given,
// receives every peak as 2theta (to assign again from a refined cell).
bool TakePeakList(Job& job, const PeakList& list, const AssignmentOptions& options, Assignment& assignment,
                  MessageSink& sink, std::vector<PeakPosition>* positions = nullptr);

// Sets the job's reflections from `firstRow` on to the assigned peaks, the
// rows above kept (at most 50 in all: false after the message otherwise,
// the job as it was).
bool TakeAssignedPeaks(Job& job, const std::vector<AssignedPeak>& peaks, MessageSink& sink, int firstRow = 0);

}  // namespace lattrix
