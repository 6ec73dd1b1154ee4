// The main window: menu, toolbar and status bar around the form.
#pragma once

#include <QMainWindow>

class QAction;
class QLabel;
class QToolBar;
class CLattrixView;

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  explicit CMainFrame(QWidget* parent = nullptr);

  CLattrixView* View() const { return m_pView; }
  QToolBar* ToolBar() const { return m_wndToolBar; }
  // The command of a menu or toolbar item by its object name, for tests;
  // there is one for every name the frame gives out.
  QAction* Action(const char* name) const;
  // The recent-file items of the File menu (hidden while unused).
  const QList<QAction*>& RecentFileActions() const { return m_recentFiles; }
  // Sizes the window to show the whole form where its screen has room, and
  // never beyond the screen's available area (the form scrolls).
  void FitToScreen();

 public Q_SLOTS:
  // Enables the commands that follow the job's flags.
  void UpdateCommandUI();
  void OnAppAbout();

 protected:
  // A changed job is offered for saving first; Cancel keeps the window.
  void closeEvent(QCloseEvent* event) override;
  // A job file dropped on the window opens as File Open would.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // Job files dragged over the form's text fields are the window's too.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAction* MakeAction(const char* name, const QString& text, const QString& prompt,
                      const char* icon = nullptr);
  // An action that runs one of the view's commands.
  QAction* ViewCommand(const char* name, const QString& text, const QString& prompt, const char* icon,
                       void (CLattrixView::*command)());
  void CreateActions();
  // Undo, Redo, Cut, Copy, Paste, Insert row and Delete rows.
  void CreateEditActions();
  void CreateRefineActions();
  void CreateHelpActions();
  void CreateMenus();
  void CreateToolBar();
  void CreateStatusBar();
  // The status bar's last note and the Messages list of them all.
  void CreateMessageArea();
  void UpdateIndicators();
  void UpdateRecentFileMenu();
  void OnRecentFile();
  void OpenAfterAsking(const QString& path);

  CLattrixView* m_pView = nullptr;
  QToolBar* m_wndToolBar = nullptr;
  QLabel* m_indicators[4] = {};
  // The commands of the menus and the toolbar; each action's object name
  // is "action" + the member's name after m_action.
  QAction* m_actionFileNew = nullptr;
  QAction* m_actionFileOpen = nullptr;
  QAction* m_actionImportReflections = nullptr;
  QAction* m_actionSaveAsInputFile = nullptr;
  QAction* m_actionExportCif = nullptr;
  QAction* m_actionRefineSeries = nullptr;
  QAction* m_actionSetInstrument = nullptr;
  QAction* m_actionAppExit = nullptr;
  QAction* m_actionEditUndo = nullptr;
  QAction* m_actionEditRedo = nullptr;
  QAction* m_actionEditCut = nullptr;
  QAction* m_actionEditCopy = nullptr;
  QAction* m_actionEditPaste = nullptr;
  QAction* m_actionInsertRow = nullptr;
  QAction* m_actionDeleteRows = nullptr;
  QAction* m_actionRefineExecute = nullptr;
  QAction* m_actionShowFittingTable = nullptr;
  QAction* m_actionShowFittingFigure = nullptr;
  QAction* m_actionShowDiagnostics = nullptr;
  QAction* m_actionShowOutputFile = nullptr;
  QAction* m_actionCopyResults = nullptr;
  QAction* m_actionHelpHtml = nullptr;
  QAction* m_actionViewStatusBar = nullptr;
  QAction* m_actionViewToolBar = nullptr;
  QAction* m_actionAppAbout = nullptr;
  QList<QAction*> m_recentFiles;
  QAction* m_recentSeparator = nullptr;
};
