// The road of a refinement through the program: a job file on the command
// line, a correction and a weighting, Execute, the results, the report and
// its displays (the correlation matrix among them), Save as, New and the
// saved file opened again; the same report as the batch command's, in the C
// locale and a German one, and with Manual's known corrections.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QProcess>
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
    const auto trigger = [frame](const char* action) { frame->Action(action)->trigger(); };
    QCOMPARE(Text(view, "editTitle") + Text(view, "editCellA"), QString("Cubic test cell a=5.4309  5.4000"));
    QCOMPARE(Find<QComboBox>(view, "comboCrystalSystem")->currentText(), QString("Cubic"));
    QCOMPARE(view->ReflectionList()->GetItemText(9, 4), QString("127.5464"));
    QVERIFY(Find<QRadioButton>(view, "radioNoCorrection")->isChecked() && Find<QCheckBox>(view, "checkUnity")->isChecked());

    ClickBox(Find<QRadioButton>(view, "radioZero"));
    ClickBox(Find<QCheckBox>(view, "checkSin2"));
    QVERIFY(!Find<QCheckBox>(view, "checkUnity")->isChecked());
    trigger("actionRefineExecute");
    // Ten lines tell a from the zero offset apart (|r| < 0.999): no message;
    // the Diagnostics window's correlation matrix marks the pair (|r| >= 0.9).
    QCOMPARE(sink.messages.size(), size_t(0));
    WithModal<CDiagnosticsDlg>([&] { trigger("actionShowDiagnostics"); }, [&](CDiagnosticsDlg* dialog) {
      QTableWidget* r = dialog->CorrelationList();
      QVERIFY(r && r->rowCount() == 2 && r->horizontalHeaderItem(1)->text() == "zero");
      QVERIFY(r->item(0, 1)->text() == r->item(1, 0)->text() && r->item(0, 1)->text().startsWith("-0.9"));
      QCOMPARE(r->item(0, 1)->background().color(), CDiagnosticsDlg::MisfitColour());
    });
    // The generated cell fits to about 1e-7 A: a shows the decimals of its s.d.
    QVERIFY(Text(view, "editRefinedA") == Text(view, "editRefinedC") && Text(view, "editRefinedA").startsWith("5.43090"));
    QCOMPARE(Text(view, "editRefinedGamma") + Text(view, "editSsd"), QString(" 90.0000  0.0000"));
    QVERIFY(std::fabs(Number(view, "editVolume") - 160.18263) < 2e-4);
    QVERIFY(std::fabs(Number(view, "editSigmaA")) < 2e-4 && std::fabs(Number(view, "editZero")) < 2e-3);
    // The choices reach the report (the weights themselves: the core's tests,
    // and the same report as the batch command's below).
    const QString report = ReadFile(scratch.Path("Lattrix.out"));
    QVERIFY(report.contains("Refinement code : zero offset correction") && report.contains("Weighting Mode : sin2(theta)"));
    trigger("actionShowOutputFile");
    QVERIFY(view->ReportViewer() && view->ReportViewer()->isVisible());
    QCOMPARE(view->ReportViewer()->Text(), report);

    // Save as, New, and the saved file opened again: the same job.
    const QString saved = scratch.Path("saved.inp");
    view->SetSaveFileDialog([&] { return saved; });
    trigger("actionSaveAsInputFile");
    trigger("actionFileNew");
    QCOMPARE(Text(view, "editTitle") + Text(view, "editCellA") + view->ReflectionList()->GetItemText(0, 4), QString());
    view->SetOpenFileDialog([&] { return saved; });
    trigger("actionFileOpen");
    QVERIFY(sink.messages.empty());
    QCOMPARE(Text(view, "editTitle") + Text(view, "editCellA"), QString("Cubic test cell a=5.4309  5.4000"));
    const QStringList input = ReadFile(DataFile("cubic.inp")).split('\n');
    for (int row = 0; row < 10; ++row) QCOMPARE(view->job().m_dTwoThetaRaw[row], input[8 + row].split(' ')[3].toDouble());
    QCOMPARE(view->job().m_nReflections, 10);
    QVERIFY(frame->Action("actionRefineExecute")->isEnabled());
    // A file with a field that cannot be read is refused whole, at its
    // place: the form keeps the job it showed.
    const QString shown = view->ReflectionList()->GetItemText(0, 4);
    const QString bad = WriteFile(scratch.Path("bad.inp"), ReadFile(DataFile("cubic.inp")).replace(input[8], input[8].section(' ', 0, 2) + " abc").toLatin1());
    view->SetOpenFileDialog([&] { return bad; });
    sink.messages.clear();
    trigger("actionFileOpen");
    QCOMPARE(sink.messages, std::vector<std::string>{bad.toStdString() + ", line 9: 2theta is not a number: \"" + input[8].section(' ', 0, 2).toStdString() + " abc\" !!!"});
    QCOMPARE(view->ReflectionList()->GetItemText(0, 4) + Text(view, "editTitle"), shown + "Cubic test cell a=5.4309");
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

  // The program's report equals byte for byte the one lattrix-refine writes
  // for the same file and choices, and its messages are the command's
  // standard error: a file with nine decimals in the cell and in 2theta,
  // refined with zero correction and sin2(theta) weights, in the C locale
  // and under a locale with a decimal comma; a file's Manual known
  // corrections, which the form shows rounded and Execute applies at full
  // precision; and silicon values with six decimals, which the silicon list
  // shows with four and the calibration takes whole. A known correction or
  // a silicon value typed that is not a number is refused.
  void sameReportAsTheBatchCommand_data() {
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("kind");
    QTest::newRow("C") << QByteArray("C") << "plain";
    QTest::newRow("German") << QByteArray("de_DE.UTF-8") << "plain";
    QTest::newRow("Manual") << QByteArray("C") << "manual";
    QTest::newRow("Silicon") << QByteArray("C") << "silicon";
  }
  void sameReportAsTheBatchCommand() {
    QFETCH(QByteArray, locale);
    QFETCH(QString, kind);
    Program p;
    const bool manual = kind == "manual", silicon = kind == "silicon";
    QString file = DataFile("nine_decimals.inp");
    const QString known = "\n1\n0.012345 0.067891 45.6789\n#wave";  // Manual: zero, displacement, absorption
    if (manual) file = WriteFile(p.scratch.Path("manual.inp"), ReadFile(Example("quartz.inp")).replace("\n2\n#wave", known).toLatin1());
    if (silicon)
      file = WriteFile(p.scratch.Path("si.inp"), ReadFile(Example("corundum_si_standard.inp")).replace("28.4786", "28.478643").replace("47.3400", "47.340038").toLatin1());
    QStringList args = {"-q", "--report", p.scratch.Path("batch.out"), "--correction"};
    args << (manual ? QStringList{"1"} : QStringList{"3", "--weighting", "1"}) << file;
    QProcess batch;
    batch.start(LATTRIX_REFINE, args);
    QVERIFY(batch.waitForFinished() && batch.exitStatus() == QProcess::NormalExit && batch.exitCode() == 0);
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, locale.constData())) QSKIP("the locale is not installed");
    QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
    QVERIFY(p.view->OpenInputFile(file));
    ClickBox(Find<QRadioButton>(p.view, manual ? "radioManual" : "radioZero"));
    if (!manual) ClickBox(Find<QCheckBox>(p.view, "checkSin2"));
    p.Trigger("actionRefineExecute");
    std::setlocale(LC_ALL, previous.c_str());
    QLocale::setDefault(QLocale::c());
    std::string shown;
    for (const std::string& message : p.sink.messages) shown += message + "\n";
    QCOMPARE(shown, batch.readAllStandardError().toStdString());
    // Both reports, not empty, carry the file's own values.
    const QString report = ReadFile(p.scratch.Path("Lattrix.out"));
    QVERIFY(report.contains(manual ? "   emu  = 45.679 (" : silicon ? "Refined cell dimensions" : "   4.91341 A"));
    QCOMPARE(report, ReadFile(p.scratch.Path("batch.out")));
    if (kind == "plain") return;
    if (manual) {
      QCOMPARE(Text(p.view, "editKnownDisp"), QString("  0.0679"));
      Find<QLineEdit>(p.view, "editKnownZero")->setText("0.01x");
    } else {
      QCOMPARE(p.view->SiliconList()->GetItemText(1, 5), QString(" 47.3400"));
      p.view->SiliconList()->SetItemText(1, 5, "47.34o");
    }
    p.sink.messages.clear();
    p.Trigger("actionRefineExecute");
    QCOMPARE(p.sink.messages, std::vector<std::string>{manual ? "zero of the known corrections is not a number !!!"
                                                              : "2th-obs of row 2 is not a number !!!"});
  }

  // The fitting table and the map of the cubic job, equal to its report,
  // also after another run replaced that report on disk and after a refused
  // Execute (the displays show the last refinement, not a file); the
  // diagnostics of a job whose 4 0 0 lies 0.3 degree off; the CIF of the
  // refined cell.
  void resultDisplays() {
    Program p;
    QVERIFY(p.view->OpenInputFile(DataFile("cubic.inp")));
    p.Trigger("actionRefineExecute");
    const QString report = ReadFile(p.scratch.Path("Lattrix.out"));
    QProcess other;
    other.start(LATTRIX_REFINE, {"-q", "--report", p.scratch.Path("Lattrix.out"), Example("quartz.inp")});
    QVERIFY(other.waitForFinished() && other.exitCode() == 0 && ReadFile(p.scratch.Path("Lattrix.out")) != report);
    p.list->SetItemText(0, 1, "x");
    p.Trigger("actionRefineExecute");
    QCOMPARE(p.sink.messages, std::vector<std::string>{"h of row 1 is not a whole number !!!"});
    p.sink.messages.clear();
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
      // The header shows each column's unit; copies keep the bare names.
      for (int c = 4; c <= 11; ++c)
        QVERIFY(list->horizontalHeaderItem(c)->text().endsWith(c < 9 ? QStringLiteral("\n(\u00b0)") : QStringLiteral("\n(\u00c5)")));
      QCOMPARE(dialog->SumDeltaEdit()->text(), ReportFields(report, "sum delta 2theta").last());
      QCOMPARE(dialog->StdDeltaEdit()->text(), ReportFields(report, "s.d.delta 2theta").last());
    });
    WithModal<CFittingMapDlg>([&] { p.Trigger("actionShowFittingFigure"); }, [&](CFittingMapDlg* dialog) {
      QCOMPARE(dialog->Map().m_nPoints, 10);
      dialog->resize(600, 400);
      ClickBox(dialog->TypeRadio(3));
      QCOMPARE(dialog->Map().m_strYTitle, std::string("d(obs-cal)/A"));
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
      // Save in either style: a white or the navy ground and axes in the
      // style's colour; the window stays dark.
      for (const bool light : {true, false}) {
        const QString path = p.scratch.Path(light ? "light.png" : "dark.png");
        dialog->SetSaveFileDialog([&] { return path; });
        dialog->LightStyleCheck()->setChecked(light);
        dialog->OnSave();
        const QImage saved(path);
        QCOMPARE(saved.size(), QSize(600, 400));
        QCOMPARE(saved.pixelColor(1, 1), light ? QColor(255, 255, 255) : QColor(0, 0, 65));
        int axis = 0;
        for (int x = 0; x < 600; ++x) axis += saved.pixelColor(x, 200) == (light ? QColor(0, 0, 0) : QColor(255, 255, 0));
        QVERIFY2(axis >= 2, qPrintable(QString::number(axis)));
      }
      QCOMPARE(dialog->MapArea()->grab().toImage(), image);
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

    // Show Output File on a report that has gone since the run names the
    // report and the system's reason, as every message about a file does.
    const QString gone = p.scratch.Path("Lattrix.out");
    QVERIFY(p.sink.messages.empty() && QFile::remove(gone));
    p.Trigger("actionShowOutputFile");
    const std::string said = "Output file not open !!!\n" + gone.toStdString() + ": No such file or directory";
    QCOMPARE(p.sink.messages, std::vector<std::string>{said});
  }
};

QTEST_MAIN(Road)
#include "test_road.moc"
