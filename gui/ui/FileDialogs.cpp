#include "ui/FileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>

const char* const kJobFileFilter = "Lattrix Input File (*.inp);;Other Files (*)";
const char* const kCifFileFilter = "CIF File (*.cif);;Other Files (*)";
const char* const kCsvFileFilter = "CSV File (*.csv);;Other Files (*)";
const char* const kPeakFileFilter = "Peak List (*.txt *.csv *.tsv *.dat *.xy);;Other Files (*)";

namespace {

const char kLastFolderKey[] = "File Dialogs/Last Folder";

QString LastFolder() { return QSettings().value(QString::fromLatin1(kLastFolderKey)).toString(); }

QString Chosen(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  const QString path = dialog.selectedFiles().constFirst();
  RememberFolderOf(path);
  return path;
}

}  // namespace

void RememberFolderOf(const QString& path) {
  QSettings().setValue(QString::fromLatin1(kLastFolderKey), QFileInfo(path).absolutePath());
}

QString AskOpenPath(QWidget* parent, const QString& title, const QString& filter) {
  QFileDialog dialog(parent, title, LastFolder(), filter);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  return Chosen(dialog);
}

QStringList AskOpenPaths(QWidget* parent, const QString& title, const QString& filter) {
  QFileDialog dialog(parent, title, LastFolder(), filter);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QStringList();
  RememberFolderOf(dialog.selectedFiles().constFirst());
  return dialog.selectedFiles();
}

QString AskSavePath(QWidget* parent, const QString& title, const QString& filters,
                    const QStringList& suffixes, const QString& suggestedName) {
  QFileDialog dialog(parent, title, LastFolder(), filters);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (!suggestedName.isEmpty()) dialog.selectFile(suggestedName);
  const QStringList names = filters.split(QStringLiteral(";;"));
  if (!suffixes.isEmpty()) dialog.setDefaultSuffix(suffixes.constFirst());
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, names, suffixes](const QString& filter) {
    const qsizetype at = names.indexOf(filter);
    if (at >= 0 && at < suffixes.size() && !suffixes[at].isEmpty()) dialog.setDefaultSuffix(suffixes[at]);
  });
  return Chosen(dialog);
}

QString AskImageSavePath(QWidget* parent, const QString& title, const QString& suggestedName) {
  return AskSavePath(parent, title, QStringLiteral("PNG image (*.png);;SVG image (*.svg);;PDF document (*.pdf)"),
                     {QStringLiteral("png"), QStringLiteral("svg"), QStringLiteral("pdf")}, suggestedName);
}
