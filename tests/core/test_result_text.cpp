// Results as text: the cell lines use the CIF's s.u. notation (values worked
// out by hand from the IUCr rule) and the table text follows RFC 4180.
#include <gtest/gtest.h>

#include "job/Job.h"
#include "common/TextIO.h"
#include "results/ResultText.h"

using namespace lattrix;

namespace {

TEST(ResultText, CellLinesOfAHexagonalRefinement) {
  Job job;
  job.m_nCrystalSystem = kHexagonal;
  // The angles of a hexagonal cell are fixed: a sigma left in the job for
  // them is not reported.
  const double cell[6][2] = {{4.913421, 0.000043}, {4.913421, 0.000043}, {5.405163, 0.00019},
                             {90.0, 0.0},          {90.0, 0.01},         {120.0, 0.01}};
  for (int j = 0; j < 6; ++j) job.m_dRefinedCell[j] = cell[j][0], job.m_dCellSigma[j] = cell[j][1];
  job.m_dVolume = 113.0123, job.m_dVolumeSigma = 0.0134;
  job.m_dZero = -0.01234, job.m_dZeroSigma = 0.00056;
  EXPECT_EQ(ResultLines(job),
            "a = 4.91342(4) A\nb = 4.91342(4) A\nc = 5.40516(19) A\nalpha = 90 deg\nbeta = 90 deg\n"
            "gamma = 120 deg\nvolume = 113.012(13) A3\nzero = -0.0123(6) deg\nssd = 0 mm\nemu = 0\n");
}

TEST(ResultText, DecimalsReachTheFirstDigitOfTheSu) {
  // Places counted by hand: 0.000043 has its 4 in the fifth decimal;
  // 0.000096 rounds to 0.0001, the fourth; 0.3 and 12 ask for fewer than
  // the four the form keeps; 4e-13 is beyond the ten shown.
  const struct { double su; int decimals; const char* text; } cases[] = {
      {0.000043, 5, " 4.91342"}, {0.000096, 4, "  4.9134"}, {0.00019, 4, "  4.9134"},
      {0.3, 4, "  4.9134"},      {12.0, 4, "  4.9134"},     {0.0, 4, "  4.9134"},
      {-1.0, 4, "  4.9134"},     {4e-13, 10, "4.9134210000"}, {0.0000051, 6, "4.913421"}};
  for (const auto& c : cases) {
    EXPECT_EQ(DecimalsOfSu(c.su, 4), c.decimals) << c.su;
    EXPECT_EQ(FixedToSu(4.913421, c.su, 8, 4), c.text) << c.su;
  }
}

TEST(ResultText, FieldsAreQuotedWhereNeeded) {
  EXPECT_EQ(DelimitedText({{"1", " 2", "28.4426"}, {}}, ',', "\r\n"), "1, 2,28.4426\r\n\r\n");
  EXPECT_EQ(DelimitedText({{"a,b", "say \"x\"", "two\nlines"}}, ',', "\r\n"),
            "\"a,b\",\"say \"\"x\"\"\",\"two\nlines\"\r\n");
  EXPECT_EQ(DelimitedText({{"a,b", "tab\there", ""}}, '\t', "\n"), "a,b\t\"tab\there\"\t\n");
}

}  // namespace
