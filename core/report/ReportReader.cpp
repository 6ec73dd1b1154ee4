#include "report/ReportReader.h"

#include <fstream>

#include "common/TextIO.h"
#include "job/Job.h"

namespace lattrix {
namespace {

// Rows, the empty line after them and the two sum lines.
constexpr int kListLinesKept = kMaxReflections + 3;

}  // namespace

const std::string& Report::Row(int i) const {
  static const std::string kNone;
  return i >= 0 && i < static_cast<int>(listLines.size()) ? listLines[static_cast<size_t>(i)] : kNone;
}

std::string Report::Field(int i, int n) const { return FieldOf(Row(i), n); }

bool Report::Indices(int i, ReportRowNumbers& out) const {
  FieldScanner row(Row(i));
  return row.Int(out.h) && row.Int(out.k) && row.Int(out.l);
}

bool Report::Numbers(int i, ReportRowNumbers& out) const {
  FieldScanner row(Row(i));
  return row.Int(out.h) && row.Int(out.k) && row.Int(out.l) && row.Double(out.twoThetaOrg) &&
         row.Double(out.twoThetaObs) && row.Double(out.twoThetaCor) && row.Double(out.twoThetaCal) &&
         row.Double(out.del2Theta);
}

Report ReadReport(const std::string& path) {
  Report report;
  std::ifstream in;
  if (!OpenForReading(path, in, &report.reason)) return report;
  LineReader reader(in);
  std::string line;
  bool input = false, list = false;
  while (!list && reader.Next(line)) {
    if (!input && StartsWith(line, kInputSectionTitle)) {
      input = true;
      reader.Next(line);  // column header
      while (report.inputRows < kMaxReflections && reader.Next(line) && !line.empty()) ++report.inputRows;
    } else if (StartsWith(line, kListSectionTitle)) {
      list = true;
    }
  }
  if (!list) {
    report.status = ReportStatus::kNoList;
    return report;
  }
  reader.Next(line);  // dashes
  reader.Next(line);  // column header
  while (static_cast<int>(report.listLines.size()) < kListLinesKept && reader.Next(line))
    report.listLines.push_back(line);
  report.status = input ? ReportStatus::kRead : ReportStatus::kNoInputSection;
  return report;
}

}  // namespace lattrix
