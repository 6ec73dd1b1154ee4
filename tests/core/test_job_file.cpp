// The job file: the example of the format read field by field, a table of
// edits of it with what each must give, and the written format read back.
// Expected values are the file's own numbers.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "TestSupport.h"
#include "job/InputFile.h"

using namespace lattrix;
using namespace lattrix_test;

namespace {

const char kExample[] =
    "#title\nQuartz, room temperature\n"
    "#correction type: 1 manual, 2 none, 3 zero, 4 displacement, 5 zero and displacement\n3\n"
    "#wavelength (A) and goniometer radius (mm)\n1.5405981 185.0\n"
    "#crystal system: 1 triclinic ... 7 cubic\n4\n"
    "#a b c alpha beta gamma\n4.913 4.913 5.405 90 90 120\n"
    "#number of reflections, then h k l 2theta weight\n3\n1 0 0 20.859 1.0\n1 0 1 26.639 1.0\n1 1 0 36.543 1.0\n"
    "#number of observed Si reflections, then their 2theta\n3\n28.452\n47.310\n56.131\n";

bool Read(const ScratchDir& dir, const std::string& text, Job& job, RecordingSink& sink) {
  InitialiseJob(job, dir.path());
  job.m_strInputPath = dir.Write("job.inp", text);
  return ReadInputFile(job, sink);
}

TEST(JobFile, ReadsTheExampleAndForcesNoCorrectionAndUnitWeights) {
  ScratchDir dir;
  Job job;
  RecordingSink sink;
  job.m_nWeighting = kSinDelta;
  ASSERT_TRUE(Read(dir, kExample, job, sink));
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(job.m_strTitle, "Quartz, room temperature");
  EXPECT_TRUE(job.m_bInputLoaded && !job.m_bRefined);
  // The file's correction 3 becomes 2, and the weighting unity.
  EXPECT_EQ(Format("%d %d %.7f %.1f %d %.3f %.1f %d %d %.3f %.3f %d %d %.3f", job.m_nCorrection, job.m_nWeighting,
                   job.m_dWavelength, job.m_dGonioRadius, job.m_nCrystalSystem, job.m_dCell[2], job.m_dCell[5],
                   job.m_nReflections, job.m_nL[1], job.m_dTwoTheta[2], job.m_dTwoThetaRaw[2], job.m_bInternalStd,
                   job.m_nSiObs, job.m_dSiTwoThetaObs[2]),
            "2 0 1.5405981 185.0 4 5.405 120.0 3 1 36.543 36.543 1 3 56.131");
}

// Each row replaces the first 'from' of the example by 'to' (nullptr: the
// file ends at 'from') and gives the read's outcome, its message ("" for
// none) and what the job then holds.
TEST(JobFile, EditsOfTheExample) {
  const struct {
    const char* from;
    const char* to;
    bool ok;
    const char* message;
    std::function<bool(const Job&)> holds;
  } cases[] = {
      {"Quartz, room temperature", "  Quartz  # a remark", true, "", [](const Job& j) { return j.m_strTitle == "  Quartz  "; }},
      {"#title\nQuartz, room temperature\n", "\n", true, "", [](const Job& j) { return j.m_strTitle.empty() && j.m_nReflections == 3; }},
      {"1.5405981 185.0", "0.709317 240.0  # Mo tube", true, "", [](const Job& j) { return j.m_dWavelength == 0.709317 && j.m_dGonioRadius == 240.0; }},
      {"\n3\n#wave", "\n1\n0.05 0.1 45.0\n#wave", true, "", [](const Job& j) { return j.m_dZero == 0.05 && j.m_dDisp == 0.1 && j.m_dEmu == 45.0; }},
      // The line after a Manual code is taken directly, even a comment line.
      {"\n3\n#wave", "\n1\n#wave", true, "", [](const Job& j) { return j.m_dEmu == 0.0 && j.m_dWavelength == 1.5405981; }},
      // A comment between reflections is a reflection line; the last one
      // becomes the silicon count (1) and the first silicon count a value.
      {"1 0 1 26.639", "# lost\n1 0 1 26.639", true, "", [](const Job& j) { return j.m_nH[1] == 0 && j.m_dTwoTheta[2] == 26.639 && j.m_nSiObs == 1; }},
      {"#number of observed Si", nullptr, true, "", [](const Job& j) { return j.m_bInternalStd == 0; }},
      {"\n3\n28.452", "\n0\n28.452", true, "", [](const Job& j) { return j.m_bInternalStd == 0; }},
      {"\n3\n28.452\n47.310\n56.131", "\n4\n28.45\n47.31", true, "No Si data found", [](const Job& j) { return j.m_bInternalStd == 0; }},
      {"\n3\n28.452", "\n13\n28.452", false, "Si data number=13 is not acceptable !!!", nullptr},
      {"\n3\n#wave", "\n7\n#wave", false, "icode=7 is not acceptable !!!", nullptr},
      {"\n3\n#wave", "\nzero\n#wave", false, "icode=zero is not acceptable !!!", nullptr},
      {"\n4\n#a b c", "\n8\n#a b c", false, "Crystal system=8 is not acceptable !!!", [](const Job& j) { return j.m_nCrystalSystem == kTriclinic; }},
      {"\n3\n1 0 0", "\n51\n1 0 0", false, "Data number=51 is not acceptable !!!", [](const Job& j) { return j.m_nReflections == 0; }},
      {"\n3\n1 0 0", "\n-1\n1 0 0", false, "Data number=-1 is not acceptable !!!", nullptr},
      {"\n3\n1 0 0", "\n99999999999999999999\n1 0 0", false, "Data number=99999999999999999999 is not acceptable !!!", nullptr},
      // A field that does not parse keeps its value and ends the line's parse.
      {"4.913 4.913", "4.913 nan", true, "", [](const Job& j) { return j.m_dCell[0] == 4.913 && j.m_dCell[1] == 0.0 && j.m_dCell[2] == 0.0; }},
      {"1.5405981 185.0", "inf 240.0", true, "", [](const Job& j) { return j.m_dWavelength == 1.5405981 && j.m_dGonioRadius == 185.0; }},
      {"#title", nullptr, false, "Title not found", nullptr},
      {"#correction", nullptr, false, "Correction type not found", nullptr},
      {"#wavelength", nullptr, false, "Wavelength not found", nullptr},
      {"#crystal", nullptr, false, "Crystal system not found", nullptr},
      {"#a b c", nullptr, false, "Cell dimensions not found", nullptr},
      {"#number of reflections", nullptr, false, "Data number not found", nullptr},
      // Fields read before the refusal keep their new values, as read.
      {"1 1 0 36.543", nullptr, false, "No data found", [](const Job& j) { return j.m_nCorrection == 3 && j.m_dTwoTheta[1] == 26.639; }},
  };
  ScratchDir dir;
  for (const auto& c : cases) {
    std::string text = kExample;
    const size_t at = text.find(c.from);
    ASSERT_NE(at, std::string::npos) << c.from;
    text = c.to ? text.replace(at, std::strlen(c.from), c.to) : text.substr(0, at);
    Job job;
    RecordingSink sink;
    EXPECT_EQ(Read(dir, text, job, sink), c.ok) << text;
    EXPECT_EQ(sink.messages, std::vector<std::string>(*c.message ? 1 : 0, c.message)) << text;
    EXPECT_EQ(job.m_bInputLoaded, c.ok) << text;
    if (c.holds) { EXPECT_TRUE(c.holds(job)) << text; }
  }
}

TEST(JobFile, CrlfLongLinesAndBinaryBytes) {
  ScratchDir dir;
  RecordingSink sink;
  Job lf, crlf, binary, longTitle;
  std::string windows;
  for (char c : std::string(kExample)) windows += c == '\n' ? "\r\n" : std::string(1, c);
  ASSERT_TRUE(Read(dir, kExample, lf, sink) && Read(dir, windows, crlf, sink));
  EXPECT_EQ(InputFileText(crlf), InputFileText(lf));
  const char raw[] = "\x7f" "ELF\x02\x01\x01\0\0\0\0\xff\xfe\n\0\0\x01\n";
  EXPECT_FALSE(Read(dir, std::string(raw, sizeof raw - 1), binary, sink));
  // A 10 MB title is one line, not many.
  ASSERT_TRUE(Read(dir, "#t\n" + std::string(10 << 20, 'x') + std::string(kExample).substr(31), longTitle, sink));
  EXPECT_EQ(longTitle.m_strTitle.size(), size_t(10 << 20));
  EXPECT_EQ(longTitle.m_nReflections, 3);
}

// The written lines in their formats, and the values read back within
// their printed decimals: 7 of the wavelength, 3 of the radius, 5 of the
// cell, 2theta and weight; a Manual job keeps its known corrections.
TEST(JobFile, WrittenFormatsReadBack) {
  ScratchDir dir;
  Job job, back;
  RecordingSink sink;
  ASSERT_TRUE(Read(dir, kExample, job, sink));
  job.m_dWavelength = 1.54059812345, job.m_dGonioRadius = 185.12345, job.m_dCell[0] = 4.9134567;
  job.m_dTwoTheta[0] = 20.8599996, job.m_dWeight[0] = 0.123456;
  job.m_nCorrection = kManual, job.m_dZero = -0.031, job.m_dDisp = 0.12, job.m_dEmu = 92.5;
  EXPECT_EQ(InputFileText(job),
            "Quartz, room temperature\n1\n  -0.03100   0.12000  92.50000\n 1.5405981  185.123\n4\n"
            "   4.91346   4.91300   5.40500  90.00000  90.00000 120.00000\n  3\n"
            "    1    0    0  20.86000   0.12346\n    1    0    1  26.63900   1.00000\n    1    1    0  36.54300   1.00000\n");
  job.m_strInputPath = dir.File("saved.inp");
  ASSERT_TRUE(WriteInputFile(job, sink));
  back.m_strInputPath = job.m_strInputPath;
  ASSERT_TRUE(ReadInputFile(back, sink));
  EXPECT_EQ(std::vector<double>({back.m_dZero, back.m_dDisp, back.m_dEmu, back.m_dWavelength, back.m_dGonioRadius,
                                 back.m_dCell[0], back.m_dTwoTheta[0], back.m_dWeight[0]}),
            std::vector<double>({-0.031, 0.12, 92.5, 1.5405981, 185.123, 4.91346, 20.86, 0.12346}));
  EXPECT_EQ(back.m_bInternalStd, 0);
  EXPECT_TRUE(sink.messages.empty());
}

}  // namespace
