// Windows that fit the screen they open on, whatever its size and scale
// factor: no window opens larger than the screen's available area (the
// screen less its panels and docks, less the window manager's frame), and
// one that would reach beyond it moves back inside.
#pragma once

#include <QSize>

class QWidget;

// Resizes a top-level window to `wanted`, bounded by the room on its
// screen, and moves it inside that room.
void FitToScreen(QWidget* window, const QSize& wanted);

// Fits the window, at the size it has then, each time it is shown.
void KeepOnScreen(QWidget* window);

// Ctrl+W and Esc close the window (a result or help window).
void CloseOnCtrlW(QWidget* window);
