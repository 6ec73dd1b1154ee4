// Peak lists on the form: File > Import reflections with its dialog, Ctrl+V
// of rows copied from a spreadsheet, the esd column and the esd weighting.
// The truth is the batch command run with QProcess on the same job file and
// table (its own tests check its reading and assignment against the quartz
// job file's h k l): the program's report must equal its report byte for byte.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include "GuiTestSupport.h"
#include "ui/ImportReflectionsDlg.h"

using namespace guitest;

namespace {

// lattrix-refine quartz.inp --reflections TABLE with `options`; its report.
QString BatchReport(const Program& p, const QString& table, const QStringList& options = {}) {
  QProcess batch;
  batch.start(LATTRIX_REFINE, QStringList{"-q", "--report", p.scratch.Path("batch.out"), Example("quartz.inp"),
                                          "--reflections", table} + options);
  if (!batch.waitForFinished() || batch.exitCode() != 0) return "batch failed: " + batch.readAllStandardError();
  return ReadFile(p.scratch.Path("batch.out"));
}

// Lines first..last (from 1) of a text, each ending in a line feed.
QString Lines(const QString& text, int first, int last) {
  return text.split('\n').mid(first - 1, last - first + 1).join('\n') + '\n';
}

}  // namespace

class PeakLists : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // The quartz job and its peak table (no h k l): the dialog shows the 25
  // peaks assigned, fewer under I centring (quartz is primitive), and after
  // OK the run equals the batch command's. Cancel changes nothing.
  void importMatchesTheBatchCommand() {
    Program p;
    QVERIFY(p.view->OpenInputFile(Example("quartz.inp")));
    p.view->SetImportFileDialog([] { return Example("quartz_peaks.txt"); });
    p.list->SelectRow(0);
    Find<QPushButton>(p.view, "buttonDelete")->click();
    const QStringList before = {p.list->GetItemText(3, 4), QString::number(p.view->job().m_nReflections)};
    QTimer::singleShot(0, [] { qobject_cast<QDialog*>(QApplication::activeModalWidget())->reject(); });
    p.Trigger("actionImportReflections");
    QCOMPARE((QStringList{p.list->GetItemText(3, 4), QString::number(p.view->job().m_nReflections)}), before);
    QVERIFY(before[1] == "24" && p.view->IsModified());
    WithModal<CImportReflectionsDlg>([&] { p.Trigger("actionImportReflections"); }, [](CImportReflectionsDlg* d) {
      QVERIFY(!d->UnitsBox()->isEnabled() && d->PeakTable()->rowCount() == 25);
      QVERIFY(d->Preview().assigned.size() == 25 && d->AssignmentTable()->item(0, 2)->text() == "1 0 0");
      d->CentringBox()->setCurrentText("I");
      QVERIFY(d->Preview().assigned.size() < 25 && !d->Preview().leftOut.empty());
      d->CentringBox()->setCurrentText("P");
    });
    QVERIFY(p.sink.messages.empty() && p.view->job().m_nReflections == 25 && p.list->GetItemText(0, 1) == "  1");
    p.Trigger("actionRefineExecute");
    QCOMPARE(ReadFile(p.scratch.Path("Lattrix.out")), BatchReport(p, Example("quartz_peaks.txt")));

    // A list of d without a header, read as 2theta first: nothing to take
    // until the units say d; then the zero correction gives way to none.
    QString d;
    for (const QString& line : Lines(ReadFile(Example("quartz_peaks.txt")), 2, 26).split('\n', Qt::SkipEmptyParts))
      d += line.section('\t', 4, 4) + '\n';
    p.view->SetImportFileDialog([&] { return WriteFile(p.scratch.Path("d.txt"), d.toUtf8()); });
    ClickBox(Find<QRadioButton>(p.view, "radioZero"));
    WithModal<CImportReflectionsDlg>([&] { p.Trigger("actionImportReflections"); }, [](CImportReflectionsDlg* dlg) {
      QVERIFY(dlg->UnitsBox()->isEnabled() && !dlg->Refusal().isEmpty() && dlg->NoteLabel()->text().isEmpty());
      dlg->UnitsBox()->setCurrentIndex(1);
      QVERIFY(dlg->Refusal().isEmpty() && dlg->Preview().assigned.size() == 25 && !dlg->NoteLabel()->text().isEmpty());
    });
    QVERIFY(Find<QRadioButton>(p.view, "radioNoCorrection")->isChecked() && p.list->GetItemText(24, 1) == "  3");
  }

  // Rows copied from a spreadsheet (tabs): with h k l from the third row
  // down, without h k l from the first, and as d (the form's zero
  // correction gives way to none); the run equals the batch command's on
  // the whole table.
  void pasteMatchesTheBatchCommand_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("table");
    QString indexed = "h\tk\tl\t2theta\n";
    for (const QString& line : Lines(ReadFile(Example("quartz.inp")), 13, 22).split('\n', Qt::SkipEmptyParts))
      indexed += line.section(' ', 0, 3).replace(' ', '\t') + '\n';
    const QString peaks = ReadFile(Example("quartz_peaks.txt"));
    QString d = "d-spacing\n";
    for (const QString& line : Lines(peaks, 2, 12).split('\n', Qt::SkipEmptyParts)) d += line.section('\t', 4, 4) + '\n';
    QTest::newRow("indexed") << 2 << Lines(indexed, 1, 1) + Lines(indexed, 4, 11) << indexed;
    QTest::newRow("unindexed") << 0 << Lines(peaks, 1, 9) << Lines(peaks, 1, 9);
    QTest::newRow("d") << 0 << d << d;
  }
  void pasteMatchesTheBatchCommand() {
    QFETCH(int, row);
    QFETCH(QString, pasted);
    QFETCH(QString, table);
    Program p;
    QVERIFY(p.view->OpenInputFile(Example("quartz.inp")));
    ClickBox(Find<QRadioButton>(p.view, "radioZero"));
    p.list->SelectRow(row);
    QApplication::clipboard()->setText(pasted);
    QTest::keyClick(p.list, Qt::Key_V, Qt::ControlModifier);
    QVERIFY(p.sink.messages.empty());
    const bool d = table.startsWith('d');
    QCOMPARE(Find<QRadioButton>(p.view, "radioNoCorrection")->isChecked(), d);
    p.Trigger("actionRefineExecute");
    const QString file = WriteFile(p.scratch.Path("table.txt"), table.toUtf8());
    QCOMPARE(ReadFile(p.scratch.Path("Lattrix.out")), BatchReport(p, file, {"--correction", d ? "2" : "3"}));
  }

  // A paste that does not read, or with a peak no reflection explains,
  // changes nothing and says why.
  void refusedPasteChangesNothing() {
    Program p;
    QVERIFY(p.view->OpenInputFile(Example("quartz.inp")));
    const QStringList state = {p.list->GetItemText(0, 4), p.list->GetItemText(2, 1), p.list->GetItemText(25, 4)};
    QVERIFY(!p.view->PasteReflections("20.86\tabc\n"));
    QVERIFY(!p.view->PasteReflections("20.8600\n22.0000\n"));
    QCOMPARE(p.sink.messages.size(), size_t(2));
    QVERIFY(QString::fromStdString(p.sink.messages[0]).startsWith("the pasted rows, line 1"));
    QVERIFY(QString::fromStdString(p.sink.messages[1]).contains("line 2, 2theta 22.0000: no reflection"));
    QCOMPARE((QStringList{p.list->GetItemText(0, 4), p.list->GetItemText(2, 1), p.list->GetItemText(25, 4)}), state);
    QVERIFY(!p.view->IsModified() && p.view->job().m_nReflections == 25);
    // In a cell being edited Ctrl+V pastes text into that cell.
    QApplication::clipboard()->setText("20.8612");
    QVERIFY(p.list->BeginCellEdit(0, 4));
    QTest::keyClick(p.list->CellEditor(), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(p.list->CellEditor(), Qt::Key_Return);
    QVERIFY(p.list->GetItemText(0, 4) == "20.8612" && !p.list->GetItemText(24, 4).isEmpty());
  }

  // esd's from value(esd) fields: the esd weighting on the form refines as
  // --weighting esd does; the esd's survive Save as and a typed esd must be
  // a number of 0 or more.
  void esdWeightingMatchesTheBatchCommand() {
    Program p;
    QVERIFY(p.view->OpenInputFile(Example("quartz.inp")));
    const QString table = "h k l 2theta\n1 0 0 20.8602(8)\n1 0 1 26.6437(5)\n1 1 0 36.5441(12)\n1 0 2 39.4708(9)\n"
                          "1 1 1 40.2921(6)\n2 0 0 42.4519(10)\n";
    QVERIFY(p.view->PasteReflections(table));
    QCOMPARE(p.list->GetItemText(2, 5), QString("0.0012"));
    ClickBox(Find<QCheckBox>(p.view, "checkEsd"));
    QVERIFY(!Find<QCheckBox>(p.view, "checkUnity")->isChecked());
    p.Trigger("actionRefineExecute");
    const QString file = WriteFile(p.scratch.Path("esd.txt"), table.toUtf8());
    QCOMPARE(ReadFile(p.scratch.Path("Lattrix.out")), BatchReport(p, file, {"--weighting", "esd"}));
    QVERIFY(p.view->SaveInputFileAs(p.scratch.Path("esd.inp")) && p.view->OpenInputFile(p.scratch.Path("esd.inp")));
    QCOMPARE(p.view->job().m_dEsd[2], 0.0012);
    p.list->SetItemText(1, 5, "-0.001");
    p.Trigger("actionRefineExecute");
    QCOMPARE(p.sink.messages, std::vector<std::string>{"esd of row 2 is not a number of 0 or more !!!"});
  }
};

QTEST_MAIN(PeakLists)
#include "test_peak_lists.moc"
