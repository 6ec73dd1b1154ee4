// Every file of the fuzz corpus (fuzz/corpus/<target>: the seeds, and every
// input that made a fuzz target fail once, such as wide_weight.inp,
// silicon_1e300.inp and silicon_steep_line.inp) goes through the fuzz
// target's code path with its checks (fuzz/FuzzPaths.h), the x files of a
// series among them. Under the sanitizer build a buffer overrun or undefined
// behaviour fails here too. Then the weights of a broken report, worked by
// hand.
#include <gtest/gtest.h>

#include "../../fuzz/FuzzPaths.h"

namespace {

namespace fs = std::filesystem;
using namespace lattrix;

TEST(FuzzRegressions, EveryCorpusFileKeepsTheChecks) {
  using namespace lattrix_fuzz;
  lattrix_test::ScratchDir dir;
  using Run = std::function<void(const std::string&, Checker&)>;
  const struct { const char* target; size_t least; Run run; } targets[] = {
      {"input_file", 13, [&](auto& file, auto& check) { RunInputFile(file, dir.File("saved.inp"), check); }},
      {"report", 6, [](auto& file, auto& check) { RunReport(file, check); }},
      {"series_x", 4, RunSeriesX},
      {"peak_list", 4, RunPeakList}};
  for (const auto& t : targets) {
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(LATTRIX_FUZZ_CORPUS_DIR) / t.target)) {
      Checker check;
      t.run(entry.path(), check);
      EXPECT_TRUE(check.ok()) << entry.path() << ":\n" << check.failures;
      ++files;
    }
    EXPECT_GE(files, t.least) << t.target;
  }
}

// odd_values.out's first row has del2th "-nan", which does not parse: a
// message, and the weights stay 1.
TEST(FuzzRegressions, ABrokenFirstRowLeavesTheWeights) {
  lattrix_fuzz::QuietSink sink;
  Job odd = lattrix_fuzz::JobMatchingReport(std::string(LATTRIX_FUZZ_CORPUS_DIR) + "/report/odd_values.out");
  ReadDeltaWeights(odd, sink);
  EXPECT_EQ(sink.last, "The first row of the previous list cannot be read !!!\n The weights are left as they were.");
  EXPECT_EQ(std::vector<double>(odd.m_dWeight, odd.m_dWeight + 12), std::vector<double>(12, 1.0));
}

}  // namespace
