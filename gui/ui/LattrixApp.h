// Start-up: profile settings, the main frame with its form, and the input
// file named on the command line.
#pragma once

#include <QObject>
#include <QStringList>

class CMainFrame;

class CLattrixApp : public QObject {
  Q_OBJECT

 public:
  CLattrixApp();
  ~CLattrixApp() override;

  // Builds and shows the main window, then reads the input file named by
  // the first argument (the program's, without Qt's own options), if any:
  // a file that cannot be read gives its message over the open window.
  bool InitInstance(const QStringList& arguments);

  CMainFrame* MainFrame() const { return m_pMainFrame; }

 private:
  CMainFrame* m_pMainFrame = nullptr;
};
