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
  // The command of a menu or toolbar item by its object name.
  QAction* Action(const char* name) const;

 public Q_SLOTS:
  // Enables the commands that follow the job's flags.
  void UpdateCommandUI();
  void OnAppAbout();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QAction* MakeAction(const char* name, const QString& text, const QString& prompt,
                      const char* icon = nullptr);
  void CreateActions();
  void CreateMenus();
  void CreateToolBar();
  void CreateStatusBar();
  void UpdateIndicators();
  void AddRecentFile(const QString& path);

  CLattrixView* m_pView = nullptr;
  QToolBar* m_wndToolBar = nullptr;
  QLabel* m_indicators[4] = {};
  QList<QAction*> m_actions;
};
