// Calibration of observed 2theta against the silicon internal standard:
// a straight line that maps observed silicon 2theta onto reference 2theta,
// applied to every reflection.
#pragma once

#include <array>
#include <string>

#include "common/MessageSink.h"
#include "job/Job.h"

namespace lattrix {

// One row of the silicon list as texts: "2th-cal" and "2th-obs".
struct SiliconRowTexts {
  std::string reference;
  std::string observed;
};
using SiliconListTexts = std::array<SiliconRowTexts, kSiliconReflections>;

// The texts the form's silicon list shows for the job after a file was read:
// reference "%10.6lf", observed "%8.4lf" for the first m_nSiObs rows (empty
// below them). As on the form, the observed values are shown only when the
// file's silicon section was read whole (m_bInternalStd is 1); a caller that
// switches the calibration on itself must take the texts first.
SiliconListTexts SiliconTextsFromJob(const Job& job);

// The calibration line reference = c1 + c2 * observed.
struct CalibrationLine {
  double c1 = 0.0;
  double c2 = 0.0;
};

// Fits the calibration line over the rows down to the first empty
// "2th-obs". Shows its message and returns false, leaving line untouched,
// when the first "2th-obs" is empty, a used row's "2th-cal" or "2th-obs"
// is not a number ("2th-obs of row 4 is not a number !!!"), fewer than 3
// rows are used, or the fit loses rank.
bool FitCalibrationLine(const SiliconListTexts& texts, CalibrationLine& line, MessageSink& sink);

// Fits reference = c1 + c2 * observed over the rows down to the first empty
// "2th-obs" and sets m_dTwoTheta[i] = c1 + c2 * m_dTwoThetaRaw[i] for every
// reflection: each run maps the observations afresh and never compounds the
// correction. Shows its message and returns false, changing nothing, when
// it cannot calibrate (the messages of FitCalibrationLine).
bool CalibrateTwoTheta(Job& job, const SiliconListTexts& texts, MessageSink& sink);

}  // namespace lattrix
