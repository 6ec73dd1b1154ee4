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

// The number of decimals that shows a value to the place of its s.d.'s
// first significant digit once the s.d. is rounded to that digit (0.000043
// -> 5, 0.000096 -> 4 as it rounds to 0.0001), never fewer than
// `minDecimals` nor more than 10. An s.d. of 0, negative or not finite
// gives `minDecimals`.
int DecimalsOfSu(double su, int minDecimals);

// `value` in printf's "%*.*f" with the decimals of `su` as above.
std::string FixedToSu(double value, double su, int width, int minDecimals);

}  // namespace lattrix
