// The fitting table window: reflection by reflection, how the refined cell
// reproduces the observations of the last refinement, as the report has it.
#pragma once

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

#include "common/MessageSink.h"
#include "report/FittingTable.h"

class QLineEdit;
class QTableWidget;

class CFittingTableDlg : public QDialog {
  Q_OBJECT

 public:
  // The table of a run (report/FittingTable.h); messages of Save as CSV go
  // to `sink`, which offers `suggestedName`.
  CFittingTableDlg(lattrix::FittingTable table, const QString& suggestedName, lattrix::MessageSink& sink,
                   QWidget* parent = nullptr);

  QTableWidget* FitList() const { return m_listFit; }
  QLineEdit* SumDeltaEdit() const { return m_editSumDelta; }
  QLineEdit* StdDeltaEdit() const { return m_editStdDelta; }

  // Fills the table and the two edits (runs when the dialog is first shown,
  // before it becomes visible).
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

  lattrix::FittingTable m_table;
  QString m_strSuggestedName;
  lattrix::MessageSink& m_sink;
  std::function<QString()> m_saveDialog;
  QLineEdit* m_editStdDelta = nullptr;
  QLineEdit* m_editSumDelta = nullptr;
  QTableWidget* m_listFit = nullptr;
  bool m_bInitialised = false;
};
