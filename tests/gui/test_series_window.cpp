// File > Refine series end to end (dialogs replaced): the table, its sorting,
// copy and CSV, the plot and its image; a trend fitted in the window. (The correlation matrix of the
// Diagnostics window is checked on the road of a refinement, test_road.cpp.)
#include <QPointer>
#include <QAbstractButton>
#include <QComboBox>
#include <QImage>
#include <QRegularExpression>

#include <cmath>
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

// Cubic cells under pressure from a 3rd-order Birch-Murnaghan equation
// written out here (V0 = 160 A^3, K0 = 120 GPa, K' = 4.5), each pattern's
// 2theta from its cell by Bragg's law at 1.5405981 A, to 1e-6 degree.
QStringList WriteCompressedCells(const ScratchDir& scratch) {
  auto pressure = [](double V) {
    const double x = std::cbrt(160.0 / V);
    return 1.5 * 120.0 * (std::pow(x, 7) - std::pow(x, 5)) * (1 + 0.75 * 0.5 * (x * x - 1));
  };
  const int hkl[][3] = {{1, 1, 1}, {2, 0, 0}, {2, 2, 0}, {3, 1, 1}, {2, 2, 2}, {4, 0, 0}, {3, 3, 1}, {4, 2, 0}};
  QStringList jobs;
  QByteArray x = "file,P_GPa\n";
  for (int i = 0; i < 8; ++i) {
    double lo = 60.0, hi = 200.0;
    for (int k = 0; k < 200; ++k) (pressure(0.5 * (lo + hi)) > 1.5 * i ? lo : hi) = 0.5 * (lo + hi);
    const double a = std::cbrt(lo);
    QByteArray job = QString("P=%1 GPa\n2\n1.5405981 185\n7\n%2 %2 %2 90 90 90\n8\n").arg(1.5 * i).arg(a, 0, 'f', 4).toLatin1();
    for (int r = 0; r < 8; ++r) {
      const double d = a / std::sqrt(hkl[r][0] * hkl[r][0] + hkl[r][1] * hkl[r][1] + hkl[r][2] * hkl[r][2]);
      job += QString("%1 %2 %3 %4 1\n").arg(hkl[r][0]).arg(hkl[r][1]).arg(hkl[r][2])
                 .arg(2 * std::asin(1.5405981 / (2 * d)) * 180 / M_PI, 0, 'f', 6).toLatin1();
    }
    jobs << WriteFile(scratch.Path(QString("p%1.inp").arg(i)), job);
    x += QString("p%1.inp,%2\n").arg(i).arg(1.5 * i).toLatin1();
  }
  WriteFile(scratch.Path("p.csv"), x);
  return jobs;
}

// "K0 = 120.3(4) GPa" of the fit's text: the value and its s.u.
bool FittedValue(const QString& text, const QString& name, double& value, double& su) {
  const QRegularExpressionMatch m = QRegularExpression("^" + name + " = ([0-9.]+)\\(([0-9]+)\\)",
                                                       QRegularExpression::MultilineOption).match(text);
  if (!m.hasMatch()) return false;
  const QString number = m.captured(1);
  const int decimals = number.contains('.') ? int(number.size() - number.indexOf('.') - 1) : 0;
  value = number.toDouble(), su = m.captured(2).toDouble() * std::pow(10.0, -decimals);
  return true;
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
    auto value = [&](int row) { return table->item(row, a)->text().section('(', 0, 0).toDouble(); };
    QVERIFY(value(0) < value(1) && value(1) < value(2));
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
    QVERIFY(window->Plot().xTitle == "T_K / K" && window->Plot().points.size() == 3);
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

  // BM3 in the window gives the equation's constants back within two s.u.'s
  // (the data are exact but for 2theta written to 1e-6 degree), with its curve, residuals and the F-f plot; a fit of an angle
  // is refused in the window; the plot is drawn on white.
  void trendFittedInTheWindow() {
    Program p;
    const QStringList jobs = WriteCompressedCells(p.scratch);
    auto* launcher = p.frame.findChild<CSeriesLauncher*>("seriesLauncher");
    launcher->SetJobFilesDialog([&] { return jobs; });
    launcher->SetXFileDialog([&] { return p.scratch.Path("p.csv"); });
    p.Trigger("actionRefineSeries");
    QTRY_VERIFY(launcher->Window() != nullptr);
    CSeriesWindow* window = launcher->Window();
    QVERIFY(window->windowTitle().startsWith("Series: 8 jobs, 8 refined"));
    window->QuantityBox()->setCurrentIndex(lattrix::kSeriesVolume);
    window->FitBox()->setCurrentText("BM3");
    const QString text = window->FitText();
    const struct { const char* name; double truth; } constants[] = {{"V0", 160.0}, {"K0", 120.0}, {"Kp", 4.5}};
    for (const auto& c : constants) {
      double value = 0.0, su = 0.0;
      QVERIFY2(FittedValue(text, c.name, value, su), qPrintable(text));
      QVERIFY2(std::fabs(value - c.truth) <= 2 * su, qPrintable(text));
    }
    QVERIFY(text.contains("n = 8, dof = 5"));
    QCOMPARE(window->Plot().residuals.size(), size_t(8));
    QVERIFY(window->Plot().curve.size() > 100 && !window->Plot().box.empty());
    // F against f: the seven points under pressure (F has none at P = 0).
    window->QuantityBox()->setCurrentIndex(CSeriesWindow::kStrainPlot);
    QCOMPARE(window->Plot().points.size(), size_t(7));
    window->QuantityBox()->setCurrentIndex(lattrix::kSeriesAlpha);
    QVERIFY(window->FitText().contains("not to alpha") && window->Plot().curve.empty() && !window->Plot().note.empty());
    window->resize(700, 600);
    const QImage shown = window->PlotArea()->grab().toImage();
    QCOMPARE(shown.pixelColor(2, 2), QColor(Qt::white));
  }
};

QTEST_MAIN(SeriesWindow)
#include "test_series_window.moc"
