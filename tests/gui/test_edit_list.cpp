// Editing a grid cell in place by simulated keys and clicks: Enter and a
// click elsewhere store through the owner, who may refuse; Escape drops the
// typed text; Tab stores and walks the editable cells.
#include <QHBoxLayout>

#include "GuiTestSupport.h"

using namespace guitest;

class EditList : public QObject {
  Q_OBJECT

 private Q_SLOTS:
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
};

QTEST_MAIN(EditList)
#include "test_edit_list.moc"
