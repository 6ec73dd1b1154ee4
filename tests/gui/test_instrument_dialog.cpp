// The instrument parameters dialog: the edits it opens with, a double-click
// on the target table, OK with text that does not parse, and Cancel.
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "GuiTestSupport.h"
#include "instrument/InstrumentDlg.h"

using namespace guitest;

namespace {

void DoubleClickCell(QTableWidget* table, int row, int col) {
  const QPoint at = table->visualRect(table->model()->index(row, col)).center();
  // The first click selects the row, as a user's double-click does.
  QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

}  // namespace

class InstrumentDialog : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void opensWithTheJobValues() {
    CInstrumentDlg dialog;
    dialog.m_dWave = lattrix::kDefaultWavelength;
    dialog.m_dRadius = lattrix::kDefaultGonioRadius;
    dialog.show();
    QCOMPARE(dialog.WavelengthEdit()->text(), QString("1.540598"));
    QCOMPARE(dialog.RadiusEdit()->text(), QString(" 185.000"));
    QCOMPARE(dialog.TargetList()->rowCount(), 5);
    QCOMPARE(dialog.TargetList()->item(3, 1)->text(), QString("1.540593"));
  }

  void doubleClickTakesKa1() {
    CInstrumentDlg dialog;
    dialog.m_dWave = 1.5405981;
    dialog.m_dRadius = 185.0;
    dialog.show();
    DoubleClickCell(dialog.TargetList(), 4, 0);  // Mo
    QCOMPARE(dialog.WavelengthEdit()->text(), QString("0.709317"));
    DoubleClickCell(dialog.TargetList(), 3, 3);  // the Kav cell of Cu
    QCOMPARE(dialog.WavelengthEdit()->text(), QString("1.540593"));
    QCOMPARE(dialog.RadiusEdit()->text(), QString(" 185.000"));
    // Below the last row: the edit keeps its text.
    const QRect last = dialog.TargetList()->visualRect(dialog.TargetList()->model()->index(4, 1));
    QTest::mouseDClick(dialog.TargetList()->viewport(), Qt::LeftButton, Qt::NoModifier,
                       QPoint(last.center().x(), last.bottom() + 4));
    QCOMPARE(dialog.WavelengthEdit()->text(), QString("1.540593"));
    dialog.OnOK();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.m_dWave, 1.540593);
  }

  // OK without a change keeps the full-precision value behind the shown
  // text; a text that is not one number is refused and the dialog stays
  // open; a decimal comma reads as a point.
  void okKeepsUnchangedValuesAndRefusesNonNumbers() {
    lattrix::RecordingSink sink;
    CInstrumentDlg dialog(&sink);
    dialog.m_dWave = 1.5405981;
    dialog.m_dRadius = 185.0;
    dialog.show();
    dialog.OnOK();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.m_dWave, 1.5405981);
    dialog.setResult(0);
    dialog.WavelengthEdit()->setText("1.54 abc");
    dialog.RadiusEdit()->setText("200,5");
    QTest::mouseClick(Find<QWidget>(&dialog, "buttonOK"), Qt::LeftButton);
    QCOMPARE(dialog.result(), 0);
    QCOMPARE(sink.messages, std::vector<std::string>{"Wavelength is not a number !!!"});
    QCOMPARE(dialog.m_dWave, 1.5405981);
    QCOMPARE(dialog.m_dRadius, 185.0);
    dialog.WavelengthEdit()->setText(" 0,709317 ");
    dialog.OnOK();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.m_dWave, 0.709317);
    QCOMPARE(dialog.m_dRadius, 200.5);
  }

  // Through the view's command: Cancel leaves the job alone, OK takes the
  // edits.
  void viewCommandCancelAndOk() {
    ScratchDir scratch;
    CLattrixView view;
    view.OnCreate();
    view.OnInitialUpdate();
    auto answer = [](bool ok) {
      QTimer::singleShot(0, [ok] {
        auto* dialog = qobject_cast<CInstrumentDlg*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        QTest::mouseClick(dialog->TargetList()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          dialog->TargetList()->visualRect(dialog->TargetList()->model()->index(4, 1)).center());
        dialog->OnDblclkTargetList();
        if (ok) dialog->OnOK(); else dialog->reject();
      });
    };
    answer(false);
    view.OnSetInstrument();
    QCOMPARE(view.job().m_dWavelength, 1.5405981);
    QCOMPARE(view.job().m_dGonioRadius, 185.0);
    answer(true);
    view.OnSetInstrument();
    QCOMPARE(view.job().m_dWavelength, 0.709317);
    QCOMPARE(view.job().m_dGonioRadius, 185.0);
  }
};

QTEST_MAIN(InstrumentDialog)
#include "test_instrument_dialog.moc"
