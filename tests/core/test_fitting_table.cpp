// The fitting table read back from hand-made reports. Expected cells are
// the fixture's own texts (the report formats applied to the values the
// test chose), and the job columns the "%8.4lf" texts of the arrays passed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/MessageSink.h"
#include "report/FittingTable.h"
#include "displays_report_fixture.h"

namespace {

using lattrix::FittingTable;
using lattrix::ReadFittingTable;
using lattrix::RecordingSink;
using lattrix_test::ReportRow;
using lattrix_test::ReportText;
using lattrix_test::RowAt;
using lattrix_test::TempFile;

TEST(FittingTable, OneReflectionKeepsTheReportTextsAndTheJobValues) {
  TempFile report("table1.out");
  ReportRow r;
  r.h = 1; r.k = 1; r.l = 1;
  r.org = 28.4430; r.obs = 28.4412; r.cor = 28.4400; r.cal = 28.4420; r.del = 0.0010;
  r.dobs = 3.13553; r.dcal = 3.13542; r.ddif = 0.00011; r.weight = 1.0;
  // One reflection: the s.d. line holds what printf makes of 0/0.
  report.Write(ReportText({r}, " 0.002", "  -nan"));
  const double raw[] = {28.443};
  const double used[] = {28.4412345};
  FittingTable table;
  RecordingSink sink;
  ASSERT_TRUE(ReadFittingTable(report.path(), raw, used, 1, table, sink));
  EXPECT_TRUE(sink.messages.empty());
  ASSERT_EQ(table.rows.size(), 1u);
  const std::vector<std::string> expected = {" 1", "1", "1", "1", " 28.4430", " 28.4412",
                                             "28.4400", "28.4420", "0.0010", "3.13553",
                                             "3.13542", "0.00011", "1.0000"};
  for (int c = 0; c < 13; ++c) EXPECT_EQ(table.rows[0][c], expected[c]) << "column " << c;
  EXPECT_EQ(table.sumDelta, "0.002");
  EXPECT_EQ(table.stdDelta, "-nan");
}

TEST(FittingTable, FiftyReflectionsNumberedFromOne) {
  TempFile report("table50.out");
  std::vector<ReportRow> rows;
  double raw[50], used[50];
  for (int i = 0; i < 50; ++i) {
    rows.push_back(RowAt(20.0 + i, (i % 2 ? -0.001 : 0.002) * i));
    rows.back().h = i;
    raw[i] = 20.0 + i;
    used[i] = 20.0 + i + 0.00004;  // "%8.4lf" rounds it away
  }
  report.Write(ReportText(rows, "-0.123", " 0.045"));
  FittingTable table;
  RecordingSink sink;
  ASSERT_TRUE(ReadFittingTable(report.path(), raw, used, 50, table, sink));
  ASSERT_EQ(table.rows.size(), 50u);
  EXPECT_EQ(table.rows[0][0], " 1");
  EXPECT_EQ(table.rows[8][0], " 9");
  EXPECT_EQ(table.rows[9][0], "10");
  EXPECT_EQ(table.rows[49][0], "50");
  EXPECT_EQ(table.rows[49][1], "49");
  EXPECT_EQ(table.rows[49][4], " 69.0000");
  EXPECT_EQ(table.rows[49][5], " 69.0000");
  EXPECT_EQ(table.rows[49][8], "-0.0490");  // del2th of row 49: -0.001 * 49
  EXPECT_EQ(table.sumDelta, "-0.123");
  EXPECT_EQ(table.stdDelta, "0.045");
}

TEST(FittingTable, AtMostFiftyRowsAndOnlyTheInputSectionCounts) {
  // 51 input lines: the table stops at 50, and the list's 51st row is
  // never read as the sum line.
  TempFile report("table51.out");
  std::vector<ReportRow> rows;
  for (int i = 0; i < 51; ++i) rows.push_back(RowAt(10.0 + i, 0.0));
  report.Write(ReportText(rows));
  FittingTable table;
  RecordingSink sink;
  ASSERT_TRUE(ReadFittingTable(report.path(), nullptr, nullptr, 0, table, sink));
  EXPECT_EQ(table.rows.size(), 50u);
  // Rows beyond the job's arrays have no 2th-org and 2th-obs.
  EXPECT_EQ(table.rows[0][4], "");
  EXPECT_EQ(table.rows[0][5], "");
  EXPECT_EQ(table.rows[49][6], "59.0000");
  EXPECT_EQ(table.sumDelta, "");  // the line read there is a list row
}

TEST(FittingTable, FailuresLeaveWhatWasFilled) {
  RecordingSink sink;
  FittingTable table;
  table.rows.resize(3);
  table.sumDelta = "old";

  // Missing report: path + " not open !!!", no rows.
  const std::string missing = ::testing::TempDir() + "no_such_report.out";
  EXPECT_FALSE(ReadFittingTable(missing, nullptr, nullptr, 0, table, sink));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], missing + " not open !!!\nNo such file or directory");
  EXPECT_TRUE(table.rows.empty());
  EXPECT_EQ(table.sumDelta, "");

  // No input section: the same message, no rows.
  TempFile noInput("noinput.out");
  noInput.Write("Title : x\n\nList of d-spacings\n---\nheader\n");
  EXPECT_FALSE(ReadFittingTable(noInput.path(), nullptr, nullptr, 0, table, sink));
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(sink.messages[1], noInput.path() + " not open !!!");
  EXPECT_TRUE(table.rows.empty());

  // The input section runs to the end of the file: "List not open !!!",
  // and the counted rows stay, empty, with empty sums.
  TempFile noList("nolist.out");
  noList.Write("Input Reflection Data\n    h   k   l  2thorg   weight\n"
               "    1   0   0  20.860   1.00000\n    1   0   1  26.644   1.00000");
  const double raw[] = {20.86, 26.644};
  EXPECT_FALSE(ReadFittingTable(noList.path(), raw, raw, 2, table, sink));
  ASSERT_EQ(sink.messages.size(), 3u);
  EXPECT_EQ(sink.messages[2], "List not open !!!");
  ASSERT_EQ(table.rows.size(), 2u);
  for (const auto& row : table.rows) {
    for (const std::string& cell : row) EXPECT_EQ(cell, "");
  }
  EXPECT_EQ(table.sumDelta, "");
  EXPECT_EQ(table.stdDelta, "");
}

TEST(FittingTable, ShortRowsLeaveMissingCellsEmptyAndCrlfReadsAlike) {
  TempFile report("short.out");
  std::string text = ReportText({RowAt(30.0, 0.01), RowAt(40.0, -0.02)});
  // Cut the second list row after its del2th field.
  const std::string row2 = lattrix_test::ListRow(RowAt(40.0, -0.02));
  text.replace(text.find(row2), row2.size(), row2.substr(0, 4 * 3 + 1 + 9 * 5) + "\n");
  // Windows line ends.
  std::string crlf;
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  report.Write(crlf);
  FittingTable table;
  RecordingSink sink;
  const double raw[] = {30.0, 40.0};
  ASSERT_TRUE(ReadFittingTable(report.path(), raw, raw, 2, table, sink));
  ASSERT_EQ(table.rows.size(), 2u);
  EXPECT_EQ(table.rows[0][12], "1.0000");
  EXPECT_EQ(table.rows[1][8], "-0.0200");
  for (int c = 9; c < 13; ++c) EXPECT_EQ(table.rows[1][c], "") << c;
  EXPECT_EQ(table.sumDelta, "0.012");
  EXPECT_EQ(table.stdDelta, "0.003");
}

}  // namespace
