#include "ui/ReportViewer.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <fstream>
#include <iterator>

#include "common/TextIO.h"
#include "ui/QtText.h"
#include "ui/ScreenFit.h"

CReportViewer::CReportViewer(QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName("reportViewer");
  m_text = new QPlainTextEdit(this);
  m_text->setObjectName("reportText");
  m_text->setReadOnly(true);
  m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  mono.setStyleHint(QFont::Monospace);
  m_text->setFont(mono);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_text);
  const QFontMetrics metrics(mono);
  resize(metrics.horizontalAdvance(QLatin1Char(0x30)) * 118 + 40, metrics.lineSpacing() * 45);
  KeepOnScreen(this);
  CloseOnCtrlW(this);
}

bool CReportViewer::LoadFile(const QString& path, std::string* reason) {
  std::ifstream in;
  if (!lattrix::OpenForReading(PathBytes(path), in, reason)) return false;
  const QByteArray bytes = QByteArray::fromStdString(
      std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
  m_strPath = path;
  // The report is plain ASCII; a stray byte must not hide the rest.
  m_text->setPlainText(QString::fromLocal8Bit(bytes));
  setWindowTitle(QStringLiteral("Lattrix - ") + path);
  return true;
}

QString CReportViewer::Text() const { return m_text->toPlainText(); }
