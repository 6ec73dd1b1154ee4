// The job as a document: the file it was last opened from or saved to, the
// form as it was then (to tell whether it changed since), the question
// before a changed job is dropped, and the last completed refinement.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include "common/MessageSink.h"
#include "job/Job.h"
#include "run/RunStep.h"

class QWidget;

class CJobDocument {
 public:
  // The job's name: the file's name, "Untitled" for a new job; suggested
  // file names are its base name with a suffix.
  QString JobName() const;
  const QString& JobFile() const { return m_strJobFile; }
  QString SuggestedFileName(const char* suffix) const;

  // The form's state (as texts) becomes the unchanged job, last opened from
  // or saved to `jobFile` (empty for a new job).
  void TakeSavedState(const QString& jobFile, const QStringList& state);
  bool IsModified(const QStringList& state) const { return state != m_savedState; }

  // Reads the job file at `path` into `job`; a refused file leaves the job
  // and its path as they were.
  static bool ReadJobFile(lattrix::Job& job, const QString& path, lattrix::MessageSink& sink);
  // Writes `job` to `path`, which becomes its input path; a failed write
  // leaves the job not refined (Save then waits for a title, a reflection
  // or the next run; the result commands follow the last run).
  static bool WriteJobFile(lattrix::Job& job, const QString& path, lattrix::MessageSink& sink);

  // "Save changes to <name>?": QMessageBox::Save, Discard or Cancel. The
  // prompt is replaceable so that tests need no modal box.
  int AskSaveChanges(QWidget* parent) const;
  void SetSaveChangesPrompt(std::function<int(const QString&)> prompt) { m_saveChangesPrompt = std::move(prompt); }

  // The last completed refinement, whole: what the result displays, the
  // CIF and Copy results show. It is kept until File New, File Open or a
  // run whose result is not defined; a refused Execute leaves it as it was.
  // The job itself changes later (a save gathers the form again, and in
  // Manual mode the corrections would be taken as known), so nothing of the
  // result is rebuilt from the job afterwards.
  const lattrix::RunResult* LastRun() const { return m_lastRun ? &*m_lastRun : nullptr; }
  void KeepRun(const lattrix::RunResult& run) { m_lastRun = run; }
  void ForgetRun() { m_lastRun.reset(); }

 private:
  QString m_strJobFile;
  QStringList m_savedState;
  std::function<int(const QString&)> m_saveChangesPrompt;
  std::optional<lattrix::RunResult> m_lastRun;
};
