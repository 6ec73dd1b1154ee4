#include "ui/RecentFiles.h"

#include <QSettings>

namespace {

const char kGroup[] = "Recent File List";

QString Key(int k) { return QStringLiteral("File%1").arg(k + 1); }

void StoreRecentFiles(const QStringList& files) {
  QSettings settings;
  settings.beginGroup(QString::fromLatin1(kGroup));
  for (int k = 0; k < kRecentFiles; ++k) settings.setValue(Key(k), k < files.size() ? files[k] : QString());
}

}  // namespace

QStringList RecentFiles() {
  QSettings settings;
  settings.beginGroup(QString::fromLatin1(kGroup));
  QStringList files;
  for (int k = 0; k < kRecentFiles; ++k) {
    const QString file = settings.value(Key(k)).toString();
    if (!file.isEmpty() && !files.contains(file)) files.append(file);
  }
  return files;
}

void AddRecentFile(const QString& path) {
  QStringList files = RecentFiles();
  files.removeAll(path);
  files.prepend(path);
  StoreRecentFiles(files);
}

void RemoveRecentFile(const QString& path) {
  QStringList files = RecentFiles();
  files.removeAll(path);
  StoreRecentFiles(files);
}
