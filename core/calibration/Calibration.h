// Calibration of observed 2theta against the silicon internal standard:
// a straight line that maps observed silicon 2theta onto reference 2theta,
// applied to every reflection.
#pragma once

#include "common/MessageSink.h"
#include "job/Job.h"

namespace lattrix {

// The silicon list as numbers at full precision: the reference 2theta of
// each of the twelve reference reflections and, from the first row down to
// the first row without one, the observed 2theta.
struct SiliconStandard {
  double reference[kSiliconReflections] = {};
  double observed[kSiliconReflections] = {};
  int observedRows = 0;
};

// The silicon list of a job as read from its file: the reference table and
// the file's observed values (the first m_nSiObs rows, when the file's
// silicon section was read whole, m_bInternalStd 1; none otherwise). A
// caller that switches the calibration on itself must take the list first.
SiliconStandard SiliconStandardOf(const Job& job);

// The calibration line reference = c1 + c2 * observed.
struct CalibrationLine {
  double c1 = 0.0;
  double c2 = 0.0;
};

// Fits the calibration line over the rows with an observed value. Shows
// its message and returns false, leaving line untouched, when there is no
// observed value, one is not between 0 and 180 degrees, fewer than 3 rows
// are used, or the fit loses rank.
bool FitCalibrationLine(const SiliconStandard& silicon, CalibrationLine& line, MessageSink& sink);

// Fits reference = c1 + c2 * observed over the rows with an observed value
// and sets m_dTwoTheta[i] = c1 + c2 * m_dTwoThetaRaw[i] for every
// reflection: each run maps the observations afresh and never compounds the
// correction. Shows its message and returns false, changing nothing, when
// it cannot calibrate (the messages of FitCalibrationLine, or a calibrated
// 2theta that is not a number or not between 0 and 180 degrees).
bool CalibrateTwoTheta(Job& job, const SiliconStandard& silicon, MessageSink& sink);

}  // namespace lattrix
