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

  // Builds and shows the main window; false ends the program. The
  // arguments are the program's (without Qt's own options): at most one,
  // the input file to read.
  bool InitInstance(const QStringList& arguments);
  void OnAppAbout();

  CMainFrame* MainFrame() const { return m_pMainFrame; }

 private:
  CMainFrame* m_pMainFrame = nullptr;
};
