#include "calibration/Calibration.h"

namespace lattrix {

SiliconListTexts SiliconTextsFromJob(const Job&) { return SiliconListTexts(); }

bool CalibrateTwoTheta(Job&, const SiliconListTexts&, MessageSink& sink) {
  sink.Show("Internal calibration is not available yet.");
  return false;
}

}  // namespace lattrix
