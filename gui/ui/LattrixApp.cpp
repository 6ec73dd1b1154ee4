#include "ui/LattrixApp.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>

#include "ui/LattrixView.h"
#include "ui/MainFrame.h"

// The icons are compiled into the lattrix_gui library.
static void InitResources() { Q_INIT_RESOURCE(lattrix); }

CLattrixApp::CLattrixApp() {
  InitResources();
  QCoreApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
  QCoreApplication::setApplicationName(QStringLiteral("Lattrix"));
  QGuiApplication::setApplicationDisplayName(QStringLiteral("Lattrix"));
  QGuiApplication::setDesktopFileName(QStringLiteral("lattrix"));
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/lattrix-%1.png").arg(size), QSize(size, size));
  QApplication::setWindowIcon(icon);
}

CLattrixApp::~CLattrixApp() { delete m_pMainFrame; }

bool CLattrixApp::InitInstance(const QStringList& arguments) {
  m_pMainFrame = new CMainFrame;
  CLattrixView* view = m_pMainFrame->View();
  view->OnCreate();
  view->OnInitialUpdate();
  // The whole form where the screen has room, never more than the screen.
  m_pMainFrame->FitToScreen();
  m_pMainFrame->show();
  if (!arguments.isEmpty() && !arguments.constFirst().isEmpty())
    view->OpenInputFile(QFileInfo(arguments.constFirst()).absoluteFilePath());
  return true;
}
