// The view's Edit commands: the history of the job's changes on the form
// (Undo and Redo through CFormHistory), Insert row and Delete rows, and
// Cut, Copy and Paste on the field or list that has the keyboard.
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>

#include <algorithm>

#include "job/JobRows.h"
#include "ui/EditListCtrl.h"
#include "ui/LattrixView.h"

using lattrix::kMaxReflections;

void CLattrixView::RecordStep(const QString& name) {
  QString text = name;
  const QObject* from = sender();
  if (text.isEmpty()) {
    text = qobject_cast<const QLineEdit*>(from)       ? QStringLiteral("Typing")
           : qobject_cast<const CEditListCtrl*>(from) ? QStringLiteral("Cell edit")
           : qobject_cast<const QComboBox*>(from)     ? QStringLiteral("Crystal system")
           : qobject_cast<const QButtonGroup*>(from)  ? QStringLiteral("Correction")
           : qobject_cast<const QAbstractButton*>(from)
               ? qobject_cast<const QAbstractButton*>(from)->text().remove(QLatin1Char('&'))
               : QStringLiteral("Change");
  }
  m_history->Record(Snapshot(), text, qobject_cast<const QLineEdit*>(from));
  ShowFormState();
}

void CLattrixView::RestoreSnapshot(const FormSnapshot& snapshot) {
  m_binding.CloseOpenEdits();
  lattrix::Job job = snapshot.job;
  job.m_strInputPath = m_job.m_strInputPath;
  job.m_strReportPath = m_job.m_strReportPath;
  job.m_strWorkDir = m_job.m_strWorkDir;
  m_job = std::move(job);
  m_binding.RestoreFormState(snapshot.form);
  m_binding.FollowFreeCellFields();
  SiliconList()->setEnabled(m_job.m_bInternalStd == 1);
  ShowFormState();
}

// The grid and the job's rows stay aligned: rows the job holds move with
// their data in the job too; rows typed below them are only text so far.
void CLattrixView::OnAddRow() {
  m_binding.CommitOpenEdits();
  const int row = ReflectionList()->GetFirstSelectedRow();
  if (row < 0) return;
  // The list keeps its 50 rows: the new row pushes the last one out, which
  // must therefore be empty.
  if ((row < m_job.m_nReflections && m_job.m_nReflections >= kMaxReflections) || m_binding.LastRowFilled()) {
    Sink().Show("Reflection List is full (50 reflections) !!!");
    return;
  }
  if (row < m_job.m_nReflections) lattrix::InsertReflection(m_job, row);
  m_binding.InsertEmptyRow(row);
  RecordStep(QStringLiteral("Insert row"));
}

void CLattrixView::OnDeleteRow() {
  m_binding.CommitOpenEdits();
  QList<int> rows;
  for (const QModelIndex& index : ReflectionList()->selectionModel()->selectedRows()) rows.append(index.row());
  if (rows.isEmpty()) return;
  // From the bottom up, so that the rows still to go keep their places.
  std::sort(rows.rbegin(), rows.rend());
  for (int row : rows) {
    if (row < m_job.m_nReflections) lattrix::DeleteReflection(m_job, row);
    m_binding.RemoveRow(row);
  }
  RecordStep(rows.size() > 1 ? QStringLiteral("Delete rows") : QStringLiteral("Delete row"));
}

void CLattrixView::OnEditCut() {
  QWidget* focus = QApplication::focusWidget();
  if (auto* edit = qobject_cast<QLineEdit*>(focus)) {
    edit->cut();
  } else if (auto* list = qobject_cast<CEditListCtrl*>(focus)) {
    list->CopySelection();
    list->ClearSelectedCells();
  }
}

void CLattrixView::OnEditCopy() {
  QWidget* focus = QApplication::focusWidget();
  if (auto* edit = qobject_cast<QLineEdit*>(focus))
    edit->copy();
  else if (auto* list = qobject_cast<CEditListCtrl*>(focus))
    list->CopySelection();
}

void CLattrixView::OnEditPaste() {
  QWidget* focus = QApplication::focusWidget();
  if (auto* edit = qobject_cast<QLineEdit*>(focus))
    edit->paste();
  else if (focus == ReflectionList())
    OnPasteReflections();
}
