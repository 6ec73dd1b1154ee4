// The refined cell as a CIF data block, for structure programs and
// databases.
#pragma once

#include <string>
#include <vector>

#include "common/MessageSink.h"
#include "job/Job.h"

namespace lattrix {

// A value with its standard uncertainty in CIF notation: the s.u. with two
// significant digits when they are 19 or less, else one (the IUCr rule of
// 19), and the value rounded to the s.u.'s last digit: 4.91340(12),
// 5.4051(3), 1230(30). An s.u. of 0, negative or not finite gives the value
// alone with up to ten significant digits ("90", "1.5405981"); a value that
// is not finite gives "?" (unknown).
std::string ValueWithSu(double value, double su);

// The value alone as above.
std::string PlainValue(double value);

// ValueWithSu for a text a person reads: a value below 0.001 in size is
// written with a power of ten, its digits without the leading zeros
// (9.4(5)e-09 for 0.0000000094(5)).
std::string ReadableValueWithSu(double value, double su);

// The standard uncertainty reported for refined cell constant j (a, b, c,
// alpha, beta, gamma): none for an angle the crystal system fixes.
double CellConstantSu(const Job& job, int j);

// "data_" and a block code made from the title: letters, digits, '.', '-'
// and '_' kept, any run of other characters one '_', at most 75 characters
// after "data_"; "data_lattrix" for a title with none of them.
std::string CifBlockName(const std::string& title);

// The refined cell of the job's last refinement: the title (as a text
// field), the crystal system, the cell constants and volume with their
// standard uncertainties, the wavelength and the reflections used.
// CifHeader() and one CifBlock named by the title.
std::string CifText(const Job& job);

// The lines a CIF file begins with: the version line and a comment.
std::string CifHeader();

// The data block of CifText under the given "data_..." name.
std::string CifBlock(const Job& job, const std::string& blockName);

// Block names made unique within one file (a series of jobs with one
// title): a repeated name gets "_2", "_3", ..., never another block's name.
std::vector<std::string> UniqueCifBlockNames(const std::vector<std::string>& names);

// Writes CifText to path, replacing an existing file only when the whole
// text was written (WriteTextFile).
bool WriteCifFile(const Job& job, const std::string& path, MessageSink& sink);

}  // namespace lattrix
