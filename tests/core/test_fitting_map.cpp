// The fitting map: points read from hand-made reports, ranges, steps, ticks
// and labels, and the drawing's geometry through a canvas that records.
//
// Where single-precision rounding decides a value (labels, pixels), the
// expected value was worked out by hand and confirmed with a small Python
// emulation of float32 arithmetic (struct.pack('f', ...) after every
// operation), independent of this code.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/MessageSink.h"
#include "fittingmap/FittingMap.h"
#include "fittingmap/MapDrawing.h"
#include "displays_report_fixture.h"

namespace {

using lattrix::FittingMap;
using lattrix::MapRgb;
using lattrix::MapTick;
using lattrix::RecordingSink;
using lattrix_test::ReportRow;
using lattrix_test::ReportText;
using lattrix_test::RowAt;
using lattrix_test::TempFile;

// Prepares a map of `type` from a report with the given rows, as the window
// does when it opens.
FittingMap Prepared(const std::vector<ReportRow>& rows, int type, RecordingSink& sink) {
  static int serial = 0;
  TempFile report("map" + std::to_string(++serial) + ".out");
  report.Write(ReportText(rows));
  FittingMap map;
  map.m_nPoints = static_cast<int>(rows.size());
  map.m_nPlotType = type;
  map.m_strReportPath = report.path();
  map.SetPlotTitles(type);
  EXPECT_TRUE(map.PrepareMap(sink));
  return map;
}

std::vector<std::string> Labels(const std::vector<MapTick>& ticks) {
  std::vector<std::string> out;
  for (const MapTick& t : ticks) out.push_back(t.label);
  return out;
}

// The worked example: residuals 0.012, -0.0345, 0.0051 at 2theta 20.37,
// 60 and 120.5.
TEST(FittingMapScaling, WorkedExampleRangesStepsAndLabels) {
  RecordingSink sink;
  FittingMap map = Prepared({RowAt(20.37, 0.012), RowAt(60.0, -0.0345), RowAt(120.5, 0.0051)}, 1, sink);
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(map.m_fYMin, -0.0345f);
  EXPECT_EQ(map.m_fYMax, 0.02f);  // 0.012 taken up with p = 0.01
  EXPECT_EQ(map.m_fPlotYMin, -0.0345f);
  EXPECT_EQ(map.m_fPlotYMax, 0.0345f);
  EXPECT_EQ(map.m_fYStep, 0.01f);  // span 0.069
  EXPECT_EQ(map.YExponent(), -1);
  EXPECT_EQ(map.FullYTitle(), "2theta(org-cal)/deg 10**-1");
  // Counting from -0.1 in steps of 0.01f leaves -1.5e-8 near zero.
  EXPECT_EQ(Labels(map.YTicks()),
            (std::vector<std::string>{"-0.30", "-0.20", "-0.10", "-0.00", "0.10", "0.20", "0.30"}));

  EXPECT_EQ(map.m_fXMin, 20.0f);
  EXPECT_EQ(map.m_fXMax, 120.5f);
  EXPECT_EQ(map.m_fXStep, 50.0f);  // span 100.5
  const std::vector<MapTick> x = map.XTicks();
  EXPECT_EQ(Labels(x), (std::vector<std::string>{"20.0", "70.0", "120.0"}));
  for (const MapTick& t : x) EXPECT_TRUE(t.mark);
  EXPECT_EQ(map.m_strPlotTitle, "2theta(org) vs. 2theta(org-cal)");
  EXPECT_EQ(map.m_strXTitle, "2theta(org)/deg");
}

TEST(FittingMapScaling, EqualResidualsGetASmallRangeAboutZero) {
  // Type 2 with every 2thobs equal to its 2thorg: all y are 0. The
  // substituted maximum 0.001f lies just above 0.001 and is taken up to
  // 0.002.
  for (double level : {0.0, 0.5}) {
    RecordingSink sink;
    std::vector<ReportRow> rows = {RowAt(30.0, level), RowAt(40.0, level), RowAt(50.0, level)};
    FittingMap map = Prepared(rows, level == 0.0 ? 2 : 1, sink);
    EXPECT_EQ(map.m_fYMin, -0.001f) << level;
    EXPECT_EQ(map.m_fYMax, 0.002f) << level;
    EXPECT_EQ(map.m_fPlotYMin, -0.002f);
    EXPECT_EQ(map.m_fPlotYMax, 0.002f);
    EXPECT_EQ(map.m_fYStep, 0.0005f);
    EXPECT_EQ(map.YExponent(), -2);
  }
}

TEST(FittingMapScaling, OneReflectionNegativeResidualsAndWideRanges) {
  RecordingSink sink;
  FittingMap one = Prepared({RowAt(25.37, 0.001)}, 1, sink);
  EXPECT_EQ(one.m_fXMin, 25.0f);
  EXPECT_EQ(one.m_fXMax, 25.37f);
  EXPECT_EQ(one.m_fXStep, 1.0f);  // span 0.37
  EXPECT_EQ(Labels(one.XTicks()), (std::vector<std::string>{"25.0"}));

  // All negative: the maximum is not adjusted, the half-range is |min|.
  FittingMap neg = Prepared({RowAt(30.0, -0.02), RowAt(35.0, -0.05), RowAt(40.0, -0.03)}, 1, sink);
  EXPECT_EQ(neg.m_fYMax, -0.02f);
  EXPECT_EQ(neg.m_fYMin, -0.05f);
  EXPECT_EQ(neg.m_fPlotYMax, 0.05f);

  // H = 4, step 2: counting starts at -10^0 inside the range.
  FittingMap wide = Prepared({RowAt(30.0, -4.0), RowAt(40.0, 1.0)}, 1, sink);
  EXPECT_EQ(wide.m_fPlotYMin, -4.0f);
  EXPECT_EQ(wide.m_fYStep, 2.0f);
  EXPECT_EQ(Labels(wide.YTicks()), (std::vector<std::string>{"-1.00", "1.00", "3.00"}));

  // Reflections out of 2theta order: x runs from the first to the last.
  FittingMap order = Prepared({RowAt(60.0, 0.01), RowAt(20.0, 0.01), RowAt(45.0, -0.01)}, 1, sink);
  EXPECT_EQ(order.m_fXMin, 60.0f);
  EXPECT_EQ(order.m_fXMax, 45.0f);
  EXPECT_TRUE(order.XTicks().empty());  // no positive span, nothing to map
  EXPECT_EQ(order.m_fXStep, 10.0f);
  EXPECT_TRUE(sink.messages.empty());
}

TEST(FittingMapScaling, ConvenientBounds) {
  // Two significant digits from 1 up, one below 1 (the exponent is truncated
  // toward zero): x minimum down, y maximum up.
  struct Case {
    float in, xMin, yMax;
  };
  for (const Case& c : {Case{25.3f, 25.0f, 26.0f}, Case{123.4f, 120.0f, 130.0f},
                        Case{5.37f, 5.3f, 5.4f}, Case{0.0345f, 0.03f, 0.04f},
                        Case{0.5f, 0.5f, 0.5f}, Case{0.023f, 0.02f, 0.03f}}) {
    FittingMap map;
    map.m_nPoints = 2;
    map.m_ptData[0] = {c.in, c.in};
    map.m_ptData[1] = {c.in + 1.0f, -1000.0f};
    map.ScaleMapData();
    EXPECT_FLOAT_EQ(map.m_fXMin, c.xMin) << c.in;
    EXPECT_FLOAT_EQ(map.m_fYMax, c.yMax) << c.in;
    EXPECT_EQ(map.m_fYMin, -1000.0f);  // never adjusted
  }
  // A first 2theta of zero or less has no logarithm: it stays as it is.
  FittingMap map;
  map.m_nPoints = 2;
  map.m_ptData[0] = {0.0f, 0.1f};
  map.m_ptData[1] = {50.0f, -0.1f};
  map.ScaleMapData();
  EXPECT_EQ(map.m_fXMin, 0.0f);
}

TEST(FittingMapScaling, TickStepTables) {
  struct Case {
    float span, step;
  };
  FittingMap map;
  for (const Case& c : {Case{100.5f, 50.0f}, Case{100.0f, 20.0f}, Case{5.0f, 1.0f}}) {
    map.ResetMapStyle();
    map.m_fPlotXMin = 10.0f;
    map.m_fPlotXMax = 10.0f + c.span;
    map.ChooseTickSteps();
    EXPECT_EQ(map.m_fXStep, c.step) << c.span;
  }
  for (float span : {0.0f, -3.0f}) {
    map.ResetMapStyle();
    map.m_fPlotXMin = 10.0f;
    map.m_fPlotXMax = 10.0f + span;
    map.ChooseTickSteps();
    EXPECT_EQ(map.m_fXStep, 10.0f) << span;
  }
  // The y table jumps from 1 to 0.1 at a span of 1, and its last row gives
  // 0.00005, larger than the row before it.
  for (const Case& c : {Case{1.5f, 1.0f}, Case{1.0f, 0.1f}, Case{0.0001f, 0.00001f},
                        Case{0.00004f, 0.00005f}}) {
    map.ResetMapStyle();
    map.m_fPlotYMin = -c.span / 2.0f;
    map.m_fPlotYMax = c.span / 2.0f;
    map.ChooseTickSteps();
    EXPECT_EQ(map.m_fYStep, c.step) << c.span;
  }
}

TEST(FittingMapData, PlotTypesTakeTheirColumns) {
  RecordingSink sink;
  ReportRow r = RowAt(30.1234, 0.0321, -0.00045, 30.12);
  FittingMap t1 = Prepared({r}, 1, sink);
  FittingMap t2 = Prepared({r}, 2, sink);
  FittingMap t3 = Prepared({r}, 3, sink);
  EXPECT_EQ(t1.m_ptData[0].x, 30.1234f);
  EXPECT_EQ(t1.m_ptData[0].y, 0.0321f);
  EXPECT_EQ(t2.m_ptData[0].y, 30.1234f - 30.12f);  // each field a float first
  EXPECT_EQ(t3.m_ptData[0].y, -0.00045f);
  EXPECT_EQ(t2.FullYTitle().substr(0, 20), "2theta(org-cor)/deg ");
  EXPECT_EQ(t3.m_strYTitle, "d(obs-cal)/A");
  EXPECT_EQ(t3.m_strPlotTitle, "2theta(org) vs. d(obs-cal)");
}

TEST(FittingMapData, FailedLoadKeepsTheDefaultRanges) {
  RecordingSink sink;
  FittingMap map;
  map.m_nPoints = 5;
  map.m_strReportPath = ::testing::TempDir() + "missing_report.out";
  map.SetPlotTitles(1);
  EXPECT_FALSE(map.PrepareMap(sink));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], map.m_strReportPath + " not open !!!\nNo such file or directory");
  EXPECT_EQ(map.m_nPoints, 0);
  EXPECT_EQ(map.m_fPlotXMax, 100.0f);
  EXPECT_EQ(map.m_fPlotYMin, 0.0f);
  EXPECT_EQ(map.m_fYStep, 10.0f);
  // A lower y bound of 0 has no exponent: no y ticks, the bare title.
  EXPECT_FALSE(map.HasYExponent());
  EXPECT_TRUE(map.YTicks().empty());
  EXPECT_EQ(map.FullYTitle(), "2theta(org-cal)/deg");
  const std::vector<MapTick> x = map.XTicks();
  ASSERT_EQ(x.size(), 11u);
  EXPECT_EQ(x.back().label, "100.0");
  EXPECT_FALSE(x.back().mark);

  TempFile noList("nolist_map.out");
  noList.Write("Input Reflection Data\n    h   k   l  2thorg   weight\n\n");
  map.m_nPoints = 5;
  map.m_strReportPath = noList.path();
  EXPECT_FALSE(map.PrepareMap(sink));
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(sink.messages[1], "List not open !!!");
  EXPECT_EQ(map.m_nPoints, 0);
}

TEST(FittingMapData, UnprintableResidualsAndTooManyPoints) {
  // A residual printed as "nan" does not spoil the range of the others.
  TempFile report("nan.out");
  std::string text = ReportText({RowAt(20.0, 0.01), RowAt(30.0, -0.02), RowAt(40.0, 0.005)});
  const std::string row1 = lattrix_test::ListRow(RowAt(20.0, 0.01));
  text.replace(text.find(row1) + 4 * 3 + 1 + 9 * 4, 9, "     -nan");
  report.Write(text);
  RecordingSink sink;
  FittingMap map;
  map.m_nPoints = 60;  // more than the job can hold: held at 50
  map.m_strReportPath = report.path();
  map.SetPlotTitles(1);
  ASSERT_TRUE(map.PrepareMap(sink));
  EXPECT_EQ(map.m_nPoints, 50);
  EXPECT_TRUE(std::isnan(map.m_ptData[0].y));
  EXPECT_EQ(map.m_fYMin, -0.02f);
  EXPECT_EQ(map.m_fPlotYMax, 0.02f);
  EXPECT_EQ(map.m_ptData[3].x, 0.0f);  // rows past the list read as 0
  EXPECT_EQ(map.m_fXMax, 0.0f);        // so the last "reflection" is at 0
}

// Records what the drawing asks for. Text is 7 pixels per character.
struct Op {
  std::string kind;
  int a = 0, b = 0, c = 0, d = 0;
  std::string text;
  MapRgb colour;
};

class RecordingCanvas : public lattrix::MapCanvas {
 public:
  void FillRect(int l, int t, int r, int b, const MapRgb& c) override { ops.push_back({"fill", l, t, r, b, "", c}); }
  void Line(int x0, int y0, int x1, int y1, const MapRgb& c, int w) override {
    ops.push_back({"line", x0, y0, x1, y1, std::to_string(w), c});
  }
  void DottedLine(int x0, int y0, int x1, int y1, const MapRgb& c, int w) override {
    ops.push_back({"dots", x0, y0, x1, y1, std::to_string(w), c});
  }
  void FilledCircle(int l, int t, int r, int b, const MapRgb& fill, const MapRgb&, int) override {
    ops.push_back({"disc", l, t, r, b, "", fill});
  }
  void SetFont(const lattrix::MapFont& f) override { font = f; }
  void Text(int x, int y, const std::string& s, const MapRgb& c) override { ops.push_back({"text", x, y, 0, 0, s, c}); }
  void TextUp(int x, int y, const std::string& s, const MapRgb& c) override { ops.push_back({"up", x, y, 0, 0, s, c}); }
  int TextWidth(const std::string& s) override { return 7 * static_cast<int>(s.size()); }

  std::vector<Op> Of(const std::string& kind) const {
    std::vector<Op> out;
    for (const Op& op : ops) {
      if (op.kind == kind) out.push_back(op);
    }
    return out;
  }
  const Op* TextOp(const std::string& s) const {
    for (const Op& op : ops) {
      if ((op.kind == "text" || op.kind == "up") && op.text == s) return &op;
    }
    return nullptr;
  }

  std::vector<Op> ops;
  lattrix::MapFont font;
};

TEST(FittingMapDrawing, GeometryOfA600By400ClientArea) {
  FittingMap map;
  lattrix::ComputeMapGeometry(map, 600, 400);
  EXPECT_EQ(map.m_ptLowerLeft.x, 98);
  EXPECT_EQ(map.m_ptLowerLeft.y, 269);
  EXPECT_EQ(map.m_ptUpperRight.x, 555);
  EXPECT_EQ(map.m_ptUpperRight.y, 24);
  EXPECT_EQ(map.m_ptTitle.x, 185);
  EXPECT_EQ(map.m_ptTitle.y, 5);
  EXPECT_EQ(map.m_nTickLenX, 7);
  EXPECT_EQ(map.m_nTickLenY, -6);
  EXPECT_EQ(map.m_nYTitleBase, 242);
  EXPECT_EQ(map.m_rcPlot.left, 98);
  EXPECT_EQ(map.m_rcPlot.bottom, 269);
  EXPECT_EQ(map.m_fXScale, 457.0f / 100.0f);
  EXPECT_EQ(map.m_fYScale, -245.0f / 100.0f);
}

TEST(FittingMapDrawing, WorkedExampleIsPlacedPixelByPixel) {
  RecordingSink sink;
  // The smallest residual at the first reflection: that point sits on the
  // lower-left corner; the last reflection lies on the upper x bound.
  FittingMap map = Prepared({RowAt(20.0, -0.0345), RowAt(60.0, 0.012), RowAt(120.5, 0.0051)}, 1, sink);
  RecordingCanvas canvas;
  lattrix::DrawMap(map, canvas, 600, 400);

  ASSERT_GE(canvas.ops.size(), 5u);
  EXPECT_EQ(canvas.ops[0].kind, "fill");
  EXPECT_EQ(canvas.ops[0].c, 592);
  EXPECT_EQ(canvas.ops[0].d, 392);
  EXPECT_EQ(canvas.ops[0].colour, (MapRgb{0, 0, 65}));
  EXPECT_EQ(canvas.font.height, 16);
  EXPECT_EQ(canvas.font.width, 8);
  EXPECT_EQ(canvas.font.face, "Times New Roman");

  // x ticks at 20, 70, 120: x scale 457 / 100.5f.
  const Op* x20 = canvas.TextOp("20.0");
  const Op* x70 = canvas.TextOp("70.0");
  const Op* x120 = canvas.TextOp("120.0");
  ASSERT_TRUE(x20 && x70 && x120);
  EXPECT_EQ(x20->a, 98 - 16);
  EXPECT_EQ(x20->b, 269 + 8);
  EXPECT_EQ(x70->a, 325 - 16);
  EXPECT_EQ(x120->a, 552 - 16);

  // y ticks: scale -245 / 0.069f; labels end 8 pixels left of the axis.
  const int expectedPy[] = {254, 218, 183, 147, 111, 76, 40};
  const char* expectedLabel[] = {"-0.30", "-0.20", "-0.10", "-0.00", "0.10", "0.20", "0.30"};
  for (int i = 0; i < 7; ++i) {
    const Op* label = canvas.TextOp(expectedLabel[i]);
    ASSERT_TRUE(label) << expectedLabel[i];
    const int width = 7 * static_cast<int>(std::string(expectedLabel[i]).size());
    EXPECT_EQ(label->a, 98 - 8 - width) << i;
    EXPECT_EQ(label->b, expectedPy[i] - 8) << i;
  }

  const Op* title = canvas.TextOp("2theta(org) vs. 2theta(org-cal)");
  ASSERT_TRUE(title);
  EXPECT_EQ(title->a, 185);
  EXPECT_EQ(title->b, 5);
  const Op* xTitle = canvas.TextOp("2theta(org)/deg");
  ASSERT_TRUE(xTitle);
  EXPECT_EQ(xTitle->a, 98 + 228 - 15 - 40);
  EXPECT_EQ(xTitle->b, 269 + 32);
  // Upward y title: left of the last label ("0.30", 28 wide) by 3 widths.
  const Op* yTitle = canvas.TextOp("2theta(org-cal)/deg 10**-1");
  ASSERT_TRUE(yTitle);
  EXPECT_EQ(yTitle->kind, "up");
  EXPECT_EQ(yTitle->a, 98 - 8 - 28 - 24);
  EXPECT_EQ(yTitle->b, 24 + 109 + 2 * 26 + 56);

  // Tick marks: three x ticks up into the box, seven y ticks to the right.
  int xMarks = 0, yMarks = 0;
  for (const Op& op : canvas.Of("line")) {
    if (op.a == op.c && op.b == 269 && op.d == 263) ++xMarks;
    if (op.a == 98 && op.c == 105 && op.b == op.d) ++yMarks;
  }
  EXPECT_EQ(xMarks, 3);
  EXPECT_EQ(yMarks, 7);

  const std::vector<Op> dots = canvas.Of("dots");
  ASSERT_EQ(dots.size(), 1u);
  EXPECT_EQ(dots[0].b, 147);
  EXPECT_EQ(dots[0].a, 98);
  EXPECT_EQ(dots[0].c, 555);
  EXPECT_EQ(dots[0].text, "1");

  const std::vector<Op> discs = canvas.Of("disc");
  ASSERT_EQ(discs.size(), 3u);
  EXPECT_EQ(discs[0].a, 98 - 3);  // centre (L, B)
  EXPECT_EQ(discs[0].b, 269 - 3);
  EXPECT_EQ(discs[0].c, 98 + 3);
  EXPECT_EQ(discs[0].d, 269 + 3);
  EXPECT_EQ(discs[1].a + 3, 279);  // 60 deg, 0.012
  EXPECT_EQ(discs[1].b + 3, 104);
  EXPECT_GE(discs[2].a + 3, 554);  // on the right edge or one pixel left
  EXPECT_LE(discs[2].a + 3, 555);
  EXPECT_EQ(canvas.ops.back().kind, "disc");  // points are drawn last
}

TEST(FittingMapDrawing, PointsOutsideTheBoxAreLeftOut) {
  RecordingSink sink;
  // The middle reflection lies beyond the last one's 2theta.
  FittingMap map = Prepared({RowAt(20.0, 0.01), RowAt(150.0, 0.0), RowAt(100.0, -0.01)}, 1, sink);
  RecordingCanvas canvas;
  lattrix::DrawMap(map, canvas, 600, 400);
  EXPECT_EQ(canvas.Of("disc").size(), 2u);

  // Equal residuals far from zero: the range +-0.002 holds none of them.
  FittingMap level = Prepared({RowAt(20.0, 0.5), RowAt(30.0, 0.5)}, 1, sink);
  RecordingCanvas levelCanvas;
  lattrix::DrawMap(level, levelCanvas, 600, 400);
  EXPECT_TRUE(levelCanvas.Of("disc").empty());
  EXPECT_EQ(levelCanvas.Of("dots").size(), 1u);
}

TEST(FittingMapDrawing, DegenerateRangesDrawTheEmptyBox) {
  // A single reflection on a round 2theta: x from 20 to 20, no x scale.
  RecordingSink sink;
  FittingMap flat = Prepared({RowAt(20.0, 0.01)}, 1, sink);
  RecordingCanvas canvas;
  lattrix::DrawMap(flat, canvas, 600, 400);
  EXPECT_EQ(flat.m_fXScale, 0.0f);
  EXPECT_EQ(canvas.TextOp("20.0"), nullptr);
  EXPECT_TRUE(canvas.Of("disc").empty());
  EXPECT_NE(canvas.TextOp("0.10"), nullptr);  // the y axis still has its labels

  // After a failed load: x ticks over 0..100, no y ticks, the bare y title
  // placed from the axis, the zero line along the bottom edge.
  FittingMap failed;
  failed.m_strReportPath = ::testing::TempDir() + "missing_report.out";
  failed.SetPlotTitles(3);
  EXPECT_FALSE(failed.PrepareMap(sink));
  RecordingCanvas empty;
  lattrix::DrawMap(failed, empty, 600, 400);
  EXPECT_NE(empty.TextOp(" 0.0"), nullptr);  // "%4.1f" pads to four
  EXPECT_NE(empty.TextOp("100.0"), nullptr);
  const Op* yTitle = empty.TextOp("d(obs-cal)/A");
  ASSERT_TRUE(yTitle);
  EXPECT_EQ(yTitle->a, 98 - 24);
  int xMarks = 0;
  for (const Op& op : empty.Of("line")) {
    if (op.a == op.c && op.b == 269 && op.d == 263) ++xMarks;
  }
  EXPECT_EQ(xMarks, 10);  // none at 100, the upper bound
  const std::vector<Op> dots = empty.Of("dots");
  ASSERT_EQ(dots.size(), 1u);
  EXPECT_EQ(dots[0].b, 269);
  EXPECT_TRUE(empty.Of("disc").empty());
}

}  // namespace
