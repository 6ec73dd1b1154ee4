// The report window: the whole report file, read-only, in a monospaced font,
// beside the main window (it does not block the form).
#pragma once

#include <QWidget>

#include <string>

class QPlainTextEdit;

class CReportViewer : public QWidget {
  Q_OBJECT

 public:
  explicit CReportViewer(QWidget* owner);

  // Reads the file afresh; false when it cannot be read, with the system's
  // reason in *reason when asked for.
  bool LoadFile(const QString& path, std::string* reason = nullptr);
  QString Text() const;
  QString Path() const { return m_strPath; }

 private:
  QPlainTextEdit* m_text = nullptr;
  QString m_strPath;
};
