// The program's file dialogs: one place for how a file to open or to save
// is asked for. Every dialog starts in the folder last chosen in any of them
// (kept in the settings, so also after a restart), else in the working
// directory.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The filters of job files, CIF files, CSV tables and peak lists.
extern const char* const kJobFileFilter;
extern const char* const kCifFileFilter;
extern const char* const kCsvFileFilter;
extern const char* const kPeakFileFilter;

// A file was opened or saved by any way (a dialog, the command line, the
// recent files, a drop): the dialogs start in its folder from now on.
void RememberFolderOf(const QString& path);

// Asks for an existing file; empty when cancelled.
QString AskOpenPath(QWidget* parent, const QString& title, const QString& filter);
// Asks for one or more existing files; empty when cancelled.
QStringList AskOpenPaths(QWidget* parent, const QString& title, const QString& filter);

// Asks for a file to write, offering `suggestedName` (a name without
// folder, such as "quartz.cif"). The filters are ";;"-separated, each with
// its suffix in the same place of `suffixes`: the suffix of the chosen filter
// is added to a name without one. Empty when cancelled.
QString AskSavePath(QWidget* parent, const QString& title, const QString& filters,
                    const QStringList& suffixes, const QString& suggestedName = QString());

// The same for a picture drawn on the map canvas (the fitting map, a series
// plot): PNG, SVG or PDF.
QString AskImageSavePath(QWidget* parent, const QString& title, const QString& suggestedName = QString());
