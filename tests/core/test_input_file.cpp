#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "TestFiles.h"
#include "common/MessageSink.h"
#include "job/InputFile.h"
#include "job/Job.h"

using namespace lattrix;
using lattrix_test::ReadAll;
using lattrix_test::ScratchDir;

namespace {

// The example job of the file format description, as a user writes it.
const char kExample[] =
    "#title\n"
    "Quartz, room temperature\n"
    "#correction type: 1 manual, 2 none, 3 zero, 4 displacement, 5 zero and displacement\n"
    "3\n"
    "#wavelength (A) and goniometer radius (mm)\n"
    "1.5405981 185.0\n"
    "#crystal system: 1 triclinic ... 7 cubic\n"
    "4\n"
    "#a b c alpha beta gamma\n"
    "4.913 4.913 5.405 90 90 120\n"
    "#number of reflections, then h k l 2theta weight\n"
    "3\n"
    "1 0 0 20.859 1.0\n"
    "1 0 1 26.639 1.0\n"
    "1 1 0 36.543 1.0\n"
    "#number of observed Si reflections, then their 2theta\n"
    "3\n"
    "28.452\n"
    "47.310\n"
    "56.131\n";

struct Read {
  bool ok;
  std::vector<std::string> messages;
};

Read ReadText(Job& job, const ScratchDir& dir, const std::string& text) {
  job.m_strInputPath = dir.Write("job.inp", text);
  RecordingSink sink;
  bool ok = ReadInputFile(job, sink);
  return {ok, sink.messages};
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    lines.push_back(text.substr(start, nl - start));
  return lines;
}

}  // namespace

TEST(ResetJob, SetsDefaultsAndLeavesInstrumentPathsRawValuesAndVolume) {
  Job job;
  InitialiseJob(job, "/data/work");
  EXPECT_EQ(job.m_strReportPath, "/data/work/Lattrix.out");
  job.m_dWavelength = 0.709317;
  job.m_dGonioRadius = 240.0;
  job.m_strInputPath = "x.inp";
  job.m_dTwoThetaRaw[3] = 44.0;
  job.m_dSiTwoThetaObs[2] = 56.1;
  job.m_dVolume = 113.0;
  job.m_dVolumeSigma = 0.01;
  job.m_strTitle = "t";
  job.m_nCorrection = 5;
  job.m_nWeighting = 3;
  job.m_nCrystalSystem = 7;
  job.m_dWeight[0] = 0.25;
  job.m_dEmu = 3.0;
  job.m_bRefined = job.m_bInputLoaded = true;
  ResetJob(job);
  EXPECT_FALSE(job.m_bRefined);
  EXPECT_FALSE(job.m_bInputLoaded);
  EXPECT_EQ(job.m_strTitle, "");
  EXPECT_EQ(job.m_nCorrection, 2);
  EXPECT_EQ(job.m_nWeighting, 0);
  EXPECT_EQ(job.m_nCrystalSystem, 1);
  EXPECT_EQ(job.m_dWeight[0], 1.0);
  EXPECT_EQ(job.m_dEmu, 0.0);
  EXPECT_EQ(job.m_nSiStd, 12);
  // Untouched by a reset.
  EXPECT_EQ(job.m_dWavelength, 0.709317);
  EXPECT_EQ(job.m_dGonioRadius, 240.0);
  EXPECT_EQ(job.m_strInputPath, "x.inp");
  EXPECT_EQ(job.m_dTwoThetaRaw[3], 44.0);
  EXPECT_EQ(job.m_dSiTwoThetaObs[2], 56.1);
  EXPECT_EQ(job.m_dVolume, 113.0);
  EXPECT_EQ(job.m_dVolumeSigma, 0.01);
  // The silicon reference table; 5 1 1 and 3 3 3 share one 2theta.
  EXPECT_EQ(job.m_nSiH[0], 1);
  EXPECT_EQ(job.m_dSiTwoThetaStd[0], 28.440496);
  EXPECT_EQ(job.m_dSiTwoThetaStd[6], 94.944474);
  EXPECT_EQ(job.m_dSiTwoThetaStd[7], 94.944474);
  EXPECT_EQ(job.m_nSiL[11], 3);
  EXPECT_EQ(job.m_dSiTwoThetaStd[11], 136.874541);
  EXPECT_EQ(job.m_dSiTwoThetaStd[12], 0.0);
}

TEST(ReadInputFile, ReadsTheExampleAndForcesNoCorrectionAndUnitWeights) {
  ScratchDir dir;
  Job job;
  Read r = ReadText(job, dir, kExample);
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(r.messages.empty());
  EXPECT_EQ(job.m_strTitle, "Quartz, room temperature");
  EXPECT_EQ(job.m_nCorrection, 2);  // the file said 3
  EXPECT_EQ(job.m_nWeighting, 0);
  EXPECT_TRUE(job.m_bInputLoaded);
  EXPECT_FALSE(job.m_bRefined);
  EXPECT_EQ(job.m_dWavelength, 1.5405981);
  EXPECT_EQ(job.m_dGonioRadius, 185.0);
  EXPECT_EQ(job.m_nCrystalSystem, 4);
  EXPECT_EQ(job.m_dCell[2], 5.405);
  EXPECT_EQ(job.m_dCell[5], 120.0);
  ASSERT_EQ(job.m_nReflections, 3);
  EXPECT_EQ(job.m_nH[1], 1);
  EXPECT_EQ(job.m_nL[1], 1);
  EXPECT_EQ(job.m_dTwoTheta[2], 36.543);
  EXPECT_EQ(job.m_dTwoThetaRaw[2], 36.543);
  EXPECT_EQ(job.m_bInternalStd, 1);
  EXPECT_EQ(job.m_nSiObs, 3);
  EXPECT_EQ(job.m_dSiTwoThetaObs[2], 56.131);
}

TEST(ReadInputFile, CrlfReadsLikeLf) {
  std::string crlf;
  for (char c : std::string(kExample)) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  ScratchDir dir;
  Job a, b;
  ASSERT_TRUE(ReadText(a, dir, kExample).ok);
  ASSERT_TRUE(ReadText(b, dir, crlf).ok);
  EXPECT_EQ(a.m_strTitle, b.m_strTitle);
  EXPECT_EQ(InputFileText(a), InputFileText(b));
}

TEST(ReadInputFile, TitleAndCommentRules) {
  ScratchDir dir;
  Job job;
  // An inline comment is cut off; blanks before it stay part of the title.
  std::string text = kExample;
  text.replace(text.find("Quartz, room temperature"), 24, "  Quartz  # a remark");
  ASSERT_TRUE(ReadText(job, dir, text).ok);
  EXPECT_EQ(job.m_strTitle, "  Quartz  ");

  // A blank line is a header line: the title is empty and the next header is
  // the correction line.
  text = std::string("\n") + (kExample + std::string(kExample).find("#correction"));
  ASSERT_TRUE(ReadText(job, dir, text).ok);
  EXPECT_EQ(job.m_strTitle, "");

  // Numbers may carry a trailing comment.
  text = kExample;
  text.replace(text.find("1.5405981 185.0"), 15, "0.709317 240.0  # Mo tube");
  ASSERT_TRUE(ReadText(job, dir, text).ok);
  EXPECT_EQ(job.m_dWavelength, 0.709317);
  EXPECT_EQ(job.m_dGonioRadius, 240.0);
}

TEST(ReadInputFile, ManualLineIsTakenDirectlyEvenWhenItLooksLikeAComment) {
  ScratchDir dir;
  Job job;
  std::string text = kExample;
  text.replace(text.find("\n3\n#wave"), 3, "\n1\n0.05 0.1 45.0\n");
  ASSERT_TRUE(ReadText(job, dir, text).ok);
  EXPECT_EQ(job.m_dZero, 0.05);
  EXPECT_EQ(job.m_dDisp, 0.1);
  EXPECT_EQ(job.m_dEmu, 45.0);
  EXPECT_EQ(job.m_nCorrection, 2);

  // A "#" line there is the manual line: nothing on it parses, and the
  // instrument line is the next header.
  text = kExample;
  text.replace(text.find("\n3\n#wave"), 3, "\n1\n");
  Job other;
  other.m_dZero = 7.0;
  ASSERT_TRUE(ReadText(other, dir, text).ok);
  EXPECT_EQ(other.m_dZero, 7.0);
  EXPECT_EQ(other.m_dWavelength, 1.5405981);
}

TEST(ReadInputFile, CommentBetweenReflectionsIsAReflectionLine) {
  ScratchDir dir;
  Job job;
  job.m_nH[1] = 9;  // the previous job's value
  std::string text = kExample;
  text.replace(text.find("1 0 1 26.639"), 0, "# second line lost\n");
  Read r = ReadText(job, dir, text);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(job.m_nReflections, 3);
  EXPECT_EQ(job.m_nH[1], 9);  // nothing parsed on the comment line
  EXPECT_EQ(job.m_dTwoTheta[2], 26.639);
  // "1 1 0 36.543 1.0" became the silicon count line: count 1, then 1 value.
  EXPECT_EQ(job.m_nSiObs, 1);
  EXPECT_EQ(job.m_bInternalStd, 1);
}

TEST(ReadInputFile, OptionalSiliconSection) {
  ScratchDir dir;
  std::string base = kExample;
  base = base.substr(0, base.find("#number of observed Si"));
  Job job;
  job.m_bInternalStd = 1;
  ASSERT_TRUE(ReadText(job, dir, base).ok);  // ends after the reflections
  EXPECT_EQ(job.m_bInternalStd, 0);

  ASSERT_TRUE(ReadText(job, dir, base + "0\n").ok);
  EXPECT_EQ(job.m_bInternalStd, 0);
  ASSERT_TRUE(ReadText(job, dir, base + "-2\n").ok);
  EXPECT_EQ(job.m_bInternalStd, 0);

  // Too few values: the read succeeds with the calibration off.
  Read r = ReadText(job, dir, base + "4\n28.45\n47.31\n");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.messages, std::vector<std::string>{"No Si data found"});
  EXPECT_EQ(job.m_bInternalStd, 0);

  // A blank count line keeps the previous count (4 from the read above).
  r = ReadText(job, dir, base + "\n28.45\n");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.messages, std::vector<std::string>{"No Si data found"});
  EXPECT_EQ(job.m_nSiObs, 4);

  // One value per reference reflection, and no more.
  r = ReadText(job, dir, base + "13\n");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.messages, std::vector<std::string>{"Si data number=13 is not acceptable !!!"});
}

TEST(ReadInputFile, EveryMissingSectionHasItsMessage) {
  // Cut the file right after each line and check the message of the first
  // section that is then missing.
  const std::vector<std::string> lines = Lines(kExample);
  const std::vector<std::pair<size_t, std::string>> cuts = {
      {0, "Title not found"},          {1, "Title not found"},
      {2, "Correction type not found"}, {4, "Wavelength not found"},
      {6, "Crystal system not found"}, {8, "Cell dimensions not found"},
      {10, "Data number not found"},   {12, "No data found"},
      {14, "No data found"},
  };
  ScratchDir dir;
  for (const auto& [count, message] : cuts) {
    std::string text;
    for (size_t i = 0; i < count; ++i) text += lines[i] + "\n";
    Job job;
    Read r = ReadText(job, dir, text);
    EXPECT_FALSE(r.ok) << count;
    EXPECT_EQ(r.messages, std::vector<std::string>{message}) << count;
    EXPECT_FALSE(job.m_bInputLoaded);
  }
}

TEST(ReadInputFile, RefusedCodesAndCountsNameTheLine) {
  ScratchDir dir;
  auto refused = [&](const std::string& from, const std::string& to) {
    std::string text = kExample;
    text.replace(text.find(from), from.size(), to);
    Job job;
    Read r = ReadText(job, dir, text);
    EXPECT_FALSE(r.ok);
    return r.messages.size() == 1 ? r.messages[0] : std::string("?");
  };
  EXPECT_EQ(refused("\n3\n#wave", "\n7\n#wave"), "icode=7 is not acceptable !!!");
  EXPECT_EQ(refused("\n3\n#wave", "\nzero\n#wave"), "icode=zero is not acceptable !!!");
  EXPECT_EQ(refused("\n4\n#a b c", "\n8\n#a b c"), "Crystal system=8 is not acceptable !!!");
  {
    // The refused code does not stay in the job for the form to show.
    std::string text = kExample;
    text.replace(text.find("\n4\n#a b c"), 3, "\n9\n");
    Job job;
    job.m_nCrystalSystem = kCubic;
    EXPECT_FALSE(ReadText(job, dir, text).ok);
    EXPECT_EQ(job.m_nCrystalSystem, kCubic);
  }
  EXPECT_EQ(refused("\n3\n1 0 0", "\n51\n1 0 0"), "Data number=51 is not acceptable !!!");
  EXPECT_EQ(refused("\n3\n1 0 0", "\n-1\n1 0 0"), "Data number=-1 is not acceptable !!!");
  EXPECT_EQ(refused("\n3\n1 0 0", "\n99999999999999999999\n1 0 0"),
            "Data number=99999999999999999999 is not acceptable !!!");
}

TEST(ReadInputFile, FailedReadKeepsEarlierFieldsButNotTheFlags) {
  ScratchDir dir;
  Job job;
  job.m_bRefined = true;
  job.m_bInputLoaded = true;
  std::string text = kExample;
  text = text.substr(0, text.find("1 1 0 36.543"));  // one reflection missing
  Read r = ReadText(job, dir, text);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(job.m_strTitle, "Quartz, room temperature");
  EXPECT_EQ(job.m_nCorrection, 3);  // as read, not forced to 2
  EXPECT_EQ(job.m_dTwoTheta[1], 26.639);
  EXPECT_TRUE(job.m_bRefined);
  EXPECT_TRUE(job.m_bInputLoaded);
}

TEST(ReadInputFile, MalformedFieldsKeepPreviousValuesAndNeverOverrun) {
  ScratchDir dir;
  Job job;
  job.m_dCell[1] = 3.3;
  job.m_dWavelength = 1.1;
  std::string text = kExample;
  text.replace(text.find("4.913 4.913"), 11, "4.913 nan");
  text.replace(text.find("1.5405981 185.0"), 15, "inf 185.0");
  ASSERT_TRUE(ReadText(job, dir, text).ok);
  EXPECT_EQ(job.m_dCell[0], 4.913);
  EXPECT_EQ(job.m_dCell[1], 3.3);   // "nan" does not parse ...
  EXPECT_EQ(job.m_dCell[2], 0.0);   // ... and ends the line's parse
  EXPECT_EQ(job.m_dWavelength, 1.1);
  EXPECT_EQ(job.m_dGonioRadius, 185.0);  // untouched: the parse ended at "inf"

  EXPECT_EQ(ReadText(job, dir, "").messages, std::vector<std::string>{"Title not found"});
  const char raw[] = "\x7f" "ELF\x02\x01\x01\0\0\0\0\xff\xfe\n\0\0\x01\n";
  std::string binary(raw, sizeof raw - 1);
  EXPECT_FALSE(ReadText(job, dir, binary).ok);
  // A 10 MB line is one line, not many.
  std::string huge = std::string(10 * 1024 * 1024, 'x') + "\n" + (kExample + std::string(kExample).find("#correction"));
  Read r = ReadText(job, dir, huge);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(job.m_strTitle.size(), 10u * 1024 * 1024);
}

TEST(ReadInputFile, UnopenableFiles) {
  ScratchDir dir;
  Job job;
  RecordingSink sink;
  job.m_strInputPath = dir.path();  // a directory
  EXPECT_FALSE(ReadInputFile(job, sink));
  job.m_strInputPath = dir.File("missing.inp");
  EXPECT_FALSE(ReadInputFile(job, sink));
  // The message names the file and the system's reason.
  EXPECT_EQ(sink.messages,
            (std::vector<std::string>{"Input file not open !!!\n" + dir.path() + ": Is a directory",
                                      "Input file not open !!!\n" + dir.File("missing.inp") +
                                          ": No such file or directory"}));
}

TEST(WriteInputFile, ExactFormatsAndRoundTrip) {
  ScratchDir dir;
  Job job;
  ASSERT_TRUE(ReadText(job, dir, kExample).ok);
  const std::vector<std::string> lines = Lines(InputFileText(job));
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[0], "Quartz, room temperature");
  EXPECT_EQ(lines[1], "2");
  EXPECT_EQ(lines[2], " 1.5405981  185.000");
  EXPECT_EQ(lines[3], "4");
  EXPECT_EQ(lines[4], "   4.91300   4.91300   5.40500  90.00000  90.00000 120.00000");
  EXPECT_EQ(lines[5], "  3");
  EXPECT_EQ(lines[6], "    1    0    0  20.85900   1.00000");

  // Written and read back: 7 decimals of wavelength, 3 of radius, 5 of the
  // cell, 2theta and weight; no silicon values.
  job.m_dWavelength = 1.54059812345;
  job.m_dGonioRadius = 185.12345;
  job.m_dCell[0] = 4.9134567;
  job.m_dTwoTheta[0] = 20.8599996;
  job.m_dWeight[0] = 0.123456;
  job.m_strInputPath = dir.File("saved.inp");
  RecordingSink sink;
  ASSERT_TRUE(WriteInputFile(job, sink));
  Job back;
  back.m_strInputPath = job.m_strInputPath;
  ASSERT_TRUE(ReadInputFile(back, sink));
  EXPECT_EQ(back.m_strTitle, job.m_strTitle);
  EXPECT_EQ(back.m_dWavelength, 1.5405981);
  EXPECT_EQ(back.m_dGonioRadius, 185.123);
  EXPECT_EQ(back.m_dCell[0], 4.91346);
  EXPECT_EQ(back.m_dTwoTheta[0], 20.86);
  EXPECT_EQ(back.m_dWeight[0], 0.12346);
  EXPECT_EQ(back.m_bInternalStd, 0);
  EXPECT_TRUE(sink.messages.empty());
}

TEST(WriteInputFile, ManualJobKeepsItsKnownCorrections) {
  ScratchDir dir;
  Job job;
  ASSERT_TRUE(ReadText(job, dir, kExample).ok);
  job.m_nCorrection = kManual;
  job.m_dZero = -0.031;
  job.m_dDisp = 0.12;
  job.m_dEmu = 92.5;
  job.m_strInputPath = dir.File("manual.inp");
  RecordingSink sink;
  ASSERT_TRUE(WriteInputFile(job, sink));
  Job back;
  back.m_strInputPath = job.m_strInputPath;
  ASSERT_TRUE(ReadInputFile(back, sink));
  EXPECT_EQ(back.m_dZero, -0.031);
  EXPECT_EQ(back.m_dDisp, 0.12);
  EXPECT_EQ(back.m_dEmu, 92.5);
  EXPECT_EQ(back.m_dWavelength, 1.5405981);  // not taken as the manual line
}

TEST(WriteInputFile, TitleBeginningWithHashIsSkippedWhenReadBack) {
  ScratchDir dir;
  Job job;
  ASSERT_TRUE(ReadText(job, dir, kExample).ok);
  job.m_strTitle = "# not a title";
  job.m_strInputPath = dir.File("hash.inp");
  RecordingSink sink;
  ASSERT_TRUE(WriteInputFile(job, sink));
  EXPECT_EQ(ReadAll(job.m_strInputPath).substr(0, 14), "# not a title\n");
  Job back;
  back.m_strInputPath = job.m_strInputPath;
  ReadInputFile(back, sink);
  EXPECT_EQ(back.m_strTitle, "2");  // the correction line became the title
}

TEST(WriteInputFile, FailedSaveLeavesTheOldFileAndNoLitter) {
  ScratchDir dir;
  Job job;
  ASSERT_TRUE(ReadText(job, dir, kExample).ok);
  RecordingSink sink;

  job.m_strInputPath = dir.File("no/such/dir/job.inp");
  EXPECT_FALSE(WriteInputFile(job, sink));
  job.m_strInputPath = dir.path();  // a directory
  EXPECT_FALSE(WriteInputFile(job, sink));
  EXPECT_EQ(sink.messages, (std::vector<std::string>{
                               dir.File("no/such/dir/job.inp") + " cannot created !!!\nNo such file or directory",
                               dir.path() + " cannot created !!!\nIs a directory"}));

  // A disk that fills up in the middle of the save: the file limit makes the
  // write fail the way a full disk does.
  const std::string old = dir.Write("keep.inp", "the user's previous job\n");
  ::chmod(old.c_str(), 0640);
  job.m_strInputPath = old;
  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  void (*previous)(int) = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 16;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = WriteInputFile(job, sink);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, previous);
  EXPECT_FALSE(written);
  EXPECT_EQ(ReadAll(old), "the user's previous job\n");

  // A successful save replaces the file, keeps its permissions and leaves no
  // temporary file behind.
  ASSERT_TRUE(WriteInputFile(job, sink));
  struct stat st;
  ASSERT_EQ(::stat(old.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(ReadAll(old), InputFileText(job));
  EXPECT_EQ(std::system(("test $(ls '" + dir.path() + "' | wc -l) -eq 2").c_str()), 0);
}
