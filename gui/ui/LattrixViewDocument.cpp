// The job as a document: its name in the window title, whether the form
// differs from the job last opened or saved, the question before a changed
// job is dropped, and which commands the form's content allows.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>

#include "ui/EditListCtrl.h"
#include "ui/LattrixView.h"

QString CLattrixView::JobName() const {
  return m_strJobFile.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(m_strJobFile).fileName();
}

QString CLattrixView::SuggestedFileName(const char* suffix) const {
  const QString base = m_strJobFile.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(m_strJobFile).completeBaseName();
  return base + QLatin1Char('.') + QString::fromLatin1(suffix);
}

void CLattrixView::ShowTitle() {
  // "[*]" is where the window shows its modified mark; a literal "[*]" in
  // the file's name is written twice to stay literal.
  QString name = JobName();
  name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
  window()->setWindowTitle(name + QStringLiteral("[*] - Lattrix"));
}

// Everything of the job that the user can change: the form's fields, boxes
// and cells, and the instrument.
QStringList CLattrixView::FormState() const {
  QStringList state = {m_editTitle->text(),
                       QString::number(m_comboCrystalSystem->currentIndex()),
                       QString::number(m_corrGroup->checkedId()),
                       QString::number(m_checkInternalStd->isChecked()),
                       QString::number(m_job.m_dWavelength, 'g', 17),
                       QString::number(m_job.m_dGonioRadius, 'g', 17)};
  for (const QLineEdit* edit : m_editCell) state << edit->text();
  for (const QLineEdit* edit : m_editKnown) state << edit->text();
  for (const QCheckBox* box : m_pWeightCheck) state << QString::number(box->isChecked());
  for (const CEditListCtrl* list : {m_listReflection, m_listSilicon}) {
    for (int r = 0; r < list->rowCount(); ++r)
      for (int c = kColH; c < list->columnCount(); ++c) state << list->GetItemText(r, c);
  }
  return state;
}

void CLattrixView::TakeSavedState(const QString& jobFile) {
  m_strJobFile = jobFile;
  m_savedState = FormState();
  ShowTitle();
  window()->setWindowModified(false);
}

bool CLattrixView::IsModified() const { return FormState() != m_savedState; }

void CLattrixView::OnFormEdited() {
  window()->setWindowModified(IsModified());
  Q_EMIT formChanged();
}

// What the user does to the form (programs' changes are followed by a new
// saved state or are checked when the question is due).
void CLattrixView::ConnectFormEdits() {
  for (QLineEdit* edit : m_editCell) connect(edit, &QLineEdit::textEdited, this, &CLattrixView::OnFormEdited);
  for (QLineEdit* edit : m_editKnown) connect(edit, &QLineEdit::textEdited, this, &CLattrixView::OnFormEdited);
  connect(m_editTitle, &QLineEdit::textEdited, this, &CLattrixView::OnFormEdited);
  connect(m_comboCrystalSystem, &QComboBox::activated, this, &CLattrixView::OnFormEdited);
  connect(m_corrGroup, &QButtonGroup::idClicked, this, &CLattrixView::OnFormEdited);
  for (QCheckBox* box : m_pWeightCheck) connect(box, &QCheckBox::clicked, this, &CLattrixView::OnFormEdited);
  connect(m_checkInternalStd, &QCheckBox::clicked, this, &CLattrixView::OnFormEdited);
  connect(m_listReflection, &CEditListCtrl::cellEdited, this, &CLattrixView::OnFormEdited);
  connect(m_listSilicon, &CEditListCtrl::cellEdited, this, &CLattrixView::OnFormEdited);
}

bool CLattrixView::MaybeSaveChanges() {
  CommitOpenEdits();
  if (!IsModified() || !CanSave()) return true;
  const QString question = QStringLiteral("Save changes to %1?").arg(JobName());
  const int answer =
      m_saveChangesPrompt
          ? m_saveChangesPrompt(question)
          : QMessageBox::question(window(), QStringLiteral("Lattrix"), question,
                                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
  if (answer == QMessageBox::Save) return SaveJobAs();
  return answer == QMessageBox::Discard;
}

bool CLattrixView::HasReflection() const {
  for (int row = 0; row < m_listReflection->rowCount(); ++row)
    if (RowFilled(row)) return true;
  return false;
}

bool CLattrixView::CanExecute() const { return m_job.m_bInputLoaded || HasReflection(); }

bool CLattrixView::CanSave() const {
  return m_job.m_bRefined || !m_editTitle->text().trimmed().isEmpty() || HasReflection();
}
