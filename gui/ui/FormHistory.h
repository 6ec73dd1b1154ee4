// The form's history for Undo and Redo. Each change the user makes to the
// job on the form (a field, a cell, a box, the crystal system, a row added
// or deleted, a paste or import, the instrument) is one step from the job
// and form before it to the job and form after it; typing in one field is
// one step until something else changes. A new or opened job starts an
// empty history; the document's saved state is compared by the form's
// texts, so undoing back to it leaves the job unmodified.
#pragma once

#include <QObject>
#include <QStringList>
#include <QUndoStack>

#include <functional>

#include "job/Job.h"

struct FormSnapshot {
  lattrix::Job job;
  QStringList form;   // the view's FormState
};

class CFormHistory : public QObject {
  Q_OBJECT

 public:
  // `apply` puts a snapshot back on the job and the form.
  CFormHistory(std::function<void(const FormSnapshot&)> apply, QObject* parent);

  QUndoStack* Stack() { return &m_stack; }
  // A new job (start-up, File New, File Open): nothing to undo.
  void Start(FormSnapshot now);
  // A change that is not a step of its own (Execute, Save): the next step
  // starts from here.
  void Follow(FormSnapshot now);
  // The user's change, named `text` in the Edit menu. Steps typed into the
  // same field (`typingIn`, nullptr for other changes) are one step. A
  // change that leaves the form's texts as they were is no step.
  void Record(FormSnapshot now, const QString& text, const QObject* typingIn);

 private:
  void Apply(const FormSnapshot& snapshot);

  QUndoStack m_stack;
  FormSnapshot m_current;
  std::function<void(const FormSnapshot&)> m_apply;
};
