// Reading the report back: with the writer, the report module knows where
// the report keeps its per-reflection results.
//
// Two readers: the weight read-back of the delta2(theta) schemes (the next
// run of the same job) and lattrix-plot, whose job is to draw a report
// file. Both read through ReadReport and turn its status into their own
// messages.
#pragma once

#include <string>
#include <vector>

namespace lattrix {

// The two section titles that the readers look for; a section begins at the
// first line whose leading characters equal its title.
constexpr const char* kInputSectionTitle = "Input Reflection Data";
constexpr const char* kListSectionTitle = "List of d-spacings";

// The twelve columns of a row of the list of d-spacings, as 1-based
// white-space separated fields.
enum ReportListField {
  kFieldH = 1,
  kFieldK = 2,
  kFieldL = 3,
  kField2ThOrg = 4,
  kField2ThObs = 5,
  kField2ThCor = 6,
  kField2ThCal = 7,
  kFieldDel2Th = 8,
  kFieldDObs = 9,
  kFieldDCal = 10,
  kFieldDDif = 11,
  kFieldWeight = 12,
};

enum class ReportStatus {
  kRead,            // both sections found
  kNotOpen,         // no such file, or not a readable file
  kNoInputSection,  // the list may be there, but no input section before it
  kNoList,          // no list of d-spacings
};

// The numbers of a row of the list of d-spacings up to del2th, read as C's
// scanf reads "%d %d %d %lf %lf %lf %lf %lf".
struct ReportRowNumbers {
  int h = 0, k = 0, l = 0;
  double twoThetaOrg = 0.0, twoThetaObs = 0.0, twoThetaCor = 0.0, twoThetaCal = 0.0, del2Theta = 0.0;
};

struct Report {
  ReportStatus status = ReportStatus::kNotOpen;
  std::string reason;  // the system's reason when the file is not open
  // Data lines of the input section, up to the empty line that ends it (at
  // most 50): the number of reflections the report was written for.
  int inputRows = 0;
  // The lines after the list's column header, in file order: its rows, the
  // empty line, the two sum lines (at most 53 lines are kept).
  std::vector<std::string> listLines;

  bool HasList() const { return status == ReportStatus::kRead || status == ReportStatus::kNoInputSection; }
  // Line i after the column header; empty beyond the end of the file, so
  // that rows are matched with reflections by position only.
  const std::string& Row(int i) const;
  // Field n (ReportListField) of row i; empty when the row has no such field.
  std::string Field(int i, int n) const;
  // h k l of row i (false when the row does not begin with three whole
  // numbers), and its numbers up to del2th (false when one does not read;
  // the fields before it are read all the same).
  bool Indices(int i, ReportRowNumbers& out) const;
  bool Numbers(int i, ReportRowNumbers& out) const;
};

// Reads the report at path.
Report ReadReport(const std::string& path);

}  // namespace lattrix
