#include "displays/FittingTable.h"

#include <fstream>

#include "common/TextIO.h"

namespace lattrix {

const FittingTableColumn kFittingTableColumnDefs[kFittingTableColumns] = {
    {"No", 28},      {" h", 30},      {" k", 30},      {" l", 30},    {"2th-org", 60},
    {"2th-obs", 60}, {"2th-cor", 60}, {"2th-cal", 60}, {"2th-dif", 65}, {"d-obs", 65},
    {"d-cal", 65},   {"d-dif", 65},   {"Weight", 50},
};

namespace {

constexpr const char* kInputSection = "Input Reflection Data";
constexpr const char* kListSection = "List of d-spacings";

// Report field (1-based, h k l 2thorg 2thobs 2thcor 2thcal del2th dobs dcal
// d-dif weight) shown in each column; 0 where the table shows its own value.
constexpr int kReportFieldOfColumn[kFittingTableColumns] = {0, 1, 2, 3, 0, 0, 6, 7, 8, 9, 10, 11, 12};

bool SkipTo(LineReader& reader, const char* title) {
  std::string line;
  while (reader.Next(line)) {
    if (StartsWith(line, title)) return true;
  }
  return false;
}

}  // namespace

bool ReadFittingTable(const std::string& reportPath, const double* twoThetaRaw,
                      const double* twoTheta, int count, FittingTable& out,
                      MessageSink& sink) {
  out.rows.clear();
  out.sumDelta.clear();
  out.stdDelta.clear();

  std::ifstream in;
  if (!OpenForReading(reportPath, in)) {
    sink.Show(reportPath + " not open !!!");
    return false;
  }
  LineReader reader(in);
  if (!SkipTo(reader, kInputSection)) {
    sink.Show(reportPath + " not open !!!");
    return false;
  }

  // The input section's data lines, up to the empty line that ends it, fix
  // the number of rows; the list of d-spacings has the same reflections in
  // the same order.
  std::string line;
  reader.Next(line);  // column header
  int rows = 0;
  while (rows < kFittingTableMaxRows && reader.Next(line) && !line.empty()) ++rows;
  out.rows.resize(static_cast<size_t>(rows));

  if (!SkipTo(reader, kListSection)) {
    sink.Show("List not open !!!");
    return false;
  }
  reader.Next(line);  // dashes
  reader.Next(line);  // column header

  for (int r = 0; r < rows; ++r) {
    auto& cells = out.rows[static_cast<size_t>(r)];
    cells[0] = Format("%2d", r + 1);
    if (r < count && twoThetaRaw != nullptr) cells[4] = Format("%8.4lf", twoThetaRaw[r]);
    if (r < count && twoTheta != nullptr) cells[5] = Format("%8.4lf", twoTheta[r]);
    // A list that ends early leaves the report's cells of its rows empty.
    if (!reader.Next(line)) continue;
    for (int c = 0; c < kFittingTableColumns; ++c) {
      if (kReportFieldOfColumn[c] != 0) cells[c] = FieldOf(line, kReportFieldOfColumn[c]);
    }
  }

  reader.Next(line);  // the empty line after the rows
  // "sum delta 2theta = <value>" and "s.d.delta 2theta = <value>".
  if (reader.Next(line)) out.sumDelta = FieldOf(line, 5);
  if (reader.Next(line)) out.stdDelta = FieldOf(line, 4);
  return true;
}

}  // namespace lattrix
