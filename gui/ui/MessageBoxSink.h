// The desktop program's message sink: every message in a modal box with an
// OK button only and the title "Lattrix"; the beep is the system's default.
#pragma once

#include <QPointer>
#include <QWidget>

#include "common/MessageSink.h"

class MessageBoxSink : public lattrix::MessageSink {
 public:
  explicit MessageBoxSink(QWidget* owner) : m_pOwner(owner) {}
  void Show(const std::string& text) override;
  void Beep() override;

 private:
  QPointer<QWidget> m_pOwner;
};
