// The form and its commands: what Execute gathers from the fields and the
// grid, what it refuses and how it names the cell, rows that move with
// their data, the commands offered in each state of the job with the
// results shown, the instrument dialog and its values in the next run, and
// editing a grid cell, with the mouse and from the keyboard.
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QTest>

#include <cmath>

#include "../core/TestSupport.h"
#include "GuiTestSupport.h"
#include "instrument/InstrumentDlg.h"
#include "job/JobRows.h"
#include "ui/FormBinding.h"
#include "ui/JobForm.h"

using namespace guitest;

namespace {

// Execute with the file size limited to 1000 bytes: the report is cut short
// as on a full disk.
void ExecuteOnAFullDisk(Program& p) {
  lattrix_test::WithFileSizeLimit(1000, [&] { return p.Trigger("actionRefineExecute"), 0; });
}

}  // namespace

class Form : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // Every cell or field that is not one number (h, k, l: one whole number)
  // is refused at Execute with a message naming it; nothing is refined and
  // the job keeps its values. Row -1: the whole row of list row 'col'
  // cleared; row -2: the cell field 'col'. "28.4 1x" stands for both a
  // number with junk after it and two numbers (the core's TypedFields tell
  // them apart): a reader that took a leading number or the first field
  // would accept it.
  void refusalsNameTheCell() {
    const struct { int row, col; const char* text; const char* message; } cases[] = {
        {1, 1, "abc", "h of row 2 is not a whole number !!!"},     {2, 3, "1.5", "l of row 3 is not a whole number !!!"},
        {3, 4, "", "2theta of row 4 is not a number !!!"},         {0, 4, "28.4 1x", "2theta of row 1 is not a number !!!"},
        {-2, 1, "5,4x", "b of the unit cell is not a number !!!"}, {-2, 0, " ", "No cell data input !!!"},
        {-1, 3, "", "Row 4 of the Reflection List is empty, but rows below it are filled !!!"}};
    for (const auto& c : cases) {
      Program p;
      QVERIFY(p.view->OpenInputFile(DataFile("cubic.inp")));
      const lattrix::Job before = p.view->job();
      if (c.row == -2) Find<QLineEdit>(p.view, c.col ? "editCellB" : "editCellA")->setText(c.text);
      for (int col = c.row == -1 ? 1 : c.col; c.row != -2 && col <= (c.row == -1 ? 4 : c.col); ++col)
        p.list->SetItemText(c.row == -1 ? c.col : c.row, col, c.text);
      p.Trigger("actionRefineExecute");
      QCOMPARE(p.sink.messages, std::vector<std::string>{c.message});
      QVERIFY2(!p.view->job().m_bRefined && p.view->job().m_nReflections == 10 && p.view->job().m_dCell[1] == before.m_dCell[1], c.message);
    }
  }

  // The binding alone, without a window: a job shown and gathered back is
  // the same job at full precision (nine decimals behind the four shown);
  // an edited text is parsed, a decimal comma read as a point; an edited
  // cell that is not a number is refused by name and the job keeps its
  // values. Row -1: no edit; row -2: the cell field a.
  void bindingKeepsFullPrecision() {
    const struct { int row, col; const char* text, *expected; } cases[] = {
        {-1, 0, "", "3 1 2 2 5.430912345 28.442612345 47.303212345 56.122912345"},
        {1, 4, " 47,31 ", "3 1 2 2 5.430912345 28.442612345 47.310000000 56.122912345"},
        {-2, 0, "5,4309", "3 1 2 2 5.430900000 28.442612345 47.303212345 56.122912345"},
        {2, 1, "4", "3 1 2 4 5.430912345 28.442612345 47.303212345 56.122912345"},
        {1, 4, "47.3.1", "2theta of row 2 is not a number !!! 3 1 2 2 5.430912345 28.442612345 47.303212345 56.122912345"}};
    for (const auto& c : cases) {
      QWidget host;
      CJobForm form(&host);
      CFormBinding binding(form);
      lattrix::Job job;
      job.m_nCrystalSystem = lattrix::kCubic;
      for (double& length : job.m_dCell) length = 5.430912345;
      const double twoTheta[3] = {28.442612345, 47.303212345, 56.122912345};
      for (int i = 0; i < 3; ++i) lattrix::SetReflection(job, i, 1 + i / 2, 1 + i % 2, 1 + i / 2, twoTheta[i]);
      job.m_nReflections = 3;
      binding.ShowDefaults(job);
      binding.ShowJob(job);
      if (c.row >= 0) form.m_listReflection->SetItemText(c.row, c.col, c.text);
      if (c.row == -2) form.m_editCell[0]->setText(c.text);
      lattrix::RecordingSink sink;
      const bool gathered = binding.CollectJob(job, sink);
      const QString said = sink.messages.empty() ? QString() : QString::fromStdString(sink.messages[0]) + ' ';
      QCOMPARE(gathered, said.isEmpty());
      QCOMPARE(said + QString::asprintf("%d %d %d %d %.9f %.9f %.9f %.9f", job.m_nReflections, job.m_nH[0], job.m_nK[1], job.m_nH[2],
                                        job.m_dCell[0], job.m_dTwoThetaRaw[0], job.m_dTwoThetaRaw[1], job.m_dTwoThetaRaw[2]), QString(c.expected));
    }
  }

  // Add and Delete move a row's file value with it; an added row's typed
  // value stands in for one; a full list refuses Add.
  void rowsMoveWithTheirData() {
    Program p;
    QVERIFY(p.view->OpenInputFile(DataFile("quartz_si.inp")));
    const lattrix::Job& job = p.view->job();
    p.list->SelectRow(1);
    p.view->OnAddRow();
    for (int c = 1; c <= 4; ++c) p.list->SetItemText(1, c, QStringList{"2", "0", "0", "42.5"}[c - 1]);
    QVERIFY(p.view->CollectJob());
    QCOMPARE(std::vector<double>(job.m_dTwoThetaRaw, job.m_dTwoThetaRaw + 7), (std::vector<double>{20.85912, 42.5, 26.63987, 36.54366, 39.46543, 40.29011, 0}));
    p.list->SelectRow(0);
    p.view->OnDeleteRow();
    QCOMPARE(job.m_nReflections, 5);
    QCOMPARE(job.m_dTwoThetaRaw[1], 26.63987);
    QCOMPARE(p.list->GetItemText(0, 4), QString("42.5"));
    QCOMPARE(p.list->GetItemText(49, 0) + p.list->GetItemText(49, 1), QString("50"));
    for (int i = 5; i < 50; ++i) p.list->SetItemText(i, 1, "1"), p.list->SetItemText(i, 4, "30.0");
    p.list->SelectRow(3);
    p.view->OnAddRow();
    QCOMPARE(p.sink.messages, std::vector<std::string>{"Reflection List is full (50 reflections) !!!"});
  }

  // The commands offered after each road through the program, the message
  // of its last step, and the result fields: empty, kept from before the
  // last step, or new. Execute and Save follow a loaded job (Save also a
  // refined one); the result commands follow the last completed refinement,
  // which a refused step keeps and File New, File Open and an undefined
  // result drop.
  void commandStates() {
    enum Shown { kEmpty, kKept, kNew };
    const auto open = [](Program& p) { QVERIFY(p.view->OpenInputFile(DataFile("cubic.inp"))); };
    const auto run = [](Program& p) { p.Trigger("actionRefineExecute"); };
    const auto refined = [&](Program& p) { open(p), run(p); };
    // 'message' is a part of the last step's one message, "" for none.
    using Step = std::function<void(Program&)>;
    const struct {
      const char* what; Step before, last; bool loaded, refined, result; const char* message; Shown results;
    } cases[] = {
        {"empty", [](Program&) {}, [](Program&) {}, false, false, false, "", kEmpty},
        {"loaded", [](Program&) {}, open, true, false, false, "", kEmpty},
        {"refined", open, run, true, true, true, "", kNew},
        {"File New", refined, [](Program& p) { p.Trigger("actionFileNew"); }, false, false, false, "", kEmpty},
        {"another file opened", refined, [](Program& p) { p.view->OpenInputFile(DataFile("quartz_si.inp")); }, true, false, false, "", kEmpty},
        {"the same file opened", refined, open, true, false, false, "", kEmpty},
        {"failed save", refined, [](Program& p) {
           p.view->SetSaveFileDialog([&p] { return p.scratch.Path("no-such-folder/job.inp"); });
           p.Trigger("actionSaveAsInputFile"); }, true, false, true, "cannot created !!!\nNo such file or directory", kKept},
        {"cancelled save", refined, [](Program& p) { p.view->SetSaveFileDialog([] { return QString(); }); p.Trigger("actionSaveAsInputFile"); },
         true, true, true, "", kKept},
        {"form refused", refined, [&](Program& p) { Find<QLineEdit>(p.view, "editCellA")->clear(); run(p); }, true, false, true, "No cell data input !!!", kKept},
        {"Manual refused", refined, [&](Program& p) { ClickBox(Find<QWidget>(p.view, "radioManual")); run(p); }, true, false, true,
         "Manual correction mode not available !!!\n Manual mode applies the known corrections zero, ssd and emu of the job: emu must not be 0.", kKept},
        {"report not created after a refinement", refined, [&](Program& p) {
           p.view->job().m_strReportPath = p.scratch.Path("missing/Lattrix.out").toStdString();
           p.list->SetItemText(0, 4, "28.5");
           run(p); }, true, true, true, "Output file not open !!!\n", kKept},
        {"report cut short after a refinement", refined, [](Program& p) { p.list->SetItemText(0, 4, "28.5"); ExecuteOnAFullDisk(p); },
         true, true, true, "Output file not open !!!\n", kKept},
        {"report cut short on a loaded job", open, ExecuteOnAFullDisk, true, false, false, "Output file not open !!!\n", kKept},
        {"undefined result after a refinement (tetragonal, h k 0 only)", refined, [&](Program& p) {
           Find<QComboBox>(p.view, "comboCrystalSystem")->setCurrentIndex(lattrix::kTetragonal - 1);
           for (int i = 0; i < 10; ++i) p.list->SetItemText(i, 3, "0");
           run(p); }, true, false, false, "Singular normal matrix !!!", kEmpty},
    };
    for (const auto& c : cases) {
      Program p;
      c.before(p);
      const QString before = Results(p.view);
      p.sink.messages.clear();
      c.last(p);
      const QString after = Results(p.view);
      QVERIFY2(p.sink.messages.size() == (*c.message ? 1u : 0u) && (!*c.message || p.sink.messages[0].find(c.message) != std::string::npos), c.what);
      QVERIFY2(p.frame.Action("actionRefineExecute")->isEnabled() == c.loaded, c.what);
      QVERIFY2(p.frame.Action("actionSaveAsInputFile")->isEnabled() == (c.loaded || c.refined), c.what);
      for (const char* name : {"actionShowOutputFile", "actionShowFittingTable", "actionShowFittingFigure",
                               "actionShowDiagnostics", "actionExportCif"})
        QVERIFY2(p.frame.Action(name)->isEnabled() == c.result, qPrintable(QString("%1: %2").arg(c.what, name)));
      for (const char* name : {"actionFileNew", "actionFileOpen", "actionSetInstrument", "actionHelpHtml"}) QVERIFY2(p.frame.Action(name)->isEnabled(), name);
      QVERIFY2(c.results == kEmpty ? after == QString(19, '|') : c.results == kKept ? after == before : after != before && !after.contains("||"), c.what);
    }
  }

  // OK without a change keeps the full-precision value behind the shown
  // text; a text that is not one number is refused and the dialog stays
  // open; a decimal comma reads as a point.
  void instrumentDialog() {
    lattrix::RecordingSink sink;
    CInstrumentDlg dialog(1.5405981, 185.0, &sink);
    dialog.show();
    dialog.OnOK();
    QVERIFY(dialog.result() == QDialog::Accepted && dialog.Wavelength() == 1.5405981);
    dialog.setResult(0);
    dialog.WavelengthEdit()->setText("1.54 abc");
    dialog.RadiusEdit()->setText("200,5");
    QTest::mouseClick(Find<QWidget>(&dialog, "buttonOK"), Qt::LeftButton);
    QVERIFY(dialog.result() == 0 && dialog.Wavelength() == 1.5405981);
    QCOMPARE(sink.messages, std::vector<std::string>{"Wavelength is not a number !!!"});
    dialog.WavelengthEdit()->setText(" 0,709317 ");
    dialog.OnOK();
    QVERIFY(dialog.result() == QDialog::Accepted && dialog.Wavelength() == 0.709317 && dialog.Radius() == 200.5);
  }

  // Set instrument, then Execute: the run takes the dialog's values. The
  // observed 2theta and the displacement's shift of them stay, so a scales
  // with the wavelength and the refined ssd with the radius.
  void instrumentValuesReachTheRun() {
    Program p;
    QVERIFY(p.view->OpenInputFile(Example("halite_displacement.inp")));
    ClickBox(Find<QWidget>(p.view, "radioDisplacement"));
    p.Trigger("actionRefineExecute");
    const lattrix::Job cu = p.view->job();
    WithModal<CInstrumentDlg>([&] { p.Trigger("actionSetInstrument"); }, [](CInstrumentDlg* dialog) {
      dialog->WavelengthEdit()->setText("0.7093171"), dialog->RadiusEdit()->setText("370");
      dialog->OnOK();
    });
    p.Trigger("actionRefineExecute");
    const lattrix::Job& mo = p.view->job();
    QVERIFY(cu.m_bRefined && mo.m_bRefined && cu.m_nCorrection == lattrix::kDisplacement && cu.m_dDisp > 0.1);
    QVERIFY(std::fabs(mo.m_dRefinedCell[0] / cu.m_dRefinedCell[0] - 0.7093171 / 1.5405981) < 1e-12);
    QVERIFY(std::fabs(mo.m_dDisp / cu.m_dDisp - 2.0) < 1e-9);
    QVERIFY(ReadFile(QString::fromStdString(mo.m_strReportPath)).contains(" 0.709317 A"));
  }

  // Editing a grid cell in place: Enter and a click elsewhere store through
  // the owner, who may refuse; Escape drops the typed text; Tab and Backtab
  // store and walk the editable cells.
  void endingsOfAnEdit() {
    const struct { const char* keys; int end; bool accept; QString text, offers; QPoint next; } cases[] = {
        {"31.5", Qt::Key_Return, true, "31.5", "2,2:31.5", {-1, -1}},  {"9", Qt::Key_Escape, true, " 22.0000", "", {-1, -1}},
        {"5", Qt::Key_Return, false, " 22.0000", "2,2:5", {-1, -1}},   {"77", 0, true, "77", "2,2:77", {-1, -1}},
        {"4", Qt::Key_Tab, true, "4", "2,2:4", {3, 1}},                {"6", Qt::Key_Backtab, true, "6", "2,2:6", {2, 1}},
    };
    for (const auto& c : cases) {
      QStringList offers;  // outlives the window, whose closing may still commit
      QWidget window;
      auto* layout = new QHBoxLayout(&window);
      auto* list = new CEditListCtrl(&window);
      auto* other = new QLineEdit(&window);
      layout->addWidget(list), layout->addWidget(other);
      list->SetColumns({"No", " h", "2theta"}, {30, 35, 65});
      list->SetRowCountEmpty(10);
      for (int i = 0; i < 10; ++i) list->SetItemText(i, 1, QString::number(i)), list->SetItemText(i, 2, QString::asprintf("%8.4f", 20.0 + i));
      list->SetEndLabelEditHandler([&](int row, int col, QString& text) { return offers.append(QString("%1,%2:%3").arg(row).arg(col).arg(text)), c.accept; });
      window.show();
      QApplication::setActiveWindow(&window);
      QVERIFY(QTest::qWaitForWindowActive(&window));
      QVERIFY(list->BeginCellEdit(2, 2));
      QTest::keyClicks(list->CellEditor(), c.keys);
      if (c.end) QTest::keyClick(list->CellEditor(), Qt::Key(c.end));
      else QTest::mouseClick(other, Qt::LeftButton);
      QTRY_COMPARE(list->IsEditing() ? QPoint(list->EditRow(), list->EditCol()) : QPoint(-1, -1), c.next);
      QCOMPARE(list->GetItemText(2, 2), c.text);
      QCOMPARE(offers.join(' '), c.offers);
    }
  }

  // The grid from the keyboard, from cell (0, h): the current cell after
  // the keys (never the "No" column), the texts offered to the owner, and
  // what Ctrl+C puts on the clipboard.
  void gridFromTheKeyboard() {
    const struct { const char* keys; QPoint cell; const char* offers; const char* copied; } cases[] = {
        {"Down Down Right", {2, 2}, "", ""},          {"Left Up", {0, 1}, "", ""},
        {"Down 7 Enter", {2, 1}, "1,1:7", ""},        {"F2 5 Enter", {1, 1}, "0,1:05", ""},
        {"Right F2 Escape", {0, 2}, "", ""},          {"Down Delete", {1, 1}, "1,1:", ""},
        {"Tab Tab Tab", {1, 2}, "", ""},              {"Down Backtab", {0, 2}, "", ""},
        {"Down S-Down C-c", {2, 1}, "", "1\t21.0\n2\t22.0\n"}, {"Right 9 Enter", {1, 2}, "0,2:9", ""},
    };
    const QMap<QString, QPair<int, Qt::KeyboardModifiers>> keys = {
        {"Down", {Qt::Key_Down, {}}},     {"Up", {Qt::Key_Up, {}}},          {"Left", {Qt::Key_Left, {}}},
        {"Right", {Qt::Key_Right, {}}},   {"F2", {Qt::Key_F2, {}}},          {"Enter", {Qt::Key_Return, {}}},
        {"Escape", {Qt::Key_Escape, {}}}, {"Delete", {Qt::Key_Delete, {}}},  {"Tab", {Qt::Key_Tab, {}}},
        {"Backtab", {Qt::Key_Backtab, Qt::ShiftModifier}}, {"S-Down", {Qt::Key_Down, Qt::ShiftModifier}},
        {"C-c", {Qt::Key_C, Qt::ControlModifier}}};
    for (const auto& c : cases) {
      QStringList offers;
      QWidget window;
      auto* list = new CEditListCtrl(&window);
      (new QHBoxLayout(&window))->addWidget(list);
      list->SetColumns({"No", " h", "2theta"}, {30, 35, 65});
      list->SetRowCountEmpty(4);
      for (int i = 0; i < 4; ++i) list->SetItemText(i, 1, QString::number(i)), list->SetItemText(i, 2, QString(" 2%1.0").arg(i));
      list->SetEndLabelEditHandler([&](int row, int col, QString& text) { return offers.append(QString("%1,%2:%3").arg(row).arg(col).arg(text)), true; });
      window.show();
      QApplication::setActiveWindow(&window);
      QVERIFY(QTest::qWaitForWindowActive(&window));
      list->SelectCell(0, 1);
      list->setFocus();
      QApplication::clipboard()->clear();
      for (const QString& key : QString(c.keys).split(' ')) {
        if (keys.contains(key)) QTest::keyClick(QApplication::focusWidget(), Qt::Key(keys[key].first), keys[key].second);
        else QTest::keyClicks(QApplication::focusWidget(), key);
      }
      QCOMPARE(QPoint(list->currentRow(), list->currentColumn()), c.cell);
      QCOMPARE(list->IsEditing(), false);
      QCOMPARE(offers.join(' '), QString(c.offers));
      QCOMPARE(QApplication::clipboard()->text(), QString(c.copied));
      if (QString(c.offers).endsWith(':')) QCOMPARE(list->GetItemText(1, 1), QString());
    }
  }
};

QTEST_MAIN(Form)
#include "test_form.moc"
