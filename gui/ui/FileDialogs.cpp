#include "ui/FileDialogs.h"

#include <QFileDialog>

const char* const kJobFileFilter = "Lattrix Input File (*.inp);;Other Files (*)";
const char* const kCifFileFilter = "CIF File (*.cif);;Other Files (*)";

namespace {

QString Chosen(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().constFirst();
}

}  // namespace

QString AskOpenPath(QWidget* parent, const QString& title, const QString& filter) {
  QFileDialog dialog(parent, title, QString(), filter);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  return Chosen(dialog);
}

QString AskSavePath(QWidget* parent, const QString& title, const QString& filters,
                    const QStringList& suffixes) {
  QFileDialog dialog(parent, title, QString(), filters);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  const QStringList names = filters.split(QStringLiteral(";;"));
  if (!suffixes.isEmpty()) dialog.setDefaultSuffix(suffixes.constFirst());
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, names, suffixes](const QString& filter) {
    const qsizetype at = names.indexOf(filter);
    if (at >= 0 && at < suffixes.size() && !suffixes[at].isEmpty()) dialog.setDefaultSuffix(suffixes[at]);
  });
  return Chosen(dialog);
}
