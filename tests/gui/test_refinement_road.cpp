// The road of a refinement through the program: start with a job file on
// the command line, choose a correction and a weighting, Execute, read the
// results and the report, save the job, start a new one, open the saved
// file again.
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QTest>

#include <cmath>

#include "GuiTestSupport.h"
#include "ui/LattrixApp.h"
#include "ui/MainFrame.h"
#include "ui/ReportViewer.h"

using namespace guitest;

class RefinementRoad : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
  void openExecuteSaveReopen();
  void unreadableCommandLineFileEndsStartUp();
};

// tests/gui/data/cubic.inp holds ten reflections whose 2theta were computed
// (and rounded to 4 decimals) for a cubic cell a = 5.4309 A and Cu Ka1 with
// 2theta = 2 asin(lambda / 2d), d = a / sqrt(h^2 + k^2 + l^2); the trial cell
// is 5.40. A refinement must return a = 5.4309 and the volume a^3 =
// 160.18263 A^3, with a zero offset near 0 since the data have none.
void RefinementRoad::openExecuteSaveReopen() {
  ScratchDir scratch;
  lattrix::RecordingSink sink;
  CLattrixView::SetSinkForNewViews(&sink);
  CLattrixApp app;
  QVERIFY(app.InitInstance({DataFile("cubic.inp")}));
  CLattrixView::SetSinkForNewViews(nullptr);
  CMainFrame* frame = app.MainFrame();
  CLattrixView* view = frame->View();

  // The form shows the file.
  QCOMPARE(frame->windowTitle(), "Lattrix --- [File Name : " + DataFile("cubic.inp") + " ]");
  QCOMPARE(Text(view, "editTitle"), QString("Cubic test cell a=5.4309"));
  QCOMPARE(Find<QComboBox>(view, "comboCrystalSystem")->currentText(), QString("Cubic"));
  QCOMPARE(Text(view, "editCellA"), QString("  5.4000"));
  QCOMPARE(Text(view, "editCellGamma"), QString(" 90.0000"));
  CEditListCtrl* list = view->ReflectionList();
  QCOMPARE(list->GetItemText(0, 1), QString("  1"));
  QCOMPARE(list->GetItemText(9, 4), QString("127.5464"));
  QCOMPARE(list->GetItemText(10, 1), QString());
  QVERIFY(Find<QRadioButton>(view, "radioNoCorrection")->isChecked());
  QVERIFY(Find<QCheckBox>(view, "checkUnity")->isChecked());

  // Zero correction, sin2(theta) weights, Execute.
  ClickBox(Find<QRadioButton>(view, "radioZero"));
  ClickBox(Find<QCheckBox>(view, "checkSin2"));
  QVERIFY(!Find<QCheckBox>(view, "checkUnity")->isChecked());
  QAction* execute = frame->Action("actionRefineExecute");
  QVERIFY(execute->isEnabled());
  execute->trigger();
  // Ten reflections of a cubic cell barely tell a from the zero offset.
  QCOMPARE(sink.messages.size(), size_t(1));
  QVERIFY2(sink.messages.front().rfind("a and zero correlate strongly (r = -0.9", 0) == 0, sink.messages.front().c_str());
  sink.messages.clear();
  QVERIFY(view->job().m_bRefined);

  // Twenty result fields, each "%8.4lf".
  const char* const fields[20] = {"editRefinedA", "editRefinedB", "editRefinedC", "editRefinedAlpha",
                                  "editRefinedBeta", "editRefinedGamma", "editSigmaA", "editSigmaB",
                                  "editSigmaC", "editSigmaAlpha", "editSigmaBeta", "editSigmaGamma",
                                  "editVolume", "editVolumeSigma", "editZero", "editZeroSigma",
                                  "editSsd", "editSsdSigma", "editEmu", "editEmuSigma"};
  for (const char* field : fields) {
    const QString text = Text(view, field);
    QVERIFY2(text.size() >= 8 && text.indexOf('.') == text.size() - 5, field);
  }
  QCOMPARE(Text(view, "editRefinedA"), QString("  5.4309"));
  QCOMPARE(Text(view, "editRefinedB"), QString("  5.4309"));
  QCOMPARE(Text(view, "editRefinedC"), QString("  5.4309"));
  QCOMPARE(Text(view, "editRefinedAlpha"), QString(" 90.0000"));
  QCOMPARE(Text(view, "editRefinedGamma"), QString(" 90.0000"));
  QVERIFY(std::fabs(Number(view, "editVolume") - 160.18263) < 2e-4);
  // Rounding of the 2theta to 4 decimals is the only misfit.
  QVERIFY(std::fabs(Number(view, "editSigmaA")) < 2e-4);
  QVERIFY(std::fabs(Number(view, "editZero")) < 2e-3);
  QCOMPARE(Text(view, "editSsd"), QString("  0.0000"));
  QCOMPARE(Text(view, "editEmu"), QString("  0.0000"));

  // The report: head, modes, and sin^2(theta) weights scaled to 1 at the
  // largest 2theta (127.5464), computed here on their own.
  const QString report = ReadFile(scratch.Path("Lattrix.out"));
  QVERIFY(report.contains("Title : Cubic test cell a=5.4309"));
  QVERIFY2(report.contains("Refinement code : zero offset correction"), qPrintable(report.left(400)));
  QVERIFY(report.contains("Weighting Mode : sin2(theta)"));
  const double s111 = std::sin(0.5 * 28.4426 * 0.0174532925);
  const double s620 = std::sin(0.5 * 127.5464 * 0.0174532925);
  const double w111 = s111 * s111 / (s620 * s620);
  QVERIFY(std::fabs(view->job().m_dWeight[0] - w111) < 1e-12);
  // The report's input list shows that weight as its last field.
  const int at = report.indexOf("    1   1   1  28.443");
  QVERIFY(at >= 0);
  const QString line = report.mid(at, report.indexOf('\n', at) - at);
  QCOMPARE(line.split(' ', Qt::SkipEmptyParts).last(), QString::fromStdString(lattrix::Format("%.5f", w111)));
  QCOMPARE(view->job().m_dWeight[9], 1.0);

  // Show Output File: the whole report in the program's own window.
  frame->Action("actionShowOutputFile")->trigger();
  QVERIFY(view->ReportViewer() && view->ReportViewer()->isVisible());
  QCOMPARE(view->ReportViewer()->Text(), report);

  // Save as, File New, open the saved file: the same job comes back.
  const QString saved = scratch.Path("saved.inp");
  view->SetSaveFileDialog([&] { return saved; });
  frame->Action("actionSaveAsInputFile")->trigger();
  QVERIFY(QFile::exists(saved));
  QCOMPARE(frame->windowTitle(), "Lattrix --- [File Name : " + saved + " ]");

  frame->Action("actionFileNew")->trigger();
  QCOMPARE(frame->windowTitle(), QString("Lattrix --- [File Name : ]"));
  QCOMPARE(Text(view, "editTitle"), QString());
  QCOMPARE(Text(view, "editCellA"), QString());
  QCOMPARE(Text(view, "editRefinedA"), QString());
  QCOMPARE(list->GetItemText(0, 4), QString());
  QVERIFY(!execute->isEnabled());

  view->SetOpenFileDialog([&] { return saved; });
  frame->Action("actionFileOpen")->trigger();
  QVERIFY(sink.messages.empty());
  QCOMPARE(Text(view, "editTitle"), QString("Cubic test cell a=5.4309"));
  QCOMPARE(Find<QComboBox>(view, "comboCrystalSystem")->currentText(), QString("Cubic"));
  QCOMPARE(Text(view, "editCellA"), QString("  5.4000"));
  for (int row = 0; row < 10; ++row) {
    QCOMPARE(list->GetItemText(row, 4).toDouble(),
             ReadFile(DataFile("cubic.inp")).split('\n')[8 + row].split(' ')[3].toDouble());
  }
  QCOMPARE(list->GetItemText(10, 1), QString());
  QCOMPARE(view->job().m_nReflections, 10);
  QCOMPARE(view->job().m_dWavelength, 1.5405981);
  QVERIFY(execute->isEnabled());
}

void RefinementRoad::unreadableCommandLineFileEndsStartUp() {
  ScratchDir scratch;
  lattrix::RecordingSink sink;
  CLattrixView::SetSinkForNewViews(&sink);
  CLattrixApp app;
  QVERIFY(!app.InitInstance({scratch.Path("missing.inp")}));
  CLattrixView::SetSinkForNewViews(nullptr);
  QCOMPARE(sink.messages, std::vector<std::string>{"Input file not open !!!"});
}

QTEST_MAIN(RefinementRoad)
#include "test_refinement_road.moc"
