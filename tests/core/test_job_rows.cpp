// The rows of the Reflection List in the job: Insert and Delete move all
// that belongs to a row (h k l, the observed and the refined 2theta, the
// weight), and a row set by the user refines with its typed 2theta as its
// observation. Rows are named by letters, each with its own values.
#include <gtest/gtest.h>

#include <sstream>

#include "TestSupport.h"
#include "engine/Refinement.h"
#include "job/JobRows.h"

using namespace lattrix;

namespace {

// Row 'A' + i holds h = i + 1, k = 2, l = 3, observed 2theta 20 + i,
// refined 2theta (as after a calibration) 30 + i, weight 0.1 (i + 1); '-'
// is the empty row (0 0 0, 2theta 0, weight 1).
void SetLetter(Job& job, int row, char letter) {
  const int i = letter - 'A';
  const bool empty = letter == '-';
  job.m_nH[row] = empty ? 0 : i + 1, job.m_nK[row] = empty ? 0 : 2, job.m_nL[row] = empty ? 0 : 3;
  job.m_dTwoThetaRaw[row] = empty ? 0 : 20 + i, job.m_dTwoTheta[row] = empty ? 0 : 30 + i;
  job.m_dWeight[row] = empty ? 1 : 0.1 * (i + 1);
}

Job JobOf(const std::string& rows, int count) {
  Job job;
  for (int r = 0; r < kMaxReflections; ++r) SetLetter(job, r, r < static_cast<int>(rows.size()) ? rows[r] : '-');
  job.m_nReflections = count;
  return job;
}

void ExpectRows(const Job& job, const std::string& rows, const std::string& what) {
  const Job expected = JobOf(rows, static_cast<int>(rows.size()));
  EXPECT_EQ(job.m_nReflections, expected.m_nReflections) << what;
  for (int r = 0; r < kMaxReflections; ++r) {
    const auto row = [r](const Job& j) {
      return std::vector<double>{double(j.m_nH[r]), double(j.m_nK[r]), double(j.m_nL[r]), j.m_dTwoThetaRaw[r], j.m_dTwoTheta[r], j.m_dWeight[r]};
    };
    EXPECT_EQ(row(job), row(expected)) << what << ", row " << r;
  }
}

TEST(JobRows, InsertAndDeleteMoveWholeRows) {
  const std::string full(kMaxReflections, 'C');
  const struct { std::string before; bool insert; int row; bool done; std::string after; } cases[] = {
      {"ABC", true, 0, true, "-ABC"},  {"ABC", true, 1, true, "A-BC"},  {"ABC", true, 3, true, "ABC-"},
      {"ABC", true, 4, false, "ABC"},  {"ABC", true, -1, false, "ABC"}, {full, true, 10, false, full},
      {"ABC", false, 0, true, "BC"},   {"ABC", false, 1, true, "AC"},   {"ABC", false, 2, true, "AB"},
      {"ABC", false, 3, false, "ABC"}, {"", false, 0, false, ""},       {"A", false, 0, true, ""},
  };
  for (const auto& c : cases) {
    Job job = JobOf(c.before, static_cast<int>(c.before.size()));
    const std::string what = (c.insert ? "insert " : "delete ") + std::to_string(c.row) + " in " + c.before.substr(0, 5);
    EXPECT_EQ(c.insert ? InsertReflection(job, c.row) : DeleteReflection(job, c.row), c.done) << what;
    ExpectRows(job, c.after, what);
  }
}

// A 2theta set on a row is its observation: the report's 2thorg and
// 2thobs, whatever a calibration had made of the old value.
TEST(JobRows, SetReflectionIsTheRowsObservation) {
  Job job = lattrix_test::MakeJob(lattrix_test::kCrystals[6], 6);
  job.m_dTwoTheta[2] += 0.5;  // as after a calibration
  SetReflection(job, 2, 4, 0, 0, 66.25);
  SetReflection(job, kMaxReflections, 1, 1, 1, 10.0);  // outside: nothing happens
  RecordingSink sink;
  std::ostringstream report;
  const RefinementOutcome out = RefineCell(job, report, sink);
  EXPECT_EQ(out.reflections[2].h, 4);
  EXPECT_EQ(out.reflections[2].twoThetaRaw, 66.25);
  EXPECT_EQ(out.reflections[2].twoThetaObs, 66.25);
  EXPECT_NE(report.str().find("    4   0   0  66.250"), std::string::npos);
}

}  // namespace
