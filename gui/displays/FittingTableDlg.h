// The fitting table window: reflection by reflection, how the refined cell
// reproduces the observations of the last refinement, as the report has it.
#pragma once

#include <QDialog>

#include <string>

#include "common/MessageSink.h"
#include "job/Job.h"

class QLineEdit;
class QTableWidget;

class CFittingTableDlg : public QDialog {
  Q_OBJECT

 public:
  // Messages of the report reader go to `sink`.
  explicit CFittingTableDlg(lattrix::MessageSink& sink, QWidget* parent = nullptr);

  // Set by the caller before the dialog is shown: the report and copies of
  // the job's first m_nReflections input and working 2theta values.
  std::string m_strReportPath;
  double m_dTwoThetaRaw[lattrix::kMaxReflections] = {};
  double m_dTwoTheta[lattrix::kMaxReflections] = {};
  int m_nReflections = 0;

  QTableWidget* FitList() const { return m_listFit; }
  QLineEdit* SumDeltaEdit() const { return m_editSumDelta; }
  QLineEdit* StdDeltaEdit() const { return m_editStdDelta; }

  // Fills the table and the two edits from the report (runs when the dialog
  // is first shown, before it becomes visible).
  void OnInitDialog();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  lattrix::MessageSink& m_sink;
  QLineEdit* m_editStdDelta = nullptr;
  QLineEdit* m_editSumDelta = nullptr;
  QTableWidget* m_listFit = nullptr;
  bool m_bInitialised = false;
};
