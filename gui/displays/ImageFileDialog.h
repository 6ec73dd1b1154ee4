// The save dialog for pictures drawn on the map canvas (the fitting map, a
// series plot): PNG, SVG or PDF, the suffix following the chosen filter.
#pragma once

#include <QString>

class QWidget;

// The chosen path, or an empty text when cancelled.
QString AskImageSavePath(QWidget* parent, const QString& title);
