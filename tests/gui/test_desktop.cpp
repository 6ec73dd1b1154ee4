// The program as a desktop user meets it: windows that fit a laptop screen
// and a screen at scale factor 2 (the two screens of data/screens.json), the
// keys, the title and the question before changes are lost, the recent
// files after a restart, help inside the program, a job typed on the form,
// the results as text, and marks that stay readable under a dark palette.
// (Manual corrections from the form as the batch command applies them are
// checked with the batch command's other runs in test_road.cpp.)
#include <QAbstractButton>
#include <QClipboard>
#include <QComboBox>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QTableWidget>

#include "GuiTestSupport.h"
#include "displays/DiagnosticsDlg.h"
#include "displays/FittingTableDlg.h"
#include "series/SeriesWindow.h"
#include "ui/MainFrame.h"
#include "ui/RecentFiles.h"

using namespace guitest;

namespace {

// WCAG 2.1 contrast ratio of two colours, from their relative luminance.
double Contrast(const QColor& a, const QColor& b) {
  auto luminance = [](const QColor& c) {
    auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF()) + 0.05;
  };
  return std::max(luminance(a), luminance(b)) / std::min(luminance(a), luminance(b));
}

}  // namespace

class Desktop : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path()); }
  // Each test its own window and working directory; the question before
  // changes are lost is recorded and answered Cancel.
  void init() {
    m_p = std::make_unique<Program>();
    m_frame = &m_p->frame, m_view = m_p->view, m_scratch = &m_p->scratch, m_sink = &m_p->sink;
    m_view->SetSaveChangesPrompt(
        [this](const QString& question) { return m_questions << question, int(QMessageBox::Cancel); });
  }
  void cleanup() { m_p.reset(), m_questions.clear(); }

  // The tallest form (Manual's fields shown): the window and the result
  // windows stay on the screen, and the form scrolls to every part.
  void windowsFitTheScreen_data() {
    QTest::addColumn<QString>("screen");
    QTest::newRow("1366 x 768") << "laptop";
    QTest::newRow("1920 x 1080 at scale factor 2") << "hidpi";
  }
  void windowsFitTheScreen() {
    QFETCH(QString, screen);
    QScreen* target = nullptr;
    for (QScreen* s : QGuiApplication::screens()) target = s->name() == screen ? s : target;
    if (!target) QSKIP("needs the screens of data/screens.json (run by ctest)");
    const QRect room = target->availableGeometry();
    QVERIFY(m_view->OpenInputFile(Example("quartz.inp")));
    m_frame->Action("actionRefineExecute")->trigger();
    Find<QAbstractButton>(m_view, "radioManual")->setChecked(true);
    m_frame->move(room.topLeft());
    m_frame->FitToScreen();
    m_frame->show();
    QVERIFY(room.contains(m_frame->frameGeometry()) && m_frame->rect().contains(m_frame->statusBar()->geometry()));
    for (const char* part : {"listReflection", "editKnownEmu", "listSilicon"}) {
      Find<QScrollArea>(m_frame, "formScrollArea")->ensureWidgetVisible(Find<QWidget>(m_view, part));
      QVERIFY2(!Find<QWidget>(m_view, part)->visibleRegion().isEmpty(), part);
    }
    for (const char* command : {"actionShowFittingTable", "actionShowFittingFigure", "actionShowDiagnostics"}) {
      WithModal<QDialog>([&] { m_frame->Action(command)->trigger(); },
                         [&](QDialog* dialog) { QVERIFY2(room.contains(dialog->frameGeometry()), command); });
    }
    m_frame->Action("actionShowOutputFile")->trigger();
    QVERIFY(room.contains(m_view->ReportViewer()->frameGeometry()));
    CSeriesWindow series({}, QString(), *m_sink, m_frame);
    series.show();
    QVERIFY(room.contains(series.frameGeometry()) &&
            series.rect().contains(series.findChild<QWidget*>("buttonClose")->geometry()));
  }

  // F5 runs Execute; F1 shows the help page in a window of the program;
  // Ctrl+Q asks about a changed job (Cancel keeps it) and quits an unchanged
  // one at once. The title shows the file's name, a literal "[*]" in it, and
  // the mark of a changed form.
  void keysTitleAndQuestion() {
    const QString file = m_scratch->Path("a[*]b.inp");
    QVERIFY(QFile::copy(Example("quartz.inp"), file) && m_view->OpenInputFile(file));
    WriteFile(m_scratch->Path("LattrixHelp.html"), "<html><head><title>Help page</title></head></html>");
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowActive(m_frame));
    QTest::keyClick(m_frame, Qt::Key_F5);
    QVERIFY(QFile::exists(m_scratch->Path("Lattrix.out")));
    QTest::keyClick(m_frame, Qt::Key_F1);
    QVERIFY(m_view->HelpWindow()->isVisible() && m_view->HelpWindow()->windowTitle() == "Help page");
    m_frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_frame));
    QCOMPARE(m_frame->windowHandle()->title(), QString("a[*]b.inp - Lattrix"));
    QTest::keyClicks(Find<QLineEdit>(m_view, "editTitle"), "!");
    QCOMPARE(m_frame->windowHandle()->title(), QString("a[*]b.inp* - Lattrix"));
    QTest::keyClick(m_frame, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(m_frame->isVisible() && m_questions == QStringList{"Save changes to a[*]b.inp?"});
    QTest::keyClick(Find<QLineEdit>(m_view, "editTitle"), Qt::Key_Backspace);
    QVERIFY(!m_frame->isWindowModified());
    QTest::keyClick(m_frame, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!m_frame->isVisible() && m_questions.size() == 1);
  }

  // Files dropped on the window or opened go to the recent list, which a
  // new window reads afresh; a file that is gone is named with the reason
  // and leaves the list.
  void recentFilesSurviveARestart() {
    QMimeData dragged;
    dragged.setUrls({QUrl::fromLocalFile(Example("halite_displacement.inp"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_frame, &enter);
    QApplication::sendEvent(m_frame, &drop);
    QTRY_COMPARE(m_frame->windowTitle(), QString("halite_displacement.inp[*] - Lattrix"));
    const QString gone = m_scratch->Path("gone.inp");
    QVERIFY(QFile::copy(Example("quartz.inp"), gone) && m_view->OpenInputFile(gone));
    QVERIFY(QFile::remove(gone));
    CMainFrame restarted;
    restarted.View()->SetMessageSink(m_sink);
    QCOMPARE(restarted.RecentFileActions()[0]->text(), QString("&1 gone.inp"));
    QCOMPARE(restarted.RecentFileActions()[1]->toolTip(), Example("halite_displacement.inp"));
    restarted.RecentFileActions()[0]->trigger();
    const std::string said = "Input file not open !!!\n" + gone.toStdString() + ": No such file or directory";
    QCOMPARE(m_sink->messages.back(), said);
    QCOMPARE(restarted.RecentFileActions()[0]->toolTip(), Example("halite_displacement.inp"));
  }

  // After File New the form alone makes a job: a title allows saving, a
  // reflection Execute; saved before any refinement, it reads back.
  void jobTypedOnTheForm() {
    QAction* execute = m_frame->Action("actionRefineExecute");
    QAction* save = m_frame->Action("actionSaveAsInputFile");
    QVERIFY(!execute->isEnabled() && !save->isEnabled());
    QTest::keyClicks(Find<QLineEdit>(m_view, "editTitle"), "typed");
    QVERIFY(save->isEnabled() && !execute->isEnabled());
    Find<QComboBox>(m_view, "comboCrystalSystem")->setCurrentIndex(lattrix::kCubic - 1);
    for (const char* cell : {"editCellA", "editCellB", "editCellC", "editCellAlpha", "editCellBeta", "editCellGamma"})
      Find<QLineEdit>(m_view, cell)->setText(QByteArray(cell).size() > 9 ? "90" : "5.4");  // angles, lengths
    const QStringList rows[3] = {{"1", "1", "1", "28.4426"}, {"2", "2", "0", "47.3032"}, {"3", "1", "1", "56.1229"}};
    for (int c = 0; c < 12; ++c) m_view->ReflectionList()->SetItemText(c / 4, c % 4 + 1, rows[c / 4][c % 4]);
    m_view->ReflectionList()->BeginCellEdit(2, 4);
    QTest::keyClick(m_view->ReflectionList()->CellEditor(), Qt::Key_Return);
    QVERIFY(execute->isEnabled());
    m_view->SetSaveFileDialog([&] { return m_scratch->Path("typed.inp"); });
    save->trigger();
    execute->trigger();
    QVERIFY(std::fabs(Text(m_view, "editRefinedA").toDouble() - 5.4309) < 2e-4);
    QVERIFY(m_view->OpenInputFile(m_scratch->Path("typed.inp")) && m_view->job().m_dTwoTheta[2] == 56.1229);
  }

  // Copy results gives the cell in IUCr notation; the fitting table copies
  // the selected rows (Ctrl+C) and saves the whole table, headings first.
  void resultsAsText() {
    QVERIFY(m_view->OpenInputFile(Example("quartz.inp")));
    m_frame->Action("actionRefineExecute")->trigger();
    m_frame->Action("actionCopyResults")->trigger();
    const QString lines = QGuiApplication::clipboard()->text();
    QVERIFY2(lines.contains(QRegularExpression("^a = 4\\.91\\d+\\(\\d+\\) A\n(.*\n){4}gamma = 120 deg\n")), qPrintable(lines));
    WithModal<CFittingTableDlg>([&] { m_view->OnShowFittingTable(); }, [&](CFittingTableDlg* dialog) {
      dialog->FitList()->selectRow(2);
      QTest::keyClick(dialog->FitList(), Qt::Key_C, Qt::ControlModifier);
      const QStringList copied = QGuiApplication::clipboard()->text().split('\n');
      QVERIFY(copied.size() == 3 && copied[0].startsWith("No\th\tk\tl\t2th-org\t"));
      QCOMPARE(copied[1].split('\t')[7], dialog->FitList()->item(2, 7)->text());
      dialog->SetSaveFileDialog([&] { return m_scratch->Path("fit.csv"); });
      dialog->OnSaveCsv();
    });
    const QStringList csv = ReadFile(m_scratch->Path("fit.csv")).split("\r\n");
    QVERIFY(csv.size() == 27 && csv[25].startsWith("25,3,1,0,81.4920,"));  // headings, 25 rows, ""
  }

  // The marks of flagged rows keep a readable text where a dark palette's
  // light text would vanish on them.
  void flaggedRowsReadableUnderADarkPalette() {
    lattrix::DiagnosticsResult result;
    result.rows.resize(2);
    result.rows[0].flags = lattrix::kFlagRstudent;
    result.rows[1].flags = lattrix::kFlagLeverage;
    CDiagnosticsDlg dialog(result);
    for (const QTableWidgetItem* item : {dialog.DiagnosticsList()->item(0, 0), dialog.DiagnosticsList()->item(1, 0)}) {
      const QColor text = item->foreground().style() == Qt::NoBrush ? QColor(230, 230, 230) : item->foreground().color();
      QVERIFY(Contrast(text, item->background().color()) >= 4.5);
    }
  }

 private:
  QTemporaryDir m_settings;
  std::unique_ptr<Program> m_p;
  CMainFrame* m_frame = nullptr;
  CLattrixView* m_view = nullptr;
  ScratchDir* m_scratch = nullptr;
  lattrix::RecordingSink* m_sink = nullptr;
  QStringList m_questions;
};

QTEST_MAIN(Desktop)
#include "test_desktop.moc"
