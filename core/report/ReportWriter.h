// The sections of the report file Lattrix.out. The fitting table, the
// fitting map and the delta2(theta) weights read it back by its section
// titles and the fixed number of lines between a title and its rows.
#pragma once

#include <iosfwd>
#include <vector>

#include "engine/Refinement.h"
#include "job/Job.h"
#include "report/ReportReader.h"

namespace lattrix {

// Head, trial cell, weighting and the input reflections (count rows).
void WriteReportHead(std::ostream& out, const Job& job, int count);
// Refined cell: values and standard deviations (angles in degrees), volume.
void WriteReportCell(std::ostream& out, const double cell[6], const double sigma[6], double volume,
                     double volumeSigma);
void WriteReportCorrections(std::ostream& out, double zero, double zeroSigma, double ssd,
                            double ssdSigma, double emu, double emuSigma);
// The list of d-spacings and the two sums of the 2theta differences.
void WriteReportList(std::ostream& out, const std::vector<ReflectionResult>& rows, double sumDelta,
                     double sdDelta);

}  // namespace lattrix
