// File > Import reflections: a peak list as it was read, before anything
// replaces the Reflection List. It shows the peaks with their values and
// esd's in the list's units, the columns recognised, the units of a list
// without a header (2theta, d or Q), the lattice centring and tolerance of
// the assignment, and which h k l each peak takes from the form's trial
// cell and wavelength, with the reason for every peak left out. The
// assignment follows every change of units, centring or tolerance. The
// dialog changes no job: the view takes the list and the options after OK.
#pragma once

#include <QDialog>
#include <QString>

#include "job/Job.h"
#include "peaks/Assignment.h"
#include "peaks/PeakList.h"

class QComboBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QLabel;
class QTableWidget;

class CImportReflectionsDlg : public QDialog {
  Q_OBJECT

 public:
  // `list` was read from `path` (read again when the units of a list
  // without a header change); `job` is the form's job, whose trial cell,
  // wavelength and correction the assignment and the note use.
  CImportReflectionsDlg(const QString& path, const lattrix::PeakList& list, const lattrix::Job& job,
                        QWidget* parent = nullptr);

  const lattrix::PeakList& List() const { return m_list; }
  lattrix::AssignmentOptions Options() const;
  // The assignment OK takes, and why OK is not possible ("" when it is).
  const lattrix::Assignment& Preview() const { return m_assignment; }
  QString Refusal() const { return m_refusal; }

  QComboBox* UnitsBox() const { return m_comboUnits; }
  QComboBox* CentringBox() const { return m_comboCentring; }
  QDoubleSpinBox* ToleranceBox() const { return m_spinTolerance; }
  QTableWidget* PeakTable() const { return m_tablePeaks; }
  QTableWidget* AssignmentTable() const { return m_tableAssignment; }
  QLabel* SummaryLabel() const { return m_labelSummary; }
  QLabel* NoteLabel() const { return m_labelNote; }

 private:
  QWidget* BuildChoices();
  void OnUnitsChanged();
  void ShowPeaks();
  // Assigns again with the current choices and shows the outcome.
  void Reassign();
  void ShowAssignment();

  QString m_path;
  lattrix::PeakList m_list;
  lattrix::Job m_job;
  lattrix::Assignment m_assignment;
  QString m_refusal;

  QLabel* m_labelColumns = nullptr;
  QComboBox* m_comboUnits = nullptr;
  QComboBox* m_comboCentring = nullptr;
  QDoubleSpinBox* m_spinTolerance = nullptr;
  QTableWidget* m_tablePeaks = nullptr;
  QTableWidget* m_tableAssignment = nullptr;
  QLabel* m_labelSummary = nullptr;
  QLabel* m_labelNote = nullptr;
  QDialogButtonBox* m_buttons = nullptr;
};
