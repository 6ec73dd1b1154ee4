// The report file Lattrix.out, formatted from a run's result. Its section
// titles and the fixed number of lines between a title and its rows are
// what the report reader (report/ReportReader.h) finds them by.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "engine/Refinement.h"
#include "job/Job.h"
#include "report/ReportReader.h"

namespace lattrix {

// The whole report of a run: the job as refined (its inputs and its result
// fields) and the run's outcome (the list of d-spacings and its sums).
std::string ReportText(const Job& job, const RefinementOutcome& outcome);

// The twelve texts of a row of the list of d-spacings as the report prints
// them, without the blanks that pad them to their widths, in the order of
// ReportListField (field n at index n - 1).
constexpr int kListFields = 12;
using ListRowTexts = std::array<std::string, kListFields>;
ListRowTexts ListRowFields(const ReflectionResult& row);

// The value of the "sum delta 2theta" and "s.d.delta 2theta" lines ("%6.3lf").
std::string SumLineValue(double value);

}  // namespace lattrix
