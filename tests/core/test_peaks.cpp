// Peak lists: tables and lists in the forms users have (values written here
// by hand, positions computed here from known cells with Bragg's law), the
// assignment of h k l from a trial cell, and the esd weighting against a
// weighted least-squares fit solved here in closed form.
#include <gtest/gtest.h>

#include <cmath>

#include "TestSupport.h"
#include "peaks/PeakJob.h"
#include "run/RunStep.h"

using namespace lattrix;
using namespace lattrix_test;

namespace {

struct Read {
  const char* text;
  PeakUnits listUnits;
  // Expected: units, h k l read, then value and esd of the first and last peak.
  PeakUnits units;
  bool hkl;
  double first, firstEsd, last, lastEsd;
};

TEST(PeakList, ReadsTheFormsUsersHave) {
  const Read cases[] = {
      // A peak-fitting program's tab table: units in brackets, other columns ignored.
      {"No.\tPos. [\xC2\xB0" "2Th.]\tHeight [cts]\tFWHM\n1\t20.8600\t3978\t0.1\n2\t26.6440\t2216\t0.09\n",
       PeakUnits::kD, PeakUnits::kTwoTheta, false, 20.86, 0, 26.644, 0},
      // CSV with one hkl column and value(esd); the 2theta column wins over d.
      {"# exported\nhkl,d-spacing,2theta,esd\n\"(1 0 0)\",4.255,20.86(2),\n\"1,0,1\",3.343,26.6440(15),\n",
       PeakUnits::kD, PeakUnits::kTwoTheta, true, 20.86, 0.02, 26.644, 0.0015},
      // A semicolon table from a desktop with a decimal comma.
      {"Angle;d-Wert;Error\n20,86;4,255;0,002\n26,644;3,343;0,001\n", PeakUnits::kD, PeakUnits::kTwoTheta, false,
       20.86, 0.002, 26.644, 0.001},
      // d and Q tables; lists without a header take --units.
      {"d [A]  sigma\n4.25499 0.0002\r\n3.34297 0.0001\r\n", PeakUnits::kTwoTheta, PeakUnits::kD, false, 4.25499, 0.0002,
       3.34297, 0.0001},
      {"Q\n1.4766\n1.8795\n", PeakUnits::kTwoTheta, PeakUnits::kQ, false, 1.4766, 0, 1.8795, 0},
      {"1 0 0 4.25499 0.0002\n\n1 0 1 3.34297(10) 0\n", PeakUnits::kD, PeakUnits::kD, true, 4.25499, 0.0002, 3.34297, 0.0001},
      {"20.86\n26.644\n", PeakUnits::kTwoTheta, PeakUnits::kTwoTheta, false, 20.86, 0, 26.644, 0},
  };
  for (const Read& c : cases) {
    PeakList list;
    RecordingSink sink;
    ASSERT_TRUE(ReadPeakText(c.text, "peaks.txt", c.listUnits, list, sink)) << c.text << sink.messages[0];
    ASSERT_EQ(list.peaks.size(), 2u) << c.text;
    EXPECT_EQ(list.units, c.units) << c.text;
    EXPECT_EQ(list.hasHkl, c.hkl) << c.text;
    const Peak& a = list.peaks.front();
    const Peak& b = list.peaks.back();
    EXPECT_EQ(std::vector<double>({a.value, a.esd, b.value, b.esd}), std::vector<double>({c.first, c.firstEsd, c.last, c.lastEsd}))
        << c.text;
    if (c.hkl) { EXPECT_EQ(Format("%d %d %d", b.h, b.k, b.l), "1 0 1"); }
  }
}

TEST(PeakList, RefusesWholeWithTheLine) {
  const struct { const char* text; const char* message; } cases[] = {
      {"2theta\n20.86\n26,6x\n", "p.txt, line 3 has a position that is not a positive number: \"26,6x\" !!!"},
      {"h,k,l,2theta\n1,0,0,20.86\n1,0,26.644\n", "p.txt, line 3 has 3 fields, 4 expected: \"1,0,26.644\" !!!"},
      {"Height\tFWHM\n100\t0.1\n", "p.txt, line 1 names no column of 2theta, d or Q: \"Height\\x09FWHM\" !!!"},
      {"20.86 0.01\n1 0 0 26.6\n", "p.txt, line 2 has 4 fields, 2 expected: \"1 0 0 26.6\" !!!"},
      {"1 0 20.86\n", "p.txt, line 1 is neither \"h k l value [esd]\" nor \"value [esd]\": \"1 0 20.86\" !!!"},
      {"1.5 0 0 20.86\n", "p.txt, line 1 has h k l that are not three whole numbers: \"1.5 0 0 20.86\" !!!"},
      {"# only a comment\n", "p.txt holds no peaks !!!"},
  };
  for (const auto& c : cases) {
    PeakList list;
    RecordingSink sink;
    EXPECT_FALSE(ReadPeakText(c.text, "p.txt", PeakUnits::kTwoTheta, list, sink));
    EXPECT_EQ(sink.messages, std::vector<std::string>{c.message});
    EXPECT_TRUE(list.peaks.empty());
  }
}

// d and Q converted to 2theta: 2 asin(lambda / 2d) and 2 asin(lambda Q / 4 pi);
// the esd by the derivative, checked by a central difference.
TEST(PeakList, ConvertsToTwoTheta) {
  const double lambda = 1.5405981, pi = 3.14159265358979323846, deg = 0.0174532925;
  for (PeakUnits units : {PeakUnits::kD, PeakUnits::kQ}) {
    Peak peak;
    peak.value = units == PeakUnits::kD ? 2.45687 : 2 * pi / 2.45687;
    peak.esd = 1e-4;
    double t = 0, esd = 0, up = 0, down = 0, unused = 0;
    ASSERT_TRUE(PeakTwoTheta(peak, units, lambda, t, esd));
    EXPECT_NEAR(t, 2 * std::asin(lambda / (2 * 2.45687)) / deg, 1e-9);
    Peak p = peak;
    p.value = peak.value + 1e-6, PeakTwoTheta(p, units, lambda, up, unused);
    p.value = peak.value - 1e-6, PeakTwoTheta(p, units, lambda, down, unused);
    EXPECT_NEAR(esd, std::fabs(up - down) / 2e-6 * 1e-4, 1e-9);
    p.value = units == PeakUnits::kD ? 0.7 : 9.0;  // beyond 2theta = 180 at Cu Ka1
    EXPECT_FALSE(PeakTwoTheta(p, units, lambda, t, esd));
  }
}

std::vector<PeakPosition> Positions(std::initializer_list<double> twoTheta) {
  std::vector<PeakPosition> out;
  for (double t : twoTheta) out.push_back({static_cast<int>(out.size()) + 1, t, 0.0});
  return out;
}

// Silicon, a = 5.4309 A, F-centred: 111 28.44, 220 47.30, 311 56.12 (Bragg);
// 100 (16.31) is absent. A peak at 16.31 finds no reflection when F is
// given, 100 when P is; two peaks near 220 keep the nearer; quartz's 1 0 2
// (39.470) and 0 1 2, one d, are one reflection.
TEST(Assignment, NearestAllowedReflectionWithinTheTolerance) {
  const double si[6] = {5.4309, 5.4309, 5.4309, 90, 90, 90};
  AssignmentOptions f;
  f.centring = 'F';
  const Assignment a = AssignIndices(Positions({16.31, 28.445, 47.31, 47.35, 56.12, 70.0}), si, kLambda, f);
  ASSERT_EQ(a.assigned.size(), 3u);
  EXPECT_EQ(Format("%d%d%d %d%d%d %d%d%d", a.assigned[0].hkl.h, a.assigned[0].hkl.k, a.assigned[0].hkl.l, a.assigned[1].hkl.h,
                   a.assigned[1].hkl.k, a.assigned[1].hkl.l, a.assigned[2].hkl.h, a.assigned[2].hkl.k, a.assigned[2].hkl.l),
            "111 220 311");
  EXPECT_NEAR(a.assigned[1].calculated, TwoTheta(si, 2, 2, 0), 1e-7);
  ASSERT_EQ(a.leftOut.size(), 3u);
  EXPECT_EQ(a.leftOut[0].reason, "no reflection within 0.05 deg");
  EXPECT_EQ(a.leftOut[1].reason, "(2 2 0) taken by the nearer peak at 47.310");
  EXPECT_EQ(a.leftOut[2].reason, "no reflection within 0.05 deg");
  EXPECT_EQ(AssignIndices(Positions({16.31}), si, kLambda, AssignmentOptions()).assigned[0].hkl.h, 1);
  // A wide tolerance takes 220 and 311 both for a peak between them.
  AssignmentOptions wide;
  wide.tolerance = 5.0, wide.centring = 'F';
  EXPECT_EQ(AssignIndices(Positions({51.7}), si, kLambda, wide).leftOut[0].reason,
            "2 reflections within 5 deg: (2 2 0) 47.303 (3 1 1) 56.123");
  const double quartz[6] = {4.913, 4.913, 5.405, 90, 90, 120};
  const Assignment q = AssignIndices(Positions({39.47}), quartz, kLambda, AssignmentOptions());
  ASSERT_EQ(q.assigned.size(), 1u);
  EXPECT_EQ(Format("%d %d %d", q.assigned[0].hkl.h, q.assigned[0].hkl.k, q.assigned[0].hkl.l), "1 0 2");
}

TEST(Assignment, CentringConditions) {
  const struct { char c; int h, k, l; bool allowed; } cases[] = {
      {'I', 1, 1, 0, true}, {'I', 1, 0, 0, false}, {'F', 1, 1, 1, true}, {'F', 2, 0, 0, true}, {'F', 1, 1, 0, false},
      {'A', 1, 1, 1, true}, {'A', 0, 1, 0, false}, {'C', 1, 1, 0, true}, {'C', 1, 0, 1, false}, {'B', 1, 1, 1, true},
      {'R', 1, 0, 1, true}, {'R', 0, 1, 2, true}, {'R', 1, 0, 0, false}, {'R', 1, 0, 2, false}, {'P', 1, 0, 0, true}};
  for (const auto& c : cases) { EXPECT_EQ(CentringAllows(c.c, c.h, c.k, c.l), c.allowed) << c.c << c.h << c.k << c.l; }
}

// A cubic cell refined with esd weights equals the weighted least-squares
// fit of 1/d^2 = A (h^2 + k^2 + l^2) with weights 1 / s(1/d^2)^2, solved
// here: A = sum(w s q) / sum(w s^2), s(1/d^2) = 2 sin(2theta) s(2theta) / lambda^2.
TEST(EsdWeighting, EqualsAnIndependentWeightedFit) {
  Job job = MakeJob(kCrystals[6], 8, {0.0, 0.0, 0.01});
  double sw = 0, swq = 0;
  for (int i = 0; i < 8; ++i) {
    job.m_dEsd[i] = 0.001 * (1 + i % 3);
    const double t = job.m_dTwoTheta[i] * 0.0174532925, s = job.m_nH[i] * job.m_nH[i] + job.m_nK[i] * job.m_nK[i] +
                                                               job.m_nL[i] * job.m_nL[i];
    const double q = 4 * std::pow(std::sin(t / 2), 2) / (kLambda * kLambda);
    const double sq = 2 * std::sin(t) * job.m_dEsd[i] * 0.0174532925 / (kLambda * kLambda);
    sw += s * s / (sq * sq), swq += s * q / (sq * sq);
  }
  job.m_nWeighting = kEsd;
  RecordingSink sink;
  ASSERT_TRUE(RunJob(job, SiliconStandard(), sink, ReportTarget::kNone).refined);
  EXPECT_NEAR(job.m_dRefinedCell[0], 1 / std::sqrt(swq / sw), 1e-9);
  job.m_dEsd[5] = 0;
  EXPECT_FALSE(RunJob(job, SiliconStandard(), sink, ReportTarget::kNone).refined);
  EXPECT_EQ(sink.messages.back(), "The esd weighting needs an esd for every reflection !!!\n Rows without one: 6.");
}

// An unindexed list of a known cell's reflections (one per d-spacing)
// becomes the job's rows with indices of that cell; more than 50 is refused.
TEST(PeakJob, TakesTheListIntoTheJob) {
  const Crystal& crystal = kCrystals[2];
  const Job known = MakeJob(crystal, 16);
  PeakList list;
  for (int i = 0; i < known.m_nReflections; ++i)
    if (i == 0 || known.m_dTwoTheta[i] - known.m_dTwoTheta[i - 1] > 1e-6)
      list.peaks.push_back({i + 1, false, 0, 0, 0, known.m_dTwoTheta[i], 0.002});
  Job job = known;
  std::copy(crystal.cell, crystal.cell + 6, job.m_dCell);
  Assignment assignment;
  RecordingSink sink;
  ASSERT_TRUE(TakePeakList(job, list, AssignmentOptions(), assignment, sink));
  ASSERT_EQ(job.m_nReflections, static_cast<int>(list.peaks.size())) << assignment.Summary();
  for (int i = 0; i < job.m_nReflections; ++i) {
    EXPECT_NEAR(TwoTheta(crystal.cell, job.m_nH[i], job.m_nK[i], job.m_nL[i]), list.peaks[i].value, 1e-7) << i;
    EXPECT_EQ(job.m_dEsd[i], 0.002);
  }
  const int taken = job.m_nReflections;
  list.hasHkl = true;
  list.peaks.resize(51, list.peaks[0]);
  EXPECT_FALSE(TakePeakList(job, list, AssignmentOptions(), assignment, sink));
  EXPECT_EQ(sink.messages.back(), "Data number=51 is not acceptable !!!");
  EXPECT_EQ(job.m_nReflections, taken);
}

}  // namespace
