// The fitting table: the per-reflection results of the last refinement,
// read back as text from the report's list of d-spacings.
//
// The table never computes anything: every cell but the row number and the
// two input 2theta columns is the report's own text, so the table shows
// exactly what the report says.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "common/MessageSink.h"

namespace lattrix {

// Cells of a row: the row number, h, k, l, 2th-org, 2th-obs (the job's
// values), 2th-cor, 2th-cal, 2th-dif, d-obs, d-cal, d-dif, weight.
constexpr int kFittingTableColumns = 13;

struct FittingTable {
  // One entry per row shown, each with its cell texts in column order.
  std::vector<std::array<std::string, kFittingTableColumns>> rows;
  std::string sumDelta;  // value of the "sum delta 2theta" line, as written
  std::string stdDelta;  // value of the "s.d.delta 2theta" line, as written
};

// Fills `out` from the report at `reportPath`. The number of rows is the
// number of data lines of the report's "Input Reflection Data" section (at
// most 50); each row's cells come from the same row of "List of d-spacings",
// except the row number ("%2d", from 1) and the 2th-org and 2th-obs columns,
// which show twoThetaRaw[r] and twoTheta[r] ("%8.4lf") of the job. The two
// arrays hold `count` entries (either may be null when count is 0); a row
// beyond them leaves those two cells empty. A report row with fewer fields
// than the table needs leaves the missing cells empty.
//
// Messages: "<path> not open !!!" when the report cannot be opened or has no
// "Input Reflection Data" section (the table then has no rows), "List not
// open !!!" when no "List of d-spacings" follows (the rows then stay empty).
// Returns false after a message, true when the table was filled.
bool ReadFittingTable(const std::string& reportPath, const double* twoThetaRaw,
                      const double* twoTheta, int count, FittingTable& out,
                      MessageSink& sink);

}  // namespace lattrix
