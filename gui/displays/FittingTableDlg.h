// The fitting table window: reflection by reflection, how the refined cell
// reproduces the observations of the last refinement, as the report has it.
#pragma once

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

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
  // The file name Save as CSV offers.
  QString m_strSuggestedName;

  QTableWidget* FitList() const { return m_listFit; }
  QLineEdit* SumDeltaEdit() const { return m_editSumDelta; }
  QLineEdit* StdDeltaEdit() const { return m_editStdDelta; }

  // Fills the table and the two edits from the report (runs when the dialog
  // is first shown, before it becomes visible).
  void OnInitDialog();

  // The file dialog of Save as CSV, replaceable so that tests need no modal
  // dialog; it returns the chosen path, or an empty text when cancelled.
  void SetSaveFileDialog(std::function<QString()> dialog) { m_saveDialog = std::move(dialog); }

 public Q_SLOTS:
  // The selected rows (all when none is selected) under the heading row, as
  // tab-separated text on the clipboard (Ctrl+C).
  void OnCopy();
  // The whole table, heading row first, as a CSV file.
  void OnSaveCsv();

 protected:
  void showEvent(QShowEvent* event) override;
  // Ctrl+C in the table copies the rows, not only the current cell.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QSize BuildTable();
  // The heading row, then the given rows (every row when none is given),
  // as fields.
  std::vector<std::vector<std::string>> TableFields(QList<int> rows) const;

  lattrix::MessageSink& m_sink;
  std::function<QString()> m_saveDialog;
  QLineEdit* m_editStdDelta = nullptr;
  QLineEdit* m_editSumDelta = nullptr;
  QTableWidget* m_listFit = nullptr;
  bool m_bInitialised = false;
};
