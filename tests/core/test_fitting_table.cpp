// The fitting table read back from hand-made reports (TestSupport.h):
// expected cells are the report's texts of the values the test chose, and
// the job columns the "%8.4lf" texts of the arrays passed (d-spacings
// of the rows made with RowAt checked with Python: 29 deg 3.07652 A, 69 deg
// 1.35998 A).
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "report/FittingTable.h"

using namespace lattrix;
using namespace lattrix_test;

namespace {

TEST(FittingTable, RowsKeepTheReportTextsAndTheJobValues) {
  ScratchDir dir;
  ReportRow r;
  r.h = 1, r.k = 1, r.l = 1, r.org = 28.4430, r.obs = 28.4412, r.cor = 28.4400, r.cal = 28.4420, r.del = 0.0010;
  r.dobs = 3.13553, r.dcal = 3.13542, r.ddif = 0.00011;
  std::vector<ReportRow> rows = {r};
  double raw[51] = {28.443}, used[51] = {28.4412345};
  for (int i = 1; i < 51; ++i) {
    rows.push_back(RowAt(20.0 + i, (i % 2 ? -0.001 : 0.002) * i));
    rows.back().h = i;
    raw[i] = 20.0 + i, used[i] = 20.0 + i + 0.00004;  // "%8.4lf" rounds it away
  }
  // A row cut after its del2th field; Windows line ends.
  std::string text = ReportText(rows, " 0.002", "  -nan");
  const std::string row2 = ListRow(rows[2]);
  text.replace(text.find(row2), row2.size(), row2.substr(0, 4 * 3 + 1 + 9 * 5) + "\n");
  std::string crlf;
  for (char c : text) crlf += c == '\n' ? "\r\n" : std::string(1, c);
  FittingTable table;
  RecordingSink sink;
  ASSERT_TRUE(ReadFittingTable(dir.Write("r.out", crlf), raw, used, 40, table, sink));
  EXPECT_TRUE(sink.messages.empty());
  ASSERT_EQ(table.rows.size(), 50u);  // at most 50, though the report has 51
  const std::vector<std::vector<std::string>> expected = {
      {" 1", "1", "1", "1", " 28.4430", " 28.4412", "28.4400", "28.4420", "0.0010", "3.13553", "3.13542", "0.00011", "1.0000"},
      {" 3", "2", "0", "0", " 22.0000", " 22.0000", "22.0000", "21.9960", "0.0040", "", "", "", ""},
      {"10", "9", "0", "0", " 29.0000", " 29.0000", "29.0000", "29.0090", "-0.0090", "3.07652", "3.07652", "0.00000", "1.0000"},
      {"50", "49", "0", "0", "", "", "69.0000", "69.0490", "-0.0490", "1.35998", "1.35998", "0.00000", "1.0000"}};
  for (const auto& row : expected) {
    const auto& cells = table.rows[std::stoi(row[0]) - 1];
    EXPECT_EQ(std::vector<std::string>(cells.begin(), cells.end()), row);
  }
  // The sum line read where 51 rows end is a list row: the table's 50 rows
  // point the sums elsewhere; with 50 rows they are the report's texts.
  rows.resize(50);
  ASSERT_TRUE(ReadFittingTable(dir.Write("r50.out", ReportText(rows, "-0.123", "  -nan")), raw, used, 50, table, sink));
  EXPECT_EQ(table.sumDelta, "-0.123");
  EXPECT_EQ(table.stdDelta, "-nan");
}

TEST(FittingTable, FailuresLeaveWhatWasFilled) {
  ScratchDir dir;
  RecordingSink sink;
  FittingTable table;
  table.rows.resize(3);
  table.sumDelta = "old";
  const std::string noInput = dir.Write("noinput.out", "Title : x\n\nList of d-spacings\n---\nheader\n");
  EXPECT_FALSE(ReadFittingTable(noInput, nullptr, nullptr, 0, table, sink));
  EXPECT_TRUE(table.rows.empty() && table.sumDelta.empty());
  // The input section runs to the end: its rows stay, every cell empty.
  const double raw[] = {20.86, 26.644};
  EXPECT_FALSE(ReadFittingTable(dir.Write("nolist.out", "Input Reflection Data\n  h k l\n    1   0   0  20.860   1.00000\n"
                                                        "    1   0   1  26.644   1.00000"), raw, raw, 2, table, sink));
  EXPECT_EQ(sink.messages, (std::vector<std::string>{noInput + " not open !!!", "List not open !!!"}));
  ASSERT_EQ(table.rows.size(), 2u);
  for (const auto& row : table.rows)
    for (const std::string& cell : row) { EXPECT_EQ(cell, ""); }
}

}  // namespace
