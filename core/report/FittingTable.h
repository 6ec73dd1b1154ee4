// The fitting table: the per-reflection results of a run, reflection by
// reflection, as the report prints them.
//
// The table computes nothing: every cell but the row number and the two
// input 2theta columns is the text the report prints for the same row of the
// run's result (ListRowFields), so the table and the report agree.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "engine/Refinement.h"

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

// The table of a run's list of d-spacings: one row per reflection, its
// cells the report's texts of the row, except the row number ("%2d", from
// 1) and the 2th-org and 2th-obs columns ("%8.4lf" of the observed 2theta
// and of the 2theta refined, after any calibration).
FittingTable FittingTableOf(const RefinementOutcome& outcome);

}  // namespace lattrix
