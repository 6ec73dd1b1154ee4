// File > Refine series end to end (dialogs replaced): the table, its sorting,
// copy and CSV, the plot and its image. (The correlation matrix of the
// Diagnostics window is checked on the road of a refinement, test_road.cpp.)
#include <QPointer>
#include <QAbstractButton>
#include <QComboBox>
#include <QTableWidget>

#include "GuiTestSupport.h"
#include "series/SeriesLauncher.h"
#include "series/SeriesTable.h"

using namespace guitest;

namespace {

int Column(QTableWidget* table, const char* name) {
  for (int c = 0; c < table->columnCount(); ++c)
    if (table->horizontalHeaderItem(c)->text() == QLatin1String(name)) return c;
  return -1;
}

}  // namespace

class SeriesWindow : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void refineSortCopySaveAndPlot() {
    Program p;
    const QStringList jobs = {Example("quartz.inp"), Example("corundum_si_standard.inp"),
                              p.scratch.Path("missing.inp"), Example("halite_displacement.inp")};
    WriteFile(p.scratch.Path("x.csv"),
              "file,T_K\nquartz.inp,300\ncorundum_si_standard.inp,250\nmissing.inp,1\nhalite_displacement.inp,400\n");
    auto* launcher = p.frame.findChild<CSeriesLauncher*>("seriesLauncher");
    launcher->SetJobFilesDialog([&] { return jobs; });
    launcher->SetXFileDialog([&] { return p.scratch.Path("x.csv"); });
    Find<QAbstractButton>(p.view, "radioZero")->setChecked(true);
    p.Trigger("actionRefineSeries");
    QTRY_VERIFY(launcher->Window() != nullptr);
    CSeriesWindow* window = launcher->Window();
    QVERIFY(p.sink.messages.empty());

    // Rows in the order chosen, refined with the form's zero correction.
    QTableWidget* table = window->Table();
    QCOMPARE(table->rowCount(), 4);
    const int status = Column(table, "status"), a = Column(table, "a");
    QCOMPARE(table->item(2, status)->text(), QString("refused"));
    QVERIFY(table->item(2, Column(table, "message"))->text().startsWith("Input file not open !!!"));

    // Sorting by a: numbers in order, the refused row last.
    table->sortByColumn(a, Qt::AscendingOrder);
    QVERIFY(table->item(0, a)->text().toDouble() < table->item(1, a)->text().toDouble());
    QVERIFY(table->item(1, a)->text().toDouble() < table->item(2, a)->text().toDouble());
    QCOMPARE(table->item(3, status)->text(), QString("refused"));

    // Copy: the column names, then the selected row as shown, tab-separated.
    table->selectRow(0);
    const QStringList copied = window->CopyText().split('\n', Qt::SkipEmptyParts);
    QVERIFY(copied.size() == 2 && copied[0].split('\t').size() == table->columnCount());
    QCOMPARE(copied[1].split('\t')[a], table->item(0, a)->text());

    // Save as CSV: the batch command's table of the same rows, in job order.
    window->SetSaveTableDialog([&] { return p.scratch.Path("t.csv"); });
    window->OnSaveTable();
    QCOMPARE(ReadFile(p.scratch.Path("t.csv")).toStdString(), lattrix::SeriesTableText(window->Rows()));

    // The plot of the volume against T: one point per refined job.
    window->QuantityBox()->setCurrentIndex(lattrix::kSeriesVolume);
    QVERIFY(window->Plot().xTitle == "T_K" && window->Plot().points.size() == 3);
    QCOMPARE(window->Plot().points[1].sigma, window->Rows()[1].sigma[lattrix::kSeriesVolume]);
    window->SetSavePlotDialog([&] { return p.scratch.Path("v.png"); });
    window->OnSavePlot();
    QCOMPARE(ReadFile(p.scratch.Path("v.png")).mid(1, 3), QString("PNG"));

    // Ctrl+W closes it, as it closes the other result windows.
    QPointer<CSeriesWindow> open(window);
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
    QTRY_VERIFY(open.isNull() || !open->isVisible());
  }
};

QTEST_MAIN(SeriesWindow)
#include "test_series_window.moc"
