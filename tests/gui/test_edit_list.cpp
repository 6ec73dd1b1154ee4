// Editing a grid cell in place by simulated clicks and keys: a click on the
// selected row opens the editor with the text selected; Enter, Tab and a
// click elsewhere store through the owner, who may refuse; Escape drops the
// typed text; Tab walks the editable cells; the editor follows its cell.
#include <QHBoxLayout>
#include <QScrollBar>

#include "GuiTestSupport.h"

using namespace guitest;

class EditList : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    m_window = std::make_unique<QWidget>();
    auto* layout = new QHBoxLayout(m_window.get());
    layout->addWidget(m_list = new CEditListCtrl(m_window.get()));
    layout->addWidget(m_other = new QLineEdit(m_window.get()));
    m_list->SetColumns({"No", " h", "2theta"}, {30, 35, 65});
    m_list->SetRowCountEmpty(40);
    for (int i = 0; i < 40; ++i)
      m_list->SetItemText(i, 0, QString::number(i + 1)), m_list->SetItemText(i, 1, QString::number(i % 5)), m_list->SetItemText(i, 2, QString::asprintf("%8.4f", 20.0 + i));
    m_offers.clear();
    m_accept = true;
    m_list->SetEndLabelEditHandler([this](int row, int col, QString& text) {
      m_offers.append(QString("%1,%2:%3").arg(row).arg(col).arg(text));
      return m_accept;
    });
    m_window->resize(300, 300);
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
  }
  void cleanup() { m_window.reset(); }

  void clickOnTheSelectedRowOpensTheEditor() {
    const QPoint cell = m_list->visualRect(m_list->model()->index(2, 2)).center();
    QTest::mouseClick(m_list->viewport(), Qt::LeftButton, Qt::NoModifier, cell);
    QVERIFY(!m_list->IsEditing() && m_list->GetFirstSelectedRow() == 2);
    QTest::mouseClick(m_list->viewport(), Qt::LeftButton, Qt::NoModifier, cell);
    QVERIFY(m_list->IsEditing() && m_list->CellEditor()->hasFocus());
    QCOMPARE(m_list->CellEditor()->selectedText(), QString(" 22.0000"));
    m_list->verticalScrollBar()->setValue(m_list->verticalScrollBar()->value() + 2);
    QCOMPARE(m_list->CellEditor()->geometry(), m_list->GetCellEditRect(2, 2));
  }

  // Each row: the keys typed into the cell (2, 2) and how the edit ends,
  // the owner's answer, the cell's text after it and what was offered.
  void endingsOfAnEdit() {
    const struct { const char* keys; std::function<void(EditList*)> end; bool accept; QString text, offers; } cases[] = {
        {"31.5", [](EditList* t) { QTest::keyClick(t->m_list->CellEditor(), Qt::Key_Return); }, true, "31.5", "2,2:31.5"},
        {"9", [](EditList* t) { QTest::keyClick(t->m_list->CellEditor(), Qt::Key_Escape); }, true, " 22.0000", ""},
        {"5", [](EditList* t) { QTest::keyClick(t->m_list->CellEditor(), Qt::Key_Return); }, false, " 22.0000", "2,2:5"},
        {"77", [](EditList* t) { QTest::mouseClick(t->m_other, Qt::LeftButton); QTRY_VERIFY(!t->m_list->IsEditing()); }, true, "77", "2,2:77"},
        {"88", [](EditList* t) { QTest::mouseClick(t->m_list->viewport(), Qt::LeftButton, Qt::NoModifier, t->m_list->visualRect(t->m_list->model()->index(1, 1)).center()); },
         true, "88", "2,2:88"},
    };
    for (const auto& c : cases) {
      init();
      m_accept = c.accept;
      QVERIFY(m_list->BeginCellEdit(2, 2));
      QTest::keyClicks(m_list->CellEditor(), c.keys);
      c.end(this);
      QVERIFY2(!m_list->IsEditing(), c.keys);
      QCOMPARE(m_list->GetItemText(2, 2), c.text);
      QCOMPARE(m_offers.join(' '), c.offers);
    }
  }

  // Tab stores and moves to the next editable cell ("No" is skipped),
  // Backtab back.
  void tabWalksTheCells() {
    QVERIFY(m_list->BeginCellEdit(6, 1));
    QTest::keyClicks(m_list->CellEditor(), "4");
    QTest::keyClick(m_list->CellEditor(), Qt::Key_Tab);
    QCOMPARE(m_list->GetItemText(6, 1), QString("4"));
    QCOMPARE(QPoint(m_list->EditRow(), m_list->EditCol()), QPoint(6, 2));
    QTest::keyClick(m_list->CellEditor(), Qt::Key_Tab);
    QCOMPARE(QPoint(m_list->EditRow(), m_list->EditCol()), QPoint(7, 1));
    QTest::keyClick(m_list->CellEditor(), Qt::Key_Backtab);
    QCOMPARE(QPoint(m_list->EditRow(), m_list->EditCol()), QPoint(6, 2));
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
