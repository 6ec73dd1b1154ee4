// The window of a refined series: one row per job (values with their s.u.'s
// in IUCr notation, sortable, copyable, saved as the batch command's CSV
// table) and a plot of a chosen quantity against x with +-1 s.u. error bars
// (saved as PNG, SVG or PDF like the fitting map). A trend (an equation of
// state or a thermal expansion) fitted to the plotted volume or cell length
// adds its curve, parameters and residuals, and the F-f plot.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <vector>

#include "common/MessageSink.h"
#include "displays/QtMapCanvas.h"
#include "series/SeriesPlot.h"
#include "series/SeriesRun.h"
#include "series/TrendPlot.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QTableWidget;

class CSeriesWindow : public QDialog {
  Q_OBJECT

 public:
  // xName titles the x axis when the jobs have x values (empty: the job's
  // position). Messages of Save go to sink, which must outlive the window.
  CSeriesWindow(std::vector<lattrix::SeriesRow> rows, const QString& xName, lattrix::MessageSink& sink,
                QWidget* parent = nullptr);

  QTableWidget* Table() const { return m_table; }
  // The quantities, then the F-f plot (kStrainPlot).
  QComboBox* QuantityBox() const { return m_quantity; }
  // None, BM2, BM3, Vinet, Thermal; and the thermal model's T0 in K.
  QComboBox* FitBox() const { return m_fitModel; }
  QDoubleSpinBox* T0Box() const { return m_t0; }
  static constexpr int kStrainPlot = lattrix::kSeriesQuantities;
  CMapCanvasArea* PlotArea() const { return m_plotArea; }
  const lattrix::SeriesPlot& Plot() const { return m_plot; }
  const std::vector<lattrix::SeriesRow>& Rows() const { return m_rows; }

  // The selected rows (every row when none is selected) in the order shown,
  // tab-separated under the column names.
  QString CopyText() const;
  // The fit's lines (its message when refused; empty without a fit).
  QString FitText() const;

  // The file dialogs of the two Save buttons, replaceable so that tests need
  // no modal dialog; each returns the chosen path or an empty text.
  void SetSaveTableDialog(std::function<QString()> dialog) { m_tableDialog = std::move(dialog); }
  void SetSavePlotDialog(std::function<QString()> dialog) { m_plotDialog = std::move(dialog); }

 public Q_SLOTS:
  void OnCopy();
  void OnCopyFit();
  // The rows in the jobs' order, as lattrix-refine --series writes them.
  void OnSaveTable();
  // The plot at the size it is shown.
  void OnSavePlot();
  void OnQuantity(int quantity);
  // Fits the chosen model again and redraws.
  void OnFit();

 private:
  void FillTable();
  QLayout* MakeControls();
  void UpdatePlot();
  // A model is chosen under Fit.
  bool Fitting() const;

  std::vector<lattrix::SeriesRow> m_rows;
  QString m_xName;
  lattrix::MessageSink& m_sink;
  lattrix::SeriesPlot m_plot;
  QTableWidget* m_table = nullptr;
  QComboBox* m_quantity = nullptr;
  QComboBox* m_fitModel = nullptr;
  QDoubleSpinBox* m_t0 = nullptr;
  QLabel* m_fitLabel = nullptr;
  // The quantity the trend is fitted to: the plotted one when it is a
  // volume or a cell length, kept while the F-f plot is shown.
  int m_fitQuantity = lattrix::kSeriesVolume;
  lattrix::SeriesTrend m_trend;
  CMapCanvasArea* m_plotArea = nullptr;
  std::function<QString()> m_tableDialog;
  std::function<QString()> m_plotDialog;
};
