#include "DiagnosticsTable.h"

#include <cmath>

#include "common/TextIO.h"

namespace lattrix {
namespace {

// A fixed-point field of the table, or "n/a" in its place.
std::string Cell(int width, int decimals, double value) {
  if (!std::isfinite(value)) return Format("%*s", width, "n/a");
  return Format("%*.*f", width, decimals, value);
}

std::string DiagnosticsHeader() {
  std::string t = Format("%4s%4s%4s %9s %8s %9s %9s", "h", "k", "l", "2theta", "leverage",
                         "Rstudent", "DFFITS");
  static const char* const labels[] = {"DFB a", "DFB b", "DFB c", "DFB al", "DFB be", "DFB ga"};
  for (const char* label : labels) t += Format(" %7s", label);
  t += "  flag";
  return t;
}

std::string DiagnosticsLine(const ReflectionDiagnostics& row, const DiagnosticsResult& result) {
  std::string t = Format("%4d%4d%4d ", row.h, row.k, row.l);
  t += Cell(9, 4, row.twoTheta) + " ";
  t += Cell(8, 4, row.leverage) + " ";
  t += Cell(9, 3, row.rstudent) + " ";
  t += Cell(9, 3, row.dffits);
  for (int j = 0; j < 6; ++j) {
    t += " ";
    if (!result.parameters.moves[j])
      t += Format("%7s", "-");
    else
      t += Cell(7, 3, row.dfbetas[j]);
  }
  const std::string reason = DiagnosticsReason(row, result);
  if (row.flagged)
    t += "  *  " + reason;
  else if (!reason.empty())
    t += "     " + reason;
  return t;
}

}  // namespace

std::string DiagnosticsTable(const DiagnosticsResult& result) {
  std::string t = DiagnosticsHeader() + "\n";
  for (const ReflectionDiagnostics& r : result.rows) t += DiagnosticsLine(r, result) + "\n";
  t += DiagnosticsSummary(result) + "\n";
  return t;
}

}  // namespace lattrix
