// A series of jobs against the single run of each job, the table's text,
// the x file, the report directory, cancellation and the plot's geometry.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "job/InputFile.h"
#include "series/SeriesCells.h"
#include "series/SeriesPlot.h"
#include "series/SeriesRun.h"
#include "series/SeriesTable.h"

using namespace lattrix;
using namespace lattrix_test;

namespace {

const std::string kExamples = LATTRIX_EXAMPLES_DIR;

// The job as one run of the batch command refines it (report in the scratch
// directory).
Job SingleRun(const std::string& path, const RunChoices& choices, const ScratchDir& dir) {
  Job job;
  InitialiseJob(job, dir.path());
  job.m_strInputPath = path;
  RecordingSink sink;
  EXPECT_TRUE(ReadInputFile(job, sink));
  EXPECT_TRUE(RunJob(job, ApplyRunChoices(job, choices), sink).refined);
  return job;
}

}  // namespace

// A tetragonal job of h k 0 lines only leaves c undetermined: its row is
// undefined, with empty numbers like a refused job's.
TEST(Series, EveryRowIsTheSingleRunOfItsJobAndRefusedJobsKeepTheirRows) {
  ScratchDir dir;
  const std::string broken = dir.Write("broken.inp", "#title only\nQuartz\n");
  const std::string flat = dir.Write("flat.inp", "#title\nh k 0 only\n2\n1.5405981 185.0\n6\n4.59 4.59 2.96 90 90 90\n4\n"
                                                 "1 1 0 27.4 1\n2 0 0 39.2 1\n2 1 0 44.0 1\n2 2 0 56.6 1\n");
  const std::vector<std::string> paths = {
      kExamples + "/quartz.inp", kExamples + "/corundum_si_standard.inp", dir.File("missing.inp"),
      kExamples + "/halite_displacement.inp", broken, kExamples + "/baddeleyite_monoclinic.inp", flat};
  const std::string status = "ooxoxou";   // ok, refused (x), undefined
  RunChoices a, b;
  b.correction = kZeroAndDisplacement, b.weighting = kSin2Theta;
  for (const bool streamed : {false, true}) {
    const RunChoices& choices = streamed ? b : a;
    // The first job is held back until the others are done: the jobs end
    // in another order than the one given.
    std::vector<size_t> ended;
    std::mutex mutex;
    const SeriesHook hook = [&](size_t i, const Job&, const RunResult&) {
      if (i == 0) std::this_thread::sleep_for(std::chrono::milliseconds(500));
      std::lock_guard<std::mutex> lock(mutex);
      ended.push_back(i);
    };
    std::vector<SeriesRow> rows;
    std::vector<size_t> handedAtBatchEnd;
    if (!streamed) rows = RunSeries(PlanSeries(paths, "", nullptr), choices, 3, hook);
    if (streamed) {
      SeriesRun run(PlanSeries(paths, "", nullptr), choices, hook);
      run.Stream(3, 2, [&](SeriesRow& row) { rows.push_back(std::move(row)); },
                 [&] { handedAtBatchEnd.push_back(rows.size()); });
      // Each batch hands at least one row, the last one the last row.
      ASSERT_GE(handedAtBatchEnd.size(), 2u);
      EXPECT_EQ(handedAtBatchEnd.back(), paths.size());
      EXPECT_TRUE(std::adjacent_find(handedAtBatchEnd.begin(), handedAtBatchEnd.end(),
                                     std::greater_equal<size_t>()) == handedAtBatchEnd.end());
    }
    // Streamed, a window of two jobs: the third waits until the first is handed on.
    ASSERT_EQ(streamed ? ended.at(1) : ended.back(), 0u);
    ASSERT_EQ(rows.size(), paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
      SCOPED_TRACE(paths[i]);
      EXPECT_EQ(rows[i].file, paths[i]);
      const std::vector<std::string> fields = SeriesRowFields(rows[i]);
      EXPECT_EQ(fields[3], status[i] == 'o' ? "ok" : status[i] == 'x' ? "refused" : "undefined");
      EXPECT_EQ(rows[i].refined, status[i] == 'o');
      if (status[i] == 'u') {
        EXPECT_EQ(std::count(fields.begin() + 4, fields.end() - 1, ""), 22);
        EXPECT_EQ(rows[i].messages.front().rfind("Singular normal matrix !!!", 0), 0u);
      }
      if (status[i] != 'o') { EXPECT_FALSE(rows[i].messages.empty()); continue; }
      const Job single = SingleRun(paths[i], choices, dir);
      EXPECT_EQ(rows[i].title, single.m_strTitle);
      // The cell, volume, zero and ssd, with their standard deviations.
      std::vector<double> values(single.m_dRefinedCell, single.m_dRefinedCell + 6);
      std::vector<double> sigmas(single.m_dCellSigma, single.m_dCellSigma + 6);
      values.insert(values.end(), {single.m_dVolume, single.m_dZero, single.m_dDisp});
      sigmas.insert(sigmas.end(), {single.m_dVolumeSigma, single.m_dZeroSigma, single.m_dDispSigma});
      EXPECT_EQ(std::vector<double>(rows[i].value, rows[i].value + kSeriesQuantities), values);
      EXPECT_EQ(std::vector<double>(rows[i].sigma, rows[i].sigma + kSeriesQuantities), sigmas);
    }
    EXPECT_EQ(rows[2].messages.front().rfind("Input file not open !!!", 0), 0u);
  }
}

// The header and the refused job's line written out by hand; the refined
// job's line, whose title needs quoting, split back into its fields.
TEST(Series, TableTextQuotesAndLeavesRefusedNumbersEmpty) {
  SeriesRow ok, refused;
  ok.file = "a.inp", ok.title = "Quartz, \"low\" form", ok.refined = ok.hasX = true, ok.x = 293.15;
  ok.value[kSeriesA] = 4.913456789012;
  ok.messages = {"zero and ssd cannot be told apart by these reflections (r = 0.9997) !!!",
                 "Output file not open !!!\n /tmp/x: No such file"};
  refused.file = "b.inp", refused.messages = {"Input file not open !!!\nb.inp: No such file or directory"};
  const std::string header =
      "file,title,x,status,n,dof,a,s_a,b,s_b,c,s_c,alpha,s_alpha,beta,s_beta,gamma,s_gamma,volume,s_volume,"
      "zero,s_zero,ssd,s_ssd,sd_2theta,flagged,message\n";
  const std::string last =
      "b.inp,,,refused" + std::string(23, ',') + "Input file not open !!! b.inp: No such file or directory\n";
  const std::string text = SeriesTableText({ok, refused});
  ASSERT_GT(text.size(), header.size() + last.size());
  EXPECT_EQ(text.substr(0, header.size()) + text.substr(text.size() - last.size()), header + last);
  // The refined job's line, its LF left off.
  const size_t middle = text.size() - header.size() - last.size() - 1;
  const std::vector<std::string> first = SplitCsvLine(text.substr(header.size(), middle));
  ASSERT_EQ(first.size(), 27u);
  // The window's cells: the message after the status, value and s.u. in
  // IUCr notation (written here by hand), a refused job's numbers empty.
  ok.sigma[kSeriesA] = 0.0000432, ok.value[kSeriesAlpha] = 90.0, ok.value[kSeriesVolume] = 113.0123;
  ok.sigma[kSeriesVolume] = 0.0096;
  const std::vector<std::string> cells = SeriesRowCells(ok), refusedCells = SeriesRowCells(refused);
  ASSERT_EQ(cells.size(), SeriesCellNames().size());
  EXPECT_EQ(std::vector<std::string>({cells[4], cells[7], cells[10], cells[13]}),
            std::vector<std::string>({first[26], "4.91346(4)", "90", "113.012(10)"}));
  EXPECT_EQ(std::vector<std::string>({refusedCells[3], refusedCells[4].substr(0, 23), refusedCells[7]}),
            std::vector<std::string>({"refused", "Input file not open !!!", ""}));
  EXPECT_EQ(std::vector<std::string>({first[1], first[2], first[3], first[6], first[26]}),
            std::vector<std::string>({ok.title, "293.15", "ok", "4.913456789",
                                      ok.messages[0] + "; Output file not open !!! /tmp/x: No such file"}));

  // Numbers digit for digit as printf's "%.10g".
  unsigned seed = 12345;
  for (int i = 0; i < 2000; ++i) {
    seed = seed * 1103515245u + 12345u;
    const double v = std::ldexp(static_cast<double>(seed % 1000003) - 500000.0, static_cast<int>(seed % 97) - 60);
    ok.value[kSeriesB] = v;
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.10g", v);
    ASSERT_EQ(SeriesRowFields(ok)[8], expected);
  }
}

TEST(Series, XFileAndThePlanOfTheJobs) {
  ScratchDir dir;
  SeriesAxis axis;
  RecordingSink sink;
  const std::string good = dir.Write("x.csv", "\xEF\xBB\xBF" "file,T_K\r\nrun1.inp,300\r\n\r\n\"data/run2.inp\",\"300,5\"\n");
  ASSERT_TRUE(ReadSeriesAxis(good, axis, sink));
  EXPECT_EQ(axis.name, "T_K");
  EXPECT_EQ(axis.values, (std::map<std::string, double>{{"run1.inp", 300.0}, {"run2.inp", 300.5}}));
  const struct { const char *text, *says; } bad[] = {
      {"", "the first line must name two columns"},
      {"file,T,P\n", "the first line must name two columns"},
      {"file,T\nrun1.inp,hot\n", "line 2: run1.inp,hot is not a file name and a number"},
      {"file,T\nrun1.inp,1\nother/run1.inp,2\n", "line 3: run1.inp has an x value already"}};
  for (const auto& b : bad) {
    RecordingSink s;
    EXPECT_FALSE(ReadSeriesAxis(dir.Write("bad.csv", b.text), axis, s)) << b.text;
    ASSERT_EQ(s.messages.size(), 1u);
    EXPECT_NE(s.messages[0].find(b.says), std::string::npos) << s.messages[0];
  }

  ASSERT_TRUE(ReadSeriesAxis(good, axis, sink));
  const std::vector<SeriesJob> jobs = PlanSeries({"a/run1.inp", "run3.inp", "b/run1.inp"}, "out", &axis);
  EXPECT_TRUE(jobs[0].hasX && jobs[0].x == 300.0 && jobs[0].refusal.empty());
  EXPECT_EQ(jobs[0].reportPath, "out/run1.out");
  EXPECT_EQ(jobs[1].refusal, "run3.inp has no T_K value in " + good + " !!!");
  EXPECT_EQ(jobs[2].refusal.rfind("b/run1.inp has the job name of a/run1.inp !!!", 0), 0u);
  // Without reports and x values, a repeated name is no problem.
  EXPECT_TRUE(PlanSeries({"a/run1.inp", "b/run1.inp"}, "", nullptr)[1].refusal.empty());
}

TEST(Series, ReportsOnlyInTheReportDirectoryAndCancelledJobsSaySo) {
  ScratchDir dir;
  const std::string quartz = kExamples + "/quartz.inp";
  RunChoices delta;
  delta.weighting = kDelta2Theta;
  // No report directory: no earlier misfits to weight by, so the job is
  // refused rather than refined with the file's weights under a delta label.
  const SeriesRow bare = RunSeriesJob(PlanSeries({quartz}, "", nullptr)[0], delta);
  EXPECT_FALSE(bare.refined);
  EXPECT_EQ(bare.messages, std::vector<std::string>{"No report is kept in this run, so there are no previous misfits to "
                                                     "weight by !!!\n Nothing is refined: keep a report (a series: "
                                                     "--report-dir) and run with unity or sin2 weighting first."});
  // With one, the second run weights by the first run's report.
  const SeriesJob planned = PlanSeries({quartz}, dir.path(), nullptr)[0];
  EXPECT_TRUE(RunSeriesJob(planned, RunChoices()).refined);
  EXPECT_NE(ReadAll(dir.File("quartz.out")).find("Weighting Mode : unity"), std::string::npos);
  EXPECT_TRUE(RunSeriesJob(planned, delta).messages.empty());
  EXPECT_NE(ReadAll(dir.File("quartz.out")).find("Weighting Mode : delta2(theta)"), std::string::npos);

  SeriesRun run(PlanSeries({quartz, quartz}, "", nullptr), RunChoices());
  run.Cancel();
  run.Start(2);
  const std::vector<SeriesRow> rows = run.Wait();
  for (const SeriesRow& row : rows) {
    EXPECT_FALSE(row.refined);
    EXPECT_EQ(row.messages, std::vector<std::string>{"Not refined: the series was cancelled before this job."});
    // Counted and shown as cancelled; the CSV table keeps "refused".
    EXPECT_EQ(SeriesRowCells(row)[3], "cancelled");
    EXPECT_EQ(SeriesRowFields(row)[3], "refused");
  }
  EXPECT_EQ(CountSeries(rows).cancelled, 2u);
  EXPECT_EQ(CountSeries(rows).refused, 0u);
  EXPECT_EQ(run.Finished(), 0u);
}

namespace {

// Keeps the discs and the lines of a drawing.
struct ShapeCanvas : MapCanvas {
  struct Shape { int x0, y0, x1, y1; };
  std::vector<Shape> discs, lines;
  void FillRect(int, int, int, int, const MapRgb&) override {}
  void Line(int x0, int y0, int x1, int y1, const MapRgb&, int) override { lines.push_back({x0, y0, x1, y1}); }
  void DottedLine(int, int, int, int, const MapRgb&, int) override {}
  void FilledCircle(int l, int t, int r, int b, const MapRgb&, const MapRgb&, int) override {
    discs.push_back({l, t, r, b});
  }
  void SetFont(const MapFont&) override {}
  void Text(int, int, const std::string&, const MapRgb&) override {}
  void TextUp(int, int, const std::string&, const MapRgb&) override {}
  int TextWidth(const std::string& s) override { return 7 * static_cast<int>(s.size()); }
};

}  // namespace

TEST(SeriesPlot, AxesCoverTheDataAndErrorBarsScaleWithTheStandardDeviation) {
  // An axis runs beyond its data in a whole number of steps, for one value
  // and for zero too.
  // and for zero too, with four ticks or more, each a whole step; it
  // starts and ends within a tenth of the data's span (x from 300 to 850:
  // at 250 or above).
  const double ranges[][2] = {{4.9134, 4.9134}, {0.0, 0.0}, {112.97, 113.41}, {-0.0031, 0.0207}, {100, 5099.5},
                              {300, 850}};
  for (const auto& range : ranges) {
    const PlotAxis axis = PlotAxis::Covering(range[0], range[1]);
    const double room = (range[1] - range[0]) * 0.1;
    EXPECT_TRUE(axis.lo < range[0] && axis.hi > range[1]) << range[0];
    EXPECT_TRUE(room == 0.0 || (axis.lo >= range[0] - room && axis.hi <= range[1] + room)) << range[0];
    const std::vector<double> ticks = axis.Ticks();
    EXPECT_GE(ticks.size(), 4u) << range[0];
    for (double t : ticks) EXPECT_NEAR(t / axis.step, std::round(t / axis.step), 1e-6) << range[0];
  }
  // Negative tick labels carry a true minus sign, zero none.
  const PlotAxis tenths = PlotAxis::Covering(-0.5, 0.5);
  EXPECT_EQ(TickLabel(tenths, -0.4), "\xE2\x88\x92" "0.4");
  EXPECT_EQ(TickLabel(tenths, -0.0), "0.0");
  // Jobs at T = 100, 200 and 300 K; the second is refused and not plotted.
  std::vector<SeriesRow> rows(3);
  const double a[] = {4.90, 4.91, 4.93}, s[] = {0.001, 0.002, 0.004};
  for (int i = 0; i < 3; ++i) {
    rows[i].refined = i != 1, rows[i].hasX = true, rows[i].x = 100.0 * (i + 1);
    rows[i].value[kSeriesA] = a[i], rows[i].sigma[kSeriesA] = s[i];
  }
  const SeriesPlot byT = MakeSeriesPlot(rows, kSeriesA, "T_K");
  ASSERT_EQ(byT.points.size(), 2u);
  EXPECT_EQ(byT.points[1].x, 300.0);
  EXPECT_EQ(MakeSeriesPlot(rows, kSeriesA, "").points[1].x, 3.0);  // the job's position

  ShapeCanvas canvas;
  DrawSeriesPlot(byT, canvas, 600, 400);
  ASSERT_EQ(canvas.discs.size(), 2u);
  // Each bar: a vertical line through the disc's centre.
  auto barLength = [&](int i) {
    const int cx = (canvas.discs[i].x0 + canvas.discs[i].x1) / 2;
    const int cy = (canvas.discs[i].y0 + canvas.discs[i].y1) / 2;
    for (const ShapeCanvas::Shape& l : canvas.lines)
      if (l.x0 == cx && l.x1 == cx && l.y1 < cy && cy < l.y0) return l.y0 - l.y1;
    return -1;
  };
  // The pixels per A from the two discs' centres; the bars span 2 s.
  const double perA = ((canvas.discs[0].y0 + canvas.discs[0].y1) - (canvas.discs[1].y0 + canvas.discs[1].y1)) /
                      2.0 / (a[2] - a[0]);
  EXPECT_NEAR(barLength(0), 2 * s[0] * perA, 2.0);
  EXPECT_NEAR(barLength(1), 2 * s[2] * perA, 2.0);
}
