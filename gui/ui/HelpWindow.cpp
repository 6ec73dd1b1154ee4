#include "ui/HelpWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QUrl>

#include "ui/ScreenFit.h"

CHelpWindow::CHelpWindow(QWidget* owner) : QTextBrowser(owner) {
  setWindowFlag(Qt::Window);
  setObjectName("helpWindow");
  setOpenExternalLinks(true);
  connect(this, &QTextBrowser::sourceChanged, this, [this] { setWindowTitle(documentTitle()); });
  // The page's tables and examples in full width, about 40 lines high,
  // where the screen has room.
  const QFontMetrics metrics(font());
  resize(metrics.horizontalAdvance(QLatin1Char('0')) * 120, metrics.lineSpacing() * 40);
  KeepOnScreen(this);
  CloseOnCtrlW(this);
}

QString CHelpWindow::FindPage(const QString& workDir) {
  const QString page = QStringLiteral("LattrixHelp.html");
  const QString appDir = QCoreApplication::applicationDirPath();
  const QStringList candidates = {
      QDir(workDir).filePath(page),
      QDir(appDir).filePath(page),
      QDir(appDir).filePath(QStringLiteral("../share/lattrix/") + page),
#ifdef LATTRIX_HELP_INSTALL_DIR
      QDir(QStringLiteral(LATTRIX_HELP_INSTALL_DIR)).filePath(page),
#endif
  };
  for (const QString& candidate : candidates) {
    const QFileInfo info(candidate);
    if (info.isFile() && info.isReadable()) return info.absoluteFilePath();
  }
  return QString();
}

void CHelpWindow::ShowPage(const QString& path) {
  const QUrl page = QUrl::fromLocalFile(path);
  if (source() != page) setSource(page);
  show();
  raise();
  activateWindow();
}
