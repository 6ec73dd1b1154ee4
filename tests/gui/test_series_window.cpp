// File > Refine series end to end (dialogs replaced): the table, its sorting,
// copy and CSV, the plot and its image; and the correlation matrix of the
// Diagnostics window.
#include <QAbstractButton>
#include <QComboBox>
#include <QTableWidget>

#include <cmath>

#include "GuiTestSupport.h"
#include "displays/DiagnosticsDlg.h"
#include "series/SeriesLauncher.h"
#include "series/SeriesTable.h"
#include "ui/MainFrame.h"

using namespace guitest;

namespace {

QString Example(const char* name) { return QStringLiteral(LATTRIX_GUI_TEST_DATA "/../../../examples/") + name; }

int Column(QTableWidget* table, const char* name) {
  for (int c = 0; c < table->columnCount(); ++c)
    if (table->horizontalHeaderItem(c)->text() == QLatin1String(name)) return c;
  return -1;
}

}  // namespace

class SeriesWindow : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    m_scratch = std::make_unique<ScratchDir>();
    m_frame = std::make_unique<CMainFrame>();
    m_view = m_frame->View();
    m_view->SetMessageSink(&m_sink);
    m_view->OnCreate();
    m_view->OnInitialUpdate();
  }
  void cleanup() {
    m_frame.reset();
    m_scratch.reset();
    m_sink = lattrix::RecordingSink();
  }

  void refineSortCopySaveAndPlot() {
    const QStringList jobs = {Example("quartz.inp"), Example("corundum_si_standard.inp"),
                              m_scratch->Path("missing.inp"), Example("halite_displacement.inp")};
    WriteFile(m_scratch->Path("x.csv"),
              "file,T_K\nquartz.inp,300\ncorundum_si_standard.inp,250\nmissing.inp,1\nhalite_displacement.inp,400\n");
    auto* launcher = m_frame->findChild<CSeriesLauncher*>("seriesLauncher");
    launcher->SetJobFilesDialog([&] { return jobs; });
    launcher->SetXFileDialog([&] { return m_scratch->Path("x.csv"); });
    Find<QAbstractButton>(m_view, "radioZero")->setChecked(true);
    m_frame->Action("actionRefineSeries")->trigger();
    QTRY_VERIFY(launcher->Window() != nullptr);
    CSeriesWindow* window = launcher->Window();
    QVERIFY(m_sink.messages.empty());

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
    QCOMPARE(copied.size(), 2);
    QCOMPARE(copied[0].split('\t').size(), table->columnCount());
    QCOMPARE(copied[1].split('\t')[a], table->item(0, a)->text());

    // Save as CSV: the batch command's table of the same rows, in job order.
    window->SetSaveTableDialog([&] { return m_scratch->Path("t.csv"); });
    window->OnSaveTable();
    QCOMPARE(ReadFile(m_scratch->Path("t.csv")).toStdString(), lattrix::SeriesTableText(window->Rows()));

    // The plot of the volume against T: one point per refined job.
    window->QuantityBox()->setCurrentIndex(lattrix::kSeriesVolume);
    QCOMPARE(window->Plot().xTitle, std::string("T_K"));
    QCOMPARE(window->Plot().points.size(), size_t(3));
    QCOMPARE(window->Plot().points[1].sigma, window->Rows()[1].sigma[lattrix::kSeriesVolume]);
    window->SetSavePlotDialog([&] { return m_scratch->Path("v.png"); });
    window->OnSavePlot();
    QCOMPARE(ReadFile(m_scratch->Path("v.png")).mid(1, 3), QString("PNG"));
  }

  void diagnosticsShowTheCorrelationMatrix() {
    // Ten lines of a cubic cell with a refined zero, sin2(theta) weights: a
    // and zero correlate.
    QVERIFY(m_view->OpenInputFile(DataFile("cubic.inp")));
    Find<QAbstractButton>(m_view, "radioZero")->setChecked(true);
    m_view->OnWeightSin2();
    m_frame->Action("actionRefineExecute")->trigger();
    QCOMPARE(m_sink.messages.size(), size_t(1));
    WithModal<CDiagnosticsDlg>([&] { m_frame->Action("actionShowDiagnostics")->trigger(); },
                               [&](CDiagnosticsDlg* dialog) {
      QTableWidget* list = dialog->CorrelationList();
      QVERIFY(list != nullptr);
      QCOMPARE(list->rowCount(), 2);
      QCOMPARE(list->horizontalHeaderItem(1)->text(), QString("zero"));
      QCOMPARE(list->item(0, 1)->text(), list->item(1, 0)->text());
      QVERIFY(std::fabs(list->item(0, 1)->text().toDouble()) >= 0.95);
      QCOMPARE(list->item(0, 1)->background().color(), CDiagnosticsDlg::MisfitColour());
      QVERIFY(QString::fromStdString(m_sink.messages[0]).startsWith("a and zero correlate strongly (r = " +
                                                                     list->item(0, 1)->text() + ")"));
    });
  }

 private:
  std::unique_ptr<ScratchDir> m_scratch;
  std::unique_ptr<CMainFrame> m_frame;
  CLattrixView* m_view = nullptr;
  lattrix::RecordingSink m_sink;
};

QTEST_MAIN(SeriesWindow)
#include "test_series_window.moc"
