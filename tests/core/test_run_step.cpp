// The run step: what it refuses before any report is written, the refined
// state after a report that could not be written, and the weighting schemes
// with the weights read back from the previous report (expected weights
// computed here from the 2theta values and from the report's del2th column
// as printed, read with sscanf); then files that cannot be read or written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TestSupport.h"
#include "common/AtomicFile.h"
#include "run/Execute.h"
#include "engine/Refinement.h"
#include "fittingmap/FittingMap.h"
#include "job/InputFile.h"
#include "report/FittingTable.h"
#include "results/CifWriter.h"
#include "run/RunStep.h"

using namespace lattrix;
using namespace lattrix_test;

namespace {

TEST(RunJob, RefusalsWriteNoReport) {
  // A message of "" for a run that refines.
  const struct { const char* what; std::function<void(Job&)> edit; const char* message; } cases[] = {
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
      {"Manual without known corrections", [](Job& j) { j.m_nCorrection = kManual; }, "Manual correction mode not available !!!\n Manual mode applies the known corrections zero, ssd and emu of the job: emu must not be 0."},
      {"2theta below 0", [](Job& j) { j.m_dTwoThetaRaw[1] = -36.544; }, "2theta of row 2 (-36.544) is not between 0 and 180 degrees !!!"},
      {"2theta 180", [](Job& j) { j.m_dTwoThetaRaw[0] = 180; }, "2theta of row 1 (180) is not between 0 and 180 degrees !!!"},
      {"length 0", [](Job& j) { j.m_dCell[1] = 0; }, "b of the trial cell (0) is not a positive length !!!"},
      {"angle 180", [](Job& j) { j.m_dCell[5] = 180; }, "gamma of the trial cell (180) is not between 0 and 180 degrees !!!"},
  };
  // Each with the calibration off and on (the silicon observed where the
  // reference puts it).
  for (const auto& c : cases)
    for (int calibrate : {0, 1}) {
      ScratchDir dir;
      Job job = SmallValidJob(dir.File("Lattrix.out"));
      c.edit(job);
      job.m_bInternalStd = calibrate, job.m_nSiObs = 12;
      std::copy_n(job.m_dSiTwoThetaStd, 12, job.m_dSiTwoThetaObs);
      RecordingSink sink;
      const RunResult run = RunJob(job, calibrate ? SiliconStandardOf(job) : SiliconStandard(), sink);
      EXPECT_EQ(run.refined, !*c.message) << c.what << calibrate;
      EXPECT_EQ(job.m_bRefined, !*c.message) << c.what << calibrate;
      EXPECT_EQ(sink.messages, std::vector<std::string>(*c.message ? 1 : 0, c.message)) << c.what << calibrate;
      EXPECT_EQ(std::filesystem::exists(job.m_strReportPath), !*c.message) << c.what << calibrate;
    }
}

// No result without its report, and the report written whole or not at
// all: for a report that cannot be created and for one cut short by a
// file-size limit, as by a full disk, one message, the job's results and
// refined state as they were, and the previous report whole (no
// temporary file left beside it).
TEST(RunJob, ReportNotWrittenLeavesTheRefinedState) {
  for (bool cutShort : {false, true})
    for (bool wasRefined : {false, true}) {
      ScratchDir dir;
      Job job = SmallValidJob(cutShort ? dir.Write("Lattrix.out", "the previous report\n") : dir.File("missing/Lattrix.out"));
      job.m_bRefined = wasRefined;
      RecordingSink sink;
      const auto run = [&] { return RunJob(job, SiliconStandard(), sink); };
      EXPECT_FALSE(WithFileSizeLimit(cutShort ? 1000 : RLIM_INFINITY, run).refined) << cutShort << wasRefined;
      EXPECT_EQ(job.m_bRefined, wasRefined) << cutShort;
      EXPECT_EQ(Format("%.6f %.4f", job.m_dRefinedCell[0], job.m_dVolume), "0.000000 0.0000") << cutShort;
      EXPECT_EQ(sink.messages, std::vector<std::string>{"Output file not open !!!\n" + job.m_strReportPath + ": " +
                                                        (cutShort ? "File too large" : "No such file or directory")});
      EXPECT_EQ(ReadAll(job.m_strReportPath), cutShort ? "the previous report\n" : "");
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), cutShort ? 1 : 0);
    }
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
  // Four cubic reflections near a = 5.64 with misfits of a few thousandths.
  Job job = MakeJob(kCrystals[6], 4, {0.0, 0.0, 0.004});
  job.m_strReportPath = dir.File("Lattrix.out");
  RecordingSink sink;
  std::vector<double> sin2;
  for (int i = 0; i < 4; ++i) sin2.push_back(std::pow(std::sin(0.5 * job.m_dTwoTheta[i] * 0.0174532925), 2));
  job.m_nWeighting = kSin2Theta;
  ASSERT_TRUE(RunJob(job, SiliconStandard(), sink).refined);
  ExpectScaled(job, sin2, "sin2");
  job.m_nWeighting = kUnity;
  ASSERT_TRUE(RunJob(job, SiliconStandard(), sink).refined);
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
  job.m_nReflections = 4, job.m_nK[2] += 1, job.m_nWeighting = kDelta2Theta;
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

// Files that cannot be read or written: each message names the path as
// printable text and the system's reason; a report or job file cut short by a file-size
// limit (as by a full disk) is reported, and a failed save leaves the
// previous file as it was. The job is SmallValidJob, whose refined cell is
// known: a = 4.9, b = 5.6, c = 7.3 A.
// Every message about a file, for a path with a control character and a
// byte that is not UTF-8 in a directory that does not exist.
TEST(Files, MessagesNameThePrintablePathAndTheReason) {
  ScratchDir dir;
  const std::string path = dir.File("no\x01" "dir\xff/x"), shown = dir.File("no\\x01dir\\xff/x");
  const std::string reason = "No such file or directory";
  const struct { std::function<void(Job&, MessageSink&)> run; std::string message; } cases[] = {
      {[&](Job& j, MessageSink& s) { j.m_strInputPath = path; ReadInputFile(j, s); }, "Input file not open !!!\n" + shown + ": " + reason},
      {[&](Job& j, MessageSink& s) { j.m_strReportPath = path; RunJob(j, SiliconStandard(), s); }, "Output file not open !!!\n" + shown + ": " + reason},
      {[&](Job& j, MessageSink& s) { j.m_strInputPath = path; WriteInputFile(j, s); }, shown + " cannot created !!!\n" + reason},
      {[&](Job& j, MessageSink& s) { WriteCifFile(j, path, s); }, shown + " cannot be written !!!\n" + reason},
      {[&](Job&, MessageSink& s) { FittingMap m; m.m_strReportPath = path; m.m_nPoints = 3; m.LoadMapData(s); }, shown + " not open !!!\n" + reason},
      {[&](Job& j, MessageSink& s) { j.m_strReportPath = path; EXPECT_FALSE(ReadDeltaWeights(j, s)); },
       shown + " file not found !!!\n" + reason + "\n Nothing is refined: run with unity or sin2 weighting first; its report holds the misfits to weight by."},
      {[&](Job& j, MessageSink& s) { j.m_strInputPath = dir.path(); ReadInputFile(j, s); }, "Input file not open !!!\n" + dir.path() + ": Is a directory"},
      {[&](Job& j, MessageSink& s) { j.m_strInputPath = dir.path(); WriteInputFile(j, s); }, dir.path() + " cannot created !!!\nIs a directory"},
      // A refused line is quoted printable and cut after 60 characters.
      {[&](Job& j, MessageSink& s) { j.m_strInputPath = dir.Write("esc.inp", "t\n\x1b[2J" + std::string(70, 'A') + "\n"); ReadInputFile(j, s); },
       "icode=\\x1b[2J" + std::string(56, 'A') + "... is not acceptable !!!"},
  };
  for (const auto& c : cases) {
    Job job = SmallValidJob(dir.File("Lattrix.out"));
    RecordingSink sink;
    c.run(job, sink);
    EXPECT_EQ(sink.messages, std::vector<std::string>{c.message});
  }
}

// A job file cut short by a file-size limit (a report cut short: above):
// refused, the previous file as it was; a save that succeeds keeps the
// file's permissions and leaves no litter.
TEST(Files, FileSizeLimitWhileWriting) {
  ScratchDir dir;
  Job job = SmallValidJob(dir.File("Lattrix.out"));
  RecordingSink sink;
  job.m_strInputPath = dir.Write("keep.inp", "the user's previous job\n");
  ::chmod(job.m_strInputPath.c_str(), 0640);
  EXPECT_FALSE(WithFileSizeLimit(16, [&] { return WriteInputFile(job, sink); }));
  EXPECT_EQ(sink.messages, std::vector<std::string>{job.m_strInputPath + " cannot created !!!\nFile too large"});
  EXPECT_EQ(ReadAll(job.m_strInputPath), "the user's previous job\n");
  ASSERT_TRUE(WriteInputFile(job, sink));
  struct stat st;
  ASSERT_EQ(::stat(job.m_strInputPath.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(ReadAll(job.m_strInputPath), InputFileText(job));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// A file streamed in pieces stays out of sight until Commit: the old file is
// whole meanwhile, and a writer that ends without Commit (a series stopped
// part way) or fails (a full disk) leaves it as it was and no litter.
TEST(Files, StreamedFileAppearsWholeOrNotAtAll) {
  ScratchDir dir;
  const std::string path = dir.Write("t.csv", "old\n");
  std::string expected;
  for (int i = 0; i < 30000; ++i) expected += std::to_string(i) + "\n";   // several flushes
  const auto write = [&](bool commit) {
    StreamingFile file;
    bool ok = file.Open(path);
    for (size_t at = 0; at < expected.size(); at += 1000) ok = file.Append(expected.substr(at, 1000)) && ok;
    EXPECT_EQ(ReadAll(path), "old\n");
    return commit ? file.Commit() && ok : ok;
  };
  EXPECT_TRUE(write(false));
  EXPECT_FALSE(WithFileSizeLimit(70000, [&] { return write(true); }));
  EXPECT_EQ(ReadAll(path), "old\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  EXPECT_TRUE(write(true));
  EXPECT_EQ(ReadAll(path), expected);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
