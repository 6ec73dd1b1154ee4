#include "ui/MessageBoxSink.h"

#include <QApplication>
#include <QMessageBox>

void MessageBoxSink::Show(const std::string& text) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Lattrix"), QString::fromStdString(text),
                  QMessageBox::Ok, m_pOwner ? m_pOwner->window() : nullptr);
  box.exec();
}

void MessageBoxSink::Beep() { QApplication::beep(); }
