// The program's file dialogs: one place for how a file to open or to save
// is asked for.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The filters of job files and of CIF files.
extern const char* const kJobFileFilter;
extern const char* const kCifFileFilter;

// Asks for an existing file; empty when cancelled.
QString AskOpenPath(QWidget* parent, const QString& title, const QString& filter);

// Asks for a file to write. The filters are ";;"-separated, each with its
// suffix in the same place of `suffixes`: the suffix of the chosen filter is
// added to a name without one. Empty when cancelled.
QString AskSavePath(QWidget* parent, const QString& title, const QString& filters,
                    const QStringList& suffixes);
