#include "ui/JobDocument.h"

#include <QFileInfo>
#include <QMessageBox>

#include "job/InputFile.h"
#include "ui/QtText.h"

QString CJobDocument::JobName() const {
  return m_strJobFile.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(m_strJobFile).fileName();
}

QString CJobDocument::SuggestedFileName(const char* suffix) const {
  const QString base = m_strJobFile.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(m_strJobFile).completeBaseName();
  return base + QLatin1Char('.') + QString::fromLatin1(suffix);
}

void CJobDocument::TakeSavedState(const QString& jobFile, const QStringList& state) {
  m_strJobFile = jobFile;
  m_savedState = state;
}

bool CJobDocument::ReadJobFile(lattrix::Job& job, const QString& path, lattrix::MessageSink& sink) {
  const std::string previous = job.m_strInputPath;
  job.m_strInputPath = PathBytes(path);
  const bool ok = lattrix::ReadInputFile(job, sink);
  if (!ok) job.m_strInputPath = previous;
  return ok;
}

bool CJobDocument::WriteJobFile(lattrix::Job& job, const QString& path, lattrix::MessageSink& sink) {
  job.m_strInputPath = PathBytes(path);
  const bool ok = lattrix::WriteInputFile(job, sink);
  // A saved job is as refined as it was: saving refines nothing.
  if (!ok) job.m_bRefined = false;
  return ok;
}

int CJobDocument::AskSaveChanges(QWidget* parent) const {
  const QString question = QStringLiteral("Save changes to %1?").arg(JobName());
  if (m_saveChangesPrompt) return m_saveChangesPrompt(question);
  return QMessageBox::question(parent, QStringLiteral("Lattrix"), question,
                               QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
}
