// Every job file that ever troubled a reader (the fuzzing regressions and
// the broken seeds) opened through the program's File Open, then refined:
// the program shows a message or the job, and never crashes.
#include <QDir>
#include <QTest>

#include "GuiTestSupport.h"
#include "ui/LattrixApp.h"
#include "ui/MainFrame.h"

using namespace guitest;

class FuzzInputs : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
  void openAndRefineEachFile();
};

void FuzzInputs::openAndRefineEachFile() {
  // The regressions, and the fuzzing seeds (examples and hand-made broken files).
  QStringList files;
  for (const char* folder : {"/../../data/fuzz/input_file", "/../../../fuzz/corpus/input_file"}) {
    const QDir dir(QStringLiteral(LATTRIX_GUI_TEST_DATA) + QString::fromLatin1(folder));
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) files << dir.filePath(name);
  }
  QVERIFY(files.size() > 8);
  ScratchDir scratch;
  lattrix::RecordingSink sink;
  CLattrixView::SetSinkForNewViews(&sink);
  CLattrixApp app;
  QVERIFY(app.InitInstance({}));
  CLattrixView::SetSinkForNewViews(nullptr);
  CMainFrame* frame = app.MainFrame();
  CLattrixView* view = frame->View();
  for (const QString& name : files) {
    sink.messages.clear();
    const bool opened = view->OpenInputFile(name);
    // A file that is refused says why; one that is read is on the form.
    QVERIFY2(opened || !sink.messages.empty(), qPrintable(name));
    if (!opened) continue;
    const lattrix::Job& job = view->job();
    QVERIFY2(job.m_nReflections >= 0 && job.m_nReflections <= lattrix::kMaxReflections, qPrintable(name));
    QVERIFY2(job.m_nCrystalSystem >= 1 && job.m_nCrystalSystem <= 7, qPrintable(name));
    QAction* execute = frame->Action("actionRefineExecute");
    QVERIFY2(execute->isEnabled(), qPrintable(name));
    sink.messages.clear();
    execute->trigger();
    // Refined, or refused with a message (no reflections, a failed calibration).
    QVERIFY2(job.m_bRefined || !sink.messages.empty(), qPrintable(name));
  }
}

QTEST_MAIN(FuzzInputs)
#include "test_fuzz_inputs.moc"
