#include "report/FittingTable.h"

#include "common/TextIO.h"
#include "report/ReportWriter.h"

namespace lattrix {
namespace {

// Report field shown in each column; 0 where the table shows its own value.
constexpr int kReportFieldOfColumn[kFittingTableColumns] = {
    0, kFieldH, kFieldK, kFieldL, 0, 0, kField2ThCor, kField2ThCal, kFieldDel2Th, kFieldDObs,
    kFieldDCal, kFieldDDif, kFieldWeight};

}  // namespace

FittingTable FittingTableOf(const RefinementOutcome& outcome) {
  FittingTable table;
  table.rows.resize(outcome.reflections.size());
  for (size_t r = 0; r < outcome.reflections.size(); ++r) {
    const ReflectionResult& row = outcome.reflections[r];
    const ListRowTexts printed = ListRowFields(row);
    auto& cells = table.rows[r];
    for (int c = 0; c < kFittingTableColumns; ++c)
      if (kReportFieldOfColumn[c] != 0) cells[c] = printed[static_cast<size_t>(kReportFieldOfColumn[c] - 1)];
    cells[0] = Format("%2d", static_cast<int>(r) + 1);
    cells[4] = Format("%8.4lf", row.twoThetaRaw);
    cells[5] = Format("%8.4lf", row.twoThetaObs);
  }
  table.sumDelta = TrimmedText(SumLineValue(outcome.sumDelta));
  table.stdDelta = TrimmedText(SumLineValue(outcome.sdDelta));
  return table;
}

}  // namespace lattrix
