// The form for a day's work: refined values to the digit of their s.d.,
// cell fields the crystal system ties, units and the instrument line, the
// stale mark on results of an earlier job, and notes that do not stop the
// user; every change undone and redone, back to the saved job.
#include <QCheckBox>
#include <QComboBox>
#include <QUndoStack>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolButton>
#include <QTest>

#include "GuiTestSupport.h"
#include "instrument/InstrumentDlg.h"
#include "ui/JobForm.h"

using namespace guitest;

namespace {

const char* const kCellFields[6] = {"editCellA", "editCellB", "editCellC", "editCellAlpha", "editCellBeta", "editCellGamma"};

// The decimals a field's text shows.
int Decimals(const QString& text) {
  const QString t = text.trimmed();
  return t.indexOf('.') < 0 ? 0 : int(t.size() - t.indexOf('.') - 1);
}

}  // namespace

class Workday : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // Quartz's a has an s.d. of a few 1e-5 A: its field shows the digit (the
  // fifth decimal, not 0.0000); the value shows as many decimals and the
  // tooltip the IUCr form, value(last digit of the s.d.). Fixed angles keep
  // four decimals.
  void refinedValuesToTheirSdDigit() {
    Program p;
    QVERIFY(p.view->OpenInputFile(Example("quartz.inp")));
    p.Trigger("actionRefineExecute");
    const QString value = Text(p.view, "editRefinedA").trimmed(), sd = Text(p.view, "editSigmaA").trimmed();
    QVERIFY2(sd.startsWith("0.0000") && sd.back() != '0' && sd.size() == 7, qPrintable(sd));
    QCOMPARE(Decimals(value), 5);
    QCOMPARE(Find<QLineEdit>(p.view, "editRefinedA")->toolTip(), value + '(' + sd.back() + ')');
    QCOMPARE(Text(p.view, "editRefinedGamma").trimmed() + Text(p.view, "editSigmaGamma").trimmed(), QString("120.00000.0000"));
    QVERIFY(std::fabs(value.toDouble() - p.view->job().m_dRefinedCell[0]) <= 5e-6);
  }

  // Per crystal system the free fields (1) and those that follow or are
  // fixed (0); a typed a reaches every field it leads, and the gathered
  // cell holds the ties exactly.
  void cellFieldsTheSystemTies() {
    const struct { int system; const char* free; const char* shown; } cases[] = {
        {lattrix::kTriclinic, "111111", "4.5|5|6|80|85|95"},           {lattrix::kMonoclinic, "111010", "4.5|5|6|90.0000|85|90.0000"},
        {lattrix::kOrthorhombic, "111000", "4.5|5|6|90.0000|90.0000|90.0000"}, {lattrix::kHexagonal, "101000", "4.5|4.5|6|90.0000|90.0000|120.0000"},
        {lattrix::kRhombohedral, "100100", "4.5|4.5|4.5|80|80|80"},   {lattrix::kTetragonal, "101000", "4.5|4.5|6|90.0000|90.0000|90.0000"},
        {lattrix::kCubic, "100000", "4.5|4.5|4.5|90.0000|90.0000|90.0000"}};
    for (const auto& c : cases) {
      Program p;
      QVERIFY(p.view->OpenInputFile(DataFile("cubic.inp")));
      auto* combo = Find<QComboBox>(p.view, "comboCrystalSystem");
      combo->setCurrentIndex(lattrix::kTriclinic - 1);
      Q_EMIT combo->activated(combo->currentIndex());
      const char* typed[6] = {"4.5", "5", "6", "80", "85", "95"};
      for (int j = 0; j < 6; ++j) {
        auto* edit = Find<QLineEdit>(p.view, kCellFields[j]);
        edit->selectAll();
        QTest::keyClicks(edit, typed[j]);
      }
      combo->setCurrentIndex(c.system - 1);
      Q_EMIT combo->activated(combo->currentIndex());
      QStringList shown;
      QString free;
      for (const char* field : kCellFields) {
        shown << Text(p.view, field).trimmed();
        free += Find<QLineEdit>(p.view, field)->isEnabled() ? '1' : '0';
      }
      QCOMPARE(free, QString(c.free));
      QCOMPARE(shown.join('|'), QString(c.shown));
      p.Trigger("actionRefineExecute");
      for (int j = 0; j < 6; ++j) QCOMPARE(p.view->job().m_dCell[j], shown[j].toDouble());
    }
  }

  // The instrument line shows the file's wavelength and radius and opens
  // the dialog (seven decimals); after any change the results stay,
  // greyed with a line saying so, until the next Execute.
  void staleResultsAndTheInstrumentLine() {
    Program p;
    QVERIFY(p.view->OpenInputFile(Example("quartz.inp")));
    QCOMPARE(Find<QLineEdit>(p.view, "editTitle")->cursorPosition(), 0);   // the title shows its start
    auto* line = Find<QLabel>(p.view, "labelInstrument");
    QCOMPARE(line->text(), QString::fromUtf8("\u03bb 1.5405981 \u00c5, R 185 mm"));
    QWidget* stale = Find<QWidget>(p.view, "labelStale");
    auto* volume = Find<QLineEdit>(p.view, "editVolume");
    const auto grey = [&] { return volume->palette().color(QPalette::Text) == volume->palette().color(QPalette::Disabled, QPalette::Text); };
    p.Trigger("actionRefineExecute");
    const QString results = Results(p.view);
    QVERIFY(stale->isHidden() && !grey());
    QTest::keyClicks(Find<QLineEdit>(p.view, "editTitle"), "x");
    QVERIFY(!stale->isHidden() && grey() && Results(p.view) == results);
    p.Trigger("actionRefineExecute");
    QVERIFY(stale->isHidden() && !grey());
    WithModal<CInstrumentDlg>([&] { QTest::mouseClick(Find<QWidget>(p.view, "buttonInstrument"), Qt::LeftButton); },
                              [](CInstrumentDlg* dialog) {
                                QCOMPARE(dialog->WavelengthEdit()->text(), QString("1.5405981"));
                                dialog->RadiusEdit()->setText("200.5"), dialog->OnOK();
                              });
    QCOMPARE(line->text(), QString::fromUtf8("\u03bb 1.5405981 \u00c5, R 200.5 mm"));
    QVERIFY(!stale->isHidden() && grey());
    // Esc closes the report window.
    p.Trigger("actionShowOutputFile");
    p.view->ReportViewer()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(p.view->ReportViewer()));
    QTest::keyClick(p.view->ReportViewer(), Qt::Key_Escape);
    QVERIFY(!p.view->ReportViewer()->isVisible());
  }

  // With the program's own boxes: a note after which the work goes on
  // (the reader's, the run's) goes to the message area, its first line in
  // the status bar and its whole text in the Messages list; a refusal is
  // still a box.
  void notesGoToTheMessageArea() {
    const QByteArray head = "Quartz\n2\n1.5405981 185.0\n4\n4.913 4.913 5.405 90 90 120\n";
    const QByteArray rows = "1 0 0 20.85912 1.0\n1 0 1 26.63987 1.0\n";
    const struct { QByteArray file; QStringList notes, boxes; } cases[] = {
        {head + "3\n" + rows + "1 1 0 36.544 1.0\n3\n28.4905\n47.3495\n", {"No Si data found"}, {}},
        {head + "2\n" + rows,
         {"No degrees of freedom !!!\n 2 reflections for 2 refined parameters; the standard deviations are not defined."},
         {}},
        {head + "0\n", {}, {"No reflection data input !!!"}}};
    for (const auto& c : cases) {
      Program p;
      p.view->SetMessageSink(nullptr);
      QStringList boxed;
      QTimer watch;
      QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) boxed << box->text(), box->accept();
      });
      watch.start(0);
      QVERIFY(p.view->OpenInputFile(WriteFile(p.scratch.Path("job.inp"), c.file)));
      p.Trigger("actionRefineExecute");
      QCOMPARE(boxed, c.boxes);
      QCOMPARE(p.view->Notes(), c.notes);
      auto* list = Find<QListWidget>(&p.frame, "messageList");
      QCOMPARE(list->count(), int(c.notes.size()));
      for (int i = 0; i < list->count(); ++i) QCOMPARE(list->item(i)->text(), c.notes[i]);
      if (!c.notes.isEmpty()) QCOMPARE(p.frame.statusBar()->currentMessage(), c.notes.back().section('\n', 0, 0));
      Find<QToolButton>(&p.frame, "messagesButton")->click();
      QVERIFY(!Find<QWidget>(&p.frame, "messagesDock")->isHidden());
    }
  }

  // A day's edits by keyboard and commands, undone with Ctrl+Z in the title
  // field back to the opened file: the form's texts, the job's values at
  // full precision (the file's, not the shown decimals) and no modified
  // mark; then redone with Ctrl+Y. Typing in one field is one step.
  void undoAndRedoEveryChange() {
    Program p;
    p.frame.show();
    p.frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p.frame));
    QVERIFY(p.view->OpenInputFile(Example("quartz.inp")));
    const auto form = [&] {
      QStringList texts = {Text(p.view, "editTitle"), Text(p.view, "editCellA"), Text(p.view, "editCellC"),
                           QString::number(Find<QComboBox>(p.view, "comboCrystalSystem")->currentIndex()),
                           QString::number(Find<QCheckBox>(p.view, "checkSin2")->isChecked())};
      for (int r = 0; r < 12; ++r)
        for (int c = 1; c < p.list->columnCount(); ++c) texts << p.list->GetItemText(r, c);
      return texts.join('|');
    };
    const QString opened = form();
    const lattrix::Job file = p.view->job();
    auto* title = Find<QLineEdit>(p.view, "editTitle");
    QTest::keyClicks(title, " at 300 K");
    QTest::keyClicks(Find<QLineEdit>(p.view, "editCellA"), "1");
    Find<QCheckBox>(p.view, "checkSin2")->click();
    p.list->SelectRow(1);
    p.list->selectionModel()->select(p.list->model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    p.Trigger("actionDeleteRows");
    p.list->SelectCell(0, 4);
    QTest::keyClick(p.list, '2');
    QTest::keyClicks(p.list->CellEditor(), "1.5");
    QTest::keyClick(p.list->CellEditor(), Qt::Key_Return);
    p.Trigger("actionInsertRow");
    const QString edited = form();
    QCOMPARE(p.view->History()->count(), 6);
    QVERIFY(p.frame.isWindowModified());
    title->setFocus();
    for (int k = 0; k < 6; ++k) QTest::keyClick(title, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(form(), opened);
    QVERIFY(!p.frame.isWindowModified());
    QCOMPARE(p.view->job().m_nReflections, file.m_nReflections);
    for (int r = 0; r < file.m_nReflections; ++r) QCOMPARE(p.view->job().m_dTwoTheta[r], file.m_dTwoTheta[r]);
    for (int k = 0; k < 6; ++k) QTest::keyClick(title, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(form(), edited);
    for (int k = 0; k < 6; ++k) p.Trigger("actionEditUndo");
    QCOMPARE(form(), opened);
    p.Trigger("actionRefineExecute");
    const QString fromUndone = Results(p.view);
    QVERIFY(p.view->OpenInputFile(Example("quartz.inp")));
    p.Trigger("actionRefineExecute");
    QCOMPARE(fromUndone, Results(p.view));
    QCOMPARE(p.view->History()->count(), 0);
    // Redo after undo, with the keys the Edit menu names.
    title->end(false);
    QTest::keyClicks(title, "!");
    QTest::keyClick(title, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(!p.frame.isWindowModified());
    QTest::keyClick(title, Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(title->text().endsWith('!') && p.frame.isWindowModified());
  }
};

QTEST_MAIN(Workday)
#include "test_workday.moc"
