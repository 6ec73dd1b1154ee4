#include "displays/ImageFileDialog.h"

#include <QFileDialog>

QString AskImageSavePath(QWidget* parent, const QString& title) {
  QFileDialog dialog(parent, title);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  const QStringList filters = {QStringLiteral("PNG image (*.png)"), QStringLiteral("SVG image (*.svg)"),
                               QStringLiteral("PDF document (*.pdf)")};
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(QStringLiteral("png"));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, filters](const QString& filter) {
    const char* suffixes[3] = {"png", "svg", "pdf"};
    const int at = static_cast<int>(filters.indexOf(filter));
    if (at >= 0) dialog.setDefaultSuffix(QString::fromLatin1(suffixes[at]));
  });
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().front();
}
