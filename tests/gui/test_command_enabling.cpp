// Which commands the menu and toolbar offer in each state of the job:
// Empty (nothing read), Loaded (a file read), Refined (a run completed),
// and after the events that leave Refined.
#include <QAbstractButton>
#include <QTest>

#include "GuiTestSupport.h"
#include "ui/MainFrame.h"

using namespace guitest;

namespace {

const char* const kAlways[] = {"actionFileNew", "actionFileOpen", "actionSetInstrument", "actionAppExit",
                               "actionHelpHtml", "actionViewStatusBar", "actionViewToolBar",
                               "actionAppAbout"};
const char* const kRefinedOnly[] = {"actionShowOutputFile", "actionShowFittingTable", "actionShowFittingFigure"};

// Enabled states expected of every command: Execute follows "loaded", Save
// as follows a loaded job (which has a title) or "refined", the three result
// commands follow "refined", the rest are always on.
void ExpectCommands(CMainFrame& frame, bool loaded, bool refined) {
  for (const char* name : kAlways) QVERIFY2(frame.Action(name)->isEnabled(), name);
  QCOMPARE(frame.Action("actionRefineExecute")->isEnabled(), loaded);
  QCOMPARE(frame.Action("actionSaveAsInputFile")->isEnabled(), loaded || refined);
  for (const char* name : kRefinedOnly) QVERIFY2(frame.Action(name)->isEnabled() == refined, name);
}

}  // namespace

class CommandEnabling : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    m_scratch = std::make_unique<ScratchDir>();
    m_frame = std::make_unique<CMainFrame>();
    m_view = m_frame->View();
    m_view->SetMessageSink(&m_sink);
    m_view->OnCreate();
    m_view->OnInitialUpdate();
  }
  void cleanup() {
    m_frame.reset();
    m_scratch.reset();
    m_sink = lattrix::RecordingSink();
  }

  void emptyLoadedRefined() {
    ExpectCommands(*m_frame, false, false);
    QVERIFY(m_view->OpenInputFile(DataFile("cubic.inp")));
    ExpectCommands(*m_frame, true, false);
    m_frame->Action("actionRefineExecute")->trigger();
    ExpectCommands(*m_frame, true, true);
    m_frame->Action("actionFileNew")->trigger();
    ExpectCommands(*m_frame, false, false);
    QVERIFY(m_sink.messages.empty());
  }

  void failedSaveLeavesRefined() {
    QVERIFY(m_view->OpenInputFile(DataFile("cubic.inp")));
    m_frame->Action("actionRefineExecute")->trigger();
    const QString target = m_scratch->Path("no-such-folder/job.inp");
    m_view->SetSaveFileDialog([&] { return target; });
    m_frame->Action("actionSaveAsInputFile")->trigger();
    QCOMPARE(m_sink.messages, std::vector<std::string>{target.toStdString() + " cannot created !!!\nNo such file or directory"});
    ExpectCommands(*m_frame, true, false);
    // The next Execute brings the result commands back.
    m_frame->Action("actionRefineExecute")->trigger();
    ExpectCommands(*m_frame, true, true);
  }

  void cancelledSaveChangesNothing() {
    QVERIFY(m_view->OpenInputFile(DataFile("cubic.inp")));
    m_frame->Action("actionRefineExecute")->trigger();
    const QString title = m_frame->windowTitle();
    const std::string path = m_view->job().m_strInputPath;
    m_view->SetSaveFileDialog([] { return QString(); });
    m_frame->Action("actionSaveAsInputFile")->trigger();
    QCOMPARE(m_frame->windowTitle(), title);
    QCOMPARE(m_view->job().m_strInputPath, path);
    ExpectCommands(*m_frame, true, true);
  }

  void formFailureAndManualModeLeaveRefined() {
    QVERIFY(m_view->OpenInputFile(DataFile("cubic.inp")));
    m_frame->Action("actionRefineExecute")->trigger();
    Find<QLineEdit>(m_view, "editCellA")->clear();
    m_frame->Action("actionRefineExecute")->trigger();
    QCOMPARE(m_sink.messages, std::vector<std::string>{"No cell data input !!!"});
    ExpectCommands(*m_frame, true, false);

    Find<QLineEdit>(m_view, "editCellA")->setText("5.4");
    m_frame->Action("actionRefineExecute")->trigger();
    ExpectCommands(*m_frame, true, true);
    // Manual mode without known corrections (the file had none).
    ClickBox(Find<QAbstractButton>(m_view, "radioManual"));
    m_frame->Action("actionRefineExecute")->trigger();
    QCOMPARE(m_sink.messages.back(), std::string("Manual correction mode not available !!!"));
    ExpectCommands(*m_frame, true, false);
  }

  void showOutputWithoutRefinement() {
    m_view->OnShowOutputFile();
    QCOMPARE(m_sink.messages, std::vector<std::string>{"Refinement not completed !!!"});
  }

  void helpWithoutPageBeeps() {
    // The help page is found in the working directory first.
    WriteFile(m_scratch->Path("LattrixHelp.html"), "<html></html>");
    QCOMPARE(m_view->FindHelpPage(), QFileInfo(m_scratch->Path("LattrixHelp.html")).absoluteFilePath());
    QVERIFY(QFile::remove(m_scratch->Path("LattrixHelp.html")));
    m_frame->Action("actionHelpHtml")->trigger();
    QCOMPARE(m_sink.beeps, 1);
    QCOMPARE(m_sink.messages, std::vector<std::string>{"Cannot execute html file !!!"});
  }

 private:
  std::unique_ptr<ScratchDir> m_scratch;
  std::unique_ptr<CMainFrame> m_frame;
  CLattrixView* m_view = nullptr;
  lattrix::RecordingSink m_sink;
};

QTEST_MAIN(CommandEnabling)
#include "test_command_enabling.moc"
