// Files that cannot be read or written: each message names the path as
// printable text and the system's reason; a report or job file cut short by a file-size
// limit (as by a full disk) is reported, and a failed save leaves the
// previous file as it was. The job is SmallValidJob, whose refined cell is
// known: a = 4.9, b = 5.6, c = 7.3 A.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "TestSupport.h"
#include "engine/Execute.h"
#include "engine/Refinement.h"
#include "fittingmap/FittingMap.h"
#include "job/InputFile.h"
#include "report/FittingTable.h"
#include "results/CifWriter.h"

using namespace lattrix;
using namespace lattrix_test;

namespace {

// Every message about a file, for a path with a control character and a
// byte that is not UTF-8 in a directory that does not exist.
TEST(Files, MessagesNameThePrintablePathAndTheReason) {
  ScratchDir dir;
  const std::string path = dir.File("no\x01" "dir\xff/x"), shown = dir.File("no\\x01dir\\xff/x");
  const std::string reason = "No such file or directory";
  const struct {
    std::function<void(Job&, MessageSink&)> run;
    std::string message;
  } cases[] = {
      {[&](Job& j, MessageSink& s) { j.m_strInputPath = path; ReadInputFile(j, s); }, "Input file not open !!!\n" + shown + ": " + reason},
      {[&](Job& j, MessageSink& s) { j.m_strReportPath = path; RefineCell(j, s); }, "Output file not open !!!\n" + shown + ": " + reason},
      {[&](Job& j, MessageSink& s) { j.m_strInputPath = path; WriteInputFile(j, s); }, shown + " cannot created !!!\n" + reason},
      {[&](Job& j, MessageSink& s) { WriteCifFile(j, path, s); }, shown + " cannot be written !!!\n" + reason},
      {[&](Job&, MessageSink& s) { FittingTable t; ReadFittingTable(path, nullptr, nullptr, 0, t, s); }, shown + " not open !!!\n" + reason},
      {[&](Job&, MessageSink& s) { FittingMap m; m.m_strReportPath = path; m.m_nPoints = 3; m.LoadMapData(s); }, shown + " not open !!!\n" + reason},
      {[&](Job& j, MessageSink& s) { j.m_strReportPath = path; ReadDeltaWeights(j, s); }, shown + " file not found !!!\n" + reason},
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

// A report cut short: the message after the run, the results in the job
// all the same. A job file cut short: refused, the previous file as it was;
// a save that succeeds keeps the file's permissions and leaves no litter.
TEST(Files, FileSizeLimitWhileWriting) {
  ScratchDir dir;
  Job job = SmallValidJob(dir.File("Lattrix.out"));
  RecordingSink sink;
  const RefinementOutcome out = WithFileSizeLimit(1000, [&] { return RefineCell(job, sink); });
  EXPECT_FALSE(out.reportWritten);
  EXPECT_EQ(sink.messages, std::vector<std::string>{job.m_strReportPath + " cannot be written completely !!!"});
  EXPECT_LE(ReadAll(job.m_strReportPath).size(), 1000u);
  EXPECT_NEAR(job.m_dRefinedCell[0], 4.9, 1e-6);
  EXPECT_NEAR(job.m_dRefinedCell[2], 7.3, 1e-6);
  EXPECT_NEAR(job.m_dVolume, 4.9 * 5.6 * 7.3, 1e-4);

  job.m_strInputPath = dir.Write("keep.inp", "the user's previous job\n");
  ::chmod(job.m_strInputPath.c_str(), 0640);
  sink.messages.clear();
  EXPECT_FALSE(WithFileSizeLimit(16, [&] { return WriteInputFile(job, sink); }));
  EXPECT_EQ(sink.messages, std::vector<std::string>{job.m_strInputPath + " cannot created !!!\nFile too large"});
  EXPECT_EQ(ReadAll(job.m_strInputPath), "the user's previous job\n");
  ASSERT_TRUE(WriteInputFile(job, sink));
  struct stat st;
  ASSERT_EQ(::stat(job.m_strInputPath.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(ReadAll(job.m_strInputPath), InputFileText(job));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

}  // namespace
