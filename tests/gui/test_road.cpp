// The road of a refinement through the program: a job file on the command
// line, a correction and a weighting, Execute, the results, the report and
// its displays, Save as, New and the saved file opened again; the same
// report as the batch command's, in the C locale and a German one.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableWidget>

#include <clocale>
#include <cmath>

#include "GuiTestSupport.h"
#include "calibration/Calibration.h"
#include "displays/DiagnosticsDlg.h"
#include "displays/FittingMapDlg.h"
#include "displays/FittingTableDlg.h"
#include "job/InputFile.h"
#include "run/RunStep.h"
#include "ui/LattrixApp.h"
#include "ui/ReportViewer.h"

using namespace guitest;

namespace {

double Number(QWidget* view, const char* name) { return Text(view, name).toDouble(); }

// The fields of the report's line 'skip' lines after the first line that
// starts with 'start'.
QStringList ReportFields(const QString& report, const QString& start, int skip = 0) {
  const QStringList lines = report.split('\n');
  for (int i = 0; i + skip < lines.size(); ++i)
    if (lines[i].startsWith(start)) return lines[i + skip].split(' ', Qt::SkipEmptyParts);
  return {};
}

}  // namespace

class Road : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  // tests/gui/data/cubic.inp: ten 2theta computed for a = 5.4309 A and Cu
  // Ka1, rounded to 4 decimals; trial cell 5.40. The refinement must give
  // a = 5.4309, the volume a^3 = 160.18263 A^3 and a zero offset near 0.
  void openExecuteSaveReopen() {
    ScratchDir scratch;
    lattrix::RecordingSink sink;
    CLattrixView::SetSinkForNewViews(&sink);
    CLattrixApp app;
    QVERIFY(app.InitInstance({DataFile("cubic.inp")}));
    CLattrixView::SetSinkForNewViews(nullptr);
    CMainFrame* frame = app.MainFrame();
    CLattrixView* view = frame->View();
    QCOMPARE(Text(view, "editTitle") + Text(view, "editCellA"), QString("Cubic test cell a=5.4309  5.4000"));
    QCOMPARE(Find<QComboBox>(view, "comboCrystalSystem")->currentText(), QString("Cubic"));
    QCOMPARE(view->ReflectionList()->GetItemText(9, 4), QString("127.5464"));
    QVERIFY(Find<QRadioButton>(view, "radioNoCorrection")->isChecked() && Find<QCheckBox>(view, "checkUnity")->isChecked());

    ClickBox(Find<QRadioButton>(view, "radioZero"));
    ClickBox(Find<QCheckBox>(view, "checkSin2"));
    QVERIFY(!Find<QCheckBox>(view, "checkUnity")->isChecked());
    frame->Action("actionRefineExecute")->trigger();
    // Ten lines do not tell a from the zero offset: a warning, no refusal.
    QVERIFY(sink.messages.size() == 1 && sink.messages[0].rfind("a and zero correlate strongly (r = -0.9", 0) == 0);
    QCOMPARE(Text(view, "editRefinedA") + Text(view, "editRefinedC") + Text(view, "editRefinedGamma") + Text(view, "editSsd"),
             QString("  5.4309  5.4309 90.0000  0.0000"));
    QVERIFY(std::fabs(Number(view, "editVolume") - 160.18263) < 2e-4);
    QVERIFY(std::fabs(Number(view, "editSigmaA")) < 2e-4 && std::fabs(Number(view, "editZero")) < 2e-3);
    // sin^2(theta) weights scaled to 1 at the largest 2theta, computed here.
    const QString report = ReadFile(scratch.Path("Lattrix.out"));
    QVERIFY(report.contains("Refinement code : zero offset correction") && report.contains("Weighting Mode : sin2(theta)"));
    const double w111 = std::pow(std::sin(0.5 * 28.4426 * 0.0174532925) / std::sin(0.5 * 127.5464 * 0.0174532925), 2);
    QCOMPARE(ReportFields(report, "Input Reflection Data", 2).last(), QString::asprintf("%.5f", w111));
    frame->Action("actionShowOutputFile")->trigger();
    QVERIFY(view->ReportViewer() && view->ReportViewer()->isVisible());
    QCOMPARE(view->ReportViewer()->Text(), report);

    // Save as, New, and the saved file opened again: the same job.
    const QString saved = scratch.Path("saved.inp");
    view->SetSaveFileDialog([&] { return saved; });
    frame->Action("actionSaveAsInputFile")->trigger();
    frame->Action("actionFileNew")->trigger();
    QCOMPARE(Text(view, "editTitle") + Text(view, "editCellA") + view->ReflectionList()->GetItemText(0, 4), QString());
    view->SetOpenFileDialog([&] { return saved; });
    frame->Action("actionFileOpen")->trigger();
    QCOMPARE(sink.messages.size(), size_t(1));  // the warning of the run, nothing since
    QCOMPARE(Text(view, "editTitle") + Text(view, "editCellA"), QString("Cubic test cell a=5.4309  5.4000"));
    const QStringList input = ReadFile(DataFile("cubic.inp")).split('\n');
    for (int row = 0; row < 10; ++row) QCOMPARE(view->job().m_dTwoThetaRaw[row], input[8 + row].split(' ')[3].toDouble());
    QCOMPARE(view->job().m_nReflections, 10);
    QVERIFY(frame->Action("actionRefineExecute")->isEnabled());
  }

  // A file on the command line that cannot be read: the window opens with a
  // new job and the message names the file and the reason.
  void unreadableCommandLineFileOpensTheWindow() {
    ScratchDir scratch;
    lattrix::RecordingSink sink;
    CLattrixView::SetSinkForNewViews(&sink);
    CLattrixApp app;
    const QString missing = scratch.Path("missing.inp");
    QVERIFY(app.InitInstance({missing}));
    CLattrixView::SetSinkForNewViews(nullptr);
    QVERIFY(app.MainFrame()->isVisible() && !app.MainFrame()->View()->job().m_bInputLoaded);
    QCOMPARE(sink.messages, std::vector<std::string>{"Input file not open !!!\n" + missing.toStdString() + ": No such file or directory"});
  }

  // A file with nine decimals in the cell and in 2theta, refined with zero
  // correction and sin2(theta) weights: the program's report equals byte for
  // byte the one the batch command's run step writes in the C locale, also
  // when the program runs under a locale with a decimal comma.
  void sameReportAsTheBatchCommand_data() {
    QTest::addColumn<QByteArray>("locale");
    QTest::newRow("C") << QByteArray("C");
    QTest::newRow("German") << QByteArray("de_DE.UTF-8");
  }
  void sameReportAsTheBatchCommand() {
    QFETCH(QByteArray, locale);
    Program p;
    lattrix::Job batch;
    lattrix::InitialiseJob(batch, p.scratch.Path(".").toStdString());
    batch.m_strInputPath = DataFile("nine_decimals.inp").toStdString();
    batch.m_strReportPath = p.scratch.Path("batch.out").toStdString();
    lattrix::RecordingSink batchSink;
    QVERIFY(lattrix::ReadInputFile(batch, batchSink));
    batch.m_nCorrection = lattrix::kZero;
    batch.m_nWeighting = lattrix::kSin2Theta;
    QVERIFY(lattrix::RunJob(batch, lattrix::SiliconTextsFromJob(batch), batchSink).refined);
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, locale.constData())) QSKIP("the locale is not installed");
    QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
    QVERIFY(p.view->OpenInputFile(DataFile("nine_decimals.inp")));
    ClickBox(Find<QRadioButton>(p.view, "radioZero"));
    ClickBox(Find<QCheckBox>(p.view, "checkSin2"));
    p.Trigger("actionRefineExecute");
    std::setlocale(LC_ALL, previous.c_str());
    QLocale::setDefault(QLocale::c());
    QVERIFY(p.sink.messages == batchSink.messages);
    const QString report = ReadFile(p.scratch.Path("Lattrix.out"));
    QVERIFY(report.contains(" 20.8618 ") && report.contains("   4.91341 A"));
    QCOMPARE(report, ReadFile(p.scratch.Path("batch.out")));
  }

  // The fitting table and the map read back from the report of the cubic
  // job; the diagnostics of a job whose 4 0 0 lies 0.3 degree off; the CIF
  // of the refined cell.
  void resultDisplays() {
    Program p;
    QVERIFY(p.view->OpenInputFile(DataFile("cubic.inp")));
    p.Trigger("actionRefineExecute");
    const QString report = ReadFile(p.scratch.Path("Lattrix.out"));
    const QStringList input = ReadFile(DataFile("cubic.inp")).split('\n');
    WithModal<CFittingTableDlg>([&] { p.Trigger("actionShowFittingTable"); }, [&](CFittingTableDlg* dialog) {
      QTableWidget* list = dialog->FitList();
      QCOMPARE(list->rowCount(), 10);
      for (int r = 0; r < 10; ++r) {
        const QStringList fields = ReportFields(report, "List of d-spacings", 3 + r), in = input[8 + r].split(' ');
        QCOMPARE(list->item(r, 0)->text() + list->item(r, 1)->text(), QString::asprintf("%2d", r + 1) + in[0]);
        QCOMPARE(list->item(r, 5)->text(), QString::asprintf("%8.4f", in[3].toDouble()));
        for (int c = 6; c <= 12; ++c) QCOMPARE(list->item(r, c)->text(), fields[c - 1]);
      }
      QCOMPARE(dialog->SumDeltaEdit()->text(), ReportFields(report, "sum delta 2theta").last());
      QCOMPARE(dialog->StdDeltaEdit()->text(), ReportFields(report, "s.d.delta 2theta").last());
    });
    WithModal<CFittingMapDlg>([&] { p.Trigger("actionShowFittingFigure"); }, [&](CFittingMapDlg* dialog) {
      QCOMPARE(dialog->m_map.m_nPoints, 10);
      dialog->resize(600, 400);
      ClickBox(dialog->TypeRadio(3));
      QCOMPARE(dialog->m_map.m_strYTitle, std::string("d(obs-cal)/A"));
      // 592 x 392 map pixels: the box from (98, 269) to (555, 24), with the
      // red discs of the reflections inside.
      const QImage image = dialog->MapArea()->grab().toImage();
      QCOMPARE(image.pixelColor(98, 269), QColor(255, 255, 0));
      QCOMPARE(image.pixelColor(555, 24), QColor(255, 255, 0));
      QCOMPARE(image.pixelColor(1, 1), QColor(0, 0, 65));
      int red = 0;
      for (int y = 25; y < 269; ++y)
        for (int x = 99; x < 555; ++x) red += image.pixelColor(x, y) == QColor(255, 0, 0);
      QVERIFY2(red >= 10 * 9, qPrintable(QString::number(red)));
    });

    // The refined cell (2theta rounded to 0.0001 degree move a by far less
    // than 0.0005 A) is exported even after the form changed and was saved.
    Find<QLineEdit>(p.view, "editCellA")->setText("6.0000");
    QVERIFY(p.view->SaveInputFileAs(p.scratch.Path("job.inp")) && p.view->ExportCifTo(p.scratch.Path("cubic.cif")));
    const QRegularExpression a(QStringLiteral("^_cell_length_a\\s+(\\d+\\.\\d+)\\(\\d+\\)$"), QRegularExpression::MultilineOption);
    QVERIFY(std::fabs(a.match(ReadFile(p.scratch.Path("cubic.cif"))).captured(1).toDouble() - 5.4309) < 0.0005);

    QByteArray bad = ReadFile(DataFile("cubic.inp")).toLatin1().replace("4 0 0 69.1306", "4 0 0 69.4306");
    QVERIFY(p.view->OpenInputFile(WriteFile(p.scratch.Path("bad.inp"), bad)));
    ClickBox(Find<QRadioButton>(p.view, "radioZero"));
    p.Trigger("actionRefineExecute");
    WithModal<CDiagnosticsDlg>([&] { p.Trigger("actionShowDiagnostics"); }, [&](CDiagnosticsDlg* dialog) {
      QTableWidget* list = dialog->DiagnosticsList();
      double leverages = 0.0;
      for (int r = 0; r < 10; ++r) {
        const bool misfit = std::fabs(list->item(r, CDiagnosticsDlg::kColRstudent)->text().toDouble()) > 3.0;
        QCOMPARE(misfit, r == 3);
        QCOMPARE(list->item(r, 0)->background().color() == CDiagnosticsDlg::MisfitColour(), r == 3);
        leverages += list->item(r, CDiagnosticsDlg::kColLeverage)->text().toDouble();
      }
      QVERIFY(std::fabs(leverages - 2.0) < 10 * 0.00005);  // the hat matrix's trace: a and zero
      QVERIFY(dialog->SummaryLabel()->text().contains("(4 0 0)"));
    });
    QVERIFY(p.sink.messages.empty());
  }
};

QTEST_MAIN(Road)
#include "test_road.moc"
