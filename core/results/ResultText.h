// Results as text for other programs: the refined cell one quantity a line
// in IUCr notation.
#pragma once

#include <string>
#include <vector>

#include "job/Job.h"

namespace lattrix {

// The refined cell, volume and corrections of a refined job, one
// "name = value unit" line each, with standard uncertainties as in the CIF:
// "a = 4.91342(4) A", "alpha = 90 deg", "volume = 113.01(1) A3",
// "zero = 0.0123(4) deg", "ssd = 0.0051(9) mm", "emu = 0".
std::string ResultLines(const Job& job);

}  // namespace lattrix
