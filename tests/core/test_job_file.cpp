// The job file: the example of the format read field by field, a table of
// edits of it with what each must give, and the written format read back
// (expected values are the file's own numbers); then the job's rows as the
// Reflection List edits them.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "engine/Refinement.h"
#include "job/InputFile.h"
#include "job/JobRows.h"
#include "report/ReportWriter.h"

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
  using Holds = std::function<bool(const Job&)>;
  std::string fifty = "\n50\n";  // 47 lines before the example's three
  for (int i = 0; i < 47; ++i) fifty += "2 0 0 41.5 1.0\n";
  fifty += "1 0 0";
  const struct { const char *from, *to; bool ok; const char* message; Holds holds; } cases[] = {
      {"Quartz, room temperature", "  Quartz  # a remark", true, "", [](const Job& j) { return j.m_strTitle == "  Quartz  "; }},
      {"#title\nQuartz, room temperature\n", "\n", true, "", [](const Job& j) { return j.m_strTitle.empty() && j.m_nReflections == 3; }},
      {"1.5405981 185.0", "0.709317 240.0  # Mo tube", true, "", [](const Job& j) { return j.m_dWavelength == 0.709317 && j.m_dGonioRadius == 240.0; }},
      {"\n3\n#wave", "\n1\n0.05 0.1 45.0\n#wave", true, "", [](const Job& j) { return j.m_dZero == 0.05 && j.m_dDisp == 0.1 && j.m_dEmu == 45.0; }},
      // The line after a Manual code is taken directly, even a comment line.
      // Every field that is there is read whole; a line that cannot be read
      // refuses the file at its place, and the job keeps nothing of it.
      {"\n3\n#wave", "\n1\n#wave", false, ", line 5: zero is not a number: \"#wavelength (A) and goniometer radius (mm)\" !!!", nullptr},
      {"1 0 1 26.639", "# lost\n1 0 1 26.639", false, ", line 14: h is not a whole number: \"# lost\" !!!", nullptr},
      {"1 1 0 36.543", "1 1 0 abc", false, ", line 15: 2theta is not a number: \"1 1 0 abc 1.0\" !!!", nullptr},
      {"26.639", "26,639", false, ", line 14: 2theta is not a number: \"1 0 1 26,639 1.0\" !!!", nullptr},
      {"20.859 1.0", "20.859 strong", false, ", line 13: weight is not a number: \"1 0 0 20.859 strong\" !!!", nullptr},
      {"\n4\n#a b c", "\nx4\n#a b c", false, ", line 8: crystal system is not a whole number: \"x4\" !!!", nullptr},
      {"1 1 0 36.543", "1 1 0 -36.543", false, ", line 15: 2theta=-36.543 is not between 0 and 180 degrees: \"1 1 0 -36.543 1.0\" !!!", nullptr},
      {"4.913 4.913 5.405", "4.913 0 5.405", false, ", line 10: b=0 is not a positive length: \"4.913 0 5.405 90 90 120\" !!!", nullptr},
      {"90 90 120", "90 90 180", false, ", line 10: gamma=180 is not between 0 and 180 degrees: \"4.913 4.913 5.405 90 90 180\" !!!", nullptr},
      {"4.913 4.913", "4.913 nan", false, ", line 10: b is not a number: \"4.913 nan 5.405 90 90 120\" !!!", nullptr},
      {"1.5405981 185.0", "inf 240.0", false, ", line 6: wavelength is not a number: \"inf 240.0\" !!!", nullptr},
      {"1.5405981 185.0", "1.5405981", false, ", line 6: goniometer radius is missing: \"1.5405981\" !!!", nullptr},
      {"\n28.452", "\n28.4x", false, ", line 18: Si 2theta is not a number: \"28.4x\" !!!", nullptr},
      // What stored files rely on: no weight column (weight 1), remarks after
      // the fields, a negative number that fills its column, a blank line
      // where the silicon section would start, CRLF line ends.
      {"20.859 1.0", "20.859  # strong", true, "", [](const Job& j) { return j.m_dWeight[0] == 1.0 && j.m_dTwoTheta[0] == 20.859; }},
      {"20.859 1.0", "20.859 0.5 strong line", true, "", [](const Job& j) { return j.m_dWeight[0] == 0.5; }},
      {"20.859 1.0", "20.859-100.0", true, "", [](const Job& j) { return j.m_dWeight[0] == -100.0; }},
      {"#number of observed Si", "\n#number of observed Si", true, "", [](const Job& j) { return j.m_bInternalStd == 0 && j.m_nSiObs == 0; }},
      {"1 0 0 20.859 1.0\n", "1 0 0 20.859 1.0\r\n", true, "", [](const Job& j) { return j.m_dWeight[0] == 1.0 && j.m_nSiObs == 3; }},
      {"#number of observed Si", nullptr, true, "", [](const Job& j) { return j.m_bInternalStd == 0; }},
      {"\n3\n28.452", "\n0\n28.452", true, "", [](const Job& j) { return j.m_bInternalStd == 0; }},
      {"\n3\n28.452\n47.310\n56.131", "\n4\n28.45\n47.31", true, "No Si data found", [](const Job& j) { return j.m_bInternalStd == 0; }},
      {"\n3\n28.452", "\n13\n28.452", false, "Si data number=13 is not acceptable !!!", nullptr},
      {"\n3\n#wave", "\n7\n#wave", false, "icode=7 is not acceptable !!!", nullptr},
      {"\n3\n#wave", "\nzero\n#wave", false, "icode=zero is not acceptable !!!", nullptr},
      {"\n4\n#a b c", "\n8\n#a b c", false, "Crystal system=8 is not acceptable !!!", [](const Job& j) { return j.m_nCrystalSystem == kTriclinic; }},
      {"\n3\n1 0 0", fifty.c_str(), true, "", [](const Job& j) { return j.m_nReflections == 50 && j.m_dTwoTheta[49] == 36.543 && j.m_nSiObs == 3; }},
      {"\n3\n1 0 0", "\n51\n1 0 0", false, "Data number=51 is not acceptable !!!", [](const Job& j) { return j.m_nReflections == 0; }},
      {"\n3\n1 0 0", "\n-1\n1 0 0", false, "Data number=-1 is not acceptable !!!", nullptr},
      {"\n3\n1 0 0", "\n99999999999999999999\n1 0 0", false, ", line 12: data number is out of range: \"99999999999999999999\" !!!", nullptr},
      {"#title", nullptr, false, "Title not found", nullptr},
      {"#correction", nullptr, false, "Correction type not found", nullptr},
      {"#wavelength", nullptr, false, "Wavelength not found", nullptr},
      {"#crystal", nullptr, false, "Crystal system not found", nullptr},
      {"#a b c", nullptr, false, "Cell dimensions not found", nullptr},
      {"#number of reflections", nullptr, false, "Data number not found", nullptr},
      {"1 1 0 36.543", nullptr, false, "No data found", nullptr},
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
    // A located refusal names the file first.
    const std::string message = c.message[0] == ',' ? job.m_strInputPath + c.message : c.message;
    EXPECT_EQ(sink.messages, std::vector<std::string>(*c.message ? 1 : 0, message)) << text;
    EXPECT_EQ(job.m_bInputLoaded, c.ok) << text;
    if (c.holds) { EXPECT_TRUE(c.holds(job)) << text; }
    // Nothing of a refused file reaches the job.
    if (!c.ok) { EXPECT_TRUE(job.m_strTitle.empty() && job.m_nReflections == 0 && job.m_nCorrection == kNoCorrection) << text; }
  }
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
  back.m_strInputPath = job.m_strInputPath = dir.File("saved.inp");
  ASSERT_TRUE(WriteInputFile(job, sink) && ReadInputFile(back, sink));
  EXPECT_EQ(std::vector<double>({back.m_dZero, back.m_dDisp, back.m_dEmu, back.m_dWavelength, back.m_dGonioRadius,
                                 back.m_dCell[0], back.m_dTwoTheta[0], back.m_dWeight[0]}),
            std::vector<double>({-0.031, 0.12, 92.5, 1.5405981, 185.123, 4.91346, 20.86, 0.12346}));
  EXPECT_EQ(back.m_bInternalStd, 0);
  EXPECT_TRUE(sink.messages.empty());
}

// The rows of the Reflection List in the job: Insert and Delete move all
// that belongs to a row (h k l, the observed and the refined 2theta, the
// weight), and a row set by the user refines with its typed 2theta as its
// observation. Rows are named by letters, each with its own values.
// Row 'A' + i holds h = i + 1, k = 2, l = 3, observed 2theta 20 + i,
// refined 2theta (as after a calibration) 30 + i, weight 0.1 (i + 1); '-'
// is the empty row (0 0 0, 2theta 0, weight 1).
void SetLetter(Job& job, int row, char letter) {
  const int i = letter - 'A';
  const bool empty = letter == '-';
  job.m_nH[row] = empty ? 0 : i + 1, job.m_nK[row] = empty ? 0 : 2, job.m_nL[row] = empty ? 0 : 3;
  job.m_dTwoThetaRaw[row] = empty ? 0 : 20 + i, job.m_dTwoTheta[row] = empty ? 0 : 30 + i;
  job.m_dWeight[row] = empty ? 1 : 0.1 * (i + 1);
}

Job JobOf(const std::string& rows, int count) {
  Job job;
  for (int r = 0; r < kMaxReflections; ++r) SetLetter(job, r, r < static_cast<int>(rows.size()) ? rows[r] : '-');
  job.m_nReflections = count;
  return job;
}

void ExpectRows(const Job& job, const std::string& rows, const std::string& what) {
  const Job expected = JobOf(rows, static_cast<int>(rows.size()));
  EXPECT_EQ(job.m_nReflections, expected.m_nReflections) << what;
  for (int r = 0; r < kMaxReflections; ++r) {
    const auto row = [r](const Job& j) {
      return std::vector<double>{double(j.m_nH[r]), double(j.m_nK[r]), double(j.m_nL[r]), j.m_dTwoThetaRaw[r], j.m_dTwoTheta[r], j.m_dWeight[r]};
    };
    EXPECT_EQ(row(job), row(expected)) << what << ", row " << r;
  }
}

TEST(JobRows, InsertAndDeleteMoveWholeRows) {
  const std::string full(kMaxReflections, 'C'), almost = full.substr(1);
  const struct { std::string before; bool insert; int row; bool done; std::string after; } cases[] = {
      {"ABC", true, 0, true, "-ABC"},  {"ABC", true, 1, true, "A-BC"},  {"ABC", true, 3, true, "ABC-"},
      {"ABC", true, 4, false, "ABC"},  {"ABC", true, -1, false, "ABC"}, {full, true, 10, false, full},     {almost, true, 49, true, almost + "-"},
      {"ABC", false, 0, true, "BC"},   {"ABC", false, 1, true, "AC"},   {"ABC", false, 2, true, "AB"},
      {"ABC", false, 3, false, "ABC"}, {"", false, 0, false, ""},       {"A", false, 0, true, ""},
  };
  for (const auto& c : cases) {
    Job job = JobOf(c.before, static_cast<int>(c.before.size()));
    const std::string what = (c.insert ? "insert " : "delete ") + std::to_string(c.row) + " in " + c.before.substr(0, 5);
    EXPECT_EQ(c.insert ? InsertReflection(job, c.row) : DeleteReflection(job, c.row), c.done) << what;
    ExpectRows(job, c.after, what);
  }
}

// A 2theta set on a row is its observation: the report's 2thorg and
// 2thobs, whatever a calibration had made of the old value.
TEST(JobRows, SetReflectionIsTheRowsObservation) {
  Job job = lattrix_test::MakeJob(lattrix_test::kCrystals[6], 6);
  job.m_dTwoTheta[2] += 0.5;  // as after a calibration
  SetReflection(job, 2, 4, 0, 0, 66.25);
  SetReflection(job, kMaxReflections, 1, 1, 1, 10.0);  // outside: nothing happens
  RecordingSink sink;
  const RefinementOutcome outcome = RefineCell(job, sink);
  const ReflectionResult row = outcome.reflections[2];
  EXPECT_EQ(Format("%d %g %g", row.h, row.twoThetaRaw, row.twoThetaObs), "4 66.25 66.25");
  EXPECT_NE(ReportText(job, outcome).find("    4   0   0  66.250"), std::string::npos);
}

}  // namespace
