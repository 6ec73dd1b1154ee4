// The help window: the shipped help page in the program's own text browser,
// beside the main window, so that help needs no web browser. Links within
// the page are followed here; a link to an outside page (http, https,
// mailto) goes to the desktop's browser or mail program.
#pragma once

#include <QTextBrowser>

class CHelpWindow : public QTextBrowser {
  Q_OBJECT

 public:
  explicit CHelpWindow(QWidget* owner);

  // Where the help page is: the working directory `workDir` first, then
  // beside the program (build tree), then the installed copy. Empty when
  // none exists.
  static QString FindPage(const QString& workDir);
  // Shows the page at `path` and brings the window to the front.
  void ShowPage(const QString& path);
};
