#include "ui/MainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>

#include "series/SeriesLauncher.h"
#include "ui/AboutDlg.h"
#include "ui/FileDialogs.h"
#include "ui/KeyboardLocks.h"
#include "ui/LattrixView.h"
#include "ui/RecentFiles.h"
#include "ui/ScreenFit.h"

namespace {

// The form scrolls when the window is smaller than the form, but asks for
// the whole form's size, so that the window opens showing all of it where
// the screen has room.
class FormScrollArea : public QScrollArea {
 public:
  using QScrollArea::QScrollArea;
  QSize sizeHint() const override {
    const int frame = 2 * frameWidth();
    return widget() ? widget()->sizeHint() + QSize(frame, frame) : QScrollArea::sizeHint();
  }
};

// The first local job file (*.inp) among dragged URLs, else empty.
QString DraggedJobFile(const QMimeData* data) {
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile() && url.toLocalFile().endsWith(QStringLiteral(".inp"), Qt::CaseInsensitive))
      return url.toLocalFile();
  }
  return QString();
}

bool IsUndoKey(const QKeyEvent* event) {
  return event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo) ||
         event->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y);
}

}  // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
  setObjectName("mainFrame");
  resize(650, 720);
  m_pView = new CLattrixView(this);
  auto* scroll = new FormScrollArea(this);
  scroll->setObjectName("formScrollArea");
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setWidget(m_pView);
  setCentralWidget(scroll);
  CreateActions();
  CreateMenus();
  CreateToolBar();
  CreateStatusBar();
  setAcceptDrops(true);
  for (QLineEdit* edit : m_pView->findChildren<QLineEdit*>()) edit->installEventFilter(this);
  connect(m_pView, &CLattrixView::jobStateChanged, this, &CMainFrame::UpdateCommandUI);
  connect(m_pView, &CLattrixView::formChanged, this, &CMainFrame::UpdateCommandUI);
  CreateMessageArea();
  connect(m_pView, &CLattrixView::inputFileUsed, this, [this](const QString& path) {
    AddRecentFile(path);
    RememberFolderOf(path);
    UpdateRecentFileMenu();
  });
  UpdateCommandUI();
}

void CMainFrame::FitToScreen() {
  QSize wanted = sizeHint();
  // A form taller than the screen scrolls, and its scroll bar takes room
  // beside it: the window is that much wider where the screen allows.
  const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight);
  if (screen() && wanted.height() + title > screen()->availableGeometry().height())
    wanted.rwidth() += style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2;
  ::FitToScreen(this, wanted);
}

QAction* CMainFrame::MakeAction(const char* name, const QString& text, const QString& prompt,
                                const char* icon) {
  auto* action = new QAction(text, this);
  action->setObjectName(QString::fromLatin1(name));
  // The prompt holds the status-bar text, then after a line feed the tooltip.
  const qsizetype split = prompt.indexOf(QLatin1Char('\n'));
  action->setStatusTip(prompt.left(split));
  if (split >= 0) action->setToolTip(prompt.mid(split + 1));
  if (icon) action->setIcon(QIcon(QStringLiteral(":/icons/") + QString::fromLatin1(icon) + QStringLiteral(".png")));
  return action;
}

QAction* CMainFrame::Action(const char* name) const {
  auto* action = findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
  if (!action) qFatal("no action named %s", name);
  return action;
}

QAction* CMainFrame::ViewCommand(const char* name, const QString& text, const QString& prompt, const char* icon,
                                 void (CLattrixView::*command)()) {
  QAction* action = MakeAction(name, text, prompt, icon);
  connect(action, &QAction::triggered, m_pView, command);
  return action;
}

void CMainFrame::CreateActions() {
  using V = CLattrixView;
  m_actionFileNew = ViewCommand("actionFileNew", "New (&N)\tCtrl+N", "Create new input file for Lattrix\nCreate New",
                                "new", &V::OnFileNew);
  m_actionFileNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  m_actionFileOpen = ViewCommand("actionFileOpen", "Open input file (&O)...\tCtrl+O",
                                 "Open Lattrix input file\nOpen input file ", "open", &V::OnFileOpen);
  m_actionFileOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  m_actionImportReflections = ViewCommand(
      "actionImportReflections", "Import reflections (&M)...",
      "Replace the Reflection List by a peak list or table, h k l assigned from the trial cell\nImport reflections",
      nullptr, &V::OnImportReflections);
  m_actionSaveAsInputFile = ViewCommand("actionSaveAsInputFile", "Save as input file (&S)...",
                                        "Data saved as Lattrix input file\nSave as input file", "save",
                                        &V::OnSaveAsInputFile);
  m_actionSaveAsInputFile->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  m_actionExportCif = ViewCommand(
      "actionExportCif", "Export CIF (&C)...",
      "Write the refined cell as a CIF file for structure programs and databases\nExport CIF", nullptr, &V::OnExportCif);
  m_actionRefineSeries = MakeAction("actionRefineSeries", "Refine series (&R)...",
                                    "Refine many job files with the form's correction and weighting\nRefine series");
  auto* series = new CSeriesLauncher(this);
  connect(m_actionRefineSeries, &QAction::triggered, series, [view = m_pView, series] {
    series->Run(view->FormCorrection(), view->FormWeighting(), view->Sink());
  });
  m_actionSetInstrument = ViewCommand("actionSetInstrument", "Set instrument param. (&I)",
                                      "Set instrument parameter\nSet instrument param.  ", nullptr, &V::OnSetInstrument);
  m_actionAppExit = ViewCommand("actionAppExit", "Exit (&X)", "Exit application\nExit", "exit", &V::OnAppExit);
  m_actionAppExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  // Also from the report and help windows.
  m_actionAppExit->setShortcutContext(Qt::ApplicationShortcut);
  CreateEditActions();
  CreateRefineActions();
  CreateHelpActions();
}

void CMainFrame::CreateRefineActions() {
  using V = CLattrixView;
  m_actionRefineExecute = ViewCommand("actionRefineExecute", "Execute (&E)", "Execute cell Refinement\nExecute Refinement",
                                      "execute", &V::OnRefineExecute);
  m_actionRefineExecute->setShortcuts({QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R)});
  m_actionShowFittingTable = ViewCommand(
      "actionShowFittingTable", "Show Fitting Table(&T)",
      "Show fitting table results between obs. and cal. data\nShow Fitting Table", "table", &V::OnShowFittingTable);
  m_actionShowFittingFigure = ViewCommand(
      "actionShowFittingFigure", "Show Fitting Figure (&F)",
      "Show fitting figure results between obs. and cal. data\nShow Fitting Figure", "figure", &V::OnShowFittingFigure);
  m_actionShowDiagnostics = ViewCommand(
      "actionShowDiagnostics", "Show Diagnostics (&D)",
      "Show leverage and influence of each reflection on the refined cell\nShow Diagnostics", nullptr,
      &V::OnShowDiagnostics);
  m_actionShowOutputFile = ViewCommand("actionShowOutputFile", "Show Output File (&S)",
                                       "Show details of the results\nShow Result", "report", &V::OnShowOutputFile);
  m_actionCopyResults = ViewCommand(
      "actionCopyResults", "Copy results (&C)",
      "Copy the refined cell, volume and corrections with their standard uncertainties\nCopy results", nullptr,
      &V::OnCopyResults);
  m_actionCopyResults->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
}

void CMainFrame::CreateHelpActions() {
  m_actionHelpHtml = ViewCommand("actionHelpHtml", "Help by html (&I)", "Show help document by HTML\nHelp by html ",
                                 nullptr, &CLattrixView::OnHelpHtml);
  m_actionHelpHtml->setShortcut(QKeySequence(Qt::Key_F1));
  // The two bars' switches start on.
  m_actionViewStatusBar = MakeAction("actionViewStatusBar", "Status bar (&S)",
                                     "Show on/off for status bar\nShow on/off for status bar");
  m_actionViewToolBar = MakeAction("actionViewToolBar", "Tool bar (&T)",
                                   "Show on/off for tool bar\nShow on/off for tool bar");
  for (QAction* toggle : {m_actionViewStatusBar, m_actionViewToolBar}) {
    toggle->setCheckable(true);
    toggle->setChecked(true);
  }
  connect(m_actionViewStatusBar, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });
  m_actionAppAbout = MakeAction("actionAppAbout", "Version of Lattrix (&A)...",
                                "Show version information of Lattrix\nVersion", "about");
  connect(m_actionAppAbout, &QAction::triggered, this, &CMainFrame::OnAppAbout);
}

void CMainFrame::CreateEditActions() {
  using V = CLattrixView;
  QUndoStack* history = m_pView->History();
  m_actionEditUndo = history->createUndoAction(this, QStringLiteral("Undo"));
  m_actionEditUndo->setObjectName("actionEditUndo");
  m_actionEditUndo->setShortcut(QKeySequence::Undo);
  m_actionEditUndo->setStatusTip(QStringLiteral("Undo the last change of the job"));
  m_actionEditRedo = history->createRedoAction(this, QStringLiteral("Redo"));
  m_actionEditRedo->setObjectName("actionEditRedo");
  m_actionEditRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  m_actionEditRedo->setStatusTip(QStringLiteral("Redo the change last undone"));
  m_actionEditCut = ViewCommand("actionEditCut", "Cut (&T)", "Cut the selection to the clipboard\nCut", nullptr,
                                &V::OnEditCut);
  m_actionEditCut->setShortcut(QKeySequence::Cut);
  m_actionEditCopy = ViewCommand("actionEditCopy", "Copy (&C)", "Copy the selection to the clipboard\nCopy", nullptr,
                                 &V::OnEditCopy);
  m_actionEditCopy->setShortcut(QKeySequence::Copy);
  m_actionEditPaste = ViewCommand("actionEditPaste", "Paste (&P)",
                                  "Paste into the field, or reflection rows into the Reflection List\nPaste", nullptr,
                                  &V::OnEditPaste);
  m_actionEditPaste->setShortcut(QKeySequence::Paste);
  m_actionInsertRow = ViewCommand("actionInsertRow", "Insert row (&I)",
                                  "Insert an empty reflection above the selected row\nInsert row", nullptr, &V::OnAddRow);
  m_actionDeleteRows = ViewCommand("actionDeleteRows", "Delete rows (&D)",
                                   "Delete the selected reflections\nDelete rows", nullptr, &V::OnDeleteRow);
}

void CMainFrame::CreateMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("File (&F)"));
  file->setObjectName("menuFile");
  file->addAction(m_actionFileNew);
  file->addAction(m_actionFileOpen);
  file->addAction(m_actionImportReflections);
  file->addSeparator();
  file->addAction(m_actionSaveAsInputFile);
  file->addAction(m_actionExportCif);
  file->addAction(m_actionRefineSeries);
  file->addSeparator();
  file->addAction(m_actionSetInstrument);
  file->addSeparator();
  // The recent files, "&1 name.inp" to "&4 ...", with their paths as tips.
  for (int k = 0; k < kRecentFiles; ++k) {
    auto* recent = new QAction(this);
    recent->setObjectName(QStringLiteral("actionRecentFile%1").arg(k + 1));
    connect(recent, &QAction::triggered, this, &CMainFrame::OnRecentFile);
    file->addAction(recent);
    m_recentFiles.append(recent);
  }
  m_recentSeparator = file->addSeparator();
  file->setToolTipsVisible(true);
  UpdateRecentFileMenu();
  file->addAction(m_actionAppExit);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("Edit (&E)"));
  edit->setObjectName("menuEdit");
  edit->addAction(m_actionEditUndo);
  edit->addAction(m_actionEditRedo);
  edit->addSeparator();
  edit->addAction(m_actionEditCut);
  edit->addAction(m_actionEditCopy);
  edit->addAction(m_actionEditPaste);
  edit->addSeparator();
  edit->addAction(m_actionInsertRow);
  edit->addAction(m_actionDeleteRows);

  QMenu* refine = menuBar()->addMenu(QStringLiteral("Refine (&R)"));
  refine->setObjectName("menuRefine");
  refine->addAction(m_actionRefineExecute);
  refine->addSeparator();
  refine->addAction(m_actionShowFittingTable);
  refine->addAction(m_actionShowFittingFigure);
  refine->addAction(m_actionShowDiagnostics);
  refine->addAction(m_actionShowOutputFile);
  refine->addSeparator();
  refine->addAction(m_actionCopyResults);

  QMenu* help = menuBar()->addMenu(QStringLiteral("Help (&H)"));
  help->setObjectName("menuHelp");
  help->addAction(m_actionHelpHtml);
  help->addSeparator();
  help->addAction(m_actionViewStatusBar);
  help->addAction(m_actionViewToolBar);
  help->addSeparator();
  help->addAction(m_actionAppAbout);

  // The enabled states are also refreshed whenever a menu opens.
  for (QMenu* menu : {file, refine, help}) connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
}

void CMainFrame::CreateToolBar() {
  m_wndToolBar = new QToolBar(QStringLiteral("Tool bar"), this);
  m_wndToolBar->setObjectName("toolBar");
  m_wndToolBar->setIconSize(QSize(16, 16));
  m_wndToolBar->setMovable(true);
  m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
  m_wndToolBar->addAction(m_actionFileNew);
  m_wndToolBar->addAction(m_actionFileOpen);
  m_wndToolBar->addAction(m_actionSaveAsInputFile);
  m_wndToolBar->addSeparator();
  m_wndToolBar->addAction(m_actionRefineExecute);
  m_wndToolBar->addSeparator();
  m_wndToolBar->addAction(m_actionShowFittingTable);
  m_wndToolBar->addAction(m_actionShowFittingFigure);
  m_wndToolBar->addAction(m_actionShowOutputFile);
  m_wndToolBar->addSeparator();
  m_wndToolBar->addAction(m_actionAppAbout);
  m_wndToolBar->addSeparator();
  m_wndToolBar->addAction(m_actionAppExit);
  addToolBar(Qt::TopToolBarArea, m_wndToolBar);

  QAction* toggle = m_actionViewToolBar;
  connect(toggle, &QAction::toggled, m_wndToolBar, &QToolBar::setVisible);
  // Closing the bar from its context menu unchecks the menu item.
  connect(m_wndToolBar->toggleViewAction(), &QAction::toggled, toggle, &QAction::setChecked);
}

void CMainFrame::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("statusBar");
  // The message pane says "Ready" whenever no prompt is shown.
  connect(bar, &QStatusBar::messageChanged, this, [bar](const QString& text) {
    if (text.isEmpty()) bar->showMessage(QStringLiteral("Ready"));
  });
  bar->showMessage(QStringLiteral("Ready"));
  static const char* const kNames[4] = {"indicatorKana", "indicatorCaps", "indicatorNum", "indicatorScroll"};
  const QString widest = QStringLiteral("SCRL");
  for (int k = 0; k < 4; ++k) {
    m_indicators[k] = new QLabel(bar);
    m_indicators[k]->setObjectName(QString::fromLatin1(kNames[k]));
    m_indicators[k]->setAlignment(Qt::AlignCenter);
    m_indicators[k]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_indicators[k]->setMinimumWidth(m_indicators[k]->fontMetrics().horizontalAdvance(widest) + 10);
    bar->addPermanentWidget(m_indicators[k]);
  }
  UpdateIndicators();
  KeyboardLocks locks;
  if (QueryKeyboardLocks(locks)) {
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &CMainFrame::UpdateIndicators);
    timer->start(250);
  }
}

void CMainFrame::UpdateIndicators() {
  KeyboardLocks locks;
  QueryKeyboardLocks(locks);
  // A lock that is on shows its name; one that is off shows an empty pane.
  const bool on[4] = {locks.kana, locks.caps, locks.num, locks.scroll};
  static const char* const kTexts[4] = {"\xEF\xBD\xB6\xEF\xBE\x85", "CAP", "NUM", "SCRL"};
  for (int k = 0; k < 4; ++k) {
    const QString text = on[k] ? QString::fromUtf8(kTexts[k]) : QString();
    if (m_indicators[k]->text() != text) m_indicators[k]->setText(text);
  }
}

void CMainFrame::UpdateCommandUI() {
  m_actionRefineExecute->setEnabled(m_pView->CanExecute());
  m_actionSaveAsInputFile->setEnabled(m_pView->CanSave());
  for (QAction* result : {m_actionShowOutputFile, m_actionShowFittingTable, m_actionShowFittingFigure,
                          m_actionShowDiagnostics, m_actionExportCif, m_actionCopyResults})
    result->setEnabled(m_pView->HasResult());
}

void CMainFrame::OnAppAbout() {
  CAboutDlg about(this);
  about.exec();
}

void CMainFrame::CreateMessageArea() {
  // The status bar shows the last note; the Messages button opens the
  // list of every note of the session, newest last.
  auto* dock = new QDockWidget(QStringLiteral("Messages"), this);
  dock->setObjectName("messagesDock");
  auto* list = new QListWidget(dock);
  list->setObjectName("messageList");
  list->setWordWrap(true);
  dock->setWidget(list);
  addDockWidget(Qt::BottomDockWidgetArea, dock);
  dock->hide();
  auto* button = new QToolButton(statusBar());
  button->setObjectName("messagesButton");
  button->setText(QStringLiteral("Messages"));
  button->setToolTip(QStringLiteral("Show the warnings and notes of this session"));
  button->setAutoRaise(true);
  statusBar()->insertPermanentWidget(0, button);
  connect(button, &QToolButton::clicked, dock, [dock] { dock->setVisible(!dock->isVisible()); });
  connect(m_pView, &CLattrixView::noteShown, this, [this, list](const QString& note) {
    list->addItem(note);
    list->scrollToBottom();
    // The status bar holds one line: the note's first.
    statusBar()->showMessage(note.section(QLatin1Char('\n'), 0, 0));
  });
}

void CMainFrame::UpdateRecentFileMenu() {
  const QStringList files = RecentFiles();
  for (int k = 0; k < m_recentFiles.size(); ++k) {
    QAction* recent = m_recentFiles[k];
    recent->setVisible(k < files.size());
    if (k >= files.size()) continue;
    QString name = QFileInfo(files[k]).fileName();
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    recent->setText(QStringLiteral("&%1 %2").arg(k + 1).arg(name));
    recent->setToolTip(files[k]);
    recent->setStatusTip(files[k]);
    recent->setData(files[k]);
  }
  m_recentSeparator->setVisible(!files.isEmpty());
}

void CMainFrame::OnRecentFile() {
  if (auto* recent = qobject_cast<QAction*>(sender())) OpenAfterAsking(recent->data().toString());
}

// As File Open after its dialog; a file that is gone leaves the recent list
// (the reader's message names it and the reason).
void CMainFrame::OpenAfterAsking(const QString& path) {
  if (!m_pView->MaybeSaveChanges()) return;
  if (!m_pView->OpenInputFile(path) && !QFileInfo::exists(path)) {
    RemoveRecentFile(path);
    UpdateRecentFileMenu();
  }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (m_pView->MaybeSaveChanges())
    event->accept();
  else
    event->ignore();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  if (!DraggedJobFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CMainFrame::dragMoveEvent(QDragMoveEvent* event) {
  if (!DraggedJobFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
  const QString path = DraggedJobFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  // Opened once the drop is over: the question may need a modal box.
  QTimer::singleShot(0, this, [this, path] { OpenAfterAsking(path); });
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  // Undo and Redo take back whole steps of the job, also while a text field
  // has the keyboard (its own undo would know only its text).
  if (type == QEvent::ShortcutOverride && IsUndoKey(static_cast<QKeyEvent*>(event))) {
    event->ignore();
    return true;
  }
  // A text field would take the file's name as text: it passes the drag on.
  if ((type == QEvent::DragEnter || type == QEvent::DragMove) &&
      !DraggedJobFile(static_cast<QDropEvent*>(event)->mimeData()).isEmpty()) {
    event->ignore();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}
