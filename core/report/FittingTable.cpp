#include "report/FittingTable.h"

#include "common/TextIO.h"
#include "report/ReportReader.h"

namespace lattrix {

namespace {

// Report field shown in each column; 0 where the table shows its own value.
constexpr int kReportFieldOfColumn[kFittingTableColumns] = {
    0, kFieldH, kFieldK, kFieldL, 0, 0, kField2ThCor, kField2ThCal, kFieldDel2Th, kFieldDObs,
    kFieldDCal, kFieldDDif, kFieldWeight};

}  // namespace

bool ReadFittingTable(const std::string& reportPath, const double* twoThetaRaw,
                      const double* twoTheta, int count, FittingTable& out,
                      MessageSink& sink) {
  out.rows.clear();
  out.sumDelta.clear();
  out.stdDelta.clear();

  const Report report = ReadReport(reportPath);
  if (report.status == ReportStatus::kNotOpen) {
    sink.Show(PrintableText(reportPath, 200) + " not open !!!\n" + report.reason);
    return false;
  }
  if (report.status == ReportStatus::kNoInputSection) {
    sink.Show(PrintableText(reportPath, 200) + " not open !!!");
    return false;
  }
  // The input section's rows fix the number of rows; the list of d-spacings
  // has the same reflections in the same order.
  out.rows.resize(static_cast<size_t>(report.inputRows));
  if (report.status == ReportStatus::kNoList) {
    sink.Show("List not open !!!");
    return false;
  }
  for (int r = 0; r < report.inputRows; ++r) {
    auto& cells = out.rows[static_cast<size_t>(r)];
    cells[0] = Format("%2d", r + 1);
    if (r < count && twoThetaRaw != nullptr) cells[4] = Format("%8.4lf", twoThetaRaw[r]);
    if (r < count && twoTheta != nullptr) cells[5] = Format("%8.4lf", twoTheta[r]);
    for (int c = 0; c < kFittingTableColumns; ++c) {
      if (kReportFieldOfColumn[c] != 0) cells[c] = report.Field(r, kReportFieldOfColumn[c]);
    }
  }
  out.sumDelta = report.SumDelta();
  out.stdDelta = report.SdDelta();
  return true;
}

}  // namespace lattrix
