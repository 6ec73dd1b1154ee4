// Helpers shared by the Qt tests of the desktop program.
#pragma once

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <QTimer>

#include <cmath>
#include <functional>
#include <string>

#include "common/MessageSink.h"
#include "common/TextIO.h"
#include "ui/EditListCtrl.h"
#include "ui/LattrixView.h"

namespace guitest {

inline QString DataFile(const char* name) {
  return QStringLiteral(LATTRIX_GUI_TEST_DATA "/") + QString::fromLatin1(name);
}

// A working directory of its own for each test, so that the report
// (Lattrix.out) and saved files land there; the previous directory comes
// back at the end.
class ScratchDir {
 public:
  ScratchDir() : m_previous(QDir::currentPath()) { QDir::setCurrent(m_dir.path()); }
  ~ScratchDir() { QDir::setCurrent(m_previous); }
  QString Path(const QString& name) const { return m_dir.filePath(name); }
  QString path() const { return m_dir.path(); }

 private:
  QTemporaryDir m_dir;
  QString m_previous;
};

inline void WriteFile(const QString& path, const char* text) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text);
}

inline QString ReadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QString();
  return QString::fromLatin1(file.readAll());
}

template <typename T>
T* Find(QWidget* root, const char* name) {
  T* widget = root->findChild<T*>(QString::fromLatin1(name));
  if (!widget) qFatal("no widget named %s", name);
  return widget;
}

inline QString Text(QWidget* root, const char* name) { return Find<QLineEdit>(root, name)->text(); }

// The number a result field shows, parsed the way the form parses numbers.
inline double Number(QWidget* root, const char* name) {
  double value = NAN;
  lattrix::FieldScanner(Text(root, name).toStdString()).Double(value);
  return value;
}

inline QPoint CellCentre(CEditListCtrl* list, int row, int col) {
  return list->visualRect(list->model()->index(row, col)).center();
}

// Runs `check` on the modal dialog that `open` opens, then closes it.
template <typename Dialog>
inline void WithModal(const std::function<void()>& open, const std::function<void(Dialog*)>& check) {
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    if (dialog) {
      seen = true;
      check(dialog);
      dialog->accept();
    }
  });
  open();
  QVERIFY(seen);
}

inline void ClickCell(CEditListCtrl* list, int row, int col) {
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(list, row, col));
}

}  // namespace guitest

namespace guitest {

// Clicks a check box or radio button on its indicator (its centre may lie
// beyond its label when the layout stretches it).
inline void ClickBox(QWidget* box) {
  QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(8, box->height() / 2));
}

}  // namespace guitest
