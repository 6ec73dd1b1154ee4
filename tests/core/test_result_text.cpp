// Results as text: the cell lines use the CIF's s.u. notation (values worked
// out by hand from the IUCr rule) and the table text follows RFC 4180.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "job/Job.h"
#include "results/ResultText.h"

using namespace lattrix;

namespace {

TEST(ResultText, CellLinesOfAHexagonalRefinement) {
  Job job;
  job.m_nCrystalSystem = kHexagonal;
  const double cell[6] = {4.913421, 4.913421, 5.405163, 90.0, 90.0, 120.0};
  // The angles of a hexagonal cell are fixed: a sigma left in the job for
  // them is not reported.
  const double sigma[6] = {0.000043, 0.000043, 0.00019, 0.0, 0.01, 0.01};
  for (int j = 0; j < 6; ++j) {
    job.m_dRefinedCell[j] = cell[j];
    job.m_dCellSigma[j] = sigma[j];
  }
  job.m_dVolume = 113.0123;
  job.m_dVolumeSigma = 0.0134;
  job.m_dZero = -0.01234;
  job.m_dZeroSigma = 0.00056;
  EXPECT_EQ(ResultLines(job),
            "a = 4.91342(4) A\nb = 4.91342(4) A\nc = 5.40516(19) A\n"
            "alpha = 90 deg\nbeta = 90 deg\ngamma = 120 deg\n"
            "volume = 113.012(13) A3\nzero = -0.0123(6) deg\nssd = 0 mm\nemu = 0\n");
}

TEST(ResultText, FieldsAreTrimmedAndQuotedWhereNeeded) {
  struct Case {
    std::vector<std::string> row;
    char delimiter;
    std::string expected;
  };
  const Case cases[] = {
      {{" 1", "  2", "28.4426 "}, ',', "1,2,28.4426\r\n"},
      {{"a,b", "say \"x\"", "two\nlines"}, ',', "\"a,b\",\"say \"\"x\"\"\",\"two\nlines\"\r\n"},
      {{"a,b", "tab\there", ""}, '\t', "a,b\t\"tab\there\"\t\r\n"},
      {{}, ',', "\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(DelimitedText({c.row}, c.delimiter, "\r\n"), c.expected) << c.expected;
  EXPECT_EQ(DelimitedText({{"No", " h"}, {" 1", "  1"}}, '\t', "\n"), "No\th\n1\t1\n");
}

}  // namespace
