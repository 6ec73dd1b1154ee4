#include "ui/HelpWindow.h"

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

void CHelpWindow::ShowPage(const QString& path) {
  const QUrl page = QUrl::fromLocalFile(path);
  if (source() != page) setSource(page);
  show();
  raise();
  activateWindow();
}
