// The batch command's peak-list input: --reflections FILE with the job's (or
// the options') title, crystal system, trial cell and instrument.
#pragma once

#include <string>
#include <vector>

#include "common/MessageSink.h"
#include "job/Job.h"
#include "peaks/Assignment.h"
#include "peaks/PeakList.h"
#include "run/RunStep.h"

namespace lattrix {

struct PeakInput {
  std::string path;                          // the peak list; empty: none
  PeakUnits units = PeakUnits::kTwoTheta;    // of a list without a header
  AssignmentOptions assignment;
  bool reassign = false;
  // A job without a job file: --system, --cell, --title.
  int system = 0;                            // 0: not given
  bool hasCell = false;
  double cell[6] = {};
  std::string title;
};

// "a,b,c,alpha,beta,gamma": six positive numbers.
bool ParseCellOption(const std::string& text, double cell[6]);

// A job without a job file: the options' title, system and cell, the
// program's instrument defaults.
void JobFromOptions(const PeakInput& input, Job& job);

// Replaces the job's reflections by the peak list, converted to 2theta with
// the job's wavelength (set it first) and indexed from its trial cell when
// the list has no h k l; the assignment's summary goes to the sink. A d or
// Q list with a correction mode other than none is refused: it was never
// 2theta, so a zero or displacement correction has no meaning. False after
// a message.
// `positions` receives every peak of the list as 2theta (for --reassign).
bool TakeReflections(const PeakInput& input, int correction, Job& job, std::vector<PeakPosition>& positions,
                     MessageSink& sink);

// --reassign: the peaks indexed again from each refined cell and the job
// refined again until the indices no longer change (at most 10 passes).
// Returns the last run.
RunResult RefineReassigning(const PeakInput& input, const std::vector<PeakPosition>& positions, Job& job,
                            const SiliconStandard& silicon, MessageSink& sink);

}  // namespace lattrix
