#include "ui/FormHistory.h"

#include <QUndoCommand>

#include <utility>

namespace {

class FormStep : public QUndoCommand {
 public:
  FormStep(FormSnapshot before, FormSnapshot after, const QString& text, const QObject* typingIn,
           std::function<void(const FormSnapshot&)> apply)
      : QUndoCommand(text),
        m_before(std::move(before)),
        m_after(std::move(after)),
        m_typingIn(typingIn),
        m_apply(std::move(apply)) {}

  void undo() override { m_apply(m_before); }
  // The change is on the form already when the step is pushed.
  void redo() override {
    if (m_done) m_apply(m_after);
    m_done = true;
  }
  int id() const override { return m_typingIn ? 1 : -1; }
  bool mergeWith(const QUndoCommand* other) override {
    const auto* next = static_cast<const FormStep*>(other);
    if (next->m_typingIn != m_typingIn) return false;
    m_after = next->m_after;
    return true;
  }

 private:
  FormSnapshot m_before;
  FormSnapshot m_after;
  const QObject* m_typingIn;
  std::function<void(const FormSnapshot&)> m_apply;
  bool m_done = false;
};

}  // namespace

CFormHistory::CFormHistory(std::function<void(const FormSnapshot&)> apply, QObject* parent)
    : QObject(parent), m_stack(this), m_apply(std::move(apply)) {
  m_stack.setUndoLimit(500);
}

void CFormHistory::Start(FormSnapshot now) {
  m_stack.clear();
  m_current = std::move(now);
}

void CFormHistory::Follow(FormSnapshot now) {
  m_current = std::move(now);
  // Typing after this starts a step of its own.
  m_stack.setClean();
}

void CFormHistory::Record(FormSnapshot now, const QString& text, const QObject* typingIn) {
  if (now.form == m_current.form) {
    m_current = std::move(now);
    return;
  }
  FormSnapshot before = std::exchange(m_current, now);
  m_stack.push(new FormStep(std::move(before), std::move(now), text, typingIn,
                            [this](const FormSnapshot& snapshot) { Apply(snapshot); }));
}

void CFormHistory::Apply(const FormSnapshot& snapshot) {
  m_current = snapshot;
  m_apply(snapshot);
}
