#include <gtest/gtest.h>

#include <string>

#include "calibration/Calibration.h"
#include "common/MessageSink.h"
#include "job/Job.h"
#include "job/JobRows.h"

using namespace lattrix;

namespace {

// The reference column of the form's silicon list, typed by hand from the
// silicon reference table with six decimals, as the form shows it.
const char* const kReferenceTexts[kSiliconReflections] = {
    " 28.440496", " 47.299519", " 56.118434", " 69.124918", " 76.370420",  " 88.023045",
    " 94.944474", " 94.944474", "106.698571", "114.080794", "127.529570", "136.874541"};

SiliconListTexts ReferenceOnly() {
  SiliconListTexts texts;
  for (int i = 0; i < kSiliconReflections; ++i) texts[i].reference = kReferenceTexts[i];
  return texts;
}

// Three reflections with raw 2theta and different (stale) form values.
Job ThreeReflections() {
  Job job;
  job.m_nReflections = 3;
  const double raw[3] = {20.0, 45.5, 100.25};
  for (int i = 0; i < 3; ++i) {
    job.m_dTwoThetaRaw[i] = raw[i];
    job.m_dTwoTheta[i] = raw[i] + 1.0;
  }
  return job;
}

void ExpectTwoThetaUnchanged(const Job& before, const Job& after) {
  for (int i = 0; i < kMaxReflections; ++i) {
    EXPECT_EQ(after.m_dTwoTheta[i], before.m_dTwoTheta[i]) << "row " << i;
    EXPECT_EQ(after.m_dTwoThetaRaw[i], before.m_dTwoThetaRaw[i]) << "row " << i;
  }
}

// Calibrates a copy of ThreeReflections() and expects the one message.
void ExpectRefused(const SiliconListTexts& texts, const std::string& message) {
  const Job before = ThreeReflections();
  Job job = before;
  RecordingSink sink;
  EXPECT_FALSE(CalibrateTwoTheta(job, texts, sink));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], message);
  ExpectTwoThetaUnchanged(before, job);
}

}  // namespace

// Expected texts written by hand from the reference table and the values.
TEST(SiliconTexts, ShowTheJobAsTheFormDoesAfterReadingAFile) {
  Job job;
  job.m_bInternalStd = 1;
  job.m_nSiObs = 3;
  job.m_dSiTwoThetaObs[0] = 28.5;
  job.m_dSiTwoThetaObs[1] = 47.25;
  job.m_dSiTwoThetaObs[2] = 56.123456;
  job.m_dSiTwoThetaObs[3] = 69.0;  // beyond m_nSiObs: not shown
  SiliconListTexts texts = SiliconTextsFromJob(job);
  for (int i = 0; i < kSiliconReflections; ++i) EXPECT_EQ(texts[i].reference, kReferenceTexts[i]);
  EXPECT_EQ(texts[0].observed, " 28.5000");
  EXPECT_EQ(texts[1].observed, " 47.2500");
  EXPECT_EQ(texts[2].observed, " 56.1235");
  EXPECT_EQ(texts[3].observed, "");

  // A silicon section that was not read whole leaves the switch off, and the
  // form then shows no observed values.
  job.m_bInternalStd = 0;
  texts = SiliconTextsFromJob(job);
  for (int i = 0; i < kSiliconReflections; ++i) EXPECT_EQ(texts[i].observed, "") << "row " << i;

  job.m_bInternalStd = 1;
  job.m_nSiObs = 40;  // never read past the twelve rows
  texts = SiliconTextsFromJob(job);
  EXPECT_EQ(texts[11].observed, "  0.0000");
}

TEST(Calibration, ObservedEqualToReferenceIsTheIdentity) {
  SiliconListTexts texts = ReferenceOnly();
  for (auto& row : texts) row.observed = row.reference;
  CalibrationLine line;
  RecordingSink sink;
  ASSERT_TRUE(FitCalibrationLine(texts, line, sink));
  EXPECT_NEAR(line.c1, 0.0, 1e-10);
  EXPECT_NEAR(line.c2, 1.0, 1e-12);

  Job job = ThreeReflections();
  ASSERT_TRUE(CalibrateTwoTheta(job, texts, sink));
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(job.m_dTwoTheta[i], job.m_dTwoThetaRaw[i], 1e-10);
  EXPECT_EQ(job.m_dTwoTheta[3], 0.0);  // below m_nReflections: untouched
  EXPECT_TRUE(sink.messages.empty());
}

// Observed texts are the reference values plus 0.05, added by hand.
TEST(Calibration, ConstantOffsetIsRemoved) {
  SiliconListTexts texts = ReferenceOnly();
  const char* observed[5] = {"28.490496", "47.349519", "56.168434", "69.174918", "76.420420"};
  for (int i = 0; i < 5; ++i) texts[i].observed = observed[i];
  CalibrationLine line;
  RecordingSink sink;
  ASSERT_TRUE(FitCalibrationLine(texts, line, sink));
  EXPECT_NEAR(line.c1, -0.05, 1e-10);
  EXPECT_NEAR(line.c2, 1.0, 1e-12);

  Job job = ThreeReflections();
  ASSERT_TRUE(CalibrateTwoTheta(job, texts, sink));
  EXPECT_NEAR(job.m_dTwoTheta[0], 19.95, 1e-10);
  EXPECT_NEAR(job.m_dTwoTheta[1], 45.45, 1e-10);
  EXPECT_NEAR(job.m_dTwoTheta[2], 100.20, 1e-10);
}

// Rows 1 to 3 lie exactly on reference = 0.02 + 0.999 * observed (the
// references computed by hand: 0.02 + 0.999 * 28.45 = 28.44155, ...); they
// also show that edited "2th-cal" texts are used as they stand. Row 4 has no
// observed value, so row 5 (far off the line) and the junk below take no part.
TEST(Calibration, PairsStopAtTheFirstEmptyObservedValue) {
  SiliconListTexts texts = ReferenceOnly();
  texts[0] = {"28.441550", "28.4500"};
  texts[1] = {"47.272700", "47.3000"};
  texts[2] = {"56.083880", "56.1200"};
  texts[3] = {"not used", ""};
  texts[4].observed = "99.0000";
  texts[5].observed = "junk";
  CalibrationLine line;
  RecordingSink sink;
  ASSERT_TRUE(FitCalibrationLine(texts, line, sink));
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_NEAR(line.c1, 0.02, 1e-9);
  EXPECT_NEAR(line.c2, 0.999, 1e-11);
}

TEST(Calibration, RefusalsShowOneMessageAndChangeNothing) {
  SiliconListTexts two = ReferenceOnly();
  two[0].observed = "28.4405";
  two[1].observed = "47.2995";
  ExpectRefused(two, "Too small numbers of internal reflections !!!\n  (More than 3 reflections.)");

  SiliconListTexts firstEmpty = ReferenceOnly();
  for (int i = 1; i < 6; ++i) firstEmpty[i].observed = firstEmpty[i].reference;
  ExpectRefused(firstEmpty, "Input 2theta value\n in internal calibration list !!!");

  // Every observed value 0: the slope column of the normal matrix is zero.
  SiliconListTexts zeros = ReferenceOnly();
  for (auto& row : zeros) row.observed = "  0.0000";
  ExpectRefused(zeros, "Lost of rank !");
}

TEST(Calibration, UsedRowThatIsNotANumberIsRefusedByRowAndColumn) {
  SiliconListTexts texts = ReferenceOnly();
  for (int i = 0; i < 5; ++i) texts[i].observed = texts[i].reference;
  texts[3].observed = "abc";
  ExpectRefused(texts, "2th-obs of row 4 is not a number !!!");

  texts[3].observed = "nan";  // not a finite number either
  ExpectRefused(texts, "2th-obs of row 4 is not a number !!!");

  texts[3].observed = texts[3].reference;
  texts[1].reference = "";  // an empty reference in a used row
  ExpectRefused(texts, "2th-cal of row 2 is not a number !!!");

  texts[1].reference = kReferenceTexts[1];
  texts[0].observed = "   ";  // blanks are not an empty cell, and no number
  ExpectRefused(texts, "2th-obs of row 1 is not a number !!!");
}

// Offset line c1 = -0.05, c2 = 1 as above: a row typed on the form maps
// its typed value (30.0 -> 29.95), and a repeated run maps the observations
// afresh, never the calibrated values again.
TEST(Calibration, TypedRowsAndRepeatedRunsDoNotCompound) {
  SiliconListTexts texts = ReferenceOnly();
  const char* observed[3] = {"28.490496", "47.349519", "56.168434"};
  for (int i = 0; i < 3; ++i) texts[i].observed = observed[i];

  Job job = ThreeReflections();
  SetReflection(job, 1, job.m_nH[1], job.m_nK[1], job.m_nL[1], 30.0);
  RecordingSink sink;
  ASSERT_TRUE(CalibrateTwoTheta(job, texts, sink));
  const Job first = job;
  EXPECT_NEAR(first.m_dTwoTheta[0], 19.95, 1e-10);
  EXPECT_NEAR(first.m_dTwoTheta[1], 29.95, 1e-10);
  EXPECT_NEAR(first.m_dTwoTheta[2], 100.20, 1e-10);
  for (int run = 0; run < 3; ++run) {
    ASSERT_TRUE(CalibrateTwoTheta(job, texts, sink));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(job.m_dTwoTheta[i], first.m_dTwoTheta[i]) << "run " << run;
  }
  EXPECT_TRUE(sink.messages.empty());
}

// The batch command's path: texts built from the job. The observed values
// enter rounded to four decimals ("%8.4lf"), so the offset comes back to
// within that rounding.
TEST(Calibration, FromJobTextsOfAFullSiliconSection) {
  Job job = ThreeReflections();
  job.m_bInternalStd = 1;
  job.m_nSiObs = kSiliconReflections;
  for (int i = 0; i < kSiliconReflections; ++i) job.m_dSiTwoThetaObs[i] = job.m_dSiTwoThetaStd[i] + 0.05;
  RecordingSink sink;
  ASSERT_TRUE(CalibrateTwoTheta(job, SiliconTextsFromJob(job), sink));
  EXPECT_NEAR(job.m_dTwoTheta[0], 19.95, 1e-4);
  EXPECT_NEAR(job.m_dTwoTheta[2], 100.20, 1e-4);
}
