// The report and the job file on file systems that refuse them: a report
// path that is a directory or lies under a regular file, a report directory
// that is missing or read-only, and a disk that fills up while the report or
// a job file is written. Each gives its message and no crash; a report that
// cannot be created changes nothing in the job, one that cannot be written
// completely still leaves the results in the job; a failed save leaves the
// previous job file as it was.
//
// The job refined here is a small orthorhombic one whose 2theta values are
// the exact Bragg angles of a = 4.9, b = 5.6, c = 7.3 A (fuzz/FuzzSupport.h),
// so the refined cell it must hold is known without running the program.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "../../fuzz/FuzzSupport.h"
#include "TestFiles.h"
#include "engine/Execute.h"
#include "engine/Refinement.h"
#include "job/InputFile.h"

namespace {

using lattrix::Job;
using lattrix::RecordingSink;
using lattrix::RefinementOutcome;
using lattrix_test::ReadAll;
using lattrix_test::ScratchDir;

const std::string kNotOpen = "Output file not open !!!\n";

// A tmpfs of a few kilobytes mounted on a fresh directory (root only);
// unmounted at the end. mounted() is false where mounting is not permitted.
class TinyFileSystem {
 public:
  TinyFileSystem(const ScratchDir& scratch, const char* size) : dir_(scratch.File("tiny")) {
    ::mkdir(dir_.c_str(), 0755);
    options_ = std::string("size=") + size;
    mounted_ = ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, options_.c_str()) == 0;
  }
  ~TinyFileSystem() {
    if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  bool MakeReadOnly() {
    return ::mount("tmpfs", dir_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, options_.c_str()) == 0;
  }
  // Writes a filler file until the file system has no byte left.
  bool Fill() {
    std::FILE* f = std::fopen(File("filler").c_str(), "wb");
    if (f == nullptr) return false;
    std::setvbuf(f, nullptr, _IONBF, 0);
    const std::vector<char> block(512, 'x');
    for (int i = 0; i < 100000; ++i)
      if (std::fwrite(block.data(), 1, block.size(), f) != block.size()) break;
    // Single bytes into the last partial block.
    while (std::fputc('x', f) != EOF) {
    }
    std::fclose(f);
    return true;
  }
  std::string File(const std::string& name) const { return dir_ + "/" + name; }

 private:
  std::string dir_;
  std::string options_;
  bool mounted_ = false;
};

// The refined cell of the reference job: the cell its 2theta values were
// computed from.
void ExpectReferenceCell(const Job& job) {
  EXPECT_NEAR(job.m_dRefinedCell[0], 4.9, 1e-6);
  EXPECT_NEAR(job.m_dRefinedCell[1], 5.6, 1e-6);
  EXPECT_NEAR(job.m_dRefinedCell[2], 7.3, 1e-6);
  EXPECT_NEAR(job.m_dVolume, 4.9 * 5.6 * 7.3, 1e-4);
}

// A report that cannot be created: the message, nothing refined into the
// job; Execute still marks the job refined, as it does after any run.
void ExpectReportRefused(const std::string& reportPath) {
  SCOPED_TRACE(reportPath);
  Job job = lattrix_fuzz::SmallValidJob(reportPath);
  job.m_dRefinedCell[0] = 1.25;
  RecordingSink sink;
  const RefinementOutcome out = lattrix::RefineCell(job, sink);
  EXPECT_FALSE(out.reportWritten);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].rfind(kNotOpen + reportPath + ": ", 0), 0u) << sink.messages[0];
  EXPECT_EQ(job.m_dRefinedCell[0], 1.25);
  EXPECT_EQ(job.m_dVolume, 0.0);

  RecordingSink again;
  RefinementOutcome executed;
  EXPECT_TRUE(lattrix::ExecuteRefinement(job, again, &executed));
  EXPECT_FALSE(executed.reportWritten);
  EXPECT_EQ(again.messages, sink.messages);
  EXPECT_TRUE(job.m_bRefined);
}

TEST(FileFailures, ReportThatCannotBeCreated) {
  ScratchDir scratch;
  ::mkdir(scratch.File("a-directory").c_str(), 0755);
  ExpectReportRefused(scratch.File("a-directory"));              // the path is a directory
  ExpectReportRefused(scratch.File("missing/Lattrix.out"));      // its directory does not exist
  const std::string regular = scratch.Write("regular", "text\n");
  ExpectReportRefused(regular + "/Lattrix.out");                 // its "directory" is a file
  EXPECT_EQ(ReadAll(regular), "text\n");
}

// Permission bits do not stop root; a read-only file system stops everyone.
TEST(FileFailures, ReportDirectoryNotWritable) {
  ScratchDir scratch;
  TinyFileSystem fs(scratch, "64k");
  if (!fs.mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
  const std::string previous = fs.File("Lattrix.out");
  { std::ofstream(previous) << "previous report\n"; }
  const std::string job = fs.File("job.inp");
  { std::ofstream(job) << "previous job\n"; }
  ASSERT_TRUE(fs.MakeReadOnly());
  ExpectReportRefused(fs.File("new.out"));
  ExpectReportRefused(previous);
  EXPECT_EQ(ReadAll(previous), "previous report\n");

  Job saved = lattrix_fuzz::SmallValidJob(previous);
  saved.m_strInputPath = job;
  RecordingSink sink;
  EXPECT_FALSE(lattrix::WriteInputFile(saved, sink));
  EXPECT_EQ(sink.messages, std::vector<std::string>{job + " cannot created !!!\nRead-only file system"});
  EXPECT_EQ(ReadAll(job), "previous job\n");
}

// A report cut short: the message after the run, reportWritten false, the
// results in the job all the same.
void ExpectReportCutShort(const std::string& reportPath, RecordingSink& sink,
                          const RefinementOutcome& out, const Job& job) {
  EXPECT_FALSE(out.reportWritten);
  EXPECT_EQ(sink.messages,
            std::vector<std::string>{reportPath + " cannot be written completely !!!"});
  ExpectReferenceCell(job);
  EXPECT_EQ(out.reflections.size(), 12u);
}

TEST(FileFailures, DiskFullWhileWritingTheReport) {
  ScratchDir scratch;
  TinyFileSystem fs(scratch, "16k");
  if (!fs.mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
  ASSERT_TRUE(fs.Fill());
  const std::string report = fs.File("Lattrix.out");
  Job job = lattrix_fuzz::SmallValidJob(report);
  RecordingSink sink;
  const RefinementOutcome out = lattrix::RefineCell(job, sink);
  ExpectReportCutShort(report, sink, out, job);

  // The job file saved onto the full disk: refused, the old file intact.
  ::unlink(fs.File("filler").c_str());
  const std::string jobFile = fs.File("job.inp");
  { std::ofstream(jobFile) << "the user's previous job\n"; }
  ASSERT_TRUE(fs.Fill());
  job.m_strInputPath = jobFile;
  RecordingSink saveSink;
  EXPECT_FALSE(lattrix::WriteInputFile(job, saveSink));
  EXPECT_EQ(saveSink.messages, std::vector<std::string>{jobFile + " cannot created !!!\nNo space left on device"});
  EXPECT_EQ(ReadAll(jobFile), "the user's previous job\n");
}

// The same with a file size limit, which any user can set.
TEST(FileFailures, FileSizeLimitWhileWritingTheReport) {
  ScratchDir scratch;
  const std::string report = scratch.File("Lattrix.out");
  Job job = lattrix_fuzz::SmallValidJob(report);
  RecordingSink sink;
  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  void (*previous)(int) = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 1000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const RefinementOutcome out = lattrix::RefineCell(job, sink);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, previous);
  ExpectReportCutShort(report, sink, out, job);
  EXPECT_LE(ReadAll(report).size(), 1000u);
}

// A failing stream: the stream overload writes what it can and leaves the
// failure to its caller; the results are in the job.
TEST(FileFailures, FailingStream) {
  Job job = lattrix_fuzz::SmallValidJob("/unused");
  std::ostringstream report;
  report.setstate(std::ios::badbit);
  RecordingSink sink;
  const RefinementOutcome out = lattrix::RefineCell(job, report, sink);
  EXPECT_TRUE(sink.messages.empty());
  ExpectReferenceCell(job);
  EXPECT_EQ(out.reflections.size(), 12u);
}

}  // namespace
