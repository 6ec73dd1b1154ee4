// The run step: what it refuses before any report is written, the refined
// state after a report that could not be written, and the weighting schemes
// with the weights read back from the previous report. Expected weights are
// computed here from the 2theta values and from the report's del2th column
// as printed (read with sscanf).
#include <gtest/gtest.h>

#include <functional>

#include "TestSupport.h"
#include "engine/Execute.h"
#include "run/RunStep.h"

using namespace lattrix;
using namespace lattrix_test;

namespace {

TEST(RunJob, RefusalsWriteNoReport) {
  const struct {
    const char* what;
    std::function<void(Job&)> edit;
    const char* message;  // "" for a run that refines
  } cases[] = {
      {"negative wavelength", [](Job& j) { j.m_dWavelength = -1; }, "Wavelength=-1 is not acceptable !!!\n The wavelength must be a positive number of Angstrom."},
      {"zero wavelength", [](Job& j) { j.m_dWavelength = 0; }, "Wavelength=0 is not acceptable !!!\n The wavelength must be a positive number of Angstrom."},
      {"wavelength nan", [](Job& j) { j.m_dWavelength = std::nan(""); }, "Wavelength=nan is not acceptable !!!\n The wavelength must be a positive number of Angstrom."},
      {"wavelength inf", [](Job& j) { j.m_dWavelength = HUGE_VAL; }, "Wavelength=inf is not acceptable !!!\n The wavelength must be a positive number of Angstrom."},
      {"radius 0, Manual", [](Job& j) { j.m_dGonioRadius = 0, j.m_nCorrection = kManual, j.m_dEmu = 50; }, "Goniometer radius=0 is not acceptable !!!\n The sample displacement needs a positive radius in mm."},
      {"radius -5, mode 4", [](Job& j) { j.m_dGonioRadius = -5, j.m_nCorrection = kDisplacement; }, "Goniometer radius=-5 is not acceptable !!!\n The sample displacement needs a positive radius in mm."},
      {"radius inf, mode 5", [](Job& j) { j.m_dGonioRadius = HUGE_VAL, j.m_nCorrection = kZeroAndDisplacement; }, "Goniometer radius=inf is not acceptable !!!\n The sample displacement needs a positive radius in mm."},
      {"radius 0, mode 3 does not use it", [](Job& j) { j.m_dGonioRadius = 0, j.m_nCorrection = kZero; }, ""},
      {"radius 0, mode 2 does not use it", [](Job& j) { j.m_dGonioRadius = 0; }, ""},
      {"no reflections", [](Job& j) { j.m_nReflections = 0; }, "No reflection data input !!!"},
      {"Manual without known corrections", [](Job& j) { j.m_nCorrection = kManual; }, "Manual correction mode not available !!!"},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    Job job = SmallValidJob(dir.File("Lattrix.out"));
    c.edit(job);
    RecordingSink sink;
    const RunResult run = RunJob(job, SiliconListTexts(), sink);
    EXPECT_EQ(run.refined, !*c.message) << c.what;
    EXPECT_EQ(job.m_bRefined, !*c.message) << c.what;
    EXPECT_EQ(sink.messages, std::vector<std::string>(*c.message ? 1 : 0, c.message)) << c.what;
    EXPECT_EQ(std::filesystem::exists(job.m_strReportPath), !*c.message) << c.what;
  }
}

// No result without its report: the refined state stays what it was, for
// a report that cannot be created and for one cut short.
TEST(RunJob, ReportNotWrittenLeavesTheRefinedState) {
  for (bool cutShort : {false, true})
    for (bool wasRefined : {false, true}) {
      ScratchDir dir;
      Job job = SmallValidJob(cutShort ? dir.File("Lattrix.out") : dir.File("missing/Lattrix.out"));
      job.m_bRefined = wasRefined;
      RecordingSink sink;
      const RunResult run = WithFileSizeLimit(cutShort ? 1000 : RLIM_INFINITY, [&] { return RunJob(job, SiliconListTexts(), sink); });
      EXPECT_FALSE(run.refined) << cutShort << wasRefined;
      EXPECT_EQ(job.m_bRefined, wasRefined) << cutShort;
      EXPECT_EQ(job.m_dVolume == 0.0, !cutShort) << "a report that cannot be created leaves the job's results";
      EXPECT_EQ(sink.messages.size(), 1u);
    }
}

// Four cubic reflections near a = 5.64 with misfits of a few thousandths.
Job CubicJob(const ScratchDir& dir) {
  Job job = MakeJob(kCrystals[6], 4, {0.0, 0.0, 0.004});
  job.m_strReportPath = dir.File("Lattrix.out");
  return job;
}

// del2th of the report's list rows, as printed.
std::vector<double> PrintedDel2Theta(const std::string& report, int rows) {
  std::vector<double> del;
  size_t at = report.find("List of d-spacings");
  for (int skip = 0; skip < 3; ++skip) at = report.find('\n', at) + 1;
  for (int i = 0; i < rows; ++i, at = report.find('\n', at) + 1) {
    int h, k, l;
    double v[5];
    EXPECT_EQ(std::sscanf(report.c_str() + at, "%d%d%d%lf%lf%lf%lf%lf", &h, &k, &l, &v[0], &v[1], &v[2], &v[3], &v[4]), 8);
    del.push_back(v[4]);
  }
  return del;
}

void ExpectScaled(const Job& job, std::vector<double> w, const char* what) {
  const double largest = *std::max_element(w.begin(), w.end());
  for (size_t i = 0; i < w.size(); ++i) { EXPECT_DOUBLE_EQ(job.m_dWeight[i], w[i] / largest) << what << " row " << i; }
}

TEST(Weights, SchemesAndTheReadBackOfThePreviousReport) {
  ScratchDir dir;
  Job job = CubicJob(dir);
  RecordingSink sink;
  std::vector<double> sin2;
  for (int i = 0; i < 4; ++i) sin2.push_back(std::pow(std::sin(0.5 * job.m_dTwoTheta[i] * 0.0174532925), 2));
  job.m_nWeighting = kSin2Theta;
  ASSERT_TRUE(ExecuteRefinement(job, sink));
  ExpectScaled(job, sin2, "sin2");
  job.m_nWeighting = kUnity;
  ASSERT_TRUE(ExecuteRefinement(job, sink));
  EXPECT_EQ(std::vector<double>(job.m_dWeight, job.m_dWeight + 4), std::vector<double>(4, 1.0));

  const std::vector<double> del = PrintedDel2Theta(ReadAll(job.m_strReportPath), 4);
  std::vector<double> delta2, sinDelta;
  for (int i = 0; i < 4; ++i) delta2.push_back(del[i] * del[i] / 4), sinDelta.push_back(sin2[i] * del[i] * del[i] / 4);
  ASSERT_TRUE(ReadDeltaWeights(job, sink));
  ExpectScaled(job, delta2, "delta2");
  ASSERT_TRUE(ReadSinDeltaWeights(job, sink));
  ExpectScaled(job, sinDelta, "sin*delta");
  EXPECT_TRUE(sink.messages.empty());

  // A longer job whose first rows match the previous list: the rows beyond
  // it take the last row's misfit.
  job.m_nReflections = 6;
  ASSERT_TRUE(ReadDeltaWeights(job, sink));
  ExpectScaled(job, {delta2[0], delta2[1], delta2[2], delta2[3], delta2[3], delta2[3]}, "longer job");

  // Another job's report: refused, no weights taken, nothing refined.
  const std::string before = ReadAll(job.m_strReportPath);
  job.m_nReflections = 4;
  job.m_nK[2] += 1;
  job.m_nWeighting = kDelta2Theta;
  std::fill(job.m_dWeight, job.m_dWeight + 4, 0.5);
  EXPECT_FALSE(ExecuteRefinement(job, sink));
  EXPECT_EQ(sink.messages, std::vector<std::string>{job.m_strReportPath + Format(
      " belongs to another reflection list: its row 3 is not (%d %d %d) !!!\n No weights are taken from it and nothing is refined.",
      job.m_nH[2], job.m_nK[2], job.m_nL[2])});
  EXPECT_EQ(ReadAll(job.m_strReportPath), before);
  EXPECT_EQ(job.m_dWeight[3], 0.5);

  // A report without its list, and every 2theta 0 (no largest weight):
  // messages, weights unchanged.
  sink.messages.clear();
  dir.Write("Lattrix.out", "Title : x\n");
  ReadDeltaWeights(job, sink);
  std::fill(job.m_dTwoTheta, job.m_dTwoTheta + 4, 0.0);
  ComputeSin2Weights(job, sink);
  EXPECT_EQ(sink.messages, (std::vector<std::string>{"no list !!!", "The largest weight is 0 !!!\n The weights are left as they were."}));
  EXPECT_EQ(job.m_dWeight[0], 0.5);
}

}  // namespace
