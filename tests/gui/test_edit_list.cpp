// Editing the cells of the form's lists in place, by simulated clicks and
// keys: a click on the selected row opens the editor with the text
// selected; Enter, Tab and a click elsewhere store through the owner;
// Escape drops the typed text; the editor stays on its cell while the list
// scrolls.
#include <QHBoxLayout>
#include <QScrollBar>
#include <QTest>

#include "GuiTestSupport.h"

using namespace guitest;

class EditList : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    m_window = std::make_unique<QWidget>();
    auto* layout = new QHBoxLayout(m_window.get());
    m_list = new CEditListCtrl(m_window.get());
    m_other = new QLineEdit(m_window.get());
    layout->addWidget(m_list);
    layout->addWidget(m_other);
    m_list->SetColumns({"No", " h", "2theta"}, {30, 35, 65});
    m_list->SetRowCountEmpty(40);
    for (int i = 0; i < 40; ++i) {
      m_list->SetItemText(i, 0, QString::number(i + 1));
      m_list->SetItemText(i, 1, QString::number(i % 5));
      m_list->SetItemText(i, 2, QString::asprintf("%8.4f", 20.0 + i));
    }
    m_offers.clear();
    m_list->SetEndLabelEditHandler([this](int row, int col, QString& text) {
      m_offers.append(QString("%1,%2:%3").arg(row).arg(col).arg(text));
      return m_accept;
    });
    m_window->resize(300, 300);
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_accept = true;
  }
  void cleanup() { m_window.reset(); }

  void clickOnSelectedRowOpensEditorWithTextSelected() {
    ClickCell(m_list, 2, 2);
    QVERIFY(!m_list->IsEditing());
    QCOMPARE(m_list->GetFirstSelectedRow(), 2);
    ClickCell(m_list, 2, 2);
    QVERIFY(m_list->IsEditing());
    QCOMPARE(m_list->CellEditor()->text(), QString(" 22.0000"));
    QCOMPARE(m_list->CellEditor()->selectedText(), QString(" 22.0000"));
    QVERIFY(m_list->CellEditor()->hasFocus());
    QCOMPARE(m_list->CellEditor()->geometry(), m_list->GetCellEditRect(2, 2));
  }

  void enterStoresThroughTheOwner() {
    QVERIFY(m_list->BeginCellEdit(2, 2));
    QTest::keyClicks(m_list->CellEditor(), "31.5");
    QTest::keyClick(m_list->CellEditor(), Qt::Key_Return);
    QVERIFY(!m_list->IsEditing());
    QCOMPARE(m_list->GetItemText(2, 2), QString("31.5"));
    QCOMPARE(m_offers, QStringList{"2,2:31.5"});
    QCOMPARE(m_list->GetFirstSelectedRow(), 2);
    QVERIFY(m_list->hasFocus());
    // An unchanged text is offered and stored again.
    QVERIFY(m_list->BeginCellEdit(2, 2));
    QTest::keyClick(m_list->CellEditor(), Qt::Key_Enter);
    QCOMPARE(m_offers.size(), 2);
  }

  void escapeDropsTheTypedText() {
    QVERIFY(m_list->BeginCellEdit(3, 1));
    QTest::keyClicks(m_list->CellEditor(), "9");
    QTest::keyClick(m_list->CellEditor(), Qt::Key_Escape);
    QVERIFY(!m_list->IsEditing());
    QCOMPARE(m_list->GetItemText(3, 1), QString("3"));
    QVERIFY(m_offers.isEmpty());
  }

  void clickElsewhereStores() {
    QVERIFY(m_list->BeginCellEdit(4, 2));
    QTest::keyClicks(m_list->CellEditor(), "77");
    QTest::mouseClick(m_other, Qt::LeftButton);
    QTRY_VERIFY(!m_list->IsEditing());
    QCOMPARE(m_list->GetItemText(4, 2), QString("77"));
    // A click on another cell of the list stores as well.
    QVERIFY(m_list->BeginCellEdit(5, 2));
    QTest::keyClicks(m_list->CellEditor(), "88");
    ClickCell(m_list, 1, 1);
    QCOMPARE(m_list->GetItemText(5, 2), QString("88"));
  }

  void ownerMayRefuse() {
    m_accept = false;
    QVERIFY(m_list->BeginCellEdit(1, 1));
    QTest::keyClicks(m_list->CellEditor(), "5");
    QTest::keyClick(m_list->CellEditor(), Qt::Key_Return);
    QCOMPARE(m_offers, QStringList{"1,1:5"});
    QCOMPARE(m_list->GetItemText(1, 1), QString("1"));
  }

  void tabMovesToTheNextCell() {
    QVERIFY(m_list->BeginCellEdit(6, 1));
    QTest::keyClicks(m_list->CellEditor(), "4");
    QTest::keyClick(m_list->CellEditor(), Qt::Key_Tab);
    QCOMPARE(m_list->GetItemText(6, 1), QString("4"));
    QVERIFY(m_list->IsEditing());
    QCOMPARE(m_list->EditRow(), 6);
    QCOMPARE(m_list->EditCol(), 2);
    // From the last column to the h of the next row ("No" is skipped).
    QTest::keyClick(m_list->CellEditor(), Qt::Key_Tab);
    QCOMPARE(m_list->EditRow(), 7);
    QCOMPARE(m_list->EditCol(), 1);
    QTest::keyClick(m_list->CellEditor(), Qt::Key_Backtab);
    QCOMPARE(m_list->EditRow(), 6);
    QCOMPARE(m_list->EditCol(), 2);
  }

  void arrowsDoNothingWithoutEditor() {
    ClickCell(m_list, 2, 1);
    QTest::keyClick(m_list, Qt::Key_Down);
    QTest::keyClick(m_list, Qt::Key_PageDown);
    QCOMPARE(m_list->GetFirstSelectedRow(), 2);
    QVERIFY(!m_list->IsEditing());
  }

  void doubleClickOpensEditor() {
    QTest::mouseDClick(m_list->viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(m_list, 8, 1));
    QVERIFY(m_list->IsEditing());
    QCOMPARE(m_list->EditRow(), 8);
    QCOMPARE(m_list->EditCol(), 1);
  }

  void editorFollowsItsCellWhenScrolling() {
    QVERIFY(m_list->BeginCellEdit(3, 2));
    const QRect before = m_list->CellEditor()->geometry();
    m_list->verticalScrollBar()->setValue(m_list->verticalScrollBar()->value() + 2);
    QVERIFY(m_list->CellEditor()->geometry() != before);
    QCOMPARE(m_list->CellEditor()->geometry(), m_list->GetCellEditRect(3, 2));
    QVERIFY(m_list->IsEditing());
  }

 private:
  std::unique_ptr<QWidget> m_window;
  CEditListCtrl* m_list = nullptr;
  QLineEdit* m_other = nullptr;
  QStringList m_offers;
  bool m_accept = true;
};

QTEST_MAIN(EditList)
#include "test_edit_list.moc"
