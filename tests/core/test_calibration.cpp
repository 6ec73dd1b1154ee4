// The silicon calibration on lines worked by hand: observed texts written
// from the reference column typed from the silicon reference table, shifted
// by a known offset or lying on a known line.
#include <gtest/gtest.h>

#include "calibration/Calibration.h"
#include "job/JobRows.h"

using namespace lattrix;

namespace {

const char* const kReference[kSiliconReflections] = {
    " 28.440496", " 47.299519", " 56.118434", " 69.124918", " 76.370420", " 88.023045",
    " 94.944474", " 94.944474", "106.698571", "114.080794", "127.529570", "136.874541"};

// The reference column, and the observed one from 'observed' (a row that
// is not given stays empty).
SiliconListTexts Texts(const std::vector<std::string>& observed) {
  SiliconListTexts texts;
  for (int i = 0; i < kSiliconReflections; ++i) texts[i].reference = kReference[i];
  for (size_t i = 0; i < observed.size(); ++i) texts[i].observed = observed[i];
  return texts;
}

// Three reflections whose refined 2theta differ from their observations.
Job ThreeReflections() {
  Job job;
  job.m_nReflections = 3;
  for (int i = 0; i < 3; ++i) job.m_dTwoThetaRaw[i] = 20.0 + 40.0 * i, job.m_dTwoTheta[i] = 99.0;
  return job;
}

TEST(Calibration, LinesWorkedByHand) {
  const std::vector<std::string> same(kReference, kReference + kSiliconReflections);
  // Rows 1 to 3 on reference = 0.02 + 0.999 observed (0.02 + 0.999 *
  // 28.45 = 28.44155, ...); the empty row 4 ends the pairs, so the far-off
  // row 5 and the junk below take no part.
  SiliconListTexts onLine = Texts({"28.4500", "47.3000", "56.1200", "", "99.0000", "junk"});
  onLine[0].reference = "28.441550", onLine[1].reference = "47.272700", onLine[2].reference = "56.083880";
  const struct { SiliconListTexts texts; double c1, c2; } cases[] = {
      {Texts(same), 0.0, 1.0},
      {Texts({"28.490496", "47.349519", "56.168434", "69.174918", "76.420420"}), -0.05, 1.0},
      {onLine, 0.02, 0.999},
  };
  for (const auto& c : cases) {
    CalibrationLine line;
    RecordingSink sink;
    ASSERT_TRUE(FitCalibrationLine(c.texts, line, sink));
    EXPECT_NEAR(line.c1, c.c1, 1e-9);
    EXPECT_NEAR(line.c2, c.c2, 1e-11);
    Job job = ThreeReflections();
    ASSERT_TRUE(CalibrateTwoTheta(job, c.texts, sink));
    for (int i = 0; i < 3; ++i) { EXPECT_NEAR(job.m_dTwoTheta[i], c.c1 + c.c2 * job.m_dTwoThetaRaw[i], 1e-9); }
    EXPECT_EQ(job.m_dTwoTheta[3], 0.0);
    EXPECT_TRUE(sink.messages.empty());
  }
}

TEST(Calibration, RefusalsShowOneMessageAndChangeNothing) {
  std::vector<std::string> five(kReference, kReference + 5);
  const auto with = [&](int row, const std::string& text, bool reference = false) {
    SiliconListTexts t = Texts(five);
    (reference ? t[row].reference : t[row].observed) = text;
    return t;
  };
  const struct { SiliconListTexts texts; const char* message; } cases[] = {
      {Texts({"28.4405", "47.2995"}), "Too small numbers of internal reflections !!!\n  (More than 3 reflections.)"},
      {with(0, ""), "Input 2theta value\n in internal calibration list !!!"},
      {Texts(std::vector<std::string>(12, "  0.0000")), "Lost of rank !"},
      {with(3, "abc"), "2th-obs of row 4 is not a number !!!"},
      {with(3, "nan"), "2th-obs of row 4 is not a number !!!"},
      {with(0, "   "), "2th-obs of row 1 is not a number !!!"},
      {with(1, "", true), "2th-cal of row 2 is not a number !!!"},
  };
  for (const auto& c : cases) {
    const Job before = ThreeReflections();
    Job job = before;
    RecordingSink sink;
    EXPECT_FALSE(CalibrateTwoTheta(job, c.texts, sink));
    EXPECT_EQ(sink.messages, std::vector<std::string>{c.message});
    for (int i = 0; i < 3; ++i) { EXPECT_EQ(job.m_dTwoTheta[i], before.m_dTwoTheta[i]) << c.message; }
  }
}

// Offset line 2theta - 0.05: a row set on the form maps its typed value,
// and repeated runs map the observations afresh, never compounding.
TEST(Calibration, TypedRowsAndRepeatedRunsDoNotCompound) {
  const SiliconListTexts texts = Texts({"28.490496", "47.349519", "56.168434"});
  Job job = ThreeReflections();
  SetReflection(job, 1, 1, 1, 1, 30.0);
  RecordingSink sink;
  for (int run = 0; run < 3; ++run) {
    ASSERT_TRUE(CalibrateTwoTheta(job, texts, sink));
    EXPECT_NEAR(job.m_dTwoTheta[0], 19.95, 1e-10);
    EXPECT_NEAR(job.m_dTwoTheta[1], 29.95, 1e-10);
    EXPECT_NEAR(job.m_dTwoTheta[2], 99.95, 1e-10);
  }
}

}  // namespace
