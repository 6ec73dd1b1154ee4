// Helpers shared by the Qt tests of the desktop program.
#pragma once

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include "ui/EditListCtrl.h"
#include "ui/LattrixView.h"
#include "ui/MainFrame.h"

namespace guitest {

inline QString DataFile(const char* name) { return QStringLiteral(LATTRIX_GUI_TEST_DATA "/") + QString::fromLatin1(name); }
inline QString Example(const char* name) {
  return QStringLiteral(LATTRIX_EXAMPLES_DIR "/") + QLatin1String(name);
}

// A working directory of its own for each test, so that the report
// (Lattrix.out) and saved files land there.
class ScratchDir {
 public:
  ScratchDir() : m_previous(QDir::currentPath()) { QDir::setCurrent(m_dir.path()); }
  ~ScratchDir() { QDir::setCurrent(m_previous); }
  QString Path(const QString& name) const { return m_dir.filePath(name); }

 private:
  QTemporaryDir m_dir;
  QString m_previous;
};

inline QString WriteFile(const QString& path, const QByteArray& text) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() ? path : QString();
}

inline QString ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

template <typename T>
T* Find(QWidget* root, const char* name) {
  T* widget = root->findChild<T*>(QString::fromLatin1(name));
  if (!widget) qFatal("no widget named %s", name);
  return widget;
}

inline QString Text(QWidget* root, const char* name) { return Find<QLineEdit>(root, name)->text(); }

// Clicks a check box or radio button on its indicator.
inline void ClickBox(QWidget* box) { QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(8, box->height() / 2)); }

// Runs 'check' on the modal dialog that 'open' opens, then closes it.
template <typename Dialog>
inline void WithModal(const std::function<void()>& open, const std::function<void(Dialog*)>& check) {
  bool seen = false;
  QTimer::singleShot(0, [&] {
    if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
      seen = true;
      check(dialog);
      dialog->accept();
    }
  });
  open();
  QVERIFY(seen);
}

// A main window with its form, messages recorded, in a working directory
// of its own.
struct Program {
  Program() {
    view->SetMessageSink(&sink);
    view->OnCreate();
    view->OnInitialUpdate();
  }
  void Trigger(const char* action) { frame.Action(action)->trigger(); }
  ScratchDir scratch;
  lattrix::RecordingSink sink;
  CMainFrame frame;
  CLattrixView* view = frame.View();
  CEditListCtrl* list = view->ReflectionList();
};

// The texts of the twenty result fields of Output Data, joined by '|'.
inline QString Results(QWidget* view) {
  QStringList texts;
  for (const char* field : {"editRefinedA", "editRefinedB", "editRefinedC", "editRefinedAlpha", "editRefinedBeta", "editRefinedGamma",
                            "editSigmaA", "editSigmaB", "editSigmaC", "editSigmaAlpha", "editSigmaBeta", "editSigmaGamma", "editVolume",
                            "editVolumeSigma", "editZero", "editZeroSigma", "editSsd", "editSsdSigma", "editEmu", "editEmuSigma"})
    texts << Text(view, field);
  return texts.join('|');
}

}  // namespace guitest
