// Every file of the fuzz corpus (fuzz/corpus/<target>: the seeds, and every
// input that made a fuzz target fail once) goes through the fuzz target's
// code path with its checks (fuzz/FuzzPaths.h). Under the sanitizer build a
// buffer overrun or undefined behaviour fails here too. Then the faults the
// fuzzing found, with values worked by hand.
#include <gtest/gtest.h>

#include "../../fuzz/FuzzPaths.h"

namespace {

namespace fs = std::filesystem;
using namespace lattrix;

std::vector<std::string> CorpusOf(const std::string& target) {
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(fs::path(LATTRIX_FUZZ_CORPUS_DIR) / target)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

TEST(FuzzRegressions, EveryCorpusFileKeepsTheChecks) {
  lattrix_test::ScratchDir dir;
  const std::vector<std::string> inputs = CorpusOf("input_file"), reports = CorpusOf("report");
  ASSERT_GE(inputs.size(), 13u);
  ASSERT_GE(reports.size(), 6u);
  for (const std::string& file : inputs) {
    lattrix_fuzz::Checker check;
    lattrix_fuzz::RunInputFile(file, dir.File("saved.inp"), check);
    EXPECT_TRUE(check.ok()) << file << ":\n" << check.failures;
  }
  for (const std::string& file : reports) {
    lattrix_fuzz::Checker check;
    lattrix_fuzz::RunReport(file, fs::file_size(file), check);
    EXPECT_TRUE(check.ok()) << file << ":\n" << check.failures;
  }
}

// The weights of two broken reports, worked by hand: odd_values.out's first
// row has del2th "-nan", which does not parse, so the weights stay 1;
// list_cut.out holds four rows of quartz's list (del2th 0.0008, 0.0041,
// -0.0025, 0.0042) and the rows after its end keep the last row's, so the
// delta2(theta) weights are del2th^2 over 0.0042^2, then 1.
TEST(FuzzRegressions, BrokenReportsGiveTheHandWorkedWeights) {
  const std::string dir = std::string(LATTRIX_FUZZ_CORPUS_DIR) + "/report/";
  lattrix_fuzz::QuietSink sink;
  Job odd = lattrix_fuzz::JobMatchingReport(dir + "odd_values.out"), cut = lattrix_fuzz::JobMatchingReport(dir + "list_cut.out");
  ReadDeltaWeights(odd, sink);
  EXPECT_EQ(sink.last, "The first row of the previous list cannot be read !!!\n The weights are left as they were.");
  EXPECT_EQ(std::vector<double>(odd.m_dWeight, odd.m_dWeight + 12), std::vector<double>(12, 1.0));
  ReadDeltaWeights(cut, sink);
  const double expected[4] = {0.0008 * 0.0008, 0.0041 * 0.0041, 0.0025 * 0.0025, 0.0042 * 0.0042};
  for (int i = 0; i < cut.m_nReflections; ++i) { EXPECT_NEAR(cut.m_dWeight[i], expected[std::min(i, 3)] / expected[3], 1e-12) << i; }
}

// Found by the job file target: fixed-width fields of a reflection row
// ran together when a value filled its width ("  28.440001000.00000" read
// back as 2theta 28.440001000 and weight 0). The values read back are the
// ones saved.
TEST(FuzzRegressions, SavedWideWeightReadsBack) {
  lattrix_test::ScratchDir dir;
  Job job = lattrix_test::SmallValidJob(dir.File("Lattrix.out")), back;
  job.m_dWeight[0] = 1000.0, job.m_dWeight[1] = -100.0;
  job.m_strInputPath = back.m_strInputPath = dir.File("wide.inp");
  RecordingSink sink;
  ASSERT_TRUE(WriteInputFile(job, sink) && ReadInputFile(back, sink));
  EXPECT_EQ(back.m_dWeight[0], 1000.0);
  EXPECT_EQ(back.m_dWeight[1], -100.0);
  EXPECT_NEAR(back.m_dTwoTheta[0], job.m_dTwoTheta[0], 5e-6);
}

// Found by the job file target: silicon values whose squares overflow gave
// a calibration line of NaN applied as a success, and a steep line
// (observed 28.0000, 28.0001, 28.0002, slope above 1e5) took a 2theta
// beyond the double range. Both are refused and change no 2theta.
TEST(FuzzRegressions, CalibrationThatIsNotANumberIsRefused) {
  for (const auto& [file, message] : std::vector<std::pair<std::string, std::string>>{
           {"silicon_1e300.inp", "Lost of rank !"}, {"silicon_steep_line.inp", "2theta of row 2 cannot be calibrated !!!"}}) {
    Job job;
    job.m_strInputPath = std::string(LATTRIX_FUZZ_CORPUS_DIR) + "/input_file/" + file;
    RecordingSink sink;
    ASSERT_TRUE(ReadInputFile(job, sink) && job.m_bInternalStd == 1) << file;
    const Job before = job;
    EXPECT_FALSE(CalibrateTwoTheta(job, SiliconTextsFromJob(job), sink));
    EXPECT_EQ(sink.messages, std::vector<std::string>{message});
    for (int i = 0; i < job.m_nReflections; ++i) { EXPECT_EQ(job.m_dTwoTheta[i], before.m_dTwoTheta[i]) << file; }
  }
}

}  // namespace
