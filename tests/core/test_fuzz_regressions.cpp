// Every file of the fuzz corpus (fuzz/corpus/<target>: the seeds, and every
// input that made a fuzz target fail once, such as wide_weight.inp,
// silicon_1e300.inp and silicon_steep_line.inp) goes through the fuzz
// target's code path with its checks (fuzz/FuzzPaths.h), the x files of a
// series among them. Under the sanitizer
// build a buffer overrun or undefined behaviour fails here too. Then the
// weights of two broken reports, worked by hand.
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
  const std::vector<std::string> inputs = CorpusOf("input_file"), reports = CorpusOf("report"),
                                 axes = CorpusOf("series_x");
  ASSERT_GE(inputs.size(), 13u);
  ASSERT_GE(reports.size(), 6u);
  ASSERT_GE(axes.size(), 4u);
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
  for (const std::string& file : axes) {
    lattrix_fuzz::Checker check;
    lattrix_fuzz::RunSeriesX(file, check);
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

}  // namespace
