// The diagnostics window: for each reflection of the last refinement, its
// leverage and its influence on the refined cell, with the reflections that
// pass a cut-off highlighted so that a bad or dominating line stands out.
#pragma once

#include <QColor>
#include <QDialog>

#include "diagnostics/Diagnostics.h"
#include "engine/Covariance.h"

class QLabel;
class QTableWidget;

class CDiagnosticsDlg : public QDialog {
  Q_OBJECT

 public:
  // The fixed columns; the DFBETAS columns of the constants the crystal
  // system refines follow kColDffits, then "Why flagged".
  enum { kColNo = 0, kColH, kColK, kColL, kColTwoTheta, kColWeight, kColLeverage, kColRstudent, kColDffits };

  // How a row is marked: a misfit or an influential line (Rstudent, DFFITS
  // or DFBETAS beyond its cut-off) outranks a line that only lies far out
  // in the design (leverage).
  enum RowMark { kRowClean, kRowLeverage, kRowMisfit };
  static RowMark MarkOf(const lattrix::ReflectionDiagnostics& row);
  static QColor MisfitColour() { return QColor(255, 205, 205); }
  static QColor LeverageColour() { return QColor(255, 243, 176); }
  // The text of a marked row: dark on the light marks, whatever the
  // palette (under a dark one the palette's text is light).
  static QColor MarkedTextColour() { return QColor(0, 0, 0); }

  // Below the reflections, the correlation matrix of the refined parameters
  // when a covariance is given.
  explicit CDiagnosticsDlg(const lattrix::DiagnosticsResult& result, QWidget* parent = nullptr,
                           const lattrix::ParameterCovariance& covariance = lattrix::ParameterCovariance());

  QTableWidget* DiagnosticsList() const { return m_listDiagnostics; }
  // The correlation matrix; nullptr without a covariance.
  QTableWidget* CorrelationList() const { return m_listCorrelation; }
  QLabel* SummaryLabel() const { return m_labelSummary; }
  // Column of the DFBETAS of constant j (0..5), or -1 when it is not shown.
  int DfbetasColumn(int j) const { return m_nDfbetasColumn[j]; }
  int ReasonColumn() const { return m_nReasonColumn; }

 private:
  void FillTable(const lattrix::DiagnosticsResult& result);
  QTableWidget* MakeCorrelationList(const lattrix::ParameterCovariance& covariance);

  QTableWidget* m_listDiagnostics = nullptr;
  QTableWidget* m_listCorrelation = nullptr;
  QLabel* m_labelSummary = nullptr;
  int m_nDfbetasColumn[6] = {-1, -1, -1, -1, -1, -1};
  int m_nReasonColumn = 0;
  QSize m_fullTableSize;
};
