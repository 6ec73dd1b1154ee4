// The desktop program's message sinks. MessageBoxSink shows every refusal
// in a modal box with an OK button only and the title "Lattrix"; the beep
// is the system's default. Notes (warnings after which the run goes on) are
// not boxed: NoteRouter hands them to the window's message area.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "common/MessageSink.h"

class MessageBoxSink : public lattrix::MessageSink {
 public:
  explicit MessageBoxSink(QWidget* owner) : m_pOwner(owner) {}
  void Show(const std::string& text) override;
  // The window's message area has shown it already.
  void Note(const std::string&) override {}
  void Beep() override;

 private:
  QPointer<QWidget> m_pOwner;
};

// A view's sink: refusals and beeps go to the sink that `target` points to
// at the time; a note goes to `onNote` (the message area) and then to the
// target's Note, so that a recording sink still keeps its text.
class NoteRouter : public lattrix::MessageSink {
 public:
  NoteRouter(lattrix::MessageSink* const& target, std::function<void(const std::string&)> onNote)
      : m_target(target), m_onNote(std::move(onNote)) {}
  void Show(const std::string& text) override { m_target->Show(text); }
  void Note(const std::string& text) override {
    m_onNote(text);
    m_target->Note(text);
  }
  void Beep() override { m_target->Beep(); }

 private:
  lattrix::MessageSink* const& m_target;
  std::function<void(const std::string&)> m_onNote;
};
