// The report's readers on hand-made reports: the fitting map's points,
// ranges, steps and tick labels (the drawing's pixels are checked in
// tests/plot), and the fitting table's cells. Where
// single-precision rounding decides a value (ranges, labels, pixels), the
// expected value was worked out by hand or with a small Python emulation of
// the scaling rules in float32 arithmetic (struct.pack('f', ...) after every
// operation), which also gave the summaries of the table below.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "fittingmap/FittingMap.h"
#include "report/FittingTable.h"
#include "report/ReportWriter.h"

using namespace lattrix;
using namespace lattrix_test;

namespace {

FittingMap Prepared(const std::vector<ReportRow>& rows, int type, RecordingSink& sink) {
  static ScratchDir dir;
  static int serial = 0;
  FittingMap map;
  map.m_nPoints = static_cast<int>(rows.size());
  map.m_nPlotType = type;
  map.m_strReportPath = dir.Write(std::to_string(++serial) + ".out", ReportText(rows));
  map.PrepareMap(sink);
  return map;
}

std::string Labels(const std::vector<MapTick>& ticks) {
  std::string out;
  for (const MapTick& t : ticks) out += " " + t.label + (t.mark ? "" : "(no mark)");
  return out;
}

// Data range, plot range, step and labels of each axis on one line.
std::string Summary(const FittingMap& m) {
  return Format("y [%g, %g] plot [%g, %g] step %g:%s | x [%g, %g] step %g:%s", m.m_fYMin, m.m_fYMax, m.m_fPlotYMin,
                m.m_fPlotYMax, m.m_fYStep, Labels(m.YTicks()).c_str(), m.m_fXMin, m.m_fXMax, m.m_fXStep, Labels(m.XTicks()).c_str());
}

TEST(FittingMap, RangesStepsAndLabels) {
  const struct { const char* what; std::vector<ReportRow> rows; int type; const char* summary; } cases[] = {
      // Counting from -0.1 in steps of 0.01f leaves -1.5e-8 near zero: "-0.00".
      {"worked example", {RowAt(20.37, 0.012), RowAt(60.0, -0.0345), RowAt(120.5, 0.0051)}, 1,
       "y [-0.0345, 0.02] plot [-0.0345, 0.0345] step 0.01: -0.30 -0.20 -0.10 -0.00 0.10 0.20 0.30 | x [20, 120.5] step 50: 20.0 70.0 120.0"},
      // All y equal, far from 0: the substituted maximum 0.001f lies just
      // above 0.001 and is taken up.
      {"equal residuals far from 0", {RowAt(30, 0.5), RowAt(40, 0.5), RowAt(50, 0.5)}, 1,
       "y [-0.001, 0.002] plot [-0.002, 0.002] step 0.0005: -0.20 -0.15 -0.10 -0.05 0.00 0.05 0.10 0.15 | x [30, 50] step 10: 30.0 40.0 50.0(no mark)"},
      {"one reflection", {RowAt(25.37, 0.001)}, 1, "y [-0.001, 0.002] plot [-0.002, 0.002] step 0.0005: -0.20 -0.15 -0.10 -0.05 0.00 0.05 0.10 0.15 | x [25, 25.37] step 1: 25.0"},
      // All negative: the maximum is not adjusted, the half-range is |min|.
      {"all negative", {RowAt(30, -0.02), RowAt(35, -0.05), RowAt(40, -0.03)}, 1,
       "y [-0.05, -0.02] plot [-0.05, 0.05] step 0.01: -0.40 -0.30 -0.20 -0.10 -0.00 0.10 0.20 0.30 0.40 0.50 | x [30, 40] step 2: 30.0 32.0 34.0 36.0 38.0 40.0(no mark)"},
      {"wide", {RowAt(30, -4.0), RowAt(40, 1.0)}, 1, "y [-4, 1] plot [-4, 4] step 2: -1.00 1.00 3.00 | x [30, 40] step 2: 30.0 32.0 34.0 36.0 38.0 40.0(no mark)"},
      // x runs from the first reflection to the last: no positive span, no x ticks.
      {"out of order", {RowAt(60, 0.01), RowAt(20, 0.01), RowAt(45, -0.01)}, 1,
       "y [-0.01, 0.01] plot [-0.01, 0.01] step 0.005: -1.00 -0.50 0.00 0.50 1.00 | x [60, 45] step 10:"},
  };
  for (const auto& c : cases) {
    RecordingSink sink;
    EXPECT_EQ(Summary(Prepared(c.rows, c.type, sink)), c.summary) << c.what;
    EXPECT_TRUE(sink.messages.empty());
  }
}

TEST(FittingMap, ConvenientBoundsAndStepTables) {
  // Two significant digits from 1 up, one below (the exponent truncated
  // toward zero): x minimum down, y maximum up; a first 2theta <= 0 stays.
  for (const auto& [in, xMin, yMax] : std::vector<std::array<float, 3>>{
           {25.3f, 25.0f, 26.0f}, {123.4f, 120.0f, 130.0f}, {5.37f, 5.3f, 5.4f}, {0.0345f, 0.03f, 0.04f},
           {0.5f, 0.5f, 0.5f}, {0.023f, 0.02f, 0.03f}, {0.0f, 0.0f, 0.01f}}) {
    FittingMap map;
    map.m_nPoints = 2;
    map.m_ptData[0] = {in, in + 0.01f * (in == 0.0f)}, map.m_ptData[1] = {in + 50.0f, -1000.0f};
    map.ScaleMapData();
    EXPECT_FLOAT_EQ(map.m_fXMin, xMin) << in;
    EXPECT_FLOAT_EQ(map.m_fYMax, yMax) << in;
  }
  // Spans to steps, every row of each table (its lower bound, the step):
  // just above the bound the row's step, at the bound the next row's. The
  // y table jumps from 1 to 0.1 at a span of 1, and below its last row (no
  // span above 0.00005) the step is 0.00005; without an x span the x step
  // stays 10.
  const auto steps = [](const std::vector<std::array<float, 2>>& table, float none, bool y) {
    for (size_t i = 0; i < table.size(); ++i)
      for (const bool at : {false, true}) {
        const float span = at ? table[i][0] : std::nextafter(table[i][0], 1e9f);
        FittingMap map;
        map.m_fPlotXMin = 0.0f, map.m_fPlotXMax = span, map.m_fPlotYMin = -span / 2, map.m_fPlotYMax = span / 2;
        map.ChooseTickSteps();
        EXPECT_EQ(y ? map.m_fYStep : map.m_fXStep, !at ? table[i][1] : i + 1 < table.size() ? table[i + 1][1] : none)
            << (y ? "y span " : "x span ") << span;
      }
  };
  steps({{100, 50}, {50, 20}, {10, 10}, {5, 2}, {0, 1}}, 10.0f, false);
  steps({{100, 50}, {50, 20}, {10, 10}, {5, 2}, {1, 1}, {0.5f, 0.1f}, {0.1f, 0.05f}, {0.05f, 0.01f}, {0.01f, 0.005f},
         {0.005f, 0.001f}, {0.001f, 0.0005f}, {0.0005f, 0.0001f}, {0.0001f, 0.00005f}, {0.00005f, 0.00001f}}, 0.00005f, true);
}

TEST(FittingMap, PlotTypesFailuresAndUnprintableValues) {
  RecordingSink sink;
  const ReportRow r = RowAt(30.1234, 0.0321, -0.00045, 30.12);
  const FittingMap t[3] = {Prepared({r}, 1, sink), Prepared({r}, 2, sink), Prepared({r}, 3, sink)};
  // Type 2 takes each field as a float first; one point gives the y range +-0.002.
  EXPECT_TRUE(t[0].m_ptData[0].y == 0.0321f && t[1].m_ptData[0].y == 30.1234f - 30.12f && t[2].m_ptData[0].y == -0.00045f);
  EXPECT_EQ(t[2].m_ptData[0].x, 30.1234f);
  EXPECT_EQ(t[2].FullYTitle(), "d(obs-cal)/A 10**-2");
  // A residual printed as "nan" does not spoil the range of the others;
  // points asked beyond the list read as 0, and at most 50 are read.
  static ScratchDir dir;
  std::string text = ReportText({RowAt(20.0, 0.01), RowAt(30.0, -0.02), RowAt(40.0, 0.005)});
  text.replace(text.find(ListRow(RowAt(20.0, 0.01))) + 4 * 3 + 1 + 9 * 4, 9, "     -nan");
  FittingMap map;
  map.m_nPoints = 60, map.m_strReportPath = dir.Write("nan.out", text);
  ASSERT_TRUE(map.PrepareMap(sink));
  EXPECT_EQ(map.m_nPoints, 50);
  EXPECT_TRUE(std::isnan(map.m_ptData[0].y));
  EXPECT_EQ(Format("%g %g %g", map.m_fYMin, map.m_fPlotYMax, map.m_ptData[3].x), "-0.02 0.02 0");
  EXPECT_TRUE(sink.messages.empty());
  // A failed load keeps the default ranges; a lower y bound of 0 has no
  // exponent: no y ticks, the bare title.
  map.m_nPoints = 5;
  map.m_strReportPath = dir.Write("nolist.out", "Input Reflection Data\n    h   k   l  2thorg   weight\n\n");
  EXPECT_FALSE(map.PrepareMap(sink));
  EXPECT_EQ(sink.messages, std::vector<std::string>{"List not open !!!"});
  EXPECT_EQ(map.m_nPoints, 0);
  EXPECT_EQ(Summary(map), "y [0, 100] plot [0, 100] step 10: | x [0, 100] step 10:  0.0 10.0 20.0 30.0 40.0 50.0 60.0 70.0 80.0 90.0 100.0(no mark)");
  EXPECT_EQ(map.FullYTitle(), map.m_strYTitle);
}

// The light style for print, its text set by hand: theta, degree and
// angstrom signs, U+2212 for minus (a label of zero unsigned), and the
// labels' power of ten 10^e (e = trunc(log10 |y min|)) in the y unit.
TEST(FittingMap, LightStyleText) {
  RecordingSink sink;
  const std::vector<ReportRow> worked = {RowAt(20.37, 0.012), RowAt(60.0, -0.0345), RowAt(120.5, 0.0051)};
  const struct { std::vector<ReportRow> rows; int type; const char *plot, *yLabels, *lead, *power, *tail; } cases[] = {
      {worked, 1, "2\u03b8(org) vs. 2\u03b8(org\u2212cal)",
       " \u22120.30 \u22120.20 \u22120.10 0.00 0.10 0.20 0.30", "2\u03b8(org\u2212cal) / 10", "\u22121", " \u00b0"},
      {{RowAt(30, 0.0, 0.0, 34.0), RowAt(40, 0.0, 0.0, 39.0)}, 2, "2\u03b8(org) vs. 2\u03b8(org\u2212cor)", " \u22121.00 1.00 3.00",
       "2\u03b8(org\u2212cor) / \u00b0", "", ""},
      {{RowAt(30, 0.0, -0.00045, 30.0)}, 3, "2\u03b8(org) vs. d(obs\u2212cal)", "", "d(obs\u2212cal) / 10", "\u22122", " \u00c5"},
  };
  for (const auto& c : cases) {
    FittingMap map = Prepared(c.rows, c.type, sink);
    UseMapStyle(map, MapStyle::kLight);
    EXPECT_EQ(map.m_strPlotTitle, c.plot);
    EXPECT_EQ(map.m_strXTitle, "2\u03b8(org) / \u00b0");
    if (c.type != 3) {
      EXPECT_EQ(Labels(map.YTicks()), c.yLabels);
    }
    const FittingMap::TitleRuns runs = map.YTitleRuns();
    EXPECT_EQ(runs.lead + "|" + runs.power + "|" + runs.tail, std::string(c.lead) + "|" + c.power + "|" + c.tail);
    EXPECT_TRUE((map.m_crBack == MapRgb{255, 255, 255} && map.m_crAxis == MapRgb{0, 0, 0}));
    // Preparing again, or the dark style, gives the screen's map back.
    map.PrepareMap(sink);
    FittingMap dark = Prepared(c.rows, c.type, sink);
    UseMapStyle(dark, MapStyle::kDark);
    for (const FittingMap* m : {&map, &dark}) {
      EXPECT_EQ(m->YTitleRuns().lead, m->FullYTitle());
      EXPECT_TRUE((m->m_crBack == MapRgb{0, 0, 65} && m->m_crAxis == MapRgb{255, 255, 0} && m->m_crPointFill == MapRgb{255, 0, 0}));
    }
  }
  EXPECT_TRUE(sink.messages.empty());
  MapStyle style = MapStyle::kDark;
  EXPECT_TRUE(ParseMapStyle("light", style) && style == MapStyle::kLight && ParseMapStyle("dark", style) && style == MapStyle::kDark);
  for (const char* bad : {"", "Light", "white", "dark "}) EXPECT_FALSE(ParseMapStyle(bad, style)) << bad;
}

// The fitting table of a run's rows: cells are printf's texts of the values
// chosen here in the report's formats (worked by hand), the row number and
// the two input 2theta columns the table's own. A del2th that fills its
// nine places runs into the column before it in the report's line, but is
// a cell of its own in the table.
TEST(FittingTable, RowsAreTheReportsTextsOfTheRun) {
  RefinementOutcome outcome;
  ReflectionResult r;
  r.h = 1, r.k = -2, r.l = 10, r.twoThetaRaw = 28.44304, r.twoThetaObs = 28.4412345, r.twoThetaCor = 28.44116;
  r.twoThetaCal = 28.44204, r.del2Theta = 0.00100, r.dObs = 3.135494, r.dCal = 3.135376, r.dDif = 0.000118, r.weight = 1;
  outcome.reflections.assign(12, r);
  outcome.reflections[11].del2Theta = -100.12345;
  outcome.sumDelta = 0.0021, outcome.sdDelta = std::nan("");
  const FittingTable table = FittingTableOf(outcome);
  ASSERT_EQ(table.rows.size(), 12u);
  const std::vector<std::string> first = {" 1", "1", "-2", "10", " 28.4430", " 28.4412", "28.4412", "28.4420",
                                          "0.0010", "3.13549", "3.13538", "0.00012", "1.0000"};
  EXPECT_EQ(std::vector<std::string>(table.rows[0].begin(), table.rows[0].end()), first);
  EXPECT_EQ(table.rows[11][0] + "|" + table.rows[11][8], "12|-100.1235");
  EXPECT_NE(ReportText(Job(), outcome).find("28.4420-100.1235"), std::string::npos);
  EXPECT_EQ(table.sumDelta + " " + table.stdDelta, "0.002 nan");
}

}  // namespace
