// Every file under tests/data/fuzz/<target>/ - inputs that made a fuzz
// target fail once, and the seed corpus's broken files - goes through the
// same code path as the fuzz target (fuzz/FuzzPaths.h) with the same checks:
// counts within the arrays, weights finite and within 0..1, table rows and
// map ticks within their limits, points drawn inside the box. Run under the
// sanitizer build, a buffer overrun or undefined behaviour also fails here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "../../fuzz/FuzzPaths.h"
#include "TestFiles.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> FilesOf(const std::string& target) {
  std::vector<std::string> files;
  const fs::path dir = fs::path(LATTRIX_TEST_DATA_DIR) / "fuzz" / target;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec))
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

TEST(FuzzRegressions, InputFile) {
  const std::vector<std::string> files = FilesOf("input_file");
  ASSERT_FALSE(files.empty());
  lattrix_test::ScratchDir dir;
  for (const std::string& file : files) {
    lattrix_fuzz::Checker check;
    lattrix_fuzz::RunInputFile(file, dir.File("saved.inp"), check);
    EXPECT_TRUE(check.ok()) << file << ":\n" << check.Text();
  }
}

TEST(FuzzRegressions, ReportWeights) {
  const std::vector<std::string> files = FilesOf("report_weights");
  ASSERT_FALSE(files.empty());
  for (const std::string& file : files) {
    lattrix_fuzz::Checker check;
    lattrix_fuzz::RunReportWeights(file, check);
    EXPECT_TRUE(check.ok()) << file << ":\n" << check.Text();
  }
}

TEST(FuzzRegressions, FittingTable) {
  const std::vector<std::string> files = FilesOf("fitting_table");
  ASSERT_FALSE(files.empty());
  for (const std::string& file : files) {
    lattrix_fuzz::Checker check;
    lattrix_fuzz::RunFittingTable(file, fs::file_size(file), check);
    EXPECT_TRUE(check.ok()) << file << ":\n" << check.Text();
  }
}

TEST(FuzzRegressions, FittingMap) {
  const std::vector<std::string> files = FilesOf("fitting_map");
  ASSERT_FALSE(files.empty());
  for (const std::string& file : files) {
    lattrix_fuzz::Checker check;
    lattrix_fuzz::RunFittingMap(file, check);
    EXPECT_TRUE(check.ok()) << file << ":\n" << check.Text();
  }
}

TEST(FuzzRegressions, SeriesX) {
  const std::vector<std::string> files = FilesOf("series_x");
  ASSERT_FALSE(files.empty());
  for (const std::string& file : files) {
    lattrix_fuzz::Checker check;
    lattrix_fuzz::RunSeriesX(file, check);
    EXPECT_TRUE(check.ok()) << file << ":\n" << check.Text();
  }
}

// The weights of the broken reports, worked by hand: odd_values.out's first
// row has del2th "-nan", which does not parse, so the first row is refused
// and the weights stay 1; list_cut.out holds four rows of quartz's list
// (del2th 0.0008, 0.0041, -0.0025, 0.0042) and the rows after the end keep
// the last row's values, so the delta2(theta) weights are del2th^2 over
// 0.0042^2: 0.0008^2/0.0042^2, 0.0041^2/0.0042^2, 0.0025^2/0.0042^2, then 1.
TEST(FuzzRegressions, BrokenReportsGiveTheHandWorkedWeights) {
  const std::string dir = std::string(LATTRIX_TEST_DATA_DIR) + "/fuzz/report_weights/";
  lattrix_fuzz::QuietSink sink;
  lattrix::Job job = lattrix_fuzz::JobMatchingReport(dir + "odd_values.out");
  lattrix::ReadDeltaWeights(job, sink);
  EXPECT_EQ(sink.last,
            "The first row of the previous list cannot be read !!!\n The weights are left as they were.");
  for (int i = 0; i < job.m_nReflections; ++i) EXPECT_EQ(job.m_dWeight[i], 1.0) << i;

  lattrix::Job cut = lattrix_fuzz::JobMatchingReport(dir + "list_cut.out");
  lattrix::ReadDeltaWeights(cut, sink);
  const double top = 0.0042 * 0.0042;
  EXPECT_NEAR(cut.m_dWeight[0], 0.0008 * 0.0008 / top, 1e-12);
  EXPECT_NEAR(cut.m_dWeight[1], 0.0041 * 0.0041 / top, 1e-12);
  EXPECT_NEAR(cut.m_dWeight[2], 0.0025 * 0.0025 / top, 1e-12);
  for (int i = 3; i < cut.m_nReflections; ++i) EXPECT_EQ(cut.m_dWeight[i], 1.0) << i;
}

}  // namespace

// Found by the job file target's save-and-read-back check: the fixed-width
// fields of a reflection row ("%5d%5d%5d%10.5lf%10.5lf") run together when a
// value fills its width, so a saved weight of 1000 reads back as 2theta
// 28.440001000 and weight 0 ("  28.440001000.00000"). The writer keeps a
// blank between such fields; the values read back are the ones saved.
TEST(FuzzRegressions, SavedWideWeightReadsBack) {
  lattrix_test::ScratchDir dir;
  lattrix::Job job = lattrix_fuzz::SmallValidJob(dir.File("Lattrix.out"));
  job.m_dWeight[0] = 1000.0;
  job.m_dWeight[1] = -100.0;
  job.m_strInputPath = dir.File("wide.inp");
  lattrix::RecordingSink sink;
  ASSERT_TRUE(lattrix::WriteInputFile(job, sink));
  lattrix::Job back;
  lattrix::InitialiseJob(back, "/tmp");
  back.m_strInputPath = job.m_strInputPath;
  ASSERT_TRUE(lattrix::ReadInputFile(back, sink));
  EXPECT_EQ(back.m_dWeight[0], 1000.0);
  EXPECT_EQ(back.m_dWeight[1], -100.0);
  EXPECT_NEAR(back.m_dTwoTheta[0], job.m_dTwoTheta[0], 5e-6);
  EXPECT_NEAR(back.m_dTwoTheta[1], job.m_dTwoTheta[1], 5e-6);
}

// Found by the job file target: silicon values so large that their squares
// overflow gave a calibration line of NaN that was applied as a success, and
// a steep line (observed 28.0000, 28.0001, 28.0002 against the reference
// peaks, slope above 1e5) took a 2theta of 1e306 beyond the double range.
// Both are refused and leave every 2theta as it was.
TEST(FuzzRegressions, CalibrationThatIsNotANumberIsRefused) {
  const std::string dir = std::string(LATTRIX_TEST_DATA_DIR) + "/fuzz/input_file/";
  const struct {
    const char* file;
    const char* message;
  } cases[] = {{"silicon_1e300.inp", "Lost of rank !"},
               {"silicon_steep_line.inp", "2theta of row 2 cannot be calibrated !!!"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    lattrix::Job job;
    lattrix::InitialiseJob(job, "/tmp");
    job.m_strInputPath = dir + c.file;
    lattrix::RecordingSink sink;
    ASSERT_TRUE(lattrix::ReadInputFile(job, sink));
    ASSERT_EQ(job.m_bInternalStd, 1);
    const lattrix::Job before = job;
    EXPECT_FALSE(lattrix::CalibrateTwoTheta(job, lattrix::SiliconTextsFromJob(job), sink));
    EXPECT_EQ(sink.messages, std::vector<std::string>{c.message});
    for (int i = 0; i < job.m_nReflections; ++i) EXPECT_EQ(job.m_dTwoTheta[i], before.m_dTwoTheta[i]);
  }
}
