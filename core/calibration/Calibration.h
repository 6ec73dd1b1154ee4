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
// below them).
SiliconListTexts SiliconTextsFromJob(const Job& job);

// Fits reference = c1 + c2 * observed over the rows down to the first empty
// "2th-obs" and sets m_dTwoTheta[i] = c1 + c2 * source[i] for every
// reflection, where the source is m_dTwoThetaRaw[i], or m_dTwoTheta[i] (the
// form value) when m_bTwoThetaFromForm[i] is set. Shows its message and
// returns false, changing nothing, when it cannot calibrate.
bool CalibrateTwoTheta(Job& job, const SiliconListTexts& texts, MessageSink& sink);

}  // namespace lattrix
